// The account dialog as a person uses it, and "&UpdateFavorite" against the simulated site.
#include "ui/AllTreeCtrl.h"
#include "ui/AuthenticationDialog.h"
#include "ui/FavoriteTreeCtrl.h"

#include "TestFiles.h"
#include "WindowTest.h"

#include <wx/menu.h>
#include <wx/notebook.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include <gtk/gtk.h>

#include <numeric>
#include <set>

namespace
{
// What the store holds, "-" for nothing.
std::string Stored(const char* key)
{
    return Settings::ReadString(key, "-").utf8_string();
}

// "Online (2): AmberRose07[1] Luna_Star[2]": the label, then the items (sorted) with their icons.
std::string Describe(FavoriteTreeCtrl* tree, const wxDataViewItem& group)
{
    std::set<std::string> items;
    for (const wxString& name : tree->GetNames(group))
        items.insert(" " + name.utf8_string() + "[" + std::to_string(tree->GetUserImage(name)) + "]");
    return std::accumulate(items.begin(), items.end(), tree->GetGroupLabel(group).utf8_string() + ":");
}

// A signal's handler that notes the signal came and lets the others run.
gboolean SetFlag(bool* flag)
{
    *flag = true;
    return FALSE;
}

class AccountTest : public WindowTest
{
protected:
    // "&UpdateFavorite" with this account typed into the dialog, or stored once logged in;
    // returns once the site has the request. shownBefore: what the dialog showed.
    void Login(const wxString& id, const wxString& password)
    {
        if (LoggedIn())
        {
            Settings::WriteString("/id", id);
            Settings::WriteString("/password", password);
        }
        watcher.onEnter = [this, id, password](wxDialog* dialog) {
            auto* account = dynamic_cast<AuthenticationDialog*>(dialog);
            if (!account)
                return;
            shownBefore = (account->GetId() + "|" + account->GetPassword()).utf8_string();
            account->SetAccount(id, password);
        };
        const size_t before = CountRequests(kLoginPath);
        wxQueueEvent(frame.get(), new wxCommandEvent(wxEVT_MENU, ID_UPDATE_FAVORITE));
        EXPECT_TRUE(PumpUntil([&] { return CountRequests(kLoginPath) > before; }));
    }

    // Every reply sent, then handled, and what it queued handled too.
    static void Settle()
    {
        EXPECT_TRUE(PumpUntil([] { return DownloadThread::WaitForAll(0) && !wxTheApp->HasPendingEvents(); }));
    }

    bool LoggedIn() const { return frame->GetMenuBar()->IsEnabled(ID_POPUP_ONLY_FAVORITE); }

    std::string shownBefore;
};
} // namespace

TEST_F(AccountTest, TheDialogShowsTheStoreAndGivesBothFieldsOnlyOnOK)
{
    // The first step shows the store, each later one what the step before gave, as the main
    // window keeps a rejected account for the next try; the dialog is ended by a click on a
    // button (key 0) or by a key in a field. It stores nothing: the site has not seen the account.
    const struct
    {
        wxString typed[2];
        int target, key;
    } steps[] = {
        {{"", ""}, wxID_OK, 0},          {{"anna", "p&ss #1%"}, 1, WXK_RETURN}, {{"bert", "p&ss #1%"}, 0, WXK_RETURN},
        {{"carl", "x"}, wxID_CANCEL, 0}, {{"dora", "y"}, 0, WXK_ESCAPE},
    };
    watcher.show = true;
    Settings::WriteString("/id", "zed");
    Settings::WriteString("/password", "z");
    std::string stored[2] = {"zed", "z"};
    for (const auto& step : steps)
    {
        SCOPED_TRACE(step.typed[0]);
        AuthenticationDialog dialog(nullptr, wxID_ANY, "Authentication");
        if (&step != steps)
            dialog.SetAccount(wxString::FromUTF8(stored[0]), wxString::FromUTF8(stored[1]));
        const std::vector<wxWindow*> children(dialog.GetChildren().begin(), dialog.GetChildren().end());
        wxTextCtrl* fields[] = {dynamic_cast<wxTextCtrl*>(children.at(2)), dynamic_cast<wxTextCtrl*>(children.at(4))};
        ASSERT_TRUE(fields[0] && fields[1]);
        EXPECT_FALSE(fields[0]->HasFlag(wxTE_PASSWORD));
        EXPECT_TRUE(fields[1]->HasFlag(wxTE_PASSWORD));
        // A key press that goes astray fails the step instead of hanging the test.
        wxTimer guard;
        guard.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { dialog.EndModal(-1); });
        guard.StartOnce(static_cast<int>(TimeLimit(10000).count()));
        wxTheApp->CallAfter([&] {
            for (int i = 0; i < 2; ++i)
            {
                EXPECT_EQ(stored[i], fields[i]->GetValue().utf8_string());
                fields[i]->ChangeValue(step.typed[i]);
            }
            // A click in the middle of the button, or of the field the key goes to.
            const wxWindow* target = step.key ? fields[step.target] : dialog.FindWindow(step.target);
            wxUIActionSimulator input;
            input.MouseMove(target->GetScreenRect().GetPosition() + target->GetSize() / 2);
            wxYield();
            input.MouseClick();
            wxYield();
            if (step.key)
                input.Char(step.key);
        });
        const bool ok = step.target == wxID_OK || step.key == WXK_RETURN;
        EXPECT_EQ(ok ? wxID_OK : wxID_CANCEL, dialog.ShowModal());
        for (int i = 0; ok && i < 2; ++i)
            stored[i] = step.typed[i].utf8_string();
        if (ok)
        {
            EXPECT_EQ(stored[0], dialog.GetId().utf8_string());
            EXPECT_EQ(stored[1], dialog.GetPassword().utf8_string());
        }
        EXPECT_EQ("zed", Stored("/id"));
        EXPECT_EQ("z", Stored("/password"));
    }
}

