// 100,000 commands sent by name to one script object and consumed by it as a
// script would: SetNextCommand, then the name and the parameters; and how
// sending to many objects grows with their number.
#include "Core/PCommandDispatcher.h"
#include "Host/PScriptObject.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr int kCommands = 100000;

void SendAndConsumeByName(benchmark::State& state)
{
    CPCommandDispatcher dispatcher;
    CPScriptObject target("game_interface", { "interface" });
    target.Register(dispatcher);
    target.Start();
    const std::string params = "\"finish, lap 3\",12.50,1";
    for (auto _ : state) {
        for (int i = 0; i < kCommands; ++i)
            dispatcher.SendCommandByName("game_interface", "show_message", params);
        size_t seen = 0;
        while (target.SetNextCommand())
            seen += target.GetCurrentCommand()->name.size() + target.GetCurrentParams()->size();
        benchmark::DoNotOptimize(seen);
    }
    dispatcher.UnregisterObject(&target);
    state.SetItemsProcessed(state.iterations() * kCommands);
}
BENCHMARK(SendAndConsumeByName)->Unit(benchmark::kMillisecond);

// One command to each of range(0) script objects, by name and then to their
// common category; each object then takes its two commands.
void SendToManyTargets(benchmark::State& state)
{
    CPCommandDispatcher dispatcher;
    std::vector<std::unique_ptr<CPScriptObject>> targets;
    std::vector<std::string> names;
    for (int64_t i = 0; i < state.range(0); ++i) {
        char name[32];
        std::snprintf(name, sizeof(name), "enemy_%lld", static_cast<long long>(i));
        names.push_back(name);
        targets.push_back(std::make_unique<CPScriptObject>(name, std::vector<std::string> { "enemy" }));
        targets.back()->Register(dispatcher);
        targets.back()->Start();
    }
    const std::string params = "12.50,1";
    for (auto _ : state) {
        for (const std::string& name : names)
            dispatcher.SendCommandByName(name, "damage", params);
        dispatcher.SendCommandByCategory("enemy", "race_start", "");
        size_t seen = 0;
        for (const auto& target : targets) {
            while (target->SetNextCommand())
                seen += target->GetCurrentCommand()->name.size();
        }
        benchmark::DoNotOptimize(seen);
    }
    for (const auto& target : targets)
        dispatcher.UnregisterObject(target.get());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(SendToManyTargets)->RangeMultiplier(4)->Range(1 << 10, 1 << 14)->Unit(benchmark::kMicrosecond);
}
