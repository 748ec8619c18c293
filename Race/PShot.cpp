#include "Race/PShot.h"

#include "Core/PGameHost.h"
#include "Core/PGlobals.h"
#include "Core/PTokenizer.h"
#include "Core/PUtils.h"
#include "Race/PCamera.h"
#include "Race/PLevel.h"
#include "Render/PMaterialManager.h"
#include "Render/PRenderObject.h"
#include "Sound/NSound.h"
#include "Sound/NSoundManager.h"

#include <cmath>
#include <cstdlib>

namespace
{

const char kShotObjectName[] = "CPShot";
const char kNoSound[] = "none";
const char kSound2D[] = "2d";

// The ribbon's corners in order, with their first texture coordinates.
const float kRibbonUV[4][2] = { { 0.0f, 0.0f }, { 1.0f, 0.0f }, { 1.0f, 1.0f }, { 0.0f, 1.0f } };
const uint16_t kRibbonIndices[6] = { 0, 1, 2, 0, 2, 3 };

// The bolt that StartLighting makes.
const float kLightingSpeed = 10.0f;
const CPShotRecord& LightingRecord()
{
    static const CPShotRecord kRecord = { "enemy", "10",         "1.5",
                                          "1.5",   "razlom.dds", "light_nofog.fx",
                                          "103",   "sparks",     "lightning.wav,3d" };
    return kRecord;
}

} // namespace

const std::string& ShotRecordEntry(const CPShotRecord& record, size_t index)
{
    static const std::string kEmpty;
    return index < record.size() ? record[index] : kEmpty;
}

float ShotRecordFloat(const CPShotRecord& record, size_t index)
{
    return static_cast<float>(std::atof(ShotRecordEntry(record, index).c_str()));
}

// --- CPShot ----------------------------------------------------------------

CPShot::CPShot(const std::string& typeName)
    : CPGameObject(kShotObjectName)
    , m_shotType(typeName)
{
    m_shotBody = MakeBody();
}

CPShot::~CPShot()
{
    // The bodies end with this shot: drop the game object's reference first.
    SetBody(nullptr, kBodyRenderObject);
}

CPRenderObject* CPShot::MakeBody()
{
    m_ownedBodies.push_back(std::make_unique<CPRenderObject>(this));
    CPRenderObject* body = m_ownedBodies.back().get();
    SetBody(body, kBodyRenderObject);
    return body;
}

std::string CPShot::GetShotType() const
{
    return m_shotType;
}

bool CPShot::Init(const CPShotRecord& record)
{
    if (record.empty())
        return true;
    CPTokenizer tokens(record.back(), ",", 0);
    std::string mode;
    tokens.NextToken(m_soundName);
    tokens.NextToken(mode);
    if (m_soundName == kNoSound)
        return true;
    CNSoundManager* sounds = GetSoundManager();
    m_sound2D = mode == kSound2D ? 1 : 0;
    m_sound = sounds ? sounds->LoadSound(m_soundName, m_sound2D ? 0 : 1, false) : CPSmartPtr<CNSound>();
    return true;
}

void CPShot::Launch(const D3DXVECTOR3& position, const D3DXVECTOR3& direction, float speed,
                    const CPSmartPtr<CPGameObject>& owner, const float* carSpeed)
{
    (void)owner;
    (void)carSpeed;
    m_speed = speed;
    m_shotPosition = position;
    m_direction = direction;

    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, &direction);
    const D3DXVECTOR3 axis(n.z, 0.0f, -n.x);
    D3DXQUATERNION rotation;
    D3DXQuaternionRotationAxis(&rotation, &axis, -SafeAcos(-n.y));
    SetRotation(rotation);

    if (m_sound) {
        if (!m_sound2D) {
            const D3DXVECTOR3 still(0.0f, 0.0f, 0.0f);
            CNSoundManager::SetSoundPosition(m_sound, position, still);
        }
        m_sound->SetFrameStamp(static_cast<int32_t>(g_FrameCounter));
        m_sound->Stop();
        m_sound->Rewind();
        m_sound->Play(0, 0);
    }
}

int32_t CPShot::UpdateTrasser(CPSmartPtr<CPGameObject>& out)
{
    (void)out;
    return -1;
}

// --- CPBoltShot ------------------------------------------------------------

CPBoltShot::CPBoltShot(const std::string& typeName)
    : CPShot(typeName)
{
}

void CPBoltShot::Clone(CPSmartPtr<CPShot>& out) const
{
    out = nullptr;
}

bool CPBoltShot::IsAlive()
{
    CPSmartPtr<CPGameObject> scratch;
    return Update(scratch) > 0;
}

bool CPBoltShot::Init(const CPShotRecord& record)
{
    m_growthRate = ShotRecordFloat(record, 1);
    m_halfWidth = ShotRecordFloat(record, 3);
    m_texture = ShotRecordEntry(record, 4);
    m_effect = ShotRecordEntry(record, 5);
    m_layer = StringToInt(ShotRecordEntry(record, 6).c_str());
    m_followUpType = ShotRecordEntry(record, 7);

    CPRenderObject* ribbon = MakeBody();
    m_ribbon = ribbon;
    if (CPMaterialManager* materials = GetMaterialManager())
        ribbon->SetMaterial(materials->GetMaterial(m_layer, m_effect, { m_texture }));
    ribbon->GetIndices().assign(std::begin(kRibbonIndices), std::end(kRibbonIndices));
    std::vector<CPVertex> corners(4);
    for (size_t i = 0; i < corners.size(); ++i) {
        corners[i].diffuse = 0xFFFFFFFF;
        corners[i].u1 = kRibbonUV[i][0];
        corners[i].v1 = kRibbonUV[i][1];
    }
    ribbon->GetLocalVertices() = corners;
    ribbon->GetWorldVertices() = corners;
    return CPShot::Init(record);
}

