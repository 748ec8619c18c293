// Race vehicle: the game object of every vehicle in a race (the player's,
// the computer-driven opponents, the traffic), named "PLAYER". Its vehicle
// slot holds the car and its physics-data slot the body description; on top
// of the game object it keeps one vehicle's race state: controls as scripts
// or the opponent driver set them, locks, health and damage, the side it
// belongs to, bonus clocks, weapons, respawn and fade state.
#pragma once

#include "Core/PGameObject.h"
#include "Core/PSmartPtr.h"
#include "Platform/D3DX9Math.h"

#include <cstdint>
#include <string>
#include <unordered_map>

class CPCamera;
class CPLevel;
class CPRenderQueue;

// What the flame emitter hands the vehicle for one flame particle: the
// segment the particle swept in its last step, its radius and its life,
// which a hit sets to 1000 so the emitter ends it.
struct CPFlameParticle
{
    D3DXVECTOR3 start;
    D3DXVECTOR3 end;
    float radius = 0.0f;
    float life = 0.0f;
};

// Emits up to count crash-debris pieces (and a dust puff for every second
// piece) at the position, thrown along the direction. At most 40 pieces live
// at once; the debris emitter lowers the live count as pieces end. The up
// vector is not used.
void SpawnDebris(const D3DXVECTOR3& position, const D3DXVECTOR3& up, const D3DXVECTOR3& direction, int32_t count);
// The live debris pieces, for the debris emitter.
int32_t& DebrisLiveCount();

// A weapon catalogue entry as the vehicle keeps a copy of it.
struct CPWeaponRecord
{
    std::string name;
    int32_t values[8] = {};
    int32_t value = 0;
    std::string effect;
    int32_t last = 0;
};

class CPPlayer : public CPGameObject
{
public:
    static constexpr const char* kName = "PLAYER";
    static constexpr float kStartHealth = 100000.0f;
    static constexpr float kCriticalHealth = 20.0f;
    static constexpr int32_t kWeaponSlots = 3;
    static constexpr int32_t kMuzzleFlashes = 4;
    // Value 4 of a flame emission: the flame emitter traces its particles
    // with TraceShot on the emission's object.
    static constexpr int32_t kFlameTraceValue = 1;

    // Side flags.
    static constexpr uint32_t kLightSide = 1;
    static constexpr uint32_t kDarkSide = 2;
    static constexpr uint32_t kTraffic = 4;
    static constexpr uint32_t kPlayerVehicle = 8;

    CPPlayer();
    // Releases the shadow, the weapon and the muzzle flashes.
    ~CPPlayer() override;
    CPPlayer* AsPlayer() override { return this; }

    // --- Controls (ignored while locked unless said) -------------------------

    // Stores throttle (0 while the throttle is disabled) and steering for the
    // next steps.
    void SetCarParams(float throttle, float steering);
    // While slowed only shows or hides the rear flares; otherwise the car's brake.
    void SetBrake(uint8_t on, int32_t kind);
    void SetStop(uint8_t on);
    // Not subject to the lock. Locking zeroes the car's throttle and sets
    // its lock byte; unlocking clears it.
    void Lock(bool locked);
    // The car's nitro := amount, 0 while locked or when the car has no nitro
    // capacity. Applied while locked too.
    void SetNitro(float amount);
    // Disables the throttle (zeroing it unless locked); a positive amount
    // starts the nitro. Applied while locked too.
    void DisableThrottle(float amount, float unused);
    void SetEngineVolume(float volume);
    void SetBonusTime(float seconds);

    // --- Queries and physics -------------------------------------------------

    // The car's velocity record; zeros without a car.
    D3DXVECTOR4 GetVelocity() const;
    uint32_t GetSideFlags() const { return m_sideFlags; }
    void SetSideFlags(uint32_t flags) { m_sideFlags = flags; }
    // The impulse at the point on the rigid body of the car's owner; nothing
    // without a car or a body.
    void ApplyImpulse(const D3DXVECTOR3& point, const D3DXVECTOR3& impulse);
    void SetModelName(const std::string& name) { m_modelKey = name; }
    const std::string& GetModelName() const { return m_modelKey; }
    void SetVehicleType(uint32_t type) { m_sideFlags = type; }
    // The ammunition level of the current slot; 0 without one.
    float GetCurrentAmmo() const;

    // --- Damage and removal --------------------------------------------------

    // Lowers the health by amount x the game data's damage coefficient; true
    // while the vehicle survives.
    bool Damage(float amount);
    // Hides the vehicle and takes its body out of the race.
    void Kill();

    // --- Race step -----------------------------------------------------------

    // One race step of dt seconds: death, defeat, arrows and drift, respawn,
    // debris, countdowns, gloom, slow-down, engine heat, controls, bonuses
    // and the end of a lock.
    void Update(float dt);
    // Tests the vehicle against the game data's bonus list and applies the
    // first kind of bonus each touched object matches.
    void UpdateBonuses();

    // --- Weapons -------------------------------------------------------------

