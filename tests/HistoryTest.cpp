// The history store and its recorder on databases in a temporary folder: the events a run of
// lists gives, pruning, a damaged or busy file, and a writer killed in mid-transaction.
#include "history/HistoryRecorder.h"
#include "history/HistoryStore.h"
#include "history/HistoryView.h"
#include "util/Settings.h"

#include "HistoryFill.h"
#include "TestFiles.h"
#include "TimeLimit.h"
#include "UserStatuses.h"

#include <gtest/gtest.h>

#include <wx/dir.h>
#include <wx/file.h>
#include <wx/filefn.h>

#include <sqlite3.h>

#include <chrono>
#include <climits>
#include <csignal>
#include <map>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>

namespace
{
class HistoryTest : public ::testing::Test
{
protected:
    // The folder is made read-only by one test; the scratch folder goes after this.
    void TearDown() override { chmod((folder + "/solvane").fn_str(), 0700); }
    // Every event, oldest first, one "time:name/kind/status" each; sorted within one time,
    // as the order inside one list is the hash map's.
    static std::string All(HistoryStore& store)
    {
        const auto [oldest, newest] = IdRange(store);
        std::map<long long, std::vector<std::string>> byTime;
        for (const HistoryEvent& event : store.ReadRange(oldest, newest))
            byTime[event.time].push_back(
                wxString::Format("%s/%d/%x", event.name, static_cast<int>(event.kind), event.status).utf8_string());
        std::string shown;
        for (auto& [time, events] : byTime)
        {
            std::sort(events.begin(), events.end());
            shown += (shown.empty() ? "" : " | ") + std::to_string(time) + ":";
            for (const std::string& event : events)
                shown += " " + event;
        }
        return shown;
    }
    // The first and the last id; 0 and 0 when there is none.
    static std::pair<long long, long long> IdRange(HistoryStore& store)
    {
        long long oldest = 0, newest = 0;
        store.GetIdRange(oldest, newest);
        return {oldest, newest};
    }
    // The file goes if it is there; the toolkit logs an error for one that is not.
    static void Forget(const wxString& file)
    {
        if (wxFileExists(file))
            wxRemoveFile(file);
    }
    static HistoryEvent Event(long long time, const char* name) { return {0, time, name, HistoryKind::CameOnline, 3}; }

    ScratchFolder scratch;
    const wxString folder = scratch.path, path = folder + "/solvane/history.sqlite";
};
} // namespace

// A run of lists as the polling thread hands them over, and what the history keeps of each.
TEST_F(HistoryTest, ScriptedRunGivesExactlyTheExpectedEvents)
{
    HistoryStore store;
    ASSERT_EQ(HistoryStore::OpenResult::Opened, store.Open(path));
    long long now = 1000;
    HistoryRecorder recorder(&store, [&now] { return now; });

    const std::vector<Statuses> lists = {
        {{"ann", 0x03}, {"bea", 0x05}},                // online at start
        {{"ann", 0x03}, {"bea", 0x05}, {"cid", 0x03}}, // cid arrives
        {{"ann", 0x05}, {"bea", 0x15}, {"cid", 0x03}}, // ann busy; bea busy still: not recorded
        {{"ann", 0x05}, {"cid", 0x03}},                // bea leaves
        {{"ann", 0x03}, {"bea", 0x03}, {"cid", 0x01}}, // bea returns, ann free, cid neither
        {{"ann", 0x03}, {"bea", 0x03}, {"cid", 0x01}}, // nothing
    };
    UserList current = ListOf(lists[0]);
    recorder.OnFirstList(current);
    // Hands the next list over, ten seconds on.
    const auto poll = [&](const Statuses& statuses) {
        now += 10;
        const UserList newer = ListOf(statuses);
        UserList added, deleted, changed;
        current.GetDifference(newer, added, deleted, changed);
        recorder.OnDifference(current, added, deleted, changed);
        current = newer;
    };
    for (size_t i = 1; i < lists.size(); ++i)
        poll(lists[i]);
    EXPECT_EQ("1000: ann/0/3 bea/0/5 | 1010: cid/1/3 | 1020: ann/2/5 | 1030: bea/3/15 | "
              "1040: ann/2/3 bea/1/3 cid/2/1",
              All(store));

    // The page's own tests read the rows in order and filtered; here a row past the end reads as
    // none, an empty favourites list matches nobody and a filtered view takes in a new list.
    HistoryView view(&store);
    view.SetFilter("", {}, false);
    ASSERT_EQ(8u, view.GetCount());
    EXPECT_EQ(0, view.GetRow(8).id);
    view.SetFilter("", {}, true);
    EXPECT_EQ(0u, view.GetCount());
    view.SetFilter("cid", {}, false);
    EXPECT_FALSE(view.Update());
    poll({{"ann", 0x03}, {"bea", 0x03}});
    EXPECT_TRUE(view.Update());
    ASSERT_EQ(3u, view.GetCount());
    EXPECT_EQ(HistoryKind::WentOffline, view.GetRow(0).kind);
    EXPECT_EQ("cid", view.GetRow(0).name);
    EXPECT_EQ(1060, store.GetLastSeen("cid"));
}

