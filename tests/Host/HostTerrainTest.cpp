#include "Host/PHostTerrain.h"

#include "LevelFixture.h"
#include "Vehicles/PCollisionGrid.h"

#include "tests/VehicleFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace
{
struct Ray
{
    btVector3 from;
    btVector3 to;
};

// Bit for bit: a hit's fraction, object, normal and point; a miss's
// fraction and object. Whether Bullet's test hit.
bool ExpectBulletsResult(CPHostTerrain& terrain, const Ray& ray, const std::string& what)
{
    btCollisionWorld::ClosestRayResultCallback cells(ray.from, ray.to);
    btCollisionWorld::ClosestRayResultCallback tree(ray.from, ray.to);
    terrain.CastRay(ray.from, ray.to, cells);
    btTransform from = btTransform::getIdentity();
    btTransform to = btTransform::getIdentity();
    from.setOrigin(ray.from);
    to.setOrigin(ray.to);
    btCollisionObject* object = terrain.GetObject();
    btCollisionWorld::rayTestSingle(from, to, object, object->getCollisionShape(), object->getWorldTransform(), tree);
    const auto same = [](const void* a, const void* b, size_t size) { return std::memcmp(a, b, size) == 0; };
    EXPECT_EQ(cells.hasHit(), tree.hasHit()) << what;
    EXPECT_TRUE(same(&cells.m_closestHitFraction, &tree.m_closestHitFraction, sizeof(btScalar)))
        << what << ": " << cells.m_closestHitFraction << " against " << tree.m_closestHitFraction;
    EXPECT_EQ(cells.m_collisionObject, tree.m_collisionObject) << what;
    if (!tree.hasHit() || !cells.hasHit())
        return tree.hasHit();
    EXPECT_TRUE(same(cells.m_hitNormalWorld.m_floats, tree.m_hitNormalWorld.m_floats, 3 * sizeof(btScalar)))
        << what;
    EXPECT_TRUE(same(cells.m_hitPointWorld.m_floats, tree.m_hitPointWorld.m_floats, 3 * sizeof(btScalar))) << what;
    return true;
}

// Flat ground, a ramp, walls standing on it and one leaning over it.
void AddGroundAndWalls(fixture::LevelMesh& mesh)
{
    mesh.AddGround(80.0f);
    const uint16_t a = mesh.AddVertex(-10.0f, -10.0f, 0.0f);
    const uint16_t b = mesh.AddVertex(10.0f, -10.0f, 0.0f);
    const uint16_t c = mesh.AddVertex(10.0f, 10.0f, 6.0f);
    const uint16_t d = mesh.AddVertex(-10.0f, 10.0f, 6.0f);
    mesh.AddTriangle(a, b, c);
    mesh.AddTriangle(a, c, d);
    mesh.AddWall(-30.0f, 30.0f, 20.0f, 0.0f, 5.0f);
    mesh.AddWall(-30.0f, -30.0f, -20.0f, 0.0f, 5.0f);
    mesh.AddWall(15.0f, 25.0f, -15.0f, 0.0f, 3.0f);
    const uint16_t e = mesh.AddVertex(-25.0f, 30.0f, 0.0f);
    const uint16_t f = mesh.AddVertex(25.0f, 30.0f, 0.0f);
    const uint16_t g = mesh.AddVertex(0.0f, 26.0f, 8.0f);
    mesh.AddTriangle(e, f, g);
}

// Two large triangles whose outer edges lie along the axes, where Bullet's
// triangle test reaches past the boxes its tree keeps.
void AddLargeSquare(fixture::LevelMesh& mesh)
{
    const uint16_t a = mesh.AddVertex(0.0f, 0.0f, 0.0f);
    const uint16_t b = mesh.AddVertex(60.0f, 0.0f, 0.0f);
    const uint16_t c = mesh.AddVertex(60.0f, 60.0f, 3.0f);
    const uint16_t d = mesh.AddVertex(0.0f, 60.0f, 0.0f);
    mesh.AddTriangle(a, b, c);
    mesh.AddTriangle(a, c, d);
}

// Rays a wheel casts (short, down), rays at and about every edge and corner
// of the mesh at distances from far inside Bullet's edge tolerance to well
// past it, slanted rays, long rays, and rays of no length.
std::vector<Ray> RaysOver(const CPCollisionGrid& grid)
{
    std::vector<Ray> rays;
    std::mt19937 random(11);
    const D3DXVECTOR3* vertices = grid.GetVertices();
    float low[3] = { vertices[0].x, vertices[0].y, vertices[0].z };
    float high[3] = { low[0], low[1], low[2] };
    for (int32_t v = 0; v < grid.GetVertexCount(); ++v) {
        const float at[3] = { vertices[v].x, vertices[v].y, vertices[v].z };
        for (int axis = 0; axis < 3; ++axis) {
            low[axis] = std::min(low[axis], at[axis]);
            high[axis] = std::max(high[axis], at[axis]);
        }
    }
    auto uniform = [&random](float a, float b) { return std::uniform_real_distribution<float>(a, b)(random); };
    auto down = [&rays](float x, float y, float z) {
        rays.push_back({ btVector3(x, y, z + 0.5f), btVector3(x, y, z - 1.0f) });
    };
    for (int i = 0; i < 400; ++i) {
        down(uniform(low[0] - 2.0f, high[0] + 2.0f), uniform(low[1] - 2.0f, high[1] + 2.0f),
             uniform(low[2], high[2]));
    }
    const int32_t step = std::max(1, grid.GetTriangleCount() / 60);
    for (int32_t t = 0; t < grid.GetTriangleCount(); t += step) {
        const CPPhysicTerrainTriangle& triangle = grid.GetTriangles()[t];
        for (int k = 0; k < 3; ++k) {
            const D3DXVECTOR3& a = vertices[triangle.m_vertex[k]];
            const D3DXVECTOR3& b = vertices[triangle.m_vertex[(k + 1) % 3]];
            const float dx = b.x - a.x;
            const float dy = b.y - a.y;
            const float length = std::sqrt(dx * dx + dy * dy);
            if (!(length > 0.0f))
                continue;
            for (float along : { 0.0f, 0.5f, uniform(0.0f, 1.0f) }) {
                const D3DXVECTOR3 on = a + (b - a) * along;
                down(on.x, on.y, on.z);
                for (float offset = 1e-7f; offset < 2e-3f; offset *= 3.0f) {
                    for (float side : { -1.0f, 1.0f }) {
                        const float away = side * offset * length;
                        down(on.x - dy / length * away, on.y + dx / length * away, on.z);
                    }
                }
            }
        }
    }
    for (int i = 0; i < 300; ++i) {
        const btVector3 from(uniform(low[0], high[0]), uniform(low[1], high[1]), uniform(low[2] - 1.0f, high[2] + 3.0f));
        const float length = i % 10 == 0 ? 60.0f : uniform(0.2f, 4.0f);
        btVector3 direction(uniform(-1.0f, 1.0f), uniform(-1.0f, 1.0f), uniform(-1.0f, 0.5f));
        direction.safeNormalize();
        rays.push_back({ from, from + direction * length });
    }
    const btVector3 centre(0.5f * (low[0] + high[0]), 0.5f * (low[1] + high[1]), 0.0f);
    rays.push_back({ centre, centre });
    const float nan = std::numeric_limits<float>::quiet_NaN();
    rays.push_back({ btVector3(nan, centre.y(), 1.0f), btVector3(centre.x(), centre.y(), -1.0f) });
    return rays;
}
}

