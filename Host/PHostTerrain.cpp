#include "Host/PHostTerrain.h"

#include "Vehicles/PCollisionGrid.h"

#include <BulletCollision/NarrowPhaseCollision/btRaycastCallback.h>

#include <algorithm>
#include <cmath>

namespace
{
// Bullet's triangle test admits a point up to 1e-4 of the triangle's height
// outside each edge: the triangle scaled by 1.0003 about its centroid, so
// within 3e-4 of its longest edge. The reach allows more than three times
// that, and as much again of the largest coordinate for rounding.
constexpr float kReachPerLength = 1e-3f;
// A triangle whose plan is thinner than this (twice its area against its
// longest plan edge squared) keeps no edge lines: every ray near it tests it.
constexpr double kThinPlan = 1e-6;

bool IsFinite(const btVector3& v)
{
    return std::isfinite(v.x()) && std::isfinite(v.y()) && std::isfinite(v.z());
}

// The column (or row) of coordinate v, measured from the grid's origin,
// clamped to the grid.
int32_t CellIndex(float v, int32_t count)
{
    const float index = std::floor(v * (1.0f / CPCollisionGrid::kCellSize));
    return static_cast<int32_t>(std::min(std::max(index, 0.0f), static_cast<float>(count - 1)));
}

// What Bullet's ray test hands each hit of a triangle mesh to: the normal
// turned by the object's basis, then the result callback.
struct TriangleRayCallback : public btTriangleRaycastCallback
{
    TriangleRayCallback(const btVector3& from, const btVector3& to, btCollisionWorld::RayResultCallback& result,
                        const btCollisionObject* object, const btTransform& transform)
        : btTriangleRaycastCallback(from, to, result.m_flags)
        , m_result(result)
        , m_object(object)
        , m_transform(transform)
    {
    }

    btScalar reportHit(const btVector3& hitNormalLocal, btScalar hitFraction, int partId, int triangleIndex) override
    {
        btCollisionWorld::LocalShapeInfo shape;
        shape.m_shapePart = partId;
        shape.m_triangleIndex = triangleIndex;
        const btVector3 normal = m_transform.getBasis() * hitNormalLocal;
        btCollisionWorld::LocalRayResult ray(m_object, &shape, normal, hitFraction);
        return m_result.addSingleResult(ray, true);
    }

    btCollisionWorld::RayResultCallback& m_result;
    const btCollisionObject* m_object;
    btTransform m_transform;
};
}

CPHostTerrain::CPHostTerrain() = default;

CPHostTerrain::~CPHostTerrain() = default;

bool CPHostTerrain::IsBuiltFrom(const CPCollisionGrid& grid) const
{
    return grid.GetStamp() == m_stamp;
}

void CPHostTerrain::Clear()
{
    m_object.reset();
    m_shape.reset();
    m_mesh.reset();
    m_vertices.clear();
    m_indices.clear();
    m_cellStart.clear();
    m_leaves.clear();
    m_plans.clear();
    m_stamp = 0;
}

void CPHostTerrain::Build(const CPCollisionGrid& grid)
{
    Clear();
    m_stamp = grid.GetStamp();
    const int32_t vertexCount = grid.GetVertexCount();
    // The mesh's triangle of each grid triangle; -1 for one left out.
    std::vector<int32_t> triangleOf(static_cast<size_t>(grid.GetTriangleCount()), -1);
    for (int32_t t = 0; t < grid.GetTriangleCount(); ++t) {
        const CPPhysicTerrainTriangle& triangle = grid.GetTriangles()[t];
        if (triangle.m_vertex[0] < 0 || triangle.m_vertex[1] < 0 || triangle.m_vertex[2] < 0
            || triangle.m_vertex[0] >= vertexCount || triangle.m_vertex[1] >= vertexCount
            || triangle.m_vertex[2] >= vertexCount)
            continue;
        triangleOf[static_cast<size_t>(t)] = static_cast<int32_t>(m_indices.size() / 3);
        m_indices.insert(m_indices.end(), triangle.m_vertex, triangle.m_vertex + 3);
    }
    if (m_indices.empty())
        return;
    for (int32_t v = 0; v < vertexCount; ++v) {
        const D3DXVECTOR3& vertex = grid.GetVertices()[v];
        m_vertices.insert(m_vertices.end(), { vertex.x, vertex.y, vertex.z });
    }
    m_mesh = std::make_unique<btTriangleIndexVertexArray>(
        static_cast<int>(m_indices.size() / 3), m_indices.data(), 3 * static_cast<int>(sizeof(int32_t)), vertexCount,
        m_vertices.data(), 3 * static_cast<int>(sizeof(float)));
    m_shape = std::make_unique<btBvhTriangleMeshShape>(m_mesh.get(), true);
    m_object = std::make_unique<btCollisionObject>();
    m_object->setCollisionShape(m_shape.get());
    if (!ListLeaves(grid, triangleOf)) {
        m_cellStart.clear();
        m_leaves.clear();
        m_plans.clear();
    }
}

