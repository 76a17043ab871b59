// The failure box that the refresh hands over from the polling thread, and the exit command after it.
#include "ui/ServerFailureBox.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>
#include <wx/splash.h>

#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace
{
// Answers every modal dialog at once with OK and notes what it showed, and on which thread.
class BoxWatcher : public wxModalDialogHook
{
public:
    std::vector<std::string> seen;

protected:
    int Enter(wxDialog* dialog) override
    {
        const auto* box = dynamic_cast<wxMessageDialogBase*>(dialog);
        seen.push_back(std::string(wxThread::IsMain() ? "main: " : "worker: ") +
                       (box ? box->GetCaption() + "|" + box->GetMessage() : "not a box").utf8_string());
        return wxID_OK;
    }
    void Exit(wxDialog*) override {}
};
} // namespace

// The box belongs to the main thread; it is dropped once the refresh stopped waiting for it (the
// program is closing) or the main window is going, where it would hold up the exit.
TEST(ServerFailureBox, ComesOnTheMainThreadUnlessTheProgramIsClosing)
{
    BoxWatcher watcher;
    watcher.Register();
    // Whether the refresh still waits, whether the main window is going, and what shows.
    const std::tuple<bool, bool, std::vector<std::string>> cases[] = {
        {true, false, {"main: Error|No reply", "closed"}}, {false, false, {"closed"}}, {true, true, {"closed"}}};
    for (const auto& [waited, going, seen] : cases)
    {
        SCOPED_TRACE(testing::Message() << "waited " << waited << ", going " << going);
        watcher.seen.clear();
        auto* main = new wxFrame(nullptr, wxID_ANY, "Solvane");
        if (going)
            main->Destroy();
        std::thread([&, waited = waited] {
            ShowServerFailureBox(
                "Error", "No reply", [waited] { return waited; },
                [&] { watcher.seen.push_back(wxThread::IsMain() ? "closed" : "closed on the worker"); });
        }).join();
        wxTheApp->ProcessPendingEvents(); // what the worker handed over
        EXPECT_EQ(seen, watcher.seen);
        delete main;
    }
    watcher.Unregister();
}

// The exit command goes to the main window, not to the splash screen in front of it during the
// first seconds, and nowhere once the main window is going.
TEST(ServerFailureBox, ExitGoesToTheMainWindow)
{
    for (const int state : {0, 1, 2, 3})
    {
        const bool splashFirst = state & 1, going = state & 2;
        SCOPED_TRACE(testing::Message() << "splash " << splashFirst << ", going " << going);
        wxSplashScreen* splash = nullptr;
        if (splashFirst)
            splash = new wxSplashScreen(wxBitmap(40, 30), wxSPLASH_CENTRE_ON_SCREEN | wxSPLASH_NO_TIMEOUT, 0, nullptr,
                                        wxID_ANY);
        auto* main = new wxFrame(nullptr, wxID_ANY, "Solvane");
        bool exited = false;
        main->Bind(
            wxEVT_MENU, [&](wxCommandEvent&) { exited = true; }, wxID_EXIT);
        EXPECT_EQ(splash ? static_cast<wxWindow*>(splash) : main, wxTheApp->GetTopWindow());
        if (going)
            main->Destroy();
        PostExitToTopWindow();
        wxTheApp->ProcessPendingEvents();
        EXPECT_EQ(!going, exited);
        delete main;
        delete splash;
    }
}
