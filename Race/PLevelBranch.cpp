#include "Race/PLevelBranch.h"

#include "Race/PRaceLinks.h"
#include "Render/PMaterial.h"
#include "Render/PPerspectiveCamera.h"
#include "Render/PRender.h"
#include "Render/PRenderQueue.h"
#include "Render/PRenderable.h"
#include "Startup/PConfigVars.h"

#include <algorithm>
#include <unordered_set>

namespace
{
float Axis(const D3DXVECTOR3& v, int axis)
{
    return axis == 0 ? v.x : (axis == 1 ? v.y : v.z);
}

// Calls `add` with each material a branch lists for the hierarchy: the
// material of every static render object and, when it casts a shadow, its
// shadow material (null ones left out).
template <class Add>
void ForEachBranchMaterial(const CPGameObject::ObjectList& hierarchy, Add&& add)
{
    for (const CPSmartPtr<CPGameObject>& object : hierarchy) {
        if (object->GetKind() != kBodyRenderObject || !object->IsStatic())
            continue;
        if (const auto* body = dynamic_cast<const CPRenderable*>(object->GetBody().Get())) {
            const CPSmartPtr<CPMaterial> material = body->GetMaterial();
            if (material)
                add(material);
        }
        if (object->HasShadow() && object->GetShadowMaterial())
            add(object->GetShadowMaterial());
    }
}

CPSmartPtr<CPRenderQueue> StaticQueue()
{
    if (g_CfgStatic != 0 && GetRender())
        return GetRender()->GetStaticRenderQueue();
    return CPSmartPtr<CPRenderQueue>();
}
}

// What the build needs of the objects, gathered once: each object's
// materials as positions in a table of the distinct ones, and stamps to count
// the distinct materials of a candidate without making its material map.
struct CPLevelBranch::BuildScratch
{
    explicit BuildScratch(const ObjectList& list)
        : objects(list)
        , staticQueue(StaticQueue())
    {
        std::unordered_map<CPMaterial*, uint32_t> positions;
        ObjectList hierarchy;
        firstMaterial.reserve(objects.size() + 1);
        for (const CPSmartPtr<CPGameObject>& object : objects) {
            firstMaterial.push_back(static_cast<uint32_t>(materials.size()));
            hierarchy.clear();
            object->CollectHierarchy(hierarchy);
            ForEachBranchMaterial(hierarchy, [&](const CPSmartPtr<CPMaterial>& material) {
                const auto found = positions.emplace(material.Get(), static_cast<uint32_t>(table.size()));
                if (found.second)
                    table.push_back(material);
                materials.push_back(found.first->second);
            });
        }
        firstMaterial.push_back(static_cast<uint32_t>(materials.size()));
        stamps.assign(table.size(), 0);
    }

    // Calls `add` once with each distinct material of the objects at these
    // positions.
    template <class Add>
    void ForEachMaterial(const Indices& mine, Add&& add)
    {
        ++stamp;
        for (const uint32_t i : mine) {
            for (uint32_t m = firstMaterial[i]; m < firstMaterial[i + 1]; ++m) {
                if (stamps[materials[m]] != stamp) {
                    stamps[materials[m]] = stamp;
                    add(table[materials[m]]);
                }
            }
        }
    }

    size_t CountMaterials(const Indices& mine)
    {
        size_t count = 0;
        ForEachMaterial(mine, [&count](const CPSmartPtr<CPMaterial>&) { ++count; });
        return count;
    }

    // What a candidate branch hands the static queue: its static objects.
    void QueueStatic(const Indices& mine) const
    {
        if (!staticQueue)
            return;
        for (const uint32_t i : mine) {
            if (objects[i]->IsStatic())
                QueueDynamicTree(*staticQueue, objects[i]);
        }
    }

    const ObjectList& objects;
    const CPSmartPtr<CPRenderQueue> staticQueue;
    std::vector<CPSmartPtr<CPMaterial>> table;
    // Object i's materials are materials[firstMaterial[i]] up to
    // materials[firstMaterial[i + 1]].
    Indices firstMaterial;
    Indices materials;
    std::vector<uint32_t> stamps;
    uint32_t stamp = 0;
};

CPLevelBranch::CPLevelBranch() = default;

CPLevelBranch::~CPLevelBranch()
{
    SetChildren(nullptr, nullptr);
}

