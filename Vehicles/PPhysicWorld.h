// The object half of the game's rigid-body simulator. A world owns
// fixed-capacity pools of bodies, geometries, line sensors and controller
// nodes (records are taken, never given back), the lists of active and
// inactive bodies, the broad-phase registry, gravity, the material and
// collision tables, the callbacks through which the simulator talks to the
// game, and a log sink. Time stepping, the solver and collision detection are
// not here: a stepper supplied by the host runs over these records, and the
// world keeps the stepper's own pools and work storage at the sizes asked for.
#pragma once

#include "Vehicles/PPhysicAllocator.h"
#include "Vehicles/PPhysicAnimatedBody.h"
#include "Vehicles/PPhysicBody.h"
#include "Vehicles/PPhysicBroadPhase.h"
#include "Vehicles/PPhysicCollisionTable.h"
#include "Vehicles/PPhysicContact.h"
#include "Vehicles/PPhysicControllerNode.h"
#include "Vehicles/PPhysicLineSensor.h"
#include "Vehicles/PPhysicList.h"
#include "Vehicles/PPhysicMaterialTable.h"
#include "Vehicles/PPhysicPerfCounter.h"
#include "Vehicles/PPhysicPool.h"
#include "Vehicles/PPhysicShape.h"

#include <cstdint>

// Pool sizes of a world; the caller's record replaces these defaults whole.
struct CPPhysicPoolSizes
{
    int32_t rigidBodiesCount = 50;
    int32_t animatedBodiesCount = 50;
    int32_t rigidParticleCount = 50;
    // Controller nodes.
    int32_t constraintSetsCount = 50;
    // 50 x 49 / 2: every pair among 50 bodies.
    int32_t overlappedPairsCount = 1225;
    int32_t geometriesCount = 50;
    int32_t constraintsCount = 100;
    int32_t constraintGroupsCount = 100;
    // The last three are carried for the stepper.
    int32_t constraintBufferSize = 2000;
    int32_t sensorsCount = 100;
    int32_t terrainNodesStart = 200;
    int32_t terrainNodesGrowBy = -1;
};

// A record of the stepper's own pools; the stepper decides its contents.
struct CPPhysicStepperRecord
{
    alignas(16) uint8_t m_data[64] = {};
    CPPhysicStepperRecord* m_prev = nullptr;
    CPPhysicStepperRecord* m_next = nullptr;
    uint8_t m_inUse = 0;
};

// Growable array of the stepper's work entries, kept through the allocator.
class CPPhysicWorkArray
{
public:
    CPPhysicWorkArray() = default;
    CPPhysicWorkArray(const CPPhysicWorkArray&) = delete;
    CPPhysicWorkArray& operator=(const CPPhysicWorkArray&) = delete;
    ~CPPhysicWorkArray();

    // Room for at least `capacity` entries; false when it cannot be had.
    bool Reserve(CPPhysicAllocator* allocator, int32_t capacity);
    // Appends, doubling the room when full; false when it cannot grow.
    bool Push(void* entry);

    CPPhysicAllocator* m_allocator = nullptr;
    void** m_entries = nullptr;
    int32_t m_count = 0;
    int32_t m_capacity = 0;
};

// The stepper's node store: two nodes with four child indices and a box.
struct CPPhysicNode
{
    int32_t m_values[2] = {};
    int32_t m_children[4] = { -1, -1, -1, -1 };
    float m_minimum[3] = {};
    float m_maximum[3] = {};
};

struct CPPhysicNodeStore
{
    static constexpr int32_t kNodeCount = 2;
    CPPhysicNode m_nodes[kNodeCount];
};

class CPPhysicWorld
{
public:
    static constexpr int32_t kWorkArrayCount = 6;
    static constexpr int32_t kMessageSize = 256;

    // A new world with the caller's pool sizes (null: the defaults), the
    // caller's allocator (null: the world's own heap allocator) and gravity
    // (null: none). Null only when the world object itself cannot be had;
    // pools that cannot be had stay empty.
    static CPPhysicWorld* Create(const CPPhysicPoolSizes* sizes, CPPhysicAllocator* allocator,
                                 const D3DXVECTOR4* gravity);
    // Gives every pool and array back to the allocator. The bodies, records
    // and callbacks of the world must no longer be used.
    ~CPPhysicWorld();
    CPPhysicWorld(const CPPhysicWorld&) = delete;
    CPPhysicWorld& operator=(const CPPhysicWorld&) = delete;

    // New active bodies, or null when their pool is empty.
    CPPhysicBody* CreateRigidBody() { return CreateBody(0); }
    CPPhysicBody* CreateRigidParticle() { return CreateBody(1); }
    CPPhysicBody* CreateBody(int32_t particle);
    CPPhysicAnimatedBody* CreateAnimatedBody();

