// The level's ground as the host's stepper gives it to Bullet: one static
// triangle mesh made from the physics manager's collision grid, with its
// tree, and the tree's leaves listed per grid cell. A wheel sensor's short
// ray visits only the leaves of the cells it crosses instead of walking the
// whole tree, yet meets the same triangles in the same order, through the
// same box tests and Bullet's own triangle test, so every result (hit
// fraction, normal, point, triangle) is the one Bullet's ray test against
// the whole mesh gives, to the bit.
#pragma once

#include <btBulletCollisionCommon.h>

#include <cstdint>
#include <memory>
#include <vector>

class CPCollisionGrid;

class CPHostTerrain
{
public:
    CPHostTerrain();
    ~CPHostTerrain();
    CPHostTerrain(const CPHostTerrain&) = delete;
    CPHostTerrain& operator=(const CPHostTerrain&) = delete;

    // Whether the mesh was made from the grid as it is now (its build count).
    bool IsBuiltFrom(const CPCollisionGrid& grid) const;
    // Makes the mesh, its tree and the cell lists from the grid's triangles
    // whose corners name its vertices. A grid without such triangles leaves
    // no object.
    void Build(const CPCollisionGrid& grid);
    void Clear();

    // The mesh's collision object; null without triangles.
    btCollisionObject* GetObject() const { return m_object.get(); }
    // Whether short rays take the cell lists: the tree is the quantized kind
    // they are made for.
    bool HasCellLists() const { return !m_cellStart.empty(); }

    // The segment from - to (world space) against the mesh, into `result`
    // as btCollisionWorld::rayTestSingle would leave it. Rays that the cell
    // lists do not serve (long, tiny or not finite) take Bullet's own test.
    void CastRay(const btVector3& from, const btVector3& to, btCollisionWorld::ClosestRayResultCallback& result);

    // The most cells a ray may cross to be served by the cell lists.
    static constexpr int32_t kMaxRayCells = 16;

private:
    // A leaf of the tree as a cell lists it: its quantized box, its place
    // in the tree's order and its triangle.
    struct Leaf
    {
        unsigned short m_min[3];
        unsigned short m_max[3];
        int32_t m_order;
        int32_t m_triangle;
    };
    // What the ray tests need of a triangle beyond its leaf: the leaf's box
    // as the tree walk unpacks it, and the outward lines of the triangle's
    // edges on the ground plan (a x + b y = c with a, b of unit length) when
    // its plan is a proper triangle.
    struct Plan
    {
        btVector3 m_bounds[2];
        float m_edges[3][3];
        bool m_hasEdges;
    };

    bool ListLeaves(const CPCollisionGrid& grid, const std::vector<int32_t>& triangleOf);
    void MakePlans(const btOptimizedBvh& tree, const QuantizedNodeArray& nodes, const std::vector<int32_t>& leafOf);
    // Whether the ray's ground box lies beyond the reach outside an edge of
    // the triangle's plan, where no hit can be.
    bool IsOutOfReach(const Plan& plan, float centreX, float centreY, float halfX, float halfY) const;

    std::vector<float> m_vertices;
    std::vector<int32_t> m_indices;
    std::unique_ptr<btTriangleIndexVertexArray> m_mesh;
    std::unique_ptr<btBvhTriangleMeshShape> m_shape;
    std::unique_ptr<btCollisionObject> m_object;
    // The stamp of the grid the copy was built from; 0, which no grid has, for none.
    uint64_t m_stamp = 0;

    // The cell lists, column after column; cell c holds the leaves from
    // m_cellStart[c] up to m_cellStart[c + 1], in the tree's order. Empty
    // when the tree is not the quantized one the lists are made for.
    std::vector<int32_t> m_cellStart;
    std::vector<Leaf> m_leaves;
    // One per triangle of the mesh.
    std::vector<Plan> m_plans;
    float m_originX = 0.0f;
    float m_originY = 0.0f;
    int32_t m_columnCount = 0;
    int32_t m_rowCount = 0;
    // How far beyond a ray's ends a triangle it hits may lie on the ground
    // plan: Bullet's triangle test admits points a little outside the
    // triangle, and the float tests round.
    float m_reach = 0.0f;
    std::vector<const Leaf*> m_met;
};
