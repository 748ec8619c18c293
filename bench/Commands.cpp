// 100,000 commands sent by name to one script object and consumed by it as a
// script would: SetNextCommand, then the name and the parameters.
#include "Core/PCommandDispatcher.h"
#include "Host/PScriptObject.h"

#include <benchmark/benchmark.h>

#include <string>

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
}
