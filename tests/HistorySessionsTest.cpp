// What the history says of one performer, on a store that the recorder fills over three runs of
// the program: the sessions (across midnight, across a restart, open at the exit, busy and free
// inside one), the last times, the hours per day and the weekly chart with a day never watched;
// an earlier release's file without runs; a reader beside the running writer; and the export.
#include "history/HistorySessions.h"
#include "history/HistoryFile.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryReport.h"

#include "HistoryFill.h"
#include "TestFiles.h"
#include "UserStatuses.h"

#include <gtest/gtest.h>

#include <wx/dir.h>

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>

namespace
{
// Local times of the week from Monday 30 November 2026, in a zone of its own so that a day
// starts at local midnight, not at UTC's.
long long At(int day, int hour, int minute)
{
    struct tm local = {};
    local.tm_year = 126;
    local.tm_mon = 10;
    local.tm_mday = 30 + day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_isdst = -1;
    return static_cast<long long>(mktime(&local));
}

std::string Shown(long long time)
{
    return wxString::Format("%s %s", WeekdayName(WeeklyChart::DayAndHour(time).first), LocalIsoTime(time).Mid(11, 5))
        .utf8_string();
}

std::vector<std::string> SessionsOf(const PerformerSummary& summary)
{
    std::vector<std::string> shown;
    for (const HistorySession& session : summary.sessions)
        shown.push_back(Shown(session.start) + " - " + Shown(session.end) + (session.open ? " open" : ""));
    return shown;
}

// A weekday's 24 hours: '-' never watched, '0' never online, 'h' half the days, 'X' every day.
std::vector<std::string> ChartOf(const WeeklyChart& chart)
{
    std::vector<std::string> rows;
    for (int day = 0; day < WeeklyChart::kDays; ++day)
    {
        std::string row;
        for (int hour = 0; hour < WeeklyChart::kHours; ++hour)
        {
            const double share = chart.Share(day, hour);
            row += share < 0 ? '-' : share == 0 ? '0' : share == 0.5 ? 'h' : share == 1 ? 'X' : '?';
        }
        rows.push_back(row);
    }
    return rows;
}
} // namespace

TEST(HistorySessionsTest, SessionsLastTimesAndWeeklyChartOfThreeRuns)
{
    setenv("TZ", "JST-9", 1);
    tzset();
    ScratchFolder scratch;
    const wxString path = scratch.path + "/history.sqlite";
    // The lists of three runs: day from the first Monday, hour, minute, whether the program has just
    // started, and who is online (0x03 free, 0x05 busy). bob keeps the lists from being empty.
    struct List
    {
        int day, hour, minute;
        bool start;
        Statuses online;
    };
    const List lists[] = {
        {0, 20, 0, true, {{"ann", 0x03}, {"bob", 0x03}}},
        {0, 21, 30, false, {{"ann", 0x05}, {"bob", 0x03}}},
        {0, 22, 0, false, {{"ann", 0x03}, {"bob", 0x03}}},
        {1, 1, 10, false, {{"bob", 0x03}}},
        {1, 20, 0, false, {{"ann", 0x05}, {"bob", 0x03}}},
        {1, 22, 15, false, {{"ann", 0x05}, {"bob", 0x03}}}, // the program ends after this list
        {3, 19, 0, true, {{"ann", 0x03}}},                  // Wednesday unwatched
        {3, 19, 30, false, {}},
        {3, 21, 0, false, {{"ann", 0x05}}},
        {3, 23, 0, false, {{"ann", 0x05}}}, // ends again
        {7, 20, 0, true, {{"bob", 0x03}}},
        {7, 21, 30, false, {{"ann", 0x03}, {"bob", 0x03}}},
        {7, 22, 30, false, {{"ann", 0x03}, {"bob", 0x03}}}, // still running
    };
    auto store = std::make_unique<HistoryStore>();
    std::unique_ptr<HistoryRecorder> recorder;
    long long now = 0;
    UserList current;
    for (const List& list : lists)
    {
        now = At(list.day, list.hour, list.minute);
        const UserList newer = ListOf(list.online);
        if (list.start)
        {
            store = std::make_unique<HistoryStore>();
            ASSERT_EQ(HistoryStore::OpenResult::Opened, store->Open(path));
            recorder = std::make_unique<HistoryRecorder>(store.get(), [&now] { return now; });
            recorder->OnFirstList(newer);
        }
        else
        {
            UserList added, deleted, changed;
            current.GetDifference(newer, added, deleted, changed);
            recorder->OnDifference(current, added, deleted, changed);
        }
        current = newer;
    }

    // Read beside the running program, as the command line does; a second writer is turned away.
    HistoryStore reader, second;
    ASSERT_TRUE(reader.OpenForReading(path));
    EXPECT_EQ(HistoryStore::OpenResult::Failed, second.Open(path));
    EXPECT_TRUE(HistoryFile::IsWriterRunning(path));
    HistoryStore::NameHistory history;
    ASSERT_TRUE(reader.ReadNameHistory("ann", history));
    EXPECT_FALSE(reader.ReadNameHistory("nobody", history));
    ASSERT_TRUE(store->ReadNameHistory("ann", history));
    const PerformerSummary summary = SummariseHistory(history.events, history.runs, history.currentRunStart);
    EXPECT_EQ(std::vector<std::string>({"Mon 20:00 - Tue 01:10", "Tue 20:00 - Tue 22:15 open", "Thu 19:00 - Thu 19:30",
                                        "Thu 21:00 - Thu 23:00 open", "Mon 21:30 - Mon 22:30 open"}),
              SessionsOf(summary));
    EXPECT_TRUE(summary.onlineNow);
    EXPECT_EQ(0x03u, summary.statusNow);
    EXPECT_EQ(std::make_tuple(At(7, 22, 30), At(7, 22, 30), At(3, 23, 0)),
              std::make_tuple(summary.lastOnline, summary.lastFree, summary.lastBusy));

    const WeeklyChart chart = MakeWeeklyChart(summary.sessions, WatchedSpans(history));
    EXPECT_EQ(
        std::vector<std::string>({"--------------------hXXX", "XX000000000000000000XXX-", "------------------------",
                                  "-------------------X0XX-", "------------------------", "------------------------",
                                  "------------------------"}),
        ChartOf(chart));
    EXPECT_EQ(wxString::FromUTF8("Usually online Mon 20:00–24:00; Tue 00:00–02:00, 20:00–23:00; "
                                 "Thu 19:00–20:00, 21:00–23:00"),
              DescribeUsualHours(chart));
    std::vector<long long> perDay;
    for (const auto& day : SecondsOnlinePerDay(summary.sessions, now, 7))
        perDay.push_back(day.second);
    EXPECT_EQ(std::vector<long long>({12300, 0, 9000, 0, 0, 0, 3600}), perDay);

    // The program gone, its last session ended by the exit; a file of an earlier release knows no
    // runs, and a session open at a run's end then ends at its own last event.
    store.reset();
    EXPECT_FALSE(HistoryFile::IsWriterRunning(path));
    ASSERT_TRUE(reader.ReadNameHistory("ann", history));
    EXPECT_FALSE(SummariseHistory(history.events, history.runs, history.currentRunStart).onlineNow);
    reader.Close();
    sqlite3* raw = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(path.utf8_str(), &raw));
    EXPECT_EQ(SQLITE_OK, sqlite3_exec(raw, "DROP TABLE runs;", nullptr, nullptr, nullptr));
    sqlite3_close(raw);
    ASSERT_TRUE(reader.OpenForReading(path));
    ASSERT_TRUE(reader.ReadNameHistory("ann", history));
    EXPECT_EQ(std::vector<std::string>({"Mon 20:00 - Tue 01:10", "Tue 20:00 - Tue 20:00 open", "Thu 19:00 - Thu 19:30",
                                        "Thu 21:00 - Thu 21:00 open", "Mon 21:30 - Mon 21:30 open"}),
              SessionsOf(SummariseHistory(history.events, history.runs, 0)));
}