    void PrevWeapon();
    void NextWeapon();
    // Makes the current slot's weapon the current weapon.
    void SelectWeapon();
    // Turns the current weapon toward the aim point and fires it when the
    // fire flag is set and the cooldown has run out.
    void UpdateWeapon(const D3DXVECTOR3& aimPoint, const CPSmartPtr<CPGameObject>& target);
    // Flame emitter callback: collects the objects the flame particle
    // touches into the vehicle's flame hits.
    static void TraceShot(CPPlayer* vehicle, CPFlameParticle& particle);
    void SpawnShellCasing(CPGameObject* weapon);
    // Ammunition one trigger of the current weapon uses: shot count over
    // capacity; infinite without capacity.
    float ShotCost() const;

    // --- Respawn, shadow and drawing -----------------------------------------

    // Puts the vehicle back on the centre path when it fell, turned over, got
    // stuck, left the terrain, or when forced.
    void Respawn(bool force);
    // Prepares the vehicle for a race and builds its shadow object.
    bool CreateShadow();
    // Queues the vehicle and, near the camera, its shadow; runs the player's
    // respawn fade.
    void Draw(CPRenderQueue& queue, const CPSmartPtr<CPCamera>& camera);

private:
    // Bonus effects of UpdateBonuses.
    void EnterGloomWorld(CPLevel& level);
    void PushFromSphere(const CPGameObject& sphere);
    void PushFromHalo(const CPGameObject& halo, const D3DXVECTOR3& centre);
    // Race-step helpers of Update.
    // Sets the car's brake and hides both rear flares when the left one is
    // hidden (or missing), which leftHidden reports.
    void ShowBrakeFlares(bool& leftHidden);
    // -1, 0 or 1: how the track four lines ahead turns from the level's
    // direction.
    int32_t ArrowValue(const CPLevel& level) const;
    void EmitGloomSparks(int32_t count);

public:
    // Fields in the order of the vehicle's state.
    D3DXVECTOR3 m_lastStuckPosition;
    CPSmartPtr<CPGameObject> m_shadow;
    float m_respawnTime = 0.0f;
    uint8_t m_fadeUp = 0;
    uint8_t m_fadeDown = 0;
    float m_fadeClock = 0.0f;
    float m_flameTick = 0.0f;
    float m_barrelAngle = 0.0f;
    float m_steering = 0.0f;
    float m_throttle = 0.0f;
    int32_t m_currentSlot = 0;
    std::string m_weaponName;
    uint8_t m_outOfAmmo = 0;
    uint8_t m_minesEmpty = 0;
    float m_engineTemperature = 0.0f;
    CPSmartPtr<CPGameObject> m_currentWeapon;
    CPSmartPtr<CPGameObject> m_muzzleFlashes[kMuzzleFlashes];
    int32_t m_flashIndex = 0;
    float m_driftTime = 0.0f;
    D3DXVECTOR3 m_aimPoint;
    float m_ammunition[kWeaponSlots] = { 1.0f, 1.0f, 1.0f };
    CPWeaponRecord m_weaponRecord;
    uint8_t m_mineDrop = 0;
    uint8_t m_mineAvailable = 0;
    uint8_t m_fire = 0;
    int32_t m_weaponKind = 0;
    float m_cooldown = 0.0f;
    float m_heatRate = 0.0f;
    float m_coolRate = 0.0f;
    float m_health = kStartHealth;
    std::unordered_map<CPGameObject*, CPSmartPtr<CPGameObject>> m_flameHits;
    float m_ammunitionFactor = 1.0f;
    float m_rateFactor = 1.0f;
    uint8_t m_deathReported = 0;
    uint8_t m_locked = 0;
    uint8_t m_throttleDisabled = 0;
    uint8_t m_restore = 0;
    float m_restoreClock = 0.0f;
    int32_t m_abilityCount = 0;
    float m_defeatClock = 0.0f;
    uint8_t m_gameOver = 0;
    int32_t m_pushCounter = 0;
    double m_pushClock = 0.0;
    D3DXVECTOR3 m_pushDirection;
    double m_haloClock = 0.0;
    // The vehicle model ("truck_130_", "scout", ...).
    std::string m_modelKey;
    float m_playerGloomClock = 0.0f;
    uint8_t m_playerGloom = 0;
    uint32_t m_sideFlags = 0;
    float m_damage = 0.0f;
    float m_smokeClock = 0.0f;
    uint8_t m_inGloom = 0;
    float m_inGloomClock = 0.0f;
    uint8_t m_slowed = 0;
    float m_slowClock = 0.0f;
    float m_bonusTime = 0.0f;
    float m_driveTime = 0.0f;
    // Set by the level loader on the player's vehicle: the step sends the
    // direction arrows and counts drift time, the crash ends sooner, the
    // vehicle is never put back for standing still, and a respawn starts
    // from the level's line of the player.
    uint8_t m_arrows = 0;
    int32_t m_driverValues[2] = {};
    uint8_t m_dead = 0;
    uint8_t m_wallContact = 0;

    // Opponent steering limits, from the description's "camera" "min" and "max".
    int32_t limitMin = 0;
    int32_t limitMax = 0;
    uint8_t m_hasMines = 0;
    uint8_t m_mineBlock = 0;
    int32_t m_mineCount = 0;
    float m_mineFactor = 0.0f;
    std::string m_mineIcon;
    uint8_t m_nitroStarted = 0;
};
