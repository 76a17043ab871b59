// The refresh against the simulated site: the list, the interval, failures, the report, stops.
#include "site/TaveloSite.h"

#include "net/HttpGet.h"
#include "util/Settings.h"

#include "LoopbackProxy.h"
#include "SiteSim.h"
#include "UserStatuses.h"

#include <gtest/gtest.h>

#include <wx/translation.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono;
using sitesim::Fault;

namespace
{
const char* const kListPath = "/include/js/online_performers.js";
const wxString kMessage = "Could not get response from server\nPlease execute it after a while.";

class UpdateUserListTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { HttpGet::GlobalInit(); }

    void SetUp() override
    {
        ASSERT_TRUE(sim.Start());
        Settings::WriteString("/Site/webserver", wxString::FromUTF8(sim.WebServer()));
        Settings::DeleteEntry("/System/syncinterval");
        // The box closes as soon as it is shown, from the refreshing thread.
        TaveloSite::SetFailureReporter([this](const wxString& caption, const wxString& message,
                                              std::function<bool()> waited, std::function<void()> closed) {
            EXPECT_TRUE(waited());
            Record("report");
            {
                std::lock_guard<std::mutex> lock(mutex);
                captions.push_back(caption);
                messages.push_back(message);
            }
            closed();
        });
        TaveloSite::SetExitRequester([this] { Record("exit"); });
        site.SetUserList(Before());
    }

    void TearDown() override
    {
        TaveloSite::SetFailureReporter(nullptr);
        TaveloSite::SetExitRequester(nullptr);
        site.SetStopHook(nullptr);
        wxTranslations::Set(nullptr);
        HttpGet::SetDefaultProxy(ProxySetting());
        Settings::DeleteEntry("/Site/webserver");
        Settings::DeleteEntry("/System/syncinterval");
    }

    static UserList Before()
    {
        UserList list;
        list.AddUser(User("earlier", 0x03));
        return list;
    }

    void Serve(const std::string& file)
    {
        ASSERT_TRUE(sim.SetPerformerListFromFile(std::string(SOLVANE_TEST_DATA) + "/performers/" + file));
        sim.SetFault(kListPath, Fault::None);
    }

    void Break(Fault fault = Fault::NotFound) { sim.SetFault(kListPath, fault); }

    void Record(const std::string& what)
    {
        std::lock_guard<std::mutex> lock(mutex);
        events.push_back(what);
    }

    std::vector<std::string> Events()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return events;
    }

    // Fails the fetch `count` times, each silently.
    void FailSilently(int count)
    {
        Break();
        for (int i = 1; i <= count; ++i)
        {
            SCOPED_TRACE(i);
            EXPECT_EQ(0, site.UpdateUserList());
            EXPECT_TRUE(Events().empty());
        }
    }

    sitesim::SiteSim sim;
    TaveloSite site;
    std::mutex mutex;
    std::vector<std::string> events;
    std::vector<wxString> captions, messages;
};
} // namespace

TEST_F(UpdateUserListTest, SuccessReplacesTheListAndReturnsTheInterval)
{
    Serve("typical.js");
    EXPECT_EQ(10000, site.UpdateUserList());
    EXPECT_EQ((Statuses{{"AmberRose07", 0x03}, {"Luna_Star", 0x0D}, {"MissKitty42", 0x15}, {"sweetpeach", 0x01}}),
              StatusesOf(site.GetUserList()));

    Settings::WriteLong("/System/syncinterval", 20);
    Serve("last-line-no-break.js");
    EXPECT_EQ(20000, site.UpdateUserList());
    EXPECT_EQ((Statuses{{"x", 0x15}}), StatusesOf(site.GetUserList()));

    // An empty list is a list: every user disappears.
    Settings::DeleteEntry("/System/syncinterval");
    Serve("empty.js");
    EXPECT_EQ(10000, site.UpdateUserList());
    EXPECT_TRUE(site.GetUserList().IsEmpty());

    const sitesim::Request request = sim.Requests().back();
    EXPECT_EQ("web", request.server);
    EXPECT_EQ("GET", request.method);
    EXPECT_EQ(kListPath, request.path);
    EXPECT_TRUE(Events().empty());
}

TEST_F(UpdateUserListTest, TheListIsFetchedThroughTheConfiguredProxy)
{
    LoopbackProxy proxy;
    ProxySetting setting;
    setting.server = wxString::Format("127.0.0.1:%d", proxy.Port());
    HttpGet::SetDefaultProxy(setting);
    Settings::WriteString("/Site/webserver", "site.example.test:18080");
    // The proxy answers itself, with a body that names no performer.
    EXPECT_EQ(10000, site.UpdateUserList());
    HttpGet::SetDefaultProxy(ProxySetting());
    EXPECT_TRUE(site.GetUserList().IsEmpty());
    EXPECT_EQ((std::vector<std::string>{"GET http://site.example.test:18080/include/js/online_performers.js HTTP/1.1"}),
              proxy.RequestLines());
}

