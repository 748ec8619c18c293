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
// Both are means over the measured cycles; rest_median_B is the median
// cycle's rest (lists the stand-ins bound, such as the device's records of
// released resources, grow in most cycles and are trimmed now and then).
// The object registries are given room before the measurement, so their
// rare doublings do not show up as one cycle's growth.
#include "Core/PManagedObject.h"
#include "Host/PGameHost.h"
#include "tests/DynamicSky/SkyFiles.h"
#include "tests/HeapWalk.h"
#include "tests/LevelFixture.h"
#include "tests/ScratchRoot.h"

#include <benchmark/benchmark.h>

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* block);
}

namespace
{
// The live blocks: start, requested size and the serial number of the
// allocation, in an open table (linear probing, at most half full) whose
// memory comes straight from the system, so keeping it allocates nothing.
class BlockTable
{
public:
    void Add(const void* start, size_t size)
    {
        if (!start)
            return;
        Lock();
        if ((m_count + 1) * 2 > m_capacity)
            Grow();
        Slot& slot = m_slots[Find(start)];
        if (!slot.start)
            ++m_count;
        else
            m_bytes -= slot.size;
        slot = Slot{ start, size, ++m_serial };
        m_bytes += size;
        Unlock();
    }

    void Remove(const void* start)
    {
        if (!start)
            return;
        Lock();
        if (m_capacity != 0) {
            size_t hole = Find(start);
            if (m_slots[hole].start) {
                m_bytes -= m_slots[hole].size;
                --m_count;
                // Later slots of the run move back into the hole when their
                // home lies at or before it.
                for (size_t j = (hole + 1) & Mask(); m_slots[j].start; j = (j + 1) & Mask()) {
                    if (((j - Home(m_slots[j].start)) & Mask()) >= ((j - hole) & Mask())) {
                        m_slots[hole] = m_slots[j];
                        hole = j;
                    }
                }
                m_slots[hole] = Slot{};
            }
        }
        Unlock();
    }

    // The requested size of the block that starts there when it was
    // allocated after `serial`; 0 otherwise.
    size_t SizeSince(const void* start, uint64_t serial)
    {
        Lock();
        size_t size = 0;
        if (m_capacity != 0) {
            const Slot& slot = m_slots[Find(start)];
            if (slot.start && slot.serial > serial)
                size = slot.size;
        }
        Unlock();
        return size;
    }

    // The serial number of the live block that starts there; 0 when none does.
    uint64_t SerialOf(const void* start)
    {
        Lock();
        const uint64_t serial = m_capacity != 0 ? m_slots[Find(start)].serial : 0;
        Unlock();
        return serial;
    }

    size_t Bytes() const { return m_bytes; }
    uint64_t Serial() const { return m_serial; }

private:
    struct Slot
    {
        const void* start = nullptr;
        size_t size = 0;
        uint64_t serial = 0;
    };

    void Lock()
    {
        while (m_lock.test_and_set(std::memory_order_acquire)) {
        }
    }
    void Unlock() { m_lock.clear(std::memory_order_release); }

    size_t Mask() const { return m_capacity - 1; }
    size_t Home(const void* start) const
    {
        return static_cast<size_t>((reinterpret_cast<uintptr_t>(start) * 0x9E3779B97F4A7C15ull) >> 20) & Mask();
    }
    size_t Find(const void* start) const
    {
        size_t i = Home(start);
        while (m_slots[i].start && m_slots[i].start != start)
            i = (i + 1) & Mask();
        return i;
    }

    void Grow()
    {
        Slot* const old = m_slots;
        const size_t oldCapacity = m_capacity;
        m_capacity = oldCapacity == 0 ? (1u << 16) : oldCapacity * 2;
        void* memory = mmap(nullptr, m_capacity * sizeof(Slot), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                            -1, 0);
        if (memory == MAP_FAILED)
            std::abort();
        m_slots = static_cast<Slot*>(memory);
        for (size_t i = 0; i < oldCapacity; ++i) {
            if (old[i].start)
                m_slots[Find(old[i].start)] = old[i];
        }
        if (old)
            munmap(old, oldCapacity * sizeof(Slot));
    }

    std::atomic_flag m_lock = ATOMIC_FLAG_INIT;
    Slot* m_slots = nullptr;
    size_t m_capacity = 0;
    size_t m_count = 0;
    size_t m_bytes = 0;
    uint64_t m_serial = 0;
};

BlockTable& Blocks()
{
    static BlockTable table; // constant-initialised: usable before main
    return table;
}
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
    ScratchRoot root;
    if (!level::WriteLevelFiles(root.Path())) {
        state.SkipWithError("fixture not written");
        return;
    }
    if (sky) {
        SkyText text;
        text.segments = kSkySegments;
        WriteSkyArt(root, "Data");
        WriteSkyClouds(root, "skyscape1.txt", text, "Data");
    }
    CPGameHost host(root.Path());
    lua_State* L = host.GetLuaState();
    const std::string setUp = "HOST.seed(1) HOST.set_time_ms(1000) ClearGameData() SetPlayerName('buggy') "
                              "SetNumRounds(2)";
    // The game's scripts read the commands the race sends them.
    const std::string cycle = "InitLevel('level1', false) assert(HOST.player(), 'no player') "
                              "StartLevel() SetUpdateTime(true) SetLevelStarted(true) "
                              "HOST.frame(1 / 60, " + std::to_string(kFrames) + ") StopLevel() DeleteLevel() "
                              "for _, name in ipairs({ 'gamemenu', 'game_interface', 'jeep', 'main' }) do "
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
    std::vector<double> keptBy;
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
        const heap::BlockSize sizeOf = [serial](const void* start) { return Blocks().SizeSince(start, serial); };
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
        keptBy.push_back(sizeof(void*) * made);
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
    state.counters["engine_kept_B"] = mean(keptBy);
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