// The dialog is as wide as a title bar needs for the whole bold title beside the window's icon and
// three buttons (some 100 pixels).
TEST_F(AccountTest, TheDialogIsWideEnoughForItsWholeTitle)
{
    AuthenticationDialog dialog(nullptr, wxID_ANY, "Authentication");
    wxFont bold = dialog.GetFont().Bold();
    int title = 0, height = 0;
    dialog.GetTextExtent(dialog.GetTitle(), &title, &height, nullptr, nullptr, &bold);
    EXPECT_GE(dialog.GetBestSize().x, title + dialog.FromDIP(100));
}

TEST_F(AccountTest, TheAccountDecidesTheFavoritePageAndTheNewestReplyWins)
{
    MainFrame* main = Open();
    AllTreeCtrl* all = main->GetAllTreeCtrl();
    ASSERT_TRUE(PumpUntil([&] { return all->GetGroupLabel(all->GetOnlineGroup()) == "Online (4)"; }));
    sim.AddAccount("bert", "b", {});
    FavoriteTreeCtrl* tree = main->GetFavoriteTreeCtrl();
    wxNotebook* pages = main->GetNotebook();
    Login("bert", "wrong");
    ASSERT_TRUE(PumpUntil([&] { return watcher.shown.size() == 2; }));
    EXPECT_EQ((std::vector<std::string>{"dialog", "Error|Could not login."}), watcher.shown);
    EXPECT_FALSE(LoggedIn());
    EXPECT_FALSE(pages->GetPage(1)->IsEnabled());
    // A rejected account is stored nowhere; the next dialog shows it as it was typed.
    EXPECT_EQ("-", Stored("/password"));

    // No favourites: logged in all the same, and the account kept.
    Login("bert", "b");
    EXPECT_EQ("bert|wrong", shownBefore);
    ASSERT_TRUE(PumpUntil([&] { return LoggedIn(); }));
    EXPECT_TRUE(pages->GetPage(1)->IsEnabled());
    EXPECT_EQ(1, pages->GetSelection());
    EXPECT_EQ("", Stored("/favorites"));
    EXPECT_EQ("bert", Stored("/id"));
    EXPECT_EQ("b", Stored("/password"));

    // From now on no dialog: the stored account as it is, percent-encoded, and in no trace.
    const wxString id = wxString::FromUTF8("ann \xC3\xA9"), password = "p&ss #1%";
    sim.AddAccount(id.utf8_string(), password.utf8_string(), {"AmberRose07", "Luna_Star", "nobody_here"});
    pages->SetSelection(0);
    {
        LogCapture traces;
        wxLog::AddTraceMask("solvane");
        Login(id, password);
        EXPECT_TRUE(
            PumpUntil([&] { return Describe(tree, tree->GetOfflineGroup()) == "Offline (1): nobody_here[0]"; }));
        wxLog::FlushActive();
        for (const wxString& line : traces.logged)
            for (const char* secret : {"p&ss", "p%26ss", "password="})
                EXPECT_EQ(wxNOT_FOUND, line.Find(secret)) << line;
    }
    // Asked for compressed, and the favourites read all the same; the query is the login check's own.
    const auto requests = sim.Requests();
    const auto login = std::find_if(requests.rbegin(), requests.rend(), [](auto& r) { return r.path == kLoginPath; });
    EXPECT_TRUE(std::any_of(login->headers.begin(), login->headers.end(), [](const auto& header) {
        return header.first == "Accept-Encoding" && header.second.find("gzip") != std::string::npos;
    }));
    EXPECT_EQ("Online (2): AmberRose07[1] Luna_Star[2]", Describe(tree, tree->GetOnlineGroup()));
    EXPECT_EQ("AmberRose07,Luna_Star,nobody_here,", Stored("/favorites"));
    EXPECT_EQ(0, pages->GetSelection());

    // The older request's reply comes last.
    sim.AddAccount(id.utf8_string(), password.utf8_string(), {"MissKitty42"});
    sim.SetReplyDelays(kLoginPath, {800, 0});
    Login("bert", "b");
    Login(id, password);
    Settle();
    EXPECT_EQ("Online (1): MissKitty42[2]", Describe(tree, tree->GetOnlineGroup()));
    EXPECT_EQ("MissKitty42,", Stored("/favorites"));

    // A failure once logged in says nothing and changes nothing.
    Login("bert", "wrong");
    Settle();
    EXPECT_EQ(3u, watcher.shown.size());
    EXPECT_EQ("MissKitty42,", Stored("/favorites"));
}

