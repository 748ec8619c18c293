#include "Vehicles/PPlayer.h"

#include "Core/PBoundingBox.h"
#include "Core/PCommandDispatcher.h"
#include "Core/PGameHost.h"
#include "Core/PGlobals.h"
#include "Core/PUtils.h"
#include "Race/PGameData.h"
#include "Race/PLevel.h"
#include "Race/PSpline.h"
#include "Render/PParticleManager.h"
#include "Render/PRender.h"
#include "Startup/PConfigVars.h"
#include "Vehicles/PCar.h"
#include "Vehicles/PPhysicManager.h"
#include "Vehicles/PPlayerEffects.h"

#include <cmath>
#include <cstdio>

namespace
{
constexpr float kDeadDamage = 100.0f;
constexpr float kSmokeInterval = 0.5f;
constexpr float kDefeatDelay = 3.0f;
constexpr float kDefeatLimit = 20.0f;
constexpr float kDefeatSent = 666.0f;
constexpr float kArrowAngle = 0.5235988f;
constexpr int32_t kArrowLookAhead = 4;
constexpr float kDriftMinimum = 0.5f;
constexpr float kGloomSeconds = 15.0f;
constexpr float kSlowSeconds = 4.0f;
constexpr float kSlowSpeed = 10.0f;
constexpr float kHotEngine = 0.8f;
constexpr float kRestoreSeconds = 4.0f;
constexpr int32_t kHardDifficulty = 3;

}

void CPPlayer::ShowBrakeFlares(bool& leftHidden)
{
    const CPSmartPtr<CPGameObject> left = FindPart("lflarerear");
    const CPSmartPtr<CPGameObject> right = FindPart("rflarerear");
    if (CPCar* car = GetCarPtr())
        car->SetBrake(1, 1);
    // A missing left flare counts as hidden.
    leftHidden = !left || !left->IsVisible();
    if (leftHidden) {
        if (left)
            left->SetVisible(false);
        if (right)
            right->SetVisible(false);
    }
}

int32_t CPPlayer::ArrowValue(const CPLevel& level) const
{
    const CPLine* line = level.centreLineHint;
    if (!line)
        return 0;
    for (int32_t i = 0; i < kArrowLookAhead; ++i) {
        const CPLine* step = level.reversed ? line->next : line->previous;
        if (!step)
            break;
        line = step;
    }
    const D3DXVECTOR3 c(std::cos(level.trackDirection), std::sin(level.trackDirection), 0.0f);
    const D3DXVECTOR3 w(std::cos(line->direction), std::sin(line->direction), 0.0f);
    if (SafeAcos(c.x * w.x + c.y * w.y) <= kArrowAngle)
        return 0;
    return c.x * w.y - w.x * c.y > 0.0f ? 1 : -1;
}

