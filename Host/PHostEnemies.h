// The host's enemies: it attaches an enemy controller to a loaded enemy
// object with the configuration of its type, and every frame runs each
// enemy's small behaviour (idle; walk toward the followed vehicle once it is
// within sight; attack when in range; die) and walks it on the ground. The
// controller itself strikes, fires and dies at its animations' report frames
// when the body is drawn; the host queues its enemies for drawing.
#pragma once

#include "Core/PTask.h"
#include "Race/PEnemyController.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CPGameObject;

// What an enemy type is made of.
struct CPHostEnemyType
{
    std::string name;
    // The controller's weapon: "" attacks in melee only.
    std::string weapon;
    float health = 100.0f;
    int32_t reward = 10;
    std::string hitEffect = "blood1";
    uint8_t gore = 1;
    // Within this distance the enemy walks toward the followed vehicle.
    float sightRadius = 40.0f;
    // Within this distance it attacks.
    float attackRange = 2.5f;
    // Units per second.
    float walkSpeed = 2.0f;
};

// The behaviour states; the controller switches to the values its map gives
// for its state numbers 1 (after firing) and 4 (death).
class CPHostEnemyBehaviour : public CPEnemyBehaviour
{
public:
    enum State : int32_t
    {
        kIdle = 0,
        kWalk = 1,
        kAttack = 2,
        kStopFiring = 3,
        kDying = 4,
    };

    CPHostEnemyBehaviour();
    // An attack animation started again: a target that left the range ends
    // the attack.
    void Restart() override;

    // Set by the enemy that owns the behaviour.
    bool m_targetInRange = true;
    // The state whose entry was last handled.
    int32_t m_enteredState = -1;
    // Raised by Restart when the attack is to end.
    bool m_attackEnded = false;
};

// Walks the enemy on the ground: its position and its planar heading.
class CPHostEnemyMover : public CPEnemyMover
{
public:
    D3DXVECTOR2 GetHeading() const override { return m_heading; }
    D3DXVECTOR3 GetPosition() const override { return m_position; }

    D3DXVECTOR2 m_heading{ 0.0f, -1.0f };
    D3DXVECTOR3 m_position;
};

// One attached enemy.
struct CPHostEnemy
{
    uint64_t objectId = 0;
    CPGameObject* object = nullptr;
    CPHostEnemyType type;
    CPHostEnemyBehaviour behaviour;
    CPHostEnemyMover mover;
    std::unique_ptr<CPEnemyController> controller;
};

class CPHostEnemies : public CPTask
{
public:
    // After the physics step, before the race.
    static constexpr int32_t kOrder = 450;

    CPHostEnemies();
    // Detaches every enemy whose object still lives.
    ~CPHostEnemies() override;

    int32_t GetObjectSize() const override;
    // "CPHostEnemies".
    std::string GetTypeName() const override;

    // The type of that name: "melee", "explosion", "hmgun", "rocket",
    // "plasma", "mgun", "lgun" or "shotgun"; null for any other name.
    static const CPHostEnemyType* FindType(const std::string& name);

    // Hangs a controller configured for the type on the object, standing
    // where the object stands; the object's physics data stops being pushed.
    // Null for an unknown type or an object that already has a controller.
    CPEnemyController* Attach(CPGameObject& object, const std::string& typeName);
    const std::vector<std::unique_ptr<CPHostEnemy>>& GetEnemies() const { return m_enemies; }

    // Steps every enemy by the frame time and queues it for drawing; drops
    // enemies whose objects are gone.
    void Update() override;
    int32_t QueryFlag() override;

    // One enemy's behaviour step of dt seconds.
    static void Step(CPHostEnemy& enemy, float dt);

private:
    std::vector<std::unique_ptr<CPHostEnemy>> m_enemies;
};

// The host's enemies, made by CreateHostEnemies and listed as a task; null
// before and after.
CPHostEnemies* GetHostEnemies();
void CreateHostEnemies();
void DestroyHostEnemies();
