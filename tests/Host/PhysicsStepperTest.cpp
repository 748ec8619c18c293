#include "Host/PHostPhysics.h"

#include "Core/PGameHost.h"
#include "Core/PGlobals.h"
#include "Host/PGameHost.h"
#include "Host/PHostFrame.h"
#include "Race/PGameData.h"
#include "Race/PLevel.h"
#include "ScratchRoot.h"
#include "Startup/PConfigVars.h"
#include "Vehicles/PPhysicBody.h"
#include "Vehicles/PPhysicLineSensor.h"
#include "Vehicles/PPhysicWorld.h"
#include "WavBuilder.h"

#include "tests/VehicleFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace
{
constexpr float kFrame = 1.0f / 60.0f;

// A host with the car sounds on disk, a level of a flat 200 x 200 ground and
// a wall across y = -60, and race cars placed on it.
class Stepper : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_camSpeed = g_CfgCamSpeed;
        const std::string wav = wav::Pcm(1, 22050, 16, wav::Samples(64));
        for (const char* name : { "slam.wav", "main.wav", "vizg.wav", "stop.wav" })
            m_root.MakeFile(std::string("Data/Sounds/") + name, wav);
        m_host = std::make_unique<CPGameHost>(m_root.Path());
        // The host made the game data; the race counts as started.
        g_GameData->m_levelStarted = 1;
        m_level.AddGround(200.0f);
        m_level.AddWall(-50.0f, 50.0f, -60.0f, -1.0f, 4.0f);
        m_level.Place(D3DXVECTOR3());
    }

    void TearDown() override
    {
        m_cars.clear();
        m_host.reset();
        g_CfgCamSpeed = m_camSpeed;
    }

    // Builds the grid and a new world, as the level loader does.
    void LoadLevel()
    {
        Manager().GetCollisionGrid().Build(m_level.Body());
        Manager().CreateWorld(D3DXVECTOR3(), D3DXVECTOR3(100.0f, 100.0f, 100.0f), 500, 500, 500);
    }

    fixture::Vehicle& AddCar(const D3DXVECTOR3& position, uint8_t player = 0)
    {
        m_cars.push_back(std::make_unique<fixture::Vehicle>(fixture::CarXml(), position));
        m_cars.back()->AddTo(Manager(), player);
        EXPECT_NE(m_cars.back()->Car(), nullptr);
        return *m_cars.back();
    }

    // Frames of 1/60 s: the clocks, then the physics manager's update.
    void Run(float seconds)
    {
        const int frames = static_cast<int>(std::lround(seconds / kFrame));
        for (int i = 0; i < frames; ++i) {
            AdvanceFrameClock(kFrame);
            Manager().Update();
        }
    }

    static CPPhysicManager& Manager() { return *GetPhysicManager(); }

    static float Speed(const fixture::Vehicle& car)
    {
        D3DXVECTOR4 v;
        car.Body()->GetVelocity(&v);
        return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    }

    // The car's forward direction (its -y axis) in world axes.
    static D3DXVECTOR3 Forward(const fixture::Vehicle& car)
    {
        const D3DXMATRIX& pose = car.Body()->m_pose.m_matrix;
        return D3DXVECTOR3(-pose._21, -pose._22, -pose._23);
    }

    ScratchRoot m_root;
    std::unique_ptr<CPGameHost> m_host;
    fixture::LevelMesh m_level;
    std::vector<std::unique_ptr<fixture::Vehicle>> m_cars;
    int32_t m_camSpeed = 0;
};
}

TEST(StepperSubsteps, OneSubstepPerSixtiethUpToEight)
{
    const struct
    {
        float frame;
        int32_t substeps;
    } cases[] = { { 0.0f, 1 }, { 1.0f / 60.0f, 1 }, { 0.02f, 2 }, { 0.05f, 3 }, { 0.5f, 8 }, { -1.0f, 1 } };
    for (const auto& c : cases)
        EXPECT_EQ(CPHostPhysics::SubstepCount(c.frame), c.substeps) << c.frame;
}

TEST_F(Stepper, ADroppedCarSettlesOnItsWheels)
{
    LoadLevel();
    fixture::Vehicle& car = AddCar(D3DXVECTOR3(0.0f, 0.0f, 2.2f), 1);
    Run(2.0f);
    for (int32_t i = 0; i < 4; ++i) {
        const float depth = car.Car()->m_sensors[i]->GetDetectDepth();
        EXPECT_GT(depth, 0.0f) << i;
        EXPECT_LE(depth, 1.5f) << i;
        EXPECT_EQ(car.Car()->m_contact[i], 1) << i;
    }
    EXPECT_LT(Speed(car), 0.1f);
    EXPECT_GT(car.Data()->m_terrainTriangleCount, 0);
    // The game object follows its body, its matrices and bounds too, and the
    // car heard its sounds start.
    D3DXVECTOR4 position;
    car.Body()->GetPosition(&position);
    EXPECT_EQ(car.Player()->GetPosition(), D3DXVECTOR3(position.x, position.y, position.z));
    EXPECT_FALSE(car.Player()->IsDirty());
    const D3DXMATRIX& world = car.Player()->GetWorldMatrix();
    EXPECT_EQ(D3DXVECTOR3(world._41, world._42, world._43), D3DXVECTOR3(position.x, position.y, position.z));
    EXPECT_NEAR(position.z, 1.5f - 300.0f * 9.8f / 8000.0f, 0.1f);
    ASSERT_TRUE(car.Car()->GetSound(CPCar::kSoundEngine));
    EXPECT_TRUE(car.Car()->GetSound(CPCar::kSoundEngine)->IsPlaying());
}

