#include "Platform/CRand.h"
#include "Race/PGhostSample.h"
#include "Race/PLevelBranch.h"
#include "Race/PRaceLinks.h"
#include "RaceRing.h"
#include "Render/PQuadNode.h"
#include "Render/PRenderQueue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace
{
using RaceUpdate = RaceRing;
using Commands = std::vector<std::string>;

void ExpectNear(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected, const char* what)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-4f) << what;
    EXPECT_NEAR(actual.y, expected.y, 1e-4f) << what;
    EXPECT_NEAR(actual.z, expected.z, 1e-4f) << what;
}

void ExpectNear(const D3DXQUATERNION& actual, const D3DXQUATERNION& expected, const char* what)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-5f) << what;
    EXPECT_NEAR(actual.y, expected.y, 1e-5f) << what;
    EXPECT_NEAR(actual.z, expected.z, 1e-5f) << what;
    EXPECT_NEAR(actual.w, expected.w, 1e-5f) << what;
}

// A turn about the z axis.
D3DXQUATERNION TurnZ(float angle)
{
    return D3DXQUATERNION(0.0f, 0.0f, std::sin(angle * 0.5f), std::cos(angle * 0.5f));
}

// How often the ghost went to the render queue.
int g_ghostQueued = 0;
const CPGameObject* g_ghost = nullptr;

// The places as the lap counting leaves them, and what one frame then sends.
TEST_F(RaceUpdate, PlacesDecideTheResult)
{
    struct Case
    {
        int playerSlot; // -1: the three places go to opponents 0, 1 and 10
        int worst;
        Commands interface;
        bool over;
    };
    const Case cases[] = {
        { 0, 0, { "place(1st)", "show_message(finish!)" }, true },
        { 0, -1, { "place(1st)" }, false },
        { 1, 0, { "place(2nd)", "show_message(lost!)" }, true },
        { 1, 1, { "place(2nd)", "show_message(finish!)" }, true },
        { 2, 1, { "place(3rd)", "show_message(lost!)" }, true },
        { 2, 2, { "place(3rd)", "show_message(finish!)" }, true },
        { -1, 2, { "show_message(lost!)" }, true },
    };
    StartRace();
    for (const Case& c : cases) {
        m_level->ended = 0;
        m_level->gameOver = 0;
        m_level->worstFinishingPlace = c.worst;
        int32_t* places[3] = { &m_level->firstPlace, &m_level->secondPlace, &m_level->thirdPlace };
        const int opponents[3] = { 0, 1, 10 };
        for (int slot = 0; slot < 3; ++slot) {
            const bool player = slot == c.playerSlot;
            *places[slot] = player ? 10 : (c.playerSlot == -1 || slot < c.playerSlot ? opponents[slot] : -1);
            m_level->playerPlaces[slot] = player ? 1 : 0;
        }
        Frame(0.01f);
        Frame(0.01f);
        EXPECT_EQ(m_interface.Drain(), c.interface) << c.playerSlot << " " << c.worst;
        EXPECT_EQ(m_jeep.Drain(), c.over ? Commands { "game_over()" } : Commands {}) << c.playerSlot;
        EXPECT_TRUE(m_level->ended);
        EXPECT_EQ(m_level->gameOver != 0, c.over);
    }
}

TEST_F(RaceUpdate, GateCountdownRunsOutOnce)
{
    StartRace();
    m_data.m_levelStarted = 1;
    m_level->currentGate = 0;
    m_level->gateCountdown = 0.5f;
    Frame(0.3f);
    EXPECT_TRUE(m_interface.Drain().empty());
    Frame(0.3f);
    Frame(0.3f);
    EXPECT_EQ(m_interface.Drain(), (Commands { "checkpoint(timeout!|1)", "show_message(lost!)" }));
    EXPECT_EQ(m_jeep.Drain(), Commands { "game_over()" });
    EXPECT_EQ(m_level->gateCountdown, 0.0f);
    EXPECT_TRUE(m_level->ended && m_level->gameOver);
}

TEST_F(RaceUpdate, TimeLimitFailsTheLevelOnce)
{
    StartRace();
    m_level->timeLimit = 0.05f;
    for (int i = 0; i < 4; ++i)
        Frame(0.03f);
    EXPECT_EQ(m_main.Drain(), Commands { "level_failed()" });
    EXPECT_EQ(m_menu.Drain(), Commands { "level_failed()" });
    EXPECT_TRUE(m_level->timeLimitExpired);
    EXPECT_LT(m_level->timeLimit, 0.0f);
}

