#include "Render/PDecal.h"

#include "Core/PBoundingBox.h"
#include "Core/PGameObject.h"
#include "Render/PRenderObject.h"
#include "Vehicles/PPhysicData.h"
#include "Vehicles/PPhysicManager.h"

#include "tests/VehicleFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

namespace
{
constexpr float kTolerance = 1e-4f;

// A ground of loose triangles in the physics manager's collision grid, a
// shadow object with a flat body and a 2 x 4 box, and the physics data that
// lists the triangles under the vehicle.
class Decal : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_PhysicManager = &m_manager;
        m_shadow->SetBody(m_body.get(), kBodyRenderObject);
        m_shadow->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(), D3DXVECTOR3(1.0f, 2.0f, 0.5f)));
    }

    void TearDown() override
    {
        m_shadow->SetBody(nullptr, kBodyGroup);
        g_PhysicManager = nullptr;
    }

    void BuildGrid()
    {
        m_ground.Place(D3DXVECTOR3());
        m_manager.GetCollisionGrid().Build(m_ground.Body());
    }

    void List(const std::vector<int32_t>& triangles)
    {
        m_data.m_terrainTriangleCount = static_cast<int32_t>(triangles.size());
        for (size_t i = 0; i < triangles.size(); ++i)
            m_data.m_terrainTriangles[i] = triangles[i];
    }

    void Project(const D3DXMATRIX& world)
    {
        ProjectDecal(CPSmartPtr<CPGameObject>(m_shadow.get()), world, CPSmartPtr<CPPhysicData>(&m_data));
    }

    static D3DXMATRIX Identity()
    {
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        return identity;
    }

    CPPhysicManager m_manager;
    fixture::LevelMesh m_ground;
    std::unique_ptr<CPGameObject> m_shadow = std::make_unique<CPGameObject>("shadow");
    std::unique_ptr<CPRenderObject> m_body = std::make_unique<CPRenderObject>(m_shadow.get());
    CPGameObject m_owner { "vehicle" };
    CPPhysicData m_data { &m_owner };
};
}

TEST_F(Decal, ASlopedTriangleUnderTheFootprintGetsItsCornersMappedToTheUnitSquare)
{
    // The footprint is the 2 x 4 box grown by 0.1: x from -1.1 to 1.1, y from
    // -2.1 to 2.1. The triangle spans three of its corners and slopes up.
    const uint16_t a = m_ground.AddVertex(-1.1f, -2.1f, 0.0f);
    const uint16_t b = m_ground.AddVertex(1.1f, -2.1f, 1.0f);
    const uint16_t c = m_ground.AddVertex(-1.1f, 2.1f, 2.0f);
    m_ground.AddTriangle(a, b, c);
    BuildGrid();
    List({ 0, 0 }); // listed twice (two grid cells), drawn once

    Project(Identity());

    const std::vector<CPVertex>& vertices = m_body->GetLocalVertices();
    ASSERT_EQ(vertices.size(), 3u);
    EXPECT_EQ(m_body->GetIndices(), (std::vector<uint16_t> { 0, 1, 2 }));
    const struct
    {
        D3DXVECTOR3 position;
        float u;
        float v;
    } expected[] = {
        { D3DXVECTOR3(-1.1f, -2.1f, 0.03f), 0.0f, 0.0f },
        { D3DXVECTOR3(1.1f, -2.1f, 1.03f), 1.0f, 0.0f },
        { D3DXVECTOR3(-1.1f, 2.1f, 2.03f), 0.0f, 1.0f },
    };
    for (size_t i = 0; i < 3; ++i) {
        const CPVertex& vertex = vertices[i];
        EXPECT_NEAR(vertex.position.x, expected[i].position.x, kTolerance) << i;
        EXPECT_NEAR(vertex.position.y, expected[i].position.y, kTolerance) << i;
        EXPECT_NEAR(vertex.position.z, expected[i].position.z, kTolerance) << i;
        EXPECT_NEAR(vertex.u1, expected[i].u, kTolerance) << i;
        EXPECT_NEAR(vertex.v1, expected[i].v, kTolerance) << i;
        EXPECT_EQ(vertex.normal, D3DXVECTOR3(0.0f, 0.0f, 1.0f));
        EXPECT_EQ(vertex.diffuse, 0xFFFFFFFFu);
        EXPECT_EQ(vertex.u2, 0.0f);
    }
    EXPECT_EQ(m_body->GetWorldVertices().size(), 3u);
}

