// Loading levels: the fixture level through the headless host's global
// objects, the name and mode rules, and files that are cut short, hostile or
// missing what a level normally has.
#include "Core/PGlobals.h"
#include "Core/PLog.h"
#include "Host/PGameHost.h"
#include "LevelFixture.h"
#include "Platform/D3D9Device.h"
#include "Race/PAIVehicle.h"
#include "Race/PCamera.h"
#include "Race/PGameData.h"
#include "Race/PLevel.h"
#include "Race/PLevelBranch.h"
#include "Race/PLevelFile.h"
#include "Race/PSpline.h"
#include "Render/PAnimatedObject.h"
#include "Render/PIVertexBuffer.h"
#include "Render/PQuadNode.h"
#include "Render/PRender.h"
#include "Render/PRenderObject.h"
#include "Render/PRenderQueue.h"
#include "ScratchRoot.h"
#include "Startup/PConfigVars.h"
#include "Vehicles/PPhysicManager.h"
#include "Vehicles/PPlayer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <memory>

namespace
{
void ExpectNear(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected, float tolerance = 1e-3f)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// A level file from object records and raw path bytes.
std::string LevelBytes(const std::vector<std::pair<std::string, D3DXVECTOR3>>& objects,
                       const std::vector<std::string>& paths)
{
    scene::Bytes out;
    out.Floats({ 0, 0, 0, 0 }).Int(0).Int(static_cast<int32_t>(objects.size()));
    for (const auto& object : objects)
        level::AppendObject(out, object.first, object.second);
    out.Int(static_cast<int32_t>(paths.size()));
    for (const std::string& path : paths)
        out.Raw(path);
    return out.Str();
}

class LevelLoad : public ::testing::Test
{
protected:
    LevelLoad()
    {
        level::WriteLevelFiles(m_root.Path());
        m_host = std::make_unique<CPGameHost>(m_root.Path());
        GetGameData()->m_playerName = level::kPlayerModel;
    }

    ~LevelLoad() override
    {
        m_level.reset();
        m_host.reset();
        g_CfgPlane = 0.5f;
        g_CfgQuadLevels = 0;
        g_CfgRolling = 0;
        g_CfgStatic = 0;
    }

    // A new level loaded from the name.
    bool Load(const std::string& name = level::kName, bool single = false, bool time = false)
    {
        m_level.reset();
        m_level = std::make_unique<CPLevel>();
        return m_level->Load(name, single, time);
    }

    void WriteLevel(const std::string& name, const std::string& bytes)
    {
        m_root.MakeFile("Data/Levels/" + name + ".lvl", bytes);
    }

