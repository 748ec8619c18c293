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

std::unordered_set<const void*>& LiveSet()
{
    static auto* live = new std::unordered_set<const void*>();
    return *live;
}
}

CPManagedObject::CPManagedObject()
    : m_count(0)
{
    ObjectList().push_back(this);
    LiveSet().insert(this);
}

CPManagedObject::~CPManagedObject()
{
    LiveSet().erase(this);
}

void CPManagedObject::AddRef()
{
    ++m_count;
}

void CPManagedObject::Release()
{
    m_count = 0;
}

bool CPManagedObject::IsLive(const void* address)
{
    return address && LiveSet().count(address) != 0;
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
