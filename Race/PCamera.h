// The chase camera: the race's camera rig. It owns two perspective cameras
// that always look the same way, the main one clipped at the configured
// drawing distance and published as the active camera, the second one
// clipped at 2000 for the distant layers. The race update writes its inputs
// each frame; Update smooths them, adds the crash shake and places both
// cameras behind the followed vehicle, or at the fixed view.
#pragma once

#include "Core/PManagedObject.h"
#include "Core/PSmartPtr.h"
#include "Platform/D3DX9Math.h"

#include <cstdint>
#include <string>

class CPLevelBranch;
class CPPerspectiveCamera;

// The scratch value that scripts write with SetTemp; while it is 0 the chase
// camera turns with the level's orbit angle. 1.0 at start.
extern float g_ScratchValue;

class CPCamera : public CPManagedObject
{
public:
    static constexpr float kSecondFar = 2000.0f;

    // Makes both perspective cameras and publishes the main one as the
    // active camera.
    CPCamera();
    // Releases both cameras and the tree; the active camera is cleared when
    // it is this camera's main one. Whoever made the rig destroys the two
    // perspective cameras once nothing draws with them.
    ~CPCamera() override;

    int32_t GetObjectSize() const override;
    // "CPCamera".
    std::string GetTypeName() const override;

    // Once per frame after the race update has written the inputs.
    void Update();
    // Registers a camera with the renderer under a draw-layer id.
    void AttachMainCamera(int32_t layerId);
    void AttachSecondCamera(int32_t layerId);
    CPSmartPtr<CPPerspectiveCamera> GetMainCamera() const;
    const D3DXVECTOR3* GetEyePosition() const;
    float GetYaw() const { return yawAngle; }

    void SetFixedView(const D3DXVECTOR3& eye, const D3DXVECTOR3& target, const D3DXVECTOR3& up);
    void SetHeading(float angle);
    void SetPitch(float angle);
    // The distance asked for; also the current one while that is 0.
    void SetDistance(float distance);
    // Stored within [0, 2 pi].
    void SetRequestedYaw(float angle);
    // Stored only.
    void SetRoll(float angle);
    void SetLevelTree(const CPSmartPtr<CPLevelBranch>& tree);

    D3DXVECTOR3 sideAxis;
    float steerLag = 0.0f;
    float currentDistance = 0.0f;
    float targetDistance = 0.0f;
    float yawAngle = -1.5707964f;
    float requestedYaw = 0.0f;
    float pitchAngle = 0.0f;
    uint8_t dirty = 1;
    // Degrees.
    float fieldOfView = 0.0f;
    float targetFieldOfView = 0.0f;
    D3DXVECTOR3 lookAt;
    CPSmartPtr<CPPerspectiveCamera> mainCamera;
    CPSmartPtr<CPPerspectiveCamera> secondCamera;
    CPSmartPtr<CPLevelBranch> levelTree;
    uint8_t fixedView = 0;
    D3DXVECTOR3 shakeTarget;
    D3DXVECTOR3 shakeOffset;
    float shakeAmplitude = 0.0f;
    float smoothedShake = 0.0f;
    float previousSpeed = 0.0f;
    float angleDiv = 0.0f;
    float distanceDiv = 0.0f;
    float followSpeed = 0.0f;
    D3DXVECTOR3 fixedLookAt;
    D3DXVECTOR3 fixedEye;
    D3DXVECTOR3 fixedUp;
    float vehiclePitch = 0.0f;
    float pitchOffset = 0.0f;
    float smoothedYaw = 0.0f;
    float roll = 0.0f;
    // Set by a respawn: the next chase update takes the yaw at once.
    uint8_t snap = 0;

private:
    // Runs the perspective camera's update; a pending projection waits while
    // the field of view is 0 or less.
    static void UpdateCamera(CPPerspectiveCamera& camera);
    void UpdateFixedView();
    void UpdateShake(float t, bool crashed, float crashTime);
};
