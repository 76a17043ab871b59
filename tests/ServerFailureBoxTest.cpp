// The tenth failed refresh on the polling thread: the box on the main thread, then the exit command.
#include "ui/ServerFailureBox.h"

#include "net/HttpGet.h"
#include "site/TaveloSite.h"
#include "util/Settings.h"

#include "SiteSim.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>
#include <wx/timer.h>

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
    struct Shown
    {
        bool onMainThread;
        wxString caption;
        wxString message;
        long style;
    };
    std::vector<Shown> shown;
    std::vector<std::string>* order = nullptr;

protected:
    int Enter(wxDialog* dialog) override
    {
        const wxMessageDialogBase* box = dynamic_cast<wxMessageDialogBase*>(dialog);
        shown.push_back({wxThread::IsMain(), box ? box->GetCaption() : wxString(),
                         box ? box->GetMessage() : wxString(), box ? box->GetMessageDialogStyle() : 0});
        order->push_back("box");
        return wxID_OK;
    }
    void Exit(wxDialog*) override {}
};
} // namespace

class ServerFailureBoxTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        HttpGet::GlobalInit();
        ASSERT_TRUE(sim.Start());
        sim.SetFault("/include/js/online_performers.js", sitesim::Fault::NotFound);
        Settings::WriteString("/Site/webserver", wxString::FromUTF8(sim.WebServer()));
        site.reset(new TaveloSite);
        InstallServerFailureBox();
        watcher.order = &order;
        watcher.Register();
        frame = new wxFrame(nullptr, wxID_ANY, "Solvane");
        wxTheApp->SetTopWindow(frame);
        frame->Bind(wxEVT_MENU, [this](wxCommandEvent&) {
            order.push_back("exit");
            loop.Exit();
        }, wxID_EXIT);
        guard.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { loop.Exit(); });
        guard.StartOnce(20000);
    }

    void TearDown() override
    {
        guard.Stop();
        watcher.Unregister();
        TaveloSite::SetFailureReporter(nullptr);
        TaveloSite::SetExitRequester(nullptr);
        Settings::DeleteEntry("/Site/webserver");
        wxTheApp->SetTopWindow(nullptr);
        delete frame;
    }

    sitesim::SiteSim sim;
    std::unique_ptr<TaveloSite> site;
    std::vector<std::string> order;
    BoxWatcher watcher;
    wxFrame* frame = nullptr;
    wxGUIEventLoop loop;
    wxTimer guard;
};

TEST_F(ServerFailureBoxTest, TheTenthFailureShowsTheBoxOnTheMainThreadThenExits)
{
    std::vector<int> results;
    std::thread poller([&] {
        for (int i = 0; i < 10; ++i)
            results.push_back(site->UpdateUserList());
    });
    loop.Run();
    poller.join();

    EXPECT_EQ(std::vector<int>(10, 0), results);
    EXPECT_EQ((std::vector<std::string>{"box", "exit"}), order);
    ASSERT_EQ(1u, watcher.shown.size());
    EXPECT_TRUE(watcher.shown[0].onMainThread);
    EXPECT_EQ("Error", watcher.shown[0].caption);
    EXPECT_EQ("Could not get response from server\nPlease execute it after a while.", watcher.shown[0].message);
    EXPECT_TRUE(watcher.shown[0].style & wxICON_ERROR);
    EXPECT_TRUE(watcher.shown[0].style & wxOK);
}

// The program closes before the main thread got to the box: it never appears, so nothing holds
// up the exit, and no second exit command follows.
TEST_F(ServerFailureBoxTest, ABoxNotYetShownWhenTheProgramClosesIsDropped)
{
    std::promise<void> handedOver;
    TaveloSite::SetFailureReporter([&](const wxString& caption, const wxString& message,
                                       std::function<bool()> waited, std::function<void()> closed) {
        ShowServerFailureBox(caption, message, waited, closed);
        handedOver.set_value();
    });
    std::atomic<bool> stop{false};
    site->SetStopHook([&] { return stop.load(); });
    std::thread poller([&] {
        for (int i = 0; i < 10; ++i)
            site->UpdateUserList();
    });
    // The tenth failure has handed the box to the main thread, which is not looking yet.
    ASSERT_EQ(std::future_status::ready, handedOver.get_future().wait_for(std::chrono::seconds(10)));
    stop = true;
    poller.join();
    // Whatever the refresh handed over runs before this.
    wxTheApp->CallAfter([this] { loop.Exit(); });
    loop.Run();

    EXPECT_TRUE(order.empty());
    site->SetStopHook(nullptr);
}
