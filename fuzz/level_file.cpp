// Arbitrary bytes as the file of the fixture level, loaded in the mode the
// first byte gives (bit 0 single, bit 1 time) over the rest of the fixture's
// folder: loading must never crash or run away, and a loaded level must
// hold its player. The folder and the host are made once; each input loads
// with a physics manager of its own, whose world takes the blocks the
// previous input's world gave back, and after it the level is deleted, the
// host's objects let go of what it made (the render rings, the particle
// systems, the commands sent to the game's script objects) and everything
// the input made ends.
#include "Core/PGlobals.h"
#include "Host/PGameHost.h"
#include "Race/PCamera.h"
#include "Race/PGameData.h"
#include "Race/PLevel.h"
#include "Race/PLevelBranch.h"
#include "Render/PRender.h"
#include "Vehicles/PPhysicAllocator.h"
#include "Vehicles/PPhysicManager.h"
#include "fuzz/HostInput.h"
#include "fuzz/InputObjects.h"
#include "tests/LevelFixture.h"
#include "tests/ScratchRoot.h"

#include <sanitizer/asan_interface.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace
{
// The memory of the worlds the inputs make. A world of the game's pool sizes
// takes some megabytes in a fixed set of blocks; fresh from the heap, every
// page of them would be faulted in again for every input. A block a world
// gives back is kept, its bytes marked unaddressable, and handed to the next
// world that asks for a block of its size. The address checker then still
// sees a stray access outside a block and an access to a block while it is
// kept, but not one that crosses from record to record inside a block: the
// records of a pool are one block either way.
class ReusedWorldBlocks : public CPPhysicAllocator
{
public:
    ReusedWorldBlocks() = default;
    ~ReusedWorldBlocks() override
    {
        for (const auto& [size, block] : m_kept) {
            ASAN_UNPOISON_MEMORY_REGION(block, size);
            std::free(block);
        }
    }

    void* Alloc(uint32_t size, uint32_t /*hint*/) override
    {
        void* block = nullptr;
        const auto kept = m_kept.find(size);
        if (kept != m_kept.end()) {
            block = kept->second;
            m_kept.erase(kept);
            ASAN_UNPOISON_MEMORY_REGION(block, size);
        } else {
            block = std::malloc(size != 0 ? size : 1);
        }
        if (block)
            m_given[block] = size;
        return block;
    }

    void Free(void* block) override
    {
        const auto given = m_given.find(block);
        if (given == m_given.end())
            std::abort();
        ASAN_POISON_MEMORY_REGION(block, given->second);
        m_kept.emplace(given->second, block);
        m_given.erase(given);
    }

private:
    std::unordered_map<void*, uint32_t> m_given;
    std::multimap<uint32_t, void*> m_kept;
};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ScratchRoot root;
    static const bool written = level::WriteLevelFiles(root.Path(), level::FuzzOptions());
    // Never destroyed: the engine's lists it holds may still name objects
    // that ended with their input.
    static CPGameHost& host = *new CPGameHost(root.Path());
    static ReusedWorldBlocks worldBlocks;
    if (!written || size == 0)
        return 0;
    // The physics manager keeps its cars and ground bodies for as long as
    // it lives, so each input has one of its own (made before the scope:
    // the input does not end it).
    CPPhysicManager* const hostPhysics = g_PhysicManager;
    auto physics = std::make_unique<CPPhysicManager>();
    physics->SetWorldAllocator(&worldBlocks);
    g_PhysicManager = physics.get();
    fuzz::InputObjects objects;
    GetGameData()->m_playerName = level::kPlayerModel;

    root.MakeFile(std::string("Data/Levels/") + level::kName + ".lvl",
                  std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    auto lvl = std::make_unique<CPLevel>();
    if (lvl->Load(level::kName, (data[0] & 1) != 0, (data[0] & 2) != 0) && !lvl->player)
        std::abort();
    lvl.reset();

    // The ground bodies end once the manager lets go of them, after the
    // cars, whose world it ends.
    fuzz::KeepLayerCameras(objects);
    std::vector<const CPRenderObject*> groundBodies;
    for (const CPSmartPtr<CPRenderObject>& body : physics->GetGroundBodies()) {
        groundBodies.push_back(body.Get());
        objects.Keep(body.Get());
    }
    fuzz::ClearLevelTraces(host);
    objects.End();
    g_PhysicManager = hostPhysics;
    physics.reset();
    for (const CPRenderObject* body : groundBodies)
        objects.Unkeep(body);
    objects.End();
    fuzz::ClearLevelTraces(host);
    return 0;
}
