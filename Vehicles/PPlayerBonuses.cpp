#include "Vehicles/PPlayer.h"

#include "Core/PBounds.h"
#include "Core/PCommandDispatcher.h"
#include "Core/PGameHost.h"
#include "Core/PGlobals.h"
#include "Core/PUtils.h"
#include "Race/PGameData.h"
#include "Race/PLevel.h"
#include "Race/PShot.h"
#include "Render/PParticleManager.h"
#include "Render/PRender.h"
#include "Vehicles/PCar.h"
#include "Vehicles/PPhysicBody.h"
#include "Vehicles/PPhysicData.h"
#include "Vehicles/PPlayerEffects.h"

#include <cmath>

namespace
{
constexpr float kPickupFactor = 3.3f;
constexpr float kVortexFactor = 0.8f;
constexpr float kSphereHalfSize = 3.5f;
constexpr float kBonusSeconds = 4.0f;
constexpr int32_t kMaxPushes = 10;
constexpr double kPushSeries = 1.0;
constexpr double kHaloInterval = 0.2;
constexpr float kHaloImpulseLimit = 400.0f;
constexpr float kGloomBlur = 0.3f;

void Recentre(CPBounds& bounds)
{
    bounds.m_min = bounds.m_centre - bounds.m_halfSize;
    bounds.m_max = bounds.m_centre + bounds.m_halfSize;
}

float MassOf(const CPGameObject& object)
{
    const CPSmartPtr<CPPhysicData>& data = object.GetPhysicData();
    return data ? data->m_inertia.m_mass : 0.0f;
}

// The pickups, in the order they are tested.
enum class Pickup { Repair, Speed, Slow, AbilityMinus, AbilityPlus, Gloom };

struct PickupRow
{
    const char* shot;
    const char* sound;
    const char* message;
    const char* report;
};

const PickupRow& RowOf(Pickup pickup)
{
    static const PickupRow kRows[] = {
        { "sparks4_remont", "chik", "remont!", "repair" },
        { "sparks4", "bonus_fast", "uskorenie!", "axel" },
        { "sparks4red", "bonus_slow", "zamedlenie!", "brake" },
        { "sparks4red", "bonus_minus", "sposobnost-1!", "minus" },
        { "sparks4", "bonus_plus", "sposobnost+1!", "plus" },
        { "sparks4_gloom", "enter_sumrak", "uron_x2!", "gloom" },
    };
    return kRows[static_cast<int>(pickup)];
}
}

