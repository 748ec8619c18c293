// What one fuzz input built, ended before the next input. The engine ends an
// object only through its deleting destructor and keeps whatever a reader
// drops, so a target that kept every input's objects would run out of memory
// and spend its time in the leak checker. An InputObjects scope around an
// input ends, when it closes (or at End), every managed object made on the
// heap while it was open that still lives: holders before what they hold,
// and among objects that hold each other the older first (a parent before
// its children). Who holds whom is read from the heap blocks made while the
// scope was open, as the sanitizer's allocator reports them
// (tests/HeapWalk.h); without AddressSanitizer nothing is ended.
//
// A target's own long-lived objects (made before the first scope opens)
// must let go of what an input made before it is ended: an object that such
// a holder still names would be ended under it. An object that a long-lived
// one owns and ends itself later is kept (Keep), with what it holds.
#pragma once

#include "Core/PManagedObject.h"
#include "tests/HeapWalk.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELTRIX_INPUT_OBJECTS 1
#include <sanitizer/allocator_interface.h>
#endif
#endif

namespace fuzz
{
class InputObjects
{
public:
    InputObjects()
        : m_mark(GetObjectList().size())
    {
#if VELTRIX_INPUT_OBJECTS
        static const bool hooked = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree) != 0;
        (void)hooked;
        Blocks().Clear();
        Recording() = true;
#endif
    }

    ~InputObjects()
    {
        End();
#if VELTRIX_INPUT_OBJECTS
        Recording() = false;
        Blocks().Clear();
#endif
    }

    InputObjects(const InputObjects&) = delete;
    InputObjects& operator=(const InputObjects&) = delete;

    // Ends what the scope made so far, but for what is kept; the scope stays
    // open.
    void End()
    {
#if VELTRIX_INPUT_OBJECTS
        // A destructor may make objects of its own; they end in the next round.
        for (int round = 0; round < 4 && EndRound(); ++round) {
        }
#endif
    }

    // The object (when the scope made it) and what it holds are not ended,
    // until Unkeep.
    void Keep(const CPManagedObject* object)
    {
        if (object)
            m_kept.push_back(object->GetId());
    }
    void Unkeep(const CPManagedObject* object)
    {
        if (object)
            m_kept.erase(std::remove(m_kept.begin(), m_kept.end(), object->GetId()), m_kept.end());
    }

private:
#if VELTRIX_INPUT_OBJECTS
    static heap::BlockTable& Blocks()
    {
        static heap::BlockTable table;
        return table;
    }
    static bool& Recording()
    {
        static bool recording = false;
        return recording;
    }
    HEAP_UNCOVERED static void OnMalloc(const volatile void* block, size_t size)
    {
        if (Recording())
            Blocks().Add(const_cast<const void*>(block), size);
    }
    HEAP_UNCOVERED static void OnFree(const volatile void* block)
    {
        Blocks().Remove(const_cast<const void*>(block));
    }

    struct Node
    {
        uint64_t id;
        const void* block;
        std::vector<size_t> held; // the nodes this one names
    };

    // The strongly connected groups of the holding graph, holders' groups
    // before the groups they hold, each group's nodes oldest first (Tarjan's
    // algorithm, without recursion).
    HEAP_UNCOVERED static std::vector<std::vector<size_t>> HoldingGroups(const std::vector<Node>& nodes)
    {
        const size_t none = nodes.size();
        std::vector<size_t> index(nodes.size(), none);
        std::vector<size_t> low(nodes.size(), 0);
        std::vector<bool> onStack(nodes.size(), false);
        std::vector<size_t> stack;
        std::vector<std::vector<size_t>> groups;
        size_t counter = 0;
        for (size_t root = 0; root < nodes.size(); ++root) {
            if (index[root] != none)
                continue;
            std::vector<std::pair<size_t, size_t>> path{ { root, 0 } }; // node, next edge
            index[root] = low[root] = counter++;
            stack.push_back(root);
            onStack[root] = true;
            while (!path.empty()) {
                auto& [node, edge] = path.back();
                if (edge < nodes[node].held.size()) {
                    const size_t next = nodes[node].held[edge++];
                    if (index[next] == none) {
                        index[next] = low[next] = counter++;
                        stack.push_back(next);
                        onStack[next] = true;
                        path.push_back({ next, 0 });
                    } else if (onStack[next]) {
                        low[node] = std::min(low[node], index[next]);
                    }
                    continue;
                }
                const size_t done = node;
                path.pop_back();
                if (!path.empty())
                    low[path.back().first] = std::min(low[path.back().first], low[done]);
                if (low[done] != index[done])
                    continue;
                std::vector<size_t> group;
                size_t member = none;
                while (member != done) {
                    member = stack.back();
                    stack.pop_back();
                    onStack[member] = false;
                    group.push_back(member);
                }
                std::sort(group.begin(), group.end()); // nodes are listed oldest first
                groups.push_back(std::move(group));
            }
        }
        // Tarjan's algorithm closes a group after every group it reaches.
        std::reverse(groups.begin(), groups.end());
        return groups;
    }

