// Arbitrary bytes as "DATA\coeff.dat", read at difficulty index 0.
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
    CPFileWriter writer("DATA\\coeff.dat");
    writer.Write(data, size);
    if (FAILED(writer.Save()))
        std::abort();
    CPGameData gameData;
    gameData.SetDifficult();
    volatile float sink = gameData.m_spareCoeff + gameData.m_damageCoeff + gameData.m_bonusChanceCoeff
        + gameData.m_timeCoeff;
    (void)sink;
    return 0;
}
