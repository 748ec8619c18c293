// Game objects for tests: made on the heap as the engine makes them, and
// destroyed (newest first) when the pool goes, unless a test destroyed them
// itself. Newest first suits trees, where children are made after their
// parents. Bodies, materials, animations and the objects the engine creates
// are left alive, as the engine leaves them: whatever holds a reference to
// them may be destroyed later.
#pragma once

#include "Core/PGameObject.h"

#include <algorithm>
#include <string>
#include <vector>

class ObjectPool
{
public:
    ObjectPool() = default;
    ObjectPool(const ObjectPool&) = delete;
    ObjectPool& operator=(const ObjectPool&) = delete;
    ~ObjectPool()
    {
        for (auto it = m_objects.rbegin(); it != m_objects.rend(); ++it)
            delete *it;
    }

    // A new object, added to the parent when one is given.
    CPGameObject* Make(const std::string& name, CPGameObject* parent = nullptr)
    {
        auto* object = new CPGameObject(name);
        m_objects.push_back(object);
        if (parent)
            parent->AddChild(object);
        return object;
    }
    void Destroy(CPGameObject* object)
    {
        m_objects.erase(std::remove(m_objects.begin(), m_objects.end(), object), m_objects.end());
        delete object;
    }

private:
    std::vector<CPGameObject*> m_objects;
};
