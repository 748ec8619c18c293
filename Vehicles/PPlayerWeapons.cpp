#include "Vehicles/PPlayer.h"

#include "Core/PGameHost.h"
#include "Core/PGlobals.h"
#include "Core/PUtils.h"
#include "Platform/CRand.h"
#include "Race/PGameData.h"
#include "Race/PLevel.h"
#include "Race/PShot.h"
#include "Render/PParticleManager.h"
#include "Vehicles/PCar.h"
#include "Vehicles/PPhysicData.h"
#include "Vehicles/PPlayerEffects.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace
{
constexpr int32_t kKindNone = 9;
constexpr int32_t kKindFlame = 8;
constexpr int32_t kKindHeavyGun = 2;
constexpr int32_t kKindLauncher = 4;
constexpr int32_t kKindShotgun = 6;
constexpr int32_t kMaxDebris = 40;
constexpr float kFlameTickSeconds = 0.2f;
constexpr float kBarrelSpin = 10.5f;
constexpr float kHalfPi = 1.5707964f;
constexpr float kTwoPi = 6.2831855f;
// Shots are fired while the ammunition is at least the cost, allowing for
// the rounding of the repeated subtraction.
constexpr float kCostTolerance = 1e-3f;

// Record values the weapon step reads, counted after the name.
constexpr int32_t kShotCountValue = 1;
constexpr int32_t kDamageValue = 4;
constexpr int32_t kCapacityValue = 6;
constexpr int32_t kFireRateValue = 7;

struct WeaponKind
{
    const char* name;
    int32_t kind;
};

constexpr WeaponKind kWeaponKinds[] = {
    { "lgun", 0 },   { "ssrlauncher", 3 }, { "plasma", 5 }, { "lgun2x", 1 },    { "hmgun", 2 },
    { "shotgun", 6 }, { "mgun", 0 },        { "mgun2x", 0 }, { "gauss", 7 },     { "rlauncher", 4 },
    { "autoshotgun", 6 }, { "firethrower", 8 },
};

int32_t g_debrisLive = 0;

int32_t KindOf(const std::string& name)
{
    for (const WeaponKind& entry : kWeaponKinds) {
        if (name == entry.name)
            return entry.kind;
    }
    return kKindNone;
}

int32_t ToBits(float value)
{
    int32_t bits = 0;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

float FromBits(int32_t bits)
{
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

// The catalogue entry as the vehicle keeps it: the price and the first seven
// values in the eight slots (floats by their bits), the eighth in `value`.
CPWeaponRecord MakeRecord(const std::string& name, const CPWeaponItem& item)
{
    CPWeaponRecord record;
    record.name = name;
    record.values[0] = item.price;
    record.values[1] = item.value1;
    record.values[2] = ToBits(item.value2);
    record.values[3] = item.value3;
    record.values[4] = ToBits(item.value4);
    record.values[5] = ToBits(item.value5);
    record.values[6] = item.value6;
    record.values[7] = ToBits(item.value7);
    record.value = ToBits(item.value8);
    record.effect = item.descriptionKey;
    record.last = item.level;
    return record;
}

D3DXVECTOR3 WorldPosition(const CPGameObject& object)
{
    const D3DXMATRIX& world = object.GetWorldMatrix();
    return D3DXVECTOR3(world._41, world._42, world._43);
}

// The direction turned away from itself by `angle`, at `around` radians
// about itself.
D3DXVECTOR3 Spread(const D3DXVECTOR3& direction, float angle, float around)
{
    D3DXVECTOR3 axis;
    D3DXVECTOR3 helper = std::fabs(direction.z) < 0.9f ? D3DXVECTOR3(0.0f, 0.0f, 1.0f) : D3DXVECTOR3(1.0f, 0.0f, 0.0f);
    D3DXVec3Cross(&axis, &direction, &helper);
    D3DXVec3Normalize(&axis, &axis);
    D3DXMATRIX turn;
    D3DXMatrixRotationAxis(&turn, &axis, angle);
    D3DXVECTOR3 tilted;
    D3DXVec3TransformNormal(&tilted, &direction, &turn);
    D3DXVECTOR3 unit;
    D3DXVec3Normalize(&unit, &direction);
    D3DXMATRIX spin;
    D3DXMatrixRotationAxis(&spin, &unit, around);
    D3DXVECTOR3 out;
    D3DXVec3TransformNormal(&out, &tilted, &spin);
    return out;
}
}

int32_t& DebrisLiveCount() { return g_debrisLive; }

void SpawnDebris(const D3DXVECTOR3& position, const D3DXVECTOR3& /*up*/, const D3DXVECTOR3& direction, int32_t count)
{
    if (count <= 0)
        return;
    int32_t pieces = count;
    if (count + g_debrisLive > kMaxDebris)
        pieces = kMaxDebris - g_debrisLive;
    for (int32_t i = 0; i < pieces; ++i) {
        ++g_debrisLive;
        const float a = static_cast<float>(crt::rand() % 360) * kDegreesToRadians;
        const float b = static_cast<float>(crt::rand() % 360) * kDegreesToRadians;
        const D3DXVECTOR3 spread(std::cos(a) * std::sin(b), std::sin(a) * std::sin(b), std::cos(b));

        CPParticleEmitDesc piece;
        piece.name = "derbis";
        piece.position = position;
        piece.scalar1 = 0.05f + 0.1f * RandomUnit();
        piece.scalar2 = 0.0f;
        piece.scalar3 = 1.0f;
        const float pull = RandomUnit();
        piece.acceleration = D3DXVECTOR3(pull * direction.x, pull * direction.y, pull * direction.z - 9.8f);
        const float u = 0.5f + 5.5f * RandomUnit();
        piece.velocity = direction + spread * u;
        vehicle::Emit(piece);

        if (i % 2 == 1) {
            CPParticleEmitDesc dust;
            dust.name = "pil_";
            dust.position = position;
            const float e = 0.5f + 10.5f * RandomUnit();
            dust.velocity = direction + spread * e;
            dust.scalar1 = 1.0f + 0.4f * RandomUnit();
            dust.scalar2 = 0.5f;
            dust.scalar3 = 1.0f;
            dust.flag1 = 1;
            vehicle::Emit(dust);
        }
    }
}

void CPPlayer::PrevWeapon()
{
    const int32_t before = m_currentSlot;
    const CPGameData* data = GetGameData();
    const std::string* slots = data ? data->m_activeCar.weapons : nullptr;
    if (!slots || (slots[0].empty() && slots[1].empty() && slots[2].empty())) {
        m_currentSlot = -1;
    } else {
        do {
            m_currentSlot = m_currentSlot - 1 < 0 ? kWeaponSlots - 1 : m_currentSlot - 1;
        } while (slots[m_currentSlot].empty());
    }
    vehicle::PlayNamed(m_currentSlot == before ? "undo_weapon" : "change_weapon", nullptr);
    SelectWeapon();
}

void CPPlayer::NextWeapon()
{
    const int32_t before = m_currentSlot;
    const CPGameData* data = GetGameData();
    const std::string* slots = data ? data->m_activeCar.weapons : nullptr;
    if (!slots || (slots[0].empty() && slots[1].empty() && slots[2].empty())) {
        m_currentSlot = -1;
    } else {
        do {
            m_currentSlot = m_currentSlot + 1 >= kWeaponSlots ? 0 : m_currentSlot + 1;
        } while (slots[m_currentSlot].empty());
    }
    vehicle::PlayNamed(m_currentSlot == before ? "undo_weapon" : "change_weapon", nullptr);
    SelectWeapon();
}

void CPPlayer::SelectWeapon()
{
    if (m_dead)
        return;
    if (m_currentWeapon)
        m_currentWeapon->SetVisible(false);
    CPGameData* data = GetGameData();
    if (m_currentSlot < 0 || m_currentSlot >= kWeaponSlots || !data) {
        m_currentWeapon = nullptr;
    } else {
        m_weaponName = data->m_activeCar.weapons[m_currentSlot];
        const auto entry = data->m_weapons.items.find(m_weaponName);
        if (entry == data->m_weapons.items.end()) {
            // Without a catalogue entry there is nothing to fire.
            m_currentWeapon = nullptr;
            m_weaponKind = kKindNone;
        } else {
            m_currentWeapon = FindChild(m_weaponName);
            if (m_currentWeapon)
                m_currentWeapon->SetVisible(true);
            m_weaponRecord = MakeRecord(m_weaponName, entry->second);
            static const char* const kSuffixes[kMuzzleFlashes] = { "", "_01", "_02", "_03" };
            for (int32_t i = 0; i < kMuzzleFlashes; ++i) {
                m_muzzleFlashes[i] = FindChild("flare_" + m_weaponName + kSuffixes[i]);
                if (m_muzzleFlashes[i])
                    m_muzzleFlashes[i]->SetVisible(false);
            }
            m_flashIndex = kMuzzleFlashes - 1;
            m_weaponKind = KindOf(m_weaponName);
        }
    }
    // The flag follows the slot now selected: an empty slot does not block
    // the full ones.
    m_outOfAmmo = 0;
    if (m_currentWeapon) {
        if (m_ammunition[m_currentSlot] < ShotCost() * (1.0f - kCostTolerance))
            m_outOfAmmo = 1;
    }
    UpdateWeapon(m_aimPoint, CPSmartPtr<CPGameObject>());
}

float CPPlayer::ShotCost() const
{
    const float shots = static_cast<float>(m_weaponRecord.values[kShotCountValue]);
    const float capacity = static_cast<float>(m_weaponRecord.values[kCapacityValue]) * m_ammunitionFactor;
    return capacity > 0.0f ? shots / capacity : std::numeric_limits<float>::infinity();
}

void CPPlayer::UpdateWeapon(const D3DXVECTOR3& aimPoint, const CPSmartPtr<CPGameObject>& target)
{
    if (m_dead)
        return;
    // The cooldown runs down by the frame before the shot test.
    m_cooldown -= g_FrameTime;
    m_aimPoint = aimPoint;
    if (!m_currentWeapon)
        return;
    const CPSmartPtr<CPGameObject> weapon = m_currentWeapon;
    const float damage = FromBits(m_weaponRecord.values[kDamageValue]);

    // 1. Flame damage ticks.
    if (m_weaponKind == kKindFlame) {
        m_flameTick -= g_FrameTime;
        while (m_flameTick <= 0.0f) {
            for (const auto& hit : m_flameHits) {
                CPGameObject* object = hit.first;
                D3DXVECTOR3 direction = object->GetPosition() - GetPosition();
                object->Damage(object->GetPosition(), direction, damage, false, 0);
                object->AttachFlame();
            }
            m_flameTick += kFlameTickSeconds;
        }
        m_flameHits.clear();
    }

    // 2. The heavy gun's barrel spins while firing.
    if (m_weaponKind == kKindHeavyGun && m_fire) {
        m_barrelAngle += g_FrameTime * kBarrelSpin;
        if (const CPSmartPtr<CPGameObject> barrel = FindPart("stvol")) {
            D3DXQUATERNION spin;
            const D3DXVECTOR3 axis(0.0f, 1.0f, 0.0f);
            D3DXQuaternionRotationAxis(&spin, &axis, m_barrelAngle);
            barrel->SetRotation(spin);
        }
    }

    // 3. Aim.
    const D3DXMATRIX& world = GetWorldMatrix();
    D3DXVECTOR3 w;
    D3DXVec3TransformCoord(&w, &weapon->GetPosition(), &world);
    // The vehicle's forward direction: turned by the world matrix, not
    // moved with it.
    D3DXVECTOR3 f;
    const D3DXVECTOR3 ahead(0.0f, -1.0f, 0.0f);
    D3DXVec3TransformNormal(&f, &ahead, &world);
    D3DXVECTOR3 aim = aimPoint;
    if (target && target->GetPhysicData() && target->GetPhysicData()->m_rigidBody)
        aim.z = target->GetPartBounds().m_centre.z;
    const D3DXVECTOR3 d = aim - w;
    const float dLength = std::sqrt(d.x * d.x + d.y * d.y);
    const float fLength = std::sqrt(f.x * f.x + f.y * f.y);
    const float d2x = dLength > 0.0f ? d.x / dLength : 0.0f;
    const float d2y = dLength > 0.0f ? d.y / dLength : 0.0f;
    const float f2x = fLength > 0.0f ? f.x / fLength : 0.0f;
    const float f2y = fLength > 0.0f ? f.y / fLength : 0.0f;
    const float c = d2x * f2x + d2y * f2y;
    const float s = d2x * f2y - d2y * f2x;
    float angle = SafeAcos(c);
    if (s > 0.0f)
        angle = -angle;
    D3DXQUATERNION rotation;
    float pitch = 0.0f;
    if (m_weaponKind == kKindLauncher) {
        const float v = std::min(9.8f * dLength * 0.0034602077f, 1.0f);
        pitch = kHalfPi - SafeAsin(v) * 0.5f;
        D3DXMATRIX tilt;
        D3DXMATRIX turn;
        D3DXMatrixRotationX(&tilt, -pitch);
        D3DXMatrixRotationZ(&turn, angle);
        D3DXMATRIX both = tilt * turn;
        D3DXQuaternionRotationMatrix(&rotation, &both);
    } else {
        D3DXQuaternionRotationYawPitchRoll(&rotation, angle, 0.0f, 0.0f);
    }
    weapon->SetRotation(rotation);
    if (const CPSmartPtr<CPPhysicData> data = weapon->GetPhysicData())
        data->SetBodyRotation(rotation);
    weapon->UpdateTransform();

    // 4. Fire.
    if (m_outOfAmmo || !m_fire || m_cooldown >= 0.0f)
        return;
    const int32_t slot = m_currentSlot >= 0 && m_currentSlot < kWeaponSlots ? m_currentSlot : 0;
    const float cost = ShotCost();
    float& ammunition = m_ammunition[slot];
    if (ammunition >= cost * (1.0f - kCostTolerance)) {
        if (m_muzzleFlashes[m_flashIndex])
            m_muzzleFlashes[m_flashIndex]->SetVisible(false);
        m_flashIndex = (m_flashIndex + 1) % kMuzzleFlashes;
        CPGameObject* flash = m_muzzleFlashes[m_flashIndex].Get();
        if (flash)
            flash->SetVisible(true);
        const D3DXVECTOR3 muzzle = flash ? WorldPosition(*flash) : w;
        D3DXVECTOR3 direction;
        D3DXVec3Normalize(&direction, &d);

        CPShotManager* shots = GetShotManager();
        const CPCar* car = GetCarPtr();
        const float* carSpeed = car ? &car->m_speed : nullptr;
        auto fire = [&](const char* type, const D3DXVECTOR3& from, const D3DXVECTOR3& along) {
            if (shots)
                shots->Fire(type, from, along, damage, weapon, carSpeed);
        };
        switch (m_weaponKind) {
        case 0:
        case 1:
            fire("trasser11", muzzle, direction);
            SpawnShellCasing(weapon.Get());
            break;
        case kKindHeavyGun: {
            const float r1 = RandomUnit();
            const float r2 = RandomUnit();
            fire("trasser12", muzzle, Spread(direction, 0.1f * r1, kTwoPi * r2));
            SpawnShellCasing(weapon.Get());
            break;
        }
        case kKindShotgun: {
            D3DXVECTOR3 low = direction;
            low.z = -0.2f;
            for (int32_t i = 0; i < m_weaponRecord.values[kShotCountValue]; ++i) {
                const float r1 = RandomUnit();
                const float r2 = RandomUnit();
                fire("trasser13", muzzle, Spread(low, 0.4f * r1, kTwoPi * r2));
                SpawnShellCasing(weapon.Get());
            }
            break;
        }
        case 3:
            fire("srocket1", muzzle, direction);
            break;
        case 7:
            fire("gauss1", muzzle, direction);
            break;
        case kKindLauncher:
            fire("rocket1", muzzle, D3DXVECTOR3(direction.x, direction.y, pitch));
            break;
        case 5:
            if (shots)
                shots->Fire("plazma", D3DXVECTOR3(), D3DXVECTOR3(0.0f, -1.0f, 0.0f), damage,
                            CPSmartPtr<CPGameObject>(flash), carSpeed);
            break;
        case kKindFlame: {
            D3DXMATRIX turn;
            const float yaw = -0.1f + 0.2f * RandomUnit();
            const float pitchTurn = -0.1f + 0.2f * RandomUnit();
            const float roll = -0.1f + 0.2f * RandomUnit();
            D3DXMatrixRotationYawPitchRoll(&turn, yaw, pitchTurn, roll);
            D3DXVECTOR3 velocity;
            D3DXVec3TransformNormal(&velocity, &direction, &turn);
            CPParticleEmitDesc flame;
            flame.name = "firethrower";
            flame.position = muzzle;
            flame.velocity = velocity * 14.0f;
            flame.scalar1 = 0.8f + 0.3f * RandomUnit();
            flame.value4 = kFlameTraceValue;
            flame.object = CPSmartPtr<CPManagedObject>(this);
            vehicle::Emit(flame);
            break;
        }
        default:
            break;
        }
        if (m_weaponKind != kKindNone) {
            m_cooldown = 1.0f / (m_rateFactor * FromBits(m_weaponRecord.values[kFireRateValue]));
            ammunition -= cost;
        }
    }
    if (ammunition < cost * (1.0f - kCostTolerance))
        m_outOfAmmo = 1;
    vehicle::Send("gamemenu", "update_game_interface", "");
}

void CPPlayer::TraceShot(CPPlayer* vehicle, CPFlameParticle& particle)
{
    CPLevel* level = GetLevel();
    if (!vehicle || !level)
        return;
    CPGameObject::ObjectList nearby;
    level->CollectObjectsNear(particle.start, particle.radius, nearby);
    CPRayQuery query;
    query.excluded = vehicle;
    query.origin = particle.start;
    const D3DXVECTOR3 segment = particle.end - particle.start;
    query.distance = D3DXVec3Length(&segment);
    if (query.distance > 0.0f)
        query.direction = segment / query.distance;
    CPGameObject* self = vehicle;
    bool added = false;
    auto add = [&](CPGameObject* object) {
        if (!object || object == self)
            return;
        if (vehicle->m_flameHits.emplace(object, CPSmartPtr<CPGameObject>(object)).second)
            added = true;
    };
    if (query.distance > 0.0f && level->CrossRay(query))
        add(query.hitObject.Get());
    for (const CPSmartPtr<CPGameObject>& object : nearby)
        add(object.Get());
    if (added)
        particle.life = 1000.0f;
}

void CPPlayer::SpawnShellCasing(CPGameObject* weapon)
{
    if (!weapon)
        return;
    const float r1 = RandomUnit();
    const float r2 = RandomUnit();
    const D3DXVECTOR3 local(-1.0f, 0.0f, 2.0f);
    D3DXVECTOR3 side;
    D3DXVec3TransformNormal(&side, &local, &weapon->GetWorldMatrix());
    CPParticleEmitDesc casing;
    casing.name = "gilze";
    casing.position = WorldPosition(*weapon);
    casing.velocity = side * (4.0f + r2);
    casing.acceleration = D3DXVECTOR3(0.0f, 0.0f, -24.8f);
    casing.scalar1 = 0.2f;
    casing.scalar2 = 0.0f;
    casing.scalar3 = 1.0f + r1;
    vehicle::Emit(casing);
}
