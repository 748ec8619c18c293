#include "Vehicles/PPhysicManager.h"

#include "Core/PGlobals.h"
#include "Race/PLevel.h"
#include "Startup/PConfigVars.h"
#include "Vehicles/PPhysicAnimatedBody.h"
#include "Vehicles/PPhysicWorld.h"

#include "tests/VehicleFixture.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
// A physics manager published as the global one, with the difficulty and
// surface values restored afterwards.
class PhysicManager : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_camSpeed = g_CfgCamSpeed;
        m_friction = g_CfgFriction;
        m_restitution = g_CfgRestitution;
        g_PhysicManager = &m_manager;
    }

    void TearDown() override
    {
        g_PhysicManager = nullptr;
        g_CfgCamSpeed = m_camSpeed;
        g_CfgFriction = m_friction;
        g_CfgRestitution = m_restitution;
    }

    CPPhysicManager m_manager;
    int32_t m_camSpeed = 0;
    float m_friction = 0.0f;
    float m_restitution = 0.0f;
};

// Two race vehicles with cars, facing -y, for synthetic contacts.
class Collisions : public PhysicManager
{
protected:
    void SetUp() override
    {
        PhysicManager::SetUp();
        m_manager.CreateWorld(D3DXVECTOR3(), D3DXVECTOR3(100.0f, 100.0f, 100.0f), 500, 500, 500);
        for (fixture::Vehicle* v : { &m_front, &m_rear }) {
            v->Player()->SetCar(new CPCar(v->Player()));
            m_manager.AddObject(v->Player(), 1, 1);
        }
        m_front.Player()->SetPosition(D3DXVECTOR3(0.0f, -4.0f, 1.0f));
        m_rear.Player()->SetPosition(D3DXVECTOR3(0.0f, 0.0f, 1.0f));
    }

    void TearDown() override
    {
        m_level.reset();
        PhysicManager::TearDown();
    }

    // Body 1 against body 2, as the stepper reports it.
    static CPPhysicContact Touch(fixture::Vehicle& first, fixture::Vehicle& second)
    {
        CPPhysicContact contact;
        contact.m_body1 = first.Body();
        contact.m_body2 = second.Body();
        return contact;
    }

    // The vehicle against a level triangle with the given normal.
    static CPPhysicContact Hit(fixture::Vehicle& vehicle, const D3DXVECTOR4& normal)
    {
        CPPhysicContact contact;
        contact.m_body1 = vehicle.Body();
        contact.m_kind2 = CPPhysicContact::kPartnerTerrain;
        contact.m_point = D3DXVECTOR3(0.0f, -2.0f, 1.0f);
        contact.m_impact = D3DXVECTOR3(0.0f, 50.0f, 0.0f);
        contact.m_normal = normal;
        return contact;
    }

    fixture::Vehicle m_front;
    fixture::Vehicle m_rear;
    std::unique_ptr<CPLevel> m_level;
};
}

TEST_F(PhysicManager, CreateWorldSetsTheGameTablesAndReplacesTheWorld)
{
    const struct
    {
        int32_t difficulty;
        int32_t carsAgainstCars;
    } cases[] = { { 0, 0 }, { 1, 0 }, { 2, 3 }, { 3, 3 } };
    g_CfgFriction = 0.7f;
    g_CfgRestitution = 0.1f;
    for (const auto& c : cases) {
        g_CfgCamSpeed = c.difficulty;
        m_manager.CreateWorld(D3DXVECTOR3(), D3DXVECTOR3(100.0f, 100.0f, 100.0f), 500, 500, 500);
        CPPhysicWorld* world = m_manager.GetWorld();
        ASSERT_NE(world, nullptr);
        EXPECT_EQ(world->m_collisionTable.m_pairs[0][0], c.carsAgainstCars) << c.difficulty;
        EXPECT_EQ(world->m_collisionTable.m_terrain[0], 3);
        EXPECT_EQ(world->m_collisionTable.m_pairs[1][1], 1);
        for (int32_t material : { 0, 1 }) {
            EXPECT_FLOAT_EQ(world->m_materialTable.Get(material)->m_friction, 0.7f);
            EXPECT_FLOAT_EQ(world->m_materialTable.Get(material)->m_restitution, 0.1f);
        }
        EXPECT_FLOAT_EQ(world->m_materialTable.Get(2)->m_friction, 0.5f);
        EXPECT_EQ(world->m_collisionCallback, &CPPhysicManager::OnCollision);
        EXPECT_EQ(world->m_terrainQueryCallback, &CPPhysicManager::QueryTerrainTriangles);
        EXPECT_EQ(world->m_sizes.geometriesCount, 5000);
        EXPECT_FLOAT_EQ(world->m_gravity.z, -9.8f);
    }
}

