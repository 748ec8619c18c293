#include "Race/PCamera.h"

#include "Core/PGameHost.h"
#include "Core/PGlobals.h"
#include "Core/PUtils.h"
#include "Platform/CRand.h"
#include "Race/PLevel.h"
#include "Race/PLevelBranch.h"
#include "Render/PPerspectiveCamera.h"
#include "Render/PRender.h"
#include "Startup/PConfigVars.h"
#include "Vehicles/PCar.h"
#include "Vehicles/PPlayer.h"

#include <algorithm>
#include <cmath>

float g_ScratchValue = 1.0f;

namespace
{
constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;
constexpr float kHalfPi = 1.5707964f;
constexpr float kMaxStep = 0.1f;
constexpr float kMinPitchLift = -0.08726647f;
constexpr float kSwingAngle = 2.3561945f;
constexpr int32_t kShakeDifficulty = 3;
constexpr float kCamerasNear = 1.0f;

// a / b, or 0 for a zero divisor.
float Quotient(float a, float b)
{
    return b != 0.0f ? a / b : 0.0f;
}

D3DXVECTOR3 Transform(const D3DXMATRIX& matrix, const D3DXVECTOR3& vector)
{
    D3DXVECTOR3 out;
    D3DXVec3TransformNormal(&out, &vector, &matrix);
    return out;
}

// Rotation about an axis; none about a zero axis.
D3DXMATRIX RotationAbout(const D3DXVECTOR3& axis, float angle)
{
    D3DXMATRIX rotation;
    if (D3DXVec3LengthSq(&axis) > 0.0f)
        D3DXMatrixRotationAxis(&rotation, &axis, angle);
    else
        D3DXMatrixIdentity(&rotation);
    return rotation;
}

D3DXVECTOR3 Normalised(const D3DXVECTOR3& vector)
{
    D3DXVECTOR3 out;
    D3DXVec3Normalize(&out, &vector);
    return out;
}

float RandomShake(float amplitude)
{
    return (2.0f * static_cast<float>(crt::rand()) / 32767.0f - 1.0f) * amplitude * 0.001f;
}

// What the camera follows of the followed vehicle's car.
struct FollowedCar
{
    float steer = 0.0f;
    float lean = 0.0f;
    bool crashed = false;
    float crashTime = 0.0f;
};

FollowedCar ReadFollowedCar(const CPLevel* level)
{
    FollowedCar state;
    const CPCar* car = level && level->followedVehicle ? level->followedVehicle->GetCarPtr() : nullptr;
    if (car) {
        state.steer = car->m_steering;
        state.lean = car->m_riderYaw;
        state.crashed = car->m_crashed != 0;
        state.crashTime = car->m_crashClock;
    }
    return state;
}

void SetUp(CPPerspectiveCamera& camera, float far)
{
    camera.m_fieldOfView = 0.0f;
    camera.m_near = kCamerasNear;
    camera.m_far = far;
    camera.m_up = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
    camera.m_projectionDirty = 1;
    camera.m_viewDirty = 1;
}
}

CPCamera::CPCamera()
    : mainCamera(new CPPerspectiveCamera())
    , secondCamera(new CPPerspectiveCamera())
{
    g_ActiveCamera = mainCamera.Get();
    SetUp(*mainCamera, static_cast<float>(g_CfgDistance));
    SetUp(*secondCamera, kSecondFar);
    mainCamera->m_fieldOfView = fieldOfView * kDegreesToRadians;
    secondCamera->m_fieldOfView = fieldOfView * kDegreesToRadians;
}

CPCamera::~CPCamera()
{
    if (g_ActiveCamera == mainCamera.Get())
        g_ActiveCamera = nullptr;
    // The renderer's layers may still hold the cameras: they are released,
    // not destroyed.
    secondCamera = nullptr;
    levelTree = nullptr;
    mainCamera = nullptr;
}

int32_t CPCamera::GetObjectSize() const
{
    return 264;
}

std::string CPCamera::GetTypeName() const
{
    return "CPCamera";
}

void CPCamera::AttachMainCamera(int32_t layerId)
{
    if (CPRender* render = GetRender())
        render->AddCamera(layerId, CPSmartPtr<CPBaseCamera>(mainCamera.Get()));
}

