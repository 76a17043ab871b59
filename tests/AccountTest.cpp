// The account dialog as a person uses it, and "&UpdateFavorite" against the simulated site.
#include "net/DownloadThread.h"
#include "net/HttpGet.h"
#include "site/TaveloSite.h"
#include "ui/AllTreeCtrl.h"
#include "ui/AuthenticationDialog.h"
#include "ui/FavoriteTreeCtrl.h"
#include "ui/MainFrame.h"
#include "util/Settings.h"

#include "SiteSim.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/fileconf.h>
#include <wx/menu.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>
#include <wx/notebook.h>
#include <wx/sstream.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/uiaction.h>
#include <wx/weakref.h>

#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono;

namespace
{
const char* const kLoginPath = "/loginchecker";

bool PumpUntil(const std::function<bool()>& done, milliseconds limit = milliseconds(10000))
{
    for (const auto end = steady_clock::now() + limit; !done(); std::this_thread::sleep_for(milliseconds(2)))
    {
        if (steady_clock::now() > end)
            return false;
        wxTheApp->ProcessPendingEvents();
        wxYield();
    }
    return true;
}

// A store in memory: nothing of an earlier run, nothing written to disk.
void UseEmptyStore()
{
    wxStringInputStream nothing(wxEmptyString);
    delete wxConfigBase::Set(new wxFileConfig(nothing));
}

void ClickOn(wxWindow* window)
{
    wxUIActionSimulator input;
    input.MouseMove(window->GetScreenRect().GetPosition() + window->GetSize() / 2);
    wxYield();
    input.MouseClick();
    wxYield();
}

// Notes every modal dialog and answers it with OK at once, unless the account dialog is to come up.
class DialogWatcher : public wxModalDialogHook
{
public:
    std::vector<std::string> shown;
    bool showAccountDialog = false;

protected:
    int Enter(wxDialog* dialog) override
    {
        const auto* box = dynamic_cast<wxMessageDialogBase*>(dialog);
        shown.push_back(box ? (box->GetCaption() + "|" + box->GetMessage()).utf8_string() : "account");
        return box || !showAccountDialog ? wxID_OK : wxID_NONE;
    }
    void Exit(wxDialog*) override {}
};

// Collects the traces of every thread while it is the log target.
struct TraceCollector : wxLog
{
    std::string text;
    void DoLogTextAtLevel(wxLogLevel, const wxString& message) override { text += message.utf8_string() + "\n"; }
};

// "Online (2): AmberRose07[1] Luna_Star[2]": the label, then the items (sorted) with their icons.
std::string Describe(FavoriteTreeCtrl* tree, const wxTreeItemId& group)
{
    std::set<std::string> items;
    wxTreeItemIdValue cookie;
    for (wxTreeItemId item = tree->GetFirstChild(group, cookie); item.IsOk(); item = tree->GetNextChild(group, cookie))
        items.insert(" " + tree->GetItemText(item).utf8_string() + "[" + std::to_string(tree->GetItemImage(item)) + "]");
    std::string text = tree->GetItemText(group).utf8_string() + ":";
    for (const std::string& item : items)
        text += item;
    return text;
}
} // namespace

