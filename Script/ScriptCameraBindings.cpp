#include "Script/ScriptCameraBindings.h"

#include "Core/PGlobals.h"
#include "Core/PUtils.h"
#include "Platform/CRand.h"
#include "Race/PCamera.h"
#include "Race/PLevel.h"
#include "Render/PLayerEntry.h"
#include "Render/PPerspectiveCamera.h"
#include "Render/PRender.h"
#include "Script/ScriptBinding.h"
#include "Startup/PConfigVars.h"
#include "Vehicles/PCar.h"
#include "Vehicles/PPlayer.h"

#include <cstdint>
#include <memory>

namespace
{
constexpr int32_t kViewCount = 3;
constexpr float kLowPitch = -0.2617994f;
constexpr float kTopPitch = -1.5707964f;
constexpr int32_t kLightValues = 15;

// One parameter of the tuning editor: the car's value and one step of it.
struct TuningRow
{
    float CPCar::*value;
    float step;
};

// In editor order: wheel geometry, springs, speeds, friction, acceleration,
// inertia.
const TuningRow kTuningRows[] = {
    { &CPCar::m_sensorInset, 0.01f },       { &CPCar::m_sensorHeight, 0.01f },
    { &CPCar::m_sensorLength, 0.01f },      { &CPCar::m_wheelRadius, 0.01f },
    { &CPCar::m_frontMinRadius, 0.01f },    { &CPCar::m_backMinRadius, 0.01f },
    { &CPCar::m_springFront, 1.0f },        { &CPCar::m_springRear, 1.0f },
    { &CPCar::m_damping, 10.0f },           { &CPCar::m_maxFrontSpeed, 1.0f },
    { &CPCar::m_maxRearSpeed, 1.0f },       { &CPCar::m_frictionFront, 1.0f },
    { &CPCar::m_frictionBack, 1.0f },       { &CPCar::m_slide, 0.05f },
    { &CPCar::m_accelerationFront, 1.0f },  { &CPCar::m_accelerationBack, 1.0f },
    { &CPCar::m_brakeAcceleration, 0.1f },  { &CPCar::m_yawInertia, 0.05f },
    { &CPCar::m_pitchInertia, 0.05f },
};
constexpr int32_t kLastTuningIndex = static_cast<int32_t>(sizeof(kTuningRows) / sizeof(kTuningRows[0])) - 1;

// The menus' camera: the renderer only counts its references, so the last
// one made is kept here and ends when the next one replaces it.
std::unique_ptr<CPPerspectiveCamera>& MenuCamera()
{
    static std::unique_ptr<CPPerspectiveCamera> camera;
    return camera;
}

// The chase camera of the current level, or null.
CPCamera* ChaseCamera()
{
    CPLevel* level = GetLevel();
    return level ? level->camera.Get() : nullptr;
}

void SwitchView(CPLevel& level, int32_t view)
{
    level.cameraMode = view;
    level.SetCameraView(view);
}

// The followed vehicle's car moves its selected parameter by steps.
void StepTuning(float steps)
{
    const CPRender* render = GetRender();
    const CPLevel* level = GetLevel();
    CPCar* car = level && level->followedVehicle ? level->followedVehicle->GetCarPtr() : nullptr;
    if (!render || !car)
        return;
    const int32_t index = render->m_tuningIndex;
    if (index < 0 || index > kLastTuningIndex)
        return;
    const TuningRow& row = kTuningRows[index];
    car->*row.value += steps * row.step;
}

void PushColour(lua_State* L, const D3DCOLORVALUE& colour)
{
    lua_pushnumber(L, colour.r);
    lua_pushnumber(L, colour.g);
    lua_pushnumber(L, colour.b);
    lua_pushnumber(L, colour.a);
}

void ReadColour(lua_State* L, int first, D3DCOLORVALUE& colour)
{
    colour.r = ScriptReadFloat(L, first);
    colour.g = ScriptReadFloat(L, first + 1);
    colour.b = ScriptReadFloat(L, first + 2);
    colour.a = ScriptReadFloat(L, first + 3);
}

void PushVector(lua_State* L, const D3DXVECTOR3& v)
{
    lua_pushnumber(L, v.x);
    lua_pushnumber(L, v.y);
    lua_pushnumber(L, v.z);
}
}