TEST_F(RaceUpdate, GatesCountOnceAndPayTheTimeLeft)
{
    StartRace();
    const D3DXVECTOR3 a = m_level->centreLines[kStartLine + 3]->centre;
    const D3DXVECTOR3 b = m_level->centreLines[kStartLine + 6]->centre;
    AddGate(a, 2.0f, 3.99f);
    AddGate(b, 2.0f, 5.0f);
    m_data.m_texts["bonus_time"] = "Bonus";

    PutOnLine(*m_player, 3);
    Frame(0.0f);
    EXPECT_EQ(m_interface.Drain(), Commands { "checkpoint(checkpoint!|0)" });
    Frame(0.0f); // still in the gate just passed
    EXPECT_TRUE(m_interface.Drain().empty());
    EXPECT_EQ(m_level->currentGate, 0);
    EXPECT_FLOAT_EQ(m_level->gateCountdown, 3.99f);

    PutOnLine(*m_player, 6);
    Frame(0.0f);
    EXPECT_EQ(m_interface.Drain(), (Commands { "bonus_points(time|Bonus|3.900000)", "checkpoint(checkpoint!|1)" }));
    EXPECT_EQ(m_level->currentGate, 1);
    EXPECT_EQ(m_level->gatesPassed, 2);
}

TEST_F(RaceUpdate, PlayerStepsInFixedSixtieths)
{
    StartRace();
    Frame(0.01f);
    EXPECT_FLOAT_EQ(m_level->stepAccumulator, 0.01f);
    Frame(0.01f);
    EXPECT_NEAR(m_level->stepAccumulator, 0.02f - 1.0f / 60.0f, 1e-6f);
    Frame(0.1f);
    EXPECT_LT(m_level->stepAccumulator, 1.0f / 60.0f);
    EXPECT_GE(m_level->stepAccumulator, 0.0f);
}

TEST_F(RaceUpdate, GhostSampleStoresLittleEndianWithZeroPadding)
{
    CPGhostSample sample;
    sample.position = D3DXVECTOR3(1.0f, -2.0f, 0.5f);
    sample.rotation = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
    sample.bikePartFlag = 1;
    std::memset(sample.padding, 0xAB, sizeof(sample.padding));
    sample.riderRotation = D3DXQUATERNION(0.25f, 0.0f, 0.0f, 1.0f);
    sample.bodyRotation = D3DXQUATERNION(0.0f, 0.0f, 2.0f, 0.0f);
    sample.sampleTime = 3.0f;
    uint8_t bytes[kGhostSampleBytes];
    StoreGhostSample(sample, bytes);
    const uint8_t expected[kGhostSampleBytes] = {
        0x00, 0x00, 0x80, 0x3f, 0x00, 0x00, 0x00, 0xc0, 0x00, 0x00, 0x00, 0x3f, // position
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3f,
        0x01, 0x00, 0x00, 0x00, // flag and padding
        0x00, 0x00, 0x80, 0x3e, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3f,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x40, 0x40, // time
    };
    EXPECT_EQ(0, std::memcmp(bytes, expected, sizeof(bytes)));
    const CPGhostSample back = LoadGhostSample(bytes);
    uint8_t again[kGhostSampleBytes];
    StoreGhostSample(back, again);
    EXPECT_EQ(0, std::memcmp(bytes, again, sizeof(bytes)));
}

// Time mode: the player's run is sampled every 0.05 s and a win with an
// empty record keeps it; the ghost replays the record by interpolation.
TEST_F(RaceUpdate, TimeModeRecordsAndReplaysTheGhost)
{
    StartRace();
    m_level->timeMode = 1;
    m_level->levelIndex = 2;
    m_level->recordModel = "scout";
    for (int i = 0; i < 10; ++i) {
        PutOnLine(*m_player, i);
        Frame(0.03f);
    }
    ASSERT_GE(m_level->ghostSamples.size(), 4u);
    EXPECT_GT(m_level->ghostSamples[1].sampleTime, m_level->ghostSamples[0].sampleTime + 0.05f);
    m_data.m_currentLap = 4;
    m_data.m_lapTimes[2] = 61.5f;
    m_level->firstPlace = 10;
    m_level->playerPlaces[0] = 1;
    Frame(0.0f);
    EXPECT_EQ(m_interface.Drain(), Commands { "show_message(finish!)" });
    const CPLevelRecord& record = m_data.m_levelRecords[1];
    EXPECT_EQ(record.bestTime, 61.5f);
    EXPECT_EQ(record.ghostModel, "scout");
    EXPECT_EQ(record.ghost.size(), m_level->ghostSamples.size());

    // Replay: halfway between two stored samples.
    CPGameObject ghost("ghost");
    m_data.m_levelRecords[1].ghost.resize(2);
    m_data.m_levelRecords[1].ghost[0].position = D3DXVECTOR3(0, 0, 0);
    m_data.m_levelRecords[1].ghost[0].sampleTime = 1.0f;
    m_data.m_levelRecords[1].ghost[1].position = D3DXVECTOR3(10, 0, 0);
    m_data.m_levelRecords[1].ghost[1].sampleTime = 2.0f;
    m_level->ghostObject = &ghost;
    m_level->ghostReplayIndex = 0;
    m_level->raceTime = 1.5f - 0.1f;
    Frame(0.1f);
    EXPECT_NEAR(ghost.GetPosition().x, 5.0f, 1e-4f);
    // Past the last sample the ghost keeps its pose.
    Frame(1.0f);
    EXPECT_NEAR(ghost.GetPosition().x, 5.0f, 1e-4f);
    EXPECT_EQ(m_level->ghostReplayIndex, 1);
    m_level->ghostObject = nullptr;
}

