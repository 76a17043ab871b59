// The refresh against the simulated site: the list, the interval, failures, the report, stops.
#include "site/TaveloSite.h"

#include "net/HttpGet.h"
#include "site/PerformerListParser.h"
#include "util/Settings.h"

#include "Gzip.h"
#include "RequestReader.h"
#include "SiteSim.h"
#include "TestGuiServices.h"
#include "UserStatuses.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

using namespace std::chrono;
using sitesim::Fault;

namespace
{
const char* const kListPath = "/include/js/online_performers.js";
const Statuses kTypical{{"AmberRose07", 0x03}, {"Luna_Star", 0x0D}, {"MissKitty42", 0x15}, {"sweetpeach", 0x01}};

class UpdateUserListTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { HttpGet::GlobalInit(); }

    void SetUp() override
    {
        ASSERT_TRUE(sim.Start());
        Settings::WriteString("/Site/webserver", wxString::FromUTF8(sim.WebServer()));
        Settings::DeleteEntry("/System/syncinterval");
        // Stands in for the box: closes it at once, unless the test holds it to close it (or not)
        // on its own thread.
        gui.showServerFailure = [this](const wxString& caption, const wxString& message, const StopToken& waited) {
            events.push_back("report: " + caption + ": " + message);
            if (std::exchange(holdBox, false))
            {
                shown.set_value(waited);
                boxClosed.get_future().wait();
            }
            return true;
        };
        gui.requestExit = [this] { events.push_back("exit"); };
        site.SetStopToken(stop);
    }

    // A fresh stop token, as the next run of the polling thread brings.
    void Restart() { site.SetStopToken(stop = StopToken()); }

    void Serve(const std::string& file)
    {
        ASSERT_TRUE(sim.SetPerformerListFromFile(std::string(SOLVANE_TEST_DATA) + "/performers/" + file));
        sim.SetFault(kListPath, Fault::None);
    }

    // Fails the refresh `count` times in the ways a site can fail, each silently: a redirect is
    // no list, a list that never ends is cut off at its limit, one that is small on the wire but
    // unpacks past the limit is too, and one of more performers than the program takes is none.
    void FailSilently(int count)
    {
        const Fault faults[] = {Fault::NotFound,    Fault::ServerError, Fault::Refuse, Fault::Garbage,
                                Fault::DropMidBody, Fault::Redirect,    Fault::Endless};
        static const std::string unpacksPastTheLimit(33 << 20, 'x');
        for (int i = 0; i < count; ++i)
        {
            const size_t kind = static_cast<size_t>(i) % (std::size(faults) + 2);
            const Fault fault = kind < std::size(faults) ? faults[kind] : Fault::None;
            SCOPED_TRACE(kind < std::size(faults) ? sitesim::FaultName(fault) : "list");
            sim.SetFault(kListPath, fault);
            if (kind == std::size(faults))
                sim.SetPerformerList(unpacksPastTheLimit);
            else if (kind > std::size(faults))
                sim.UseGeneratedList(PerformerListParser::kMaxPerformers + 1, false);
            EXPECT_EQ(0, site.UpdateUserList());
            EXPECT_TRUE(events.empty());
        }
    }

    // Counts the parse's pauses instead of sleeping them; onPause runs at each.
    struct CountingSite : TaveloSite
    {
        void Pause(int milliseconds) override
        {
            ++pauses;
            paused += milliseconds;
            if (onPause)
                onPause();
        }
        int pauses = 0, paused = 0;
        std::function<void()> onPause;
    };

    sitesim::SiteSim sim;
    TestGuiServices gui;
    CountingSite site;
    StopToken stop;
    // Written on the refreshing thread, read after a future or promise handed over.
    std::vector<wxString> events;
    bool holdBox = false;
    std::promise<StopToken> shown;
    std::promise<void> boxClosed;
};
} // namespace