TEST_F(PhysicManager, AddObjectMakesTheBodyOfItsDescription)
{
    m_manager.CreateWorld(D3DXVECTOR3(), D3DXVECTOR3(), 0, 0, 0);
    CPGameObject plain("plain");
    m_manager.AddObject(&plain, 1, 1);
    EXPECT_EQ(m_manager.GetWorld()->m_activeRigidBodies.m_count, 0);

    fixture::Vehicle car;
    m_manager.AddObject(car.Player(), 1, 1);
    ASSERT_NE(car.Body(), nullptr);
    EXPECT_EQ(car.Body()->GetUserData(), car.Player());
    EXPECT_EQ(car.Data()->m_active, 1);
    const CPPhysicShape* box = car.Body()->m_bounds.m_geometries;
    ASSERT_NE(box, nullptr);
    // Sizes (2, 1, 4) become the box (2, 4, 1): half sizes below.
    EXPECT_EQ(box->m_size, D3DXVECTOR3(1.0f, 2.0f, 0.5f));
    EXPECT_EQ(box->m_materialIndex, 1);

    // A negative mass makes an animated body at the given pose.
    CPGameObject gate("gate");
    auto* data = new CPPhysicData(&gate);
    data->AddCylinder(D3DXVECTOR3(), D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f), 2.0f, 3.0f, -1.0f);
    data->SetBoxInertia(1.0f, 1.0f, 1.0f, -1.0f);
    gate.SetPhysicData(data);
    gate.SetPosition(D3DXVECTOR3(5.0f, 6.0f, 7.0f));
    m_manager.AddObject(&gate, 1, 0);
    ASSERT_NE(data->m_animatedBody, nullptr);
    EXPECT_EQ(data->m_rigidBody, nullptr);
    EXPECT_EQ(data->m_animatedBody->GetUserData(), &gate);
    EXPECT_EQ(data->m_animatedBody->m_position, D3DXVECTOR4(5.0f, 6.0f, 7.0f, 1.0f));
    EXPECT_EQ(data->m_animatedBody->m_bounds.m_geometries->GetType(), CPPhysicShape::kTypeCylinder);
    gate.SetPhysicData(nullptr);
    delete data;
}

TEST_F(PhysicManager, ActiveSetAndRemoval)
{
    m_manager.CreateWorld(D3DXVECTOR3(), D3DXVECTOR3(), 0, 0, 0);
    fixture::Vehicle car;
    m_manager.ActivateObject(car.Player());
    m_manager.ActivateObject(car.Player());
    EXPECT_EQ(m_manager.GetActiveObjectCount(), 1u);
    m_manager.AddObject(car.Player(), 1, 1);
    m_manager.RemoveObject(car.Player());
    EXPECT_FALSE(m_manager.IsActiveObject(car.Player()));
    EXPECT_EQ(car.Data()->m_active, 0);
    EXPECT_FALSE(car.Body()->IsActive());

    // An object outside the set still loses its active byte and its body's activity.
    fixture::Vehicle other;
    m_manager.AddObject(other.Player(), 1, 1);
    other.Body()->SetActive(true, nullptr);
    m_manager.RemoveObject(other.Player());
    EXPECT_EQ(other.Data()->m_active, 0);
    EXPECT_FALSE(other.Body()->IsActive());
}

TEST_F(PhysicManager, RemovedBodiesAreParkedFiveHundredApartAndWrap)
{
    m_manager.CreateWorld(D3DXVECTOR3(), D3DXVECTOR3(), 0, 0, 0);
    m_manager.SetParkingDepth(-1000.0f);
    fixture::Vehicle first;
    fixture::Vehicle second;
    m_manager.AddObject(first.Player(), 1, 1);
    m_manager.AddObject(second.Player(), 1, 1);
    CPPhysicBody* firstBody = first.Body();
    CPPhysicBody* secondBody = second.Body();
    first.Data()->ReleaseBody();
    second.Data()->ReleaseBody();
    D3DXVECTOR4 at;
    EXPECT_EQ(firstBody->GetPosition(&at)->z, -1000.0f);
    EXPECT_EQ(secondBody->GetPosition(&at)->z, -1500.0f);
    EXPECT_FALSE(firstBody->IsActive());
    EXPECT_EQ(first.Body(), nullptr);
    ASSERT_EQ(m_manager.GetPendingRemovals().size(), 2u);
    EXPECT_EQ(m_manager.GetPendingRemovals()[1].m_body, secondBody);
    EXPECT_EQ(m_manager.GetPendingRemovals()[1].m_kind, 2);

    m_manager.SetParkingDepth(-99800.0f);
    m_manager.RemoveBody(first.Data());
    EXPECT_EQ(m_manager.GetParkingDepth(), -1000.0f);
    m_manager.Update();
    EXPECT_TRUE(m_manager.GetPendingRemovals().empty());
}