// With its model's rider parts the player's run keeps, per sample, which
// rider part the car shows, that part's turn and the body's turn; the ghost
// shows the rider part of the sample it runs toward, turns it and the body,
// and goes to the render queue every frame, posed or not.
TEST_F(RaceUpdate, TheGhostRiderShowsAndTurnsThePartsOfItsSamples)
{
    StartRace();
    m_level->timeMode = 1;
    m_level->levelIndex = 2;
    std::vector<std::unique_ptr<CPGameObject>> parts;
    auto addParts = [&parts](CPGameObject& owner) {
        for (const char* name : { "bike", "bike01", "car2" }) {
            parts.push_back(std::make_unique<CPGameObject>(name));
            owner.AddChild(parts.back().get());
        }
    };

    addParts(*m_player);
    m_player->FindChild("bike")->SetRotation(TurnZ(0.1f));
    m_player->FindChild("bike01")->SetRotation(TurnZ(0.2f));
    m_player->FindChild("car2")->SetRotation(TurnZ(0.3f));
    for (uint8_t shown : { 0, 1 }) {
        m_car->m_riderNormal = shown;
        Frame(0.06f);
        const CPGhostSample& sample = m_level->ghostSamples.back();
        EXPECT_EQ(sample.bikePartFlag, shown);
        ExpectNear(sample.riderRotation, TurnZ(shown ? 0.1f : 0.2f), "recorded rider");
        ExpectNear(sample.bodyRotation, TurnZ(0.3f), "recorded body");
    }
    EXPECT_EQ(m_level->ghostSamples.size(), 2u);

    // The stored run: at 1, 2 and 3 s; the rider part "bike" in the second
    // sample only.
    std::vector<CPGhostSample>& stored = m_data.m_levelRecords[1].ghost;
    stored.assign(3, CPGhostSample());
    const D3DXVECTOR3 spots[3] = { { 0, 0, 0 }, { 10, 0, 0 }, { 10, 20, 0 } };
    for (size_t i = 0; i < 3; ++i) {
        const float f = static_cast<float>(i);
        stored[i].position = spots[i];
        stored[i].rotation = TurnZ(1.0f + f);
        stored[i].bikePartFlag = i == 1 ? 1 : 0;
        stored[i].riderRotation = TurnZ(0.5f + f);
        stored[i].bodyRotation = TurnZ(-0.5f - f);
        stored[i].sampleTime = 1.0f + f;
    }
    auto ghost = std::make_unique<CPGameObject>("ghost");
    addParts(*ghost);
    ghost->SetPosition(D3DXVECTOR3(-5, -5, -5));
    CPGameObject& bike = *ghost->FindChild("bike");
    CPGameObject& bike01 = *ghost->FindChild("bike01");
    CPGameObject& car2 = *ghost->FindChild("car2");
    EXPECT_TRUE(bike.IsVisible() && bike01.IsVisible());
    m_level->ghostObject = ghost.get();
    m_level->ghostReplayIndex = 0;
    CPRenderQueue queue;
    m_render.m_renderQueue = &queue;
    g_ghost = ghost.get();
    g_RaceLinks.addObjectTree = [](CPRenderQueue&, const CPSmartPtr<CPGameObject>& object) {
        if (object.Get() == g_ghost)
            ++g_ghostQueued;
    };

    struct Case
    {
        float raceTime;
        D3DXVECTOR3 position;
        float turn, bikeTurn, bike01Turn, bodyTurn;
        bool bikeShown, bike01Shown;
    };
    const Case cases[] = {
        // Before the second sample: the initial pose.
        { 0.5f, { -5, -5, -5 }, 0.0f, 0.0f, 0.0f, 0.0f, true, true },
        // Halfway to the second sample: "bike" shown and turned.
        { 1.5f, { 5, 0, 0 }, 2.0f, 1.5f, 0.0f, -1.5f, true, false },
        // Toward the third: "bike01" shown and turned, "bike" keeps its turn.
        { 2.75f, { 10, 15, 0 }, 3.0f, 1.5f, 2.5f, -2.5f, false, true },
        // Past the last sample: the last pose stays.
        { 3.5f, { 10, 15, 0 }, 3.0f, 1.5f, 2.5f, -2.5f, false, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.raceTime);
        g_ghostQueued = 0;
        m_level->raceTime = c.raceTime - 0.01f;
        Frame(0.01f);
        ExpectNear(ghost->GetPosition(), c.position, "position");
        ExpectNear(ghost->GetRotation(), TurnZ(c.turn), "turn");
        ExpectNear(bike.GetRotation(), TurnZ(c.bikeTurn), "bike");
        ExpectNear(bike01.GetRotation(), TurnZ(c.bike01Turn), "bike01");
        ExpectNear(car2.GetRotation(), TurnZ(c.bodyTurn), "car2");
        EXPECT_EQ(bike.IsVisible(), c.bikeShown);
        EXPECT_EQ(bike01.IsVisible(), c.bike01Shown);
        EXPECT_EQ(g_ghostQueued, 1);
    }
    m_level->ghostObject = nullptr;
    m_render.m_renderQueue = nullptr;
    g_RaceLinks = CPRaceLinks();
    g_ghost = nullptr;
}

