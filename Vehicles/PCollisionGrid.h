// Level collision grid: the level's ground and wall mesh in world space with a
// uniform 2D grid of 4 x 4 unit cells over it, each cell listing the
// triangles whose ground projection overlaps it. The physics manager carries
// one; its terrain query hands the simulator the triangles near a body, and
// the race logic asks it for the ground height near a point. The grid keeps a
// margin of 10 cells beyond the mesh on the high side of each axis.
#pragma once

#include "Core/PSmartPtr.h"
#include "Platform/D3DX9Math.h"
#include "Vehicles/PPhysicContact.h"

#include <cstdint>
#include <vector>

class CPRenderObject;

// A cell's list of triangle indices; the count equals the list's length.
struct CPCollisionCell
{
    int32_t m_count = 0;
    std::vector<int32_t> m_triangles;
};

class CPCollisionGrid
{
public:
    static constexpr float kCellSize = 4.0f;
    static constexpr int32_t kMargin = 10;

    // Rebuilds the grid from the body's mesh placed by its owner's world
    // matrix, freeing the previous grid. Triangles whose indices pass the
    // vertex count, and a trailing partial triple, are left out. A null body
    // or one without an owner leaves an empty grid.
    void Build(CPSmartPtr<CPRenderObject> body);
    // Frees the grid.
    void Clear();

    // The point's cell, clamped to the grid; x and y hold the column and
    // row. A coordinate that is not a number maps to 0.
    D3DXVECTOR4 CellOf(const D3DXVECTOR4& point) const;
    // The cell at column cell.x and row cell.y (truncated); an empty cell
    // for coordinates outside the grid.
    const CPCollisionCell& CellList(const D3DXVECTOR4& cell) const;
    // The cell at that column and row; an empty cell outside the grid.
    const CPCollisionCell& CellList(int32_t column, int32_t row) const;
    bool CellHasTriangle(int32_t triangle, const D3DXVECTOR4& cell) const;
    // The z of the mesh vertex nearest the point among the triangles of the
    // point's cell; 0 when none is nearer than 1000.
    float FindNearest(const D3DXVECTOR4& point) const;

    int32_t GetColumnCount() const { return m_columnCount; }
    int32_t GetRowCount() const { return m_rowCount; }
    const D3DXVECTOR3& GetOrigin() const { return m_origin; }
    int32_t GetVertexCount() const { return m_vertexCount; }
    int32_t GetTriangleCount() const { return m_triangleCount; }
    const D3DXVECTOR3* GetVertices() const { return m_vertices.data(); }
    const CPPhysicTerrainTriangle* GetTriangles() const { return m_triangles.data(); }
    // Counts the builds and clears, so a reader can tell a new mesh.
    int32_t GetBuildCount() const { return m_buildCount; }
    // A mark of the grid's content that no other build or clear in the
    // process gets: equal stamps, equal grids.
    uint64_t GetStamp() const { return m_stamp; }

private:
    // Column x holds the cells (x, 0) to (x, row count - 1).
    std::vector<std::vector<CPCollisionCell>> m_columns;
    D3DXVECTOR3 m_origin;
    int32_t m_columnCount = 0;
    int32_t m_rowCount = 0;
    std::vector<D3DXVECTOR3> m_vertices;
    std::vector<CPPhysicTerrainTriangle> m_triangles;
    int32_t m_vertexCount = 0;
    int32_t m_triangleCount = 0;
    int32_t m_buildCount = 0;
    uint64_t m_stamp = NextStamp();

    static uint64_t NextStamp();
};

// 2D tests on points given as four floats; only x and y count, except where
// a point is compared with a segment's ends.

// 0 left of a to b, 1 right, 2 beyond b, 3 behind a, 4 between a and b,
// 5 at a, 6 at b.
int32_t ClassifyPointToSegment2D(const D3DXVECTOR4& p, const D3DXVECTOR4& a, const D3DXVECTOR4& b);
// Inside or on the triangle, in either winding.
bool PointInTriangle2D(const D3DXVECTOR4& p, const D3DXVECTOR4& a, const D3DXVECTOR4& b, const D3DXVECTOR4& c);
// Whether segment p1-p2 meets p3-p4; touching ends count, parallel never.
bool SegmentsIntersect2D(const D3DXVECTOR4& p1, const D3DXVECTOR4& p2, const D3DXVECTOR4& p3,
                         const D3DXVECTOR4& p4);
// The rectangle c0 (low corner), c1 (+x), c2 (+y), c3 (opposite) against the
// triangle t0, t1, t2.
bool RectOverlapsTriangle2D(const D3DXVECTOR4& c0, const D3DXVECTOR4& c1, const D3DXVECTOR4& c2,
                            const D3DXVECTOR4& c3, const D3DXVECTOR4& t0, const D3DXVECTOR4& t1,
                            const D3DXVECTOR4& t2);
