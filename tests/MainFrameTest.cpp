// The main window on a virtual display: first run, stored settings, hiding, and every way out.
// (A list that comes before the first layout shows on GNOME's compositor, whose layout comes late.)
#include "ui/AllTreeCtrl.h"
#include "ui/FavoriteTreeCtrl.h"
#include "ui/NotifyIcon.h"
#include "ui/ServerFailureBox.h"

#include "WindowTest.h"

#include <wx/menu.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

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
    EXPECT_TRUE(PumpUntil([&] { return all->GetItemText(all->GetOnlineGroup()) == "Online (4)"; }));
    EXPECT_EQ(0u, main->GetFavoriteTreeCtrl()->GetCount());
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
}

// No notification area, no icon (GTK would warn), until one starts; minimising hides the window
// only while its icon can bring it back; "&Open" from the icon brings it back restored, not to be
// mapped minimised again. (Clicks on the icon show in the end-to-end run, on a real tray.)
TEST_F(MainFrameTest, MinimisingHidesOnlyWhileTheIconCanBringTheWindowBack)
{
    const struct
    {
        const char* name;
        bool tray, icon, hides;
    } cases[] = {{"no notification area", false, false, false},
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
        Settle();
        NotifyIcon* icon = main->GetNotifyIcon();
        if (c.tray && !c.icon)
            icon->RemoveIcon(); // as with a skin without the application's icon
        ASSERT_EQ(c.icon, icon->IsIconInstalled());

        desktop.Minimise(title);
        EXPECT_TRUE(PumpUntil([&] { return main->IsIconized(); }));
        Settle();
        EXPECT_EQ(!c.hides, main->IsShown());
        if (!c.tray)
        {
            // A panel started later gets the icon.
            desktop.OpenTray();
            EXPECT_TRUE(PumpUntil([&] { return icon->IsIconInstalled(); }));
        }
        if (c.hides)
        {
            wxCommandEvent open(wxEVT_MENU, wxID_OPEN);
            icon->ProcessEvent(open);
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
    const struct
    {
        const char* name;
        const char* stalled; // the path whose requests get no answer
        bool show;           // dialogs stay up
        std::function<void(MainFrame*)> command;
    } ways[] = {
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
    for (const auto& way : ways)
    {
        SCOPED_TRACE(way.name);
        sim.ClearFaults();
        sim.ClearRequests();
        if (*way.stalled)
            sim.SetFault(way.stalled, sitesim::Fault::NoAnswer);
        watcher.show = way.show;
        MainFrame* main = Open();
        ASSERT_TRUE(PumpUntil([&] { return CountRequests(kListPath) > 0; }));
        const auto start = steady_clock::now();
        ExitBy([&] { way.command(main); });
        EXPECT_TRUE(DownloadThread::StopAll(TimeLimit(5000).count())); // as the module's exit does
        EXPECT_LT(steady_clock::now() - start, TimeLimit(1000));
        EXPECT_EQ(0u, CountRequests(kLoginPath));
    }
}
