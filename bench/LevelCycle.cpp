// What one level played and dropped leaves on the heap: cycles of InitLevel,
// 400 frames of race, StopLevel and DeleteLevel through the headless host on
// the fixture level, once without a sky and once with a sky of 200 segments.
// The heap is counted by this program's own allocator (it stands in front of
// the C library's), and each cycle's growth is split in two:
//   engine_kept_B: what the engine's object model keeps by design: the
//     objects the level dropped without ending, with the blocks they own
//     (found by walking the heap from them, and kept only when they outlive
//     the next cycle, since a plain pointer may lead to someone else's
//     block), plus 8 bytes per object made for the object list, which is
//     never pruned;
//   rest_B: the rest of the cycle's growth: the host's and the stand-ins'
//     own keeping, which should stay near zero.
// Both are means over the measured cycles, and rest_median_B is the median
// cycle's rest. The object registries are given room before the
// measurement, so that their rare doublings do not show up as one cycle's
// growth; the object list's share is counted instead.
#include "Core/PManagedObject.h"
#include "Host/PGameHost.h"
#include "tests/DynamicSky/SkyFiles.h"
#include "tests/HeapWalk.h"
#include "tests/LevelFixture.h"
#include "tests/ScratchRoot.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unordered_set>
#include <vector>

// The sanitizers bring an allocator of their own; under them the heap is not
// counted and the benchmark says so.
#if defined(__SANITIZE_ADDRESS__)
#define LEVEL_CYCLE_COUNTS_HEAP 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer) || __has_feature(thread_sanitizer)
#define LEVEL_CYCLE_COUNTS_HEAP 0
#endif
#endif
#ifndef LEVEL_CYCLE_COUNTS_HEAP
#define LEVEL_CYCLE_COUNTS_HEAP 1
#endif

namespace
{
heap::BlockTable& Blocks()
{
    static heap::BlockTable table; // constant-initialised: usable before main
    return table;
}
}

#if LEVEL_CYCLE_COUNTS_HEAP
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* block);
}

extern "C" {
void* malloc(size_t size)
{
    void* block = __libc_malloc(size);
    Blocks().Add(block, size);
    return block;
}

void* calloc(size_t count, size_t size)
{
    void* block = __libc_calloc(count, size);
    Blocks().Add(block, count * size);
    return block;
}

void* realloc(void* old, size_t size)
{
    void* block = __libc_realloc(old, size);
    // A failed reallocation keeps the old block; a size of 0 frees it.
    if (block || size == 0)
        Blocks().Remove(old);
    Blocks().Add(block, size);
    return block;
}

void free(void* block)
{
    Blocks().Remove(block);
    __libc_free(block);
}

void* memalign(size_t alignment, size_t size)
{
    void* block = __libc_memalign(alignment, size);
    Blocks().Add(block, size);
    return block;
}

void* aligned_alloc(size_t alignment, size_t size)
{
    return memalign(alignment, size);
}

int posix_memalign(void** out, size_t alignment, size_t size)
{
    void* block = memalign(alignment, size);
    if (!block)
        return ENOMEM;
    *out = block;
    return 0;
}
}
#endif