    ScratchRoot m_root;
    std::unique_ptr<CPGameHost> m_host;
    std::unique_ptr<CPLevel> m_level;
};

TEST_F(LevelLoad, FixtureLevelBuildsTheWholeRace)
{
    ASSERT_TRUE(Load());
    const CPLevel& lvl = *m_level;
    EXPECT_EQ(lvl.levelIndex, 1);
    EXPECT_EQ(lvl.worldWidth, 1000.0f);
    EXPECT_EQ(lvl.worldDepth, 1000.0f);
    EXPECT_EQ(lvl.gridCellsX, 100);
    EXPECT_EQ(lvl.gridCellsY, 100);
    EXPECT_EQ(lvl.grid.size(), 10000u);

    // Placed objects: the gates, the posts and the crates; the start posts,
    // checkpoints and sources make none.
    const level::Options options;
    EXPECT_EQ(lvl.objects.size(), static_cast<size_t>(level::kGates + level::kPosts + options.crates));
    ASSERT_EQ(lvl.gates.size(), 2u);
    EXPECT_EQ(lvl.gates[0].time, 60.0f);
    EXPECT_EQ(lvl.gates[1].time, 40.0f);
    EXPECT_EQ(lvl.gateCountdown, 0.0f);
    EXPECT_EQ(lvl.currentGate, -1);
    EXPECT_EQ(lvl.checkpoints.size(), static_cast<size_t>(level::kCheckpoints));
    ASSERT_EQ(lvl.enemySources.size(), 2u);
    ExpectNear(lvl.enemySources.at("north"), level::RingPoint(level::kRadius + 15.0f, 0.5f * level::kPi));
    ExpectNear(lvl.startLineCentre, level::RingPoint(level::kRadius, level::StartLineAngle()));

    // Placed objects: static, with collision, no shadow; crates scaled by
    // their records, posts (physics data) not.
    for (const CPSmartPtr<CPGameObject>& object : lvl.objects) {
        EXPECT_TRUE(object->IsStatic());
        EXPECT_TRUE(object->HasCollision());
        EXPECT_FALSE(object->HasShadow());
        EXPECT_TRUE(object->IsActive());
    }

    // Paths, hints and the tree.
    ASSERT_TRUE(lvl.centrePath && lvl.leftPath && lvl.rightPath);
    EXPECT_EQ(lvl.centrePath->GetName(), "c_path");
    EXPECT_EQ(lvl.leftPath->GetName(), "left");
    EXPECT_EQ(lvl.rightPath->GetName(), "right");
    EXPECT_FALSE(lvl.centrePath->GetLines().empty());
    EXPECT_EQ(lvl.centreLineHint, lvl.centrePath->GetCurrentLine());
    EXPECT_EQ(lvl.leftLineHint, lvl.leftPath->GetCurrentLine());
    ASSERT_TRUE(lvl.tree);
    EXPECT_FALSE(lvl.tree->GetObjects().empty() && !lvl.tree->GetUpper());
    EXPECT_EQ(lvl.camera->levelTree, lvl.tree);
    EXPECT_TRUE(lvl.sceneObject);

    // Terrain, road collision and world.
    ASSERT_TRUE(lvl.ground);
    auto* terrain = dynamic_cast<CPRenderObject*>(lvl.ground->GetBody().Get());
    ASSERT_NE(terrain, nullptr);
    ASSERT_EQ(terrain->GetLocalVertices().size(), 4u);
    EXPECT_EQ(terrain->GetLocalVertices()[2].position, D3DXVECTOR3(500.0f, 500.0f, -0.6f));
    EXPECT_EQ(terrain->GetLocalVertices()[2].u2, 200.0f);
    EXPECT_EQ(terrain->GetIndices(), (std::vector<uint16_t>{ 0, 1, 2, 0, 2, 3 }));
    ASSERT_TRUE(lvl.roadPhysics);
    CPPhysicManager* physics = GetPhysicManager();
    EXPECT_EQ(physics->GetCollisionGrid().GetBuildCount(), 1);
    EXPECT_NE(physics->GetWorld(), nullptr);
    EXPECT_EQ(physics->GetGroundBodies().size(), 1u);

    // Opponents: level 1's model, numbered, 2.0 above their records, driven
    // along the three paths.
    ASSERT_EQ(lvl.vehicles.size(), 3u);
    EXPECT_EQ(lvl.vehicleModels, (std::vector<std::string>{ "rallye1", "rallye2", "rallye3" }));
    CPAIVehicleManager* ai = GetAIVehicleManager();
    ASSERT_EQ(ai->racers.size(), 12u);
    for (int i = 0; i < 3; ++i) {
        const CPPlayer& vehicle = *lvl.vehicles[static_cast<size_t>(i)];
        EXPECT_EQ(vehicle.GetModelName(), "rallye" + std::to_string(i + 1));
        ExpectNear(vehicle.GetPosition(), level::OpponentStart(i) + D3DXVECTOR3(0, 0, 2));
        EXPECT_NE(vehicle.GetCarPtr(), nullptr);
        EXPECT_TRUE(physics->IsActiveObject(&vehicle));
        EXPECT_EQ(vehicle.limitMin, 20);
        EXPECT_EQ(vehicle.limitMax, 30);
        EXPECT_EQ(vehicle.m_arrows, 0);
        EXPECT_EQ(ai->racers[static_cast<size_t>(i)]->centreLine, lvl.centrePath->GetCurrentLine());
        EXPECT_EQ(ai->racers[static_cast<size_t>(i)]->leftLine, lvl.leftPath->GetCurrentLine());
        EXPECT_EQ(ai->racers[static_cast<size_t>(i)]->rightLine, lvl.rightPath->GetCurrentLine());
    }
    EXPECT_EQ(ai->racers[3]->centreLine, nullptr);
    EXPECT_NE(ai->racers[CPAIVehicleManager::kPlayerSlot]->centreLine, nullptr);

    // The player: at its record exactly, followed, with its car and cameras.
    ASSERT_TRUE(lvl.player);
    EXPECT_EQ(lvl.followedVehicle, lvl.player.Get());
    EXPECT_EQ(lvl.player->GetModelName(), "buggy");
    EXPECT_EQ(lvl.recordModel, "buggy");
    ExpectNear(lvl.player->GetPosition(), level::PlayerStart());
    EXPECT_NE(lvl.player->GetCarPtr(), nullptr);
    // The player alone gets the arrows and the player's respawn rules.
    EXPECT_EQ(lvl.player->m_arrows, 1);
    EXPECT_TRUE(lvl.player->m_shadow);
    EXPECT_TRUE(lvl.vehicles[0]->m_shadow);
    EXPECT_EQ(lvl.camera1Distance, 8.0f);
    EXPECT_EQ(lvl.camera1AngleDiv, 800.0f);
    EXPECT_EQ(lvl.fov1, 60.0f);
    // The player's "camera2" wins over the opponents' "camera".
    EXPECT_EQ(lvl.camera2Distance, 11.0f);
    EXPECT_EQ(lvl.camera2Height, 4.0f);
    EXPECT_EQ(lvl.fov2, 55.0f);
    EXPECT_EQ(lvl.camera3Blur, 0.1f);
    EXPECT_EQ(lvl.cameraDistance, 8.0f);
    EXPECT_NEAR(lvl.camera->pitchAngle, 18.0f * 0.017453292f, 1e-6f);
    EXPECT_EQ(GetGameData()->m_currentLap, 1);
}

TEST_F(LevelLoad, ModesAndNamesChooseWhatIsLoaded)
{
    // Single mode: no gates, opponents of the player's model.
    ASSERT_TRUE(Load(level::kName, true, false));
    EXPECT_TRUE(m_level->gates.empty());
    EXPECT_EQ(m_level->vehicleModels, (std::vector<std::string>{ "buggy1", "buggy2", "buggy3" }));

    // Time mode: no opponents.
    ASSERT_TRUE(Load(level::kName, false, true));
    EXPECT_TRUE(m_level->vehicles.empty());
    EXPECT_EQ(m_level->gates.size(), 2u);

    // Another name: index 0, the default world and no road collision.
    m_root.MakeFile("Data/Levels/track.lvl", m_root.ReadFile("Data/Levels/level1.lvl"));
    ASSERT_TRUE(Load("track"));
    EXPECT_EQ(m_level->levelIndex, 0);
    EXPECT_EQ(m_level->worldWidth, 1000.0f);
    // Opponents of no model are named by their number alone.
    EXPECT_EQ(m_level->vehicleModels, (std::vector<std::string>{ "1", "2", "3" }));
    EXPECT_FALSE(m_level->roadPhysics && m_level->roadPhysics->GetBody());

    // Attract mode: the player drives like an opponent, last of the vehicles.
    g_CfgRolling = 1;
    ASSERT_TRUE(Load());
    ASSERT_EQ(m_level->vehicles.size(), 4u);
    EXPECT_EQ(m_level->vehicles.back(), m_level->player);
    EXPECT_EQ(m_level->vehicleModels.back(), "buggy");

    // Without the plane there is no terrain.
    g_CfgRolling = 0;
    g_CfgPlane = 0.0f;
    ASSERT_TRUE(Load());
    EXPECT_FALSE(m_level->ground);
}

TEST_F(LevelLoad, PlacementFollowsTheRecordKinds)
{
    ASSERT_TRUE(Load());
    // Records in file order: the two gates, the two posts, then the crates.
    auto objectAt = [this](size_t index) { return *std::next(m_level->objects.begin(), static_cast<long>(index)); };
    const CPSmartPtr<CPGameObject> gate = objectAt(0);
    EXPECT_EQ(m_level->gates[0].object, gate);
    // Placed objects turn by the conjugate of their record's rotation.
    const D3DXQUATERNION stored = level::FacingAlong(0.5f * level::kPi);
    EXPECT_EQ(gate->GetRotation(), D3DXQUATERNION(-stored.x, -stored.y, -stored.z, stored.w));
    ExpectNear(gate->GetPosition(), level::RingPoint(level::kRadius, 0.5f * level::kPi));

    // Crates (no physics data) take their record's 1.5 scale into their
    // vertices; posts (physics data) keep their size.
    auto widest = [](const CPSmartPtr<CPGameObject>& object) {
        float x = 0.0f;
        for (const CPVertex& vertex : dynamic_cast<CPRenderObject*>(object->GetBody().Get())->GetLocalVertices())
            x = std::max(x, vertex.position.x);
        return x;
    };
    const CPSmartPtr<CPGameObject> post = objectAt(2);
    ASSERT_TRUE(post->GetPhysicData());
    EXPECT_NEAR(widest(post), 0.3f, 1e-5f);
    const CPSmartPtr<CPGameObject> crate = objectAt(4);
    ASSERT_FALSE(crate->GetPhysicData());
    EXPECT_NEAR(widest(crate), 0.75f, 1e-5f);

    // Vehicles keep their stored rotation.
    EXPECT_EQ(m_level->player->GetRotation(), level::FacingAlong(level::PlayerAngle()));
    EXPECT_EQ(m_level->vehicles[1]->GetRotation(), level::FacingAlong(level::OpponentAngle(1)));
}

TEST_F(LevelLoad, LaterPathsReplaceEarlierOnesAndQuadLevelsBuildAQuadtree)
{
    WriteLevel("level1", LevelBytes({ { "crate1", D3DXVECTOR3(3, 3, 0) } },
                                    { level::RingPath("c_path", 30.0f), level::RingPath("other", 40.0f),
                                      level::RingPath("c_path", 50.0f) }));
    g_CfgQuadLevels = 1;
    ASSERT_TRUE(Load());
    ASSERT_TRUE(m_level->centrePath);
    EXPECT_NEAR(m_level->centrePath->GetFirstLine()->start.x, 50.0f, 0.5f);
    EXPECT_FALSE(m_level->leftPath);
    EXPECT_FALSE(m_level->tree);
    ASSERT_NE(m_level->quadTree, nullptr);
    ASSERT_NE(m_level->quadTree->GetBounds(), nullptr);
    EXPECT_EQ(m_level->quadTree->GetBounds()->m_max, D3DXVECTOR3(500.0f, 500.0f, 100.0f));
}

TEST_F(LevelLoad, TrafficSlotsFollowTheGameDataAndReplaceTheLastLevels)
{
    CPAIVehicleManager& ai = *GetAIVehicleManager();
    const struct
    {
        int32_t count;
        uint8_t enabledBefore;
        uint8_t enabledAfter;
    } cases[] = {
        { 3, 1, 1 }, // a count keeps the switch as it was
        { 2, 0, 0 },
        { 0, 1, 0 }, // no traffic switches it off
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        GetGameData()->m_trafficCount = c.count;
        ai.trafficEnabled = c.enabledBefore;
        ASSERT_TRUE(Load());
        EXPECT_EQ(ai.trafficCount, c.count);
        EXPECT_EQ(ai.trafficEnabled, c.enabledAfter);
        EXPECT_EQ(ai.racers.size(), 12u);
        ASSERT_EQ(ai.traffic.size(), static_cast<size_t>(c.count));
        for (const CPSmartPtr<AI_Vehicle>& slot : ai.traffic) {
            ASSERT_TRUE(slot);
            EXPECT_FALSE(slot->vehicle);
            EXPECT_EQ(slot->centreLine, nullptr); // paths go to the racer slots only
        }
    }
}

TEST_F(LevelLoad, TheChaseCameraLetsGoOfTheTreeTheEndedLevelDeletes)
{
    ASSERT_TRUE(Load());
    const CPSmartPtr<CPCamera> camera = m_level->camera;
    ASSERT_TRUE(camera);
    ASSERT_TRUE(camera->levelTree);
    m_level.reset();
    EXPECT_FALSE(camera->levelTree);
}

TEST_F(LevelLoad, AScriptsHugeTrafficCountMakesAtMostTheSlotLimit)
{
    CPAIVehicleManager& ai = *GetAIVehicleManager();
    std::vector<std::string> lines;
    GetLog().SetSink([&lines](int32_t, const std::string& text) { lines.push_back(text); });
    GetGameData()->m_trafficCount = 0x7fffffff;
    const bool loaded = Load();
    GetLog().SetSink(nullptr);
    GetGameData()->m_trafficCount = 0;
    ASSERT_TRUE(loaded);
    EXPECT_EQ(ai.trafficCount, CPAIVehicleManager::kMaxTrafficSlots);
    EXPECT_EQ(ai.traffic.size(), static_cast<size_t>(CPAIVehicleManager::kMaxTrafficSlots));
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "traffic count 2147483647 is more than 4096: 4096 traffic slots made\n"),
              lines.end());
}