void CPPlayer::Update(float dt)
{
    CPLevel* level = GetLevel();
    CPCar* car = GetCarPtr();
    const bool playerSide = (m_sideFlags & kPlayerVehicle) != 0;

    // 1. Death.
    if (m_damage >= kDeadDamage && m_locked) {
        if (car)
            car->SetBrake(1, 1);
        for (const char* name : { "lflarerear", "rflarerear" }) {
            if (const CPSmartPtr<CPGameObject> flare = FindPart(name))
                flare->SetVisible(false);
        }
        SetVisible(true);
        if ((m_sideFlags & kTraffic) == 0) {
            m_smokeClock += dt;
            if (m_smokeClock >= kSmokeInterval) {
                const float r1 = RandomUnit();
                const float r2 = RandomUnit();
                const float r3 = RandomUnit();
                CPParticleEmitDesc smoke;
                smoke.name = "smoke3car";
                smoke.position = GetPosition();
                smoke.velocity = D3DXVECTOR3(1.7f * r3, 1.7f * r2, 3.0f + 0.4f * r1);
                smoke.acceleration = D3DXVECTOR3(0.0f, 0.0f, -1.0f);
                smoke.scalar1 = 1000.0f;
                smoke.scalar2 = 1.0f;
                smoke.scalar3 = 2.5f;
                smoke.flag1 = 1;
                vehicle::Emit(smoke);
                m_smokeClock = 0.0f;
            }
        }
        m_dead = 1;
    }

    // 2. The player's defeat.
    if (m_damage >= kDeadDamage && playerSide) {
        if (!m_gameOver) {
            vehicle::Send("game_interface", "show_message", "proigrish!");
            vehicle::Send("jeep", "game_over", "");
            m_gameOver = 1;
        }
        m_defeatClock += dt;
        if (m_defeatClock >= kDefeatDelay && m_defeatClock <= kDefeatLimit) {
            vehicle::Send("main", "defeat", "");
            m_defeatClock = kDefeatSent;
        }
    }

    // 3. A dead vehicle does nothing more.
    if (m_dead)
        return;

    // 4. Direction arrows and drift points.
    if (m_arrows) {
        const int32_t arrow = level ? ArrowValue(*level) : 0;
        // Drift points count the frame's time, not the step's.
        if (car && car->m_driftValue > 0.0f && car->m_steering != 0.0f) {
            m_driftTime += g_FrameTime;
        } else {
            if (m_driftTime > kDriftMinimum) {
                CPGameData* data = GetGameData();
                const std::string label = data ? data->GetDisplayText("drift_time") : std::string();
                const double tenths = static_cast<double>(static_cast<int32_t>(m_driftTime * 10.0f)) * 0.1;
                char text[256];
                std::snprintf(text, sizeof(text), "time,%s,%f", label.c_str(), tenths);
                vehicle::Send("game_interface", "bonus_points2", text);
            }
            m_driftTime = 0.0f;
        }
        vehicle::Send("game_interface", "update_arrows", std::to_string(arrow));
    }

    // 5. Drive time.
    if (!m_locked)
        m_driveTime += dt;

    // 6. Automatic respawn.
    Respawn(false);

    // 7. Crash debris.
    if (car && car->m_crashed) {
        const float m = g_CfgCamSpeed == kHardDifficulty ? 2.0f : 1.0f;
        const D3DXVECTOR3 v(car->m_velocity.x, car->m_velocity.y, car->m_velocity.z);
        const float squared = D3DXVec3LengthSq(&v);
        const float s = squared < 0.000001f ? 0.0f : std::sqrt(squared);
        const float r1 = RandomUnit();
        const float r2 = RandomUnit();
        const D3DXVECTOR3& at = GetPosition();
        const D3DXVECTOR3 position(at.x + 2.0f * r1 - 1.0f, at.y + 2.0f * r2 - 1.0f, at.z);
        SpawnDebris(position, D3DXVECTOR3(0.0f, 0.0f, 1.0f), D3DXVECTOR3(v.x, v.y, std::fabs(v.z)),
                    static_cast<int32_t>(s * m * 0.1f));
    }

    // 8. Countdowns.
    if (m_bonusTime > 0.0f)
        m_bonusTime -= dt;
    if (m_respawnTime > 0.0f)
        m_respawnTime -= dt;

    // 9. The player's gloom world.
    if (m_playerGloom) {
        m_playerGloomClock += dt;
        if (m_playerGloomClock >= kGloomSeconds) {
            m_playerGloom = 0;
            if (CPRender* render = GetRender()) {
                render->SetMotionBlur(0.0f);
                render->SetBlurAlpha(CPRender::kGloomNormal);
            }
            if (level)
                level->ResetVehicleBodies();
        }
    }

    // 10. In gloom (damage x2).
    if (m_inGloom) {
        const CPPlayer* player = level ? level->player.Get() : nullptr;
        if (player && player->m_inGloom) {
            SetVisible(true);
            const bool ownView = player == this && level->cameraMode != 0;
            if (!ownView && g_CfgPSystems > 0)
                EmitGloomSparks(static_cast<int32_t>(60.0f / (25.0f / static_cast<float>(g_CfgPSystems))));
        } else {
            SetVisible(false);
        }
        m_inGloomClock += dt;
        if (m_inGloomClock >= kGloomSeconds) {
            m_inGloom = 0;
            if (!playerSide)
                SetVisible(true);
        }
    }

    // 11. Slow-down.
    if (m_slowed) {
        bool leftHidden = true;
        ShowBrakeFlares(leftHidden);
        m_slowClock += dt;
        const float speed = car ? std::sqrt(car->m_velocity.x * car->m_velocity.x
                                            + car->m_velocity.y * car->m_velocity.y
                                            + car->m_velocity.z * car->m_velocity.z)
                                : 0.0f;
        if (m_slowClock >= kSlowSeconds || speed < kSlowSpeed) {
            m_slowed = 0;
            if (leftHidden && car)
                car->SetBrake(0, 1);
        }
    }

    // 12. Engine temperature.
    const float before = m_engineTemperature;
    if (m_throttle != 0.0f)
        m_engineTemperature = std::min(1.0f, m_engineTemperature + dt * m_heatRate);
    else
        m_engineTemperature = std::max(0.0f, m_engineTemperature - dt * m_coolRate);
    if (before >= kHotEngine && m_engineTemperature < kHotEngine)
        vehicle::Send("gamemenu", "engine_temp", "0");
    else if (before < kHotEngine && m_engineTemperature >= kHotEngine)
        vehicle::Send("gamemenu", "engine_temp", "1");

    // 13. Controls.
    if (CPPhysicManager* manager = GetPhysicManager())
        manager->SetCarControls(CPSmartPtr<CPGameObject>(this), m_throttle, m_steering);

    // 14. Bonuses.
    UpdateBonuses();

    // 15. The end of a lock or a throttle cut.
    if (m_restore) {
        m_restoreClock += dt;
        if (m_restoreClock > kRestoreSeconds) {
            Lock(false);
            m_throttleDisabled = 0;
            m_restoreClock = 0.0f;
            m_restore = 0;
            if (CPCar* restored = GetCarPtr()) {
                restored->SetBrake(1, 1);
                restored->SetBrake(0, 1);
            }
        }
    }

    // 16. Wall contact lasts one step.
    m_wallContact = 0;
}

void CPPlayer::EmitGloomSparks(int32_t count)
{
    const CPBoundingBox& box = GetBoundingBox();
    const D3DXVECTOR3* c = box.m_corners;
    for (int32_t i = 0; i < count; ++i) {
        const float r1 = RandomUnit();
        const float r2 = RandomUnit();
        const float r3 = RandomUnit();
        const float r4 = RandomUnit();
        const D3DXVECTOR3 a = c[6] + (c[2] - c[6]) * r1;
        const D3DXVECTOR3 b = c[7] + (c[3] - c[7]) * r2;
        CPParticleEmitDesc spark;
        spark.name = "iskra3blue";
        spark.position = a + (b - a) * r4 + (c[0] - c[3]) * (0.5f * r3);
        spark.scalar1 = 0.2f;
        spark.scalar2 = 0.5f;
        spark.scalar3 = 0.1f + 0.5f * RandomUnit();
        spark.flag1 = 1;
        vehicle::Emit(spark);
    }
}