bool CPHostTerrain::ListLeaves(const CPCollisionGrid& grid, const std::vector<int32_t>& triangleOf)
{
    btOptimizedBvh* tree = m_shape->getOptimizedBvh();
    if (!tree || !tree->isQuantized())
        return false;
    // A tree of n leaves keeps its 2n - 1 nodes first, in the order its walk
    // meets them; each triangle is one leaf.
    const int32_t triangleCount = static_cast<int32_t>(m_indices.size() / 3);
    const int32_t nodeCount = 2 * triangleCount - 1;
    const QuantizedNodeArray& nodes = tree->getQuantizedNodeArray();
    if (nodes.size() < nodeCount)
        return false;
    std::vector<int32_t> leafOf(static_cast<size_t>(triangleCount), -1);
    for (int32_t n = 0; n < nodeCount; ++n) {
        const btQuantizedBvhNode& node = nodes[n];
        if (!node.isLeafNode())
            continue;
        const int32_t triangle = node.getTriangleIndex();
        if (node.getPartId() != 0 || triangle < 0 || triangle >= triangleCount
            || leafOf[static_cast<size_t>(triangle)] >= 0)
            return false;
        leafOf[static_cast<size_t>(triangle)] = n;
    }
    if (std::find(leafOf.begin(), leafOf.end(), -1) != leafOf.end())
        return false;

    float longestEdge = 0.0f;
    float largestCoordinate = 0.0f;
    for (size_t i = 0; i < m_indices.size(); i += 3) {
        for (int k = 0; k < 3; ++k) {
            const float* a = &m_vertices[3 * static_cast<size_t>(m_indices[i + k])];
            const float* b = &m_vertices[3 * static_cast<size_t>(m_indices[i + (k + 1) % 3])];
            const float dx = b[0] - a[0];
            const float dy = b[1] - a[1];
            const float dz = b[2] - a[2];
            longestEdge = std::max(longestEdge, std::sqrt(dx * dx + dy * dy + dz * dz));
            for (int axis = 0; axis < 3; ++axis)
                largestCoordinate = std::max(largestCoordinate, std::fabs(a[axis]));
        }
    }
    m_reach = kReachPerLength * (longestEdge + largestCoordinate + 1.0f);
    if (!std::isfinite(m_reach))
        return false;

    m_originX = grid.GetOrigin().x;
    m_originY = grid.GetOrigin().y;
    m_columnCount = grid.GetColumnCount();
    m_rowCount = grid.GetRowCount();
    if (m_columnCount <= 0 || m_rowCount <= 0)
        return false;
    m_cellStart.assign(1, 0);
    for (int32_t column = 0; column < m_columnCount; ++column) {
        for (int32_t row = 0; row < m_rowCount; ++row) {
            const D3DXVECTOR4 cell(static_cast<float>(column), static_cast<float>(row), 0.0f, 0.0f);
            const size_t first = m_leaves.size();
            for (const int32_t t : grid.CellList(cell).m_triangles) {
                if (t < 0 || t >= static_cast<int32_t>(triangleOf.size()) || triangleOf[static_cast<size_t>(t)] < 0)
                    continue;
                const int32_t triangle = triangleOf[static_cast<size_t>(t)];
                const int32_t order = leafOf[static_cast<size_t>(triangle)];
                const btQuantizedBvhNode& node = nodes[order];
                Leaf leaf;
                std::copy(node.m_quantizedAabbMin, node.m_quantizedAabbMin + 3, leaf.m_min);
                std::copy(node.m_quantizedAabbMax, node.m_quantizedAabbMax + 3, leaf.m_max);
                leaf.m_order = order;
                leaf.m_triangle = triangle;
                m_leaves.push_back(leaf);
            }
            const auto begin = m_leaves.begin() + static_cast<std::ptrdiff_t>(first);
            std::sort(begin, m_leaves.end(), [](const Leaf& a, const Leaf& b) { return a.m_order < b.m_order; });
            m_leaves.erase(std::unique(begin, m_leaves.end(),
                                       [](const Leaf& a, const Leaf& b) { return a.m_order == b.m_order; }),
                           m_leaves.end());
            m_cellStart.push_back(static_cast<int32_t>(m_leaves.size()));
        }
    }

    MakePlans(*tree, nodes, leafOf);
    return true;
}