// The export writes every event as a CSV row, a name with a comma or quote quoted; a stop or a
// failure leaves nothing at the path and no temporary file beside it.
TEST(HistorySessionsTest, ExportWritesEveryEventOrNothing)
{
    ScratchFolder scratch;
    const wxString path = scratch.path + "/history.sqlite", csv = scratch.path + "/out/history.csv";
    const long long kEvents = 60000; // more than one chunk of the file's writes
    ASSERT_TRUE(FillHistory(path, kEvents, 100, 1800000000));
    HistoryStore store;
    ASSERT_EQ(HistoryStore::OpenResult::Opened, store.Open(path));
    ASSERT_TRUE(store.Record({{0, 1800000001, "a,\"b\"", HistoryKind::WentOffline, 5}}));
    const auto files = [&] {
        wxArrayString found;
        return wxDir::Exists(scratch.path + "/out") ? wxDir::GetAllFiles(scratch.path + "/out", &found) : 0;
    };

    wxString error;
    EXPECT_FALSE(ExportHistory(store, csv, error)); // no such folder
    EXPECT_FALSE(error.empty());
    ASSERT_TRUE(wxFileName::Mkdir(scratch.path + "/out"));
    long long calls = 0;
    EXPECT_FALSE(ExportHistory(store, csv, error, [&](long long done, long long count) {
        EXPECT_TRUE(done > 0 && done < count && count == kEvents + 1) << done << " of " << count;
        return ++calls < 2;
    }));
    EXPECT_EQ(2, calls);
    EXPECT_EQ(0u, files());

    ASSERT_TRUE(ExportHistory(store, csv, error)) << error;
    EXPECT_EQ(1u, files());
    const std::string text = ReadBytes(csv);
    EXPECT_EQ(static_cast<size_t>(kEvents + 2), static_cast<size_t>(std::count(text.begin(), text.end(), '\n')));
    EXPECT_EQ("time,name,event\n" + LocalIsoTime(1800000000 - kEvents + 1).utf8_string() + ",p0,came online\n",
              text.substr(0, text.find('\n', 17) + 1));
    const std::string last = ",\"a,\"\"b\"\"\",went offline\n";
    EXPECT_EQ(last, text.substr(text.size() - std::min(text.size(), last.size())));
}