int ScriptApi::SetDefaultCamera(lua_State*)
{
    CPRender* render = GetRender();
    if (!render)
        return 0;
    auto camera = std::make_unique<CPPerspectiveCamera>();
    camera->m_fieldOfView = 1.2217305f;
    camera->m_near = 1.0f;
    camera->m_far = 1000.0f;
    camera->m_projectionDirty = 1;
    camera->m_eye = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    camera->m_target = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
    camera->m_up = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
    camera->m_viewDirty = 1;
    camera->Update();
    render->AddCamera(kLayerMenuCamera, camera.get());
    MenuCamera() = std::move(camera);
    return 0;
}

int ScriptApi::ChangeGameCamera(lua_State* L)
{
    CPLevel* level = GetLevel();
    if (!level) {
        lua_pushnumber(L, -1);
        return 1;
    }
    SwitchView(*level, (level->cameraMode + 1) % kViewCount);
    lua_pushnumber(L, level->cameraMode);
    return 1;
}

int ScriptApi::SetCameraPlayer(lua_State* L)
{
    const bool player = ScriptReadBool(L, 1);
    if (CPLevel* level = GetLevel())
        SwitchView(*level, player ? 1 : 0);
    return 0;
}

int ScriptApi::GetCameraPlayer(lua_State* L)
{
    const CPLevel* level = GetLevel();
    if (!level)
        return 0;
    lua_pushnumber(L, level->cameraMode);
    return 1;
}

int ScriptApi::SetCamera(lua_State* L)
{
    const int32_t style = ScriptReadBool(L, 1) ? 1 : 0;
    CPLevel* level = GetLevel();
    CPCamera* camera = ChaseCamera();
    if (!camera || style == level->orbitStyle)
        return 0;
    level->orbitStyle = style;
    level->orbitAngle = 0.0f;
    level->orbitDirection = crt::rand() % 2 != 0 ? 1.0f : -1.0f;
    if (style == 0) {
        camera->yawAngle = level->playerHeading;
        camera->dirty = 1;
    }
    camera->pitchAngle = crt::rand() % 4 == 0 ? kLowPitch : kTopPitch;
    camera->dirty = 1;
    return 0;
}

int ScriptApi::SetCameraPos(lua_State* L)
{
    const D3DXVECTOR3 lookAt(ScriptReadFloat(L, 1), ScriptReadFloat(L, 2), ScriptReadFloat(L, 3));
    if (CPCamera* camera = ChaseCamera()) {
        camera->lookAt = lookAt;
        camera->dirty = 1;
    }
    return 0;
}

int ScriptApi::SetCameraZAngle(lua_State* L)
{
    const float yaw = ScriptReadFloat(L, 1);
    if (CPCamera* camera = ChaseCamera()) {
        camera->yawAngle = yaw;
        camera->dirty = 1;
    }
    return 0;
}

int ScriptApi::GetCameraZAngle(lua_State* L)
{
    const CPCamera* camera = ChaseCamera();
    if (!camera)
        return 0;
    lua_pushnumber(L, camera->yawAngle);
    return 1;
}

int ScriptApi::GetCameraPositions(lua_State* L)
{
    const CPCamera* camera = ChaseCamera();
    if (!camera || !camera->mainCamera)
        return 0;
    PushVector(L, camera->mainCamera->m_eye);
    PushVector(L, camera->fixedView ? camera->fixedLookAt : camera->lookAt);
    return 6;
}

int ScriptApi::SetFOV(lua_State* L)
{
    const float degrees = ScriptReadFloat(L, 1);
    CPCamera* camera = ChaseCamera();
    if (!camera)
        return 0;
    camera->dirty = 1;
    camera->targetFieldOfView = degrees;
    if (camera->fieldOfView != 0.0f)
        return 0;
    // The first field of view takes effect at once.
    camera->fieldOfView = degrees;
    for (CPPerspectiveCamera* view : { camera->mainCamera.Get(), camera->secondCamera.Get() }) {
        if (!view)
            continue;
        view->m_fieldOfView = degrees * kDegreesToRadians;
        view->m_projectionDirty = 1;
    }
    return 0;
}

