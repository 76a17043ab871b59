// Entry of the core benchmarks: the toolkit's base library and libcurl, no display.
#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <wx/init.h>

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    wxInitializer toolkit;
    if (!toolkit.IsOk())
        return 2;
    HttpGet::GlobalInit();
    bench::KeepSettingsInMemory();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
