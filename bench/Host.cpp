// Creating and destroying the headless host ten thousand times: the time per
// host, and how far the resident set grew against what the engine's object
// list (never pruned, 8 bytes an object) must keep.
#include "Core/PManagedObject.h"
#include "Host/PGameHost.h"
#include "tests/ScratchRoot.h"

#include <benchmark/benchmark.h>

#include <fstream>

namespace
{
double ResidentKilobytes()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return static_cast<double>(resident) * 4.0;
}

void HostCreateDestroy(benchmark::State& state)
{
    ScratchRoot root;
    delete new CPGameHost(root.Path());
    const double residentBefore = ResidentKilobytes();
    const size_t objectsBefore = GetObjectList().size();
    for (auto _ : state)
        delete new CPGameHost(root.Path());
    state.counters["rss_growth_kB"] = ResidentKilobytes() - residentBefore;
    state.counters["object_list_kB"] = 8.0 * static_cast<double>(GetObjectList().size() - objectsBefore) / 1024.0;
}
}

BENCHMARK(HostCreateDestroy)->Iterations(10000)->Unit(benchmark::kMicrosecond);