TEST_F(Decal, TheFootprintFollowsTheVehiclesWorldMatrix)
{
    // Turned a quarter round and moved to (10, 0): the box's x runs along y.
    m_ground.AddGround(100.0f);
    BuildGrid();
    List({ 0 });
    D3DXMATRIX turn;
    D3DXMatrixRotationZ(&turn, 1.5707964f);
    D3DXMATRIX move;
    D3DXMatrixTranslation(&move, 10.0f, 0.0f, 0.0f);
    Project(turn * move);

    // Triangle 0 runs (-50, -50), (50, -50), (50, 50). The footprint's origin
    // corner (-1.1, -2.1) lands at (12.1, -1.1); its first edge (along local x)
    // runs along +y for 2.2, its second along -x for 4.2.
    const std::vector<CPVertex>& vertices = m_body->GetLocalVertices();
    ASSERT_EQ(vertices.size(), 3u);
    EXPECT_NEAR(vertices[0].u1, (-50.0f + 1.1f) / 2.2f, 1e-3f);
    EXPECT_NEAR(vertices[0].v1, (12.1f + 50.0f) / 4.2f, 1e-3f);
    EXPECT_NEAR(vertices[2].u1, (50.0f + 1.1f) / 2.2f, 1e-3f);
    EXPECT_NEAR(vertices[2].v1, (12.1f - 50.0f) / 4.2f, 1e-3f);
    EXPECT_NEAR(vertices[0].position.z, 0.03f, kTolerance);
}

TEST_F(Decal, NoListedTrianglesEmptyTheBodyAndASingularFrameKeepsIt)
{
    m_ground.AddGround(10.0f);
    BuildGrid();
    List({ 0, 1 });
    Project(Identity());
    ASSERT_EQ(m_body->GetLocalVertices().size(), 6u);

    // A world matrix that flattens the footprint to a point gives a frame
    // with no area even after growing: the body keeps what it had.
    D3DXMATRIX flat;
    D3DXMatrixScaling(&flat, 0.0f, 0.0f, 1.0f);
    Project(flat);
    EXPECT_EQ(m_body->GetLocalVertices().size(), 6u);

    // Triangles listed past the grid's end are skipped.
    List({});
    Project(Identity());
    EXPECT_TRUE(m_body->GetLocalVertices().empty());
    EXPECT_TRUE(m_body->GetIndices().empty());
    EXPECT_TRUE(m_body->GetWorldVertices().empty());
    List({ 7, -1 });
    Project(Identity());
    EXPECT_TRUE(m_body->GetLocalVertices().empty());
}

// A car's list names a triangle once for each grid cell it lies in, and a
// mesh may hold the same three corners twice: each is laid once, where it is
// first listed.
TEST_F(Decal, RepeatedTrianglesAreLaidOnceInTheOrderFirstListed)
{
    m_ground.AddTerrain(20, 40.0f); // triangles 0 to 799
    const std::vector<uint16_t>& corners = m_ground.Body()->GetIndices();
    m_ground.AddTriangle(corners[2], corners[0], corners[1]); // 800: triangle 0's corners again
    BuildGrid();
    // The longest list the car's data holds, every triangle named several
    // times, in a scattered order.
    std::vector<int32_t> listed;
    for (int32_t i = 0; i < CPPhysicData::kMaxTerrainTriangles; ++i)
        listed.push_back(i == 500 ? 800 : (i * 37 + i / 100) % 800);
    List(listed);
    std::vector<int32_t> expected;
    std::set<std::vector<uint16_t>> seen;
    for (int32_t triangle : listed) {
        std::vector<uint16_t> key(corners.begin() + 3 * triangle, corners.begin() + 3 * triangle + 3);
        std::sort(key.begin(), key.end());
        if (seen.insert(key).second)
            expected.push_back(triangle);
    }

    Project(Identity());
    const std::vector<CPVertex>& laid = m_body->GetLocalVertices();
    const std::vector<CPVertex>& ground = m_ground.Body()->GetLocalVertices();
    ASSERT_EQ(laid.size(), 3 * expected.size());
    for (size_t i = 0; i < laid.size(); ++i) {
        const D3DXVECTOR3& corner = ground[corners[3 * static_cast<size_t>(expected[i / 3]) + i % 3]].position;
        ASSERT_EQ(laid[i].position, D3DXVECTOR3(corner.x, corner.y, corner.z + 0.03f)) << "vertex " << i;
    }
    EXPECT_EQ(m_body->GetIndices().size(), laid.size());
}

