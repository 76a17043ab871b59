// A whole refresh as the polling thread makes it, on a worker thread so that the parse's pauses
// count: the list fetched from the simulated site on loopback and parsed, the difference with
// the last list, and one event posted per change. The list is asked for compressed, as the
// refresh asks for it; the second argument says whether the site compresses it (1) or not (0),
// and "wire_bytes" is the list's body as it crossed the wire (its text is "list_bytes").
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
    options.compress = state.range(1) != 0;
    sitesim::SiteSim sim(options);
    if (!sim.Start())
        return state.SkipWithError("the simulated site did not start");
    Settings::WriteString("/Site/webserver", wxString::FromUTF8(sim.WebServer()));
    HttpGet list(wxString::FromUTF8("http://" + sim.WebServer() + "/include/js/online_performers.js"));
    list.SetAcceptCompressed(true);
    if (!list.Fetch())
        return state.SkipWithError("the list did not come");
    state.counters["wire_bytes"] = static_cast<double>(list.GetWireBytes());
    state.counters["list_bytes"] = static_cast<double>(list.GetBody().size());
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
BENCHMARK(WholeRefresh)
    ->Args({300, 0})
    ->Args({3000, 0})
    ->Args({10000, 0})
    ->Args({10000, 1})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
