#include "Vehicles/PPlayer.h"

#include "Core/PBounds.h"
#include "Core/PGameHost.h"
#include "Core/PGlobals.h"
#include "Core/PUtils.h"
#include "Race/PCamera.h"
#include "Race/PLevel.h"
#include "Race/PSpline.h"
#include "Render/PDecal.h"
#include "Render/PMaterialManager.h"
#include "Render/PPerspectiveCamera.h"
#include "Render/PRender.h"
#include "Render/PRenderObject.h"
#include "Render/PRenderObjectManager.h"
#include "Render/PRenderQueue.h"
#include "Startup/PConfigVars.h"
#include "Vehicles/PCar.h"
#include "Vehicles/PPhysicBody.h"
#include "Vehicles/PPhysicData.h"

#include <cmath>
#include <vector>

namespace
{
constexpr float kPi = 3.1415927f;
constexpr float kHalfPi = 1.5707964f;
constexpr float kFlatTilt = 0.0001f;
constexpr float kMaxTilt = 1.4835299f;
constexpr float kStuckDriveTime = 2.0f;
constexpr float kStuckClock = 0.2f;
constexpr float kRespawnPause = 1.0f;
constexpr float kSearchRadius = 40.0f;
constexpr float kHeadingRadius = 20.0f;
constexpr float kClearRadius = 5.0f;
constexpr float kDropHeight = 3.0f;
constexpr int32_t kHardDifficulty = 3;
constexpr int32_t kShadowLayer = 120;
constexpr float kShadowDistanceSq = 10000.0f;
constexpr float kFadeDownSeconds = 0.1f;
constexpr float kFadeUpSeconds = 0.4f;

bool Overlap(const CPBounds& a, const CPBounds& b)
{
    return std::fabs(a.m_centre.x - b.m_centre.x) <= a.m_halfSize.x + b.m_halfSize.x
        && std::fabs(a.m_centre.y - b.m_centre.y) <= a.m_halfSize.y + b.m_halfSize.y
        && std::fabs(a.m_centre.z - b.m_centre.z) <= a.m_halfSize.z + b.m_halfSize.z;
}

// How far a body of this rotation leans from upright: the angle between its
// down axis and the world's; 0 when it is within a hair of upright.
float TiltOf(const D3DXQUATERNION& rotation)
{
    D3DXMATRIX turn;
    D3DXMatrixRotationQuaternion(&turn, &rotation);
    D3DXVECTOR3 u;
    const D3DXVECTOR3 down(0.0f, 0.0f, -1.0f);
    D3DXVec3TransformNormal(&u, &down, &turn);
    D3DXVec3Normalize(&u, &u);
    const float c = -u.z;
    return std::fabs(c) < kFlatTilt ? 0.0f : SafeAcos(c);
}

D3DXQUATERNION Heading(float angle)
{
    D3DXMATRIX turn;
    D3DXMatrixRotationZ(&turn, angle + kHalfPi);
    D3DXQUATERNION rotation;
    D3DXQuaternionRotationMatrix(&rotation, &turn);
    return rotation;
}
}

void CPPlayer::Respawn(bool force)
{
    CPLevel* level = GetLevel();
    CPCar* car = GetCarPtr();

    // 1. Falling.
    const D3DXVECTOR4 v = car ? car->m_velocity : D3DXVECTOR4();
    const bool falling = (v.x * v.x + v.y * v.y) * 1.5f < v.z * v.z && v.z < -5.0f;

    // 2. Tilt, of the rotation as it is now; its angle is worked out only
    // when nothing before it decides.
    const D3DXQUATERNION pose = GetRotation();

    // 3. The end of a crash.
    bool forced = false;
    if (car && car->m_crashed) {
        const float levelIndex = level ? static_cast<float>(level->levelIndex) : 0.0f;
        float limit = m_arrows ? levelIndex * 0.05f + 0.4f : 1.5f;
        limit *= g_CfgCamSpeed == kHardDifficulty ? 5.0f : 3.0f;
        if (car->m_crashClock >= limit) {
            car->SetCrashed(0);
            forced = g_CfgCamSpeed == kHardDifficulty;
        }
    }

    // 4. Stuck.
    bool stuck = false;
    if (m_driveTime > kStuckDriveTime) {
        const D3DXVECTOR3 moved = GetPosition() - m_lastStuckPosition;
        stuck = D3DXVec3LengthSq(&moved) < 1.0f && !m_arrows && level && level->respawnTimer > kStuckClock;
        m_lastStuckPosition = GetPosition();
        m_driveTime = 0.0f;
    }

    // 5. Whether to respawn.
    const CPSmartPtr<CPPhysicData>& data = GetPhysicData();
    const bool offTerrain = data && data->m_terrainTriangleCount == 0;
    if (m_locked || m_respawnTime > 0.0f || !level)
        return;
    if (!(offTerrain || force || forced || falling || stuck || std::fabs(TiltOf(pose)) > kMaxTilt))
        return;

    // 6. Back onto the centre path.
    const bool isPlayer = level->player.Get() == this;
    level->respawnTimer = 0.0f;
    m_respawnTime = kRespawnPause;
    if (isPlayer) {
        m_fadeClock = 0.0f;
        m_fadeDown = 1;
        m_fadeUp = 0;
    }
    const CPSmartPtr<CPSpline> spline = level->GetSpline();
    CPLine* line = nullptr;
    if (m_arrows)
        line = level->centreLineHint;
    else if (spline)
        line = spline->GetCurrentLine();
    const D3DXVECTOR3 position = GetPosition();
    float radius = kSearchRadius;
    float heading = spline ? spline->FindNearestLine(position, radius, 0, line) : 0.0f;
    if (level->reversed)
        heading += kPi;
    if (isPlayer && level->camera) {
        level->camera->SetHeading(heading);
        level->camera->snap = 1;
    }

    if (data && data->m_rigidBody) {
        CPPhysicBody* body = data->m_rigidBody;
        const D3DXVECTOR4 zero;
        body->SetForceAtPoint(zero, D3DXVECTOR4(position.x, position.y, position.z, 0.0f));
        body->SetTorque(zero);
        body->SetAngularMomentum(zero);
        body->SetVelocity(zero);
    }

    // Placement: the first free point of left, centre and right, else the
    // right one.
    D3DXVECTOR3 point = position;
    if (line) {
        std::vector<CPPlayer*> others;
        for (const CPSmartPtr<CPPlayer>& vehicle : level->vehicles) {
            if (vehicle && vehicle.Get() != this)
                others.push_back(vehicle.Get());
        }
        if (!isPlayer && level->player)
            others.push_back(level->player.Get());
        const CPBounds& own = GetObjectBounds();
        const D3DXVECTOR3 candidates[3] = { line->start, line->centre, line->end };
        for (const D3DXVECTOR3& candidate : candidates) {
            point = candidate;
            bool free = true;
            for (const CPPlayer* other : others) {
                const CPBounds& theirs = other->GetObjectBounds();
                if (Overlap(own, theirs) || theirs.SphereTest(candidate, kClearRadius)) {
                    free = false;
                    break;
                }
            }
            if (free)
                break;
        }
    }
    SetPosition(point + D3DXVECTOR3(0.0f, 0.0f, kDropHeight));

    radius = kHeadingRadius;
    heading = spline ? spline->FindNearestLine(point, radius, 0, line) : heading;
    if (level->reversed)
        heading += kPi;
    const D3DXQUATERNION rotation = Heading(heading);
    SetRotation(rotation);
    if (isPlayer && level->camera) {
        level->camera->SetHeading(heading);
        level->camera->snap = 1;
    }
    if (data)
        data->SetBodyRotation(rotation);
    UpdateTransform();
}