TEST(DecalFrame, GrowsToCoverTheParallelogramAtTheFarCorner)
{
    const struct
    {
        const char* name;
        D3DXVECTOR2 origin, a, b, p;
        D3DXVECTOR2 wantOrigin, wantA, wantB;
    } cases[] = {
        // The footprint's back strip grown to its front strip.
        { "strip", { -1.1f, -2.1f }, { 2.2f, 0.0f }, { 0.0f, 0.2f }, { -1.1f, 1.9f },
          { -1.1f, -2.1f }, { 2.2f, 0.0f }, { 0.0f, 4.2f } },
        // A parallelogram on the frame itself changes nothing.
        { "inside", { 0.0f, 0.0f }, { 4.0f, 0.0f }, { 0.0f, 4.0f }, { 0.0f, 0.0f },
          { 0.0f, 0.0f }, { 4.0f, 0.0f }, { 0.0f, 4.0f } },
        // A corner behind the origin moves it.
        { "behind", { 0.0f, 0.0f }, { 1.0f, 0.0f }, { 0.0f, 1.0f }, { -2.0f, -3.0f },
          { -2.0f, -3.0f }, { 3.0f, 0.0f }, { 0.0f, 4.0f } },
        // A zero first edge becomes the way to the corner.
        { "zero a", { 1.0f, 1.0f }, { 0.0f, 0.0f }, { 0.0f, 2.0f }, { 4.0f, 1.0f },
          { 1.0f, 1.0f }, { 3.0f, 0.0f }, { 0.0f, 2.0f } },
        { "zero b", { 1.0f, 1.0f }, { 2.0f, 0.0f }, { 0.0f, 0.0f }, { 1.0f, 5.0f },
          { 1.0f, 1.0f }, { 2.0f, 0.0f }, { 0.0f, 4.0f } },
        // Parallel edges, b pointing back: the origin moves back along a.
        { "parallel back", { 0.0f, 0.0f }, { 1.0f, 0.0f }, { -2.0f, 0.0f }, { 0.0f, 3.0f },
          { -2.0f, 0.0f }, { 3.0f, 0.0f }, { 0.0f, 3.0f } },
        // Parallel edges, b longer: a takes b.
        { "parallel long", { 0.0f, 0.0f }, { 1.0f, 0.0f }, { 3.0f, 0.0f }, { 0.0f, 2.0f },
          { 0.0f, 0.0f }, { 3.0f, 0.0f }, { 0.0f, 2.0f } },
    };
    for (const auto& c : cases) {
        D3DXVECTOR2 origin = c.origin;
        D3DXVECTOR2 a = c.a;
        D3DXVECTOR2 b = c.b;
        TransformDecalPoints(origin, a, b, c.p);
        EXPECT_NEAR(origin.x, c.wantOrigin.x, kTolerance) << c.name;
        EXPECT_NEAR(origin.y, c.wantOrigin.y, kTolerance) << c.name;
        EXPECT_NEAR(a.x, c.wantA.x, kTolerance) << c.name;
        EXPECT_NEAR(a.y, c.wantA.y, kTolerance) << c.name;
        EXPECT_NEAR(b.x, c.wantB.x, kTolerance) << c.name;
        EXPECT_NEAR(b.y, c.wantB.y, kTolerance) << c.name;
    }
}