TEST_F(PhysicManager, TerrainQuerySearchesTheCellsAroundTheBox)
{
    // One small triangle per 4 x 4 cell over 40 x 40, so a cell's list is
    // its own triangle (plus neighbours that touch its edges).
    fixture::LevelMesh mesh;
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            const float x0 = 4.0f * static_cast<float>(x) + 1.0f;
            const float y0 = 4.0f * static_cast<float>(y) + 1.0f;
            mesh.AddTriangle(mesh.AddVertex(x0, y0, 0.0f), mesh.AddVertex(x0 + 2.0f, y0, 0.0f),
                             mesh.AddVertex(x0, y0 + 2.0f, 0.0f));
        }
    }
    mesh.Place(D3DXVECTOR3());
    m_manager.GetCollisionGrid().Build(mesh.Body());
    m_manager.CreateWorld(D3DXVECTOR3(), D3DXVECTOR3(), 0, 0, 0);
    fixture::Vehicle car;
    m_manager.AddObject(car.Player(), 1, 1);

    const auto query = [&](float x0, float y0, float x1, float y1) {
        const D3DXVECTOR4 low(x0, y0, 0.0f, 0.0f);
        const D3DXVECTOR4 high(x1, y1, 1.0f, 0.0f);
        int32_t* indices = nullptr;
        const CPPhysicTerrainTriangle* triangles = nullptr;
        const D3DXVECTOR3* vertices = nullptr;
        int32_t count = -1;
        int32_t total = -1;
        CPPhysicManager::QueryTerrainTriangles(&low, &high, &indices, &triangles, &vertices, &count, &total,
                                               car.Body());
        EXPECT_EQ(indices, car.Data()->m_terrainTriangles);
        EXPECT_EQ(triangles, m_manager.GetCollisionGrid().GetTriangles());
        EXPECT_EQ(vertices, m_manager.GetCollisionGrid().GetVertices());
        EXPECT_EQ(total, 100);
        EXPECT_EQ(count, car.Data()->m_terrainTriangleCount);
        return std::vector<int32_t>(indices, indices + count);
    };
    // Inside cell (5, 5): the 3 x 3 cells around it, each with its own triangle.
    const std::vector<int32_t> middle = query(21.0f, 21.0f, 23.0f, 23.0f);
    EXPECT_EQ(middle, (std::vector<int32_t>{ 55, 44, 54, 64, 45, 65, 46, 56, 66 }));
    // At the grid's corner the range is clamped: 2 x 2 cells.
    const std::vector<int32_t> corner = query(1.0f, 1.0f, 2.0f, 2.0f);
    EXPECT_EQ(corner, (std::vector<int32_t>{ 0, 10, 1, 11 }));
    // A box over many cells still answers (the cell list grows).
    EXPECT_EQ(query(0.0f, 0.0f, 39.0f, 39.0f).size(), 100u);
}

TEST_F(PhysicManager, TerrainQueryStopsAtAListThatDoesNotFit)
{
    fixture::LevelMesh mesh;
    const uint16_t a = mesh.AddVertex(0.0f, 0.0f, 0.0f);
    const uint16_t b = mesh.AddVertex(3.0f, 0.0f, 0.0f);
    const uint16_t c = mesh.AddVertex(0.0f, 3.0f, 0.0f);
    for (int i = 0; i < CPPhysicData::kMaxTerrainTriangles; ++i)
        mesh.AddTriangle(a, b, c);
    mesh.Place(D3DXVECTOR3());
    m_manager.GetCollisionGrid().Build(mesh.Body());
    m_manager.CreateWorld(D3DXVECTOR3(), D3DXVECTOR3(), 0, 0, 0);
    fixture::Vehicle car;
    m_manager.AddObject(car.Player(), 1, 1);
    const D3DXVECTOR4 low(1.0f, 1.0f, 0.0f, 0.0f);
    const D3DXVECTOR4 high(2.0f, 2.0f, 0.0f, 0.0f);
    int32_t count = -1;
    CPPhysicManager::QueryTerrainTriangles(&low, &high, nullptr, nullptr, nullptr, &count, nullptr, car.Body());
    EXPECT_EQ(count, 0);
}