TEST_F(LevelLoad, StaticSettingWritesThePlacedObjectsIntoTheLevelRingDuringTheBuild)
{
    CPDynamicIVBuffer& ring = *GetRender()->GetStaticRenderQueue()->GetDynamicBuffer();
    const PlatformD3D9::ResourceRecord& vertexBuffer = *PlatformD3D9::RecordOf(ring.GetVertexBuffer(0));
    const PlatformD3D9::ResourceRecord& indexBuffer = *PlatformD3D9::RecordOf(ring.GetIndexBuffer(0));
    for (const int32_t setting : { 0, 1 }) {
        SCOPED_TRACE(setting);
        g_CfgStatic = setting;
        ring.Reset();
        const int vertexLocks = vertexBuffer.lockCount;
        const int indexLocks = indexBuffer.lockCount;
        ASSERT_TRUE(Load());
        // One lock of both whole buffers around the build, undone after it.
        EXPECT_EQ(vertexBuffer.lockCount - vertexLocks, setting);
        EXPECT_EQ(indexBuffer.lockCount - indexLocks, setting);
        EXPECT_EQ(vertexBuffer.lockDepth, 0);
        EXPECT_EQ(indexBuffer.lockDepth, 0);
        EXPECT_FALSE(ring.IsLocked());
        if (setting) {
            EXPECT_EQ(vertexBuffer.lockOffset, 0u);
            EXPECT_EQ(vertexBuffer.lockSize, vertexBuffer.length);
            EXPECT_EQ(indexBuffer.lockOffset, 0u);
            EXPECT_EQ(indexBuffer.lockSize, indexBuffer.length);
            // The level ring keeps its contents: no discard.
            EXPECT_EQ(vertexBuffer.lockFlags, static_cast<DWORD>(D3DLOCK_NOSYSLOCK));
            EXPECT_EQ(indexBuffer.lockFlags, static_cast<DWORD>(D3DLOCK_NOSYSLOCK));
        }
        // Every static mesh of the placed objects has its place in the ring,
        // one after another.
        int32_t bodies = 0;
        int32_t vertices = 0;
        std::vector<int32_t> starts;
        for (const CPSmartPtr<CPGameObject>& object : m_level->objects) {
            CPGameObject::ObjectList hierarchy;
            object->CollectHierarchy(hierarchy);
            for (const CPSmartPtr<CPGameObject>& node : hierarchy) {
                if (node->GetKind() != kBodyRenderObject || !node->IsStatic() || !node->IsVisible())
                    continue;
                auto* body = dynamic_cast<CPRenderObject*>(node->GetBody().Get());
                if (!body || body->GetVertexCount() == 0)
                    continue;
                ++bodies;
                vertices += body->GetVertexCount();
                starts.push_back(ring.GetStart(body));
            }
        }
        EXPECT_GT(bodies, 0);
        std::sort(starts.begin(), starts.end());
        if (setting) {
            EXPECT_EQ(starts.front(), 0);
            EXPECT_EQ(std::adjacent_find(starts.begin(), starts.end()), starts.end()) << "a start given twice";
            EXPECT_EQ(ring.GetVertexBase(), vertices);
        } else {
            EXPECT_EQ(starts.back(), -1);
            EXPECT_EQ(ring.GetVertexBase(), 0);
        }
    }
}

