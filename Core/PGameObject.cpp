// Game object: hierarchy, placement, the transform and bounds update, and
// the object's boxes, flags and attached parts.
#include "Core/PGameObject.h"

#include "Render/PMaterial.h"
#include "Render/PPartAnimation.h"
#include "Vehicles/PCar.h"
#include "Vehicles/PPhysicAnimatedBody.h"
#include "Vehicles/PPhysicData.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace
{
bool IsAffine(const D3DXMATRIX& m)
{
    return m._14 == 0.0f && m._24 == 0.0f && m._34 == 0.0f && m._44 == 1.0f;
}

constexpr float kIdentity[4][4] = { { 1, 0, 0, 0 }, { 0, 1, 0, 0 }, { 0, 0, 1, 0 }, { 0, 0, 0, 1 } };

// D3DXMatrixIsIdentity with a fast path: a matrix that is bit for bit the
// identity (most boxes sit on their owner unmoved) is recognised by one block
// compare.
bool IsIdentity(const D3DXMATRIX& m)
{
    return std::memcmp(m.m, kIdentity, sizeof(kIdentity)) == 0 || D3DXMatrixIsIdentity(&m);
}

// A matrix row held as one vector register (an extension of GCC and Clang):
// a row is computed four columns at once and stored in one piece, so that
// a reader that loads the row in one piece gets it straight from the store.
typedef float RowLanes __attribute__((vector_size(16)));

RowLanes LoadRow(const float row[4])
{
    RowLanes lanes;
    std::memcpy(&lanes, row, sizeof(lanes));
    return lanes;
}

// out = a x b. Most scene matrices are affine; their product skips the terms
// of the fourth column, which add exact zeros, so it equals the full product.
// Each row is summed four columns at once (the fourth is then set) and stored
// once: a product built in a temporary would be copied back through memory.
void MultiplyTransforms(D3DXMATRIX& out, const D3DXMATRIX& a, const D3DXMATRIX& b)
{
    if (!IsAffine(a) || !IsAffine(b) || &out == &a || &out == &b) {
        D3DXMatrixMultiply(&out, &a, &b);
        return;
    }
    const RowLanes b0 = LoadRow(b.m[0]);
    const RowLanes b1 = LoadRow(b.m[1]);
    const RowLanes b2 = LoadRow(b.m[2]);
    const RowLanes b3 = LoadRow(b.m[3]);
    for (int row = 0; row < 4; ++row) {
        RowLanes r = a.m[row][0] * b0 + a.m[row][1] * b1 + a.m[row][2] * b2;
        if (row == 3)
            r += b3;
        r[3] = row == 3 ? 1.0f : 0.0f;
        std::memcpy(out.m[row], &r, sizeof(r));
    }
}

// Places a box on its owner: world = local x the owner's world.
void PlaceBox(CPBoundingBox& box, const D3DXMATRIX& ownerWorld)
{
    if (IsIdentity(box.m_local))
        box.m_world = ownerWorld;
    else
        MultiplyTransforms(box.m_world, box.m_local, ownerWorld);
    box.Update();
}

// The extents PlaceBox gives, without the corners and planes that only picks
// and queries read; PlaceBox builds them when they are asked for. They are
// also handed back in four lanes.
void PlaceBoxExtents(CPBoundingBox& box, const D3DXMATRIX& ownerWorld, float low[4], float high[4])
{
    if (IsIdentity(box.m_local)) {
        box.UpdateExtents(ownerWorld, low, high);
    } else {
        D3DXMATRIX world;
        MultiplyTransforms(world, box.m_local, ownerWorld);
        box.UpdateExtents(world, low, high);
    }
}

// Grows a minimum and maximum held in four lanes to hold another pair, as
// D3DXVec3Minimize and D3DXVec3Maximize do.
void GrowLanes(float low[4], float high[4], const float otherLow[4], const float otherHigh[4])
{
    for (int i = 0; i < 4; ++i) {
        low[i] = low[i] < otherLow[i] ? low[i] : otherLow[i];
        high[i] = high[i] > otherHigh[i] ? high[i] : otherHigh[i];
    }
}

D3DXVECTOR3 FirstThreeLanes(const float lanes[4])
{
    return D3DXVECTOR3(lanes[0], lanes[1], lanes[2]);
}

// Asks the caches for memory that is about to be written. In a large tree
// each object lies far from the one updated before it; asking a little ahead
// lets the loads of several objects overlap instead of waiting for each.
void PrefetchForWrite(const void* address, size_t size)
{
#if defined(__GNUC__)
    constexpr size_t kCacheLine = 64;
    const char* bytes = static_cast<const char*>(address);
    for (size_t offset = 0; offset < size; offset += kCacheLine)
        __builtin_prefetch(bytes + offset, 1);
#else
    (void)address;
    (void)size;
#endif
}

// Reads one byte. Unlike a prefetch, a read also brings in the address
// translation of its page, which the prefetches that follow on that page
// then find; in a large tree most objects lie on a page of their own.
void ReadAhead(const void* address)
{
    static_cast<void>(*static_cast<const volatile char*>(address));
}

// The later detail levels: entry 0 is the object itself.
template <class Action>
void ForEachLaterDetailLevel(std::vector<CPDetailLevel>& levels, const CPGameObject* self, Action action)
{
    for (size_t i = 1; i < levels.size(); ++i) {
        CPGameObject* object = levels[i].object.Get();
        if (object && object != self)
            action(*object);
    }
}
}