// The clean-up in batches removes exactly the old rows, or the oldest past the bound, or a part of
// them, the rest numbered without gaps; a stop is heeded between two batches, not after all.
TEST_F(HistoryTest, PruneInBatchesRemovesExactlyTheOldAndHeedsAStop)
{
    // So many events at the times 1 to so many (the ids too); the bounds (time, count, rows; -1:
    // none) and the oldest id left (0: none).
    const std::tuple<long long, long long, long long, long long, long long> cases[] = {
        {4, 3, -1, -1, 3},
        {4, 1, -1, -1, 1},
        {4, 5, -1, -1, 0},
        {4, 0, 1, -1, 4},
        {4, 3, 3, -1, 3},
        {0, 3, 3, -1, 0},
        {3000, 1501, -1, -1, 1501},
        {3000, LLONG_MIN, 1000, -1, 2001},
        {3000, 1501, 1000, -1, 2001},
        {3000, 2000, -1, 1200, 1201},
        {3000, 3001, -1, -1, 0}};
    for (const auto& [events, before, keepAtMost, maxRows, oldestLeft] : cases)
    {
        SCOPED_TRACE(testing::Message() << events << " " << before << " " << keepAtMost << " " << maxRows);
        Forget(path);
        if (events > 0)
        {
            ASSERT_TRUE(FillHistory(path, events, 10, events));
        }
        HistoryStore store;
        ASSERT_EQ(HistoryStore::OpenResult::Opened, store.Open(path));
        const long long removed = oldestLeft == 0 ? events : oldestLeft - 1;
        EXPECT_EQ(removed, store.Prune(before, keepAtMost, StopToken(), maxRows));
        EXPECT_EQ(std::make_pair(oldestLeft, oldestLeft == 0 ? 0 : events), IdRange(store));
        // The rows that are left are still numbered without gaps, as the page reads them.
        HistoryView view(&store);
        view.SetFilter("", {}, false);
        EXPECT_EQ(static_cast<size_t>(events - removed), view.GetCount());
        for (size_t row = 0; row < view.GetCount(); ++row)
            EXPECT_NE(0, view.GetRow(row).id);
    }
    Forget(path);
    ASSERT_TRUE(FillHistory(path, 200000, 1000, 200000));
    HistoryStore store;
    ASSERT_EQ(HistoryStore::OpenResult::Opened, store.Open(path));
    // The stop comes 20 ms in, while the clean-up of 400 batches is under way. It waits on
    // nothing of the store's: a watcher of the store's rows waited on its lock, which the
    // clean-up takes again at once, and saw the first batch only late under load.
    StopToken stop;
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        stop.RequestStop();
    });
    const long long removed = store.Prune(LLONG_MAX, -1, stop);
    stopper.join();
    EXPECT_LT(removed, 200000) << "the stop is heeded before the last batch";
    EXPECT_EQ(0, removed % HistoryStore::kPruneBatch);
    EXPECT_EQ(removed + 1, IdRange(store).first);
}

// The recorder leaves the clean-up until the first list is written, then does it a batch at a
// time (OnIdle), keeping the stored days held to 1 to 3,650.
TEST_F(HistoryTest, CleanUpFollowsTheFirstListAndKeepsTheDaysInRange)
{
    const long long kDay = 86400, now = 5000 * kDay;
    // The days stored (null: none); the ages in days kept of events 0.5 to 3650.5 days old.
    const std::pair<const char*, std::vector<int>> cases[] = {
        {nullptr, {0, 1, 6, 29}}, {"7", {0, 1, 6}}, {"0", {0}}, {"-3", {0}}, {"150000000000000", {0, 1, 6, 29, 3649}}};
    for (const auto& [days, kept] : cases)
    {
        SCOPED_TRACE(days ? days : "none");
        days ? Settings::WriteString("/History/days", days) : Settings::DeleteEntry("/History/days");
        Forget(path);
        HistoryStore store;
        ASSERT_EQ(HistoryStore::OpenResult::Opened, store.Open(path));
        for (int age : {3650, 3649, 29, 6, 1, 0})
            ASSERT_TRUE(store.Record({Event(now - age * kDay - kDay / 2, "ann")}));
        HistoryRecorder recorder(&store, [&] { return now; });
        recorder.OnFirstList(ListOf({{"ann", 3}}));
        EXPECT_EQ(1, IdRange(store).first) << "nothing goes before the first list is written";
        for (int piece = 0; recorder.OnIdle(StopToken()); ++piece)
            ASSERT_LT(piece, 10);
        std::vector<int> left;
        const auto [oldest, newest] = IdRange(store);
        for (const HistoryEvent& event : store.ReadRange(oldest, newest - 1))
            left.push_back(static_cast<int>((now - event.time) / kDay));
        EXPECT_EQ(kept, left);
    }
    Settings::DeleteEntry("/History/days");
}

