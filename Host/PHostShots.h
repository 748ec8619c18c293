// The host's shots: the shot manager it makes, the generic shot class behind
// every fired type that is not a bolt, the templates of the types the game
// fires, and the per-frame stepping, drawing and recycling of the shots in
// flight.
#pragma once

#include "Race/PShot.h"

#include <cstdint>
#include <string>
#include <vector>

// A bullet, rocket, explosion, gib or bonus. Its record: entry 0 the firing
// side (not used), 1 its speed in units per second, 2 its damage, 3 its time
// in flight in seconds, 4 the shot type fired where it hits (none when
// empty), last the sound spec. It flies along its launch direction at its
// speed plus the car speed when one is given, tests the vehicles and the
// level's objects along each step, damages what it hits, fires its hit
// effect there and is spent; unhit it is spent when its time is up.
class CPHostShot : public CPShot
{
public:
    explicit CPHostShot(const std::string& typeName);

    // A new shot of this type initialised with the same record.
    void Clone(CPSmartPtr<CPShot>& out) const override;
    // One step by the frame time; false once the shot is spent.
    bool IsAlive() override;
    bool Init(const CPShotRecord& record) override;
    // The value is the damage (-1 or less: the record's damage). The owner's
    // root object is never hit by this shot.
    void Launch(const D3DXVECTOR3& position, const D3DXVECTOR3& direction, float speed,
                const CPSmartPtr<CPGameObject>& owner, const float* carSpeed) override;

    float GetDamage() const { return m_damage; }
    float GetFlightSpeed() const { return m_flightSpeed; }
    float GetAge() const { return m_age; }
    const std::string& GetHitEffect() const { return m_hitEffect; }

private:
    // Applies the damage to the vehicle or object that was hit.
    void DamageHit(const CPRayQuery& query) const;

    CPShotRecord m_record;
    float m_recordSpeed = 0.0f;
    float m_recordDamage = 0.0f;
    float m_lifeTime = 0.0f;
    std::string m_hitEffect;
    // Set by each launch.
    float m_damage = 0.0f;
    float m_flightSpeed = 0.0f;
    float m_age = 0.0f;
    D3DXVECTOR3 m_heading;
    // Looked up when needed: the owner may end before the shot.
    uint64_t m_ownerId = 0;
};

struct CPHostShotType
{
    const char* name;
    CPShotRecord record;
};

// Every type name the game fires by itself, with its record.
const std::vector<CPHostShotType>& GetHostShotTypes();

// Creates the shot manager, publishes it in g_ShotManager, registers a
// template for every type of GetHostShotTypes and makes StepHostShots the
// host's frame work.
void CreateHostShots();
// Destroys the manager with all its shots and clears both pointers.
void DestroyHostShots();
// Registers a template for each bonus kind that the game data's mission
// names and that has none yet.
void RegisterBonusShotTemplates();
// Once per frame after the tasks: the bonus templates, then each shot that
// was in flight at the start takes its step; the spent ones go back to the
// end of their type's pool, the others (with those fired meanwhile) stay in
// firing order, and the visible ones with a material are queued for drawing.
void StepHostShots();
