#include "Race/PLevel.h"

#include "Core/PGlobals.h"
#include "Core/PObjUpdater.h"
#include "Platform/Clock.h"
#include "Race/PCamera.h"
#include "Race/PLevelBranch.h"
#include "Race/PMiniMap.h"
#include "Race/PRaceLinks.h"
#include "Race/PSpline.h"
#include "Render/PRender.h"
#include "Startup/PConfigVars.h"
#include "Vehicles/PPlayer.h"

#include <cmath>

namespace
{
constexpr size_t kEnemySourceBuckets = 100;
constexpr size_t kVehicleSlots = 20;

// The active values of one camera view.
struct CameraView
{
    float CPLevel::*distance;
    float CPLevel::*height;
    float CPLevel::*angle;
    float CPLevel::*angleDiv;
    float CPLevel::*distanceDiv;
    float CPLevel::*blur;
    bool fixed;
    float engineVolume;
};

const CameraView kCameraViews[] = {
    { &CPLevel::camera1Distance, &CPLevel::camera1Height, &CPLevel::camera1Angle, &CPLevel::camera1AngleDiv,
      &CPLevel::camera1DistanceDiv, &CPLevel::camera1Blur, false, 0.3f },
    { &CPLevel::camera2Distance, &CPLevel::camera2Height, &CPLevel::camera2Angle, &CPLevel::camera2AngleDiv,
      &CPLevel::camera2DistanceDiv, &CPLevel::camera2Blur, false, 0.35f },
    { &CPLevel::camera1Distance, &CPLevel::camera1Height, &CPLevel::camera1Angle, &CPLevel::camera1AngleDiv,
      &CPLevel::camera1DistanceDiv, &CPLevel::camera3Blur, true, 0.4f },
};
}

CPLevel::CPLevel()
{
    g_Level = this;
    clockTime = static_cast<float>(timeGetTime());
    enemySources.reserve(kEnemySourceBuckets);
    vehicleLine.assign(kVehicleSlots, 0);
    vehicleProgress.assign(kVehicleSlots, 0);
    checkpointCursor = checkpoints.end();
}

CPLevel::~CPLevel()
{
    DeleteQuadTree(quadTree);
    quadTree = nullptr;
    gates.clear();
    ghostSamples.clear();
    miniMap = nullptr;
    ghostObject = nullptr;
    vehicles.clear();
    player = nullptr;
    followedVehicle = nullptr;
    // The chase camera outlives the level: it must not keep naming the tree
    // deleted below.
    if (camera && camera->levelTree.Get() == tree.Get())
        camera->SetLevelTree(nullptr);
    camera = nullptr;
    objects.clear();
    CPLevelBranch* root = tree.Get();
    tree = nullptr;
    delete root;
    ground = nullptr;
    roadPhysics = nullptr;
    sceneObject = nullptr;
    if (updateTask) {
        // The task may still be listed: it must not call into this level.
        updateTask->Stop();
        updateTask->Unbind();
        updateTask = nullptr;
    }
    centrePath = nullptr;
    leftPath = nullptr;
    rightPath = nullptr;
    enemySources.clear();
    checkpoints.clear();
    currentCheckpoint = nullptr;
    grid.clear();
    if (g_Level == this)
        g_Level = nullptr;
}

std::string CPLevel::GetTypeName() const
{
    return "CPLevel";
}

void CPLevel::SubmitLight()
{
    if (CPRender* render = GetRender())
        render->AddLight(light);
}

CPSmartPtr<CPCamera> CPLevel::GetCamera() const
{
    return camera;
}

CPSmartPtr<CPSpline> CPLevel::GetSpline() const
{
    return centrePath;
}

CPSmartPtr<CPSpline> CPLevel::GetLeftPath() const
{
    return leftPath;
}

CPSmartPtr<CPSpline> CPLevel::GetRightPath() const
{
    return rightPath;
}

void CPLevel::SetCameraView(int32_t view)
{
    cameraMode = view;
    if (view < 0 || view > 2)
        return;
    const CameraView& preset = kCameraViews[view];
    followedVehicle = player.Get();
    cameraHeight = this->*preset.height;
    cameraDistance = this->*preset.distance;
    cameraAngleDiv = this->*preset.angleDiv;
    cameraDistanceDiv = this->*preset.distanceDiv;
    cameraAngle = this->*preset.angle;
    if (camera)
        camera->fixedView = preset.fixed ? 1 : 0;
    if (CPRender* render = GetRender())
        render->UpdateBlurGrid(this->*preset.blur);
    if (!preset.fixed && camera && followedVehicle) {
        camera->SetHeading(VehicleHeading(*followedVehicle));
    }
    if (player)
        player->SetEngineVolume(g_CfgSoundVolume * preset.engineVolume);
}

float VehicleHeading(const CPGameObject& vehicle)
{
    D3DXMATRIX rotation;
    D3DXMatrixRotationQuaternion(&rotation, &vehicle.GetRotation());
    D3DXVECTOR3 forward;
    const D3DXVECTOR3 back(0.0f, -1.0f, 0.0f);
    D3DXVec3TransformNormal(&forward, &back, &rotation);
    const float heading = std::acos(std::min(1.0f, std::max(-1.0f, forward.x)));
    return forward.y < 0.0f ? -heading : heading;
}
