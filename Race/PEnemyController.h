// Enemy controller: drives an enemy character that hangs on a game object.
// The object forwards three events to it: the end of an animation, the
// per-step update and damage. The controller decides which animation follows
// which and what damage does; the component that attaches it supplies its
// configuration, its behaviour state and its movement.
#pragma once

#include "Core/PGameObject.h"
#include "Platform/D3DX9Math.h"

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

class CPGameObject;
class CPLevel;
class CPPlayer;

// The enemy's behaviour state machine, supplied by the controller's creator.
class CPEnemyBehaviour
{
public:
    virtual ~CPEnemyBehaviour();
    // Called after an attack animation was started again.
    virtual void Restart() = 0;

    int32_t m_state = 0;
    int32_t m_timeInState = 0;
    // State values by state number.
    std::map<int32_t, int32_t> m_states;
};

// The enemy's movement, supplied by the controller's creator.
class CPEnemyMover
{
public:
    virtual ~CPEnemyMover();
    // Planar heading (x, y).
    virtual D3DXVECTOR2 GetHeading() const = 0;
    virtual D3DXVECTOR3 GetPosition() const = 0;
};

// One melee animation's strike.
struct CPMeleeRecord
{
    int32_t reportFrame = -1;
    // In the enemy's frame.
    D3DXVECTOR3 strikeOrigin;
    D3DXVECTOR3 strikeOffset;
    float impulse = 0.0f;
    float damage = 0.0f;
};

class CPEnemyController
{
public:
    // Behaviour state numbers the controller switches to.
    static constexpr int32_t kStateAfterFire = 1;
    static constexpr int32_t kStateDead = 4;

    CPEnemyController(CPGameObject* object, CPEnemyBehaviour* behaviour, CPEnemyMover* mover);
    virtual ~CPEnemyController();
    CPEnemyController(const CPEnemyController&) = delete;
    CPEnemyController& operator=(const CPEnemyController&) = delete;

    // Applies the animation to the object unless it is already the current
    // one and forced is false. Once: one pass, reporting at reportFrame.
    void PlayAnimation(const std::string& name, bool once, bool forced, int32_t reportFrame);
    // The object's current animation ended: chooses what follows.
    void OnAnimationEnd();
    // Once per animation pass, at the report frame: the strike of the
    // current melee animation or the volley of the "fire" animation, aimed
    // at the level's followed vehicle.
    void Update();
    // Takes a hit at point from direction. Quiet hits hurt only an enemy whose
    // hit effect is "oil1"; a dead enemy ignores damage.
    void OnDamage(const D3DXVECTOR3& point, const D3DXVECTOR3& direction, float amount, bool noEffect,
                  uint8_t quiet);

    const CPAnimationRequest& GetCurrentAnimation() const { return m_currentAnimation; }

    CPEnemyBehaviour* m_behaviour;
    CPEnemyMover* m_mover;
    CPGameObject* m_object;
    // The model's forward direction at heading 0.
    D3DXVECTOR3 m_referenceAxis;
    float m_health = 0.0f;
    // "explosion", "hmgun", "rocket", "plasma", "mgun", "lgun", "shotgun";
    // anything else attacks in melee only.
    std::string m_weapon;
    // Number of "melee%d" animations, at least 1.
    int32_t m_meleeCount = 1;
    float m_gibHeight = 0.0f;
    // Shot type fired where the enemy is hit ("oil1", "blood1", ...).
    std::string m_hitEffect;
    uint8_t m_hit = 0;
    // Indexed from 1: entry n belongs to "melee<n>"; entry 0 is not used.
    std::vector<CPMeleeRecord> m_melee;
    int32_t m_fireReportFrame = -1;
    // In the enemy's frame.
    D3DXVECTOR3 m_muzzle;
    int32_t m_deathValue = 0;
    // 1 while "fire" repeats after "fire_in", 0 after "fire_out".
    int32_t m_firing = 0;
    uint8_t m_dead = 0;
    uint8_t m_gore = 0;
    // First field of the "enemy_death" report.
    std::string m_name;
    // Sounds of the events "hit1" and "hit2".
    std::unordered_map<std::string, std::string> m_soundNames;
    uint8_t m_animationEnded = 0;
    int32_t m_reward = 0;
    int32_t m_rocketCounter = 0;
    uint8_t m_deathProcessed = 0;
    uint8_t m_reportSuppressed = 0;
    uint8_t m_deathReported = 0;

    // A direction drawn at random within halfAngle radians of the unit axis.
    static D3DXVECTOR3 DrawInCone(const D3DXVECTOR3& axis, float halfAngle);

private:
    // The melee record's blow along the horizontal direction to the player;
    // the "explosion" weapon blows itself up on its first melee instead.
    void Strike(CPLevel& level, CPPlayer& player, int32_t record, const D3DXMATRIX& rotation,
                const D3DXVECTOR3& position, const D3DXVECTOR3& toPlayer);
    // The weapon's shots from the muzzle toward the target.
    void FireVolley(const D3DXMATRIX& rotation, const D3DXVECTOR3& position, const D3DXVECTOR3& target);
    // One shot of the type from the shot manager, without owner.
    void FireShot(const char* type, const D3DXVECTOR3& from, const D3DXVECTOR3& direction);
    // The sound the event names, restarted from its beginning.
    void PlayHitSound(const char* event);
    // The reward to the game data's money (reported to "gamemenu") and one
    // more kill.
    void PayReward();
    // Hides the body and throws 5 to 9 gibs from above its position.
    void ThrowGibs();
    // Sends "enemy_death" to the level once, unless suppressed.
    void ReportDeath();
    // The behaviour switches to the state's value, its clock to 0.
    void EnterState(int32_t state);

    CPAnimationRequest m_currentAnimation;
    std::string m_meleeName;
};