namespace
{
constexpr int kFrames = 400;
constexpr int kSkySegments = 200;

class Dummy : public CPManagedObject
{
public:
    int32_t GetObjectSize() const override { return sizeof(Dummy); }
    std::string GetTypeName() const override { return "Dummy"; }
};

// Makes the object list (and its live-object tables) large enough for
// `objects` more objects, `live` of them alive at once, so that the
// measured cycles do not see them reallocate.
void MakeRoomInRegistries(size_t objects, size_t live)
{
    std::vector<Dummy*> dummies;
    while (dummies.size() < live)
        dummies.push_back(new Dummy);
    for (Dummy* dummy : dummies)
        delete dummy;
    const std::vector<CPManagedObject*>& list = GetObjectList();
    while (list.capacity() - list.size() < objects)
        delete new Dummy;
}

bool Run(CPGameHost& host, const std::string& source)
{
    std::string error;
    if (host.RunString(source, "cycle", error))
        return true;
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
}

void LevelCycle(benchmark::State& state, bool sky)
{
    if (!LEVEL_CYCLE_COUNTS_HEAP) {
        state.SkipWithError("the heap is counted only without sanitizers");
        return;
    }
    ScratchRoot root;
    if (!level::WriteLevelFiles(root.Path())) {
        state.SkipWithError("fixture not written");
        return;
    }
    // The fixture level comes with a small sky: one cycle goes without it,
    // the other gets a larger one.
    std::filesystem::remove_all(root.Path() + "/Data/Clouds");
    if (sky) {
        SkyText text;
        text.segments = kSkySegments;
        WriteSkyClouds(root, "skyscape1.txt", text, GameDataSkyFolders());
    }
    CPGameHost host(root.Path());
    lua_State* L = host.GetLuaState();
    const std::string setUp = "HOST.seed(1) HOST.set_time_ms(1000) ClearGameData() SetPlayerName('buggy') "
                              "SetNumRounds(2)";
    // The game's scripts handle the commands the race sends them (and the
    // host's log of them is read).
    const std::string cycle = "InitLevel('level1', false) assert(HOST.player(), 'no player') "
                              "StartLevel() SetUpdateTime(true) SetLevelStarted(true) "
                              "HOST.frame(1 / 60, " + std::to_string(kFrames) + ") StopLevel() DeleteLevel() "
                              "for _, name in ipairs({ 'gamemenu', 'game_interface', 'jeep', 'main' }) do "
                              "local object = HOST.script(name) while SetNextCommand(object) do end "
                              "HOST.commands(name) end";
    if (!Run(host, setUp)) {
        state.SkipWithError("set-up failed");
        return;
    }
    // First cycles fill the caches that every later cycle shares.
    for (int i = 0; i < 3; ++i) {
        if (!Run(host, cycle)) {
            state.SkipWithError("cycle failed");
            return;
        }
    }
    lua_gc(L, LUA_GCCOLLECT, 0);
    const size_t madeBefore = GetObjectList().size();
    if (!Run(host, cycle))
        return;
    const size_t madePerCycle = GetObjectList().size() - madeBefore;
    const size_t cycles = static_cast<size_t>(state.max_iterations);
    MakeRoomInRegistries(2 * madePerCycle * (cycles + 1), 2 * madePerCycle * (cycles + 1) + madeBefore);
    lua_gc(L, LUA_GCCOLLECT, 0);

    // The blocks the dropped objects of the last cycle reached; those that
    // outlive the next cycle are the ones the objects keep (the rest were
    // someone else's, reached through a plain pointer, such as the physics
    // world of that level).
    struct Reached
    {
        const void* start;
        uint64_t serial;
        size_t size;
    };
    std::vector<Reached> reached;
    const auto kept = [&reached] {
        size_t bytes = 0;
        for (const Reached& block : reached)
            bytes += Blocks().SerialOf(block.start) == block.serial ? block.size : 0;
        return static_cast<double>(bytes);
    };
    // Per cycle: its growth, and what its dropped objects keep.
    std::vector<double> grown;
    std::vector<double> keptBy; // walked blocks that outlived the next cycle
    std::vector<double> listed; // the object list's 8 bytes per object made
    double objects = 0.0;
    double left = 0.0;
    for (auto _ : state) {
        const uint64_t serial = Blocks().Serial();
        const size_t heapBefore = Blocks().Bytes();
        const size_t firstId = GetObjectList().size() + 1;
        if (!Run(host, cycle)) {
            state.SkipWithError("cycle failed");
            return;
        }
        lua_gc(L, LUA_GCCOLLECT, 0);
        state.PauseTiming();
        grown.push_back(static_cast<double>(Blocks().Bytes()) - static_cast<double>(heapBefore));
        if (!keptBy.empty())
            keptBy.back() += kept();
        // Only blocks made in this cycle are walked.
        const auto sizeOf = [serial](const void* start) { return Blocks().SizeSince(start, serial); };
        std::unordered_set<const void*> entered;
        const size_t lastId = GetObjectList().size();
        for (size_t id = firstId; id <= lastId; ++id) {
            if (const CPManagedObject* object = CPManagedObject::FindLive(id)) {
                heap::Walk(heap::BlockOf(object), sizeOf, entered);
                left += 1.0;
            }
        }
        reached.clear();
        for (const void* start : entered)
            reached.push_back(Reached{ start, Blocks().SerialOf(start), Blocks().SizeSince(start, serial) });
        const double made = static_cast<double>(lastId + 1 - firstId);
        objects += made;
        keptBy.push_back(0.0);
        listed.push_back(sizeof(void*) * made);
        state.ResumeTiming();
    }
    // One more cycle tells what the last cycle's objects keep.
    if (!Run(host, cycle))
        return;
    lua_gc(L, LUA_GCCOLLECT, 0);
    keptBy.back() += kept();

    std::vector<double> rest;
    for (size_t i = 0; i < grown.size(); ++i)
        rest.push_back(grown[i] - keptBy[i]);
    const auto mean = [](const std::vector<double>& values) {
        double sum = 0.0;
        for (double value : values)
            sum += value;
        return sum / static_cast<double>(values.size());
    };
    const auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    // The object list was given its room before the measurement, so its
    // share is counted here rather than seen in the cycles' growth.
    state.counters["engine_kept_B"] = mean(keptBy) + mean(listed);
    state.counters["rest_B"] = mean(rest);
    state.counters["rest_median_B"] = median(rest);
    const double n = static_cast<double>(state.iterations());
    state.counters["objects_made"] = objects / n;
    state.counters["objects_left"] = left / n;
}

void BM_LevelCycle(benchmark::State& state)
{
    LevelCycle(state, false);
}
BENCHMARK(BM_LevelCycle)->Iterations(128)->Unit(benchmark::kMillisecond);

void BM_LevelCycle_Sky(benchmark::State& state)
{
    LevelCycle(state, true);
}
BENCHMARK(BM_LevelCycle_Sky)->Iterations(128)->Unit(benchmark::kMillisecond);
}