// The filter on a full history (3.5 million events, 100,000 names), many names matching or few: no
// call of the view takes the window long, typing or at a refresh; the rows are the newest matches.
TEST_F(HistoryTest, FilterOnAFullHistoryIsQuickAndRight)
{
    const long long kEvents = HistoryRecorder::kMaxEvents;
    ASSERT_TRUE(FillHistory(path, kEvents, 100000, kEvents));
    HistoryStore store;
    ASSERT_EQ(HistoryStore::OpenResult::Opened, store.Open(path));
    HistoryView view(&store);
    // This thread's processor time, which other programs on a busy machine do not stretch.
    const auto timed = [](const std::function<void()>& call) {
        timespec start{}, end{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
        call();
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
        return std::chrono::seconds(end.tv_sec - start.tv_sec) + std::chrono::nanoseconds(end.tv_nsec - start.tv_nsec);
    };
    const auto limit = TimeLimit(100); // the search's slices are 20 ms
    std::vector<std::string> names;    // of the events after the filled ones
    for (const char* text : {"p", "p9", "p123", "7"})
    {
        SCOPED_TRACE(text);
        EXPECT_LT(timed([&] { view.SetFilter(text, {}, false); }), limit);
        while (view.IsSearching())
            ASSERT_LT(timed([&] { view.Search(HistoryView::kSliceMilliseconds); }), limit);
        // A refresh's thousand events.
        std::vector<HistoryEvent> events;
        for (int i = 0; i < 1000; ++i)
        {
            names.push_back("p" + std::to_string(i * 97));
            events.push_back(Event(kEvents + static_cast<long long>(names.size()), names.back().c_str()));
        }
        ASSERT_TRUE(store.Record(events));
        EXPECT_LT(timed([&] { view.Update(); }), limit);
        std::vector<long long> expected;
        for (long long id = kEvents + static_cast<long long>(names.size()); id >= 1 && expected.size() < 100000; --id)
            if ((id > kEvents ? names[id - kEvents - 1] : FilledName(id, 100000)).find(text) != std::string::npos)
                expected.push_back(id);
        ASSERT_EQ(expected.size(), view.GetCount());
        for (size_t row = 0; row < expected.size(); row += 997)
            ASSERT_EQ(expected[row], view.GetRow(row).id) << row;
    }
}

// A new file is private and carries its schema's version; a damaged one is set aside and a new
// one works; a busy file, a newer release's file or a folder that cannot be written turn the
// history off, and the recorder then writes nothing and fails nothing.
TEST_F(HistoryTest, DamagedBusyAndUnwritableFiles)
{
    const auto setAside = [this] {
        wxArrayString aside;
        return wxDir::GetAllFiles(folder + "/solvane", &aside, "history.sqlite.damaged-*");
    };
    {
        HistoryStore store;
        ASSERT_EQ(HistoryStore::OpenResult::Opened, store.Open(path));
        ASSERT_TRUE(store.Record({Event(1, "ann")}));
        struct stat file, dir;
        ASSERT_TRUE(stat(path.fn_str(), &file) == 0 && stat((folder + "/solvane").fn_str(), &dir) == 0);
        EXPECT_EQ(0600u, file.st_mode & 0777);
        EXPECT_EQ(0700u, dir.st_mode & 0777);
        // Another program's store finds it busy; the recorder over it stays quiet.
        HistoryStore second;
        wxString error;
        EXPECT_EQ(HistoryStore::OpenResult::Failed, second.Open(path, &error));
        EXPECT_FALSE(error.empty() || second.IsOpen());
        HistoryRecorder recorder(&second, [] { return 5LL; });
        recorder.OnFirstList(ListOf({{"bea", 3}}));
        recorder.OnDifference(ListOf({{"bea", 3}}), ListOf({{"cid", 3}}), UserList(), UserList());
        EXPECT_EQ("1: ann/1/3", All(store));
    }
    // Damaged: the header overwritten.
    ASSERT_EQ(size_t(16), wxFile(path, wxFile::read_write).Write("not a database!!", 16));
    HistoryStore store;
    EXPECT_EQ(HistoryStore::OpenResult::Replaced, store.Open(path));
    EXPECT_EQ(1u, setAside());
    EXPECT_TRUE(store.Record({Event(2, "bea")}));
    EXPECT_EQ("2: bea/1/3", All(store));
    store.Close();

    // A file of a later schema is left alone, not taken for damage.
    sqlite3* raw = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(path.utf8_str(), &raw));
    EXPECT_EQ(SQLITE_OK, sqlite3_exec(raw, "PRAGMA user_version=2;", nullptr, nullptr, nullptr));
    sqlite3_close(raw);
    EXPECT_EQ(HistoryStore::OpenResult::Failed, store.Open(path));
    EXPECT_EQ(1u, setAside());
    if (geteuid() != 0) // root writes everywhere
    {
        Forget(path);
        ASSERT_EQ(0, chmod((folder + "/solvane").fn_str(), 0500));
        HistoryStore readOnly;
        EXPECT_EQ(HistoryStore::OpenResult::Failed, readOnly.Open(path));
        EXPECT_FALSE(readOnly.IsWritable());
    }
}