TEST(AuthenticationDialog, ShowsTheStoreAndStoresBothFieldsOnlyOnOK)
{
    enum Action { ClickOK, EnterInUsername, EnterInPassword, ClickCancel, Escape };
    struct Step
    {
        wxString shown[2], typed[2];
        Action action;
        int answer;
        wxString stored[2];
    };
    // Each step starts from the store that the one before left.
    const Step steps[] = {
        {{"", ""}, {"", ""}, ClickOK, wxID_OK, {"", ""}},
        {{"", ""}, {"anna", "p&ss #1%"}, EnterInPassword, wxID_OK, {"anna", "p&ss #1%"}},
        {{"anna", "p&ss #1%"}, {"bert", "p&ss #1%"}, EnterInUsername, wxID_OK, {"bert", "p&ss #1%"}},
        {{"bert", "p&ss #1%"}, {"carl", "x"}, ClickCancel, wxID_CANCEL, {"bert", "p&ss #1%"}},
        {{"bert", "p&ss #1%"}, {"dora", "y"}, Escape, wxID_CANCEL, {"bert", "p&ss #1%"}},
    };
    UseEmptyStore();
    for (const Step& step : steps)
    {
        SCOPED_TRACE(step.action);
        AuthenticationDialog dialog(nullptr, wxID_ANY, "Authentication");
        const std::vector<wxWindow*> children(dialog.GetChildren().begin(), dialog.GetChildren().end());
        wxTextCtrl* fields[] = {dynamic_cast<wxTextCtrl*>(children.at(2)), dynamic_cast<wxTextCtrl*>(children.at(4))};
        ASSERT_TRUE(fields[0] && fields[1]);
        EXPECT_FALSE(fields[0]->HasFlag(wxTE_PASSWORD));
        EXPECT_TRUE(fields[1]->HasFlag(wxTE_PASSWORD));

        // A key press that goes astray fails the step instead of hanging the test.
        wxTimer guard;
        guard.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { dialog.EndModal(-1); });
        guard.StartOnce(10000);
        wxTheApp->CallAfter([&] {
            for (int i = 0; i < 2; ++i)
            {
                EXPECT_EQ(step.shown[i], fields[i]->GetValue());
                fields[i]->ChangeValue(step.typed[i]);
            }
            if (step.action == ClickOK || step.action == ClickCancel)
                return ClickOn(dialog.FindWindow(step.action == ClickOK ? wxID_OK : wxID_CANCEL));
            ClickOn(fields[step.action == EnterInPassword ? 1 : 0]);
            wxUIActionSimulator().Char(step.action == Escape ? WXK_ESCAPE : WXK_RETURN);
        });
        EXPECT_EQ(step.answer, dialog.ShowModal());
        EXPECT_EQ(step.stored[0], Settings::ReadString("/id", "-"));
        EXPECT_EQ(step.stored[1], Settings::ReadString("/password", "-"));
    }
}

class FavoritesTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { HttpGet::GlobalInit(); }

    void SetUp() override
    {
        UseEmptyStore();
        // Online: AmberRose07 free, Luna_Star busy, MissKitty42 busy, sweetpeach.
        ASSERT_TRUE(sim.SetPerformerListFromFile(std::string(SOLVANE_TEST_DATA) + "/performers/typical.js"));
        ASSERT_TRUE(sim.Start());
        Settings::WriteString("/Site/webserver", wxString::FromUTF8(sim.WebServer()));
        sim.AddAccount("bert", "b", {});
        watcher.Register();
    }

    void TearDown() override
    {
        watcher.Unregister();
        if (frame)
            delete frame.get();
        // As the module's exit does: no login check outlives the test.
        EXPECT_TRUE(DownloadThread::StopAll(5000));
        PumpUntil([] { return wxTopLevelWindows.empty() && !wxTheApp->HasPendingEvents(); });
    }

    // A main window whose All page has the site's list, which gives favourites their statuses.
    MainFrame* Open()
    {
        frame = new MainFrame;
        AllTreeCtrl* all = frame->GetAllTreeCtrl();
        EXPECT_TRUE(PumpUntil([&] { return all->GetItemText(all->GetOnlineGroup()) == "Online (4)"; }));
        return frame;
    }

    // "&UpdateFavorite" with this account stored; returns once the site has the request.
    void Login(const wxString& id, const wxString& password)
    {
        Settings::WriteString("/id", id);
        Settings::WriteString("/password", password);
        const size_t before = LoginQueries().size();
        wxQueueEvent(frame.get(), new wxCommandEvent(wxEVT_MENU, ID_UPDATE_FAVORITE));
        EXPECT_TRUE(PumpUntil([&] { return LoginQueries().size() > before; }));
    }

    std::vector<std::string> LoginQueries() const
    {
        std::vector<std::string> queries;
        for (const sitesim::Request& request : sim.Requests())
            if (request.path == kLoginPath)
                queries.push_back(request.query);
        return queries;
    }

    // Every reply sent, then handled, and what it queued handled too.
    static void Settle()
    {
        EXPECT_TRUE(PumpUntil([] { return DownloadThread::WaitForAll(0); }));
        PumpUntil([] { return false; }, milliseconds(200));
    }

    bool LoggedIn() const { return frame->GetMenuBar()->IsEnabled(ID_POPUP_ONLY_FAVORITE); }

    sitesim::SiteSim sim;
    TaveloSite site;
    DialogWatcher watcher;
    wxWeakRef<MainFrame> frame;
};