TEST_F(LevelLoad, TimeModeLoadsTheGhostOfIndexedLevelsOnly)
{
    GetGameData()->m_levelRecords[0].ghostModel = level::kPlayerModel;
    ASSERT_TRUE(Load(level::kName, false, true));
    EXPECT_TRUE(m_level->ghostObject);

    m_root.MakeFile("Data/Levels/track.lvl", m_root.ReadFile("Data/Levels/level1.lvl"));
    ASSERT_TRUE(Load("track", false, true));
    EXPECT_FALSE(m_level->ghostObject);
}

TEST_F(LevelLoad, LevelNamesGiveTheIndexWorldAndOpponentModel)
{
    struct Case
    {
        const char* name;
        int32_t index;
        float world;
        const char* firstOpponent;
    };
    const Case cases[] = {
        { "level1", 1, 1000.0f, "rallye1" },    { "level2", 2, 1150.0f, "rallye1" },
        { "level3", 3, 1200.0f, "rallye1" },    { "level4", 4, 3800.0f, "sprinter1" },
        { "level5", 5, 1000.0f, "sprinter1" },  { "level7", 7, 1200.0f, "racer1" },
        { "level9", 9, 1000.0f, "racer1" },     { "level10", 10, 1150.0f, "falcon1" },
        { "level12", 12, 3800.0f, "falcon1" },  { "level13", 0, 1000.0f, "1" },
        { "Level1", 0, 1000.0f, "1" },          { "level01", 0, 1000.0f, "1" },
    };
    for (const Case& c : cases) {
        WriteLevel(c.name, LevelBytes({ { "enemy1", D3DXVECTOR3(0, 5, 0) } }, {}));
        ASSERT_TRUE(Load(c.name)) << c.name;
        EXPECT_EQ(m_level->levelIndex, c.index) << c.name;
        EXPECT_EQ(m_level->worldWidth, c.world) << c.name;
        EXPECT_EQ(m_level->worldDepth, c.world) << c.name;
        ASSERT_EQ(m_level->vehicleModels.size(), 1u) << c.name;
        EXPECT_EQ(m_level->vehicleModels[0], c.firstOpponent) << c.name;
    }
}

