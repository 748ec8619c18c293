#include "Vehicles/PCollisionGrid.h"

#include "tests/VehicleFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
D3DXVECTOR4 P(float x, float y, float z = 0.0f)
{
    return D3DXVECTOR4(x, y, z, 0.0f);
}

D3DXVECTOR4 Cell(int x, int y)
{
    return D3DXVECTOR4(static_cast<float>(x), static_cast<float>(y), 0.0f, 0.0f);
}

// The ground 200 x 200 centred on the origin (corner heights 1 to 4), split
// along its diagonal, and a wall at y = 20 from x = 0 to 8.
class CollisionGrid : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const uint16_t a = m_mesh.AddVertex(-100.0f, -100.0f, 1.0f);
        const uint16_t b = m_mesh.AddVertex(100.0f, -100.0f, 2.0f);
        const uint16_t c = m_mesh.AddVertex(100.0f, 100.0f, 3.0f);
        const uint16_t d = m_mesh.AddVertex(-100.0f, 100.0f, 4.0f);
        m_mesh.AddTriangle(a, b, c);
        m_mesh.AddTriangle(a, c, d);
        m_mesh.AddWall(0.0f, 8.0f, 20.0f, 0.0f, 3.0f);
        m_mesh.Place(D3DXVECTOR3());
        m_grid.Build(m_mesh.Body());
    }

    fixture::LevelMesh m_mesh;
    CPCollisionGrid m_grid;
};
}

TEST_F(CollisionGrid, BuildsCellsOverTheWorldBoundsWithAMargin)
{
    EXPECT_EQ(m_grid.GetOrigin(), D3DXVECTOR3(-100.0f, -100.0f, 0.0f));
    EXPECT_EQ(m_grid.GetColumnCount(), 60);
    EXPECT_EQ(m_grid.GetRowCount(), 60);
    EXPECT_EQ(m_grid.GetVertexCount(), 8);
    EXPECT_EQ(m_grid.GetTriangleCount(), 4);

    // Cell (25, 25) spans 0..4 on x and y: below the diagonal lies in the
    // first triangle, and the diagonal touches both.
    EXPECT_TRUE(m_grid.CellHasTriangle(0, Cell(25, 25)));
    EXPECT_TRUE(m_grid.CellHasTriangle(1, Cell(25, 25)));
    // Cell (40, 10) lies wholly inside the first triangle (found through its
    // corners being inside).
    EXPECT_TRUE(m_grid.CellHasTriangle(0, Cell(40, 10)));
    EXPECT_FALSE(m_grid.CellHasTriangle(1, Cell(40, 10)));
    // The wall runs along y = 20 (row 30 starts there) over columns 25 and 26.
    EXPECT_TRUE(m_grid.CellHasTriangle(2, Cell(25, 30)));
    EXPECT_TRUE(m_grid.CellHasTriangle(3, Cell(26, 30)));
    EXPECT_FALSE(m_grid.CellHasTriangle(2, Cell(28, 30)));
    // The margin beyond the mesh lists nothing.
    EXPECT_EQ(m_grid.CellList(Cell(55, 55)).m_count, 0);
    const CPCollisionCell& cell = m_grid.CellList(Cell(25, 30));
    EXPECT_EQ(cell.m_count, static_cast<int32_t>(cell.m_triangles.size()));
}

TEST_F(CollisionGrid, CellOfClampsToTheGrid)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct
    {
        D3DXVECTOR4 point;
        int x;
        int y;
    } cases[] = {
        { P(0.0f, 0.0f), 25, 25 },     { P(-99.0f, 3.9f), 0, 25 },  { P(-500.0f, -1e30f), 0, 0 },
        { P(1e30f, 10000.0f), 59, 59 }, { P(nan, nan), 0, 0 },       { P(139.9f, -100.0f), 59, 0 },
    };
    for (const auto& c : cases) {
        const D3DXVECTOR4 cell = m_grid.CellOf(c.point);
        EXPECT_EQ(cell.x, static_cast<float>(c.x)) << c.point.x;
        EXPECT_EQ(cell.y, static_cast<float>(c.y)) << c.point.y;
    }
}

TEST_F(CollisionGrid, FindNearestTakesTheNearestVertexOfTheCell)
{
    EXPECT_EQ(m_grid.FindNearest(P(-98.0f, -97.0f, 0.0f)), 1.0f);
    EXPECT_EQ(m_grid.FindNearest(P(90.0f, 95.0f, 0.0f)), 3.0f);
    // The wall's corners are nearer than any ground corner.
    EXPECT_EQ(m_grid.FindNearest(P(7.0f, 21.0f, 2.5f)), 3.0f);
    EXPECT_EQ(m_grid.FindNearest(P(1.0f, 21.0f, 0.5f)), 0.0f);
    // A cell without triangles.
    EXPECT_EQ(m_grid.FindNearest(P(130.0f, 130.0f, 0.0f)), 0.0f);
}

