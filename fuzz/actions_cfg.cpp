// Arbitrary bytes as a key-binding file: loaded, rebound by the names it
// holds, saved and loaded again. The slot tables must always hold each
// binding at its own code. Files live in a scratch root under /tmp.
#include "Core/PFileWriter.h"
#include "Interface/PActionMap.h"
#include "Platform/GamePath.h"
#include "tests/ScratchRoot.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace
{
void CheckSlots(const CPActionMap& map)
{
    for (int code = 0; code < CPActionMap::kKeySlotCount; ++code) {
        if (map.keySlots[code].bound && map.keySlots[code].code != code)
            std::abort();
    }
    for (int number = 0; number < CPActionMap::kNumericSlotCount; ++number) {
        if (map.numericSlots[number].bound && map.numericSlots[number].code != number)
            std::abort();
    }
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ScratchRoot root;
    GamePath::SetRoot(root.Path());
    CPFileWriter writer("Input.cfg");
    writer.Write(data, size);
    if (FAILED(writer.Save()))
        std::abort();

    CPActionMap map;
    if (FAILED(map.Load("Input.cfg")))
        std::abort();
    CheckSlots(map);
    // Rebind the first action's label to the second action's key.
    if (map.actionNames.size() >= 2) {
        const std::string label = map.actions[map.actionNames[0]].label;
        const std::string key = map.actions[map.actionNames[1]].keyName;
        map.SetAction(label, key, false);
    }
    map.Update();
    CheckSlots(map);
    return 0;
}
