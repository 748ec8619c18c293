// The level's spatial tree: a binary tree over the level's scene objects.
// Each node is split at the midpoint of its objects' centres on whichever
// axis leaves its two children the fewest distinct materials, so leaves group
// objects that share materials and the renderer gets few batches. Drawing
// walks only branches in view (static objects with a distance cut and a
// detail-level choice), and segment and sphere queries walk only the
// branches they touch. The tree owns its branches.
#pragma once

#include "Core/PBounds.h"
#include "Core/PGameObject.h"
#include "Core/PManagedObject.h"
#include "Core/PSmartPtr.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class CPMaterial;
class CPRenderQueue;
class CPPerspectiveCamera;

class CPLevelBranch : public CPManagedObject
{
public:
    using ObjectList = CPGameObject::ObjectList;

    CPLevelBranch();
    // Destroys both children.
    ~CPLevelBranch() override;

    int32_t GetObjectSize() const override;
    // "CPLevelBranch".
    std::string GetTypeName() const override;

    // Takes the objects as this branch's own: bounds, materials and the
    // static and dynamic lists follow from them.
    void AddObjects(const ObjectList& objects);
    // Splits the branch, and its children in turn, while some axis divides
    // its objects.
    void Build(int32_t depth);
    // Hands the objects of the branches in view to the render queue; without
    // a camera every leaf counts as in view.
    void Draw(const CPPerspectiveCamera* camera);
    // Picks the segment against the objects of the leaves it crosses; true
    // when some object was hit, the query then holding the nearest hit.
    bool CrossRay(CPRayQuery& query);
    // Appends the objects of touched leaves whose part bounds the sphere
    // reaches.
    void CollectObjectsNear(const D3DXVECTOR3& centre, float radius, ObjectList& out);
    // Deactivates this branch's dynamic objects (on the root: all of them).
    void DeactivateDynamicObjects();

    size_t GetMaterialCount() const { return m_materials.size(); }
    const CPBounds& GetBounds() const { return m_bounds; }
    CPLevelBranch* GetUpper() const { return m_upper.Get(); }
    CPLevelBranch* GetLower() const { return m_lower.Get(); }
    const ObjectList& GetObjects() const { return m_objects; }
    const ObjectList& GetDynamicObjects() const { return m_dynamicObjects; }
    const ObjectList& GetStaticObjects() const { return m_staticObjects; }

private:
    struct BuildScratch;
    using Indices = std::vector<uint32_t>;

    // Build's recursion over the objects at these positions of the build's
    // object list (this branch's own objects, in order).
    void Grow(int32_t depth, const Indices& mine, BuildScratch& scratch);
    // AddObjects for a kept child, from what the build gathered; the static
    // queue had these objects when the child was a candidate.
    void Take(const Indices& mine, BuildScratch& scratch);
    void CollectMaterials(const ObjectList& hierarchy);
    // Bounds from the objects (at least one), then each object listed as
    // static or dynamic; static ones also go to the queue when one is given.
    void SortObjects(const CPSmartPtr<CPRenderQueue>& staticQueue);
    void DrawLeaf();
    // The object to draw for a static object, by its detail levels and its
    // distance from the active camera; null for none.
    static CPGameObject* ChooseDetail(CPGameObject& object);
    // Replaces the children (destroying the old ones).
    void SetChildren(CPLevelBranch* upper, CPLevelBranch* lower);

    // The distinct materials of the branch's static render objects.
    std::vector<CPSmartPtr<CPMaterial>> m_materials;
    CPBounds m_bounds;
    CPSmartPtr<CPLevelBranch> m_upper;
    CPSmartPtr<CPLevelBranch> m_lower;
    ObjectList m_objects;
    ObjectList m_dynamicObjects;
    ObjectList m_staticObjects;
};