    // Ends the live objects made in the scope; false when none was ended.
    HEAP_UNCOVERED bool EndRound()
    {
        std::vector<Node> nodes;
        std::unordered_map<const void*, size_t> byBlock;
        const std::vector<CPManagedObject*>& list = GetObjectList();
        for (size_t id = m_mark + 1; id <= list.size(); ++id) {
            const CPManagedObject* object = CPManagedObject::FindLive(id);
            const void* block = object ? heap::BlockOf(object) : nullptr;
            // Objects on the stack or inside another object are not ours to end.
            if (!block || Blocks().SizeSince(block, 0) == 0)
                continue;
            byBlock.emplace(block, nodes.size());
            nodes.push_back(Node{ id, block, {} });
        }
        if (nodes.empty())
            return false;

        bool ended = false;
        const auto sizeOf = [](const void* start) { return Blocks().SizeSince(start, 0); };
        std::unordered_set<const void*> entered;
        for (size_t i = 0; i < nodes.size(); ++i) {
            std::unordered_set<size_t> seen;
            for (const void* named : heap::Walk(nodes[i].block, sizeOf, entered).objects) {
                const auto found = byBlock.find(named);
                if (found == byBlock.end() || found->second == i || !seen.insert(found->second).second)
                    continue;
                nodes[i].held.push_back(found->second);
            }
        }

        // What is kept stays, with everything it holds.
        std::vector<bool> kept(nodes.size(), false);
        std::vector<size_t> keep;
        for (size_t i = 0; i < nodes.size(); ++i) {
            if (std::find(m_kept.begin(), m_kept.end(), nodes[i].id) != m_kept.end())
                keep.push_back(i);
        }
        while (!keep.empty()) {
            const size_t i = keep.back();
            keep.pop_back();
            if (kept[i])
                continue;
            kept[i] = true;
            keep.insert(keep.end(), nodes[i].held.begin(), nodes[i].held.end());
        }

        // Holders go before what they hold. Objects that hold each other
        // (a parent and its children name each other) form one group; the
        // groups go in the order their holds give, and within a group an
        // object that no other object left in it holds goes first, else the
        // oldest.
        for (const std::vector<size_t>& group : HoldingGroups(nodes)) {
            std::unordered_set<size_t> inGroup(group.begin(), group.end());
            std::unordered_map<size_t, size_t> holders;
            for (size_t i : group) {
                for (size_t held : nodes[i].held)
                    holders[held] += inGroup.count(held) ? 1 : 0;
            }
            std::vector<size_t> left = group; // oldest first
            while (!left.empty()) {
                auto next = left.begin();
                for (auto i = left.begin(); i != left.end(); ++i) {
                    if (holders[*i] == 0) {
                        next = i;
                        break;
                    }
                }
                const size_t ending = *next;
                left.erase(next);
                for (size_t held : nodes[ending].held) {
                    if (inGroup.count(held))
                        --holders[held];
                }
                // A destructor that ran before may have ended it already.
                CPManagedObject* object = CPManagedObject::FindLive(nodes[ending].id);
                if (object && !kept[ending]) {
                    delete object;
                    ended = true;
                }
            }
        }
        return ended;
    }
#endif

    size_t m_mark;
    std::vector<uint64_t> m_kept;
};
}
