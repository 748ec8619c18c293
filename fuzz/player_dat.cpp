// Arbitrary bytes as "DATA\player.dat": the set-up read is applied, so both
// set-ups must come out equal.
#include "Core/PFileWriter.h"
#include "Platform/GamePath.h"
#include "Race/PGameData.h"
#include "tests/ScratchRoot.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ScratchRoot root;
    GamePath::SetRoot(root.Path());
    root.MakeDirectory("data/levels");
    CPFileWriter writer("DATA\\player.dat");
    writer.Write(data, size);
    if (FAILED(writer.Save()))
        std::abort();
    CPGameData gameData;
    gameData.InitPlayer();
    if (gameData.m_carInfo.mine != gameData.m_activeCar.mine
        || gameData.m_carInfo.superWeaponCount != gameData.m_activeCar.superWeaponCount)
        std::abort();
    return 0;
}
