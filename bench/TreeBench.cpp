// The All tree on a display: the first list of the polling thread, and a poll in which a tenth
// of the users changed, each until the tree has laid itself out and repainted.
#include "BenchSupport.h"
#include "model/UserEvent.h"
#include "model/UserListEvent.h"
#include "ui/AllTreeCtrl.h"

#include <benchmark/benchmark.h>

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/init.h>
#include <wx/stopwatch.h>

#include <algorithm>
#include <vector>

namespace
{
class BenchApp : public wxApp
{
public:
    bool OnInit() override { return true; }
};

const long kTreeStyle = wxSUNKEN_BORDER | wxTR_HIDE_ROOT | wxTR_LINES_AT_ROOT | wxTR_NO_LINES | wxTR_HAS_BUTTONS;

// The GUI thread's work once events are queued: handling them, the idle layout, the repaint,
// turn after turn until a first list is in whole (it goes in slices); the longest turn, in ms.
double Settle(AllTreeCtrl* tree)
{
    wxStopWatch turn;
    wxTheApp->ProcessPendingEvents();
    long longest = 0;
    do
    {
        wxTheApp->ProcessIdle();
        tree->GetParent()->Update();
        longest = std::max(longest, turn.Time());
        turn.Start();
    } while (tree->GetPendingCount() > 0 || tree->GetWaitingCount() > 0);
    return static_cast<double>(longest);
}

// As the polling thread posts: through the handler's queue.
void Post(wxEvtHandler* handler, const wxEvent& event)
{
    handler->AddPendingEvent(event);
}

wxFrame* NewFrame()
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "bench", wxDefaultPosition, wxSize(240, 480));
    frame->Show();
    return frame;
}

AllTreeCtrl* NewTree(wxFrame* frame)
{
    auto* tree = new AllTreeCtrl(frame, wxID_ANY, wxDefaultPosition, frame->GetClientSize(), kTreeStyle);
    Settle(tree);
    return tree;
}

UserListEvent FirstList(int count)
{
    UserListEvent list(EVT_USER_LIST_INITIALIZED, -1);
    list.SetUserList(bench::MakeUsers(count));
    return list;
}

// The events the polling thread posts for the step from one list to the next.
std::vector<UserEvent> Changes(const UserList& from, const UserList& to)
{
    UserList added, deleted, changed;
    from.GetDifference(to, added, deleted, changed);
    std::vector<UserEvent> events;
    for (const auto& entry : added)
        events.emplace_back(entry.second, EVT_USER_ADDED, UserEvent::kNoStatus);
    for (const auto& entry : deleted)
        events.emplace_back(entry.second, EVT_USER_DELETED, UserEvent::kNoStatus);
    for (const auto& entry : changed)
        events.emplace_back(entry.second, EVT_USER_CHANGED, from.GetUser(entry.first).GetStatus());
    return events;
}
} // namespace

wxIMPLEMENT_APP_NO_MAIN(BenchApp);

static void AllTreeFirstList(benchmark::State& state)
{
    wxFrame* frame = NewFrame();
    const UserListEvent list = FirstList(static_cast<int>(state.range(0)));
    double longest = 0;
    for (auto _ : state)
    {
        state.PauseTiming();
        AllTreeCtrl* tree = NewTree(frame);
        state.ResumeTiming();
        Post(tree, list);
        longest = std::max(longest, Settle(tree));
        state.PauseTiming();
        delete tree;
        state.ResumeTiming();
    }
    state.counters["longest_turn_ms"] = longest;
    frame->Destroy();
    wxTheApp->ProcessIdle();
}
BENCHMARK(AllTreeFirstList)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Back and forth between two lists, so that every poll changes a tenth of the users.
static void AllTreePoll(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const UserList before = bench::MakeUsers(count);
    const UserList after = bench::AfterAPoll(before, count);
    const std::vector<UserEvent> there = Changes(before, after), back = Changes(after, before);
    wxFrame* frame = NewFrame();
    AllTreeCtrl* tree = NewTree(frame);
    Post(tree, FirstList(count));
    Settle(tree);
    bool forward = true;
    for (auto _ : state)
    {
        for (const UserEvent& event : forward ? there : back)
            Post(tree, event);
        Settle(tree);
        forward = !forward;
    }
    state.counters["changes"] = static_cast<double>(there.size());
    frame->Destroy();
    wxTheApp->ProcessIdle();
}
BENCHMARK(AllTreePoll)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit())
        return 2;
    bench::KeepSettingsInMemory();
    benchmark::RunSpecifiedBenchmarks();
    wxTheApp->OnExit();
    wxEntryCleanup();
    benchmark::Shutdown();
    return 0;
}
