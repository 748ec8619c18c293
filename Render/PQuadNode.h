// Static-geometry quadtree over the ground plane (x and y; z is up). The
// level builds it once from its objects down to "quadlevels" levels; each
// frame it is walked with the main camera, so that only the objects of
// visible leaves within the draw distance reach the render queue. A leaf's
// box is the union of its objects' bounds, so an object reaching over a
// border stays inside its leaf's box.
#pragma once

#include "Core/PBounds.h"
#include "Core/PSmartPtr.h"

#include <cstdint>
#include <memory>
#include <vector>

class CPGameObject;
class CPPerspectiveCamera;

class CPQuadNode
{
public:
    using ObjectList = std::vector<CPSmartPtr<CPGameObject>>;
    static constexpr int kChildCount = 4;

    // No children, empty lists, no box.
    CPQuadNode();
    // Deletes the children, frees the box, releases both lists.
    virtual ~CPQuadNode();
    CPQuadNode(const CPQuadNode&) = delete;
    CPQuadNode& operator=(const CPQuadNode&) = delete;

    // A new box from minimum centre - half size to maximum centre + half size.
    void SetBounds(const D3DXVECTOR3& centre, const D3DXVECTOR3& halfSize);
    // Appends the object, to be queued as a whole tree.
    void AddObject(const CPSmartPtr<CPGameObject>& object);
    // At the depth limit the node keeps the objects and its box grows to their
    // bounds. Above it, four children split the node's box in x and y and each
    // object goes to the first child whose closed box holds its position (or,
    // from outside the node, its position clamped into the node's box).
    void Build(const ObjectList& objects, int32_t depth);
    // Walks the visible children; a leaf within the draw distance of the eye
    // queues its objects and adds them to the render system's drawn count.
    void Draw(const CPPerspectiveCamera& camera);

    CPQuadNode* GetChild(int index) const { return m_children[index]; }
    const ObjectList& GetObjects() const { return m_objects; }
    // Queued one by one, without children.
    ObjectList& GetSingleObjects() { return m_singleObjects; }
    // Null until SetBounds.
    const CPBounds* GetBounds() const { return m_box.get(); }

private:
    CPQuadNode* m_children[kChildCount] = { nullptr, nullptr, nullptr, nullptr };
    ObjectList m_objects;
    ObjectList m_singleObjects;
    std::unique_ptr<CPBounds> m_box;
};
