// Arbitrary bytes as save files: listing the slots and choosing one read
// them safely; a file that does not load leaves the profile exactly as it
// was; one that loads saves again into a file that loads back to the same
// profile.
#include "Core/PFileWriter.h"
#include "Platform/GamePath.h"
#include "Race/PGameData.h"
#include "tests/ScratchRoot.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
std::string Snapshot(const CPGameData& data)
{
    std::string text = data.m_profileName + '|' + data.m_playerName + '|' + std::to_string(data.m_saveSlot) + '|'
                       + std::to_string(data.m_racesPassed) + '|' + std::to_string(data.m_points);
    for (const CPLevelRecord& record : data.m_levelRecords) {
        uint32_t bits;
        std::memcpy(&bits, &record.bestTime, sizeof(bits));
        text += '|' + std::to_string(bits) + ',' + std::to_string(record.spare) + ',' + record.ghostModel + ','
                + std::to_string(record.ghost.size());
        for (const CPGhostSample& sample : record.ghost)
            text.append(reinterpret_cast<const char*>(&sample), sizeof(sample));
    }
    return text;
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ScratchRoot root;
    root.Clear();
    root.MakeDirectory("data/saves");
    for (const char* name : { "DATA\\Saves\\save0.sav", "DATA\\Saves\\save1.sav" }) {
        CPFileWriter writer(name);
        writer.Write(data, size);
        if (FAILED(writer.Save()))
            std::abort();
    }
    // The slot list and the choice of a slot read the same bytes.
    CPGameData other;
    other.GetSaves();
    other.SaveGame();
    if (other.m_saveSlot != (size == 0 ? 0 : 2))
        std::abort();

    CPGameData game;
    game.ResetForLoad("before");
    game.m_levelRecords[3].ghostModel = "old";
    game.m_levelRecords[3].ghost.resize(1);
    const std::string before = Snapshot(game);
    if (!game.LoadGame("save1.sav")) {
        if (Snapshot(game) != before)
            std::abort();
        return 0;
    }
    if (game.m_saveSlot != 1 || FAILED(game.WriteSave("save2.sav")))
        std::abort();
    CPGameData again;
    if (!again.LoadGame("save2.sav"))
        std::abort();
    again.m_saveSlot = 1;
    if (Snapshot(again) != Snapshot(game))
        std::abort();
    return 0;
}