// An interval of 0 would read as a failure to the polling thread, which would refresh at once
// again and again.
TEST_F(UpdateUserListTest, IntervalsBelowOneSecondOrNotNumbersGiveTheDefault)
{
    Serve("typical.js");
    for (long seconds : {0L, -5L})
    {
        Settings::WriteLong("/System/syncinterval", seconds);
        EXPECT_EQ(10000, site.UpdateUserList()) << seconds;
    }
    Settings::WriteString("/System/syncinterval", "soon");
    EXPECT_EQ(10000, site.UpdateUserList());
    Settings::WriteLong("/System/syncinterval", 1);
    EXPECT_EQ(1000, site.UpdateUserList());
    // Too large for the result in milliseconds: as long as it can be.
    Settings::WriteLong("/System/syncinterval", 5000000);
    EXPECT_EQ(2147483000, site.UpdateUserList());
}

TEST_F(UpdateUserListTest, NineFailuresAreSilentTheTenthReportsAndThenAsksToExit)
{
    FailSilently(9);
    EXPECT_EQ(StatusesOf(Before()), StatusesOf(site.GetUserList()));

    EXPECT_EQ(0, site.UpdateUserList());
    EXPECT_EQ((std::vector<std::string>{"report", "exit"}), Events());
    ASSERT_EQ(1u, captions.size());
    EXPECT_EQ("Error", captions[0]);
    EXPECT_EQ(kMessage, messages[0]);

    // Every failure after the tenth reports again, until one succeeds.
    EXPECT_EQ(0, site.UpdateUserList());
    EXPECT_EQ((std::vector<std::string>{"report", "exit", "report", "exit"}), Events());
    EXPECT_EQ(StatusesOf(Before()), StatusesOf(site.GetUserList()));
}

// The texts come from the catalogue; the format joining the two lines is not translated.
TEST_F(UpdateUserListTest, TheReportSpeaksTheCataloguesLanguage)
{
    wxTranslations::Set(new wxTranslations);
    wxFileTranslationsLoader::AddCatalogLookupPathPrefix(SOLVANE_OUTPUT_DIR);
    wxTranslations::Get()->SetLanguage("ja");
    ASSERT_TRUE(wxTranslations::Get()->AddCatalog("Solvane"));
    FailSilently(9);
    EXPECT_EQ(0, site.UpdateUserList());

    ASSERT_EQ(1u, captions.size());
    EXPECT_EQ(wxString::FromUTF8("エラー"), captions[0]);
    EXPECT_EQ(wxString::FromUTF8("サーバーから応答がありません\nしばらくしてから実行してください。"), messages[0]);
}

TEST_F(UpdateUserListTest, EveryKindOfFailedFetchCounts)
{
    const Fault faults[] = {Fault::NotFound, Fault::ServerError, Fault::Refuse, Fault::Garbage,
                            Fault::DropMidBody, Fault::NotFound, Fault::Refuse, Fault::ServerError,
                            Fault::Garbage};
    for (Fault fault : faults)
    {
        SCOPED_TRACE(sitesim::FaultName(fault));
        Break(fault);
        EXPECT_EQ(0, site.UpdateUserList());
    }
    EXPECT_TRUE(Events().empty());
    Break(Fault::DropMidBody);
    EXPECT_EQ(0, site.UpdateUserList());
    EXPECT_EQ((std::vector<std::string>{"report", "exit"}), Events());
}

TEST_F(UpdateUserListTest, ASuccessInBetweenRestartsTheCount)
{
    FailSilently(9);
    Serve("typical.js");
    EXPECT_EQ(10000, site.UpdateUserList());
    FailSilently(9);
    EXPECT_EQ(0, site.UpdateUserList());
    EXPECT_EQ((std::vector<std::string>{"report", "exit"}), Events());
}

TEST_F(UpdateUserListTest, WithoutAReporterTheTenthFailureAsksToExitAtOnce)
{
    TaveloSite::SetFailureReporter(nullptr);
    FailSilently(9);
    EXPECT_EQ(0, site.UpdateUserList());
    EXPECT_EQ((std::vector<std::string>{"exit"}), Events());
}

// The box is closed on another thread, later: the exit request waits for it.
TEST_F(UpdateUserListTest, TheExitRequestWaitsUntilTheUserHasClosedTheBox)
{
    std::promise<std::function<void()>> shown;
    TaveloSite::SetFailureReporter(
        [&](const wxString&, const wxString&, std::function<bool()>, std::function<void()> closed) {
            Record("report");
            shown.set_value(std::move(closed));
        });
    FailSilently(9);
    std::future<int> refresh = std::async(std::launch::async, [this] { return site.UpdateUserList(); });
    std::future<std::function<void()>> box = shown.get_future();
    ASSERT_EQ(std::future_status::ready, box.wait_for(seconds(10)));
    const std::function<void()> close = box.get();

    EXPECT_EQ(std::future_status::timeout, refresh.wait_for(milliseconds(100)));
    EXPECT_EQ((std::vector<std::string>{"report"}), Events());
    std::thread user(close);
    user.join();
    ASSERT_EQ(std::future_status::ready, refresh.wait_for(seconds(10)));
    EXPECT_EQ(0, refresh.get());
    EXPECT_EQ((std::vector<std::string>{"report", "exit"}), Events());
}