    // Direction and magnitude are zero for a gravity shorter than 1e-3.
    void SetGravity(const D3DXVECTOR4& gravity);
    CPPhysicCollisionTable* GetCollisionTable() { return &m_collisionTable; }
    // Friction and restitution with the third coefficient 0; false for an
    // index outside 0 to 255.
    bool SetMaterial(int32_t index, float friction, float restitution);
    // Returns the callback it replaces.
    CPPhysicCollisionCallback SetCollisionCallback(CPPhysicCollisionCallback callback);
    // Returns the callback it stores.
    CPPhysicTerrainQueryCallback SetTerrainQueryCallback(CPPhysicTerrainQueryCallback callback);

    // The log: a message is printed through the sink when one is set and the
    // log level is at least the message's level. Both start unset (level 0).
    void SetLogSink(CPPhysicLogSink sink) { m_logSink = sink; }
    void SetLogLevel(int32_t level) { m_logLevel = level; }
    // Passes the message buffer to the sink, as above.
    void Log(int32_t level);
    // The last message formatted, whether or not it was printed.
    const char* GetLogMessage() const { return m_message; }

    // Records for a body's lists, or null (with the message logged at level 1).
    CPPhysicShape* TakeGeometry();
    CPPhysicLineSensor* TakeSensor();
    CPPhysicControllerNode* TakeControllerNode();

    // The active or inactive list of the body's kind.
    CPPhysicList<CPPhysicBodyHeader>& GetBodyList(const CPPhysicBodyHeader* body, bool active);

    // The world's own heap allocator comes first so that it outlives every
    // pool that may use it.
    CPPhysicAllocator m_defaultAllocator;
    CPPhysicAllocator* m_allocator = nullptr;
    CPPhysicPoolSizes m_sizes;

    CPPhysicPool<CPPhysicBody> m_rigidBodyPool;
    CPPhysicPool<CPPhysicBody> m_particlePool;
    CPPhysicPool<CPPhysicAnimatedBody> m_animatedBodyPool;
    CPPhysicPool<CPPhysicShape> m_geometryPool;
    CPPhysicPool<CPPhysicLineSensor> m_sensorPool;
    CPPhysicPool<CPPhysicControllerNode> m_controllerNodePool;
    CPPhysicPool<CPPhysicStepperRecord> m_constraintPool;
    CPPhysicPool<CPPhysicStepperRecord> m_constraintGroupPool;
    // Per-body stepper records: rigid bodies + particles, and that plus 100.
    CPPhysicPool<CPPhysicStepperRecord> m_bodyRecordPool;
    CPPhysicPool<CPPhysicStepperRecord> m_bodyRecordExtraPool;

    CPPhysicList<CPPhysicBodyHeader> m_activeRigidBodies;
    CPPhysicList<CPPhysicBodyHeader> m_inactiveRigidBodies;
    CPPhysicList<CPPhysicBodyHeader> m_activeAnimatedBodies;
    CPPhysicList<CPPhysicBodyHeader> m_inactiveAnimatedBodies;
    CPPhysicList<CPPhysicBodyHeader> m_activeParticles;
    CPPhysicList<CPPhysicBodyHeader> m_inactiveParticles;

    CPPhysicBroadPhase m_broadPhase;

    D3DXVECTOR4 m_gravity;
    D3DXVECTOR4 m_gravityDirection;
    float m_gravityMagnitude = 0.0f;
    // 0.3 x the gravity's length, for the stepper.
    float m_gravityStepperValue = 0.0f;

    CPPhysicMaterialTable m_materialTable;
    CPPhysicCollisionTable m_collisionTable;

    CPPhysicCollisionCallback m_collisionCallback = nullptr;
    CPPhysicTerrainQueryCallback m_terrainQueryCallback = nullptr;
    CPPhysicLogSink m_logSink = nullptr;
    // Set by nothing; kept for the stepper.
    void* m_spareCallbacks[3] = {};
    int32_t m_logLevel = 0;
    char m_message[kMessageSize] = {};

    CPPhysicPerfCounter m_perfCounter;
    // The terrain's side of a contact: index -1, active, in no list, an
    // identity transform.
    CPPhysicAnimatedBody m_staticBody;
    CPPhysicWorkArray m_workArrays[kWorkArrayCount];
    CPPhysicNodeStore m_nodeStore;

private:
    CPPhysicWorld();
    // The three body pools and, when all three are there, the broad phase.
    void AllocatePools();
    // Formats the message with its line feed and logs it at level 1.
    void Report(const char* message);
};
