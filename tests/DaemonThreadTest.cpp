// The polling thread against a scripted site: event order and content, timing, and stopping.
#include "site/DaemonThread.h"

#include "model/UserEvents.h"
#include "net/HttpGet.h"
#include "site/Site.h"
#include "util/Settings.h"

#include "SiteSim.h"

#include <gtest/gtest.h>

#include <wx/app.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

using namespace std::chrono;

namespace
{
constexpr auto kTimeout = seconds(10);

// Milliseconds as the thread sees them when a test drives the clock: each sleep step moves it on.
struct FakeClock
{
    std::atomic<long long> now{0};
    std::mutex mutex;
    std::vector<int> sleeps;

    std::vector<int> Sleeps()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return sleeps;
    }
};

// A site whose refreshes follow a script. Each refresh takes the next step; after the last one
// a refresh hangs, as a stalled transfer would, until its stop hook says stop.
class ScriptedSite : public Site
{
public:
    enum class Kind
    {
        List,         // success: the list becomes the site's, the interval comes from the settings
        Fail,         // the fetch failed
        Gate,         // waits until the test opens the gate, then as List
        Stall,        // a transfer that never ends on its own
        Fetch,        // a real transfer of `url` that the stop hook aborts
        FailureBox    // the box after the tenth failure, open until the stop hook says stop
    };
    struct Step
    {
        Kind kind;
        UserList list;
        long long durationMs = 0; // how far a refresh moves the fake clock
    };

    explicit ScriptedSite(FakeClock* clock_ = nullptr) : clock(clock_) {}

    void Add(Kind kind, const UserList& list = UserList(), long long durationMs = 0)
    {
        std::lock_guard<std::mutex> lock(mutex);
        script.push_back({kind, list, durationMs});
    }

    int UpdateUserList() override
    {
        Step step{Kind::Stall, UserList()};
        {
            std::lock_guard<std::mutex> lock(mutex);
            starts.push_back(clock ? clock->now.load() : 0);
            if (!script.empty())
            {
                step = script.front();
                script.pop_front();
            }
        }
        changed.notify_all();
        if (clock)
            clock->now += step.durationMs;

        switch (step.kind)
        {
        case Kind::Fail:
            return 0;
        case Kind::Gate:
            if (!WaitUntil([this] { return gateOpen; }))
                return 0;
            [[fallthrough]];
        case Kind::List:
            SetUserList(step.list);
            // As the real refresh: the interval is read from the store on this thread.
            return static_cast<int>(Settings::ReadLong("/System/syncinterval", 10) * 1000);
        case Kind::Fetch:
        {
            HttpGet get(url);
            get.SetStallTimeout(60000);
            get.SetAbortHook([this] { return IsStopRequested(); });
            get.Fetch();
            return 0;
        }
        case Kind::FailureBox:
        {
            {
                std::lock_guard<std::mutex> lock(mutex);
                boxOpen = true;
            }
            changed.notify_all();
            WaitUntil([] { return false; });
            return 0;
        }
        case Kind::Stall:
            WaitUntil([] { return false; });
            return 0;
        }
        return 0;
    }
    bool OnInit() override { return true; }
    void OnExit() override {}

    bool WaitForRefreshes(size_t count)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, kTimeout, [&] { return starts.size() >= count; });
    }
    bool WaitForBox()
    {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, kTimeout, [&] { return boxOpen; });
    }
    void OpenGate()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            gateOpen = true;
        }
        changed.notify_all();
    }
    std::vector<long long> Starts()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return starts;
    }

    wxString url;

private:
    // The stop hook can only be asked, so a waiting refresh asks it every few milliseconds, as
    // the transfer layer does. False when the stop came first or the time ran out.
    bool WaitUntil(std::function<bool()> done)
    {
        const auto deadline = steady_clock::now() + kTimeout;
        std::unique_lock<std::mutex> lock(mutex);
        while (!done())
        {
            if (IsStopRequested() || steady_clock::now() > deadline)
                return false;
            changed.wait_for(lock, milliseconds(2));
        }
        return true;
    }

    FakeClock* clock;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Step> script;
    std::vector<long long> starts;
    bool gateOpen = false;
    bool boxOpen = false;
};

// The polling thread on a clock the test drives, or on the real one with its sleeps reported.
class TestDaemon : public DaemonThread
{
public:
    TestDaemon(Site* site, FakeClock* clock_) : DaemonThread(site), clock(clock_) {}
    ~TestDaemon() override { Stop(); }

