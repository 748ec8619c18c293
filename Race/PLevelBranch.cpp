#include "Race/PLevelBranch.h"

#include "Race/PRaceLinks.h"
#include "Render/PMaterial.h"
#include "Render/PPerspectiveCamera.h"
#include "Render/PRender.h"
#include "Render/PRenderQueue.h"
#include "Render/PRenderable.h"
#include "Startup/PConfigVars.h"

#include <algorithm>

namespace
{
constexpr size_t kMaterialBuckets = 100;

float Axis(const D3DXVECTOR3& v, int axis)
{
    return axis == 0 ? v.x : (axis == 1 ? v.y : v.z);
}

// The candidate children of one axis, or none when every object lies on one
// side of the split point.
std::pair<CPLevelBranch*, CPLevelBranch*> SplitOn(const CPGameObject::ObjectList& objects, int axis, float split)
{
    CPGameObject::ObjectList upper;
    CPGameObject::ObjectList lower;
    for (const CPSmartPtr<CPGameObject>& object : objects) {
        if (Axis(object->GetObjectBounds().m_centre, axis) > split)
            upper.push_back(object);
        else
            lower.push_back(object);
    }
    if (upper.empty() || lower.empty())
        return { nullptr, nullptr };
    CPLevelBranch* upperBranch = new CPLevelBranch();
    CPLevelBranch* lowerBranch = new CPLevelBranch();
    upperBranch->AddObjects(upper);
    lowerBranch->AddObjects(lower);
    return { upperBranch, lowerBranch };
}
}

CPLevelBranch::CPLevelBranch()
{
    m_materials.reserve(kMaterialBuckets);
}

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
    m_bounds = m_objects.front()->GetObjectBounds();
    for (size_t i = 1; i < m_objects.size(); ++i)
        m_bounds.Merge(m_objects[i]->GetObjectBounds());
    ObjectList hierarchy;
    for (const CPSmartPtr<CPGameObject>& object : m_objects)
        object->CollectHierarchy(hierarchy);
    CollectMaterials(hierarchy);
    SortObjects();
}

void CPLevelBranch::AddMaterial(const CPSmartPtr<CPMaterial>& material)
{
    if (material && !m_materials.count(material.Get()))
        m_materials.emplace(material.Get(), material);
}

void CPLevelBranch::CollectMaterials(const ObjectList& hierarchy)
{
    for (const CPSmartPtr<CPGameObject>& object : hierarchy) {
        if (object->GetKind() != kBodyRenderObject || !object->IsStatic())
            continue;
        if (const auto* body = dynamic_cast<const CPRenderable*>(object->GetBody().Get()))
            AddMaterial(body->GetMaterial());
        if (object->HasShadow())
            AddMaterial(object->GetShadowMaterial());
    }
}

void CPLevelBranch::SortObjects()
{
    CPSmartPtr<CPRenderQueue> staticQueue;
    if (g_CfgStatic != 0 && GetRender())
        staticQueue = GetRender()->GetStaticRenderQueue();
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
    if (m_objects.empty())
        return;
    D3DXVECTOR3 smallest = m_objects.front()->GetObjectBounds().m_centre;
    D3DXVECTOR3 largest = smallest;
    for (const CPSmartPtr<CPGameObject>& object : m_objects) {
        const D3DXVECTOR3& centre = object->GetObjectBounds().m_centre;
        D3DXVec3Minimize(&smallest, &smallest, &centre);
        D3DXVec3Maximize(&largest, &largest, &centre);
    }
    const D3DXVECTOR3 split = (smallest + largest) * 0.5f;

    for (int axis = 0; axis < 3; ++axis) {
        const auto candidate = SplitOn(m_objects, axis, Axis(split, axis));
        if (!candidate.first)
            continue;
        const size_t candidateSum = candidate.first->GetMaterialCount() + candidate.second->GetMaterialCount();
        if (!m_upper || candidateSum < m_upper->GetMaterialCount() + m_lower->GetMaterialCount()) {
            SetChildren(candidate.first, candidate.second);
        } else {
            // Not kept: the candidate ends here.
            delete candidate.first;
            delete candidate.second;
        }
    }
    if (m_upper) {
        m_upper->Build(depth + 1);
        m_lower->Build(depth + 1);
    }
    DeletePendingObjects();
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