// Attract mode cuts the camera once more than 1.5 s have passed since the
// last cut: an odd first draw of the generator picks a camera style (the
// second draw modulo 3; a third draw, odd or even, turns it forwards or
// backwards), an even one a view (the second draw modulo 2). The draws after
// each seed: 1: 41, 18467, 6334; 7: 61, 17422, 15215; 4: 51, 17945, 27159;
// 3: 48, 7196; 5: 54, 28693.
TEST_F(RaceUpdate, AttractModeCutsTheCameraAfterOneAndAHalfSeconds)
{
    StartRace(1);
    CPCamera& camera = AddCamera();
    m_level->demo = 1;
    m_level->camera1Distance = 5.0f;
    m_level->camera2Distance = 9.0f;
    g_SecondTimeStep = 0.0f;
    struct Case
    {
        uint32_t seed;
        int32_t styleBefore;
        int32_t style;
        float direction;
        float angle;
        int32_t view;
        float distance;
    };
    const Case cases[] = {
        { 1, 0, 2, -1.0f, 0.0f, 2, 7.0f }, // a new style, turning backwards
        { 7, 0, 1, 1.0f, 0.0f, 2, 7.0f }, // a new style, turning forwards
        { 4, 2, 2, -1.0f, 0.7f, 2, 7.0f }, // the style it has: nothing changes
        { 3, 0, 0, -1.0f, 0.7f, 0, 5.0f }, // view 0
        { 5, 0, 0, -1.0f, 0.7f, 1, 9.0f }, // view 1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seed);
        m_level->cameraMode = 2;
        camera.fixedView = 1;
        m_level->cameraDistance = 7.0f;
        m_level->followedVehicle = m_opponents[0].get();
        m_level->orbitStyle = c.styleBefore;
        m_level->orbitAngle = 0.7f;
        m_level->orbitDirection = -1.0f;
        m_level->demoCutTimer = 0.0f;
        Frame(1.5f);
        EXPECT_EQ(m_level->demoCutTimer, 1.5f);
        EXPECT_EQ(m_level->cameraMode, 2);
        EXPECT_EQ(m_level->orbitAngle, 0.7f);

        crt::srand(c.seed);
        Frame(0.25f);
        EXPECT_EQ(m_level->demoCutTimer, 0.0f);
        EXPECT_EQ(m_level->orbitStyle, c.style);
        EXPECT_EQ(m_level->orbitDirection, c.direction);
        EXPECT_EQ(m_level->orbitAngle, c.angle);
        EXPECT_EQ(m_level->cameraMode, c.view);
        EXPECT_EQ(m_level->cameraDistance, c.distance);
        const bool viewCut = c.view != 2;
        EXPECT_EQ(camera.fixedView, viewCut ? 0 : 1);
        EXPECT_EQ(m_level->followedVehicle, viewCut ? m_player.get() : m_opponents[0].get());
    }
    // Attract mode runs no steps of the player's vehicle.
    EXPECT_EQ(m_level->stepAccumulator, 0.0f);
}