void CPCamera::AttachSecondCamera(int32_t layerId)
{
    if (CPRender* render = GetRender())
        render->AddCamera(layerId, CPSmartPtr<CPBaseCamera>(secondCamera.Get()));
}

CPSmartPtr<CPPerspectiveCamera> CPCamera::GetMainCamera() const
{
    return mainCamera;
}

const D3DXVECTOR3* CPCamera::GetEyePosition() const
{
    return &mainCamera->m_eye;
}

void CPCamera::SetFixedView(const D3DXVECTOR3& eye, const D3DXVECTOR3& target, const D3DXVECTOR3& up)
{
    fixedEye = eye;
    fixedLookAt = target;
    fixedUp = up;
    dirty = 1;
}

void CPCamera::SetHeading(float angle)
{
    yawAngle = angle;
    dirty = 1;
}

void CPCamera::SetPitch(float angle)
{
    pitchAngle = angle;
    dirty = 1;
}

void CPCamera::SetDistance(float distance)
{
    targetDistance = distance;
    if (currentDistance == 0.0f)
        currentDistance = distance;
}

void CPCamera::SetRequestedYaw(float angle)
{
    // Far-off values would take ages to bring into range.
    if (std::isfinite(angle))
        angle = std::fmod(angle, kTwoPi);
    while (angle > kTwoPi)
        angle -= kTwoPi;
    while (angle < 0.0f)
        angle += kTwoPi;
    requestedYaw = angle;
    dirty = 1;
}

void CPCamera::SetRoll(float angle)
{
    roll = angle;
    dirty = 1;
}

void CPCamera::SetLevelTree(const CPSmartPtr<CPLevelBranch>& tree)
{
    levelTree = tree;
}

void CPCamera::UpdateCamera(CPPerspectiveCamera& camera)
{
    const uint8_t projectionDirty = camera.m_projectionDirty;
    if (camera.m_fieldOfView <= 0.0f)
        camera.m_projectionDirty = 0;
    camera.Update();
    if (camera.m_fieldOfView <= 0.0f)
        camera.m_projectionDirty = projectionDirty;
}

void CPCamera::UpdateFixedView()
{
    if (!dirty)
        return;
    for (CPPerspectiveCamera* camera : { mainCamera.Get(), secondCamera.Get() }) {
        camera->m_eye = fixedEye;
        camera->m_target = fixedLookAt;
        camera->m_up = fixedUp;
        camera->m_viewDirty = 1;
        UpdateCamera(*camera);
    }
}

void CPCamera::UpdateShake(float t, bool crashed, float crashTime)
{
    if (crashed && g_CfgCamSpeed == kShakeDifficulty) {
        if (followSpeed > shakeAmplitude) {
            if (std::fabs((followSpeed - previousSpeed) / t) > 3.0f)
                shakeAmplitude += (followSpeed - shakeAmplitude) * t;
            else
                shakeAmplitude -= shakeAmplitude * t;
        }
        if (followSpeed <= shakeAmplitude)
            shakeAmplitude = 0.0f;
        previousSpeed = followSpeed;
        smoothedShake += (shakeAmplitude - smoothedShake) * t;
        const D3DXVECTOR3 toTarget = shakeTarget - shakeOffset;
        const float distance = D3DXVec3Length(&toTarget);
        float step = t * shakeAmplitude;
        if (step > distance) {
            step = distance;
            shakeTarget.x = RandomShake(shakeAmplitude);
            shakeTarget.y = RandomShake(shakeAmplitude);
            shakeTarget.z = RandomShake(shakeAmplitude);
        }
        shakeOffset += Normalised(toTarget) * (step * 1.8f);
    } else if (crashed) {
        shakeOffset = sideAxis * ((3.0f - crashTime) * g_FrameTime * 0.5f) * std::sin(crashTime * 30.0f);
    } else {
        shakeOffset = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    }
}

