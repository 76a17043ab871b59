// The tenth failed refresh on the polling thread: the box on the main thread, then the exit command.
#include "ui/ServerFailureBox.h"

#include "net/HttpGet.h"
#include "site/TaveloSite.h"
#include "util/Settings.h"

#include "SiteSim.h"
#include "TestGuiServices.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/splash.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace
{
// Answers every modal dialog at once with OK and notes what it showed, and where.
class BoxWatcher : public wxModalDialogHook
{
public:
    std::vector<std::string> order;

protected:
    int Enter(wxDialog* dialog) override
    {
        const auto* box = dynamic_cast<wxMessageDialogBase*>(dialog);
        order.push_back(std::string(wxThread::IsMain() ? "main: " : "worker: ") +
                        (box ? box->GetCaption() + "|" + box->GetMessage() : "not a box").utf8_string());
        return wxID_OK;
    }
    void Exit(wxDialog*) override {}
};

class ServerFailureBoxTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        HttpGet::GlobalInit();
        ASSERT_TRUE(sim.Start());
        sim.SetFault("/include/js/online_performers.js", sitesim::Fault::NotFound);
        Settings::WriteString("/Site/webserver", wxString::FromUTF8(sim.WebServer()));
        gui.showServerFailure = &ShowServerFailureBox;
        gui.requestExit = &PostExitToTopWindow;
        watcher.Register();
        wxTheApp->SetTopWindow(frame);
        frame->Bind(wxEVT_MENU, [this](wxCommandEvent&) { watcher.order.push_back("exit"); }, wxID_EXIT);
    }

    void TearDown() override
    {
        watcher.Unregister();
        wxTheApp->SetTopWindow(nullptr);
        delete frame;
    }

    // The box as installed, with a note of the moment the refresh has handed it over.
    std::future<void> WatchHandOver()
    {
        auto handedOver = std::make_shared<std::promise<void>>();
        gui.showServerFailure = [handedOver](const wxString& caption, const wxString& message,
                                                    std::function<bool()> waited, std::function<void()> closed) {
            ShowServerFailureBox(caption, message, waited, closed);
            handedOver->set_value();
        };
        return handedOver->get_future();
    }

    sitesim::SiteSim sim;
    TestGuiServices gui;
    TaveloSite site;
    BoxWatcher watcher;
    wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "Solvane");
};
} // namespace

TEST_F(ServerFailureBoxTest, TheBoxComesOnTheMainThreadThenTheExitUnlessTheProgramStopsFirst)
{
    // Ten failed refreshes on a thread of their own, as the polling thread makes them, while the
    // main thread handles what they hand over.
    std::atomic<bool> done{false};
    std::thread poller([&] {
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(0, site.UpdateUserList());
        done = true;
    });
    while (!done)
        wxTheApp->ProcessPendingEvents();
    poller.join();
    wxTheApp->ProcessPendingEvents();
    EXPECT_EQ((std::vector<std::string>{"main: Error|Could not get response from server\n"
                                        "Please execute it after a while.",
                                        "exit"}),
              watcher.order);

    // The next failure reports again, but the program closes before the main thread gets to the
    // box: it never appears, so nothing holds up the exit, and no exit command follows.
    watcher.order.clear();
    std::future<void> handedOver = WatchHandOver();
    std::atomic<bool> stop{false};
    site.SetStopHook([&] { return stop.load(); });
    std::thread eleventh([&] { EXPECT_EQ(0, site.UpdateUserList()); });
    const bool handed = handedOver.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    stop = true;
    eleventh.join();
    EXPECT_TRUE(handed);
    wxTheApp->ProcessPendingEvents(); // whatever the refresh handed over
    EXPECT_TRUE(watcher.order.empty());
}

// The program is closing (its main window is going) when the box's turn comes: no box holds up
// the exit, the refresh goes on at once, and its exit command finds no window to go to.
TEST_F(ServerFailureBoxTest, NoBoxOnceTheMainWindowIsGoing)
{
    std::future<void> handedOver = WatchHandOver();
    std::atomic<bool> done{false};
    std::thread poller([&] {
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(0, site.UpdateUserList());
        done = true;
    });
    ASSERT_EQ(std::future_status::ready, handedOver.wait_for(std::chrono::seconds(10)));
    frame->Destroy();
    const auto start = std::chrono::steady_clock::now();
    while (!done && std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
        wxTheApp->ProcessPendingEvents();
    poller.join();
    wxTheApp->ProcessPendingEvents();
    EXPECT_TRUE(watcher.order.empty());
}

// Answered during the first seconds, the box's exit must reach the main window, not the splash
// screen in front of it.
TEST(ServerFailureExit, GoesToTheMainWindowWhileTheSplashIsUp)
{
    wxBitmap picture(40, 30);
    auto* splash = new wxSplashScreen(picture, wxSPLASH_CENTRE_ON_SCREEN | wxSPLASH_NO_TIMEOUT, 0,
                                      nullptr, wxID_ANY);
    auto* main = new wxFrame(nullptr, wxID_ANY, "Solvane");
    bool exited = false;
    main->Bind(wxEVT_MENU, [&](wxCommandEvent&) { exited = true; }, wxID_EXIT);
    ASSERT_EQ(splash, wxTheApp->GetTopWindow());
    PostExitToTopWindow();
    wxTheApp->ProcessPendingEvents();
    EXPECT_TRUE(exited);
    delete main;
    delete splash;
}
