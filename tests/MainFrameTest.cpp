// The main window on a virtual display: first run, stored settings, hiding, and every way out.
// (A list that comes before the first layout shows on GNOME's compositor, whose layout comes late.)
#include "ui/AllTreeCtrl.h"
#include "ui/FavoriteTreeCtrl.h"
#include "ui/HelpMenu.h"
#include "ui/HistoryListCtrl.h"
#include "ui/HistoryPanel.h"
#include "ui/NotifyIcon.h"
#include "ui/ServerFailureBox.h"

#include "TestFiles.h"
#include "WindowTest.h"

#include <wx/menu.h>
#include <wx/notebook.h>
#include <wx/srchctrl.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <set>
#include <tuple>

namespace
{
// Every notice the window system has sent so far is handled: one that came late (the frame
// mapped) would undo what the test does next (hiding it).
void Settle()
{
    XSync(wxGetX11Display(), False);
    wxYield();
}

// What a window manager and a notification area do, from a connection of their own.
class Desktop
{
public:
    Desktop() : display(XOpenDisplay(nullptr)) {}
    ~Desktop() { XCloseDisplay(display); } // which also ends a tray it opened

    // A notification area is there while something owns the tray selection.
    void OpenTray()
    {
        const Window tray = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
        XSetSelectionOwner(display, XInternAtom(display, "_NET_SYSTEM_TRAY_S0", False), tray, CurrentTime);
        XSync(display, False);
    }
    // A window manager minimises a window by unmapping it.
    void Minimise(const char* title)
    {
        XUnmapWindow(display, Find(DefaultRootWindow(display), title));
        XSync(display, False);
    }
    // How the window asks to be mapped: NormalState, or IconicState (minimised).
    int InitialState(const char* title)
    {
        XWMHints* hints = XGetWMHints(display, Find(DefaultRootWindow(display), title));
        const int state = hints && (hints->flags & StateHint) ? hints->initial_state : NormalState;
        XFree(hints);
        return state;
    }

private:
    Window Find(Window window, const char* title)
    {
        char* name = nullptr;
        const bool found = XFetchName(display, window, &name) && std::string(name) == title;
        XFree(name);
        Window root, parent, *children = nullptr, match = found ? window : 0;
        unsigned count = 0;
        if (!match && XQueryTree(display, window, &root, &parent, &children, &count))
        {
            for (unsigned i = 0; i < count && !match; ++i)
                match = Find(children[i], title);
            XFree(children);
        }
        return match;
    }

    Display* display;
};

using MainFrameTest = WindowTest;
} // namespace

// Before a login the filter item is off and the favourites tree hears nothing, while the All
// tree fills; the window comes back where it was, and the filter item as it was left. (That
// "/favorites" never outlives the run shows in the end-to-end run.)
TEST_F(MainFrameTest, FirstRunThenTheStoredSettingsAtTheNextStart)
{
    MainFrame* main = Open();
    EXPECT_FALSE(main->GetMenuBar()->IsChecked(ID_POPUP_ONLY_FAVORITE));
    EXPECT_FALSE(main->GetMenuBar()->IsEnabled(ID_POPUP_ONLY_FAVORITE));
    AllTreeCtrl* all = main->GetAllTreeCtrl();
    EXPECT_TRUE(PumpUntil([&] { return all->GetGroupLabel(all->GetOnlineGroup()) == "Online (4)"; }));
    EXPECT_FALSE(main->GetFavoriteTreeCtrl()->GetOnlineGroup().IsOk()); // no groups before a login
    for (const int checked : {1, 0, 1}) // written at once
    {
        wxCommandEvent toggle(wxEVT_MENU, ID_POPUP_ONLY_FAVORITE);
        toggle.SetInt(checked);
        main->GetEventHandler()->ProcessEvent(toggle);
        EXPECT_EQ(checked != 0, Settings::ReadBool("/PopupDialog/onlyFavorite", !checked));
    }
    main->SetSize(130, 70, 300, 420);
    PumpUntil([&] { return main->GetPosition() == wxPoint(130, 70); });
    ExitBy([&] { wxQueueEvent(main, new wxCommandEvent(wxEVT_MENU, wxID_EXIT)); });

    main = Open();
    EXPECT_TRUE(PumpUntil([&] { return main->GetPosition() == wxPoint(130, 70); }));
    EXPECT_EQ(wxSize(300, 420), main->GetSize());
    EXPECT_TRUE(main->GetMenuBar()->IsChecked(ID_POPUP_ONLY_FAVORITE));
    EXPECT_FALSE(main->GetMenuBar()->IsEnabled(ID_POPUP_ONLY_FAVORITE));
    ExitBy([&] { wxQueueEvent(main, new wxCommandEvent(wxEVT_MENU, wxID_EXIT)); });

    // A hand-edited place far off the screen comes back on it, and is saved so.
    const wxRect screen = wxGetClientDisplayRect();
    for (const char* key : {"/MainFrame/x", "/MainFrame/width", "/MainFrame/height"})
        Settings::WriteLong(key, 99999999);
    Settings::WriteLong("/MainFrame/y", -99999999);
    main = Open();
    EXPECT_TRUE(PumpUntil([&] { return screen.Contains(main->GetRect()); })) << main->GetRect().x << ","
                                                                              << main->GetRect().y;
    EXPECT_EQ(screen.GetSize(), main->GetSize());
    ExitBy([&] { wxQueueEvent(main, new wxCommandEvent(wxEVT_MENU, wxID_EXIT)); });
    EXPECT_EQ(screen.width, Settings::ReadLong("/MainFrame/width", 0));
    EXPECT_EQ(screen.GetTopLeft(), wxPoint(Settings::ReadLong("/MainFrame/x", -1), Settings::ReadLong("/MainFrame/y", -1)));
}

