// The polling thread against a scripted site: event order and content, timing, and stopping.
#include "site/DaemonThread.h"

#include "model/UserEvent.h"
#include "model/UserListEvent.h"
#include "net/HttpGet.h"
#include "site/Site.h"
#include "site/TaveloSite.h"
#include "util/Settings.h"

#include "SiteSim.h"
#include "TestGuiServices.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace std::chrono;

namespace
{
// Polls until done() holds; false after 10 s, so that a thread that never stops fails the test.
template <typename F> bool WaitFor(F done)
{
    for (const auto deadline = steady_clock::now() + seconds(10); !done();)
    {
        if (steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(milliseconds(1));
    }
    return true;
}

// List: the list becomes the site's and the interval comes from the settings. Gate: waits until
// the test opens the gate, then as List.
enum class Kind { List, Fail, Gate };

// A site whose refreshes follow a script. After the last step a refresh hangs until the stop
// hook says stop, as a stalled transfer or the box after the tenth failure would.
class ScriptedSite : public Site
{
public:
    explicit ScriptedSite(std::atomic<long long>* clock_ = nullptr) : clock(clock_) {}
    void Add(Kind kind, const UserList& list = UserList()) { script.emplace_back(kind, list); }

    int UpdateUserList() override
    {
        starts.push_back(clock ? clock->load() : 0);
        if (++begun > script.size())
        {
            WaitFor([this] { return IsStopRequested(); });
            return 0;
        }
        const auto& [kind, list] = script[begun - 1];
        if (kind == Kind::Gate)
            WaitFor([this] { return gateOpen || IsStopRequested(); });
        if (kind == Kind::Fail || (kind == Kind::Gate && !gateOpen))
            return 0;
        SetUserList(list);
        // As the real refresh: the interval is read from the store on this thread.
        return static_cast<int>(Settings::ReadLong("/System/syncinterval", 10) * 1000);
    }
    bool OnInit() override { return true; }
    void OnExit() override {}

    std::atomic<bool> gateOpen{false};
    std::atomic<size_t> begun{0};
    std::vector<long long> starts; // read once the thread has ended

private:
    std::atomic<long long>* clock;
    std::vector<std::pair<Kind, UserList>> script;
};

// The polling thread on a clock the test drives, or on the real one with its sleeps counted.
class TestDaemon : public DaemonThread
{
public:
    TestDaemon(Site* site, std::atomic<long long>* clock_) : DaemonThread(site), clock(clock_) {}
    ~TestDaemon() override { Stop(); }

    std::atomic<int> sleeps{0};
    std::vector<int> steps; // fake-clock sleep steps, read once the thread has ended

protected:
    long long Now() const override { return clock ? clock->load() : DaemonThread::Now(); }
    void SleepStep(int milliseconds) override
    {
        ++sleeps;
        if (!clock)
            return DaemonThread::SleepStep(milliseconds);
        steps.push_back(milliseconds);
        *clock += milliseconds;
    }

private:
    std::atomic<long long>* clock;
};

using Log = std::vector<std::pair<const wxEvtHandler*, std::string>>;

// Notes, on the polling thread, each event as it reaches the handler's queue; read once the
// thread has ended.
class Recorder : public wxEvtHandler
{
public:
    explicit Recorder(Log& log_) : log(log_) {}
    void QueueEvent(wxEvent* event) override
    {
        const wxEventType type = event->GetEventType();
        wxString line = type == EVT_USER_ADDED ? "added" : type == EVT_USER_DELETED ? "deleted" : "?";
        line = type == EVT_USER_LIST_INITIALIZED ? "list" : type == EVT_USER_CHANGED ? "changed" : line;
        line << ' ' << event->GetId();
        if (const auto* list = dynamic_cast<const UserListEvent*>(event))
        {
            const User* bob = list->GetUserList().FindUser("bob");
            line << wxString::Format(" n%zu bob=%x", list->GetUserList().GetCount(), bob ? bob->GetStatus() : 0u);
        }
        else if (const auto* user = dynamic_cast<const UserEvent*>(event))
            line << wxString::Format(" %s %x %x", user->GetUser().GetName(), user->GetUser().GetStatus(), user->GetOldStatus());
        log.emplace_back(this, line.ToStdString());
        delete event;
    }

private:
    Log& log;
};

UserList ListOf(std::initializer_list<User> users)
{
    UserList list;
    for (const User& user : users)
        list.AddUser(user);
    return list;
}

const UserList kFirst = ListOf({User("alice", 0x03), User("bob", 0x0D), User("carol", 0x15)});
} // namespace

// With syncinterval 20 the refreshes start 20 s apart, sleeping in steps of a tenth of it.
TEST(DaemonThreadTest, FirstListOnceThenOnlyDifferencesInOrderToEveryRegisteredHandlerAnIntervalApart)
{
    Settings::WriteLong("/System/syncinterval", 20);
    std::atomic<long long> clock{0};
    ScriptedSite site(&clock);
    site.Add(Kind::List, kFirst);
    site.Add(Kind::List, kFirst); // unchanged: no event
    // alice changes to 0x0D, bob leaves, dave and erin arrive, carol stays as she was.
    site.Add(Kind::Gate,
             ListOf({User("alice", 0x0D), User("carol", 0x15), User("dave", 0x01), User("erin", 0x03)}));
    Log log;
    Recorder first(log), second(log), late(log);
    TestDaemon thread(&site, &clock);
    thread.AddEventHandler(&first);
    thread.AddEventHandler(&second);
    ASSERT_EQ(wxTHREAD_NO_ERROR, thread.Run());
    // Added and taken out while the thread waits in the third refresh, after the first list
    // went out.
    ASSERT_TRUE(WaitFor([&] { return site.begun >= 3; }));
    thread.AddEventHandler(&late);
    thread.RemoveEventHandler(&second);
    site.gateOpen = true;
    // The fourth refresh begins only once everything of the third is posted.
    ASSERT_TRUE(WaitFor([&] { return site.begun >= 4; }));
    thread.Stop();

    EXPECT_EQ((std::vector<long long>{0, 20000, 40000, 60000}), site.starts);
    EXPECT_EQ(std::vector<int>(3 * 10, 2000), thread.steps);
    // Each event goes to the handlers in the order they were added, before the next one is built.
    std::vector<const wxEvtHandler*> order, expectedOrder{&first, &second};
    std::vector<std::string> lines; // as the first handler got them; the others got the same
    for (const auto& [handler, line] : log)
    {
        order.push_back(handler);
        if (handler == &first)
            lines.push_back(line);
        else
            EXPECT_TRUE(!lines.empty() && lines.back() == line) << line;
    }
    for (int i = 0; i < 4; ++i)
        expectedOrder.insert(expectedOrder.end(), {&first, &late});
    EXPECT_EQ(expectedOrder, order);
    ASSERT_EQ(5u, lines.size());
    if (lines[1] > lines[2]) // additions come in the list's own order
        std::swap(lines[1], lines[2]);
    EXPECT_EQ((std::vector<std::string>{"list -1 n3 bob=d", "added -1 dave 1 ffffffff", "added -1 erin 3 ffffffff",
                                        "deleted -1 bob d ffffffff", "changed -1 alice d 3"}),
              lines);
}

// A failure is followed by the next attempt 3 s after its start, before the first list and
// after it alike; a success brings back the interval.
TEST(DaemonThreadTest, FailedRefreshesArePacedFromTheirStarts)
{
    Settings::WriteLong("/System/syncinterval", 10);
    std::atomic<long long> clock{0};
    ScriptedSite site(&clock);
    for (Kind kind : {Kind::Fail, Kind::Fail, Kind::List, Kind::Fail, Kind::Fail, Kind::List})
        site.Add(kind, kFirst);
    TestDaemon thread(&site, &clock);
    ASSERT_EQ(wxTHREAD_NO_ERROR, thread.Run());
    ASSERT_TRUE(WaitFor([&] { return site.begun >= 7; }));
    thread.Stop();
    EXPECT_EQ((std::vector<long long>{0, 3000, 6000, 16000, 19000, 22000, 32000}), site.starts);
}

// The real refresh against a site that refuses from the start: the tenth failure, 27 s in,
// still brings the box and then the exit request.
TEST(DaemonThreadTest, TheTenthFailureStillShowsTheBoxAfterHalfAMinute)
{
    HttpGet::GlobalInit();
    sitesim::SiteSim sim;
    ASSERT_TRUE(sim.Start());
    sim.Stop();
    Settings::WriteString("/Site/webserver", wxString::FromUTF8(sim.WebServer()));
    std::atomic<long long> clock{0};
    TaveloSite site;
    TestDaemon thread(&site, &clock);
    std::vector<std::string> told; // on the polling thread, read once it has ended
    std::atomic<bool> exitAsked{false};
    TestGuiServices gui;
    gui.showServerFailure = [&](const wxString&, const wxString&, std::function<bool()>, std::function<void()> closed) {
        told.push_back("box at " + std::to_string(clock.load()));
        closed();
    };
    gui.requestExit = [&] {
        told.push_back("exit");
        thread.RequestStop(); // as the main window's exit would
        exitAsked = true;
    };
    ASSERT_EQ(wxTHREAD_NO_ERROR, thread.Run());
    ASSERT_TRUE(WaitFor([&] { return exitAsked.load(); }));
    thread.Stop();
    EXPECT_EQ((std::vector<std::string>{"box at 27000", "exit"}), told);
}

TEST(DaemonThreadTest, StopEndsTheThreadPromptlyWhateverItWaitsFor)
{
    const struct
    {
        const char* waitingIn;
        std::vector<Kind> script;
        size_t refreshes;
        bool asleep;    // waits in a sleep step rather than in a refresh
        bool fakeClock; // so that nine paced failures take no time
    } cases[] = {{"a sleep step of 1 s", {Kind::List}, 1, true, false},
                 {"the pause after a failure", {Kind::Fail}, 1, true, false},
                 {"a stalled refresh", {}, 1, false, false},
                 {"the box after the tenth failure", std::vector<Kind>(9, Kind::Fail), 10, false, true}};
    Settings::WriteLong("/System/syncinterval", 10);
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.waitingIn);
        std::atomic<long long> clock{0};
        ScriptedSite site;
        for (Kind kind : c.script)
            site.Add(kind);
        TestDaemon thread(&site, c.fakeClock ? &clock : nullptr);
        ASSERT_EQ(wxTHREAD_NO_ERROR, thread.Run());
        ASSERT_TRUE(WaitFor([&] { return c.asleep ? thread.sleeps > 0 : site.begun >= c.refreshes; }));
        const auto start = steady_clock::now();
        thread.Stop();
        EXPECT_LT(duration_cast<milliseconds>(steady_clock::now() - start).count(), 200);
        EXPECT_EQ(c.refreshes, site.starts.size());
        // The hook is the site's no longer once the thread has ended.
        EXPECT_FALSE(site.IsStopRequested());
    }
}
