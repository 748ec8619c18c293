// Root of every shared engine object. It carries an intrusive reference count
// and reports its class size and name. Counting never destroys anything:
// AddRef counts up, Release resets the count to zero, and an object ends only
// when code calls its deleting destructor (DeletePendingObjects does so for
// the objects of the pending-delete list).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CPGameObject;

class CPManagedObject
{
public:
    CPManagedObject();
    CPManagedObject(const CPManagedObject&) = delete;
    CPManagedObject& operator=(const CPManagedObject&) = delete;
    virtual ~CPManagedObject();

    virtual void AddRef();
    // Sets the count to zero; frees nothing.
    virtual void Release();
    virtual int32_t GetObjectSize() const = 0;
    // The class name, or "Class - name" for objects that have a name.
    virtual std::string GetTypeName() const = 0;
    // The object as a game object, or null when it is none; cheaper than a
    // dynamic_cast, which searches the class tree by name.
    virtual CPGameObject* AsGameObject() { return nullptr; }

    int32_t GetRefCount() const { return m_count; }

    // The object's handle: a number given once in the life of the process
    // (1, 2, 3, ... in construction order), so a handle to a destroyed
    // object never names another one, even one at the same address.
    uint64_t GetId() const { return m_id; }
    // The live object of that id, or null. Handles that come back from
    // scripts or command texts are looked up here before they are used.
    static CPManagedObject* FindLive(uint64_t id);
    // Whether a managed object lives at this address now. Only for pointers
    // the engine itself keeps; script handles go through FindLive, since an
    // address may be taken again by a new object.
    static bool IsLive(const void* address);

protected:
    int32_t m_count;

private:
    const uint64_t m_id;
};

// Every managed object ever constructed, in construction order. Entries are
// never removed, not even on destruction; nothing in the engine reads it.
// The object at position i has the id i + 1, so FindLive(i + 1) tells
// whether it is still alive.
const std::vector<CPManagedObject*>& GetObjectList();

// Objects awaiting destruction. Nothing in the engine adds to it; the host may.
std::vector<CPManagedObject*>& GetPendingDeleteList();

// Destroys every listed object in list order (null entries skipped), then
// empties the list.
void DeletePendingObjects();
