// One frame of 10,000 tasks through the host's frame step: the clocks, every
// task's Update in order, the sweep for finished tasks.
#include "Core/PObjUpdater.h"
#include "Core/PTaskManager.h"
#include "Host/PHostFrame.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace
{
constexpr int kTasks = 10000;

struct CMover
{
    void Update() { position += 0.016f; }
    float position = 0.0f;
};

void FrameOfTenThousandTasks(benchmark::State& state)
{
    std::vector<CMover> movers(kTasks);
    std::vector<std::unique_ptr<CPObjUpdater>> updaters;
    CPTaskManager manager;
    for (int i = 0; i < kTasks; ++i) {
        updaters.push_back(std::make_unique<CPObjUpdater>(&movers[static_cast<size_t>(i)], &CMover::Update));
        updaters.back()->SetOrder((i * 7919) % 1000);
        manager.AddTask(updaters.back().get());
    }
    CPTaskManager* saved = g_TaskManager;
    g_TaskManager = &manager;
    for (auto _ : state)
        RunFrame(0.016f);
    g_TaskManager = saved;
    benchmark::DoNotOptimize(movers.back().position);
    state.SetItemsProcessed(state.iterations() * kTasks);
}
BENCHMARK(FrameOfTenThousandTasks)->Unit(benchmark::kMicrosecond);
}