TEST_F(LevelLoad, AnimatedObjectsWithPhysicsStartIdlingAtARandomRate)
{
    scene::Node node = scene::ThreeFrameNode("idler");
    node.physics.mass = 5.0f;
    m_root.MakeFile("Data/Meshes/idler.anm", scene::AnimationFile(node));
    m_root.MakeFile("Data/Meshes/idler.rdf", "root = anim;idle,idler.anm;wave,idler.anm\n");
    std::vector<std::pair<std::string, D3DXVECTOR3>> records;
    for (int i = 0; i < 6; ++i)
        records.push_back({ "idler" + std::to_string(i), D3DXVECTOR3(static_cast<float>(i), 0, 0) });
    WriteLevel("idle", LevelBytes(records, {}));
    ASSERT_TRUE(Load("idle"));
    ASSERT_EQ(m_level->objects.size(), 6u);
    bool ratesDiffer = false;
    float firstRate = 0.0f;
    for (const CPSmartPtr<CPGameObject>& object : m_level->objects) {
        ASSERT_EQ(object->GetKind(), kBodyAnimatedObject);
        ASSERT_TRUE(object->GetPhysicData());
        const auto* body = dynamic_cast<const CPAnimatedObject*>(object->GetBody().Get());
        ASSERT_NE(body, nullptr);
        EXPECT_EQ(body->GetClipName(), "idle");
        EXPECT_GE(body->GetSpeed(), 0.8f);
        EXPECT_LE(body->GetSpeed(), 1.2f);
        if (firstRate == 0.0f)
            firstRate = body->GetSpeed();
        ratesDiffer = ratesDiffer || body->GetSpeed() != firstRate;
    }
    EXPECT_TRUE(ratesDiffer);
}

