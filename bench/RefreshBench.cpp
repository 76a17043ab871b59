// A whole refresh as the polling thread makes it, on a worker thread so that the parse's pauses
// count: the list fetched from the simulated site on loopback and parsed, the difference with
// the last list, and one event posted per change.
#include "BenchSupport.h"
#include "model/UserEvent.h"
#include "site/TaveloSite.h"
#include "util/Settings.h"

#include <benchmark/benchmark.h>

#include <thread>

namespace
{
// The steps of the polling thread after its sleep; false when the refresh failed.
bool Refresh(Site& site, UserList& current, wxEvtHandler& handler)
{
    if (site.UpdateUserList() == 0)
        return false;
    const UserList newer = site.GetUserList();
    UserList added, deleted, changed;
    current.GetDifference(newer, added, deleted, changed);
    for (const auto& entry : added)
        handler.AddPendingEvent(UserEvent(entry.second, EVT_USER_ADDED, UserEvent::kNoStatus));
    for (const auto& entry : deleted)
        handler.AddPendingEvent(UserEvent(entry.second, EVT_USER_DELETED, UserEvent::kNoStatus));
    for (const auto& entry : changed)
        handler.AddPendingEvent(UserEvent(entry.second, EVT_USER_CHANGED, current.GetUser(entry.first).GetStatus()));
    current = newer;
    return true;
}
} // namespace

static void WholeRefresh(benchmark::State& state)
{
    sitesim::Options options;
    options.population = static_cast<int>(state.range(0)); // with churn: every poll changes a few
    sitesim::SiteSim sim(options);
    if (!sim.Start())
        return state.SkipWithError("the simulated site did not start");
    Settings::WriteString("/Site/webserver", wxString::FromUTF8(sim.WebServer()));
    TaveloSite site;
    HttpGet::SetDefaultProxy(ProxySetting());
    wxEvtHandler handler;
    UserList current;
    bool ok = true;
    auto refresh = [&] {
        std::thread poll([&] { ok = Refresh(site, current, handler) && ok; });
        poll.join();
    };
    refresh(); // the first list, which the polling thread sends whole
    handler.DeletePendingEvents();
    for (auto _ : state)
    {
        refresh();
        state.PauseTiming();
        handler.DeletePendingEvents();
        state.ResumeTiming();
    }
    if (!ok)
        state.SkipWithError("a refresh failed");
}
BENCHMARK(WholeRefresh)->Arg(300)->Arg(3000)->Arg(10000)->UseRealTime()->Unit(benchmark::kMillisecond);