void CPPlayer::UpdateBonuses()
{
    CPLevel* level = GetLevel();
    CPGameData* data = GetGameData();
    if (!level || !level->raceStarted || !data)
        return;
    const CPSmartPtr<CPGameObject> self(this);
    const bool traffic = (m_sideFlags & kTraffic) != 0;
    const bool playerSide = (m_sideFlags & kPlayerVehicle) != 0;

    auto entry = data->m_bonuses.begin();
    while (entry != data->m_bonuses.end()) {
        const CPSmartPtr<CPGameObject> object(entry->object.Get());
        if (!object) {
            ++entry;
            continue;
        }
        // Copies: the tests below reshape the bounds.
        CPBounds bounds = object->GetObjectBounds();
        CPBounds own = GetObjectBounds();
        if (m_modelKey == "scout")
            own.FromParts(GetPartBoxes());
        float factor = kPickupFactor;
        const std::string& name = object->GetName();
        if (name == "empty") {
            if (const CPSmartPtr<CPGameObject> vortex = object->FindChild("v_bii"))
                bounds = vortex->GetObjectBounds();
            factor = kVortexFactor;
        }
        const bool sphere = object->FindChild("sphera") != nullptr;
        if (sphere) {
            bounds.m_halfSize.x = kSphereHalfSize;
            bounds.m_halfSize.y = kSphereHalfSize;
            Recentre(bounds);
        }
        if (name == "fake") {
            factor = 1.0f;
        } else if (name == "light") {
            factor = 2.0f;
        } else if (name == "halo") {
            bounds.m_halfSize.x *= 0.33333334f;
            bounds.m_halfSize.y *= 0.33333334f;
            Recentre(bounds);
            factor = 1.0f;
        }
        const D3DXVECTOR3 gap = own.m_centre - bounds.m_centre;
        const D3DXVECTOR3 reach = (own.m_halfSize + bounds.m_halfSize) / factor;
        if (std::fabs(gap.x) > reach.x || std::fabs(gap.y) > reach.y || std::fabs(gap.z) > reach.z) {
            ++entry;
            continue;
        }

        // The pickup this object offers, if any.
        bool isPickup = !traffic;
        Pickup pickup = Pickup::Repair;
        if (name == "bonus_remont")
            pickup = Pickup::Repair;
        else if (object->FindChild("glow3"))
            pickup = Pickup::Speed;
        else if (object->FindChild("glow2"))
            pickup = Pickup::Slow;
        else if (object->FindChild("glow6"))
            pickup = Pickup::AbilityMinus;
        else if (object->FindChild("glow4"))
            pickup = Pickup::AbilityPlus;
        else if (!sphere && object->FindChild("portal_a"))
            pickup = Pickup::Gloom;
        else
            isPickup = false;

        if (isPickup) {
            const PickupRow& row = RowOf(pickup);
            const D3DXVECTOR3 where = object->GetPosition();
            if (CPShotManager* shots = GetShotManager())
                shots->Fire(row.shot, where, D3DXVECTOR3(0.0f, 0.0f, 1.0f), -1.0f, CPSmartPtr<CPGameObject>());
            const bool sounded = vehicle::PlayNamed(row.sound, &where);
            bool showMessage = playerSide;
            switch (pickup) {
            case Pickup::Repair:
                if (sounded)
                    m_damage = std::max(0.0f, m_damage - 20.0f);
                break;
            case Pickup::Speed:
                if (sounded) {
                    m_throttleDisabled = 1;
                    SetCarParams(0.0f, m_steering);
                    m_restore = 1;
                    m_restoreClock = 2.0f;
                }
                break;
            case Pickup::Slow:
                if (sounded) {
                    const CPSmartPtr<CPGameObject> left = FindPart("lflarerear");
                    const CPSmartPtr<CPGameObject> right = FindPart("rflarerear");
                    if (CPCar* car = GetCarPtr())
                        car->SetBrake(1, 1);
                    if (!left || !left->IsVisible()) {
                        if (left)
                            left->SetVisible(false);
                        if (right)
                            right->SetVisible(false);
                    }
                    m_slowed = 1;
                    m_slowClock = 0.0f;
                } else {
                    showMessage = false;
                }
                break;
            case Pickup::AbilityMinus:
                if (m_abilityCount > 0) {
                    --m_abilityCount;
                    vehicle::Send("game_interface", "redraw_abilities", "");
                }
                break;
            case Pickup::AbilityPlus:
                if (m_abilityCount < data->m_maxAbilities) {
                    ++m_abilityCount;
                    vehicle::Send("game_interface", "redraw_abilities", "");
                }
                break;
            case Pickup::Gloom:
                m_inGloom = 1;
                m_inGloomClock = 0.0f;
                break;
            }
            if (showMessage)
                vehicle::Send("game_interface", "show_message", row.message);
            entry->object = nullptr;
            entry = data->m_bonuses.erase(entry);
            if (pickup == Pickup::Gloom)
                EnterGloomWorld(*level);
            vehicle::Send("main", "update_bonus_list", row.report);
            continue;
        }

        const D3DXVECTOR3 position = GetPosition();
        const float mass = MassOf(*this);
        if (sphere) {
            if ((m_sideFlags & (kDarkSide | kTraffic)) != 0)
                PushFromSphere(*object);
        } else if (object->FindChild("v_bii")) {
            if ((m_sideFlags & (kLightSide | kTraffic)) != 0) {
                ApplyImpulse(position, D3DXVECTOR3(0.0f, 0.0f, 1.5f * mass));
                const CPSmartPtr<CPPhysicData>& physics = GetPhysicData();
                if (physics && physics->m_rigidBody)
                    physics->m_rigidBody->SetAngularMomentum(D3DXVECTOR4(0.0f, 0.0f, 30.0f * mass, 0.0f));
                m_bonusTime = kBonusSeconds;
            }
        } else if (name == "light") {
            if ((m_sideFlags & (kDarkSide | kTraffic)) != 0) {
                m_locked = 1;
                if (CPCar* car = GetCarPtr()) {
                    car->SetControls(0.0f, m_steering);
                    car->m_locked = 1;
                    car->SetControls(0.0f, m_steering);
                }
                m_restore = 1;
                m_restoreClock = 0.0f;
            }
        } else if (name == "halo") {
            if ((m_sideFlags & (kLightSide | kTraffic)) != 0 && g_FullTime - m_haloClock >= kHaloInterval)
                PushFromHalo(*object, bounds.m_centre);
        }
        ++entry;
    }
}

