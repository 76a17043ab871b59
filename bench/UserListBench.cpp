// The difference of two polls, a tenth of the users changed, at the site's sizes and beyond.
#include "BenchSupport.h"

#include <benchmark/benchmark.h>

static void GetDifference(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const UserList before = bench::MakeUsers(count);
    const UserList after = bench::AfterAPoll(before, count);
    for (auto _ : state)
    {
        UserList added, deleted, changed;
        before.GetDifference(after, added, deleted, changed);
        benchmark::DoNotOptimize(added.GetCount() + deleted.GetCount() + changed.GetCount());
    }
    state.counters["users/s"] = benchmark::Counter(static_cast<double>(count) * static_cast<double>(state.iterations()),
                                                   benchmark::Counter::kIsRate);
}
BENCHMARK(GetDifference)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