// A list replaces the one before, an empty one too (every user disappears); the interval comes
// from the settings, 0 giving the default, as 0 would read as a failure and the polling thread
// would refresh at once. The parse of 10,000 performers pauses now and then, but all its pauses
// stay a small share of the interval, even a short one.
TEST_F(UpdateUserListTest, SuccessReplacesTheListAndReturnsTheIntervalWithBoundedPauses)
{
    // The file (null: 10,000 generated performers), the interval's entry (null: none), the result,
    // and the users then.
    const std::tuple<const char*, const char*, int, size_t> cases[] = {{"typical.js", nullptr, 10000, 4},
                                                                       {"empty.js", "0", 10000, 0},
                                                                       {nullptr, "10", 10000, 10000},
                                                                       {nullptr, "1", 1000, 10000}};
    for (const auto& [file, interval, expected, users] : cases)
    {
        SCOPED_TRACE(std::string(file ? file : "10,000") + " " + (interval ? interval : "-"));
        if (interval)
            Settings::WriteString("/System/syncinterval", interval);
        file ? Serve(file) : sim.UseGeneratedList(10000, false);
        site.pauses = site.paused = 0;
        const UserList before = site.GetUserList();
        EXPECT_EQ(expected, site.UpdateUserList());
        const UserList after = site.GetUserList();
        EXPECT_EQ(users, after.GetCount());
        // The same 10,000 again: each keeps the name object of the list before.
        if (!file && before.GetCount() == users)
        {
            for (const auto& entry : after)
                ASSERT_EQ(&before.GetUser(entry.first).GetName(), &entry.first);
        }
        EXPECT_TRUE(file || (site.pauses >= 10 && site.paused <= expected / 10)) << site.paused << " ms";
    }
    EXPECT_TRUE(events.empty());
    // The list is asked for compressed.
    const sitesim::Request last = sim.Requests().back();
    const std::string* accepted = sitesim::RequestReader::FindHeader(last, "Accept-Encoding");
    EXPECT_TRUE(accepted && sitesim::AcceptsGzip(*accepted));
}

// Nine failures in a row are silent, a success starts the count afresh; a stop request ends a
// transfer or the parse at once, and neither counts as a failure (the parse, abandoned, leaves the
// list as it was); the tenth failure reports, and asks to exit only once the user has closed the
// box on another thread. (A stop request ending the wait for the box shows in the failure box's
// own tests, how soon it ends a transfer in the download thread's.)
TEST_F(UpdateUserListTest, TheTenthFailureInARowReportsThenAsksToExitOnceTheBoxIsClosed)
{
    FailSilently(9);
    Serve("typical.js");
    EXPECT_EQ(10000, site.UpdateUserList());
    FailSilently(9);
    EXPECT_EQ(kTypical, StatusesOf(site.GetUserList()));

    sim.SetFault(kListPath, Fault::NoAnswer);
    sim.ClearRequests();
    std::future<int> stalled = std::async(std::launch::async, [this] { return site.UpdateUserList(); });
    ASSERT_TRUE(sim.WaitForRequests(1, 10000));
    stop.RequestStop();
    ASSERT_EQ(std::future_status::ready, stalled.wait_for(seconds(10)));
    EXPECT_EQ(0, stalled.get());
    Restart();
    sim.SetFault(kListPath, Fault::None);
    sim.UseGeneratedList(10000, false);
    site.onPause = [this] { stop.RequestStop(); };
    EXPECT_EQ(0, site.UpdateUserList());
    EXPECT_EQ(kTypical, StatusesOf(site.GetUserList()));
    EXPECT_TRUE(events.empty());

    Restart();
    sim.SetFault(kListPath, Fault::NotFound);
    holdBox = true;
    std::future<int> refresh = std::async(std::launch::async, [this] { return site.UpdateUserList(); });
    auto box = shown.get_future();
    ASSERT_EQ(std::future_status::ready, box.wait_for(seconds(10)));
    EXPECT_EQ(std::future_status::timeout, refresh.wait_for(milliseconds(100)));
    EXPECT_FALSE(box.get().IsStopRequested());
    // The server is named, so that a wrong one shows.
    EXPECT_EQ(std::vector<wxString>{"report: Error: Could not get response from server\nPlease execute it after a "
                                    "while.\n\nServer: " + wxString::FromUTF8(sim.WebServer())},
              events);
    boxClosed.set_value();
    ASSERT_EQ(std::future_status::ready, refresh.wait_for(seconds(10)));
    EXPECT_EQ(0, refresh.get());
    EXPECT_EQ("exit", events.back());
}

// A site that drips the list never stalls for long, yet the list must arrive whole within a
// minute (three intervals when they are longer): then the refresh fails as a refused one does.
TEST_F(UpdateUserListTest, AListDrippedByteByByteFailsAtItsOverallLimit)
{
    Settings::WriteString("/System/syncinterval", "1");
    sim.UseGeneratedList(10000, false); // some 400 KB: hours at a byte every 50 ms
    sim.SetFault(kListPath, Fault::SlowDrip);
    const auto start = steady_clock::now();
    std::future<int> refresh = std::async(std::launch::async, [this] { return site.UpdateUserList(); });
    ASSERT_EQ(std::future_status::ready, refresh.wait_for(seconds(75)));
    EXPECT_EQ(0, refresh.get());
    EXPECT_GE(steady_clock::now() - start, seconds(59));
    EXPECT_TRUE(events.empty());
}
