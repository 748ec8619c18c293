// One frame of 10,000 tasks through the host's frame step: the clocks, every
// task's Update in order, the sweep for finished tasks; and how listing and
// unlisting tasks grow with their number.
#include "Core/PObjUpdater.h"
#include "Core/PTaskManager.h"
#include "Host/PHostFrame.h"
#include "Platform/CRand.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
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

// How listing and unlisting grow with the number of tasks: range(0) tasks
// of one order, or of random orders (crt::rand), listed into a fresh
// manager.
class CIdleTask : public CPTask
{
public:
    int32_t GetObjectSize() const override { return static_cast<int32_t>(sizeof(CIdleTask)); }
    std::string GetTypeName() const override { return "CIdleTask"; }
    void Update() override {}
    int32_t QueryFlag() override { return 0; }
};

std::vector<std::unique_ptr<CIdleTask>> MakeTasks(size_t count, bool randomOrders)
{
    crt::srand(7);
    std::vector<std::unique_ptr<CIdleTask>> tasks;
    for (size_t i = 0; i < count; ++i) {
        tasks.push_back(std::make_unique<CIdleTask>());
        tasks.back()->SetOrder(randomOrders ? crt::rand() % 1000 : CPTask::kDefaultOrder);
    }
    return tasks;
}

void ListTasks(benchmark::State& state, bool randomOrders)
{
    const auto tasks = MakeTasks(static_cast<size_t>(state.range(0)), randomOrders);
    for (auto _ : state) {
        state.PauseTiming();
        {
            auto manager = std::make_unique<CPTaskManager>();
            for (const auto& task : tasks)
                task->Stop();
            state.ResumeTiming();
            for (const auto& task : tasks)
                manager->AddTask(task.get());
            state.PauseTiming();
        }
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void AddTasksOfOneOrder(benchmark::State& state)
{
    ListTasks(state, false);
}
BENCHMARK(AddTasksOfOneOrder)->RangeMultiplier(4)->Range(1 << 10, 1 << 14)->Unit(benchmark::kMicrosecond);

void AddTasksOfRandomOrders(benchmark::State& state)
{
    ListTasks(state, true);
}
BENCHMARK(AddTasksOfRandomOrders)->RangeMultiplier(4)->Range(1 << 10, 1 << 14)->Unit(benchmark::kMicrosecond);

// Destroying range(0) tasks that are still listed, in the order they were
// added (random orders, so the list order differs from it).
void DestroyListedTasks(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        CPTaskManager manager;
        auto tasks = MakeTasks(static_cast<size_t>(state.range(0)), true);
        for (const auto& task : tasks)
            manager.AddTask(task.get());
        state.ResumeTiming();
        tasks.clear();
        benchmark::DoNotOptimize(manager.GetTasks().size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(DestroyListedTasks)->RangeMultiplier(4)->Range(1 << 10, 1 << 14)->Unit(benchmark::kMicrosecond);
}