void CPBoltShot::Launch(const D3DXVECTOR3& position, const D3DXVECTOR3& direction, float speed,
                        const CPSmartPtr<CPGameObject>& owner, const float* carSpeed)
{
    (void)owner;
    (void)carSpeed;
    m_grownLength = 0.0f;
    CPShot::Launch(position, direction, speed, CPSmartPtr<CPGameObject>(), nullptr);
    m_startPoint = position;
    if (m_ribbon && m_ribbon->GetWorldVertices().size() >= 3) {
        m_ribbon->GetWorldVertices()[1].u1 = 1.0f;
        m_ribbon->GetWorldVertices()[2].u1 = 1.0f;
    }
}

int32_t CPBoltShot::UpdateTrasser(CPSmartPtr<CPGameObject>& out)
{
    return Update(out);
}

int32_t CPBoltShot::Update(CPSmartPtr<CPGameObject>& out)
{
    const float step = g_FrameTime * m_growthRate;
    m_grownLength += step;
    if (m_grownLength > kMaxLength)
        return -1;

    CPLevel* level = GetLevel();
    if (level) {
        CPRayQuery query;
        query.origin = m_shotPosition;
        query.direction = m_direction;
        query.distance = step;
        if (level->RayHitsVehicle(query)) {
            if (CPShotManager* shots = GetShotManager())
                shots->Fire(m_followUpType, m_shotPosition, query.hitPoint, -1.0f, CPSmartPtr<CPGameObject>());
            out = query.hitOwner;
            return 0;
        }
    }

    m_shotPosition += m_direction * step;

    if (m_ribbon && m_ribbon->GetWorldVertices().size() >= 4) {
        D3DXVECTOR3 eye(0.0f, 0.0f, 0.0f);
        if (level && level->camera) {
            if (const D3DXVECTOR3* at = level->camera->GetEyePosition())
                eye = *at;
        }
        const D3DXVECTOR3 along = m_shotPosition - m_startPoint;
        const D3DXVECTOR3 toEye = eye - m_startPoint;
        D3DXVECTOR3 across;
        D3DXVec3Cross(&across, &along, &toEye);
        D3DXVec3Normalize(&across, &across);
        const D3DXVECTOR3 w = across * m_halfWidth;
        std::vector<CPVertex>& corners = m_ribbon->GetWorldVertices();
        corners[0].position = m_startPoint + w;
        corners[1].position = m_shotPosition + w;
        corners[2].position = m_shotPosition - w;
        corners[3].position = m_startPoint - w;
    }
    SetTransformUpdated(false);
    return 1;
}

// --- CPShotManager ---------------------------------------------------------

CPShotManager::CPShotManager() = default;

CPShotManager::~CPShotManager()
{
    m_active.clear();
    m_pools.clear();
    m_owned.clear();
}

int32_t CPShotManager::Fire(const std::string& typeName, const D3DXVECTOR3& position, const D3DXVECTOR3& direction,
                            float value, const CPSmartPtr<CPGameObject>& owner, const float* carSpeed)
{
    if (m_observer)
        m_observer(typeName, position, direction, value, owner, carSpeed);

    ShotList& pool = m_pools[typeName];
    if (pool.empty())
        return 0;

    CPSmartPtr<CPShot> shot;
    if (pool.size() == 1) {
        pool.front()->Clone(shot);
        if (!shot)
            return 0;
        m_owned.emplace_back(shot.Get());
    } else {
        shot = pool.back();
        pool.pop_back();
    }
    shot->Launch(position, direction, value, owner, carSpeed);
    m_active.push_back(shot);
    return 1;
}

bool CPShotManager::RegisterTemplate(std::unique_ptr<CPShot> shot)
{
    if (!shot)
        return false;
    ShotList& pool = m_pools[shot->GetShotType()];
    if (!pool.empty())
        return false;
    pool.push_back(CPSmartPtr<CPShot>(shot.get()));
    m_owned.push_back(std::move(shot));
    return true;
}

CPShot* CPShotManager::Keep(std::unique_ptr<CPShot> shot)
{
    if (!shot)
        return nullptr;
    m_owned.push_back(std::move(shot));
    return m_owned.back().get();
}

const CPShotManager::ShotList* CPShotManager::GetPool(const std::string& typeName) const
{
    const auto found = m_pools.find(typeName);
    return found == m_pools.end() ? nullptr : &found->second;
}

void CPShotManager::ReturnToPool(const CPSmartPtr<CPShot>& shot)
{
    if (shot)
        m_pools[shot->GetShotType()].push_back(shot);
}

// --- StartLighting ---------------------------------------------------------

CPBoltShot* StartLighting(const std::string& name, const D3DXVECTOR3& position, const D3DXVECTOR3& direction)
{
    CPShotManager* shots = GetShotManager();
    if (!shots)
        return nullptr;
    auto bolt = std::make_unique<CPBoltShot>(name);
    bolt->Init(LightingRecord());
    bolt->Launch(position, direction, kLightingSpeed, CPSmartPtr<CPGameObject>(), nullptr);
    return static_cast<CPBoltShot*>(shots->Keep(std::move(bolt)));
}
