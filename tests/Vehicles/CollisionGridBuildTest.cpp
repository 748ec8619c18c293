// The grid's build against the plain one (tests/Vehicles/CollisionGridReference.h)
// over meshes chosen to sit on the edge of every decision: vertices and
// edges on cell lines, degenerate and sliver triangles, triangles larger than
// the grid, far-off and turned placements, unusable triangles.
#include "Vehicles/PCollisionGrid.h"

#include "Platform/CRand.h"
#include "tests/VehicleFixture.h"
#include "tests/Vehicles/CollisionGridReference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>

namespace
{
float Draw(float low, float high)
{
    return low + (high - low) * static_cast<float>(crt::rand()) / static_cast<float>(crt::kRandMax);
}

// A whole number of steps between low and high: lands on cell lines often.
float Snapped(int low, int high, float step)
{
    return step * static_cast<float>(low + crt::rand() % (high - low + 1));
}

uint16_t Vertex(fixture::LevelMesh& mesh, float x, float y)
{
    return mesh.AddVertex(x, y, Draw(-1.0f, 1.0f));
}

void Triangle(fixture::LevelMesh& mesh, float x0, float y0, float x1, float y1, float x2, float y2)
{
    const uint16_t a = Vertex(mesh, x0, y0);
    const uint16_t b = Vertex(mesh, x1, y1);
    const uint16_t c = Vertex(mesh, x2, y2);
    mesh.AddTriangle(a, b, c);
}

// Small triangles with corners on quarter units over a 60 x 60 square.
void SnappedTriangles(fixture::LevelMesh& mesh)
{
    for (int i = 0; i < 1500; ++i) {
        const float x = Snapped(-120, 120, 0.25f);
        const float y = Snapped(-120, 120, 0.25f);
        Triangle(mesh, x, y, x + Snapped(-16, 16, 0.25f), y + Snapped(-16, 16, 0.25f), x + Snapped(-16, 16, 0.25f),
                 y + Snapped(-16, 16, 0.25f));
    }
}

// Points, segments along and across cell lines, slivers a hair off a line or
// a cell corner, in both windings.
void DegenerateTriangles(fixture::LevelMesh& mesh)
{
    const float hair = 1e-5f;
    for (int i = 0; i < 400; ++i) {
        const float x = Snapped(-10, 10, 4.0f);
        const float y = Snapped(-10, 10, 4.0f);
        const float d = Draw(-6.0f, 6.0f);
        const float e = Draw(-6.0f, 6.0f);
        const float off = hair * static_cast<float>(crt::rand() % 3 - 1);
        Triangle(mesh, x, y, x, y, x, y);
        Triangle(mesh, x, y, x + d, y, x - e, y);
        Triangle(mesh, x, y + e, x, y - d, x, y + d);
        Triangle(mesh, x - d, y - d, x + e, y + e, x + 0.5f * (e - d), y + 0.5f * (e - d) + off);
        Triangle(mesh, x + off, y, x + d, y + e, x + 2.0f * d, y + 2.0f * e + off);
        Triangle(mesh, x + d, y + off, x - e, y, x + 0.5f, y - off);
        Triangle(mesh, x + off, y - off, x - d, y + e, x + off, y + e);
    }
}

// Triangles far larger than a cell, some larger than the rest of the mesh.
void HugeTriangles(fixture::LevelMesh& mesh)
{
    Triangle(mesh, -300.0f, -250.0f, 280.0f, -200.0f, 10.0f, 320.0f);
    Triangle(mesh, -300.0f, 320.0f, 280.0f, -250.0f, 280.0f, 320.0f);
    for (int i = 0; i < 12; ++i)
        Triangle(mesh, Draw(-300.0f, 300.0f), Draw(-300.0f, 300.0f), Draw(-300.0f, 300.0f), Draw(-300.0f, 300.0f),
                 Draw(-300.0f, 300.0f), Draw(-300.0f, 300.0f));
    // A thin strip across the whole mesh, along a cell line.
    Triangle(mesh, -300.0f, 0.0f, 280.0f, 0.0f, 280.0f, 1e-3f);
}

// A ring road of 600 steps and 6 strips across.
void Ring(fixture::LevelMesh& mesh)
{
    const int steps = 600;
    const int strips = 6;
    for (int s = 0; s < steps; ++s) {
        const float a0 = 6.2831855f * static_cast<float>(s) / steps;
        const float a1 = 6.2831855f * static_cast<float>(s + 1) / steps;
        for (int k = 0; k < strips; ++k) {
            const float r0 = 50.0f + 3.0f * static_cast<float>(k);
            const float r1 = r0 + 3.0f;
            const uint16_t a = Vertex(mesh, r0 * std::cos(a0), r0 * std::sin(a0));
            const uint16_t b = Vertex(mesh, r1 * std::cos(a0), r1 * std::sin(a0));
            const uint16_t c = Vertex(mesh, r1 * std::cos(a1), r1 * std::sin(a1));
            const uint16_t d = Vertex(mesh, r0 * std::cos(a1), r0 * std::sin(a1));
            mesh.AddTriangle(a, b, c);
            mesh.AddTriangle(a, c, d);
        }
    }
}

// Terrain whose vertices all lie on cell lines, then one whose do not.
void Terrains(fixture::LevelMesh& mesh)
{
    mesh.AddTerrain(10, 40.0f);
    mesh.AddTerrain(7, 41.0f);
}

// Triangles naming a vertex past the end, one with a corner not a number,
// and a trailing partial triple.
void UnusableTriangles(fixture::LevelMesh& mesh)
{
    mesh.AddTerrain(4, 16.0f);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const uint16_t a = Vertex(mesh, 3.0f, 5.0f);
    const uint16_t b = mesh.AddVertex(nan, 2.0f, 0.0f);
    const uint16_t c = mesh.AddVertex(7.0f, nan, 0.0f);
    mesh.AddTriangle(a, b, 3);
    mesh.AddTriangle(a, 4, c);
    mesh.AddTriangle(a, 5, 999);
    mesh.Body()->GetIndices().push_back(1);
}

struct MeshCase
{
    const char* name;
    std::function<void(fixture::LevelMesh&)> build;
    D3DXVECTOR3 position;
    float turn;
};

D3DXVECTOR4 Cell(int32_t x, int32_t y)
{
    return D3DXVECTOR4(static_cast<float>(x), static_cast<float>(y), 0.0f, 0.0f);
}
}

