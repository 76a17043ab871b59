// The polling thread against a scripted site: event order and content, timing, and stopping.
#include "site/DaemonThread.h"

#include "model/UserEvent.h"
#include "model/UserListEvent.h"
#include "model/UserListObserver.h"
#include "net/HttpGet.h"
#include "site/TaveloSite.h"
#include "util/Settings.h"

#include "SiteSim.h"
#include "TestGuiServices.h"
#include "TimeLimit.h"
#include "UserStatuses.h"

#include <gtest/gtest.h>

#include <wx/app.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <thread>

using namespace std::chrono;

namespace
{
// A site whose refreshes follow a script: a list to take, or none for a failure. After the last
// step a refresh hangs until the stop hook says stop, as a stalled transfer or the box after the
// tenth failure would.
class ScriptedSite : public Site
{
public:
    int UpdateUserList() override
    {
        starts.push_back(clock);
        if (onRefresh)
            onRefresh(starts.size());
        if (++begun > script.size())
            WaitUntil([this] { return IsStopRequested(); });
        if (begun > script.size() || !script[begun - 1])
            return 0;
        SetUserList(*script[begun - 1]);
        // As the real refresh: the interval is read from the store on this thread.
        return static_cast<int>(Settings::ReadLong("/System/syncinterval", 10) * 1000);
    }
    bool OnInit() override { return true; }
    void OnExit() override {}

    std::vector<std::optional<UserList>> script;
    // The clock the test drives, when the thread runs on it.
    std::atomic<long long> clock{0};
    std::function<void(size_t refresh)> onRefresh; // on the polling thread, as each begins
    std::atomic<size_t> begun{0};
    std::vector<long long> starts; // read once the thread has ended
};

// The polling thread on a clock the test drives, or on the real one with every sleep step ten
// times as long, so that a step a stop request does not end shows plainly.
class TestDaemon : public DaemonThread
{
public:
    TestDaemon(Site* site, std::atomic<long long>* clock_) : DaemonThread(site), clock(clock_) {}
    ~TestDaemon() override { Stop(); }

    std::atomic<int> sleeps{0};

protected:
    long long Now() const override { return clock ? clock->load() : DaemonThread::Now(); }
    void SleepStep(int milliseconds) override
    {
        ++sleeps;
        if (!clock)
            return DaemonThread::SleepStep(10 * milliseconds);
        *clock += milliseconds;
    }

private:
    std::atomic<long long>* clock;
};

std::string Describe(const wxEvent& event)
{
    const wxEventType type = event.GetEventType();
    if (type == EVT_SITE_UNREACHABLE || type == EVT_SITE_REACHABLE)
        return type == EVT_SITE_REACHABLE ? "reachable" : "unreachable";
    if (const auto* list = dynamic_cast<const UserListEvent*>(&event))
        return wxString::Format("%s %d n%zu bob=%x", type == EVT_USER_LIST_INITIALIZED ? "list" : "?", event.GetId(),
                                list->GetUserList().GetCount(), list->GetUserList().GetUser("bob").GetStatus())
            .ToStdString();
    const auto& change = dynamic_cast<const UserEvent&>(event);
    const char* kind = type == EVT_USER_ADDED ? "added" : type == EVT_USER_DELETED ? "deleted" : "?";
    kind = type == EVT_USER_CHANGED ? "changed" : kind;
    return wxString::Format("%s %d %s %x %x", kind, event.GetId(), change.GetUser().GetName(),
                            change.GetUser().GetStatus(), change.GetOldStatus())
        .ToStdString();
}

// Notes, on the polling thread, each event the handler is given as "handler: event" in a log that
// several handlers share, read once the thread has ended.
class Recorder : public wxEvtHandler
{
public:
    Recorder(std::vector<std::string>& log_, const char* name_) : log(log_), name(name_) {}
    void QueueEvent(wxEvent* event) override
    {
        log.push_back(name + ": " + Describe(*std::unique_ptr<wxEvent>(event)));
        ++queued;
    }
    /// How many events came, readable while the thread still posts.
    std::atomic<size_t> queued{0};

private:
    std::vector<std::string>& log;
    std::string name;
};
} // namespace

