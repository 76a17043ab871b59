// How fast the performer list is read, pauses aside: performers and lines a second.
#include "BenchSupport.h"
#include "site/PerformerListParser.h"

#include <benchmark/benchmark.h>

#include <algorithm>

static void ParsePerformerList(benchmark::State& state)
{
    const int performers = static_cast<int>(state.range(0));
    const std::string list = bench::SiteList(performers);
    const auto lines = std::count(list.begin(), list.end(), '\n');
    PerformerListParser parser;
    UserList users;
    for (auto _ : state)
    {
        parser.Parse(list, users);
        benchmark::DoNotOptimize(users.GetCount());
    }
    if (users.GetCount() != static_cast<size_t>(performers))
        state.SkipWithError("the list did not parse whole");
    const double runs = static_cast<double>(state.iterations());
    state.counters["performers/s"] = benchmark::Counter(performers * runs, benchmark::Counter::kIsRate);
    state.counters["lines/s"] = benchmark::Counter(static_cast<double>(lines) * runs, benchmark::Counter::kIsRate);
}
BENCHMARK(ParsePerformerList)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