TEST(CollisionGridBuild, OriginIncludesTheWorldOriginAndRebuildReplacesTheGrid)
{
    fixture::LevelMesh far;
    far.AddGround(8.0f, 2.0f);
    far.Place(D3DXVECTOR3(50.0f, 60.0f, 0.0f));
    CPCollisionGrid grid;
    grid.Build(far.Body());
    EXPECT_EQ(grid.GetOrigin(), D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(grid.GetColumnCount(), 14 + 10);
    EXPECT_EQ(grid.GetRowCount(), 16 + 10);
    EXPECT_EQ(grid.FindNearest(P(47.0f, 57.0f, 0.0f)), 2.0f);

    fixture::LevelMesh small;
    small.AddGround(4.0f);
    small.Place(D3DXVECTOR3());
    grid.Build(small.Body());
    EXPECT_EQ(grid.GetTriangleCount(), 2);
    EXPECT_EQ(grid.GetColumnCount(), 1 + 10);
}

TEST(CollisionGridBuild, SkipsTrianglesPastTheVerticesAndAPartialTriple)
{
    fixture::LevelMesh mesh;
    mesh.AddGround(8.0f);
    mesh.AddTriangle(0, 1, 9);
    mesh.Body()->GetIndices().push_back(2);
    mesh.Place(D3DXVECTOR3());
    CPCollisionGrid grid;
    grid.Build(mesh.Body());
    EXPECT_EQ(grid.GetTriangleCount(), 3);
    for (int x = 0; x < grid.GetColumnCount(); ++x) {
        for (int y = 0; y < grid.GetRowCount(); ++y)
            EXPECT_FALSE(grid.CellHasTriangle(2, Cell(x, y)));
    }
    EXPECT_TRUE(grid.CellHasTriangle(0, Cell(0, 0)));
    CPCollisionGrid empty;
    empty.Build(nullptr);
    EXPECT_EQ(empty.GetTriangleCount(), 0);
    EXPECT_EQ(empty.FindNearest(P(1.0f, 1.0f)), 0.0f);
}

TEST(CollisionGrid2D, ClassifiesPointsAgainstASegment)
{
    const D3DXVECTOR4 a = P(0.0f, 0.0f);
    const D3DXVECTOR4 b = P(4.0f, 0.0f);
    const struct
    {
        D3DXVECTOR4 p;
        int32_t code;
    } cases[] = {
        { P(2.0f, 1.0f), 0 }, { P(2.0f, -1.0f), 1 }, { P(6.0f, 0.0f), 2 }, { P(-1.0f, 0.0f), 3 },
        { P(2.0f, 0.0f), 4 }, { P(0.0f, 0.0f), 5 },  { P(4.0f, 0.0f), 6 }, { P(4.0f, 0.0f, 1.0f), 4 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClassifyPointToSegment2D(c.p, a, b), c.code) << c.p.x << "," << c.p.y << "," << c.p.z;
}

TEST(CollisionGrid2D, TrianglesSegmentsAndRectangles)
{
    const D3DXVECTOR4 t0 = P(0.0f, 0.0f);
    const D3DXVECTOR4 t1 = P(4.0f, 0.0f);
    const D3DXVECTOR4 t2 = P(0.0f, 4.0f);
    EXPECT_TRUE(PointInTriangle2D(P(1.0f, 1.0f), t0, t1, t2));
    EXPECT_TRUE(PointInTriangle2D(P(1.0f, 1.0f), t0, t2, t1));
    EXPECT_TRUE(PointInTriangle2D(P(2.0f, 0.0f), t0, t1, t2));
    EXPECT_FALSE(PointInTriangle2D(P(3.0f, 3.0f), t0, t1, t2));

    EXPECT_TRUE(SegmentsIntersect2D(P(0.0f, 0.0f), P(2.0f, 2.0f), P(0.0f, 2.0f), P(2.0f, 0.0f)));
    EXPECT_TRUE(SegmentsIntersect2D(P(0.0f, 0.0f), P(2.0f, 0.0f), P(2.0f, 0.0f), P(2.0f, 3.0f)));
    EXPECT_FALSE(SegmentsIntersect2D(P(0.0f, 0.0f), P(3.0f, 0.0f), P(1.0f, 0.0f), P(5.0f, 0.0f)));
    EXPECT_FALSE(SegmentsIntersect2D(P(0.0f, 0.0f), P(1.0f, 1.0f), P(3.0f, 0.0f), P(2.0f, 5.0f)));

    // A triangle whose edge only touches the cell's edge.
    const D3DXVECTOR4 c0 = P(0.0f, 0.0f);
    const D3DXVECTOR4 c1 = P(4.0f, 0.0f);
    const D3DXVECTOR4 c2 = P(0.0f, 4.0f);
    const D3DXVECTOR4 c3 = P(4.0f, 4.0f);
    EXPECT_TRUE(RectOverlapsTriangle2D(c0, c1, c2, c3, P(4.0f, 1.0f), P(8.0f, 1.0f), P(4.0f, 3.0f)));
    EXPECT_TRUE(RectOverlapsTriangle2D(c0, c1, c2, c3, P(-10.0f, -10.0f), P(30.0f, -10.0f), P(-10.0f, 30.0f)));
    EXPECT_TRUE(RectOverlapsTriangle2D(c0, c1, c2, c3, P(-1.0f, 2.0f), P(5.0f, 2.0f), P(2.0f, 10.0f)));
    EXPECT_FALSE(RectOverlapsTriangle2D(c0, c1, c2, c3, P(5.0f, 5.0f), P(9.0f, 5.0f), P(5.0f, 9.0f)));
}
