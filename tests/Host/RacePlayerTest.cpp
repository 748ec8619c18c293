// The player's vehicle in a loaded race on the fixture level: the arrows and
// the drift time of its fixed steps, its shorter crash, its respawn rules,
// and the chase camera that follows it.
#include "FixtureRace.h"
#include "Race/PCamera.h"
#include "Race/PSpline.h"
#include "Render/PPerspectiveCamera.h"
#include "Startup/PConfigVars.h"
#include "Vehicles/PCar.h"

#include "Vehicles/VehicleTestSupport.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace
{
using Commands = std::vector<std::string>;

constexpr float kStep = 1.0f / 60.0f;

// A direction of the vehicle's own frame in the world; it looks along -y.
D3DXVECTOR3 Turned(const CPPlayer& vehicle, const D3DXVECTOR3& direction)
{
    D3DXMATRIX turn;
    D3DXMatrixRotationQuaternion(&turn, &vehicle.GetRotation());
    D3DXVECTOR3 world;
    D3DXVec3TransformNormal(&world, &direction, &turn);
    return world;
}

float FlatDistance(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    return std::hypot(a.x - b.x, a.y - b.y);
}

class RacePlayer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_camSpeed = g_CfgCamSpeed;
        m_race = std::make_unique<FixtureRace>();
        GetCommandDispatcher()->RegisterObject(&m_interface);
        // The cars settle onto the road; the player's controls stay at rest.
        m_race->Frames(60);
        m_interface.Drain();
    }

    void TearDown() override
    {
        GetCommandDispatcher()->UnregisterObject(&m_interface);
        m_race.reset();
        g_CfgCamSpeed = m_camSpeed;
    }

    CPLevel& Race() { return *m_race->race; }
    CPPlayer& Player() { return m_race->Player(); }
    CPCar& Car(CPPlayer& vehicle) { return *vehicle.GetCarPtr(); }

    // The "game_interface" commands since the last call, without the arrows,
    // which are counted.
    Commands Interface(size_t& arrows)
    {
        Commands others;
        arrows = 0;
        for (const std::string& command : m_interface.Drain()) {
            if (command == "update_arrows(0)")
                ++arrows;
            else
                others.push_back(command);
        }
        return others;
    }

    // Frames in which the player follows a line 4 units inside the middle
    // of the ring road at full throttle, aiming 12 units ahead.
    void DriveRoundTheRing(int frames)
    {
        const float line = level::kRadius - 4.0f;
        for (int i = 0; i < frames; ++i) {
            const D3DXVECTOR3 at = Player().GetPosition();
            const D3DXVECTOR3 forward = Turned(Player(), D3DXVECTOR3(0.0f, -1.0f, 0.0f));
            const float ahead = std::atan2(at.y, at.x) + 12.0f / line;
            float error = std::atan2(line * std::sin(ahead) - at.y, line * std::cos(ahead) - at.x)
                          - std::atan2(forward.y, forward.x);
            error = std::remainder(error, 2.0f * level::kPi);
            Player().SetCarParams(1.0f, std::max(-1.0f, std::min(1.0f, -2.0f * error)));
            m_race->Frames(1);
        }
    }

    std::unique_ptr<FixtureRace> m_race;
    support::Recorder m_interface { "game_interface" };
    int32_t m_camSpeed = 0;
};
}

TEST_F(RacePlayer, ArrowsGoOutEveryFixedStepAndASlideCountsDriftTime)
{
    GetGameData()->m_texts["drift_time"] = "Drift";
    ASSERT_EQ(Player().m_arrows, 1);
    // A frame of 0.1 s runs six fixed steps, each with its arrows; the ring
    // turns too gently for an arrow to either side.
    size_t arrows = 0;
    m_race->Frames(1, 0.1f);
    EXPECT_EQ(Interface(arrows), Commands());
    EXPECT_EQ(arrows, 6u);

    // A slide: handbrake and steering at full throttle, for frames of
    // 1/60 s, one step each.
    Player().SetCarParams(1.0f, 0.6f);
    Player().SetBrake(1, 1);
    m_race->Frames(33);
    EXPECT_NEAR(Player().m_driftTime, 33.0f * kStep, 2.0f * kStep);
    EXPECT_EQ(Interface(arrows), Commands());
    EXPECT_EQ(arrows, 33u);

    // The slide ends: its time is reported once, cut to tenths.
    Player().SetBrake(0, 1);
    Player().SetCarParams(0.0f, 0.0f);
    m_race->Frames(5);
    EXPECT_EQ(Interface(arrows), Commands { "bonus_points2(time|Drift|0.500000)" });
    EXPECT_EQ(arrows, 5u);
    EXPECT_EQ(Player().m_driftTime, 0.0f);
}

