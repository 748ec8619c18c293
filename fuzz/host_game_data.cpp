// Arbitrary bytes as the host's game-data file: every catalogue keeps its
// name map and its ordered list in step, and the record tables cover every
// level.
#include "Core/PFileWriter.h"
#include "Host/PHostGameData.h"
#include "Platform/GamePath.h"
#include "Race/PEnemyRegistry.h"
#include "Race/PGameData.h"
#include "tests/ScratchRoot.h"

#include <cstdint>
#include <cstdlib>

namespace
{
template <class Item>
void CheckCatalogue(const CPShopCatalogue<Item>& catalogue)
{
    for (const auto& entry : catalogue.list)
        if (catalogue.items.count(entry.first) != 1)
            std::abort();
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ScratchRoot root;
    GamePath::SetRoot(root.Path());
    root.MakeDirectory("data/levels");
    CPFileWriter writer("Data\\GameData.txt");
    writer.Write(data, size);
    if (FAILED(writer.Save()))
        std::abort();
    CPGameData gameData;
    CPEnemyRegistry enemies;
    if (!LoadHostGameData(gameData, &enemies) || gameData.m_recordTables.size() < CPGameData::kLevelCount)
        std::abort();
    CheckCatalogue(gameData.m_weapons);
    CheckCatalogue(gameData.m_mines);
    CheckCatalogue(gameData.m_superWeapons);
    CheckCatalogue(gameData.m_bumpers);
    CheckCatalogue(gameData.m_equipment);
    CheckCatalogue(gameData.m_armor);
    CheckCatalogue(gameData.m_engines);
    return 0;
}