TEST_F(LevelLoad, ObjectNamesAreClassifiedByTheirBaseName)
{
    struct Case
    {
        const char* name;
        CPLevelObjectKind kind;
        const char* base;
    };
    const Case cases[] = {
        { "player", CPLevelObjectKind::Player, "player" },
        { "player12", CPLevelObjectKind::Player, "player" },
        { "player_2", CPLevelObjectKind::Scene, "player_" },
        { "enemy", CPLevelObjectKind::Opponent, "enemy" },
        { "enemy_fast7", CPLevelObjectKind::Opponent, "enemy_fast" },
        { "checkpoint3,20", CPLevelObjectKind::Gate, "checkpoint3," },
        { "chk1_flag", CPLevelObjectKind::Checkpoint, "chk1_flag" },
        { "src", CPLevelObjectKind::EnemySource, "src" },
        { "1234", CPLevelObjectKind::Scene, "" },
        { "crate9", CPLevelObjectKind::Scene, "crate" },
    };
    for (const Case& c : cases) {
        const std::string base = StripTrailingDigits(c.name);
        EXPECT_EQ(base, c.base) << c.name;
        EXPECT_EQ(ClassifyLevelObject(base), c.kind) << c.name;
    }
    EXPECT_EQ(GateBaseName("checkpoint_a12,5"), "checkpoint_a");
    EXPECT_EQ(GateTime("checkpoint_a12,5"), 20.0f);
    EXPECT_EQ(GateTime("checkpoint7"), 15.0f);
}

