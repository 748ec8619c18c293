#include "Core/PGameHost.h"
#include "Render/PLayerEntry.h"
#include "Render/PPerspectiveCamera.h"
#include "RaceFixture.h"

#include <cmath>

namespace
{
constexpr float kPi = 3.1415927f;

// A chase camera behind a player driving along +x, level and at rest.
class ChaseCamera : public RaceFixture
{
protected:
    ChaseCamera()
    {
        AddPlayer();
        AddCamera();
        m_level->followedForward = D3DXVECTOR3(1, 0, 0);
        m_camera->lookAt = D3DXVECTOR3(10, 20, 1);
        m_camera->SetDistance(8.0f);
        m_camera->distanceDiv = 1.0f;
        g_FrameTime = 0.05f;
    }

    static void ExpectNear(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected)
    {
        EXPECT_NEAR(actual.x, expected.x, 1e-4f);
        EXPECT_NEAR(actual.y, expected.y, 1e-4f);
        EXPECT_NEAR(actual.z, expected.z, 1e-4f);
    }
};

TEST_F(ChaseCamera, ConstructionPublishesTheMainCamera)
{
    EXPECT_EQ(g_ActiveCamera, m_camera->mainCamera.Get());
    EXPECT_EQ(m_camera->GetTypeName(), "CPCamera");
    EXPECT_EQ(m_camera->GetObjectSize(), 264);
    EXPECT_EQ(m_camera->mainCamera->m_far, static_cast<float>(g_CfgDistance));
    EXPECT_EQ(m_camera->secondCamera->m_far, 2000.0f);
    EXPECT_EQ(m_camera->mainCamera->m_near, 1.0f);
    EXPECT_EQ(m_camera->yawAngle, -kPi / 2.0f);
    EXPECT_EQ(m_camera->GetEyePosition(), &m_camera->mainCamera->m_eye);
}

TEST_F(ChaseCamera, DestroyedRigLeavesNoActiveCamera)
{
    auto* other = new CPCamera();
    CPPerspectiveCamera* main = other->mainCamera.Get();
    CPPerspectiveCamera* second = other->secondCamera.Get();
    EXPECT_EQ(g_ActiveCamera, main);
    delete other;
    EXPECT_EQ(g_ActiveCamera, nullptr);
    delete main;
    delete second;
    // A far-off requested yaw comes into range.
    m_camera->SetRequestedYaw(1.0e30f);
    EXPECT_GE(m_camera->requestedYaw, 0.0f);
    EXPECT_LE(m_camera->requestedYaw, 6.2831855f);
    m_camera->SetRequestedYaw(-1.0f);
    EXPECT_FLOAT_EQ(m_camera->requestedYaw, 6.2831855f - 1.0f);
}

TEST_F(ChaseCamera, AttachRegistersEachCameraUnderItsLayer)
{
    m_camera->AttachMainCamera(kLayerMainCamera);
    m_camera->AttachSecondCamera(kLayerSecondCamera);
    EXPECT_EQ(m_render.m_layers[kLayerMainCamera].m_camera.Get(), m_camera->mainCamera.Get());
    EXPECT_EQ(m_render.m_layers[kLayerSecondCamera].m_camera.Get(), m_camera->secondCamera.Get());
    EXPECT_EQ(m_camera->GetMainCamera().Get(), m_camera->mainCamera.Get());
    m_render.m_layers.clear();
}

TEST_F(ChaseCamera, PlacesBothCamerasBehindTheVehicle)
{
    m_camera->Update();
    for (const CPPerspectiveCamera* camera : { m_camera->mainCamera.Get(), m_camera->secondCamera.Get() }) {
        ExpectNear(camera->m_eye, D3DXVECTOR3(2, 20, 1));
        ExpectNear(camera->m_target, D3DXVECTOR3(3, 20, 1)); // one unit ahead
        ExpectNear(camera->m_up, D3DXVECTOR3(0, 0, 1));
    }
    EXPECT_NEAR(m_camera->GetYaw(), 0.0f, 1e-6f);
}

TEST_F(ChaseCamera, HighSpeedHoldsHalfTheDistanceAndSinks)
{
    m_camera->followSpeed = 6.0f; // reach 8 - 6 = 2, below half the distance
    m_camera->Update();
    ExpectNear(m_camera->mainCamera->m_eye, D3DXVECTOR3(10 - 4, 20, 1 + 2 - 4));
}

TEST_F(ChaseCamera, LongFramesSmoothAsATenthOfASecond)
{
    m_camera->targetDistance = 18.0f;
    m_camera->targetFieldOfView = 60.0f;
    g_FrameTime = 0.5f;
    m_camera->Update();
    EXPECT_FLOAT_EQ(m_camera->currentDistance, 8.0f + 10.0f * 0.2f);
    EXPECT_FLOAT_EQ(m_camera->fieldOfView, 12.0f);
    EXPECT_FLOAT_EQ(m_camera->mainCamera->m_fieldOfView, 12.0f * 0.017453292f);
}

TEST_F(ChaseCamera, ProjectionWaitsForAFieldOfView)
{
    m_camera->Update();
    EXPECT_EQ(m_camera->mainCamera->m_projectionDirty, 1);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    EXPECT_EQ(m_camera->mainCamera->GetProjection(), identity);
    m_camera->targetFieldOfView = 60.0f;
    m_camera->Update();
    EXPECT_EQ(m_camera->mainCamera->m_projectionDirty, 0);
}

TEST_F(ChaseCamera, GameOverSwingsAgainstTheTrack)
{
    m_level->gameOver = 1;
    m_level->trackDirection = 0.5f;
    m_camera->Update();
    EXPECT_FLOAT_EQ(m_camera->yawAngle, 0.5f + 2.3561945f);
    // The smoothed yaw moves a fifth of the way at 0.05 s.
    EXPECT_FLOAT_EQ(m_camera->smoothedYaw, 0.2f * (0.5f + 2.3561945f));
    // More than half a turn away it goes the short way round.
    m_level->trackDirection = 1.0f;
    m_camera->smoothedYaw = 0.0f;
    m_camera->Update();
    EXPECT_FLOAT_EQ(m_camera->smoothedYaw, 6.2831855f + 0.2f * (3.3561945f - 6.2831855f));
}

TEST_F(ChaseCamera, SnapTakesTheHeadingAtOnce)
{
    m_level->followedForward = D3DXVECTOR3(0, 1, 0);
    m_camera->snap = 1;
    m_camera->Update();
    EXPECT_FLOAT_EQ(m_camera->smoothedYaw, kPi / 2.0f);
    EXPECT_EQ(m_camera->snap, 0);
    ExpectNear(m_camera->mainCamera->m_eye, D3DXVECTOR3(10, 12, 1));
}

TEST_F(ChaseCamera, SteeringLagsAndOrbitFollowsTheScratchValue)
{
    m_car->m_steering = 0.5f;
    m_camera->Update();
    EXPECT_FLOAT_EQ(m_camera->steerLag, 0.5f * 6.0f * 0.05f);
    EXPECT_FLOAT_EQ(m_camera->yawAngle, 0.15f);

    // With the scratch value at 0 the orbit angle turns the camera.
    m_car->m_steering = 0.0f;
    m_camera->steerLag = 0.0f;
    m_camera->smoothedYaw = 0.0f;
    m_level->orbitAngle = kPi;
    g_ScratchValue = 0.0f;
    m_camera->Update();
    ExpectNear(m_camera->mainCamera->m_eye, D3DXVECTOR3(18, 20, 1));
}

TEST_F(ChaseCamera, EarlyExitAndFixedView)
{
    m_camera->dirty = 0;
    m_camera->yawAngle = 1.0f;
    m_camera->requestedYaw = 1.0f;
    m_camera->Update();
    EXPECT_EQ(m_camera->mainCamera->m_eye, D3DXVECTOR3(0, 0, 0));

    m_camera->fixedView = 1;
    m_camera->SetFixedView(D3DXVECTOR3(1, 2, 3), D3DXVECTOR3(4, 5, 6), D3DXVECTOR3(0, 0, 1));
    m_camera->Update();
    for (const CPPerspectiveCamera* camera : { m_camera->mainCamera.Get(), m_camera->secondCamera.Get() }) {
        EXPECT_EQ(camera->m_eye, D3DXVECTOR3(1, 2, 3));
        EXPECT_EQ(camera->m_target, D3DXVECTOR3(4, 5, 6));
    }
    EXPECT_EQ(m_camera->dirty, 1);
}

TEST_F(ChaseCamera, CrashShake)
{
    m_car->m_crashed = 1;
    m_car->m_crashClock = 0.5f;
    m_camera->Update();
    const D3DXVECTOR3 side = m_camera->sideAxis;
    m_camera->Update();
    // Along the side axis of the frame before, fading with the crash time.
    ExpectNear(m_camera->shakeOffset, side * ((3.0f - 0.5f) * 0.05f * 0.5f) * std::sin(15.0f));

    // At difficulty 3 the offset walks toward a drawn target; a frame of no
    // time leaves it alone.
    g_CfgCamSpeed = 3;
    m_camera->followSpeed = 50.0f;
    m_camera->previousSpeed = 0.0f;
    m_camera->shakeOffset = D3DXVECTOR3(0, 0, 0);
    m_camera->shakeTarget = D3DXVECTOR3(0, 0, 0);
    m_camera->Update();
    EXPECT_FLOAT_EQ(m_camera->shakeAmplitude, 50.0f * 0.05f);
    const D3DXVECTOR3 target = m_camera->shakeTarget;
    EXPECT_LE(std::fabs(target.x), 2.5f * 0.001f);
    g_FrameTime = 0.0f;
    m_camera->Update();
    EXPECT_TRUE(std::isfinite(m_camera->shakeOffset.x));
    EXPECT_EQ(m_camera->shakeTarget, target);
}
}
