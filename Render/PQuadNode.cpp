#include "Render/PQuadNode.h"

#include "Core/PGameObject.h"
#include "Render/PPerspectiveCamera.h"
#include "Render/PRender.h"
#include "Render/PRenderQueue.h"
#include "Startup/PConfigVars.h"

#include <algorithm>
#include <cmath>

namespace
{
// True when the point lies in the box, faces included.
bool ContainsClosed(const CPBounds& box, const D3DXVECTOR3& p)
{
    return std::fabs(box.m_centre.x - p.x) <= box.m_halfSize.x && std::fabs(box.m_centre.y - p.y) <= box.m_halfSize.y &&
           std::fabs(box.m_centre.z - p.z) <= box.m_halfSize.z;
}

D3DXVECTOR3 ClampInto(const CPBounds& box, const D3DXVECTOR3& p)
{
    return D3DXVECTOR3(std::min(std::max(p.x, box.m_min.x), box.m_max.x),
                       std::min(std::max(p.y, box.m_min.y), box.m_max.y),
                       std::min(std::max(p.z, box.m_min.z), box.m_max.z));
}
}

CPQuadNode::CPQuadNode() = default;

CPQuadNode::~CPQuadNode()
{
    for (CPQuadNode*& child : m_children) {
        delete child;
        child = nullptr;
    }
}

void CPQuadNode::SetBounds(const D3DXVECTOR3& centre, const D3DXVECTOR3& halfSize)
{
    auto box = std::make_unique<CPBounds>();
    box->m_min = centre - halfSize;
    box->m_max = centre + halfSize;
    box->m_halfSize = halfSize;
    box->m_centre = centre;
    m_box = std::move(box);
}

void CPQuadNode::AddObject(const CPSmartPtr<CPGameObject>& object)
{
    m_objects.push_back(object);
}

void CPQuadNode::Build(const ObjectList& objects, int32_t depth)
{
    // At the limit (or past it, for a limit below 0) the node is a leaf.
    if (depth >= g_CfgQuadLevels) {
        if (objects.empty())
            return;
        CPBounds bounds = objects.front()->GetObjectBounds();
        for (const CPSmartPtr<CPGameObject>& object : objects) {
            AddObject(object);
            bounds.Merge(object->GetObjectBounds());
        }
        SetBounds(bounds.m_centre, bounds.m_halfSize);
        return;
    }

    if (!m_box)
        SetBounds(D3DXVECTOR3(), D3DXVECTOR3());
    const D3DXVECTOR3 c = m_box->m_centre;
    const D3DXVECTOR3 h = m_box->m_halfSize;
    const D3DXVECTOR3 childHalf(h.x / 2.0f, h.y / 2.0f, h.z);
    const D3DXVECTOR3 centres[kChildCount] = {
        D3DXVECTOR3(c.x - h.x / 2.0f, c.y - h.y / 2.0f, c.z),
        D3DXVECTOR3(c.x + h.x / 2.0f, c.y + h.y / 2.0f, c.z),
        D3DXVECTOR3(c.x + h.x / 2.0f, c.y - h.y / 2.0f, c.z),
        D3DXVECTOR3(c.x - h.x / 2.0f, c.y + h.y / 2.0f, c.z),
    };
    CPQuadNode* children[kChildCount];
    ObjectList lists[kChildCount];
    for (int i = 0; i < kChildCount; ++i) {
        children[i] = new CPQuadNode();
        children[i]->SetBounds(centres[i], childHalf);
    }
    for (const CPSmartPtr<CPGameObject>& object : objects) {
        if (!object)
            continue;
        // A point on a border goes to the first child that holds it; a point
        // outside the node goes where its clamped position lies.
        D3DXVECTOR3 position = object->GetPosition();
        if (!ContainsClosed(*m_box, position))
            position = ClampInto(*m_box, position);
        int target = kChildCount - 1;
        for (int i = 0; i < kChildCount; ++i) {
            if (ContainsClosed(*children[i]->m_box, position)) {
                target = i;
                break;
            }
        }
        lists[target].push_back(object);
    }
    for (int i = 0; i < kChildCount; ++i)
        children[i]->Build(lists[i], depth + 1);

    CPBounds box = *children[0]->m_box;
    for (int i = 1; i < kChildCount; ++i)
        box.Merge(*children[i]->m_box);
    SetBounds(box.m_centre, box.m_halfSize);
    for (int i = 0; i < kChildCount; ++i) {
        delete m_children[i];
        m_children[i] = children[i];
    }
}

void CPQuadNode::Draw(const CPPerspectiveCamera& camera)
{
    int children = 0;
    for (CPQuadNode* child : m_children) {
        if (!child)
            continue;
        ++children;
        if (child->m_box && camera.IsBoxVisible(child->m_box->m_min, child->m_box->m_max))
            child->Draw(camera);
    }
    if (children > 0 || m_objects.empty() || !m_box)
        return;
    const D3DXVECTOR3 toEye = camera.m_eye - m_box->m_centre;
    const float distance = static_cast<float>(g_CfgDistance);
    if (D3DXVec3Dot(&toEye, &toEye) >= distance * distance)
        return;
    CPRender* render = GetRender();
    if (!render)
        return;
    CPSmartPtr<CPRenderQueue> queue = render->GetRenderQueue();
    if (!queue)
        return;
    render->m_drawnObjects += static_cast<int32_t>(m_objects.size());
    for (const CPSmartPtr<CPGameObject>& object : m_objects)
        queue->AddObjectTree(object);
    render->m_drawnObjects += static_cast<int32_t>(m_singleObjects.size());
    for (const CPSmartPtr<CPGameObject>& object : m_singleObjects)
        queue->AddObject(object);
}