int32_t CPLevelBranch::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPLevelBranch));
}

std::string CPLevelBranch::GetTypeName() const
{
    return "CPLevelBranch";
}

void CPLevelBranch::SetChildren(CPLevelBranch* upper, CPLevelBranch* lower)
{
    CPLevelBranch* oldUpper = m_upper.Get();
    CPLevelBranch* oldLower = m_lower.Get();
    m_upper = upper;
    m_lower = lower;
    delete oldUpper;
    delete oldLower;
}

void CPLevelBranch::AddObjects(const ObjectList& objects)
{
    m_objects = objects;
    if (m_objects.empty())
        return;
    ObjectList hierarchy;
    for (const CPSmartPtr<CPGameObject>& object : m_objects)
        object->CollectHierarchy(hierarchy);
    CollectMaterials(hierarchy);
    SortObjects(StaticQueue());
}

void CPLevelBranch::CollectMaterials(const ObjectList& hierarchy)
{
    std::unordered_set<CPMaterial*> listed;
    for (const CPSmartPtr<CPMaterial>& material : m_materials)
        listed.insert(material.Get());
    ForEachBranchMaterial(hierarchy, [&](const CPSmartPtr<CPMaterial>& material) {
        if (listed.insert(material.Get()).second)
            m_materials.push_back(material);
    });
}

void CPLevelBranch::SortObjects(const CPSmartPtr<CPRenderQueue>& staticQueue)
{
    m_bounds = m_objects.front()->GetObjectBounds();
    for (size_t i = 1; i < m_objects.size(); ++i)
        m_bounds.Merge(m_objects[i]->GetObjectBounds());
    for (const CPSmartPtr<CPGameObject>& object : m_objects) {
        if (object->IsStatic()) {
            if (staticQueue)
                QueueDynamicTree(*staticQueue, object);
            m_staticObjects.push_back(object);
        } else {
            m_dynamicObjects.push_back(object);
        }
    }
}

void CPLevelBranch::Build(int32_t depth)
{
    BuildScratch scratch(m_objects);
    Indices all(m_objects.size());
    for (size_t i = 0; i < all.size(); ++i)
        all[i] = static_cast<uint32_t>(i);
    Grow(depth, all, scratch);
}

// Each axis's candidate pair is made (so the branches made, and the static
// queue, are as if each candidate were filled), but only the kept pair is
// filled: the others are judged by their material counts alone.
void CPLevelBranch::Grow(int32_t depth, const Indices& mine, BuildScratch& scratch)
{
    if (mine.empty())
        return;
    const ObjectList& objects = scratch.objects;
    D3DXVECTOR3 smallest = objects[mine.front()]->GetObjectBounds().m_centre;
    D3DXVECTOR3 largest = smallest;
    for (const uint32_t i : mine) {
        const D3DXVECTOR3& centre = objects[i]->GetObjectBounds().m_centre;
        D3DXVec3Minimize(&smallest, &smallest, &centre);
        D3DXVec3Maximize(&largest, &largest, &centre);
    }
    const D3DXVECTOR3 split = (smallest + largest) * 0.5f;

    // Children from an earlier build stay unless a candidate does better.
    size_t keptSum = m_upper ? m_upper->GetMaterialCount() + m_lower->GetMaterialCount() : 0;
    bool replaced = false;
    Indices keptUpper;
    Indices keptLower;
    Indices upper;
    Indices lower;
    for (int axis = 0; axis < 3; ++axis) {
        const float at = Axis(split, axis);
        upper.clear();
        lower.clear();
        for (const uint32_t i : mine)
            (Axis(objects[i]->GetObjectBounds().m_centre, axis) > at ? upper : lower).push_back(i);
        if (upper.empty() || lower.empty())
            continue;
        auto* upperBranch = new CPLevelBranch();
        auto* lowerBranch = new CPLevelBranch();
        scratch.QueueStatic(upper);
        scratch.QueueStatic(lower);
        const size_t candidateSum = scratch.CountMaterials(upper) + scratch.CountMaterials(lower);
        if (!m_upper || candidateSum < keptSum) {
            SetChildren(upperBranch, lowerBranch);
            keptSum = candidateSum;
            replaced = true;
            keptUpper.swap(upper);
            keptLower.swap(lower);
        } else {
            // Not kept: the candidate ends here.
            delete upperBranch;
            delete lowerBranch;
        }
    }
    if (replaced) {
        m_upper->Take(keptUpper, scratch);
        m_lower->Take(keptLower, scratch);
        m_upper->Grow(depth + 1, keptUpper, scratch);
        m_lower->Grow(depth + 1, keptLower, scratch);
    } else if (m_upper) {
        m_upper->Build(depth + 1);
        m_lower->Build(depth + 1);
    }
    DeletePendingObjects();
}