    bool WaitForSleep()
    {
        std::unique_lock<std::mutex> lock(mutex);
        return sleeping.wait_for(lock, kTimeout, [&] { return sleeps > 0; });
    }

protected:
    long long Now() const override { return clock ? clock->now.load() : DaemonThread::Now(); }
    void SleepStep(int milliseconds) override
    {
        if (clock)
        {
            std::lock_guard<std::mutex> lock(clock->mutex);
            clock->sleeps.push_back(milliseconds);
            clock->now += milliseconds;
            return;
        }
        {
            std::lock_guard<std::mutex> lock(mutex);
            ++sleeps;
        }
        sleeping.notify_all();
        DaemonThread::SleepStep(milliseconds);
    }

private:
    FakeClock* clock;
    std::mutex mutex;
    std::condition_variable sleeping;
    int sleeps = 0;
};

struct Seen
{
    wxEventType type;
    int id;
    wxString name;
    uint32_t status;
    uint32_t oldStatus;
    UserList list;
};

// Notes the order in which events reach its queue (on the polling thread) and their content
// when they are delivered (on the test's thread).
class Recorder : public wxEvtHandler
{
public:
    explicit Recorder(std::atomic<long>& sequence_) : sequence(sequence_) {}

    void QueueEvent(wxEvent* event) override
    {
        wxEvtHandler::QueueEvent(event);
        {
            std::lock_guard<std::mutex> lock(mutex);
            queued.push_back(++sequence);
        }
        arrived.notify_all();
        if (onQueued)
            onQueued(Queued().size());
    }

    bool WaitForQueued(size_t count)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return arrived.wait_for(lock, kTimeout, [&] { return queued.size() >= count; });
    }
    std::vector<long> Queued()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return queued;
    }

    std::vector<Seen> seen;
    std::function<void(size_t)> onQueued; // called on the polling thread

private:
    void OnUserListInitialized(UserListEvent& event)
    {
        seen.push_back({event.GetEventType(), event.GetId(), "", 0, 0, event.GetUserList()});
    }
    void OnUser(UserEvent& event)
    {
        seen.push_back({event.GetEventType(), event.GetId(), event.GetUser().GetName(),
                        event.GetUser().GetStatus(), event.GetOldStatus(), UserList()});
    }

    std::atomic<long>& sequence;
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<long> queued;

    wxDECLARE_EVENT_TABLE();
};

wxBEGIN_EVENT_TABLE(Recorder, wxEvtHandler)
    EVT_USER_LIST_INITIALIZED(-1, Recorder::OnUserListInitialized)
    EVT_USER_ADDED(-1, Recorder::OnUser)
    EVT_USER_DELETED(-1, Recorder::OnUser)
    EVT_USER_CHANGED(-1, Recorder::OnUser)
wxEND_EVENT_TABLE()

UserList ListOf(std::initializer_list<User> users)
{
    UserList list;
    for (const User& user : users)
        list.AddUser(user);
    return list;
}

// alice 0x03, bob 0x0D, carol 0x15.
const UserList kFirst = ListOf({User("alice", 0x03), User("bob", 0x0D), User("carol", 0x15)});
// alice changes to 0x0D, bob leaves, dave and erin arrive, carol stays as she was.
const UserList kSecond =
    ListOf({User("alice", 0x0D), User("carol", 0x15), User("dave", 0x01), User("erin", 0x03)});

class DaemonThreadTest : public ::testing::Test
{
protected:
    void SetUp() override { Settings::WriteLong("/System/syncinterval", 10); }
    void TearDown() override { Deliver(); }

    static void Deliver() { wxAppConsole::GetInstance()->ProcessPendingEvents(); }

    // Runs the call and reports how long it took.
    template <typename F> static milliseconds Timed(F&& f)
    {
        const auto start = steady_clock::now();
        f();
        return duration_cast<milliseconds>(steady_clock::now() - start);
    }

    std::atomic<long> sequence{0};
    FakeClock clock;
};

std::vector<wxEventType> TypesOf(const std::vector<Seen>& seen)
{
    std::vector<wxEventType> types;
    for (const Seen& event : seen)
        types.push_back(event.type);
    return types;
}
} // namespace