TEST_F(RacePlayer, TheCrashEndsSoonerForThePlayerThanForAnOpponent)
{
    // On level 1 the player's crash lasts (1 x 0.05 + 0.4) x 3 = 1.35 s, or
    // x 5 = 2.25 s at difficulty 3; an opponent's 1.5 x 3 = 4.5 s. At
    // difficulty 3 the end of the crash also puts the vehicle back on the
    // path. The clock is set before a frame of 1/60 s.
    const struct
    {
        int32_t difficulty;
        float clock;
        bool playerEnds;
        bool opponentEnds;
    } cases[] = {
        { 1, 1.30f, false, false }, { 1, 1.34f, true, false }, { 1, 4.49f, true, true },
        { 3, 2.20f, false, false }, { 3, 2.24f, true, false },
    };
    CPPlayer& opponent = *Race().vehicles[0];
    for (const auto& c : cases) {
        g_CfgCamSpeed = c.difficulty;
        for (CPPlayer* vehicle : { &Player(), &opponent }) {
            Car(*vehicle).SetCrashed(1);
            Car(*vehicle).m_crashClock = c.clock;
        }
        m_race->Frames(1);
        EXPECT_EQ(Car(Player()).m_crashed == 0, c.playerEnds) << c.difficulty << " " << c.clock;
        EXPECT_EQ(Car(opponent).m_crashed == 0, c.opponentEnds) << c.difficulty << " " << c.clock;
        EXPECT_EQ(Player().m_respawnTime > 0.0f, c.playerEnds && c.difficulty == 3) << c.difficulty << " " << c.clock;
        for (CPPlayer* vehicle : { &Player(), &opponent })
            Car(*vehicle).SetCrashed(0);
    }
}

TEST_F(RacePlayer, ThePlayerStandingStillIsNeverPutBack)
{
    // 4.5 s at rest: the stuck test, every 2 s of driving, finds the vehicle
    // where it was last time at least once. Only the arrows flag spares it:
    // the player as loaded, then with the flag cleared.
    for (const bool arrows : { true, false }) {
        if (!arrows)
            Player().m_arrows = 0;
        const D3DXVECTOR3 start = Player().GetPosition();
        bool respawned = false;
        for (int frame = 0; frame < 270; ++frame) {
            m_race->Frames(1);
            respawned = respawned || Player().m_respawnTime > 0.0f;
        }
        EXPECT_EQ(respawned, !arrows) << arrows;
        if (arrows)
            EXPECT_LT(FlatDistance(Player().GetPosition(), start), 0.1f);
    }
}

TEST_F(RacePlayer, ThePlayersRespawnStartsFromItsLineOfTheLevel)
{
    // At the ring's centre no line lies within the search radius, so the
    // vehicle lands on the line the search starts from: the level's line of
    // the player for the player, the route's current line without the flag.
    const std::vector<CPLine*>& lines = Race().centreLines;
    ASSERT_GE(lines.size(), 8u);
    CPLine* const playerLine = lines[lines.size() / 4];
    CPLine* const routeLine = lines[lines.size() * 3 / 4];
    ASSERT_GT(FlatDistance(playerLine->centre, routeLine->centre), 100.0f);
    // The player as loaded, then with the flag cleared.
    for (const bool arrows : { true, false }) {
        if (!arrows)
            Player().m_arrows = 0;
        Race().centreLineHint = playerLine;
        float radius = 40.0f;
        CPLine* hint = routeLine;
        Race().centrePath->FindNearestLine(routeLine->centre, radius, 0, hint);
        ASSERT_EQ(Race().centrePath->GetCurrentLine(), routeLine);
        Player().m_respawnTime = 0.0f;
        Player().SetPosition(D3DXVECTOR3(0.0f, 0.0f, 2.0f));
        Player().UpdateTransform();
        Player().Respawn(true);
        const CPLine* const expected = arrows ? playerLine : routeLine;
        EXPECT_LT(FlatDistance(Player().GetPosition(), expected->centre), CPSpline::kLineStep) << arrows;
        EXPECT_EQ(Race().centreLineHint, playerLine);
    }
}

TEST_F(RacePlayer, TheChaseCameraLooksDownFromBehindAtThePresetPitch)
{
    // A 15 degree view whose speed corrections are negligible.
    Race().camera1Angle = 15.0f;
    Race().camera1AngleDiv = 1.0e4f;
    Race().camera1DistanceDiv = 1.0e4f;
    Race().SetCameraView(0);
    DriveRoundTheRing(300);

    const CPCamera& camera = *Race().camera;
    EXPECT_NEAR(camera.pitchAngle, 0.2617994f, 1e-6f);
    const D3DXVECTOR3 at = Player().GetPosition();
    const D3DXVECTOR3 eye = camera.mainCamera->m_eye;
    const D3DXVECTOR3 forward = Turned(Player(), D3DXVECTOR3(0.0f, -1.0f, 0.0f));
    const D3DXVECTOR3 up = Turned(Player(), D3DXVECTOR3(0.0f, 0.0f, 1.0f));
    ASSERT_GT(FlatDistance(at, level::PlayerStart()), 30.0f) << "the player drove off";
    // Behind the car, against its heading, and above it.
    const D3DXVECTOR3 back(at.x - eye.x, at.y - eye.y, 0.0f);
    const float flat = std::hypot(back.x, back.y);
    ASSERT_GT(flat, 1.0f);
    EXPECT_GT((back.x * forward.x + back.y * forward.y) / (flat * std::hypot(forward.x, forward.y)), 0.8f);
    EXPECT_GT(eye.z, at.z);
    // Above the car's own backward axis by the view's angle (the camera
    // follows the pitch of the car's nose).
    const D3DXVECTOR3 fromLookAt = eye - camera.lookAt;
    const float upward = D3DXVec3Dot(&fromLookAt, &up);
    const float backward = -D3DXVec3Dot(&fromLookAt, &forward);
    EXPECT_NEAR(std::atan2(upward, backward), 0.2617994f, 0.02f);
}
