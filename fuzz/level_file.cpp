// Arbitrary bytes as the file of the fixture level, loaded in the mode the
// first byte gives (bit 0 single, bit 1 time) over the rest of the fixture's
// folder: loading must never crash or run away, and a loaded level must
// hold its player.
#include "Core/PGlobals.h"
#include "Host/PGameHost.h"
#include "Race/PGameData.h"
#include "Race/PLevel.h"
#include "tests/LevelFixture.h"
#include "tests/ScratchRoot.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ScratchRoot root;
    static const bool written = level::WriteLevelFiles(root.Path(), level::FuzzOptions());
    static CPGameHost host(root.Path());
    if (!written || size == 0)
        return 0;
    GetGameData()->m_playerName = level::kPlayerModel;

    root.MakeFile(std::string("Data/Levels/") + level::kName + ".lvl",
                  std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    auto lvl = std::make_unique<CPLevel>();
    if (lvl->Load(level::kName, (data[0] & 1) != 0, (data[0] & 2) != 0) && !lvl->player)
        std::abort();
    return 0;
}
