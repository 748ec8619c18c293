#include "Host/PHostShots.h"

#include "Core/PGameHost.h"
#include "Core/PGlobals.h"
#include "Host/PHostFrame.h"
#include "Race/PGameData.h"
#include "Race/PLevel.h"
#include "Render/PMaterial.h"
#include "Render/PRender.h"
#include "Render/PRenderObject.h"
#include "Render/PRenderQueue.h"
#include "Vehicles/PPlayer.h"

#include <algorithm>

namespace
{

enum HostShotEntry : size_t
{
    kEntrySpeed = 1,
    kEntryDamage = 2,
    kEntryLife = 3,
    kEntryHitEffect = 4,
};

// A bonus put into the world stands where it was fired for this long.
const CPShotRecord kBonusRecord = { "bonus", "0", "0", "10", "", "none" };

// The object a shot's ray must never hit: the root of its owner's hierarchy
// (a weapon's vehicle), or the owner itself.
CPGameObject* RootOf(CPGameObject* object)
{
    while (object) {
        CPSmartPtr<CPGameObject> parent = object->GetParent();
        if (!parent)
            break;
        object = parent.Get();
    }
    return object;
}

} // namespace

// --- CPHostShot ------------------------------------------------------------

CPHostShot::CPHostShot(const std::string& typeName)
    : CPShot(typeName)
{
}

void CPHostShot::Clone(CPSmartPtr<CPShot>& out) const
{
    auto* shot = new CPHostShot(m_shotType);
    shot->Init(m_record);
    out = shot;
}

bool CPHostShot::Init(const CPShotRecord& record)
{
    m_record = record;
    m_recordSpeed = ShotRecordFloat(record, kEntrySpeed);
    m_recordDamage = ShotRecordFloat(record, kEntryDamage);
    m_lifeTime = ShotRecordFloat(record, kEntryLife);
    m_hitEffect = ShotRecordEntry(record, kEntryHitEffect);
    return CPShot::Init(record);
}

void CPHostShot::Launch(const D3DXVECTOR3& position, const D3DXVECTOR3& direction, float speed,
                        const CPSmartPtr<CPGameObject>& owner, const float* carSpeed)
{
    CPShot::Launch(position, direction, speed, owner, carSpeed);
    m_damage = speed <= -1.0f ? m_recordDamage : speed;
    m_flightSpeed = m_recordSpeed + (carSpeed ? *carSpeed : 0.0f);
    m_age = 0.0f;
    m_heading = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    if (D3DXVec3LengthSq(&direction) > 0.0f)
        D3DXVec3Normalize(&m_heading, &direction);
    CPGameObject* root = RootOf(owner.Get());
    m_ownerId = root ? root->GetId() : 0;
    SetPosition(position);
    UpdateTransform();
}

bool CPHostShot::IsAlive()
{
    if (m_age >= m_lifeTime)
        return false;
    const float step = std::max(m_flightSpeed, 0.0f) * g_FrameTime;
    const D3DXVECTOR3& heading = m_heading;
    CPLevel* level = GetLevel();
    if (level && step > 0.0f && D3DXVec3LengthSq(&heading) > 0.0f) {
        CPSmartPtr<CPGameObject> excluded;
        if (m_ownerId)
            excluded = static_cast<CPGameObject*>(CPManagedObject::FindLive(m_ownerId));
        CPRayQuery vehicleRay;
        vehicleRay.excluded = excluded;
        vehicleRay.origin = m_shotPosition;
        vehicleRay.direction = heading;
        vehicleRay.distance = step;
        const bool vehicleHit = level->RayHitsVehicle(vehicleRay);
        // The level's objects only count when nearer than the vehicle hit.
        CPRayQuery objectRay;
        objectRay.excluded = excluded;
        objectRay.origin = m_shotPosition;
        objectRay.direction = heading;
        objectRay.distance = vehicleHit ? vehicleRay.distance : step;
        const bool objectHit = level->CrossRay(objectRay) && objectRay.hitObject;
        if (vehicleHit || objectHit) {
            const CPRayQuery& hit = objectHit ? objectRay : vehicleRay;
            DamageHit(hit);
            m_shotPosition = hit.hitPoint;
            SetPosition(m_shotPosition);
            UpdateTransform();
            if (!m_hitEffect.empty()) {
                if (CPShotManager* shots = GetShotManager())
                    shots->Fire(m_hitEffect, hit.hitPoint, -heading, -1.0f, CPSmartPtr<CPGameObject>());
            }
            m_age = m_lifeTime;
            return false;
        }
    }
    m_shotPosition += heading * step;
    SetPosition(m_shotPosition);
    UpdateTransform();
    m_age += g_FrameTime;
    return true;
}

void CPHostShot::DamageHit(const CPRayQuery& query) const
{
    if (m_damage <= 0.0f || !query.hitObject)
        return;
    // A race vehicle takes the damage itself; an enemy through the object
    // its controller hangs on; anything else hears it through its handler.
    for (CPGameObject* object = query.hitObject.Get(); object; object = object->GetParent().Get()) {
        if (CPPlayer* vehicle = object->AsPlayer()) {
            vehicle->Damage(m_damage);
            return;
        }
        if (object->GetEnemyController()) {
            object->Damage(query.hitPoint, m_heading, m_damage, false, 0);
            return;
        }
    }
    CPGameObject* target = query.hitOwner ? query.hitOwner.Get() : query.hitObject.Get();
    target->Damage(query.hitPoint, m_heading, m_damage, false, 0);
}