TEST_F(LevelLoad, SourcesKeyedFromTheFifthCharacterAndLaterOnesWin)
{
    WriteLevel("sources", LevelBytes({ { "src", D3DXVECTOR3(1, 0, 0) },
                                       { "src_a", D3DXVECTOR3(2, 0, 0) },
                                       { "src_a1", D3DXVECTOR3(3, 0, 0) },
                                       { "srcX", D3DXVECTOR3(4, 0, 0) } },
                                     {}));
    ASSERT_TRUE(Load("sources"));
    ASSERT_EQ(m_level->enemySources.size(), 2u);
    EXPECT_EQ(m_level->enemySources.at("").x, 4.0f);
    EXPECT_EQ(m_level->enemySources.at("a").x, 3.0f);
}

TEST_F(LevelLoad, MissingPartsAreSkippedSafely)
{
    // No paths, no player record, no start posts: the player stands at the
    // origin unturned, nothing follows a path and nothing is dropped.
    WriteLevel("bare", LevelBytes({ { "enemy1", D3DXVECTOR3(5, 5, 0) }, { "crate1", D3DXVECTOR3(1, 2, 0) } }, {}));
    ASSERT_TRUE(Load("bare"));
    EXPECT_FALSE(m_level->centrePath);
    EXPECT_EQ(m_level->centreLineHint, nullptr);
    EXPECT_EQ(m_level->player->GetPosition(), D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(m_level->player->GetRotation(), D3DXQUATERNION(0, 0, 0, 1));
    EXPECT_EQ(GetAIVehicleManager()->racers[0]->centreLine, nullptr);
    // "bare" has no index: no road collision, but the world is made.
    EXPECT_EQ(GetPhysicManager()->GetCollisionGrid().GetBuildCount(), 0);
    EXPECT_NE(GetPhysicManager()->GetWorld(), nullptr);
    EXPECT_EQ(m_level->objects.size(), 1u);
}

TEST_F(LevelLoad, OpponentStartsBeyondElevenAreIgnored)
{
    std::vector<std::pair<std::string, D3DXVECTOR3>> objects;
    for (int i = 0; i < 14; ++i)
        objects.push_back({ "enemy" + std::to_string(i + 1), D3DXVECTOR3(static_cast<float>(i) * 5, 0, 0) });
    WriteLevel("level1", LevelBytes(objects, { level::RingPath("c_path", 60.0f) }));
    ASSERT_TRUE(Load());
    EXPECT_EQ(m_level->vehicles.size(), 11u);
    EXPECT_EQ(m_level->vehicleModels.back(), "rallye11");
    // The player's own slot keeps its paths.
    EXPECT_EQ(GetAIVehicleManager()->racers[CPAIVehicleManager::kPlayerSlot]->centreLine,
              m_level->centrePath->GetCurrentLine());
}

TEST_F(LevelLoad, UnreadableFilesAndUnbuildablePlayersFail)
{
    EXPECT_FALSE(Load("nowhere"));

    // Without the fallback description the player cannot be built.
    std::filesystem::remove(m_root.Host("Data/Meshes/wrong.rdf"));
    GetGameData()->m_playerName = "missing";
    EXPECT_FALSE(Load());
}

TEST_F(LevelLoad, TruncatedAndHostileFilesLoadWhatTheyHold)
{
    const std::string whole = level::LevelFile();
    // Cut at every 97th byte: never a crash, always the player.
    for (size_t cut = 0; cut < whole.size(); cut += 97) {
        WriteLevel("level1", whole.substr(0, cut));
        EXPECT_TRUE(Load()) << cut;
        EXPECT_TRUE(m_level->player) << cut;
    }

    // Huge counts are bounded by the bytes the file holds.
    scene::Bytes hostile;
    hostile.Floats({ 0, 0, 0, 0 }).Int(0x7fffffff).Raw(std::string(52, '\0'));
    WriteLevel("level1", hostile.Str());
    EXPECT_TRUE(Load());

    scene::Bytes objects;
    objects.Floats({ 0, 0, 0, 0 }).Int(-5).Int(0x7fffffff);
    level::AppendObject(objects, "crate1", D3DXVECTOR3(1, 1, 0));
    objects.Int(0x7fffffff).Raw(level::RingPath("c_path", 60.0f)).Int(-1).Int(0x7fffffff);
    WriteLevel("level1", objects.Str());
    EXPECT_TRUE(Load());
    EXPECT_EQ(m_level->objects.size(), 1u);
    EXPECT_FALSE(m_level->centrePath);
}
}

TEST_F(LevelLoad, APathRecordCutInsideItsHeaderEndsThePathsWithALogLine)
{
    // The centre path, then a record that ends after its name.
    WriteLevel("cut", LevelBytes({}, { level::RingPath("c_path", 60.0f), scene::Bytes().String("left").Str() }));
    std::vector<std::string> lines;
    GetLog().SetSink([&lines](int32_t, const std::string& text) {
        if (text.rfind("cannot read ", 0) == 0)
            lines.push_back(text);
    });
    const bool loaded = Load("cut");
    GetLog().SetSink(nullptr);
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(m_level->centrePath);
    EXPECT_FALSE(m_level->leftPath);
    EXPECT_EQ(lines, std::vector<std::string>{ "cannot read Data\\Levels\\cut.lvl: path record 2 is cut short or out "
                                               "of range\n" });
}