uint64_t CPGameObject::s_hierarchyVersion = 1;

CPGameObject::CPGameObject(const std::string& name)
    : m_name(name)
{
    D3DXMatrixIdentity(&m_parentMatrix);
    D3DXMatrixIdentity(&m_localMatrix);
    D3DXMatrixIdentity(&m_worldMatrix);
    D3DXMatrixIdentity(&m_pose);
    D3DXQuaternionIdentity(&m_rotation);
}

int32_t CPGameObject::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPGameObject));
}

std::string CPGameObject::GetTypeName() const
{
    return "CPGameObject - " + m_name;
}

// --- Hierarchy -------------------------------------------------------------

void CPGameObject::CollectHierarchy(ObjectList& objects)
{
    objects.emplace_back(this);
    ForEachChild([&objects](CPGameObject& child) { child.CollectHierarchy(objects); });
}

void CPGameObject::AddChild(const CPSmartPtr<CPGameObject>& child)
{
    if (!child)
        return;
    child->m_parent = this;
    FileChild(child);
}

void CPGameObject::FileChild(const CPSmartPtr<CPGameObject>& child)
{
    ++s_hierarchyVersion;
    CompactChildren();
    child->m_childSlot = static_cast<uint32_t>(m_children.size());
    ++child->m_timesFiled;
    m_children.push_back(child);
    m_childMap[child->m_name] = child;
}

void CPGameObject::ForgetChild(const CPGameObject& child)
{
    ++s_hierarchyVersion;
    const size_t slot = child.m_childSlot;
    if (child.m_timesFiled == 1 && !child.m_renamedSinceFiled && slot < m_children.size() &&
        m_children[slot] == &child) {
        m_children[slot] = nullptr;
        ++m_emptyChildSlots;
        const auto entry = m_childMap.find(child.m_name);
        if (entry != m_childMap.end() && entry->second == &child)
            m_childMap.erase(entry);
        return;
    }
    // Filed more than once, or renamed by CopyFrom after it was filed: every
    // place and every name entry that holds it.
    for (CPSmartPtr<CPGameObject>& place : m_children) {
        if (place == &child) {
            place = nullptr;
            ++m_emptyChildSlots;
        }
    }
    for (auto entry = m_childMap.begin(); entry != m_childMap.end();)
        entry = entry->second == &child ? m_childMap.erase(entry) : std::next(entry);
}

void CPGameObject::DropEmptyChildSlots() const
{
    m_children.erase(std::remove(m_children.begin(), m_children.end(), nullptr), m_children.end());
    m_emptyChildSlots = 0;
    for (size_t i = 0; i < m_children.size(); ++i) {
        CPGameObject& child = *m_children[i];
        if (child.m_parent == this)
            child.m_childSlot = static_cast<uint32_t>(i);
    }
}

CPSmartPtr<CPGameObject> CPGameObject::FindPart(const std::string& name) const
{
    const auto found = m_childMap.find(name);
    return found != m_childMap.end() ? found->second : CPSmartPtr<CPGameObject>();
}

CPSmartPtr<CPGameObject> CPGameObject::FindChild(const std::string& name) const
{
    const auto found = m_childMap.find(name);
    if (found != m_childMap.end())
        return found->second;
    CompactChildren();
    for (size_t i = 0; i < m_children.size(); ++i) {
        if (!m_children[i])
            continue;
        CPSmartPtr<CPGameObject> below = m_children[i]->FindChild(name);
        if (below)
            return below;
    }
    return CPSmartPtr<CPGameObject>();
}

CPSmartPtr<CPGameObject> CPGameObject::GetParent() const
{
    return CPSmartPtr<CPGameObject>(m_parent);
}

// --- Placement -------------------------------------------------------------

