// The opponent driver through the stepper: a race car on a flat ground
// driven by its AI slot round a circular centre path, frame by frame as the
// host runs a race (driver, physics, race update).
#include "Core/PFileReader.h"
#include "Core/PGameHost.h"
#include "Core/PGlobals.h"
#include "Host/PGameHost.h"
#include "Host/PHostFrame.h"
#include "Host/PHostRace.h"
#include "Race/PAIVehicle.h"
#include "Race/PGameData.h"
#include "Race/PLevel.h"
#include "Race/PSpline.h"
#include "tests/Race/PathRecord.h"
#include "ScratchRoot.h"
#include "WavBuilder.h"

#include "tests/VehicleFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

namespace
{
constexpr float kFrame = 1.0f / 60.0f;
constexpr float kRadius = 45.0f;

// A circle of four cubic segments, counterclockwise from (r, 0).
std::string CirclePath(float r)
{
    const float k = 0.5523f * r;
    return PathRecord("c_path", true,
                      { { D3DXVECTOR3(r, 0, 0), D3DXVECTOR3(r, k, 0), D3DXVECTOR3(k, r, 0), D3DXVECTOR3(0, r, 0) },
                        { D3DXVECTOR3(0, r, 0), D3DXVECTOR3(-k, r, 0), D3DXVECTOR3(-r, k, 0), D3DXVECTOR3(-r, 0, 0) },
                        { D3DXVECTOR3(-r, 0, 0), D3DXVECTOR3(-r, -k, 0), D3DXVECTOR3(-k, -r, 0), D3DXVECTOR3(0, -r, 0) },
                        { D3DXVECTOR3(0, -r, 0), D3DXVECTOR3(k, -r, 0), D3DXVECTOR3(r, -k, 0), D3DXVECTOR3(r, 0, 0) } });
}

TEST(OpponentDriver, DrivesRoundTheRing)
{
    ScratchRoot root;
    const std::string wav = wav::Pcm(1, 22050, 16, wav::Samples(64));
    for (const char* name : { "slam.wav", "main.wav", "vizg.wav", "stop.wav" })
        root.MakeFile(std::string("Data/Sounds/") + name, wav);
    root.MakeFile("data/levels/ring.lvl", CirclePath(kRadius));
    auto host = std::make_unique<CPGameHost>(root.Path());
    g_GameData->m_levelStarted = 1;
    g_GameData->m_roundsCount = 3;

    fixture::LevelMesh ground;
    ground.AddGround(300.0f);
    ground.Place(D3DXVECTOR3());
    CPPhysicManager& physics = *GetPhysicManager();
    physics.GetCollisionGrid().Build(ground.Body());
    physics.CreateWorld(D3DXVECTOR3(), D3DXVECTOR3(100.0f, 100.0f, 100.0f), 500, 500, 500);

    CPSpline path;
    {
        CPFileReader reader("Data\\Levels\\ring.lvl");
        ASSERT_EQ(reader.Load(), S_OK);
        ASSERT_TRUE(path.Load(reader));
    }
    auto level = std::make_unique<CPLevel>();
    level->centrePath = &path;
    level->demo = 0;

    // At (r, 0) heading the way the ring is driven (clockwise: -y).
    fixture::Vehicle car(fixture::CarXml(), D3DXVECTOR3(kRadius, 0.0f, 1.3f));
    car.Player()->limitMin = 8;
    car.Player()->limitMax = 14;
    car.AddTo(physics);
    level->vehicles.push_back(car.Player());
    level->InitTrackProgress();
    const int lines = static_cast<int>(level->centreLines.size());
    ASSERT_GT(lines, 20);

    CPAIVehicleManager& manager = *GetAIVehicleManager();
    manager.ClearVehicles();
    for (int i = 0; i < CPAIVehicleManager::kRacerSlots; ++i)
        manager.racers.push_back(new AI_Vehicle());
    manager.SetVehiclePath(0, AI_Vehicle::kCentrePath, path.GetCurrentLine());

    int progress = 0;
    int line = level->FindNearestCentreLine(car.Player()->GetPosition());
    float worstOffset = 0.0f;
    const int maxFrames = 60 * 60;
    int frame = 0;
    for (; frame < maxFrames && progress < lines + 2; ++frame) {
        AdvanceFrameClock(kFrame);
        manager.Update();
        physics.Update();
        level->Update();
        const D3DXVECTOR3 at = car.Player()->GetPosition();
        const int now = level->FindNearestCentreLine(at);
        if (now != -1 && now != line) {
            progress += level->ProgressStep(line, now);
            line = now;
        }
        if (frame > 60)
            worstOffset = std::max(worstOffset, std::fabs(std::hypot(at.x, at.y) - kRadius));
    }
    EXPECT_GE(progress, lines + 2) << "after " << frame << " frames";
    EXPECT_LT(worstOffset, 10.0f);
    EXPECT_GT(frame, 60 * 5); // at a sane speed, not thrown round

    manager.ClearVehicles();
    level.reset();
}

TEST(OpponentDriver, ExtremeSpeedsLookNoFurtherThanOnceRoundTheRing)
{
    // Speeds a damaged level or vehicle file can give a slot: infinite and
    // NaN ones have no whole number of lines, and a huge finite one would
    // walk the ring for billions of steps. Each is driven at once, with
    // controls in range.
    ScratchRoot root;
    root.MakeFile("data/levels/ring.lvl", CirclePath(kRadius));
    auto host = std::make_unique<CPGameHost>(root.Path());
    CPSpline path;
    {
        CPFileReader reader("Data\\Levels\\ring.lvl");
        ASSERT_EQ(reader.Load(), S_OK);
        ASSERT_TRUE(path.Load(reader));
    }
    CPSmartPtr<CPPlayer> car(new CPPlayer());
    CPAIVehicleManager manager;
    manager.racers.push_back(new AI_Vehicle());
    AI_Vehicle& slot = *manager.racers.back();
    slot.vehicle = car;
    slot.position = D3DXVECTOR3(kRadius, 0.0f, 0.0f);
    slot.direction = D3DXVECTOR3(0.0f, -1.0f, 0.0f);
    slot.SetPath(AI_Vehicle::kCentrePath, path.GetCurrentLine());
    slot.centreSpline = &path;

    const float inf = std::numeric_limits<float>::infinity();
    for (const float speed : { inf, -inf, std::numeric_limits<float>::quiet_NaN(), 3e38f, 2.1e10f, 1e7f }) {
        for (const uint8_t reversed : { 0, 1 }) {
            slot.speed = speed;
            slot.reversed = reversed;
            car->m_throttle = car->m_steering = 2.0f;
            DriveAIVehicles(manager);
            EXPECT_GE(car->m_throttle, -1.0f) << speed;
            EXPECT_LE(car->m_throttle, 1.0f) << speed;
            EXPECT_GE(car->m_steering, -1.0f) << speed;
            EXPECT_LE(car->m_steering, 1.0f) << speed;
        }
    }
    manager.ClearVehicles();
}
}