void CPHostTerrain::MakePlans(const btOptimizedBvh& tree, const QuantizedNodeArray& nodes,
                              const std::vector<int32_t>& leafOf)
{
    const btVector3 noExtent(0.0f, 0.0f, 0.0f);
    m_plans.resize(leafOf.size());
    for (size_t t = 0; t < leafOf.size(); ++t) {
        Plan& plan = m_plans[t];
        const btQuantizedBvhNode& node = nodes[leafOf[t]];
        // The walk widens each box by the cast's extents, none for a ray.
        plan.m_bounds[0] = tree.unQuantize(node.m_quantizedAabbMin) - noExtent;
        plan.m_bounds[1] = tree.unQuantize(node.m_quantizedAabbMax) - noExtent;

        double x[3];
        double y[3];
        double longest = 0.0;
        for (int k = 0; k < 3; ++k) {
            const float* vertex = &m_vertices[3 * static_cast<size_t>(m_indices[3 * t + static_cast<size_t>(k)])];
            x[k] = vertex[0];
            y[k] = vertex[1];
        }
        for (int k = 0; k < 3; ++k) {
            const int next = (k + 1) % 3;
            longest = std::max(longest, std::hypot(x[next] - x[k], y[next] - y[k]));
        }
        const double twiceArea = (x[1] - x[0]) * (y[2] - y[0]) - (y[1] - y[0]) * (x[2] - x[0]);
        plan.m_hasEdges = std::fabs(twiceArea) > kThinPlan * longest * longest;
        if (!plan.m_hasEdges)
            continue;
        // Outward: to the right of each edge when the plan winds
        // anticlockwise, to the left otherwise.
        const double side = twiceArea > 0.0 ? 1.0 : -1.0;
        for (int k = 0; k < 3; ++k) {
            const int next = (k + 1) % 3;
            const double dx = x[next] - x[k];
            const double dy = y[next] - y[k];
            const double length = std::hypot(dx, dy);
            const double a = side * dy / length;
            const double b = -side * dx / length;
            plan.m_edges[k][0] = static_cast<float>(a);
            plan.m_edges[k][1] = static_cast<float>(b);
            plan.m_edges[k][2] = static_cast<float>(a * x[k] + b * y[k]);
        }
    }
}

bool CPHostTerrain::IsOutOfReach(const Plan& plan, float centreX, float centreY, float halfX, float halfY) const
{
    if (!plan.m_hasEdges)
        return false;
    for (const float* edge : plan.m_edges) {
        const float nearest = edge[0] * centreX + edge[1] * centreY - edge[2]
            - (std::fabs(edge[0]) * halfX + std::fabs(edge[1]) * halfY);
        if (nearest > m_reach)
            return true;
    }
    return false;
}