void CPGameObject::SetPosition(const D3DXVECTOR3& position)
{
    KeepLocalMatrix();
    ForEachLaterDetailLevel(m_detailLevels, this, [&position](CPGameObject& level) { level.SetPosition(position); });
    m_position = position;
    m_hasPose = 0;
    m_transformUpdated = 0;
    m_dirty = 1;
    if (m_physicData)
        m_physicData->SetPosition(position);
}

void CPGameObject::SetSimulatedPose(const D3DXVECTOR3& position, const D3DXQUATERNION& rotation)
{
    KeepLocalMatrix();
    m_position = position;
    m_rotation = rotation;
    m_hasPose = 0;
    m_transformUpdated = 0;
    m_dirty = 1;
}

void CPGameObject::SetRotation(const D3DXQUATERNION& rotation)
{
    KeepLocalMatrix();
    ForEachLaterDetailLevel(m_detailLevels, this, [&rotation](CPGameObject& level) { level.SetRotation(rotation); });
    m_rotation = rotation;
    m_hasPose = 0;
    m_transformUpdated = 0;
    m_dirty = 1;
    if (m_physicData) {
        if (m_physicData->m_animatedBody)
            m_physicData->m_animatedBody->SetRotation(rotation);
        else
            m_physicData->SetBodyRotation(rotation);
    }
}

void CPGameObject::SetPose(const D3DXMATRIX& pose)
{
    KeepLocalMatrix();
    m_pose = pose;
    m_hasPose = 1;
    m_transformUpdated = 0;
    m_dirty = 1;
}

void CPGameObject::SetParentMatrix(const D3DXMATRIX& parent)
{
    m_parentMatrix = parent;
    m_parentSource = nullptr;
    m_transformUpdated = 0;
    m_dirty = 1;
}

void CPGameObject::UpdateTransform()
{
    WalkExtents extents;
    if (m_dirty)
        UpdateDirtyTransform(extents);
}

void CPGameObject::ComputeLocalMatrix(D3DXMATRIX& local) const
{
    if (m_hasPose) {
        local = m_pose;
        return;
    }
    // Rotation x translation: the rotation with the position as its fourth
    // row.
    D3DXMatrixRotationQuaternion(&local, &m_rotation);
    local._41 = m_position.x;
    local._42 = m_position.y;
    local._43 = m_position.z;
}

void CPGameObject::BuildLocalMatrix() const
{
    ComputeLocalMatrix(m_localMatrix);
    m_localStale = 0;
}

void CPGameObject::UpdateDirtyTransform(WalkExtents& extents)
{
    ForEachLaterDetailLevel(m_detailLevels, this, [](CPGameObject& level) { level.UpdateTransform(); });

    // The local matrix is left for GetLocalMatrix, which builds the same one
    // from the same position, rotation or pose: most are never read.
    D3DXMATRIX local;
    ComputeLocalMatrix(local);
    m_localStale = 1;
    MultiplyTransforms(m_worldMatrix, local, GetParentMatrix());

    // The part bounds start as the smallest box holding the part boxes (an
    // empty one without parts), the object bounds as the own box.
    float* partLow = extents.partLow;
    float* partHigh = extents.partHigh;
    if (m_partBoxes.empty()) {
        for (int i = 0; i < 4; ++i) {
            partLow[i] = CPBounds::kEmptyExtent;
            partHigh[i] = -CPBounds::kEmptyExtent;
        }
    } else {
        PlaceBoxExtents(m_partBoxes.front(), m_worldMatrix, partLow, partHigh);
        for (size_t i = 1; i < m_partBoxes.size(); ++i) {
            float low[4];
            float high[4];
            PlaceBoxExtents(m_partBoxes[i], m_worldMatrix, low, high);
            GrowLanes(partLow, partHigh, low, high);
        }
    }
    float* objectLow = extents.objectLow;
    float* objectHigh = extents.objectHigh;
    PlaceBoxExtents(m_ownBox, m_worldMatrix, objectLow, objectHigh);

    CompactChildren();
    // A child reads its parent matrix from this object rather than from a
    // copy of it, and hands its bounds back for these to grow by.
    WalkExtents child;
    for (size_t i = 0; i < m_children.size(); ++i) {
        PrefetchForChild(i);
        CPGameObject& object = *m_children[i];
        object.m_transformUpdated = 0;
        object.m_parentSource = this;
        object.m_dirty = 1;
        object.UpdateDirtyTransform(child);
        GrowLanes(partLow, partHigh, child.partLow, child.partHigh);
        GrowLanes(objectLow, objectHigh, child.objectLow, child.objectHigh);
    }
    if (m_shadow)
        CPBounds::AddShadowToExtents(objectLow, objectHigh);

    // Without parts or children the part bounds keep their centre and half
    // size.
    if (m_partBoxes.empty() && m_children.empty()) {
        m_partBounds.m_min = FirstThreeLanes(partLow);
        m_partBounds.m_max = FirstThreeLanes(partHigh);
    } else {
        m_partBounds.SetExtents(FirstThreeLanes(partLow), FirstThreeLanes(partHigh));
    }
    m_objectBounds.SetExtents(FirstThreeLanes(objectLow), FirstThreeLanes(objectHigh));
    m_transformUpdated = 1;
    m_dirty = 0;
    // A mesh body reads the world matrix from its owner when it sees the
    // transform-updated flag, so nothing is copied into it here.
}