void CPCamera::Update()
{
    if (fixedView) {
        UpdateFixedView();
        return;
    }
    if (!dirty && yawAngle == requestedYaw)
        return;
    const float t = std::min(g_FrameTime, kMaxStep);
    const CPLevel* level = GetLevel();
    const FollowedCar car = ReadFollowedCar(level);

    // 1. Field of view and distance.
    fieldOfView += (targetFieldOfView - fieldOfView) * 2.0f * t;
    currentDistance += (targetDistance - currentDistance) * 2.0f * t;
    for (CPPerspectiveCamera* camera : { mainCamera.Get(), secondCamera.Get() }) {
        camera->m_fieldOfView = fieldOfView * kDegreesToRadians;
        camera->m_projectionDirty = 1;
    }

    // 2. Pitch correction: the nose lifts with speed.
    const float lift = std::max(Quotient(followSpeed, angleDiv) * 5.0f, kMinPitchLift);
    pitchOffset += (vehiclePitch - lift - pitchOffset) * 5.0f * t;

    // 3 and 4. Yaw from the followed heading, plus the steering lag.
    if (level) {
        const D3DXVECTOR3 flat = Normalised(D3DXVECTOR3(level->followedForward.x, level->followedForward.y, 0.0f));
        yawAngle = std::fabs(std::acos(std::min(1.0f, std::max(-1.0f, flat.x))));
        if (flat.y < 0.0f)
            yawAngle = -yawAngle;
    }
    steerLag += (car.steer - steerLag) * 6.0f * t;
    yawAngle += steerLag;
    if (yawAngle < 0.0f)
        yawAngle += kTwoPi;

    // 5. A lost race or a hard crash swings the camera against the track.
    if (level && (level->gameOver || (car.crashed && g_CfgCamSpeed == kShakeDifficulty)))
        yawAngle = level->trackDirection + kSwingAngle;

    // 6. The smoothed yaw follows the yaw the short way round.
    if (snap) {
        smoothedYaw = yawAngle;
        snap = 0;
    } else {
        if (yawAngle - smoothedYaw > kPi)
            smoothedYaw += kTwoPi;
        else if (yawAngle - smoothedYaw < -kPi)
            smoothedYaw -= kTwoPi;
        smoothedYaw += std::min(4.0f * t, 1.0f) * (yawAngle - smoothedYaw);
    }

    // 7. Crash shake; it needs a frame that took time.
    if (g_FrameTime != 0.0f)
        UpdateShake(t, car.crashed, car.crashTime);

    // 8 to 10. The offset from the look-at point.
    const float orbit = level && g_ScratchValue == 0.0f ? level->orbitAngle : 0.0f;
    D3DXMATRIX pitch;
    D3DXMATRIX yaw;
    D3DXMatrixRotationY(&pitch, pitchAngle - kHalfPi + Quotient(smoothedShake, angleDiv) + pitchOffset);
    D3DXMatrixRotationZ(&yaw, orbit + smoothedYaw);
    D3DXMATRIX turn;
    D3DXMatrixMultiply(&turn, &pitch, &yaw);
    D3DXVECTOR3 offset = Transform(turn, D3DXVECTOR3(0.0f, 0.0f, 1.0f));
    const float reach = currentDistance - Quotient(followSpeed, distanceDiv) + Quotient(smoothedShake, distanceDiv);
    const float kept = std::max(currentDistance * 0.5f, reach);
    offset *= kept;
    if (kept > reach)
        offset.z += reach - kept;

    // 11. Place both cameras.
    const D3DXVECTOR3 up = Transform(turn, D3DXVECTOR3(1.0f, 0.0f, 0.0f));
    for (CPPerspectiveCamera* camera : { mainCamera.Get(), secondCamera.Get() }) {
        camera->m_target = lookAt + shakeOffset;
        camera->m_eye = lookAt + offset;
        camera->m_up = up;
        camera->m_viewDirty = 1;
    }

    // 12. Re-aim by the pitch correction about the side axis.
    const D3DXVECTOR3 forward = Normalised(mainCamera->m_target - mainCamera->m_eye);
    const D3DXVECTOR3 upward = Normalised(mainCamera->m_up);
    D3DXVec3Cross(&sideAxis, &forward, &upward);
    const D3DXMATRIX tilt = RotationAbout(sideAxis, -pitchOffset);
    const D3DXVECTOR3 aimed = Transform(tilt, forward);
    D3DXVECTOR3 aimedUp = Transform(tilt, upward);

    // 13. Lean with the rider.
    if (level)
        aimedUp = Transform(RotationAbout(aimed, -0.5f * car.lean), aimedUp);
    for (CPPerspectiveCamera* camera : { mainCamera.Get(), secondCamera.Get() }) {
        camera->m_target = camera->m_eye + aimed;
        camera->m_up = aimedUp;
    }

    // 14.
    UpdateCamera(*mainCamera);
    UpdateCamera(*secondCamera);
}