TEST(CollisionGridBuild, ListsTheSameCellsAsThePlainBuild)
{
    const MeshCase cases[] = {
        { "snapped", SnappedTriangles, D3DXVECTOR3(), 0.0f },
        { "snapped far off", SnappedTriangles, D3DXVECTOR3(3001.0f, -1777.5f, 4.0f), 0.0f },
        { "degenerate", DegenerateTriangles, D3DXVECTOR3(), 0.0f },
        { "degenerate turned", DegenerateTriangles, D3DXVECTOR3(2.0f, 3.0f, 0.0f), 0.7f },
        { "huge", HugeTriangles, D3DXVECTOR3(), 0.0f },
        { "ring", Ring, D3DXVECTOR3(), 0.0f },
        { "ring far off and turned", Ring, D3DXVECTOR3(3500.0f, 2900.0f, 0.0f), 1.3f },
        { "terrains", Terrains, D3DXVECTOR3(), 0.0f },
        { "terrains turned a quarter", Terrains, D3DXVECTOR3(8.0f, -4.0f, 0.0f), 1.5707964f },
        { "unusable", UnusableTriangles, D3DXVECTOR3(), 0.0f },
    };
    crt::srand(20);
    for (const MeshCase& c : cases) {
        SCOPED_TRACE(c.name);
        fixture::LevelMesh mesh;
        c.build(mesh);
        D3DXQUATERNION turn;
        const D3DXVECTOR3 up(0.0f, 0.0f, 1.0f);
        D3DXQuaternionRotationAxis(&turn, &up, c.turn);
        mesh.Object()->SetRotation(turn);
        mesh.Place(c.position);

        CPCollisionGrid grid;
        grid.Build(mesh.Body());
        const reference::CollisionGrid plain = reference::BuildCollisionGrid(*mesh.Body());

        EXPECT_EQ(grid.GetOrigin(), plain.origin);
        ASSERT_EQ(grid.GetColumnCount(), plain.columnCount);
        ASSERT_EQ(grid.GetRowCount(), plain.rowCount);
        ASSERT_EQ(grid.GetVertexCount(), static_cast<int32_t>(plain.vertices.size()));
        for (size_t v = 0; v < plain.vertices.size(); ++v)
            ASSERT_EQ(std::memcmp(&grid.GetVertices()[v], &plain.vertices[v], sizeof(D3DXVECTOR3)), 0) << v;
        ASSERT_EQ(grid.GetTriangleCount(), static_cast<int32_t>(plain.triangles.size()));
        for (size_t t = 0; t < plain.triangles.size(); ++t)
            for (int k = 0; k < 3; ++k)
                ASSERT_EQ(grid.GetTriangles()[t].m_vertex[k], plain.triangles[t].m_vertex[k]) << t;
        size_t listed = 0;
        for (int32_t x = 0; x < plain.columnCount; ++x) {
            for (int32_t y = 0; y < plain.rowCount; ++y) {
                const CPCollisionCell& cell = grid.CellList(Cell(x, y));
                const std::vector<int32_t>& expected = plain.cells[static_cast<size_t>(x)][static_cast<size_t>(y)];
                ASSERT_EQ(cell.m_triangles, expected) << "cell " << x << ", " << y;
                ASSERT_EQ(cell.m_count, static_cast<int32_t>(expected.size()));
                listed += expected.size();
            }
        }
        EXPECT_GT(listed, plain.triangles.size() / 2);
    }
}