bool CPPlayer::CreateShadow()
{
    m_dead = 0;
    m_deathReported = 0;
    // The engine's heat and cool rates come with the description.
    if (const TiXmlElement* engine = GetDescription().FirstChildElement("engine")) {
        double value = 0.0;
        if (engine->QueryDoubleAttribute("heat", &value) == TIXML_SUCCESS)
            m_heatRate = static_cast<float>(value);
        if (engine->QueryDoubleAttribute("cool", &value) == TIXML_SUCCESS)
            m_coolRate = static_cast<float>(value);
    }

    CPRenderObjectManager* objects = GetRenderObjectManager();
    m_shadow = objects ? objects->LoadRenderObject("shadow.rdf", kShadowLayer) : CPSmartPtr<CPGameObject>();
    if (!m_shadow)
        return true;
    CPRenderObject* body = m_shadow->GetKind() == kBodyRenderObject
        ? static_cast<CPRenderObject*>(m_shadow->GetBody().Get())
        : nullptr;
    const CPCar* car = GetCarPtr();
    if (CPMaterialManager* materials = GetMaterialManager(); materials && body) {
        const std::vector<std::string> textures = { car ? car->m_shadowName : std::string() };
        body->SetMaterial(materials->GetMaterial(kShadowLayer, "shadow.fx", textures));
    }
    if (const CPSmartPtr<CPPhysicData> shadowData = m_shadow->GetPhysicData())
        shadowData->ReleaseBody();
    m_shadow->SetVisible(true);
    m_shadow->SetScriptHandler(nullptr);
    m_shadow->SetStatic(true);
    if (body)
        body->SetHidden(false);
    return true;
}

void CPPlayer::Draw(CPRenderQueue& queue, const CPSmartPtr<CPCamera>& camera)
{
    const CPSmartPtr<CPPerspectiveCamera> view = camera ? camera->GetMainCamera() : CPSmartPtr<CPPerspectiveCamera>();
    const CPBounds& bounds = GetObjectBounds();
    if (view && view->IsBoxVisible(bounds.m_min, bounds.m_max)) {
        queue.AddObjectTree(CPSmartPtr<CPGameObject>(this));
        const D3DXVECTOR3 away = GetPosition() - view->m_eye;
        if (m_shadow && D3DXVec3LengthSq(&away) < kShadowDistanceSq) {
            ProjectDecal(m_shadow, GetWorldMatrix(), GetPhysicData());
            queue.AddObjectTree(m_shadow);
        }
    }

    CPLevel* level = GetLevel();
    CPRender* render = GetRender();
    if (!level || level->player.Get() != this || !render)
        return;
    if (m_fadeUp) {
        m_fadeClock += g_FrameTime;
        render->SetFade(m_fadeClock * 2.5f);
        if (m_fadeClock >= kFadeUpSeconds) {
            m_fadeUp = 0;
            m_fadeDown = 0;
            render->SetFade(1.0f);
        }
    }
    if (m_fadeDown) {
        m_fadeClock += g_FrameTime;
        render->SetFade((kFadeDownSeconds - m_fadeClock) * 10.0f);
        if (m_fadeClock >= kFadeDownSeconds) {
            m_fadeDown = 0;
            m_fadeUp = 1;
            render->SetFade(0.0f);
            m_fadeClock = 0.0f;
        }
    }
}
