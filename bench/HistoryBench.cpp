// The history's write on the polling thread and its size: 10,000 performers, a tenth of them
// changing at each poll, a poll every 10 s; and the History page's filter on a full history.
#include "BenchSupport.h"
#include "HistoryFill.h"

#include "history/HistoryRecorder.h"
#include "history/HistoryStore.h"
#include "history/HistoryView.h"

#include <benchmark/benchmark.h>

#include <wx/filename.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <sys/stat.h>

namespace
{
const int kPerformers = 10000;
const double kPollsAMonth = 30.0 * 24 * 60 * 60 / 10;

wxString TemporaryFolder()
{
    char pattern[] = "/tmp/solvane-history-bench-XXXXXX";
    return mkdtemp(pattern) ? wxString(pattern) : wxString();
}

long long FileSize(const wxString& path)
{
    struct stat info;
    long long size = 0;
    for (const char* suffix : {"", "-wal"})
    {
        if (stat((path + suffix).fn_str(), &info) == 0)
            size += info.st_size;
    }
    return size;
}
} // namespace

// One list's transaction, as the recorder writes it on the polling thread; the lists alternate,
// so that every one has a tenth of the performers changed.
static void HistoryWrite(benchmark::State& state)
{
    const wxString folder = TemporaryFolder();
    const wxString path = folder + "/history.sqlite";
    HistoryStore store;
    if (store.Open(path) == HistoryStore::OpenResult::Failed)
    {
        state.SkipWithError("cannot open the store");
        return;
    }
    long long now = 0;
    HistoryRecorder recorder(&store, [&now] { return now; });
    const UserList lists[2] = {bench::MakeUsers(kPerformers), bench::AfterAPoll(bench::MakeUsers(kPerformers), kPerformers)};
    UserList differences[2][3];
    lists[0].GetDifference(lists[1], differences[0][0], differences[0][1], differences[0][2]);
    lists[1].GetDifference(lists[0], differences[1][0], differences[1][1], differences[1][2]);
    recorder.OnFirstList(lists[0]);
    const long long start = FileSize(path);
    long long oldest = 0, newest = 0;
    store.GetIdRange(oldest, newest);
    const long long startEvents = newest - oldest + 1;
    int poll = 0;
    for (auto _ : state)
    {
        now += 10;
        const int from = poll++ % 2;
        recorder.OnDifference(lists[from], differences[from][0], differences[from][1], differences[from][2]);
    }
    store.GetIdRange(oldest, newest);
    const double events = static_cast<double>(newest - oldest + 1 - startEvents);
    const double bytesPerEvent = static_cast<double>(FileSize(path) - start) / events;
    state.counters["events/list"] = events / poll;
    state.counters["bytes/event"] = bytesPerEvent;
    state.counters["month_MB"] = bytesPerEvent * events / poll * kPollsAMonth / 1e6;
    state.counters["bounded_MB"] = bytesPerEvent * static_cast<double>(HistoryRecorder::kMaxEvents) / 1e6;
    store.Close();
    wxFileName::Rmdir(folder, wxPATH_RMDIR_RECURSIVE);
}
BENCHMARK(HistoryWrite)->Iterations(300)->Unit(benchmark::kMillisecond);

namespace
{
// A full history (3.5 million events of 100,000 names), made once for the filter's benchmarks.
struct FullHistory
{
    FullHistory() : folder(TemporaryFolder()), path(folder + "/history.sqlite")
    {
        ok = FillHistory(path, HistoryRecorder::kMaxEvents, 100000, HistoryRecorder::kMaxEvents) &&
             store.Open(path) != HistoryStore::OpenResult::Failed;
    }
    ~FullHistory()
    {
        store.Close();
        wxFileName::Rmdir(folder, wxPATH_RMDIR_RECURSIVE);
    }
    wxString folder, path;
    HistoryStore store;
    bool ok = false;
};

double Milliseconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}
} // namespace

// The History page's filter on a full history, as the window meets it: a keystroke (the filter
// set, with its first slice), the longest slice of the search after it, and a refresh's thousand
// events taken in with the filter on. "p" and "7" match most names, "p9" a tenth, "p123" a few.
static void HistoryFilter(benchmark::State& state)
{
    static FullHistory history;
    if (!history.ok)
    {
        state.SkipWithError("cannot make the history");
        return;
    }
    const char* const texts[] = {"p", "p9", "p123", "7"};
    const char* text = texts[state.range(0)];
    state.SetLabel(text);
    double keystroke = 0, slice = 0, refresh = 0;
    long long time = 2 * HistoryRecorder::kMaxEvents;
    for (auto _ : state)
    {
        HistoryView view(&history.store);
        auto start = std::chrono::steady_clock::now();
        view.SetFilter(text, {}, false);
        keystroke = std::max(keystroke, Milliseconds(start));
        while (view.IsSearching())
        {
            start = std::chrono::steady_clock::now();
            view.Search(HistoryView::kSliceMilliseconds);
            slice = std::max(slice, Milliseconds(start));
        }
        std::vector<HistoryEvent> events;
        for (int i = 0; i < 1000; ++i)
            events.push_back({0, ++time, wxString::Format("p%d", i * 97), HistoryKind::Changed, 3});
        history.store.Record(events);
        start = std::chrono::steady_clock::now();
        view.Update();
        refresh = std::max(refresh, Milliseconds(start));
    }
    state.counters["keystroke_ms"] = keystroke;
    state.counters["longest_slice_ms"] = slice;
    state.counters["refresh_ms"] = refresh;
}
BENCHMARK(HistoryFilter)->DenseRange(0, 3)->Iterations(3)->Unit(benchmark::kMillisecond);
