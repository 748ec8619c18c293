// Arbitrary bytes as a command's parameter text, delivered by name to a
// running script object and read back as its current command. There are
// never more parameters than commas plus one. The script object's log of
// received commands is emptied after each input.
#include "Core/PCommandDispatcher.h"
#include "Host/PScriptObject.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CPCommandDispatcher dispatcher;
    static CPScriptObject target("fuzz", { "fuzzing" });
    static bool ready = false;
    if (!ready) {
        target.Register(dispatcher);
        target.Start();
        ready = true;
    }

    const std::string text(reinterpret_cast<const char*>(data), size);
    if ((size & 1) != 0)
        dispatcher.SendCommandByName("fuzz", "cmd", text);
    else
        dispatcher.SendCommandByCategory("fuzzing", "cmd", text);
    if (!target.SetNextCommand())
        std::abort();
    const size_t commas = static_cast<size_t>(std::count(text.begin(), text.end(), ','));
    if (target.GetCurrentParams()->size() > commas + 1 || target.GetCurrentCommand()->name != "cmd")
        std::abort();
    if (target.SetNextCommand() || target.GetCommandCount() != 0)
        std::abort();
    target.TakeReceived();
    return 0;
}
