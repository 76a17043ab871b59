// The main window on a virtual display: first run, stored settings, hiding, and every way out.
#include "site/Site.h"
#include "ui/AllTreeCtrl.h"
#include "ui/FavoriteTreeCtrl.h"
#include "ui/MainFrame.h"
#include "ui/NotifyIcon.h"
#include "ui/ServerFailureBox.h"
#include "util/Settings.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/icon.h>
#include <wx/menu.h>
#include <wx/notebook.h>
#include <wx/weakref.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace std::chrono;

namespace
{
// A site whose refreshes the test scripts: a fixed list, or a refresh that hangs until the
// polling thread is told to stop (a stalled server).
class ScriptedSite : public Site
{
public:
    int UpdateUserList() override
    {
        ++refreshes;
        if (stall)
        {
            while (!IsStopRequested())
                std::this_thread::sleep_for(milliseconds(5));
            return 0;
        }
        SetUserList(list);
        return 10000;
    }
    bool OnInit() override { return true; }
    void OnExit() override {}

    UserList list;
    std::atomic<bool> stall{false};
    std::atomic<int> refreshes{0};
};

// Runs the toolkit's loop until the condition holds or the time is up.
bool PumpUntil(const std::function<bool()>& done, milliseconds limit = milliseconds(3000))
{
    const auto end = steady_clock::now() + limit;
    while (!done())
    {
        if (steady_clock::now() > end)
            return false;
        wxTheApp->ProcessPendingEvents();
        wxYield();
        std::this_thread::sleep_for(milliseconds(2));
    }
    return true;
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

void ClearStore()
{
    for (const char* key : {"/MainFrame/x", "/MainFrame/y", "/MainFrame/width", "/MainFrame/height",
                            "/PopupDialog/onlyFavorite", "/favorites"})
        Settings::DeleteEntry(key);
}

class MainFrameTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ClearStore();
        site.list.AddUser(User("anna", 0x03));
        site.list.AddUser(User("bert", 0x0D));
    }

    void TearDown() override
    {
        if (frame)
            delete frame.get();
        PumpUntil([] { return wxTopLevelWindows.empty(); });
    }

    MainFrame* Open()
    {
        auto* created = new MainFrame;
        frame = created;
        return created;
    }

    // Sends a command and reports how long the frame took to go away.
    milliseconds ExitBy(const std::function<void()>& command)
    {
        const auto start = steady_clock::now();
        command();
        EXPECT_TRUE(PumpUntil([this] { return !frame; }));
        return duration_cast<milliseconds>(steady_clock::now() - start);
    }

    ScriptedSite site;
    wxWeakRef<MainFrame> frame;
};
} // namespace

TEST_F(MainFrameTest, FirstRunOpensWithDefaultsAndFillsTheAllTree)
{
    MainFrame* main = Open();
    EXPECT_TRUE(main->IsShown());
    EXPECT_EQ("Solvane LoginChecker", main->GetTitle());
    EXPECT_EQ(wxSize(240, 480), main->GetSize());
    ASSERT_EQ(2u, main->GetNotebook()->GetPageCount());
    EXPECT_EQ("All", main->GetNotebook()->GetPageText(0));
    EXPECT_EQ("Favorite", main->GetNotebook()->GetPageText(1));
    EXPECT_EQ(0, main->GetNotebook()->GetSelection());
    EXPECT_FALSE(main->GetNotebook()->GetPage(1)->IsEnabled());

    wxMenuBar* menus = main->GetMenuBar();
    ASSERT_EQ(2u, menus->GetMenuCount());
    EXPECT_EQ("&File", menus->GetMenuLabel(0));
    EXPECT_EQ("&Tool", menus->GetMenuLabel(1));
    EXPECT_TRUE(menus->FindItem(wxID_EXIT));
    EXPECT_TRUE(menus->IsEnabled(ID_UPDATE_FAVORITE));
    EXPECT_FALSE(menus->IsChecked(ID_POPUP_ONLY_FAVORITE));
    EXPECT_FALSE(menus->IsEnabled(ID_POPUP_ONLY_FAVORITE));

    AllTreeCtrl* all = main->GetAllTreeCtrl();
    EXPECT_TRUE(PumpUntil([&] { return all->GetItemText(all->GetOnlineGroup()) == "Online (2)"; }))
        << all->GetItemText(all->GetOnlineGroup());
    // The favourites tree hears nothing before a login.
    EXPECT_EQ(0u, main->GetFavoriteTreeCtrl()->GetCount());
}

TEST_F(MainFrameTest, StoredSettingsAreRestoredAndTheGeometryIsSavedAtExit)
{
    Settings::WriteLong("/MainFrame/x", 130);
    Settings::WriteLong("/MainFrame/y", 70);
    Settings::WriteLong("/MainFrame/width", 300);
    Settings::WriteLong("/MainFrame/height", 420);
    Settings::WriteBool("/PopupDialog/onlyFavorite", true);
    Settings::WriteString("/favorites", "anna\n");
    MainFrame* main = Open();
    PumpUntil([&] { return main->GetPosition() == wxPoint(130, 70); }, milliseconds(1000));
    EXPECT_EQ(wxPoint(130, 70), main->GetPosition());
    EXPECT_EQ(wxSize(300, 420), main->GetSize());
    // Checked from the store, still disabled until a login.
    EXPECT_TRUE(main->GetMenuBar()->IsChecked(ID_POPUP_ONLY_FAVORITE));
    EXPECT_FALSE(main->GetMenuBar()->IsEnabled(ID_POPUP_ONLY_FAVORITE));

    // Toggling writes at once.
    wxCommandEvent toggle(wxEVT_MENU, ID_POPUP_ONLY_FAVORITE);
    toggle.SetInt(0);
    main->GetEventHandler()->ProcessEvent(toggle);
    EXPECT_FALSE(Settings::ReadBool("/PopupDialog/onlyFavorite", true));
    toggle.SetInt(1);
    main->GetEventHandler()->ProcessEvent(toggle);
    EXPECT_TRUE(Settings::ReadBool("/PopupDialog/onlyFavorite", false));

    main->SetSize(110, 90, 260, 380);
    PumpUntil([&] { return main->GetPosition() == wxPoint(110, 90); }, milliseconds(1000));
    ExitBy([&] { wxQueueEvent(main, new wxCommandEvent(wxEVT_MENU, wxID_EXIT)); });
    EXPECT_EQ(110, Settings::ReadLong("/MainFrame/x", -5));
    EXPECT_EQ(90, Settings::ReadLong("/MainFrame/y", -5));
    EXPECT_EQ(260, Settings::ReadLong("/MainFrame/width", -5));
    EXPECT_EQ(380, Settings::ReadLong("/MainFrame/height", -5));
    EXPECT_FALSE(Settings::HasEntry("/favorites"));
}

