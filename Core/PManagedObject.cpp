#include "Core/PManagedObject.h"

#include <unordered_map>
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

// Live objects by id.
std::unordered_map<uint64_t, CPManagedObject*>& LiveTable()
{
    static auto* live = new std::unordered_map<uint64_t, CPManagedObject*>();
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
    LiveTable().emplace(m_id, this);
    LiveAddresses().insert(this);
}

CPManagedObject::~CPManagedObject()
{
    LiveTable().erase(m_id);
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
    const auto found = LiveTable().find(id);
    return found == LiveTable().end() ? nullptr : found->second;
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