// --- The host's templates and frame step -----------------------------------

const std::vector<CPHostShotType>& GetHostShotTypes()
{
    // side, speed, damage, time in flight, hit effect, sound.
    static const std::vector<CPHostShotType> kTypes = {
        // The race vehicle's weapons; they pass their own damage.
        { "trasser11", { "player", "150", "10", "1.0", "sparks", "none" } },
        { "trasser12", { "player", "150", "10", "1.0", "sparks", "none" } },
        { "trasser13", { "player", "120", "6", "0.5", "sparks", "none" } },
        { "srocket1", { "player", "60", "40", "3.0", "rocket_exp2", "none" } },
        { "rocket1", { "player", "50", "60", "4.0", "rocket_exp2", "none" } },
        { "plazma", { "player", "80", "30", "2.0", "sparks", "none" } },
        { "gauss1", { "player", "300", "80", "1.0", "sparks", "none" } },
        // The enemies' volleys.
        { "trasser21", { "enemy", "120", "5", "1.5", "sparks", "none" } },
        { "trasser22", { "enemy", "120", "5", "1.5", "sparks", "none" } },
        { "trasser23", { "enemy", "100", "3", "0.8", "sparks", "none" } },
        { "srocket2", { "enemy", "40", "20", "4.0", "rocket_exp2", "none" } },
        { "plazma_shot2", { "enemy", "50", "10", "3.0", "sparks", "none" } },
        // Effects: they stand (gibs fly) and hurt nothing.
        { "sparks", { "effect", "0", "0", "0.5", "", "none" } },
        { "sparks4", { "effect", "0", "0", "0.5", "", "none" } },
        { "sparks4_remont", { "effect", "0", "0", "0.5", "", "none" } },
        { "sparks4red", { "effect", "0", "0", "0.5", "", "none" } },
        { "sparks4_gloom", { "effect", "0", "0", "0.5", "", "none" } },
        { "rocket_exp2", { "effect", "0", "0", "1.0", "", "none" } },
        { "super", { "effect", "0", "0", "1.0", "", "none" } },
        { "oil1", { "effect", "0", "0", "0.5", "", "none" } },
        { "blood1", { "effect", "0", "0", "0.5", "", "none" } },
        { "gib1", { "effect", "10", "0", "2.0", "", "none" } },
        { "gib2", { "effect", "10", "0", "2.0", "", "none" } },
    };
    return kTypes;
}

void CreateHostShots()
{
    g_ShotManager = new CPShotManager();
    g_HostFrameWork = StepHostShots;
    for (const CPHostShotType& type : GetHostShotTypes()) {
        auto shot = std::make_unique<CPHostShot>(type.name);
        shot->Init(type.record);
        g_ShotManager->RegisterTemplate(std::move(shot));
    }
}

void DestroyHostShots()
{
    g_HostFrameWork = nullptr;
    delete g_ShotManager;
    g_ShotManager = nullptr;
}

void RegisterBonusShotTemplates()
{
    CPShotManager* shots = GetShotManager();
    const CPGameData* gameData = GetGameData();
    if (!shots || !gameData)
        return;
    for (const CPMissionCheckpoint& checkpoint : gameData->m_checkpoints) {
        for (const CPWeightedName& kind : checkpoint.bonusTypes) {
            if (kind.name.empty())
                continue;
            const CPShotManager::ShotList* pool = shots->GetPool(kind.name);
            if (pool && !pool->empty())
                continue;
            auto shot = std::make_unique<CPHostShot>(kind.name);
            shot->Init(kBonusRecord);
            shots->RegisterTemplate(std::move(shot));
        }
    }
}

void StepHostShots()
{
    CPShotManager* shots = GetShotManager();
    if (!shots)
        return;
    RegisterBonusShotTemplates();
    CPShotManager::ShotList& active = shots->GetActiveShots();
    // A step may fire further shots onto the list; they start next frame.
    const size_t stepped = active.size();
    CPShotManager::ShotList flying;
    for (size_t i = 0; i < stepped; ++i) {
        const CPSmartPtr<CPShot> shot = active[i];
        if (shot->IsAlive())
            flying.push_back(shot);
        else
            shots->ReturnToPool(shot);
    }
    flying.insert(flying.end(), active.begin() + static_cast<std::ptrdiff_t>(stepped), active.end());
    active.swap(flying);

    CPRender* render = GetRender();
    CPSmartPtr<CPRenderQueue> queue = render ? render->GetRenderQueue() : CPSmartPtr<CPRenderQueue>();
    if (!queue)
        return;
    for (const CPSmartPtr<CPShot>& shot : active) {
        if (!shot->IsVisible() || shot->GetKind() != kBodyRenderObject || !shot->GetBody())
            continue;
        const auto* body = static_cast<const CPRenderObject*>(shot->GetBody().Get());
        if (body->GetMaterial())
            queue->AddObjectTree(CPSmartPtr<CPGameObject>(shot.Get()));
    }
}