// With syncinterval 20 the refreshes start 20 s apart; a failure is followed by the next attempt
// 3 s after its start, before the first list and after it alike. The first list goes out once,
// then only differences, each to every handler in the order they were added.
TEST(DaemonThreadTest, FirstListThenDifferencesToEveryHandlerAnIntervalOrAFailurePauseApart)
{
    Settings::WriteLong("/System/syncinterval", 20);
    const UserList first = ListOf({{"alice", 0x03}, {"bob", 0x0D}, {"carol", 0x15}});
    // The second list is unchanged: no event. Then alice changes to 0x0D, bob leaves, dave
    // arrives, carol stays as she was.
    ScriptedSite site;
    const std::nullopt_t none = std::nullopt;
    site.script = {none, none, first, first, none, none, ListOf({{"alice", 0x0D}, {"carol", 0x15}, {"dave", 0x01}})};
    std::vector<std::string> log;
    Recorder one(log, "one"), two(log, "two"), late(log, "late");
    TestDaemon thread(&site, &site.clock);
    thread.AddEventHandler(&one);
    thread.AddEventHandler(&two);
    // Added and taken out while the thread runs, before the refresh with differences.
    site.onRefresh = [&](size_t refresh) {
        if (refresh == 7)
            thread.AddEventHandler(&late), thread.RemoveEventHandler(&two);
    };
    ASSERT_EQ(wxTHREAD_NO_ERROR, thread.Run());
    // The next refresh begins only once everything of the one before is posted; it stalls, and
    // a stop request ends it at once (generous, for slow sanitizer runs).
    ASSERT_TRUE(WaitUntil([&] { return site.begun >= 8; }));
    const auto stop = steady_clock::now();
    thread.Stop();
    EXPECT_LT(steady_clock::now() - stop, milliseconds(1000));
    EXPECT_FALSE(site.IsStopRequested()) << "the hook is the site's no longer once the thread has ended";

    EXPECT_EQ((std::vector<long long>{0, 3000, 6000, 26000, 46000, 49000, 52000, 72000}), site.starts);
    // Each event goes to the handlers in the order they were added, before the next one is built.
    EXPECT_EQ((std::vector<std::string>{"one: list -1 n3 bob=d", "two: list -1 n3 bob=d",
                                        "one: added -1 dave 1 ffffffff", "late: added -1 dave 1 ffffffff",
                                        "one: deleted -1 bob d ffffffff", "late: deleted -1 bob d ffffffff",
                                        "one: changed -1 alice d 3", "late: changed -1 alice d 3"}),
              log);
}

// A refresh with many changes hands them over in batches, each once the GUI thread has handled
// the one before (here: once the test lets the application's queue be handled), so that the
// window is never given a whole list of changes to work through at once.
TEST(DaemonThreadTest, ManyChangesGoInBatchesEachOnceTheGuiThreadHasHandledTheLast)
{
    Settings::WriteLong("/System/syncinterval", 1);
    UserList many;
    for (int i = 0; i < 1200; ++i)
        many.AddUser(User(wxString::Format("u%d", i), 0x01));
    ScriptedSite site;
    site.script = {UserList(), many};
    std::vector<std::string> log;
    Recorder handler(log, "tree");
    TestDaemon thread(&site, &site.clock);
    thread.AddEventHandler(&handler);
    ASSERT_EQ(wxTHREAD_NO_ERROR, thread.Run());
    // The first list, then a batch less the change that waits for the GUI thread's turn.
    for (const size_t held : {DaemonThread::kEventsPerBatch, 2 * DaemonThread::kEventsPerBatch})
    {
        ASSERT_TRUE(WaitUntil([&] { return handler.queued.load() >= held; }));
        std::this_thread::sleep_for(milliseconds(100));
        EXPECT_EQ(held, handler.queued.load());
        wxAppConsole::GetInstance()->ProcessPendingEvents();
    }
    EXPECT_TRUE(WaitUntil([&] { return handler.queued.load() == 1 + many.GetCount(); }));
    thread.Stop();
}

// A stop request ends a sleep step of the interval, or the pause after a failure, at once.
TEST(DaemonThreadTest, StopEndsASleepAtOnce)
{
    Settings::WriteLong("/System/syncinterval", 10);
    for (const std::optional<UserList>& refresh : {std::optional<UserList>(UserList()), std::optional<UserList>()})
    {
        SCOPED_TRACE(refresh ? "a sleep step of 10 s" : "the pause after a failure");
        ScriptedSite site;
        site.script = {refresh};
        TestDaemon thread(&site, nullptr);
        ASSERT_EQ(wxTHREAD_NO_ERROR, thread.Run());
        ASSERT_TRUE(WaitUntil([&] { return thread.sleeps > 0; }));
        const auto start = steady_clock::now();
        thread.Stop();
        // Generous, for slow sanitizer runs: a step that is not ended lasts 3 s or more.
        EXPECT_LT(steady_clock::now() - start, milliseconds(1000));
        EXPECT_EQ(1u, site.starts.size());
    }
}