TEST_F(PhysicManager, TerrainQueryAnswersFromTheGridAsItIsNow)
{
    fixture::Vehicle car;
    const D3DXVECTOR4 low(1.0f, 1.0f, 0.0f, 0.0f);
    const D3DXVECTOR4 high(2.0f, 2.0f, 0.0f, 0.0f);
    // The same box over grids of the same extent, with one triangle and
    // then two: the second query lists the new grid's, not the first list.
    for (int triangles = 1; triangles <= 2; ++triangles) {
        fixture::LevelMesh mesh;
        const uint16_t a = mesh.AddVertex(0.0f, 0.0f, 0.0f);
        const uint16_t b = mesh.AddVertex(3.0f, 0.0f, 0.0f);
        const uint16_t c = mesh.AddVertex(0.0f, 3.0f, 0.0f);
        for (int i = 0; i < triangles; ++i)
            mesh.AddTriangle(a, b, c);
        mesh.Place(D3DXVECTOR3());
        m_manager.GetCollisionGrid().Build(mesh.Body());
        if (triangles == 1) {
            m_manager.CreateWorld(D3DXVECTOR3(), D3DXVECTOR3(), 0, 0, 0);
            m_manager.AddObject(car.Player(), 1, 1);
        }
        for (int repeat = 0; repeat < 2; ++repeat) {
            int32_t count = -1;
            CPPhysicManager::QueryTerrainTriangles(&low, &high, nullptr, nullptr, nullptr, &count, nullptr,
                                                   car.Body());
            EXPECT_EQ(count, triangles) << repeat;
            EXPECT_EQ(car.Data()->m_terrainTriangles[triangles - 1], triangles - 1) << repeat;
        }
    }
}

TEST_F(Collisions, CarsCrashFromTheHigherDifficultiesAndOnlyTheOneThatRanIn)
{
    const struct
    {
        int32_t difficulty;
        bool rearFirst;
        bool frontCrashed;
        bool rearCrashed;
    } cases[] = {
        { 0, true, false, false }, { 1, false, false, false }, { 2, true, false, true },
        { 2, false, false, true }, { 3, false, false, true },
    };
    for (const auto& c : cases) {
        g_CfgCamSpeed = c.difficulty;
        m_front.Car()->SetCrashed(0);
        m_rear.Car()->SetCrashed(0);
        CPPhysicContact contact = c.rearFirst ? Touch(m_rear, m_front) : Touch(m_front, m_rear);
        CPPhysicManager::OnCollision(&contact);
        EXPECT_EQ(m_front.Car()->m_crashed != 0, c.frontCrashed) << c.difficulty << c.rearFirst;
        EXPECT_EQ(m_rear.Car()->m_crashed != 0, c.rearCrashed) << c.difficulty << c.rearFirst;
    }

    // A car already crashed takes part in no further decision.
    g_CfgCamSpeed = 2;
    m_front.Car()->SetCrashed(0);
    m_rear.Car()->SetCrashed(0);
    m_front.Car()->SetCrashed(1);
    CPPhysicContact contact = Touch(m_rear, m_front);
    CPPhysicManager::OnCollision(&contact);
    EXPECT_EQ(m_rear.Car()->m_crashed, 0);
}

TEST_F(Collisions, WallsCrashTheFollowedCarAtSpeedOnTheHardestDifficulty)
{
    m_level = std::make_unique<CPLevel>();
    m_level->followedVehicle = m_rear.Player();
    const struct
    {
        int32_t difficulty;
        fixture::Vehicle* vehicle;
        float speed;
        float normalZ;
        bool crashed;
    } cases[] = {
        { 3, &m_rear, 13.0f, 0.3f, true },   { 3, &m_rear, 12.0f, 0.3f, false },
        { 3, &m_rear, 13.0f, 0.9f, false },  { 2, &m_rear, 13.0f, 0.3f, false },
        { 3, &m_front, 20.0f, 0.0f, false },
    };
    for (const auto& c : cases) {
        g_CfgCamSpeed = c.difficulty;
        CPCar* car = c.vehicle->Car();
        car->SetCrashed(0);
        car->m_velocity = D3DXVECTOR4(0.0f, -c.speed, 0.0f, 0.0f);
        c.vehicle->Player()->m_wallContact = 0;
        CPPhysicContact contact = Hit(*c.vehicle, D3DXVECTOR4(0.0f, 0.95f, c.normalZ, 0.0f));
        CPPhysicManager::OnCollision(&contact);
        EXPECT_EQ(car->m_crashed != 0, c.crashed) << c.difficulty << " " << c.speed << " " << c.normalZ;
        EXPECT_EQ(c.vehicle->Player()->m_wallContact, 1);
    }

    // Flat ground raises no wall flag; missing objects are skipped.
    m_rear.Player()->m_wallContact = 0;
    CPPhysicContact ground = Hit(m_rear, D3DXVECTOR4(0.0f, 0.0f, 1.0f, 0.0f));
    CPPhysicManager::OnCollision(&ground);
    EXPECT_EQ(m_rear.Player()->m_wallContact, 0);
    CPPhysicContact none;
    none.m_kind2 = CPPhysicContact::kPartnerTerrain;
    CPPhysicManager::OnCollision(&none);
    CPPhysicContact bodies;
    CPPhysicManager::OnCollision(&bodies);
    CPPhysicContact other = Touch(m_rear, m_front);
    other.m_kind2 = 7;
    CPPhysicManager::OnCollision(&other);
}
