#include "Core/GameObjectTrees.h"
#include "Core/PObjUpdater.h"
#include "Core/PTaskManager.h"
#include "LevelObjects.h"
#include "Race/PAIVehicle.h"
#include "Race/PGameData.h"
#include "Race/PLevelBranch.h"
#include "Race/PRaceLinks.h"
#include "Race/PSpline.h"
#include "RaceFixture.h"
#include "Vehicles/PPhysicData.h"

#include <cmath>

namespace
{
// A level with a player at (100, 0, 0), a tree over a wall far from the
// player, and a crate next to the player in the level's own objects.
class LevelQueries : public RaceFixture
{
protected:
    LevelQueries()
    {
        CPPlayer& player = AddPlayer();
        player.SetBoundingBox(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 1)));
        player.GetPartBoxes().push_back(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 1)));
        player.SetPosition(D3DXVECTOR3(100, 0, 0));
        player.UpdateTransform();
        m_wall = MakeCube(m_pool, "wall", D3DXVECTOR3(0, 0, 0), 1.0f, &m_stone);
        m_crate = MakeCube(m_pool, "crate", D3DXVECTOR3(104, 0, 0), 1.0f, &m_stone, false);
        auto* root = new CPLevelBranch();
        root->AddObjects({ m_wall });
        root->Build(0);
        m_level->tree = root;
        m_level->objects.push_back(m_crate);
    }
    // The level lets go of the objects before the pool destroys them.
    ~LevelQueries() override { m_level.reset(); }

    static CPRayQuery Ray(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float length)
    {
        CPRayQuery query;
        query.origin = origin;
        query.direction = direction;
        query.distance = length;
        return query;
    }

    CPMaterial m_stone{ 1 };
    ObjectPool m_pool;
    CPGameObject* m_wall = nullptr;
    CPGameObject* m_crate = nullptr;
};

TEST_F(LevelQueries, SegmentFarFromThePlayerTestsOnlyTheTree)
{
    // Through the wall, and on through the crate and the player 100 units on.
    CPRayQuery query = Ray(D3DXVECTOR3(-5, 0, 0), D3DXVECTOR3(1, 0, 0), 200.0f);
    EXPECT_TRUE(m_level->CrossRay(query));
    EXPECT_EQ(query.hitObject.Get(), m_wall);
    EXPECT_EQ(query.hitPoint, D3DXVECTOR3(-1, 0, 0));

    // A short segment on the far side: nothing near the player is picked.
    m_level->objects.push_back(m_wall);
    CPRayQuery past = Ray(D3DXVECTOR3(-5, 50, 0), D3DXVECTOR3(1, 0, 0), 10.0f);
    EXPECT_FALSE(m_level->CrossPlayerRay(past));
    EXPECT_EQ(past.hitPoint, D3DXVECTOR3(5, 50, 0));
    m_level->objects.pop_back();
}

TEST_F(LevelQueries, OnlyCrossRayPicksThePlayer)
{
    CPRayQuery query = Ray(D3DXVECTOR3(95, 0, 0), D3DXVECTOR3(1, 0, 0), 20.0f);
    EXPECT_TRUE(m_level->CrossPlayerRay(query));
    EXPECT_EQ(query.hitObject.Get(), m_crate);
    CPRayQuery withPlayer = Ray(D3DXVECTOR3(95, 0, 0), D3DXVECTOR3(1, 0, 0), 20.0f);
    EXPECT_TRUE(m_level->CrossRay(withPlayer));
    EXPECT_EQ(withPlayer.hitObject.Get(), m_player.get());
    EXPECT_EQ(withPlayer.hitPoint, D3DXVECTOR3(99, 0, 0));

    // Without a player only the tree is tested.
    m_level->player = nullptr;
    CPRayQuery alone = Ray(D3DXVECTOR3(95, 0, 0), D3DXVECTOR3(1, 0, 0), 20.0f);
    EXPECT_FALSE(m_level->CrossRay(alone));
    EXPECT_EQ(alone.hitPoint, D3DXVECTOR3(115, 0, 0));
}

TEST_F(LevelQueries, RayHitsVehicleTriesTheFollowedVehicleLast)
{
    CPRayQuery query = Ray(D3DXVECTOR3(95, 0, 0), D3DXVECTOR3(1, 0, 0), 20.0f);
    EXPECT_TRUE(m_level->RayHitsVehicle(query));
    EXPECT_EQ(query.hitObject.Get(), m_player.get());
    m_level->followedVehicle = nullptr;
    CPRayQuery none = Ray(D3DXVECTOR3(95, 0, 0), D3DXVECTOR3(1, 0, 0), 20.0f);
    EXPECT_FALSE(m_level->RayHitsVehicle(none));
}