// Work that can wait (the history's clean-up) runs in pieces between refreshes, only once the
// first list is out, and a bounded stop ends it within a piece. A thread stuck in its observer (a
// huge write) outlasts a bounded stop, and is then left to StopAll, which lets go of what it kept
// only once the thread has ended.
TEST(DaemonThreadTest, IdleWorkFollowsTheFirstListAndAStuckThreadIsLeftToStopAll)
{
    Settings::WriteLong("/System/syncinterval", 10);
    struct Observer : UserListObserver
    {
        void OnFirstList(const UserList&) override
        {
            idleBeforeFirst = idle.load();
            for (inFirst = true; hold && !release;)
                std::this_thread::sleep_for(milliseconds(1));
        }
        void OnDifference(const UserList&, const UserList&, const UserList&, const UserList&) override {}
        bool OnIdle(const StopToken&) override // endless, 5 ms a piece
        {
            std::this_thread::sleep_for(milliseconds(5));
            return ++idle > 0;
        }
        std::atomic<int> idle{0}, idleBeforeFirst{-1};
        std::atomic<bool> hold{false}, inFirst{false}, release{false};
    };
    for (const bool stuck : {false, true})
    {
        ScriptedSite site;
        site.script = {ListOf({{"ann", 0x03}})};
        Observer observer;
        observer.hold = stuck;
        auto thread = std::make_unique<TestDaemon>(&site, nullptr);
        thread->SetObserver(&observer);
        ASSERT_EQ(wxTHREAD_NO_ERROR, thread->Run());
        ASSERT_TRUE(WaitUntil([&] { return stuck ? observer.inFirst.load() : observer.idle >= 3; }));
        const auto start = steady_clock::now();
        EXPECT_EQ(!stuck, thread->Stop(TimeLimit(250).count()));
        EXPECT_LT(steady_clock::now() - start, TimeLimit(400));
        EXPECT_EQ(0, observer.idleBeforeFirst.load());
        if (!stuck)
            continue;
        auto kept = std::make_shared<int>(0);
        const std::weak_ptr<int> watch = kept;
        DaemonThread::Abandon(std::move(thread), std::move(kept));
        EXPECT_FALSE(DaemonThread::StopAll(50));
        EXPECT_FALSE(watch.expired());
        observer.release = true;
        EXPECT_TRUE(DaemonThread::StopAll(TimeLimit(1000).count()));
        EXPECT_TRUE(watch.expired());
    }
}

// The real refresh against a site that refuses for two minutes and then answers again, keeping
// on trying: the handlers hear once that the site is unreachable, nothing asks the user or the
// program to go, and the list arrives within an interval (and a retry step) of the site's return,
// after word that it is back, although the quiet wait has grown past a minute by then. (By
// default the tenth failure brings the box, as the refresh's own tests show.)
TEST(DaemonThreadTest, KeepTryingRidesOutAnOutage)
{
    HttpGet::GlobalInit();
    static const char* const listPath = "/include/js/online_performers.js";
    // Just after an attempt the growing waits would make (27 s, then 3, 6, 12, 24 and 48 s on).
    static constexpr long long kBack = 122000;
    struct OutageSite : TaveloSite
    {
        int UpdateUserList() override
        {
            if (clock >= kBack)
                sim.SetFault(listPath, sitesim::Fault::None);
            const int result = TaveloSite::UpdateUserList();
            if (result != 0 && listAt < 0)
                listAt = clock.load();
            return result;
        }
        long long Now() const override { return clock; }
        std::atomic<long long> clock{0}, listAt{-1};
        sitesim::SiteSim sim;
    };
    OutageSite site;
    ASSERT_TRUE(site.sim.Start());
    ASSERT_TRUE(site.sim.SetPerformerListFromFile(SOLVANE_TEST_DATA "/performers/typical.js"));
    site.sim.SetFault(listPath, sitesim::Fault::Refuse);
    Settings::WriteString("/Site/webserver", wxString::FromUTF8(site.sim.WebServer()));
    Settings::WriteLong("/System/syncinterval", 10);
    Settings::WriteBool("/System/keeptrying", true);
    Settings::WriteLong("/System/retrymaxdelay", 300);
    TestDaemon thread(&site, &site.clock);
    std::vector<std::string> log;
    Recorder handler(log, "tree");
    thread.AddEventHandler(&handler);
    std::atomic<int> asked{0}; // the box, or the exit
    TestGuiServices gui;
    gui.showServerFailure = [&](const wxString&, const wxString&, const StopToken&) { return ++asked > 0; };
    gui.requestExit = [&] { ++asked; };
    ASSERT_EQ(wxTHREAD_NO_ERROR, thread.Run());
    // The site's return shows as three events: unreachable, reachable, the list.
    ASSERT_TRUE(WaitUntil([&] { return asked > 0 || handler.queued.load() >= 3; }));
    thread.Stop();
    EXPECT_EQ(0, asked);
    EXPECT_GE(site.listAt, kBack);
    EXPECT_LE(site.listAt, kBack + 10000 + 3000);
    // Word of the outage once, however long it lasts; the list that follows is the same each time.
    EXPECT_EQ((std::vector<std::string>{"tree: unreachable", "tree: reachable", "tree: list -1 n4 bob=0"}), log);
    Settings::DeleteEntry("/System/keeptrying");
    Settings::DeleteEntry("/System/retrymaxdelay");
}