// Minimising hides the window only while its icon can bring it back; "&Open" from the icon then
// brings it back restored, not to be mapped minimised again.
TEST_F(MainFrameTest, MinimisingHidesOnlyWhileTheIconCanBringTheWindowBack)
{
    const struct
    {
        const char* name;
        bool tray, icon, hides;
    } cases[] = {{"no notification area", false, true, false},
                 {"no icon installed", true, false, false},
                 {"icon in a notification area", true, true, true}};
    const char* const title = "Solvane LoginChecker";
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        Desktop desktop;
        if (c.tray)
            desktop.OpenTray();
        MainFrame* main = Open();
        PumpUntil([] { return false; }, milliseconds(300)); // mapped
        NotifyIcon* icon = main->GetNotifyIcon();
        wxIcon picture;
        picture.CopyFromBitmap(wxBitmap(16, 16));
        if (c.icon)
            icon->SetIcon(picture);
        ASSERT_EQ(c.icon, icon->IsIconInstalled());
        ASSERT_EQ(c.tray, wxTaskBarIcon::IsAvailable());

        desktop.Minimise(title);
        EXPECT_TRUE(PumpUntil([&] { return main->IsIconized(); }));
        PumpUntil([] { return false; }, milliseconds(100));
        EXPECT_EQ(!c.hides, main->IsShown());
        if (c.hides)
        {
            wxCommandEvent open(wxEVT_MENU, wxID_OPEN);
            icon->ProcessEvent(open);
            EXPECT_TRUE(PumpUntil([&] { return main->IsShown(); }));
            EXPECT_EQ(NormalState, desktop.InitialState(title));
        }
        delete main;
        PumpUntil([] { return wxTopLevelWindows.empty(); });
    }
}

TEST_F(MainFrameTest, DoubleClickOnTheIconTogglesTheWindow)
{
    MainFrame* main = Open();
    // Let the window system map the frame first: a late map notice would mark it shown again.
    PumpUntil([] { return false; }, milliseconds(300));
    NotifyIcon* icon = main->GetNotifyIcon();
    ASSERT_NE(nullptr, icon);
    wxTaskBarIconEvent click(wxEVT_TASKBAR_LEFT_DCLICK, icon);
    icon->ProcessEvent(click);
    // Two queue passes: the icon's, then the frame's.
    EXPECT_TRUE(PumpUntil([&] { return !main->IsShown(); }));
    icon->ProcessEvent(click);
    EXPECT_TRUE(PumpUntil([&] { return main->IsShown(); }));
}

TEST_F(MainFrameTest, EveryWayOutEndsWithinASecondEvenWithAStalledRefresh)
{
    struct Way
    {
        const char* name;
        std::function<void(MainFrame*)> command;
    };
    const Way ways[] = {
        {"menu", [](MainFrame* m) { wxQueueEvent(m, new wxCommandEvent(wxEVT_MENU, wxID_EXIT)); }},
        {"tray menu",
         [](MainFrame* m) {
             wxCommandEvent exit(wxEVT_MENU, wxID_EXIT);
             m->GetNotifyIcon()->ProcessEvent(exit);
         }},
        {"close box", [](MainFrame* m) { m->Close(); }},
    };
    for (bool stalled : {false, true})
    {
        for (const Way& way : ways)
        {
            SCOPED_TRACE(std::string(way.name) + (stalled ? ", stalled" : ""));
            site.stall = stalled;
            site.refreshes = 0;
            Settings::WriteString("/favorites", "x");
            MainFrame* main = Open();
            ASSERT_TRUE(PumpUntil([&] { return site.refreshes > 0; }));
            const milliseconds took = ExitBy([&] { way.command(main); });
            EXPECT_LT(took.count(), 1000);
            EXPECT_FALSE(Settings::HasEntry("/favorites"));
        }
    }
}

// The server-failure box is modal: an exit while it is open (here from the tray) must end it
// too, or the program would wait for somebody to answer it.
TEST_F(MainFrameTest, AnExitWhileTheFailureBoxIsOpenEndsTheBoxToo)
{
    MainFrame* main = Open();
    bool boxEnded = false;
    const auto start = steady_clock::now();
    ShowServerFailureBox("Error", "Could not get response from server", [] { return true; },
                         [&] { boxEnded = true; });
    wxTheApp->CallAfter([main] {
        wxCommandEvent exit(wxEVT_MENU, wxID_EXIT);
        main->GetNotifyIcon()->ProcessEvent(exit);
    });
    EXPECT_TRUE(PumpUntil([&] { return boxEnded && !frame; }));
    EXPECT_LT(duration_cast<milliseconds>(steady_clock::now() - start).count(), 1000);
}