// One search field filters whichever page shows: the History page takes it up as it comes, then
// follows it. At the first run's width the page's columns all fit on it.
TEST_F(MainFrameTest, TheSearchFieldFiltersTheHistoryPageWhoseColumnsFit)
{
    MainFrame* main = Open();
    HistoryListCtrl* list = main->GetHistoryPanel()->GetListCtrl();
    const auto names = [list] {
        std::set<std::string> shown;
        for (long row = 0; row < list->GetRowCount(); ++row)
            shown.insert(list->GetRowText(row, 1).Lower().utf8_string());
        return shown;
    };
    ASSERT_TRUE(PumpUntil([&] { return names().size() == 4; }));
    main->GetSearchCtrl()->SetValue("KITTY");
    main->GetNotebook()->SetSelection(2);
    EXPECT_EQ(std::set<std::string>{"misskitty42"}, names());
    main->GetSearchCtrl()->SetValue("a");
    EXPECT_EQ((std::set<std::string>{"amberrose07", "luna_star", "sweetpeach"}), names());
    PumpUntil([] { return false; }, milliseconds(200)); // the page's layout
    EXPECT_EQ(240, main->GetSize().x);
    EXPECT_LE(list->GetColumn(0)->GetWidth() + list->GetColumn(1)->GetWidth() + list->GetColumn(2)->GetWidth(), list->GetClientSize().x);
}

// The "&Help" menu: "&Manual" opens the README the package installed in the tree above the host
// (multiarch or not), the web page for a build that is not installed; "&About" is there.
TEST_F(MainFrameTest, HelpMenuOpensTheInstalledManual)
{
    ScratchFolder tree;
    for (const char* folder : {"/lib/x86_64-linux-gnu/solvane", "/share/doc/solvane"})
        ASSERT_TRUE(wxFileName::Mkdir(tree.path + folder, 0700, wxPATH_MKDIR_FULL));
    const wxString web = "https://solvane.example.org/";
    EXPECT_EQ(web, ManualAddress(tree.path + "/lib/x86_64-linux-gnu/solvane"));
    tree.Write("share/doc/solvane/README.md", "# Solvane\n");
    for (const char* host : {"/lib/x86_64-linux-gnu/solvane", "/lib/solvane"})
        EXPECT_EQ("file://" + tree.path + "/share/doc/solvane/README.md", ManualAddress(tree.path + host)) << host;
    EXPECT_EQ(web, ManualAddress("/"));

    MainFrame* main = Open();
    const int help = main->GetMenuBar()->FindMenu("Help");
    ASSERT_NE(wxNOT_FOUND, help);
    EXPECT_TRUE(main->GetMenuBar()->GetMenu(help)->FindItem(ID_MANUAL));
    EXPECT_TRUE(main->GetMenuBar()->GetMenu(help)->FindItem(wxID_ABOUT));
    ExitBy([&] { wxQueueEvent(main, new wxCommandEvent(wxEVT_MENU, wxID_EXIT)); });
}

