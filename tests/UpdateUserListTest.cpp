// The refresh against the simulated site: the list, the interval, failures, the report, stops.
#include "site/TaveloSite.h"

#include "net/HttpGet.h"
#include "util/Settings.h"

#include "SiteSim.h"
#include "TestGuiServices.h"
#include "UserStatuses.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
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
        // Stands in for the box: closes it at once, from the refreshing thread, unless the test
        // holds it open to close it (or not) itself.
        gui.showServerFailure = [this](const wxString& caption, const wxString& message,
                                              std::function<bool()> waited, std::function<void()> closed) {
            events.push_back("report");
            boxes.push_back(caption + ": " + message);
            if (std::exchange(holdBox, false))
            {
                shown.set_value({std::move(waited), std::move(closed)});
                return;
            }
            EXPECT_TRUE(waited());
            closed();
        };
        gui.requestExit = [this] { events.push_back("exit"); };
        site.SetStopHook([this] { return stop.load(); });
    }

    void Serve(const std::string& file)
    {
        ASSERT_TRUE(sim.SetPerformerListFromFile(std::string(SOLVANE_TEST_DATA) + "/performers/" + file));
        sim.SetFault(kListPath, Fault::None);
    }

    // Fails the fetch `count` times in the ways a site can fail, each silently: a redirect is
    // no list, and a list that never ends is cut off at its limit.
    void FailSilently(int count)
    {
        const Fault faults[] = {Fault::NotFound, Fault::ServerError, Fault::Refuse,   Fault::Garbage,
                                Fault::DropMidBody, Fault::Redirect, Fault::Endless};
        for (int i = 0; i < count; ++i)
        {
            const Fault fault = faults[static_cast<size_t>(i) % std::size(faults)];
            SCOPED_TRACE(sitesim::FaultName(fault));
            sim.SetFault(kListPath, fault);
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
    std::atomic<bool> stop{false};
    // Written on the refreshing thread, read after a future or promise handed over.
    std::vector<std::string> events;
    std::vector<wxString> boxes;
    bool holdBox = false;
    std::promise<std::pair<std::function<bool()>, std::function<void()>>> shown;
};
} // namespace

TEST_F(UpdateUserListTest, SuccessReplacesTheListAndReturnsTheInterval)
{
    // 0: the default, as 0 would read as a failure and the polling thread would refresh at once.
    const struct
    {
        const char* file;
        const char* interval; // null: no entry
        int expected;
        Statuses users;
    } cases[] = {{"typical.js", nullptr, 10000, kTypical},
                 {"last-line-no-break.js", "20", 20000, {{"x", 0x15}}},
                 {"empty.js", "0", 10000, {}}}; // an empty list is a list: every user disappears
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.file) + " " + (c.interval ? c.interval : "-"));
        if (c.interval)
            Settings::WriteString("/System/syncinterval", c.interval);
        Serve(c.file);
        EXPECT_EQ(c.expected, site.UpdateUserList());
        EXPECT_EQ(c.users, StatusesOf(site.GetUserList()));
    }
    EXPECT_TRUE(events.empty());
}

TEST_F(UpdateUserListTest, NineFailuresAreSilentTheTenthReportsAndThenAsksToExit)
{
    FailSilently(9);
    Serve("typical.js");
    EXPECT_EQ(10000, site.UpdateUserList()); // restarts the count
    FailSilently(9);
    EXPECT_EQ(kTypical, StatusesOf(site.GetUserList()));

    EXPECT_EQ(0, site.UpdateUserList());
    EXPECT_EQ((std::vector<std::string>{"report", "exit"}), events);
    EXPECT_EQ(std::vector<wxString>{"Error: Could not get response from server\nPlease execute it after a while."},
              boxes);
}

// The exit request waits until the user has closed the box on another thread; a stop request
// (the program closing) ends the wait at once without it, and drops a box not shown yet.
TEST_F(UpdateUserListTest, TheTenthFailureWaitsForTheBoxUntilClosedOrStopped)
{
    for (bool stopping : {false, true})
    {
        SCOPED_TRACE(stopping ? "stopped" : "closed");
        events.clear();
        Serve("typical.js");
        EXPECT_EQ(10000, site.UpdateUserList()); // the count starts afresh
        FailSilently(9);
        holdBox = true;
        shown = decltype(shown)();
        std::future<int> refresh = std::async(std::launch::async, [this] { return site.UpdateUserList(); });
        auto box = shown.get_future();
        ASSERT_EQ(std::future_status::ready, box.wait_for(seconds(10)));
        auto [waited, closed] = box.get();
        EXPECT_EQ(std::future_status::timeout, refresh.wait_for(milliseconds(100)));
        EXPECT_TRUE(waited());
        EXPECT_EQ((std::vector<std::string>{"report"}), events);

        const auto asked = steady_clock::now();
        if (stopping)
            stop = true;
        else
            std::thread(closed).join();
        const bool ended = refresh.wait_for(seconds(10)) == std::future_status::ready;
        if (!ended)
            closed(); // lets it end, so that the test can
        ASSERT_TRUE(ended);
        EXPECT_LT(duration_cast<milliseconds>(steady_clock::now() - asked).count(), 500);
        EXPECT_EQ(0, refresh.get());
        if (stopping)
        {
            EXPECT_FALSE(waited()); // so a box not shown yet is dropped
            closed();               // and one closed later touches nothing that is gone
        }
        EXPECT_EQ((stopping ? std::vector<std::string>{"report"} : std::vector<std::string>{"report", "exit"}), events);
    }
}

TEST_F(UpdateUserListTest, AStopRequestEndsATransferAtOnceAndIsNoFailure)
{
    sim.SetFault(kListPath, Fault::NoAnswer);
    std::future<int> refresh = std::async(std::launch::async, [this] { return site.UpdateUserList(); });
    ASSERT_TRUE(sim.WaitForRequests(1, 10000));
    const auto asked = steady_clock::now();
    stop = true;
    ASSERT_EQ(std::future_status::ready, refresh.wait_for(seconds(10)));
    EXPECT_LT(duration_cast<milliseconds>(steady_clock::now() - asked).count(), 500);
    EXPECT_EQ(0, refresh.get());
    EXPECT_TRUE(events.empty());
}

// 10,000 performers: the parse pauses now and then, but all its pauses stay a small share of
// the interval, even a short one; a stop request during the parse abandons it, keeping the list.
TEST_F(UpdateUserListTest, TheParsePausesWithinItsShareOfTheIntervalAndStopsWhenAsked)
{
    sim.UseGeneratedList(10000, false);
    for (int seconds : {10, 1})
    {
        SCOPED_TRACE(seconds);
        Settings::WriteLong("/System/syncinterval", seconds);
        site.pauses = site.paused = 0;
        EXPECT_EQ(seconds * 1000, site.UpdateUserList());
        EXPECT_EQ(10000u, site.GetUserList().GetCount());
        EXPECT_GE(site.pauses, 10);
        EXPECT_LE(site.paused, seconds * 1000 / 10);
    }
    Serve("typical.js");
    EXPECT_EQ(1000, site.UpdateUserList());
    sim.UseGeneratedList(10000, false);
    site.onPause = [this] { stop = true; };
    EXPECT_EQ(0, site.UpdateUserList());
    EXPECT_EQ(kTypical, StatusesOf(site.GetUserList()));
    EXPECT_TRUE(events.empty());
}