TEST_F(Stepper, ThrottleDrivesForwardAndSteeringTurns)
{
    LoadLevel();
    fixture::Vehicle& straight = AddCar(D3DXVECTOR3(-20.0f, 40.0f, 1.2f));
    fixture::Vehicle& turning = AddCar(D3DXVECTOR3(20.0f, 40.0f, 1.2f));
    Run(0.5f);
    const D3DXVECTOR3 start = straight.Player()->GetPosition();
    for (int frame = 0; frame < 180; ++frame) {
        Manager().SetCarControls(straight.Player(), 1.0f, 0.0f);
        Manager().SetCarControls(turning.Player(), 1.0f, 0.5f);
        Run(kFrame);
    }
    const D3DXVECTOR3 moved = straight.Player()->GetPosition() - start;
    EXPECT_LT(moved.y, -5.0f);
    EXPECT_LT(std::fabs(moved.x), 0.5f);
    const D3DXVECTOR3 heading = Forward(turning);
    EXPECT_GT(std::fabs(heading.x), 0.3f) << heading.x << "," << heading.y;
    const D3DXVECTOR3 ahead = Forward(straight);
    EXPECT_NEAR(ahead.y, -1.0f, 0.01f);
}

TEST_F(Stepper, CarsCollideAndCrashTheRearOneFromDifficultyTwo)
{
    for (const int32_t difficulty : { 2, 0 }) {
        g_CfgCamSpeed = difficulty;
        m_cars.clear();
        LoadLevel();
        fixture::Vehicle& front = AddCar(D3DXVECTOR3(0.0f, 0.0f, 1.2f));
        fixture::Vehicle& rear = AddCar(D3DXVECTOR3(0.0f, 8.0f, 1.2f));
        Run(0.5f);
        for (int frame = 0; frame < 180; ++frame) {
            Manager().SetCarControls(rear.Player(), 1.0f, 0.0f);
            Run(kFrame);
        }
        const float rearY = rear.Player()->GetPosition().y;
        const float frontY = front.Player()->GetPosition().y;
        if (difficulty == 2) {
            EXPECT_EQ(rear.Car()->m_crashed, 1);
            EXPECT_EQ(front.Car()->m_crashed, 0);
            EXPECT_GT(rearY, frontY);
        } else {
            // The cars pass through each other.
            EXPECT_EQ(rear.Car()->m_crashed, 0);
            EXPECT_EQ(front.Car()->m_crashed, 0);
            EXPECT_LT(rearY, frontY - 2.0f);
        }
    }
}

TEST_F(Stepper, TheSameRunGivesTheSamePoses)
{
    std::vector<D3DXMATRIX> runs[2];
    for (std::vector<D3DXMATRIX>& poses : runs) {
        m_cars.clear();
        LoadLevel();
        AddCar(D3DXVECTOR3(0.0f, 0.0f, 2.0f));
        AddCar(D3DXVECTOR3(3.0f, 5.0f, 2.5f));
        for (int frame = 0; frame < 90; ++frame) {
            Manager().SetCarControls(m_cars[0]->Player(), 1.0f, 0.4f);
            Manager().SetCarControls(m_cars[1]->Player(), 0.7f, -0.3f);
            AdvanceFrameClock(frame % 3 == 0 ? 0.03f : kFrame);
            Manager().Update();
        }
        for (const auto& car : m_cars)
            poses.push_back(car->Body()->m_pose.m_matrix);
    }
    ASSERT_EQ(runs[0].size(), runs[1].size());
    for (size_t i = 0; i < runs[0].size(); ++i)
        EXPECT_EQ(std::memcmp(&runs[0][i], &runs[1][i], sizeof(D3DXMATRIX)), 0) << i;
}

// The stepper makes its Bullet world and terrain tree when the world is
// created; a run from there matches one whose first step makes them.
TEST_F(Stepper, AWorldPreparedAtLoadRunsAsOneMadeOnTheFirstStep)
{
    std::vector<D3DXMATRIX> runs[2];
    for (int run = 0; run < 2; ++run) {
        m_cars.clear();
        LoadLevel();
        if (run == 1)
            Manager().GetStepper()->ForgetWorld(Manager().GetWorld());
        AddCar(D3DXVECTOR3(0.0f, -50.0f, 2.0f));
        AddCar(D3DXVECTOR3(20.0f, 30.0f, 2.5f));
        for (int frame = 0; frame < 120; ++frame) {
            Manager().SetCarControls(m_cars[0]->Player(), 1.0f, 0.1f);
            Manager().SetCarControls(m_cars[1]->Player(), 0.8f, -0.5f);
            AdvanceFrameClock(kFrame);
            Manager().Update();
        }
        for (const auto& car : m_cars)
            runs[run].push_back(car->Body()->m_pose.m_matrix);
    }
    ASSERT_EQ(runs[0].size(), runs[1].size());
    for (size_t i = 0; i < runs[0].size(); ++i)
        EXPECT_EQ(std::memcmp(&runs[0][i], &runs[1][i], sizeof(D3DXMATRIX)), 0) << i;
}
