#include "Vehicles/PPhysicBodyHeader.h"

#include "Vehicles/PPhysicBody.h"
#include "Vehicles/PPhysicWorld.h"

#include <algorithm>

namespace
{
// Start values of a bounds merge: any real bounds replace them.
constexpr float kBoundsStart = 1000000.0f;

template <class T>
void AppendToChain(T*& head, T* record)
{
    record->m_prev = nullptr;
    record->m_next = nullptr;
    if (!head) {
        head = record;
        return;
    }
    T* last = head;
    while (last->m_next)
        last = last->m_next;
    last->m_next = record;
    record->m_prev = last;
}

void Grow(D3DXVECTOR3& minimum, D3DXVECTOR3& maximum, const D3DXVECTOR3& point)
{
    D3DXVec3Minimize(&minimum, &minimum, &point);
    D3DXVec3Maximize(&maximum, &maximum, &point);
}
}

void CPPhysicBodyHeader::ResetHeader(int32_t kind)
{
    m_self = this;
    m_userData = nullptr;
    m_bounds.m_box.Reset();
    m_bounds.m_geometries = nullptr;
    m_bounds.m_geometryCount = 0;
    m_bounds.m_largestRadius = 0.0f;
    m_group = nullptr;
    m_kind = kind;
    m_active = 1;
    m_sensors = nullptr;
    m_membership = nullptr;
    m_boxMatrix = D3DXMATRIX();
    m_worldMin = D3DXVECTOR3();
    m_worldMax = D3DXVECTOR3();
    for (int axis = 0; axis < 3; ++axis) {
        m_minEndpoints[axis] = nullptr;
        m_maxEndpoints[axis] = nullptr;
    }
    m_registration = kNeverRegistered;
}

CPPhysicShape* CPPhysicBodyHeader::AddGeometry()
{
    CPPhysicShape* geometry = m_world->TakeGeometry();
    if (!geometry)
        return nullptr;
    geometry->Reset();
    AppendToChain(m_bounds.m_geometries, geometry);
    ++m_bounds.m_geometryCount;
    if (m_active && !m_membership)
        m_world->m_broadPhase.Insert(this, nullptr);
    return geometry;
}

CPPhysicLineSensor* CPPhysicBodyHeader::AddSensor()
{
    CPPhysicLineSensor* sensor = m_world->TakeSensor();
    if (sensor)
        AppendToChain(m_sensors, sensor);
    return sensor;
}

void CPPhysicBodyHeader::ComputeGeometryBounds()
{
    m_bounds.m_largestRadius = 0.0f;
    const CPPhysicShape* first = m_bounds.m_geometries;
    if (!first)
        return;
    for (const CPPhysicShape* geometry = first; geometry; geometry = geometry->m_next)
        m_bounds.m_largestRadius = std::max(m_bounds.m_largestRadius, geometry->ComputeBoundingRadius());

    CPPhysicShape& box = m_bounds.m_box;
    if (m_bounds.m_geometryCount == 1 && first->m_type == CPPhysicShape::kTypeBox) {
        box.m_size = first->m_size;
        box.m_transform = first->m_transform;
        box.m_boundingRadius = first->m_boundingRadius;
        box.m_type = first->m_type;
        box.m_materialIndex = first->m_materialIndex;
        return;
    }

    D3DXVECTOR3 minimum(kBoundsStart, kBoundsStart, kBoundsStart);
    D3DXVECTOR3 maximum(-kBoundsStart, -kBoundsStart, -kBoundsStart);
    for (const CPPhysicShape* geometry = first; geometry; geometry = geometry->m_next) {
        D3DXVECTOR3 low;
        D3DXVECTOR3 high;
        if (geometry->ComputeBounds(&low, &high)) {
            Grow(minimum, maximum, low);
            Grow(minimum, maximum, high);
        }
    }
    const D3DXVECTOR3 half = (maximum - minimum) * 0.5f;
    const D3DXVECTOR3 centre = minimum + half;
    box.m_size = half;
    D3DXMatrixTranslation(&box.m_transform, centre.x, centre.y, centre.z);
}

void CPPhysicBodyHeader::UpdateBoundingInfo()
{
    ComputeGeometryBounds();

    CPPhysicShape& box = m_bounds.m_box;
    D3DXVECTOR3 minimum;
    D3DXVECTOR3 maximum;
    if (!box.ComputeBounds(&minimum, &maximum))
        minimum = maximum = D3DXVECTOR3(box.m_transform._41, box.m_transform._42, box.m_transform._43);
    for (const CPPhysicLineSensor* sensor = m_sensors; sensor; sensor = sensor->m_next) {
        const D3DXVECTOR3 start(sensor->m_start.x, sensor->m_start.y, sensor->m_start.z);
        const D3DXVECTOR3 direction(sensor->m_direction.x, sensor->m_direction.y, sensor->m_direction.z);
        Grow(minimum, maximum, start);
        Grow(minimum, maximum, start + direction);
    }

    // The refit box is axis-aligned in the body's frame: a lone rotated box
    // keeps its extents along the body's axes, not its own rotation, so that
    // the record still holds the geometry and the sensors.
    const D3DXVECTOR3 half = (maximum - minimum) * 0.5f;
    const D3DXVECTOR3 centre = minimum + half;
    box.m_size = half;
    D3DXMatrixTranslation(&box.m_transform, centre.x, centre.y, centre.z);

    m_boxMatrix = D3DXMATRIX();
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column)
            m_boxMatrix.m[row][column] = box.m_transform.m[row][column] * half[row];
    }
    m_boxMatrix._41 = centre.x;
    m_boxMatrix._42 = centre.y;
    m_boxMatrix._43 = centre.z;
    m_boxMatrix._44 = 1.0f;
}

void CPPhysicBodyHeader::SetActive(bool active, void* value)
{
    if ((m_active != 0) == active)
        return;
    m_world->GetBodyList(this, !active).Unlink(this);
    m_world->GetBodyList(this, active).PushTail(this);
    if (active) {
        if (m_bounds.m_geometryCount > 0)
            m_world->m_broadPhase.Insert(this, value);
        m_active = 1;
    } else {
        if (m_membership)
            m_world->m_broadPhase.Remove(this);
        m_active = 0;
    }
}

D3DXVECTOR4* CPPhysicBodyHeader::GetVelocityAtPoint(D3DXVECTOR4* out, const D3DXVECTOR4& offset) const
{
    if (!out)
        return nullptr;
    if (m_kind == kKindAnimated) {
        *out = D3DXVECTOR4();
        return out;
    }
    const CPPhysicBody* body = static_cast<const CPPhysicBody*>(this);
    const D3DXVECTOR4 spin = PhysicCross(body->m_angularVelocity, offset);
    *out = D3DXVECTOR4(body->m_velocity.x + spin.x, body->m_velocity.y + spin.y, body->m_velocity.z + spin.z,
                       body->m_velocity.w);
    return out;
}
