#include "Render/PDecal.h"

#include "Core/PGameObject.h"
#include "Render/PRenderObject.h"
#include "Vehicles/PCollisionGrid.h"
#include "Vehicles/PPhysicData.h"
#include "Vehicles/PPhysicManager.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace
{
constexpr float kLift = 0.03f;
constexpr float kMargin = 0.1f;
constexpr float kTiny = 1e-30f;

float Cross(const D3DXVECTOR2& a, const D3DXVECTOR2& b) { return a.x * b.y - a.y * b.x; }
float Dot(const D3DXVECTOR2& a, const D3DXVECTOR2& b) { return a.x * b.x + a.y * b.y; }

using CornerKey = std::array<int32_t, 3>;

// The corner triples laid so far, in the order they were laid, with an open
// table (linear probing, at most half full) over their places so that a
// repeat is found in one probe run. The vehicle's list names a triangle once
// per grid cell it lies in, up to the list's full length.
class LaidTriangles
{
public:
    // Room for count keys, at most the longest list.
    explicit LaidTriangles(size_t count)
    {
        while (m_size < 2 * count)
            m_size *= 2;
        std::fill(m_slots.begin(), m_slots.begin() + static_cast<std::ptrdiff_t>(m_size), kEmpty);
        m_keys.reserve(count);
    }

    // Adds the key; false when it was there already.
    bool Insert(const CornerKey& key)
    {
        const size_t mask = m_size - 1;
        for (size_t i = Home(key) & mask;; i = (i + 1) & mask) {
            const int32_t slot = m_slots[i];
            if (slot == kEmpty) {
                m_slots[i] = static_cast<int32_t>(m_keys.size());
                m_keys.push_back(key);
                return true;
            }
            if (m_keys[static_cast<size_t>(slot)] == key)
                return false;
        }
    }

private:
    static constexpr int32_t kEmpty = -1;
    // A power of two, at least twice the longest list.
    static constexpr size_t kCapacity = 2048;
    static_assert(kCapacity >= 2 * CPPhysicData::kMaxTerrainTriangles);
    static constexpr size_t kMinSize = 16;

    static size_t Home(const CornerKey& key)
    {
        uint32_t h = static_cast<uint32_t>(key[0]) * 0x9E3779B1u;
        h = (h ^ static_cast<uint32_t>(key[1])) * 0x85EBCA77u;
        h = (h ^ static_cast<uint32_t>(key[2])) * 0xC2B2AE3Du;
        return static_cast<size_t>(h ^ (h >> 15));
    }

    size_t m_size = kMinSize;
    std::array<int32_t, kCapacity> m_slots;
    std::vector<CornerKey> m_keys;
};
}

void TransformDecalPoints(D3DXVECTOR2& origin, D3DXVECTOR2& a, D3DXVECTOR2& b, const D3DXVECTOR2& p)
{
    const float det = Cross(a, b);
    if (det != 0.0f) {
        float s0 = 0.0f;
        float s1 = 1.0f;
        float t0 = 0.0f;
        float t1 = 1.0f;
        for (const D3DXVECTOR2& point : { p, p + a, p + b }) {
            const D3DXVECTOR2 d = point - origin;
            const float s = Cross(d, b) / det;
            const float t = Cross(a, d) / det;
            s0 = std::min(s0, s);
            s1 = std::max(s1, s);
            t0 = std::min(t0, t);
            t1 = std::max(t1, t);
        }
        const D3DXVECTOR2 o = origin;
        const D3DXVECTOR2 ea = a;
        const D3DXVECTOR2 eb = b;
        origin = o + ea * s0 + eb * t0;
        a = (o + ea * s1 + eb * t0) - origin;
        b = (o + ea * s0 + eb * t1) - origin;
        return;
    }
    if (Dot(a, a) <= kTiny) {
        a = p - origin;
    } else if (Dot(b, b) <= kTiny) {
        b = p - origin;
    } else {
        // Parallel edges: stretch a over b's span, then b reaches p.
        const float k = Dot(a, b) / Dot(a, a);
        D3DXVECTOR2 x = p;
        if (k < 0.0f) {
            origin += a * k;
            x += a * k;
            a *= 1.0f - k;
        } else if (k > 1.0f) {
            a = b;
        }
        b = x - origin;
    }
}

