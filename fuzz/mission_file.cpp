// Arbitrary bytes as a mission file, read with a level whose enemy sources
// hold a few keys; every weighted list read must cover its running total
// without gaps.
#include "Core/PFileWriter.h"
#include "Platform/GamePath.h"
#include "Race/PGameData.h"
#include "Race/PLevel.h"
#include "tests/ScratchRoot.h"

#include <cstdint>
#include <cstdlib>

namespace
{
void CheckList(const std::vector<CPWeightedName>& list)
{
    int32_t total = 0;
    for (const CPWeightedName& entry : list) {
        if (entry.from != total)
            std::abort();
        total = entry.to;
    }
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ScratchRoot root;
    GamePath::SetRoot(root.Path());
    root.MakeDirectory("data/levels");
    CPFileWriter writer("Data\\Levels\\mission.txt");
    writer.Write(data, size);
    if (FAILED(writer.Save()))
        std::abort();
    CPLevel level;
    level.enemySources["gate1"] = D3DXVECTOR3(1, 2, 3);
    level.enemySources["a"] = D3DXVECTOR3(4, 5, 6);
    CPGameData gameData;
    gameData.LoadMissionInfo("mission.txt");
    for (const CPMissionCheckpoint& checkpoint : gameData.m_checkpoints) {
        CheckList(checkpoint.enemyTypes);
        CheckList(checkpoint.bonusTypes);
    }
    for (const auto& group : gameData.m_enemySources)
        for (const CPEnemySource& source : group.second)
            CheckList(source.enemyTypes);
    return 0;
}
