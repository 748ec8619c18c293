#include "Core/PObjUpdater.h"
#include "Core/PTaskManager.h"
#include "Race/PSpline.h"
#include "RaceFixture.h"

#include <cmath>

namespace
{
using Level = RaceFixture;

TEST_F(Level, DefaultsAndSingleton)
{
    const CPLevel& level = *m_level;
    EXPECT_EQ(GetLevel(), &level);
    EXPECT_EQ(level.GetTypeName(), "CPLevel");
    EXPECT_EQ(level.playerModel, "truck_130_");
    EXPECT_EQ(level.worldWidth, 10.0f);
    EXPECT_EQ(level.worldDepth, 10.0f);
    EXPECT_EQ(level.cameraDistance, 7.0f);
    EXPECT_EQ(level.cameraHeight, 2.0f);
    // The presets start like the active values.
    EXPECT_EQ(level.camera1Distance, 7.0f);
    EXPECT_EQ(level.camera3Height, 2.0f);
    EXPECT_EQ(level.camera2AngleDiv, 0.0f);
    EXPECT_EQ(level.fov1, 50.0f);
    EXPECT_EQ(level.fov2, 50.0f);
    EXPECT_EQ(level.demo, 1);
    EXPECT_EQ(level.trafficActive, 1);
    EXPECT_EQ(level.orbitDirection, 1.0f);
    EXPECT_EQ(level.cameraMode, 0);
    EXPECT_EQ(level.vehicleLine, std::vector<int32_t>(20, 0));
    EXPECT_EQ(level.vehicleProgress.size(), 20u);
    EXPECT_GE(level.enemySources.bucket_count(), 100u);
    EXPECT_FALSE(level.GetLeftPath());
    EXPECT_FALSE(level.GetSpline());
}

TEST_F(Level, DeletingClearsTheSingletonOnlyWhenItIsSelf)
{
    auto second = std::make_unique<CPLevel>();
    EXPECT_EQ(GetLevel(), second.get());
    m_level.reset();
    EXPECT_EQ(GetLevel(), second.get());
    second.reset();
    EXPECT_EQ(GetLevel(), nullptr);
}

TEST_F(Level, PathGettersReturnTheStoredPaths)
{
    CPSpline centre;
    m_level->centrePath = &centre;
    EXPECT_EQ(m_level->GetSpline().Get(), &centre);
    EXPECT_FALSE(m_level->GetRightPath());
    m_level->centrePath = nullptr;
}

// The race update's target: counts its calls.
struct RaceUpdate
{
    void Update() { ++calls; }
    int calls = 0;
};

TEST_F(Level, DeletingARunningLevelStopsAndUnbindsItsTask)
{
    RaceUpdate target;
    CPObjUpdater task(&target, &RaceUpdate::Update);
    CPTaskManager manager;
    ASSERT_TRUE(manager.AddTask(&task));
    m_level->updateTask = &task;
    m_level.reset();
    EXPECT_TRUE(task.IsFinished());
    EXPECT_EQ(task.GetTarget(), nullptr);
    task.Update();
    EXPECT_EQ(target.calls, 0);
}

TEST_F(Level, SubmitLightStopsAtThirty)
{
    m_level->light.Type = D3DLIGHT_DIRECTIONAL;
    m_render.m_lightCount = 29;
    m_level->SubmitLight();
    EXPECT_EQ(m_render.m_lightCount, 30);
    EXPECT_EQ(m_render.m_lights[29].Type, D3DLIGHT_DIRECTIONAL);
    m_level->light.Type = D3DLIGHT_POINT;
    m_level->SubmitLight();
    EXPECT_EQ(m_render.m_lightCount, 30);
    EXPECT_EQ(m_render.m_lights[29].Type, D3DLIGHT_DIRECTIONAL);
}

// Camera views: presets, fixed flag, heading, blur centre and engine volume.
using CameraViews = RaceFixture;

TEST_F(CameraViews, EachViewTakesItsPresets)
{
    CPLevel& level = *m_level;
    AddPlayer();
    CPCamera& camera = AddCamera();
    level.camera1Distance = 5.0f;
    level.camera1Height = 1.5f;
    level.camera1Angle = 10.0f;
    level.camera1AngleDiv = 40.0f;
    level.camera1DistanceDiv = 30.0f;
    level.camera2Distance = 9.0f;
    level.camera2Height = 3.0f;
    level.camera2Angle = 20.0f;
    level.camera2AngleDiv = 45.0f;
    level.camera2DistanceDiv = 35.0f;
    g_CfgSoundVolume = 0.5f;
    struct Case
    {
        int view;
        float distance, height, angle, angleDiv, distanceDiv;
        uint8_t fixed;
        float volume;
    };
    const Case cases[] = {
        { 0, 5.0f, 1.5f, 10.0f, 40.0f, 30.0f, 0, 0.15f },
        { 1, 9.0f, 3.0f, 20.0f, 45.0f, 35.0f, 0, 0.175f },
        { 2, 5.0f, 1.5f, 10.0f, 40.0f, 30.0f, 1, 0.2f },
    };
    for (const Case& c : cases) {
        level.followedVehicle = nullptr;
        level.SetCameraView(c.view);
        EXPECT_EQ(level.cameraMode, c.view);
        EXPECT_EQ(level.followedVehicle, m_player.get());
        EXPECT_EQ(level.cameraDistance, c.distance) << c.view;
        EXPECT_EQ(level.cameraHeight, c.height);
        EXPECT_EQ(level.cameraAngle, c.angle);
        EXPECT_EQ(level.cameraAngleDiv, c.angleDiv);
        EXPECT_EQ(level.cameraDistanceDiv, c.distanceDiv);
        EXPECT_EQ(camera.fixedView, c.fixed);
    }
    // View 3 only stores the number.
    level.SetCameraView(3);
    EXPECT_EQ(level.cameraMode, 3);
    EXPECT_EQ(level.cameraDistance, 5.0f);
    EXPECT_EQ(camera.fixedView, 1);
}

TEST_F(CameraViews, HeadingFollowsThePlayerExceptInTheFixedView)
{
    CPPlayer& player = AddPlayer();
    CPCamera& camera = AddCamera();
    m_level->SetCameraView(0);
    EXPECT_FLOAT_EQ(camera.yawAngle, -1.5707964f); // identity: forward (0, -1, 0)
    D3DXQUATERNION turn;
    const D3DXVECTOR3 up(0, 0, 1);
    D3DXQuaternionRotationAxis(&turn, &up, 1.5707964f); // forward becomes (1, 0, 0)
    player.SetRotation(turn);
    m_level->SetCameraView(2);
    EXPECT_FLOAT_EQ(camera.yawAngle, -1.5707964f);
    m_level->SetCameraView(1);
    EXPECT_NEAR(camera.yawAngle, 0.0f, 1e-3f);
}

TEST_F(CameraViews, BlurCentreMovesWithThePreset)
{
    AddPlayer();
    AddCamera();
    g_CfgScreenWidth = 1024;
    g_CfgScreenHeight = 768;
    CPBlurGrid& grid = m_render.m_blurGrid;
    grid.columns = 0;
    grid.rows = 0;
    grid.points.resize(1);
    grid.points[0].x = 512.0f;
    grid.points[0].y = 0.0f;
    grid.directions.assign(1, D3DXVECTOR2(7.0f, 7.0f));

    g_CfgBlur = 0;
    m_level->SetCameraView(0);
    EXPECT_EQ(grid.directions[0].x, 7.0f);

    g_CfgBlur = 1;
    m_level->camera2Blur = 1.0f; // centre at the bottom edge
    m_level->SetCameraView(1);
    EXPECT_FLOAT_EQ(grid.directions[0].y, -1.0f);
    grid.points[0].y = 700.0f;
    m_level->SetCameraView(0); // centre in the middle
    EXPECT_FLOAT_EQ(grid.directions[0].y, 1.0f);
}
}