TEST_F(LevelQueries, GridCellsAroundThePlayer)
{
    m_level->worldWidth = 400.0f;
    m_level->worldDepth = 400.0f;
    m_level->gridCellsX = 40;
    m_level->gridCellsY = 40;
    CPGameObject* post = MakeCube(m_pool, "post", D3DXVECTOR3(108, 5, 0), 1.0f, &m_stone, false);
    CPGameObject* outside = MakeCube(m_pool, "far", D3DXVECTOR3(300, 0, 0), 1.0f, &m_stone, false);
    m_level->AddToGrid(post);
    m_level->AddToGrid(outside); // beyond the world rectangle: ignored
    ASSERT_EQ(m_level->grid.size(), 1600u);
    EXPECT_EQ(m_level->grid[30 * 40 + 20].size(), 1u);

    // Around a far centre the grid near the player is still scanned.
    CPGameObject::ObjectList near;
    m_level->CollectObjectsNear(D3DXVECTOR3(0, 0, 0), 110.0f, near);
    std::vector<CPGameObject*> found;
    for (const auto& object : near)
        found.push_back(object.Get());
    EXPECT_EQ(found, (std::vector<CPGameObject*>{ m_wall, m_player.get(), m_crate, post }));

    near.clear();
    m_level->CollectObjectsNear(D3DXVECTOR3(103, 0, 0), 2.5f, near);
    found.clear();
    for (const auto& object : near)
        found.push_back(object.Get());
    EXPECT_EQ(found, (std::vector<CPGameObject*>{ m_player.get(), m_crate }));
}

TEST_F(LevelQueries, MovingBackwards)
{
    struct Case
    {
        float track;
        uint8_t reversed;
        float heading;
        bool backwards;
    };
    const Case cases[] = {
        { 0.0f, 0, 0.0f, false },    { 0.0f, 0, 3.14f, true },   { 0.0f, 0, 1.57f, false },
        { 0.0f, 0, 4.713f, false },  { 0.0f, 1, 0.0f, true },    { 0.0f, 1, 3.14f, false },
        { -1.0f, 0, 6.0f, false },   { 7.0f, 0, 3.8f, true },
    };
    for (const Case& c : cases) {
        m_level->trackDirection = c.track;
        m_level->reversed = c.reversed;
        m_level->playerHeading = c.heading;
        EXPECT_EQ(m_level->IsPlayerMovingBackwards(), c.backwards) << c.track << " " << int(c.reversed) << " " << c.heading;
    }
    // Angles far out of range, or not numbers, end the test at once.
    for (const float heading : { 1.0e30f, -1.0e30f, std::nanf("") }) {
        m_level->trackDirection = 0.0f;
        m_level->playerHeading = heading;
        m_level->IsPlayerMovingBackwards();
    }
}

std::vector<std::string>* g_loads = nullptr;

