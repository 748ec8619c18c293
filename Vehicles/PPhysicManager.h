// Physics manager: the game's single owner of the simulator world. It creates
// the world with the game's pool sizes, gravity, materials, collision table
// and callbacks; turns a game object's physics description into a simulator
// body; makes the vehicle of a race car; keeps the set of physical objects
// in play; parks the bodies of removed objects far below the level until its
// update disposes of them; and carries the level collision grid that its
// terrain callback searches. One global object (GetPhysicManager), made by
// the host, which also supplies the stepper that its per-frame update runs.
#pragma once

#include "Core/PSmartPtr.h"
#include "Core/PTask.h"
#include "Platform/D3DX9Math.h"
#include "Vehicles/PCollisionGrid.h"
#include "Vehicles/PPhysicContact.h"

#include <cstdint>
#include <unordered_set>
#include <vector>

class CPGameObject;
class CPPhysicAllocator;
class CPPhysicBodyHeader;
class CPPhysicData;
class CPPhysicStepper;
class CPPhysicWorld;
class CPRenderObject;

// A body taken out of play: the body, 0 and the kind 2.
struct CPPhysicRemoval
{
    static constexpr int32_t kKindBody = 2;

    void* m_body = nullptr;
    int32_t m_zero = 0;
    int32_t m_kind = kKindBody;
};

class CPPhysicManager : public CPTask
{
public:
    static constexpr int32_t kTaskOrder = 400;
    static constexpr float kParkingStep = 500.0f;
    static constexpr float kParkingLimit = -100000.0f;
    static constexpr float kParkingRestart = -1000.0f;

    // Installs its body removal into the physics descriptions.
    CPPhysicManager();
    // Destroys the world.
    ~CPPhysicManager() override;

    int32_t GetObjectSize() const override;
    // "CPPhysicManager".
    std::string GetTypeName() const override;

    // Steps the world by the frame time through the stepper (when there are
    // both), then disposes of the pending removals.
    void Update() override;
    int32_t QueryFlag() override;

    // The stepper the update runs (not owned; null: the world stands still).
    void SetStepper(CPPhysicStepper* stepper) { m_stepper = stepper; }
    CPPhysicStepper* GetStepper() const { return m_stepper; }

    // A new world with the game's settings, destroying the previous one, and
    // shown to the stepper. The bounds and counts the level passes are not
    // used.
    void CreateWorld(const D3DXVECTOR3& minimum, const D3DXVECTOR3& maximum, int32_t count1, int32_t count2,
                     int32_t count3);
    CPPhysicWorld* GetWorld() const { return m_world; }
    // The allocator the worlds made from now on take their memory from. Not
    // owned: it must outlive them. Null (the default) leaves each world its
    // own heap allocator.
    void SetWorldAllocator(CPPhysicAllocator* allocator) { m_worldAllocator = allocator; }

    // Builds the object's body from its physics description (nothing without
    // one) and makes the object the body's user data.
    void AddObject(CPSmartPtr<CPGameObject> object, uint8_t active, int32_t material);
    void CreateBody(CPSmartPtr<CPPhysicData> data, const D3DXVECTOR3& position, const D3DXQUATERNION& rotation,
                    uint8_t active, int32_t material);
    // Creates and initialises the object's car and loads its sounds. An
    // object whose car cannot be built keeps an empty car slot.
    void AddCar(CPSmartPtr<CPGameObject> object, uint8_t player);
    void AddGroundBody(CPSmartPtr<CPRenderObject> body);
    const std::vector<CPSmartPtr<CPRenderObject>>& GetGroundBodies() const { return m_groundBodies; }
    void ActivateObject(CPSmartPtr<CPGameObject> object);
    void RemoveObject(CPSmartPtr<CPGameObject> object);
    // Parks the description's body below the level and queues its removal.
    void RemoveBody(CPSmartPtr<CPPhysicData> data);
    void SetCarControls(CPSmartPtr<CPGameObject> object, float throttle, float steering);

    bool IsActiveObject(const CPGameObject* object) const;
    size_t GetActiveObjectCount() const { return m_activeObjects.size(); }
    float GetParkingDepth() const { return m_parkingDepth; }
    void SetParkingDepth(float depth) { m_parkingDepth = depth; }
    const std::vector<CPPhysicRemoval>& GetPendingRemovals() const { return m_pendingRemovals; }

    CPCollisionGrid& GetCollisionGrid() { return m_grid; }
    const CPCollisionGrid& GetCollisionGrid() const { return m_grid; }

    // The world's callbacks.
    static void OnCollision(CPPhysicContact* contact);
    static void QueryTerrainTriangles(const D3DXVECTOR4* minimum, const D3DXVECTOR4* maximum, int32_t** indices,
                                      const CPPhysicTerrainTriangle** triangles, const D3DXVECTOR3** vertices,
                                      int32_t* indexCount, int32_t* triangleCount, CPPhysicBodyHeader* body);

private:
    void EraseEntry(CPGameObject* object);
    void DisposeRemovals();

    // A grid cell of the terrain query, as integers.
    struct QueryCell
    {
        int32_t x;
        int32_t y;
    };

    CPCollisionGrid m_grid;
    float m_parkingDepth = 0.0f;
    std::vector<CPPhysicRemoval> m_pendingRemovals;
    std::unordered_set<CPGameObject*> m_activeObjects;
    CPPhysicWorld* m_world = nullptr;
    CPPhysicAllocator* m_worldAllocator = nullptr;
    std::vector<CPSmartPtr<CPRenderObject>> m_groundBodies;
    CPPhysicStepper* m_stepper = nullptr;
};

extern CPPhysicManager* g_PhysicManager;
CPPhysicManager* GetPhysicManager();