void CPLevelBranch::Take(const Indices& mine, BuildScratch& scratch)
{
    m_objects.reserve(mine.size());
    for (const uint32_t i : mine)
        m_objects.push_back(scratch.objects[i]);
    m_materials.reserve(scratch.CountMaterials(mine));
    scratch.ForEachMaterial(mine, [this](const CPSmartPtr<CPMaterial>& material) { m_materials.push_back(material); });
    // The build queued these already, as it made the candidates.
    SortObjects(CPSmartPtr<CPRenderQueue>());
}

CPGameObject* CPLevelBranch::ChooseDetail(CPGameObject& object)
{
    const std::vector<CPDetailLevel>& levels = object.GetDetailLevels();
    if (levels.size() < 2 || !g_ActiveCamera)
        return &object;
    const D3DXVECTOR3 offset = object.GetPosition() - g_ActiveCamera->m_eye;
    const float distance = D3DXVec3LengthSq(&offset);
    const float limit = static_cast<float>(g_CfgDistance) * static_cast<float>(g_CfgDistance);
    if (distance > limit)
        return nullptr;
    float bound = limit;
    for (size_t i = levels.size() - 1; i >= 1; --i) {
        const float level = static_cast<float>(levels[i].distance) * static_cast<float>(levels[i].distance);
        if (distance <= bound && distance > level)
            return levels[i].object.Get();
        bound = level;
    }
    return &object;
}

void CPLevelBranch::Draw(const CPPerspectiveCamera* camera)
{
    if (camera && !camera->IsBoxVisible(m_bounds.m_min, m_bounds.m_max))
        return;
    if (m_upper) {
        m_upper->Draw(camera);
        m_lower->Draw(camera);
        return;
    }
    DrawLeaf();
}

void CPLevelBranch::DrawLeaf()
{
    CPRender* render = GetRender();
    if (!render)
        return;
    render->m_drawnObjects += static_cast<int32_t>(m_objects.size());
    const CPSmartPtr<CPRenderQueue> queue = render->GetRenderQueue();
    if (!queue)
        return;
    for (const CPSmartPtr<CPGameObject>& object : m_dynamicObjects)
        QueueObjectTree(*queue, object);
    for (const CPSmartPtr<CPGameObject>& object : m_staticObjects) {
        if (CPGameObject* chosen = ChooseDetail(*object))
            QueueObjectTree(*queue, CPSmartPtr<CPGameObject>(chosen));
    }
}

bool CPLevelBranch::CrossRay(CPRayQuery& query)
{
    if (m_objects.empty() || !m_bounds.IntersectSegment(query.origin, query.direction, query.distance))
        return false;
    if (m_upper) {
        const bool upperHit = m_upper->CrossRay(query);
        const bool lowerHit = m_lower->CrossRay(query);
        return upperHit || lowerHit;
    }
    bool hit = false;
    for (const CPSmartPtr<CPGameObject>& object : m_objects)
        hit = object->RayPick(query) || hit;
    return hit;
}

void CPLevelBranch::CollectObjectsNear(const D3DXVECTOR3& centre, float radius, ObjectList& out)
{
    if (m_objects.empty() || !m_bounds.SphereTest(centre, radius))
        return;
    if (m_upper) {
        m_upper->CollectObjectsNear(centre, radius, out);
        m_lower->CollectObjectsNear(centre, radius, out);
        return;
    }
    for (const CPSmartPtr<CPGameObject>& object : m_objects)
        if (object->GetPartBounds().SphereTest(centre, radius))
            out.push_back(object);
}

void CPLevelBranch::DeactivateDynamicObjects()
{
    for (const CPSmartPtr<CPGameObject>& object : m_dynamicObjects)
        object->Deactivate();
}
