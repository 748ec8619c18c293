// The block table that the heap walks read (tests/HeapWalk.h) against a plain
// map: rounds of adds and removes, each ended by a clear, over tables that
// grow and over rounds that fill more slots than a clear lists one by one.
#include "tests/HeapWalk.h"

#include "Platform/CRand.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <vector>

namespace
{
const void* Address(uint32_t n)
{
    return reinterpret_cast<const void*>(static_cast<uintptr_t>(0x100000) + 16u * static_cast<uintptr_t>(n));
}

struct Round
{
    int adds;
    int removePercent; // of the adds, each followed by a remove of a live block
};

TEST(BlockTable, ClearForgetsEveryBlockWhateverTheRoundsLeft)
{
    // A first round that grows the table past its first size, then rounds
    // that fill few slots of the grown table, then one past a quarter of it.
    const Round rounds[] = { { 60000, 10 }, { 50, 50 },    { 3000, 90 },  { 1, 0 },
                             { 0, 0 },      { 90000, 95 }, { 20000, 30 }, { 700, 0 } };
    heap::BlockTable table;
    std::vector<const void*> everAdded;
    uint32_t next = 1;
    crt::srand(7);
    for (const Round& round : rounds) {
        std::map<const void*, size_t> live;
        std::vector<const void*> order;
        for (int i = 0; i < round.adds; ++i) {
            // Fresh addresses, and now and then one of an earlier round.
            const void* start = (i % 5 == 4 && !everAdded.empty())
                                    ? everAdded[static_cast<size_t>(crt::rand()) % everAdded.size()]
                                    : Address(next++);
            const size_t size = 1 + static_cast<size_t>(crt::rand() % 500);
            table.Add(start, size);
            if (live.count(start) == 0)
                order.push_back(start);
            live[start] = size;
            everAdded.push_back(start);
            if (crt::rand() % 100 < round.removePercent && !order.empty()) {
                const size_t at = static_cast<size_t>(crt::rand()) % order.size();
                table.Remove(order[at]);
                live.erase(order[at]);
                order[at] = order.back();
                order.pop_back();
            }
        }
        ASSERT_EQ(table.Count(), live.size());
        for (const auto& [start, size] : live)
            ASSERT_EQ(table.SizeSince(start, 0), size);

        table.Clear();
        EXPECT_EQ(table.Count(), 0u);
        EXPECT_EQ(table.Bytes(), 0u);
        size_t listed = 0;
        table.ForEach([&](const void*, size_t) { ++listed; });
        EXPECT_EQ(listed, 0u);
        for (const void* start : everAdded)
            ASSERT_EQ(table.SizeSince(start, 0), 0u);
    }
}
}