// Every view but 0 and 1 is the fixed view on the followed vehicle: the eye
// camera3Distance ahead of it and camera3Height above it along its own axes,
// looking one unit ahead with the vehicle's up, turned to its heading; the
// chase distance and look-at point are left as they were.
TEST_F(RaceUpdate, TheFixedViewRidesOnTheFollowedVehicle)
{
    StartRace();
    CPCamera& camera = AddCamera();
    // Rolled onto its side, then turned about: forward (0, 1, 0), up (-1, 0, 0).
    D3DXMATRIX roll;
    D3DXMATRIX turn;
    D3DXMatrixRotationY(&roll, 1.5707964f);
    D3DXMatrixRotationZ(&turn, 3.1415927f);
    D3DXMATRIX both;
    D3DXMatrixMultiply(&both, &roll, &turn);
    D3DXQUATERNION rotation;
    D3DXQuaternionRotationMatrix(&rotation, &both);
    m_player->SetRotation(rotation);
    m_player->SetPosition(D3DXVECTOR3(10.0f, 20.0f, 3.0f));
    m_player->UpdateTransform();
    m_level->camera3Distance = 2.0f;
    m_level->camera3Height = 1.5f;
    for (int32_t view : { 2, 3 }) {
        SCOPED_TRACE(view);
        m_level->cameraMode = view;
        camera.fixedView = 1;
        camera.targetDistance = 33.0f;
        camera.lookAt = D3DXVECTOR3(1.0f, 2.0f, 3.0f);
        camera.SetHeading(0.0f);
        Frame(0.01f);
        const CPPerspectiveCamera& main = *camera.mainCamera;
        ExpectNear(main.m_eye, D3DXVECTOR3(8.5f, 22.0f, 3.0f), "eye");
        ExpectNear(main.m_target, D3DXVECTOR3(8.5f, 23.0f, 3.0f), "look-at");
        ExpectNear(main.m_up, D3DXVECTOR3(-1.0f, 0.0f, 0.0f), "up");
        EXPECT_NEAR(camera.GetYaw(), 1.5707964f, 1e-5f);
        EXPECT_NEAR(m_level->playerHeading, 1.5707964f, 1e-5f);
        ExpectNear(m_level->followedForward, D3DXVECTOR3(0.0f, 1.0f, 0.0f), "forward");
        EXPECT_EQ(camera.targetDistance, 33.0f);
        EXPECT_EQ(camera.lookAt, D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    }
}

// With "quadlevels" set the static geometry is drawn from the renderer's
// quadtree, otherwise from the level tree. A loaded level has only one of
// them; here both hold objects, two in the tree and one in the quadtree, to
// see which one is drawn.
TEST_F(RaceUpdate, QuadlevelsDrawsTheQuadtreeInsteadOfTheLevelTree)
{
    StartRace();
    CPCamera& camera = AddCamera();
    camera.fieldOfView = 60.0f;
    camera.targetFieldOfView = 60.0f;
    const D3DXVECTOR3 at = m_player->GetPosition();
    // Boxes of 100 around the player hold the camera too: in sight from any view.
    const D3DXVECTOR3 half(50.0f, 50.0f, 50.0f);
    std::vector<std::unique_ptr<CPGameObject>> rocks;
    for (int i = 0; i < 3; ++i) {
        rocks.push_back(std::make_unique<CPGameObject>("rock"));
        rocks.back()->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(), half));
        rocks.back()->SetShadow(false);
        rocks.back()->SetPosition(at);
        rocks.back()->UpdateTransform();
    }
    CPLevelBranch tree;
    tree.AddObjects({ rocks[0].get(), rocks[1].get() });
    tree.Build(0);
    CPQuadNode quad;
    quad.SetBounds(at, half);
    quad.AddObject(rocks[2].get());
    CPRenderQueue queue;
    m_render.m_renderQueue = &queue;
    m_level->tree = &tree;
    m_level->quadTree = &quad;
    const struct
    {
        int32_t quadlevels;
        int32_t drawn;
    } cases[] = { { 0, 2 }, { 1, 1 }, { 4, 1 } };
    for (const auto& c : cases) {
        g_CfgQuadLevels = c.quadlevels;
        m_render.m_drawnObjects = 0;
        Frame(0.01f);
        EXPECT_EQ(m_render.m_drawnObjects, c.drawn) << c.quadlevels;
    }
    m_level->quadTree = nullptr;
    m_level->tree = nullptr;
    m_render.m_renderQueue = nullptr;
}
}