void CPPlayer::EnterGloomWorld(CPLevel& level)
{
    if (level.player.Get() == this) {
        if (CPRender* render = GetRender()) {
            render->SetMotionBlur(kGloomBlur);
            render->SetBlurAlpha(CPRender::kGloomWorld);
        }
        m_playerGloom = 1;
        m_playerGloomClock = 0.0f;
        level.ClearVehicleReset();
    } else if ((m_sideFlags & kPlayerVehicle) == 0) {
        SetVisible(false);
    }
}

void CPPlayer::PushFromSphere(const CPGameObject& sphere)
{
    if (g_FullTime - m_pushClock >= kPushSeries)
        m_pushCounter = 0;
    if (m_pushCounter >= kMaxPushes)
        return;
    const CPCar* car = GetCarPtr();
    const float mass = MassOf(*this);
    const float strength = std::min((car ? car->m_speed : 0.0f) * 2.4f * mass * 0.1f, 300.0f);
    const D3DXVECTOR3 position = GetPosition();
    if (m_pushCounter == 0) {
        const D3DXVECTOR3& centre = sphere.GetPosition();
        m_pushDirection = D3DXVECTOR3(position.x - centre.x, position.y - centre.y, position.z);
    }
    ApplyImpulse(position,
                 D3DXVECTOR3(strength * m_pushDirection.x, strength * m_pushDirection.y, 2.0f * mass));
    m_bonusTime = kBonusSeconds;
    ++m_pushCounter;
    m_pushClock = g_FullTime;
}

void CPPlayer::PushFromHalo(const CPGameObject& halo, const D3DXVECTOR3& centre)
{
    const D3DXVECTOR3 position = GetPosition();
    D3DXVECTOR3 n = halo.GetPosition() - position;
    D3DXVec3Normalize(&n, &n);
    const D3DXVECTOR3 back(0.0f, -1.0f, 0.0f);
    const float a = SafeAcos(D3DXVec3Dot(&n, &back)) + 1.5707964f;
    CPParticleEmitDesc wall;
    wall.name = "wall";
    wall.position = position + n;
    wall.velocity = D3DXVECTOR3(std::sin(a), -std::cos(a), 0.0f);
    wall.scalar1 = 4.0f;
    wall.scalar2 = 0.4f + 1.8f * RandomUnit();
    wall.scalar3 = 0.5f;
    wall.flag1 = 1;
    vehicle::Emit(wall);

    D3DXVECTOR3 impulse = (position - centre) * 100.0f;
    if (D3DXVec3LengthSq(&impulse) > kHaloImpulseLimit * kHaloImpulseLimit) {
        D3DXVec3Normalize(&impulse, &impulse);
        impulse *= kHaloImpulseLimit;
    }
    ApplyImpulse(position, impulse);
    m_bonusTime = kBonusSeconds;
    m_haloClock = g_FullTime;
}
