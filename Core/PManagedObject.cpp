#include "Core/PManagedObject.h"

#include <unordered_set>

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

// Addresses of the live objects, for engine code that holds plain pointers
// it did not get from a script (a physics body's owner, say).
std::unordered_set<const void*>& LiveAddresses()
{
    static auto* live = new std::unordered_set<const void*>();
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
    LiveAddresses().insert(this);
}

CPManagedObject::~CPManagedObject()
{
    LiveIds()[m_id - 1] = false;
    LiveAddresses().erase(this);
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
    return address && LiveAddresses().count(address) != 0;
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
