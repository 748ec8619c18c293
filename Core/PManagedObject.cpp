#include "Core/PManagedObject.h"

#include <cstddef>
#include <cstdint>

namespace
{
// The registries live for the whole process and are never destroyed, so an
// object destroyed during static destruction can still find them.
std::vector<CPManagedObject*>& ObjectList()
{
    static auto* list = new std::vector<CPManagedObject*>();
    return *list;
}

std::vector<CPManagedObject*>& PendingList()
{
    static auto* list = new std::vector<CPManagedObject*>();
    return *list;
}

// Whether the object of each position of the object list (id - 1) still
// lives. Ids are given densely, so this is a lookup by position, not a hash.
std::vector<bool>& LiveIds()
{
    static auto* live = new std::vector<bool>();
    return *live;
}

// A set of addresses in one open table (linear probing, at most half full):
// adding and removing allocates nothing but a larger table now and then.
class AddressSet
{
public:
    void Insert(const void* address)
    {
        if ((m_count + 1) * 2 > m_slots.size())
            Grow();
        size_t i = Home(address);
        while (m_slots[i] && m_slots[i] != address)
            i = (i + 1) & Mask();
        if (!m_slots[i]) {
            m_slots[i] = address;
            ++m_count;
        }
    }

    bool Contains(const void* address) const
    {
        if (m_slots.empty())
            return false;
        for (size_t i = Home(address); m_slots[i]; i = (i + 1) & Mask()) {
            if (m_slots[i] == address)
                return true;
        }
        return false;
    }

    void Erase(const void* address)
    {
        if (m_slots.empty())
            return;
        size_t hole = Home(address);
        while (m_slots[hole] != address) {
            if (!m_slots[hole])
                return;
            hole = (hole + 1) & Mask();
        }
        // Later entries of the run move back into the hole when their home
        // slot lies at or before it, so no lookup meets a gap before its entry.
        for (size_t j = (hole + 1) & Mask(); m_slots[j]; j = (j + 1) & Mask()) {
            if (((j - Home(m_slots[j])) & Mask()) >= ((j - hole) & Mask())) {
                m_slots[hole] = m_slots[j];
                hole = j;
            }
        }
        m_slots[hole] = nullptr;
        --m_count;
    }

private:
    size_t Mask() const { return m_slots.size() - 1; }

    // Fibonacci hashing of the address: its top bits pick the slot.
    size_t Home(const void* address) const
    {
        const uint64_t key = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(address));
        return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> m_shift);
    }

    void Grow()
    {
        std::vector<const void*> old(m_slots.size() < 32 ? 64 : m_slots.size() * 2, nullptr);
        old.swap(m_slots);
        m_shift = 64;
        for (size_t size = m_slots.size(); size > 1; size >>= 1)
            --m_shift;
        m_count = 0;
        for (const void* address : old) {
            if (address)
                Insert(address);
        }
    }

    std::vector<const void*> m_slots; // a power of two in size; null is empty
    size_t m_count = 0;
    int m_shift = 64;
};

// Addresses of the live objects, for engine code that holds plain pointers
// it did not get from a script (a physics body's owner, say).
AddressSet& LiveAddresses()
{
    static auto* live = new AddressSet();
    return *live;
}

uint64_t NextId()
{
    static uint64_t last = 0;
    return ++last;
}
}

CPManagedObject::CPManagedObject()
    : m_count(0)
    , m_id(NextId())
{
    ObjectList().push_back(this);
    LiveIds().push_back(true);
    LiveAddresses().Insert(this);
}

CPManagedObject::~CPManagedObject()
{
    LiveIds()[m_id - 1] = false;
    LiveAddresses().Erase(this);
}

void CPManagedObject::AddRef()
{
    ++m_count;
}

void CPManagedObject::Release()
{
    m_count = 0;
}

CPManagedObject* CPManagedObject::FindLive(uint64_t id)
{
    const std::vector<bool>& live = LiveIds();
    if (id == 0 || id > live.size() || !live[id - 1])
        return nullptr;
    return ObjectList()[id - 1];
}

bool CPManagedObject::IsLive(const void* address)
{
    return address && LiveAddresses().Contains(address);
}

const std::vector<CPManagedObject*>& GetObjectList()
{
    return ObjectList();
}

std::vector<CPManagedObject*>& GetPendingDeleteList()
{
    return PendingList();
}

void DeletePendingObjects()
{
    // Take the list first: a destructor may add to it again.
    std::vector<CPManagedObject*> pending;
    pending.swap(PendingList());
    for (CPManagedObject* object : pending) {
        if (object)
            delete object;
    }
}