// A restart with an account stored logs in once the first list is in, with no dialog: the page is
// filled as by "&UpdateFavorite". One the site rejects says so once and is left as it was.
TEST_F(AccountTest, AStoredAccountLogsInAtStart)
{
    sim.AddAccount("bert", "b", {"AmberRose07", "nobody_here"});
    const struct
    {
        const char* password;
        std::vector<std::string> shown;
    } starts[] = {{"b", {}}, {"wrong", {"Error|Could not login."}}};
    for (const auto& start : starts)
    {
        SCOPED_TRACE(start.password);
        Settings::WriteString("/id", "bert");
        Settings::WriteString("/password", start.password);
        watcher.shown.clear();
        const size_t before = CountRequests(kLoginPath);
        MainFrame* main = Open();
        FavoriteTreeCtrl* tree = main->GetFavoriteTreeCtrl();
        ASSERT_TRUE(PumpUntil([&] { return CountRequests(kLoginPath) > before; }));
        Settle();
        PumpUntil([&] { return watcher.shown.size() >= start.shown.size(); });
        Settle();
        EXPECT_EQ(start.shown, watcher.shown);
        EXPECT_EQ(start.shown.empty(), LoggedIn());
        EXPECT_EQ(start.shown.empty(), main->GetNotebook()->GetPage(1)->IsEnabled());
        if (start.shown.empty())
        {
            EXPECT_EQ("Online (1): AmberRose07[1]", Describe(tree, tree->GetOnlineGroup()));
        }
        EXPECT_EQ(before + 1, CountRequests(kLoginPath));
        EXPECT_EQ(start.password, Stored("/password"));
        main->Destroy();
        ASSERT_TRUE(PumpUntil([&] { return !frame; }));
    }
}

// A login at start that ends while the window is hidden in the notification area leaves it there;
// the Favorite page is in front once the icon's Open brings the window back.
TEST_F(AccountTest, ALoginWhileTheWindowIsAwayLeavesItAway)
{
    sim.AddAccount("bert", "b", {"AmberRose07"});
    sim.SetReplyDelays(kLoginPath, {500});
    Settings::WriteString("/id", "bert");
    Settings::WriteString("/password", "b");
    MainFrame* main = Open();
    // Hidden once word of its first mapping is in: the toolkit marks a window shown again when
    // that word comes in after it was hidden.
    bool mapped = false;
    g_signal_connect_swapped(main->GetHandle(), "map-event", G_CALLBACK(SetFlag), &mapped);
    ASSERT_TRUE(PumpUntil([&] { return mapped; }));
    main->Show(false);
    ASSERT_FALSE(LoggedIn());
    ASSERT_TRUE(PumpUntil([&] { return LoggedIn(); }));
    Settle();
    EXPECT_FALSE(main->IsShown());
    EXPECT_EQ(0, main->GetNotebook()->GetSelection());

    wxQueueEvent(main, new wxCommandEvent(wxEVT_MENU, wxID_OPEN));
    ASSERT_TRUE(PumpUntil([&] { return main->IsShown(); }));
    EXPECT_EQ(1, main->GetNotebook()->GetSelection());
}