TEST_F(FavoritesTest, TheAccountDecidesTheFavoritePageAndTheNewestReplyWins)
{
    MainFrame* main = Open();
    FavoriteTreeCtrl* tree = main->GetFavoriteTreeCtrl();
    wxNotebook* pages = main->GetNotebook();
    Login("bert", "wrong");
    ASSERT_TRUE(PumpUntil([&] { return watcher.shown.size() == 2; }));
    EXPECT_EQ((std::vector<std::string>{"account", "Error|Could not login."}), watcher.shown);
    EXPECT_FALSE(LoggedIn());
    EXPECT_FALSE(pages->GetPage(1)->IsEnabled());

    // No favourites: logged in all the same.
    Login("bert", "b");
    ASSERT_TRUE(PumpUntil([&] { return LoggedIn(); }));
    EXPECT_TRUE(pages->GetPage(1)->IsEnabled());
    EXPECT_EQ(1, pages->GetSelection());
    EXPECT_EQ("", Settings::ReadString("/favorites", "-"));

    // From now on no dialog: the stored account as it is, percent-encoded, and in no trace.
    const wxString id = wxString::FromUTF8("ann \xC3\xA9"), password = "p&ss #1%";
    sim.AddAccount(id.utf8_string(), password.utf8_string(), {"AmberRose07", "Luna_Star", "nobody_here"});
    pages->SetSelection(0);
    TraceCollector traces;
    wxLog* log = wxLog::SetActiveTarget(&traces);
    wxLog::AddTraceMask("solvane");
    Login(id, password);
    EXPECT_TRUE(PumpUntil([&] { return Describe(tree, tree->GetOfflineGroup()) == "Offline (1): nobody_here[0]"; }));
    wxLog::FlushActive();
    wxLog::SetActiveTarget(log);
    for (const char* secret : {"p&ss", "p%26ss", "password="})
        EXPECT_EQ(std::string::npos, traces.text.find(secret)) << secret << " in\n" << traces.text;
    EXPECT_EQ("username=ann%20%C3%A9&password=p%26ss%20%231%25", LoginQueries().back());
    EXPECT_EQ("Online (2): AmberRose07[1] Luna_Star[2]", Describe(tree, tree->GetOnlineGroup()));
    EXPECT_EQ("AmberRose07,Luna_Star,nobody_here,", Settings::ReadString("/favorites", "-"));
    EXPECT_EQ(0, pages->GetSelection());

    // The older request's reply comes last.
    sim.AddAccount(id.utf8_string(), password.utf8_string(), {"MissKitty42"});
    sim.SetReplyDelays(kLoginPath, {800, 0});
    Login("bert", "b");
    Login(id, password);
    Settle();
    EXPECT_EQ("Online (1): MissKitty42[2]", Describe(tree, tree->GetOnlineGroup()));
    EXPECT_EQ("MissKitty42,", Settings::ReadString("/favorites", "-"));

    // A failure once logged in says nothing and changes nothing.
    Login("bert", "wrong");
    Settle();
    EXPECT_EQ(3u, watcher.shown.size());
    EXPECT_EQ("MissKitty42,", Settings::ReadString("/favorites", "-"));
}

// Neither a login check without an answer nor an open account dialog holds up the exit.
TEST_F(FavoritesTest, TheExitIsPromptWhileTheLoginIsUnderWay)
{
    sim.SetFault(kLoginPath, sitesim::Fault::NoAnswer);
    for (const bool dialogOpen : {false, true})
    {
        SCOPED_TRACE(dialogOpen ? "account dialog open" : "login check unanswered");
        watcher.showAccountDialog = dialogOpen;
        MainFrame* main = Open();
        if (dialogOpen)
        {
            wxQueueEvent(main, new wxCommandEvent(wxEVT_MENU, ID_UPDATE_FAVORITE));
            // Handled within the dialog's own loop, as the notification icon's "E&xit" would be.
            wxTheApp->CallAfter([main] { wxQueueEvent(main, new wxCommandEvent(wxEVT_MENU, wxID_EXIT)); });
        }
        else
        {
            Login("bert", "b");
            wxQueueEvent(main, new wxCommandEvent(wxEVT_MENU, wxID_EXIT));
        }
        const auto start = steady_clock::now();
        EXPECT_TRUE(PumpUntil([&] { return !frame; }));
        // The module's exit ends the transfer; the reply finds no window and is freed.
        EXPECT_TRUE(DownloadThread::StopAll(5000));
        EXPECT_LT(duration_cast<milliseconds>(steady_clock::now() - start).count(), 1000);
        EXPECT_EQ(1u, LoginQueries().size()); // none from the dialog the exit ended
    }
}
