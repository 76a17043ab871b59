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
#include <wx/weakref.h>

#include <atomic>
#include <chrono>
#include <functional>
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
        while (stall && !IsStopRequested())
            std::this_thread::sleep_for(5ms);
        SetUserList(list);
        return stall ? 0 : 10000;
    }
    bool OnInit() override { return true; }
    void OnExit() override {}

    UserList list;
    std::atomic<bool> stall{false};
    std::atomic<int> refreshes{0};
};

bool PumpUntil(const std::function<bool()>& done, milliseconds limit = 10s)
{
    for (const auto end = steady_clock::now() + limit; !done(); std::this_thread::sleep_for(2ms))
    {
        if (steady_clock::now() > end)
            return false;
        wxYield();
    }
    return true;
}

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

class MainFrameTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* key : {"/MainFrame/x", "/MainFrame/y", "/MainFrame/width", "/MainFrame/height",
                                "/PopupDialog/onlyFavorite", "/favorites"})
            Settings::DeleteEntry(key);
        site.list.AddUser(User("anna", 0x03));
        site.list.AddUser(User("bert", 0x0D));
    }

    void TearDown() override
    {
        delete frame.get();
        PumpUntil([] { return wxTopLevelWindows.empty(); });
    }

    MainFrame* Open()
    {
        frame = new MainFrame;
        Settle();
        return frame;
    }

    // Sends a command; how long the frame took to go away.
    long ExitBy(const std::function<void()>& command)
    {
        const auto start = steady_clock::now();
        command();
        EXPECT_TRUE(PumpUntil([this] { return !frame; }));
        return static_cast<long>(duration_cast<milliseconds>(steady_clock::now() - start).count());
    }

    ScriptedSite site;
    wxWeakRef<MainFrame> frame;
};
} // namespace

// Before a login the filter item is off and the favourites tree hears nothing, while the All
// tree fills; the window comes back where it was, the filter item as it was left, and
// "/favorites" never outlives the run.
TEST_F(MainFrameTest, FirstRunThenTheStoredSettingsAtTheNextStart)
{
    MainFrame* main = Open();
    EXPECT_FALSE(main->GetMenuBar()->IsChecked(ID_POPUP_ONLY_FAVORITE));
    EXPECT_FALSE(main->GetMenuBar()->IsEnabled(ID_POPUP_ONLY_FAVORITE));
    AllTreeCtrl* all = main->GetAllTreeCtrl();
    EXPECT_TRUE(PumpUntil([&] { return all->GetItemText(all->GetOnlineGroup()) == "Online (2)"; }));
    EXPECT_EQ(0u, main->GetFavoriteTreeCtrl()->GetCount());
    for (const int checked : {1, 0, 1}) // written at once
    {
        wxCommandEvent toggle(wxEVT_MENU, ID_POPUP_ONLY_FAVORITE);
        toggle.SetInt(checked);
        main->GetEventHandler()->ProcessEvent(toggle);
        EXPECT_EQ(checked != 0, Settings::ReadBool("/PopupDialog/onlyFavorite", !checked));
    }
    Settings::WriteString("/favorites", "anna,");
    main->SetSize(130, 70, 300, 420);
    PumpUntil([&] { return main->GetPosition() == wxPoint(130, 70); });
    ExitBy([&] { wxQueueEvent(main, new wxCommandEvent(wxEVT_MENU, wxID_EXIT)); });
    EXPECT_FALSE(Settings::HasEntry("/favorites"));

    main = Open();
    EXPECT_TRUE(PumpUntil([&] { return main->GetPosition() == wxPoint(130, 70); }));
    EXPECT_EQ(wxSize(300, 420), main->GetSize());
    EXPECT_TRUE(main->GetMenuBar()->IsChecked(ID_POPUP_ONLY_FAVORITE));
    EXPECT_FALSE(main->GetMenuBar()->IsEnabled(ID_POPUP_ONLY_FAVORITE));
}

// Minimising hides the window only while its icon can bring it back; "&Open" from the icon then
// brings it back restored, not to be mapped minimised again; a double click on the icon toggles it.
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
        if (wxTaskBarIcon::IsAvailable() != c.tray)
            GTEST_SKIP() << "the stand-in notification area is " << (c.tray ? "not seen" : "not alone");
        MainFrame* main = Open();
        NotifyIcon* icon = main->GetNotifyIcon();
        wxIcon picture;
        picture.CopyFromBitmap(wxBitmap(16, 16));
        if (c.icon)
            icon->SetIcon(picture);
        ASSERT_EQ(c.icon, icon->IsIconInstalled());

        desktop.Minimise(title);
        EXPECT_TRUE(PumpUntil([&] { return main->IsIconized(); }));
        Settle();
        EXPECT_EQ(!c.hides, main->IsShown());
        if (c.hides)
        {
            wxCommandEvent open(wxEVT_MENU, wxID_OPEN);
            icon->ProcessEvent(open);
            EXPECT_TRUE(PumpUntil([&] { return main->IsShown(); }));
            EXPECT_EQ(NormalState, desktop.InitialState(title));
            Settle();
            // Two queue passes each: the icon's, then the frame's.
            wxTaskBarIconEvent click(wxEVT_TASKBAR_LEFT_DCLICK, icon);
            icon->ProcessEvent(click);
            EXPECT_TRUE(PumpUntil([&] { return !main->IsShown(); }));
            icon->ProcessEvent(click);
            EXPECT_TRUE(PumpUntil([&] { return main->IsShown(); }));
        }
        delete main;
        PumpUntil([] { return wxTopLevelWindows.empty(); });
    }
}

// Every way out ends the window within a second, whether the refresh is waiting for its time or
// stalled on the server, and with the server-failure box open (which must end with it, or the
// program would wait for somebody to answer it).
TEST_F(MainFrameTest, EveryWayOutEndsWithinASecond)
{
    const struct
    {
        const char* name;
        bool stalled;
        std::function<void(MainFrame*)> command;
    } ways[] = {
        {"menu", true, [](MainFrame* m) { wxQueueEvent(m, new wxCommandEvent(wxEVT_MENU, wxID_EXIT)); }},
        {"close box", false, [](MainFrame* m) { m->Close(); }},
        {"tray menu, failure box open", true,
         [](MainFrame* m) {
             ShowServerFailureBox("Error", "Could not get response from server", [] { return true; }, [] {});
             wxTheApp->CallAfter([m] {
                 wxCommandEvent exit(wxEVT_MENU, wxID_EXIT);
                 m->GetNotifyIcon()->ProcessEvent(exit);
             });
         }},
    };
    for (const auto& way : ways)
    {
        SCOPED_TRACE(way.name);
        site.stall = way.stalled;
        site.refreshes = 0;
        MainFrame* main = Open();
        ASSERT_TRUE(PumpUntil([&] { return site.refreshes > 0; }));
        EXPECT_LT(ExitBy([&] { way.command(main); }), 1000);
    }
}