// No notification area, no icon (GTK would warn), until one starts; minimising hides the window
// only while its icon can bring it back; "&Open" from the icon brings it back restored, not to be
// mapped minimised again. (Clicks on the icon show in the end-to-end run, on a real tray.)
TEST_F(MainFrameTest, MinimisingHidesOnlyWhileTheIconCanBringTheWindowBack)
{
    const char* const title = "Solvane LoginChecker";
    // A notification area, an icon in it (and so the window hides when minimised).
    for (const auto& [tray, icon] : {std::pair(false, false), std::pair(true, false), std::pair(true, true)})
    {
        SCOPED_TRACE(testing::Message() << "tray " << tray << ", icon " << icon);
        Desktop desktop;
        if (tray)
            desktop.OpenTray();
        if (wxTaskBarIcon::IsAvailable() != tray)
            GTEST_SKIP() << "the stand-in notification area is " << (tray ? "not seen" : "not alone");
        MainFrame* main = Open();
        Settle();
        NotifyIcon* notify = main->GetNotifyIcon();
        if (tray && !icon)
            notify->RemoveIcon(); // as with a skin without the application's icon
        ASSERT_EQ(icon, notify->IsIconInstalled());

        desktop.Minimise(title);
        EXPECT_TRUE(PumpUntil([&] { return main->IsIconized(); }));
        Settle();
        EXPECT_EQ(!icon, main->IsShown());
        if (!tray)
        {
            // A panel started later gets the icon.
            desktop.OpenTray();
            EXPECT_TRUE(PumpUntil([&] { return notify->IsIconInstalled(); }));
        }
        if (icon)
        {
            wxCommandEvent open(wxEVT_MENU, wxID_OPEN);
            notify->ProcessEvent(open);
            EXPECT_TRUE(PumpUntil([&] { return main->IsShown(); }));
            Settle(); // what the toolkit asked of the window system is there
            EXPECT_EQ(NormalState, desktop.InitialState(title));
        }
        delete main;
        PumpUntil([] { return wxTopLevelWindows.empty(); });
    }
}

// Every way out ends the window within a second, the transfers under way with it: whether the
// refresh is waiting for its time or stalled on the server, with the server-failure box open
// (which must end with it, or the program would wait for somebody to answer it), and with the
// account dialog open (handled within its own loop, as the notification icon's "E&xit" would be),
// which sends no login check then. (A login check left unanswered is a client transfer, which
// the download thread's tests stop.)
TEST_F(MainFrameTest, EveryWayOutEndsWithinASecond)
{
    const auto exitLater = [](MainFrame* m) {
        wxTheApp->CallAfter([m] {
            wxCommandEvent exit(wxEVT_MENU, wxID_EXIT);
            m->GetNotifyIcon()->ProcessEvent(exit);
        });
    };
    // The path whose requests get no answer, whether dialogs stay up, and the way out.
    const std::tuple<const char*, const char*, bool, std::function<void(MainFrame*)>> ways[] = {
        {"menu", kListPath, false, [](MainFrame* m) { wxQueueEvent(m, new wxCommandEvent(wxEVT_MENU, wxID_EXIT)); }},
        {"close box", "", false, [](MainFrame* m) { m->Close(); }},
        {"tray menu, failure box open", kListPath, true,
         [&](MainFrame* m) {
             ShowServerFailureBox(
                 "Error", "Could not get response from server", [] { return true; }, [] {});
             exitLater(m);
         }},
        {"tray menu, account dialog open", "", true,
         [&](MainFrame* m) {
             wxQueueEvent(m, new wxCommandEvent(wxEVT_MENU, ID_UPDATE_FAVORITE));
             exitLater(m);
         }},
    };
    for (const auto& [name, stalled, show, command] : ways)
    {
        SCOPED_TRACE(name);
        sim.ClearFaults();
        sim.ClearRequests();
        if (*stalled)
            sim.SetFault(stalled, sitesim::Fault::NoAnswer);
        watcher.show = show;
        MainFrame* main = Open();
        ASSERT_TRUE(PumpUntil([&] { return CountRequests(kListPath) > 0; }));
        const auto start = steady_clock::now();
        ExitBy([&, &command = command] { command(main); });
        EXPECT_TRUE(DownloadThread::StopAll(TimeLimit(5000).count())); // as the module's exit does
        EXPECT_LT(steady_clock::now() - start, TimeLimit(1000));
        EXPECT_EQ(0u, CountRequests(kLoginPath));
    }
}