void CPHostTerrain::CastRay(const btVector3& from, const btVector3& to,
                            btCollisionWorld::ClosestRayResultCallback& result)
{
    if (!m_object)
        return;
    const btTransform& transform = m_object->getWorldTransform();
    const auto wholeTree = [&]() {
        btTransform fromTransform = btTransform::getIdentity();
        btTransform toTransform = btTransform::getIdentity();
        fromTransform.setOrigin(from);
        toTransform.setOrigin(to);
        btCollisionWorld::rayTestSingle(fromTransform, toTransform, m_object.get(), m_shape.get(), transform, result);
    };
    if (m_cellStart.empty() || !IsFinite(from) || !IsFinite(to)) {
        wholeTree();
        return;
    }

    // The ray in the mesh's space and its box, made as Bullet's tree walk
    // makes them.
    const btTransform toMesh = transform.inverse();
    const btVector3 source = toMesh * from;
    const btVector3 target = toMesh * to;
    btVector3 direction = target - source;
    direction.safeNormalize();
    const btScalar lambdaMax = direction.dot(target - source);
    btVector3 inverse;
    unsigned int sign[3];
    for (int axis = 0; axis < 3; ++axis) {
        inverse[axis] = direction[axis] == btScalar(0.0) ? btScalar(BT_LARGE_FLOAT) : btScalar(1.0) / direction[axis];
        sign[axis] = inverse[axis] < 0.0;
    }
    const btVector3 noExtent(0.0f, 0.0f, 0.0f);
    btVector3 low = source;
    btVector3 high = source;
    low.setMin(target);
    high.setMax(target);
    low += noExtent;
    high += noExtent;
    const btOptimizedBvh& tree = *m_shape->getOptimizedBvh();
    unsigned short quantizedLow[3];
    unsigned short quantizedHigh[3];
    tree.quantizeWithClamp(quantizedLow, low, 0);
    tree.quantizeWithClamp(quantizedHigh, high, 1);

    // The cells the ray crosses, with the reach around them.
    const int32_t firstColumn = CellIndex(low.x() - m_reach - m_originX, m_columnCount);
    const int32_t lastColumn = CellIndex(high.x() + m_reach - m_originX, m_columnCount);
    const int32_t firstRow = CellIndex(low.y() - m_reach - m_originY, m_rowCount);
    const int32_t lastRow = CellIndex(high.y() + m_reach - m_originY, m_rowCount);
    if ((lastColumn - firstColumn + 1) * (lastRow - firstRow + 1) > kMaxRayCells) {
        wholeTree();
        return;
    }

    // The leaves the tree walk would hand on: those whose quantized box
    // meets the ray's, and whose box the ray enters; less those whose
    // triangle lies beyond reach of the ray on the ground plan.
    const float centreX = 0.5f * (low.x() + high.x());
    const float centreY = 0.5f * (low.y() + high.y());
    const float halfX = 0.5f * (high.x() - low.x());
    const float halfY = 0.5f * (high.y() - low.y());
    size_t listed = 0;
    for (int32_t column = firstColumn; column <= lastColumn; ++column) {
        const size_t cell = static_cast<size_t>(column) * static_cast<size_t>(m_rowCount);
        listed += static_cast<size_t>(m_cellStart[cell + static_cast<size_t>(lastRow) + 1]
                                      - m_cellStart[cell + static_cast<size_t>(firstRow)]);
    }
    m_met.resize(listed);
    // The box test first, without branches: which leaves pass follows no
    // pattern a branch predictor could learn.
    size_t met = 0;
    for (int32_t column = firstColumn; column <= lastColumn; ++column) {
        const size_t cell = static_cast<size_t>(column) * static_cast<size_t>(m_rowCount);
        const int32_t end = m_cellStart[cell + static_cast<size_t>(lastRow) + 1];
        for (int32_t i = m_cellStart[cell + static_cast<size_t>(firstRow)]; i < end; ++i) {
            const Leaf& leaf = m_leaves[static_cast<size_t>(i)];
            m_met[met] = &leaf;
            met += (quantizedLow[0] <= leaf.m_max[0]) & (quantizedHigh[0] >= leaf.m_min[0])
                & (quantizedLow[1] <= leaf.m_max[1]) & (quantizedHigh[1] >= leaf.m_min[1])
                & (quantizedLow[2] <= leaf.m_max[2]) & (quantizedHigh[2] >= leaf.m_min[2]);
        }
    }
    m_met.resize(met);
    met = 0;
    for (const Leaf* leaf : m_met) {
        const Plan& plan = m_plans[static_cast<size_t>(leaf->m_triangle)];
        btScalar enter = 1.0f;
        if (btRayAabb2(source, inverse, sign, plan.m_bounds, enter, 0.0f, lambdaMax)
            && !IsOutOfReach(plan, centreX, centreY, halfX, halfY))
            m_met[met++] = leaf;
    }
    m_met.resize(met);
    // In the tree's order, each once: among equal fractions the first hit
    // stays.
    if (firstColumn != lastColumn || firstRow != lastRow) {
        std::sort(m_met.begin(), m_met.end(), [](const Leaf* a, const Leaf* b) { return a->m_order < b->m_order; });
        m_met.erase(std::unique(m_met.begin(), m_met.end(),
                                [](const Leaf* a, const Leaf* b) { return a->m_order == b->m_order; }),
                    m_met.end());
    }

    TriangleRayCallback callback(source, target, result, m_object.get(), transform);
    callback.m_hitFraction = result.m_closestHitFraction;
    const btVector3& scaling = m_mesh->getScaling();
    for (const Leaf* leaf : m_met) {
        btVector3 corners[3];
        for (int k = 0; k < 3; ++k) {
            const size_t index = static_cast<size_t>(m_indices[3 * static_cast<size_t>(leaf->m_triangle) + k]);
            const float* vertex = &m_vertices[3 * index];
            corners[k] = btVector3(vertex[0] * scaling.getX(), vertex[1] * scaling.getY(), vertex[2] * scaling.getZ());
        }
        callback.processTriangle(corners, 0, leaf->m_triangle);
    }
}