void BuildDecalGeometry(const CPSmartPtr<CPGameObject>& shadow, const D3DXVECTOR2& origin, const D3DXVECTOR2& p,
                        const D3DXVECTOR2& a, const D3DXVECTOR2& b, const CPSmartPtr<CPPhysicData>& physicData)
{
    if (!shadow || shadow->GetKind() != kBodyRenderObject || !shadow->GetBody())
        return;
    auto* body = static_cast<CPRenderObject*>(shadow->GetBody().Get());
    D3DXVECTOR2 o = origin;
    D3DXVECTOR2 ea = a;
    D3DXVECTOR2 eb = b;
    TransformDecalPoints(o, ea, eb, p);

    D3DXMATRIX frame(ea.x, ea.y, 0.0f, 0.0f,
                     eb.x, eb.y, 0.0f, 0.0f,
                     0.0f, 0.0f, 1.0f, 0.0f,
                     o.x - ea.x, o.y - ea.y, 0.0f, 1.0f);
    D3DXMATRIX inverse;
    if (!D3DXMatrixInverse(&inverse, nullptr, &frame))
        return;

    std::vector<CPVertex>& vertices = body->GetLocalVertices();
    std::vector<uint16_t>& indices = body->GetIndices();
    vertices.clear();
    body->GetWorldVertices().clear();
    indices.clear();

    const CPPhysicManager* manager = GetPhysicManager();
    if (physicData && manager) {
        const CPCollisionGrid& grid = manager->GetCollisionGrid();
        const D3DXVECTOR3* points = grid.GetVertices();
        const CPPhysicTerrainTriangle* triangles = grid.GetTriangles();
        const int32_t count = std::min(physicData->m_terrainTriangleCount, CPPhysicData::kMaxTerrainTriangles);
        LaidTriangles laid(static_cast<size_t>(std::max(count, 0)));
        for (int32_t i = 0; i < count; ++i) {
            const int32_t triangle = physicData->m_terrainTriangles[i];
            if (triangle < 0 || triangle >= grid.GetTriangleCount())
                continue;
            const int32_t* corner = triangles[triangle].m_vertex;
            CornerKey key = { corner[0], corner[1], corner[2] };
            if (std::any_of(key.begin(), key.end(), [&](int32_t v) { return v < 0 || v >= grid.GetVertexCount(); }))
                continue;
            std::sort(key.begin(), key.end());
            if (!laid.Insert(key))
                continue;
            for (int32_t k = 0; k < 3; ++k) {
                const D3DXVECTOR3& point = points[corner[k]];
                D3DXVECTOR3 mapped;
                const D3DXVECTOR3 flat(point.x, point.y, 0.0f);
                D3DXVec3TransformCoord(&mapped, &flat, &inverse);
                CPVertex vertex;
                vertex.position = D3DXVECTOR3(point.x, point.y, point.z + kLift);
                vertex.normal = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
                vertex.diffuse = 0xFFFFFFFF;
                vertex.specular = 0;
                vertex.u1 = mapped.x - 1.0f;
                vertex.v1 = mapped.y;
                indices.push_back(static_cast<uint16_t>(vertices.size()));
                vertices.push_back(vertex);
            }
        }
    }
    body->GetWorldVertices() = vertices;
}

void ProjectDecal(const CPSmartPtr<CPGameObject>& shadow, const D3DXMATRIX& world,
                  const CPSmartPtr<CPPhysicData>& physicData)
{
    if (!shadow)
        return;
    const D3DXVECTOR3& h = shadow->GetBoundingBox().m_halfSize;
    const D3DXVECTOR3 local[4] = {
        D3DXVECTOR3(-h.x - kMargin, -h.y - kMargin, -h.z),
        D3DXVECTOR3(h.x + kMargin, -h.y - kMargin, -h.z),
        D3DXVECTOR3(-h.x - kMargin, kMargin - h.y, -h.z),
        D3DXVECTOR3(-h.x - kMargin, h.y - kMargin, -h.z),
    };
    D3DXVECTOR3 c[4];
    D3DXVec3TransformCoordArray(c, sizeof(D3DXVECTOR3), local, sizeof(D3DXVECTOR3), &world, 4);
    const D3DXVECTOR2 origin(c[0].x, c[0].y);
    BuildDecalGeometry(shadow, origin, D3DXVECTOR2(c[3].x, c[3].y), D3DXVECTOR2(c[1].x, c[1].y) - origin,
                       D3DXVECTOR2(c[2].x, c[2].y) - origin, physicData);
}