// Closing the program while the box is open: the refresh returns at once without the exit
// request, and a box closed afterwards touches nothing that is gone.
TEST_F(UpdateUserListTest, AStopRequestEndsTheWaitForTheBox)
{
    struct Report
    {
        std::function<bool()> waited;
        std::function<void()> closed;
    };
    std::promise<Report> shown;
    TaveloSite::SetFailureReporter(
        [&](const wxString&, const wxString&, std::function<bool()> waited, std::function<void()> closed) {
            Record("report");
            shown.set_value({std::move(waited), std::move(closed)});
        });
    std::atomic<bool> stop{false};
    site.SetStopHook([&] { return stop.load(); });
    FailSilently(9);
    std::future<int> refresh = std::async(std::launch::async, [this] { return site.UpdateUserList(); });
    std::future<Report> box = shown.get_future();
    ASSERT_EQ(std::future_status::ready, box.wait_for(seconds(10)));
    Report report = box.get();
    EXPECT_TRUE(report.waited());

    const auto asked = steady_clock::now();
    stop = true;
    ASSERT_EQ(std::future_status::ready, refresh.wait_for(seconds(10)));
    EXPECT_LT(steady_clock::now() - asked, milliseconds(500));
    EXPECT_EQ(0, refresh.get());
    // A box not shown yet is dropped; one shown is closed later, after the refresh is gone.
    EXPECT_FALSE(report.waited());
    report.closed();
    report = Report();
    EXPECT_EQ((std::vector<std::string>{"report"}), Events());
}

TEST_F(UpdateUserListTest, AStopRequestEndsATransferAtOnceAndIsNoFailure)
{
    Break(Fault::NoAnswer);
    std::atomic<bool> stop{false};
    site.SetStopHook([&] { return stop.load(); });
    std::future<int> refresh = std::async(std::launch::async, [this] { return site.UpdateUserList(); });
    ASSERT_TRUE(sim.WaitForRequests(1, 10000));
    const auto asked = steady_clock::now();
    stop = true;
    ASSERT_EQ(std::future_status::ready, refresh.wait_for(seconds(10)));
    EXPECT_LT(steady_clock::now() - asked, milliseconds(500));
    EXPECT_EQ(0, refresh.get());

    // Aborted transfers are not counted: ten of them report nothing.
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(0, site.UpdateUserList());
    EXPECT_TRUE(Events().empty());
    EXPECT_EQ(StatusesOf(Before()), StatusesOf(site.GetUserList()));
}

TEST_F(UpdateUserListTest, ASiteThatDoesNotAnswerFailsAfterThreeSeconds)
{
    Break(Fault::NoAnswer);
    const auto start = steady_clock::now();
    EXPECT_EQ(0, site.UpdateUserList());
    const auto elapsed = steady_clock::now() - start;
    EXPECT_GE(elapsed, milliseconds(2900));
    EXPECT_LT(elapsed, milliseconds(6000));
}

// Off the main thread every performer is followed by 10 ms; a stop request ends that early and
// leaves the site's list as it was, rather than half a list.
TEST_F(UpdateUserListTest, ThePollingThreadPausesAfterEachPerformerAndAStopCutsItShort)
{
    Serve("category-orders.js");
    const size_t performers = 36;
    const auto start = steady_clock::now();
    std::async(std::launch::async, [this] { EXPECT_EQ(10000, site.UpdateUserList()); }).get();
    EXPECT_GE(steady_clock::now() - start, milliseconds(10 * performers));
    EXPECT_EQ(performers, site.GetUserList().GetCount());

    site.SetUserList(Before());
    sim.UseGeneratedList(2000, false);
    std::atomic<bool> stop{false};
    site.SetStopHook([&] { return stop.load(); });
    std::future<int> refresh = std::async(std::launch::async, [this] { return site.UpdateUserList(); });
    // Stop once the list has been sent: the parse, 20 seconds of pauses, is then under way.
    ASSERT_TRUE(sim.WaitForRequests(2, 10000));
    EXPECT_EQ(std::future_status::timeout, refresh.wait_for(milliseconds(200)));
    stop = true;
    ASSERT_EQ(std::future_status::ready, refresh.wait_for(seconds(2)));
    EXPECT_EQ(0, refresh.get());
    EXPECT_EQ(StatusesOf(Before()), StatusesOf(site.GetUserList()));
}