void CPGameObject::PrefetchForChild(size_t index) const
{
    // Every kReadBatch children, the batch after the next one is read: the
    // reads wait for memory together rather than one child at a time, and
    // leave each child's page ready for the prefetches of its fields
    // kFieldsAhead children ahead and of its part boxes kBoxesAhead ahead
    // (their address is in fields asked for some steps earlier). The first
    // two batches are read, and the first children's fields asked for, when
    // the walk begins.
    constexpr size_t kReadBatch = 16;
    constexpr size_t kFieldsAhead = 6;
    constexpr size_t kBoxesAhead = 3;
    const size_t count = m_children.size();
    if (index % kReadBatch == 0) {
        const size_t end = std::min(count, index + 2 * kReadBatch);
        for (size_t i = index == 0 ? 0 : index + kReadBatch; i < end; ++i)
            ReadAhead(&m_children[i]->m_parentSource);
    }
    if (index == 0) {
        for (size_t i = 0; i < kFieldsAhead && i < count; ++i)
            m_children[i]->PrefetchFields();
    }
    if (index + kFieldsAhead < count)
        m_children[index + kFieldsAhead]->PrefetchFields();
    if (index + kBoxesAhead < count) {
        const std::vector<CPBoundingBox>& boxes = m_children[index + kBoxesAhead]->m_partBoxes;
        if (!boxes.empty()) {
            const char* begin = reinterpret_cast<const char*>(boxes.data());
            PrefetchForWrite(begin, reinterpret_cast<const char*>(&boxes.back().m_world) - begin);
        }
    }
}

void CPGameObject::PrefetchFields() const
{
    // The fields the transform update touches come first, the own box last,
    // and the box's own such fields end where its world matrix begins.
    const char* begin = reinterpret_cast<const char*>(&m_parentSource);
    PrefetchForWrite(begin, reinterpret_cast<const char*>(&m_ownBox.m_world) - begin);
}

// --- Boxes, flags, body ----------------------------------------------------

const CPBoundingBox& CPGameObject::GetBoundingBox() const
{
    // The owner's world matrix is the one the last update placed the box by:
    // only UpdateTransform changes it.
    if (m_ownBox.HasStaleCorners())
        PlaceBox(m_ownBox, m_worldMatrix);
    return m_ownBox;
}

std::vector<CPBoundingBox>& CPGameObject::GetPartBoxes()
{
    BuildPartBoxes();
    return m_partBoxes;
}

const std::vector<CPBoundingBox>& CPGameObject::GetPartBoxes() const
{
    BuildPartBoxes();
    return m_partBoxes;
}

void CPGameObject::BuildPartBoxes() const
{
    for (CPBoundingBox& box : m_partBoxes) {
        if (box.HasStaleCorners())
            PlaceBox(box, m_worldMatrix);
    }
}

void CPGameObject::SetBoundingBox(const CPBoundingBox& box)
{
    m_ownBox = box;
    m_objectBounds.FromBox(m_ownBox);
}

void CPGameObject::SetStatic(bool isStatic)
{
    m_static = isStatic ? 1 : 0;
    ForEachLaterDetailLevel(m_detailLevels, this, [isStatic](CPGameObject& level) { level.SetStatic(isStatic); });
}

void CPGameObject::SetShadow(bool shadow)
{
    m_shadow = shadow ? 1 : 0;
    ForEachChild([shadow](CPGameObject& child) { child.SetShadow(shadow); });
    ForEachLaterDetailLevel(m_detailLevels, this, [shadow](CPGameObject& level) { level.SetShadow(shadow); });
}

void CPGameObject::SetBody(CPManagedObject* body, int32_t kind)
{
    m_body = body;
    m_kind = kind;
}

void CPGameObject::SetMaterial(CPMaterial* material)
{
    m_material = material;
}

void CPGameObject::SetShadowMaterial(CPMaterial* material)
{
    m_shadowMaterial = material;
}

void CPGameObject::SetPhysicData(CPPhysicData* physicData)
{
    m_physicData = physicData;
}

CPSmartPtr<CPCar> CPGameObject::GetCar() const
{
    return m_car;
}

void CPGameObject::SetCar(CPCar* car)
{
    m_car = car;
}