// A writer killed while it writes loses nothing it committed, and leaves no half list.
TEST_F(HistoryTest, KillDuringTransactionKeepsEveryCommittedList)
{
    const int kListSize = 500;
    // The kill comes a part of a list's writing time after a commit, a larger part each round.
    for (int round = 1; round <= 5; ++round)
    {
        int pipeFds[2];
        ASSERT_EQ(0, pipe(pipeFds));
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0)
        {
            // A store that did not open records nothing, and the child ends at its first list.
            HistoryStore writer;
            writer.Open(path);
            // The list is made once: from each commit the child goes straight into the next one.
            std::vector<HistoryEvent> events;
            for (int i = 0; i < kListSize; ++i)
                events.push_back(Event(0, wxString::Format("p%d", i).c_str()));
            for (int list = 1;; ++list)
            {
                for (HistoryEvent& event : events)
                    event.time = round * 1000 + list;
                if (!writer.Record(events) || write(pipeFds[1], "x", 1) != 1)
                    _exit(4);
            }
        }
        close(pipeFds[1]);
        // A handful of lists committed, the last one timed, and the child in the middle of the next one.
        int committed = 0;
        char byte;
        auto committedAt = std::chrono::steady_clock::now();
        std::chrono::steady_clock::duration listTime{};
        for (pollfd readable{pipeFds[0], POLLIN, 0};
             committed < 5 && poll(&readable, 1, TimeLimit(10000).count()) == 1 && read(pipeFds[0], &byte, 1) == 1;)
        {
            ++committed;
            listTime = std::chrono::steady_clock::now() - committedAt;
            committedAt += listTime;
        }
        std::this_thread::sleep_for(listTime * round / 6);
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        close(pipeFds[0]);
        ASSERT_EQ(5, committed);
        ASSERT_TRUE(WIFSIGNALED(status));

        HistoryStore store;
        ASSERT_EQ(HistoryStore::OpenResult::Opened, store.Open(path));
        const auto [oldest, newest] = IdRange(store);
        EXPECT_GE(newest - oldest + 1, round * committed * kListSize);
        std::map<long long, int> perList;
        for (const HistoryEvent& event : store.ReadRange(oldest, newest))
            ++perList[event.time];
        for (const auto& [list, events] : perList)
            EXPECT_EQ(kListSize, events) << "list " << list;
    }
}

// The page's texts for a change (the page's own tests show the others), and the last-seen line in
// its two forms.
TEST(HistoryTexts, DescribeAndLastSeen)
{
    const std::pair<uint32_t, const char*> changes[] = {{0x03, "now free"}, {0x15, "busy"}, {0x01, "online"}};
    for (const auto& [status, described] : changes)
        EXPECT_EQ(described, HistoryView::Describe(HistoryKind::Changed, status));
    const long long now = wxDateTime(15, wxDateTime::Jun, 2024, 12, 0, 0).GetTicks();
    const std::pair<long long, const char*> seen[] = {{2 * 3600 + 180, "last online 09:57, 2 h ago"},
                                                      {300, "last online 11:55, 5 min ago"},
                                                      {3 * 86400, "last online 2024-06-12 12:00, 3 days ago"}};
    for (const auto& [ago, text] : seen)
        EXPECT_EQ(text, HistoryView::LastSeenText(now - ago, now));
}