TEST_F(DaemonThreadTest, FirstListOnceThenEachPollsDifferencesInOrder)
{
    ScriptedSite site(&clock);
    site.Add(ScriptedSite::Kind::Fail);
    site.Add(ScriptedSite::Kind::Fail);
    site.Add(ScriptedSite::Kind::List, kFirst);
    site.Add(ScriptedSite::Kind::List, kFirst); // unchanged: no event
    site.Add(ScriptedSite::Kind::List, kSecond);
    Recorder handler(sequence);
    TestDaemon thread(&site, &clock);
    thread.AddEventHandler(&handler);
    ASSERT_EQ(wxTHREAD_NO_ERROR, thread.Run());

    // The sixth refresh has begun once everything of the fifth is posted.
    ASSERT_TRUE(site.WaitForRefreshes(6));
    EXPECT_EQ(5u, handler.Queued().size());
    // Failed first attempts follow each other at once; the polls then keep the interval.
    EXPECT_EQ((std::vector<long long>{0, 0, 0, 10000, 20000, 30000}), site.Starts());
    thread.Stop();

    Deliver();
    const std::vector<Seen>& seen = handler.seen;
    ASSERT_EQ(5u, seen.size());
    EXPECT_EQ((std::vector<wxEventType>{EVT_USER_LIST_INITIALIZED, EVT_USER_ADDED, EVT_USER_ADDED,
                                        EVT_USER_DELETED, EVT_USER_CHANGED}),
              TypesOf(seen));
    for (const Seen& event : seen)
        EXPECT_EQ(-1, event.id);

    ASSERT_EQ(3u, seen[0].list.GetCount());
    EXPECT_EQ(0x0Du, seen[0].list.GetUser("bob").GetStatus());

    // Additions come in the list's own order, so only their set is fixed.
    EXPECT_EQ((std::set<wxString>{"dave", "erin"}),
              (std::set<wxString>{seen[1].name, seen[2].name}));
    for (int i : {1, 2})
    {
        EXPECT_EQ(seen[i].name == "dave" ? 0x01u : 0x03u, seen[i].status);
        EXPECT_EQ(0xFFFFFFFFu, seen[i].oldStatus);
    }
    EXPECT_EQ("bob", seen[3].name);
    EXPECT_EQ(0x0Du, seen[3].status); // the last known status
    EXPECT_EQ(0xFFFFFFFFu, seen[3].oldStatus);
    EXPECT_EQ("alice", seen[4].name);
    EXPECT_EQ(0x0Du, seen[4].status);
    EXPECT_EQ(0x03u, seen[4].oldStatus);
}

TEST_F(DaemonThreadTest, EveryEventReachesEachHandlerInRegistrationOrder)
{
    ScriptedSite site(&clock);
    site.Add(ScriptedSite::Kind::List, kFirst);
    site.Add(ScriptedSite::Kind::List, kSecond);
    Recorder first(sequence), second(sequence);
    TestDaemon thread(&site, &clock);
    thread.AddEventHandler(&first);
    thread.AddEventHandler(nullptr); // skipped
    thread.AddEventHandler(&second);
    ASSERT_EQ(wxTHREAD_NO_ERROR, thread.Run());
    ASSERT_TRUE(site.WaitForRefreshes(3));
    thread.Stop();

    // Each event goes to the first handler, then to the second, before the next one is built.
    const std::vector<long> a = first.Queued(), b = second.Queued();
    ASSERT_EQ(5u, a.size());
    ASSERT_EQ(5u, b.size());
    for (size_t i = 0; i < a.size(); ++i)
    {
        EXPECT_EQ(a[i] + 1, b[i]) << i;
        if (i + 1 < a.size())
        {
            EXPECT_EQ(b[i] + 1, a[i + 1]) << i;
        }
    }

    Deliver();
    ASSERT_EQ(5u, first.seen.size());
    ASSERT_EQ(5u, second.seen.size());
    for (size_t i = 0; i < first.seen.size(); ++i)
    {
        EXPECT_EQ(first.seen[i].type, second.seen[i].type);
        EXPECT_EQ(first.seen[i].name, second.seen[i].name);
        EXPECT_EQ(first.seen[i].oldStatus, second.seen[i].oldStatus);
    }
}

TEST_F(DaemonThreadTest, HandlerAddedWhileRunningGetsOnlyLaterEvents)
{
    ScriptedSite site(&clock);
    site.Add(ScriptedSite::Kind::List, kFirst);
    site.Add(ScriptedSite::Kind::Gate, kSecond);
    Recorder early(sequence), late(sequence);
    TestDaemon thread(&site, &clock);
    thread.AddEventHandler(&early);
    ASSERT_EQ(wxTHREAD_NO_ERROR, thread.Run());

    ASSERT_TRUE(early.WaitForQueued(1));
    thread.AddEventHandler(&late);
    site.OpenGate();
    ASSERT_TRUE(site.WaitForRefreshes(3));
    thread.Stop();

    Deliver();
    ASSERT_EQ(5u, early.seen.size());
    EXPECT_EQ(EVT_USER_LIST_INITIALIZED, early.seen[0].type);
    ASSERT_EQ(4u, late.seen.size());
    EXPECT_EQ((std::vector<wxEventType>{EVT_USER_ADDED, EVT_USER_ADDED, EVT_USER_DELETED,
                                        EVT_USER_CHANGED}),
              TypesOf(late.seen));
}