TEST_F(LevelQueries, CheckpointsFromObjectNames)
{
    std::vector<std::string> loads;
    g_loads = &loads;
    g_RaceLinks.loadRenderObject = [](const std::string& name, int32_t layer) {
        g_loads->push_back(name + "@" + std::to_string(layer));
        return name == "missing.rdf" ? CPSmartPtr<CPGameObject>() : CPSmartPtr<CPGameObject>(new CPGameObject(name));
    };
    m_level->AddCheckpoint("chk12_flag", 1, 2, 3, 0.1f, 0.2f, 0.3f, 0.9f);
    m_level->AddCheckpoint("chk3x", 0, 0, 0, 0, 0, 0, 1);
    m_level->AddCheckpoint("chk_gate", 0, 0, 0, 0, 0, 0, 1);
    m_level->AddCheckpoint("chk4_missing", 0, 0, 0, 0, 0, 0, 1);
    g_RaceLinks = CPRaceLinks();
    EXPECT_EQ(loads, (std::vector<std::string>{ "flag.rdf@20", ".rdf@20", "gate.rdf@20", "missing.rdf@20" }));
    ASSERT_EQ(m_level->checkpoints.size(), 3u);
    const CPLevelCheckpoint& first = m_level->checkpoints.front();
    EXPECT_EQ(first.indexText, "12");
    EXPECT_EQ(first.index, 12);
    EXPECT_FALSE(first.object->IsVisible());
    EXPECT_EQ(first.object->GetPosition(), D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(first.object->GetRotation(), D3DXQUATERNION(-0.1f, -0.2f, -0.3f, 0.9f));
    EXPECT_EQ(std::next(m_level->checkpoints.begin())->index, 3);
    EXPECT_EQ(m_level->checkpoints.back().index, 0);
    // The loaded objects stay alive, as the engine leaves them.
    m_level->checkpoints.clear();
}

TEST_F(LevelQueries, ResetVehicleBodiesActivatesTheTraffic)
{
    CPAIVehicleManager manager;
    g_AIVehicleManager = &manager;
    manager.trafficCount = 2;
    std::vector<std::unique_ptr<CPPlayer>> cars;
    for (int i = 0; i < 7; ++i) {
        cars.push_back(std::make_unique<CPPlayer>());
        cars.back()->SetPosition(D3DXVECTOR3(float(i), 1, 9));
        cars.back()->SetVisible(false);
        cars.back()->SetCollision(false);
        m_level->vehicles.push_back(cars.back().get());
    }
    m_level->ClearVehicleReset();
    EXPECT_EQ(m_level->trafficActive, 0);
    m_level->ResetVehicleBodies();
    EXPECT_EQ(m_level->trafficActive, 1);
    EXPECT_EQ(manager.trafficEnabled, 1);
    for (int i = 0; i < 7; ++i) {
        const bool reset = i >= 5;
        EXPECT_EQ(cars[i]->IsVisible(), reset) << i;
        EXPECT_EQ(cars[i]->HasCollision(), reset);
        EXPECT_EQ(cars[i]->GetPosition(), D3DXVECTOR3(float(i), 1, reset ? 3.0f : 9.0f));
    }
    m_level->vehicles.clear();
    g_AIVehicleManager = nullptr;
}

TEST_F(LevelQueries, CollisionPartsOfTheRootLists)
{
    CPGameObject* ghost = MakeCube(m_pool, "ghost", D3DXVECTOR3(5, 0, 0), 1.0f, &m_stone, false);
    ghost->SetCollision(false);
    auto* root = new CPLevelBranch();
    root->AddObjects({ m_wall, ghost, m_crate });
    CPLevelBranch* old = m_level->tree.Get();
    m_level->tree = root;
    delete old;
    std::vector<CPBoundingBox> parts;
    m_level->CollectCollisionParts(parts);
    EXPECT_EQ(parts.size(), 2u);
    g_CfgQuadLevels = 1;
    parts.clear();
    m_level->CollectCollisionParts(parts);
    EXPECT_TRUE(parts.empty());
}

TEST_F(LevelQueries, BakeTransformsTheTreeOfRenderObjects)
{
    CPGameObject* child = MakeCube(m_pool, "child", D3DXVECTOR3(0, 0, 0), 1.0f, &m_stone);
    m_crate->AddChild(child);
    for (CPGameObject* object : { m_crate, child }) {
        auto* body = static_cast<CPRenderObject*>(object->GetBody().Get());
        CPVertex vertex;
        vertex.position = D3DXVECTOR3(1, 2, 3);
        vertex.normal = D3DXVECTOR3(0, 0, 1);
        body->GetLocalVertices().push_back(vertex);
    }
    D3DXMATRIX scale;
    D3DXMatrixScaling(&scale, 2, 2, 2);
    BakeObjectTransform(m_crate, scale);
    for (CPGameObject* object : { m_crate, child }) {
        const CPVertex& vertex = static_cast<CPRenderObject*>(object->GetBody().Get())->GetLocalVertices()[0];
        EXPECT_EQ(vertex.position, D3DXVECTOR3(2, 4, 6));
        EXPECT_EQ(vertex.normal, D3DXVECTOR3(0, 0, 2));
    }
}

TEST_F(LevelQueries, StopTakesTheLevelApart)
{
    CPTaskManager tasks;
    g_TaskManager = &tasks;
    CPGameData gameData;
    gameData.m_levelStarted = 1;
    g_GameData = &gameData;
    CPAIVehicleManager manager;
    g_AIVehicleManager = &manager;
    manager.racers.push_back(new AI_Vehicle());
    ASSERT_TRUE(tasks.AddTask(&manager));
    CPCamera& camera = AddCamera();
    EXPECT_EQ(g_ActiveCamera, camera.mainCamera.Get());
    CPSpline centre;
    m_level->centrePath = &centre;
    m_level->gridCellsX = m_level->gridCellsY = 2;
    m_level->worldWidth = m_level->worldDepth = 20.0f;
    m_level->AddToGrid(m_crate);
    struct Target
    {
        void Update() {}
    } target;
    CPObjUpdater update(&target, &Target::Update);
    m_level->updateTask = &update;
    m_crate->Activate(5000);

    m_level->Stop();
    EXPECT_EQ(g_ActiveCamera, nullptr);
    EXPECT_FALSE(m_level->GetSpline());
    EXPECT_TRUE(m_level->objects.empty());
    EXPECT_FALSE(m_crate->IsActive());
    EXPECT_TRUE(m_level->vehicleLine.empty());
    EXPECT_FALSE(m_level->tree);
    EXPECT_FALSE(m_level->player);
    EXPECT_FALSE(m_level->updateTask);
    EXPECT_EQ(update.GetTarget(), nullptr);
    EXPECT_EQ(m_level->paused, 1);
    EXPECT_EQ(m_level->trafficActive, 0);
    EXPECT_TRUE(m_level->grid.empty());
    EXPECT_EQ(m_level->gridCellsX, 0);
    EXPECT_TRUE(manager.racers.empty());
    EXPECT_TRUE(manager.IsFinished());
    EXPECT_EQ(gameData.m_levelStarted, 0);

    // The queries still answer on the empty level.
    CPRayQuery query = Ray(D3DXVECTOR3(95, 0, 0), D3DXVECTOR3(1, 0, 0), 20.0f);
    EXPECT_FALSE(m_level->CrossRay(query));
    CPGameObject::ObjectList near;
    m_level->CollectObjectsNear(D3DXVECTOR3(0, 0, 0), 50.0f, near);
    EXPECT_TRUE(near.empty());
    m_level->AddToGrid(m_crate);
    g_AIVehicleManager = nullptr;
    g_GameData = nullptr;
    g_TaskManager = nullptr;
}
}