int ScriptApi::GetFov1(lua_State* L)
{
    const CPLevel* level = GetLevel();
    if (!level)
        return 0;
    lua_pushnumber(L, level->fov1);
    return 1;
}

int ScriptApi::GetFov2(lua_State* L)
{
    const CPLevel* level = GetLevel();
    if (!level)
        return 0;
    lua_pushnumber(L, level->fov2);
    return 1;
}

int ScriptApi::CheckVisible(lua_State* L)
{
    const CPGameObject* object = ScriptReadObject<CPGameObject>(L, 1);
    const CPCamera* camera = ChaseCamera();
    bool visible = false;
    if (object && camera && camera->mainCamera) {
        const CPBounds& bounds = object->GetPartBounds();
        visible = camera->mainCamera->IsBoxVisible(bounds.m_min, bounds.m_max);
    }
    lua_pushboolean(L, visible);
    return 1;
}

int ScriptApi::GetLight(lua_State* L)
{
    const CPLevel* level = GetLevel();
    if (!level || !lua_checkstack(L, kLightValues))
        return 0;
    const D3DLIGHT9& light = level->light;
    PushColour(L, light.Diffuse);
    PushColour(L, light.Specular);
    PushColour(L, light.Ambient);
    PushVector(L, light.Direction);
    return kLightValues;
}

int ScriptApi::SetLight(lua_State* L)
{
    CPLevel* level = GetLevel();
    if (!level)
        return 0;
    D3DLIGHT9& light = level->light;
    ReadColour(L, 1, light.Diffuse);
    ReadColour(L, 5, light.Specular);
    ReadColour(L, 9, light.Ambient);
    light.Direction = D3DXVECTOR3(ScriptReadFloat(L, 13), ScriptReadFloat(L, 14), ScriptReadFloat(L, 15));
    return 0;
}

int ScriptApi::SetLightCoeff(lua_State* L)
{
    const float coefficient = ScriptReadFloat(L, 1);
    if (CPRender* render = GetRender())
        render->m_lightCoeff = coefficient;
    return 0;
}

int ScriptApi::SetMotionBlur(lua_State* L)
{
    const float amount = ScriptReadFloat(L, 1);
    if (CPRender* render = GetRender())
        render->SetMotionBlur(amount);
    return 0;
}

int ScriptApi::SetRadialBlur(lua_State* L)
{
    const float amount = ScriptReadFloat(L, 1);
    if (CPRender* render = GetRender())
        render->m_radialBlur = amount;
    return 0;
}

int ScriptApi::SetFade(lua_State* L)
{
    const float fade = ScriptReadFloat(L, 1);
    if (CPRender* render = GetRender())
        render->SetFade(fade);
    return 0;
}

int ScriptApi::GetBrightness(lua_State* L)
{
    lua_pushnumber(L, g_CfgPlane);
    return 1;
}

int ScriptApi::SetBrightness(lua_State*)
{
    return 0;
}

int ScriptApi::SetLensFlare(lua_State* L)
{
    for (int i = 1; i <= 3; ++i)
        (void)ScriptReadFloat(L, i);
    return 0;
}

int ScriptApi::Pup(lua_State*)
{
    if (CPRender* render = GetRender())
        render->m_tuningIndex = render->m_tuningIndex > 0 ? render->m_tuningIndex - 1 : 0;
    return 0;
}

int ScriptApi::Pdown(lua_State*)
{
    if (CPRender* render = GetRender())
        render->m_tuningIndex =
            render->m_tuningIndex < kLastTuningIndex ? render->m_tuningIndex + 1 : kLastTuningIndex;
    return 0;
}

int ScriptApi::Pleft(lua_State*)
{
    StepTuning(-1.0f);
    return 0;
}

int ScriptApi::Pright(lua_State*)
{
    StepTuning(1.0f);
    return 0;
}