TEST(HostTerrain, EveryRayGivesBulletsWholeMeshResultToTheBit)
{
    const std::vector<std::pair<const char*, std::function<void(fixture::LevelMesh&)>>> meshes = {
        { "fixture ring", [](fixture::LevelMesh& mesh) { level::AddCollisionRing(mesh, 96, 1); } },
        { "dense ring", [](fixture::LevelMesh& mesh) { level::AddCollisionRing(mesh, 400, 6); } },
        { "bumps", [](fixture::LevelMesh& mesh) { mesh.AddTerrain(30, 90.0f); } },
        { "walls", AddGroundAndWalls },
        { "large square", AddLargeSquare },
    };
    for (const auto& [name, make] : meshes) {
        fixture::LevelMesh mesh;
        make(mesh);
        mesh.Place(D3DXVECTOR3(3.0f, -2.0f, 0.5f));
        CPCollisionGrid grid;
        grid.Build(mesh.Body());
        CPHostTerrain terrain;
        terrain.Build(grid);
        ASSERT_NE(terrain.GetObject(), nullptr) << name;
        ASSERT_TRUE(terrain.HasCellLists()) << name;
        int hits = 0;
        const std::vector<Ray> rays = RaysOver(grid);
        for (size_t i = 0; i < rays.size(); ++i)
            hits += ExpectBulletsResult(terrain, rays[i], std::string(name) + ", ray " + std::to_string(i)) ? 1 : 0;
        EXPECT_GT(hits, static_cast<int>(rays.size()) / 4) << name;
    }
}

TEST(HostTerrain, RebuildsOnlyForANewGridAndLeavesNoObjectWithoutTriangles)
{
    fixture::LevelMesh mesh;
    mesh.AddGround(20.0f);
    mesh.Place(D3DXVECTOR3());
    CPCollisionGrid grid;
    grid.Build(mesh.Body());
    CPHostTerrain terrain;
    EXPECT_FALSE(terrain.IsBuiltFrom(grid));
    terrain.Build(grid);
    EXPECT_TRUE(terrain.IsBuiltFrom(grid));
    ASSERT_NE(terrain.GetObject(), nullptr);

    grid.Clear();
    EXPECT_FALSE(terrain.IsBuiltFrom(grid));
    terrain.Build(grid);
    EXPECT_TRUE(terrain.IsBuiltFrom(grid));
    EXPECT_EQ(terrain.GetObject(), nullptr);
    btCollisionWorld::ClosestRayResultCallback hit(btVector3(0, 0, 1), btVector3(0, 0, -1));
    terrain.CastRay(hit.m_rayFromWorld, hit.m_rayToWorld, hit);
    EXPECT_FALSE(hit.hasHit());

    // Another grid built as many times is another mesh: the copy is not its.
    CPCollisionGrid other;
    other.Clear();
    other.Clear();
    other.Build(mesh.Body());
    grid.Build(mesh.Body());
    ASSERT_EQ(other.GetBuildCount(), grid.GetBuildCount());
    terrain.Build(grid);
    EXPECT_FALSE(terrain.IsBuiltFrom(other));
    terrain.Build(other);
    EXPECT_TRUE(terrain.IsBuiltFrom(other));
    EXPECT_FALSE(terrain.IsBuiltFrom(grid));
}