TEST_F(DaemonThreadTest, StopRequestBetweenHandOversPostsNothingMore)
{
    ScriptedSite site(&clock);
    site.Add(ScriptedSite::Kind::List, kFirst);
    site.Add(ScriptedSite::Kind::List, kSecond);
    Recorder first(sequence), second(sequence);
    TestDaemon thread(&site, &clock);
    // Asked on the polling thread, right after the first per-user event reached the first handler.
    first.onQueued = [&](size_t count) {
        if (count == 2)
            thread.RequestStop();
    };
    thread.AddEventHandler(&first);
    thread.AddEventHandler(&second);
    ASSERT_EQ(wxTHREAD_NO_ERROR, thread.Run());
    ASSERT_TRUE(first.WaitForQueued(2));
    thread.Stop();

    EXPECT_EQ(2u, first.Queued().size());
    EXPECT_EQ(1u, second.Queued().size()); // the initial list only
    EXPECT_EQ(2u, site.Starts().size());   // and no further refresh
}

TEST_F(DaemonThreadTest, RefreshesStartAnIntervalApartInTenthsOfIt)
{
    Settings::WriteLong("/System/syncinterval", 20);
    ScriptedSite site(&clock);
    site.Add(ScriptedSite::Kind::List, kFirst);
    site.Add(ScriptedSite::Kind::List, kFirst, 6000); // a slow refresh counts within the interval
    site.Add(ScriptedSite::Kind::Fail);               // after a failure the next comes at once
    site.Add(ScriptedSite::Kind::List, kFirst);
    TestDaemon thread(&site, &clock);
    ASSERT_EQ(wxTHREAD_NO_ERROR, thread.Run());
    ASSERT_TRUE(site.WaitForRefreshes(5));
    thread.Stop();

    EXPECT_EQ((std::vector<long long>{0, 20000, 40000, 40000, 60000}), site.Starts());
    const std::vector<int> sleeps = clock.Sleeps();
    EXPECT_EQ(10u + 7u + 10u, sleeps.size());
    for (int sleep : sleeps)
        EXPECT_EQ(2000, sleep);
}

TEST_F(DaemonThreadTest, StopEndsTheThreadPromptlyWhateverItWaitsFor)
{
    HttpGet::GlobalInit();
    sitesim::SiteSim server;
    ASSERT_TRUE(server.Start());
    server.SetResource("/include/js/online_performers.js", "x", "text/plain");
    server.SetFault("/include/js/online_performers.js", sitesim::Fault::NoAnswer);

    {
        SCOPED_TRACE("a sleep step of 2 s");
        Settings::WriteLong("/System/syncinterval", 20);
        ScriptedSite site;
        site.Add(ScriptedSite::Kind::List, kFirst);
        TestDaemon thread(&site, nullptr);
        ASSERT_EQ(wxTHREAD_NO_ERROR, thread.Run());
        ASSERT_TRUE(thread.WaitForSleep());
        EXPECT_LT(Timed([&] { thread.Stop(); }).count(), 200);
        EXPECT_EQ(1u, site.Starts().size());
    }
    {
        SCOPED_TRACE("a refresh whose server does not answer");
        ScriptedSite site;
        site.url = wxString::FromUTF8("http://" + server.WebServer() +
                                      "/include/js/online_performers.js");
        site.Add(ScriptedSite::Kind::Fetch);
        TestDaemon thread(&site, nullptr);
        ASSERT_EQ(wxTHREAD_NO_ERROR, thread.Run());
        ASSERT_TRUE(server.WaitForRequests(1, 10000));
        EXPECT_LT(Timed([&] { thread.Stop(); }).count(), 200);
        EXPECT_EQ(1u, site.Starts().size());
    }
    {
        SCOPED_TRACE("the box after the tenth failure");
        ScriptedSite site;
        for (int i = 0; i < 9; ++i)
            site.Add(ScriptedSite::Kind::Fail);
        site.Add(ScriptedSite::Kind::FailureBox);
        TestDaemon thread(&site, nullptr);
        ASSERT_EQ(wxTHREAD_NO_ERROR, thread.Run());
        ASSERT_TRUE(site.WaitForBox());
        EXPECT_LT(Timed([&] { thread.Stop(); }).count(), 200);
        EXPECT_EQ(10u, site.Starts().size());
        // The hook is the site's no longer once the thread has ended.
        EXPECT_FALSE(site.IsStopRequested());
    }
}

TEST_F(DaemonThreadTest, StopIsFinalAndDestructionStops)
{
    ScriptedSite site;
    {
        DaemonThread thread(&site);
        EXPECT_LT(Timed([&] { thread.Stop(); }).count(), 200);
        EXPECT_NE(wxTHREAD_NO_ERROR, thread.Run());
    }
    EXPECT_TRUE(site.Starts().empty());
    {
        // An owner that forgets Stop(): destruction stops the thread and waits for it.
        DaemonThread thread(&site);
        ASSERT_EQ(wxTHREAD_NO_ERROR, thread.Run());
        ASSERT_TRUE(site.WaitForRefreshes(1));
    }
    EXPECT_EQ(1u, site.Starts().size());
    EXPECT_FALSE(site.IsStopRequested());
}
