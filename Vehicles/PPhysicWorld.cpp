#include "Vehicles/PPhysicWorld.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

namespace
{
const char* const kFailedToAllocate = "Failed to allocate memory.";
const char* const kRunOutOfRigidBodies = "Run out of RigidBodies. Increase 'rigidBodiesCount'.";
const char* const kRunOutOfParticles = "Run out of RigidBodies. Increase 'rigidParticleCount'.";
const char* const kRunOutOfGeometries = "Run out of Geometries. Increase 'geometriesCount'.";
const char* const kRunOutOfSensors = "Run out of Sensors. Increase 'sensorsCount'.";
const char* const kRunOutOfControllers = "Run out of Controllers. Increase 'constraintSetsCount'.";

constexpr int32_t kWorkArrayCapacities[CPPhysicWorld::kWorkArrayCount] = { 1000, 1000, 100, 100, 100, 200 };
constexpr int32_t kExtraBodyRecords = 100;
constexpr float kMinSquaredLength = 1e-6f;
constexpr float kGravityStepperFactor = 0.3f;
}

// --- Work arrays -------------------------------------------------------------

CPPhysicWorkArray::~CPPhysicWorkArray()
{
    PhysicFreeArray(m_allocator, m_entries, m_capacity);
}

bool CPPhysicWorkArray::Reserve(CPPhysicAllocator* allocator, int32_t capacity)
{
    if (capacity <= m_capacity)
        return true;
    void** entries = PhysicAllocArray<void*>(allocator, capacity);
    if (!entries)
        return false;
    if (m_count > 0)
        std::memcpy(entries, m_entries, sizeof(void*) * static_cast<size_t>(m_count));
    PhysicFreeArray(m_allocator, m_entries, m_capacity);
    m_allocator = allocator;
    m_entries = entries;
    m_capacity = capacity;
    return true;
}

bool CPPhysicWorkArray::Push(void* entry)
{
    if (m_count == m_capacity) {
        const int64_t grown = m_capacity > 0 ? 2 * static_cast<int64_t>(m_capacity) : 16;
        if (grown > INT32_MAX || !m_allocator || !Reserve(m_allocator, static_cast<int32_t>(grown)))
            return false;
    }
    m_entries[m_count++] = entry;
    return true;
}

// --- World -------------------------------------------------------------------

CPPhysicWorld::CPPhysicWorld()
{
    m_allocator = &m_defaultAllocator;
    m_collisionTable.Reset();
    m_staticBody.Reset();
}

CPPhysicWorld::~CPPhysicWorld() = default;

CPPhysicWorld* CPPhysicWorld::Create(const CPPhysicPoolSizes* sizes, CPPhysicAllocator* allocator,
                                     const D3DXVECTOR4* gravity)
{
    CPPhysicWorld* world = new (std::nothrow) CPPhysicWorld();
    if (!world)
        return nullptr;

    if (sizes)
        world->m_sizes = *sizes;
    world->m_allocator = allocator ? allocator : &world->m_defaultAllocator;

    world->SetGravity(gravity ? *gravity : D3DXVECTOR4());
    world->AllocatePools();
    world->m_materialTable.Reset();

    CPPhysicAllocator* const memory = world->m_allocator;
    const CPPhysicPoolSizes& s = world->m_sizes;
    for (int32_t i = 0; i < kWorkArrayCount; ++i)
        world->m_workArrays[i].Reserve(memory, kWorkArrayCapacities[i]);
    world->m_constraintPool.Create(memory, s.constraintsCount);
    world->m_constraintGroupPool.Create(memory, s.constraintGroupsCount);
    const int64_t bodyRecords = static_cast<int64_t>(s.rigidBodiesCount) + s.rigidParticleCount;
    if (bodyRecords + kExtraBodyRecords <= INT32_MAX) {
        world->m_bodyRecordPool.Create(memory, static_cast<int32_t>(bodyRecords));
        world->m_bodyRecordExtraPool.Create(memory, static_cast<int32_t>(bodyRecords + kExtraBodyRecords));
    }
    world->m_controllerNodePool.Create(memory, s.constraintSetsCount);
    world->m_sensorPool.Create(memory, s.sensorsCount);
    world->m_geometryPool.Create(memory, s.geometriesCount);

    world->m_collisionCallback = nullptr;
    world->m_terrainQueryCallback = nullptr;
    world->m_logSink = nullptr;
    for (void*& callback : world->m_spareCallbacks)
        callback = nullptr;
    world->m_logLevel = 0;
    world->m_staticBody.m_index = -1;
    world->m_staticBody.m_world = world;
    world->m_staticBody.m_active = 1;
    world->m_staticBody.m_userData = nullptr;

    world->m_perfCounter.Create();
    world->m_perfCounter.Calibrate();
    return world;
}

void CPPhysicWorld::AllocatePools()
{
    const bool rigid = m_rigidBodyPool.Create(m_allocator, m_sizes.rigidBodiesCount);
    const bool animated = m_animatedBodyPool.Create(m_allocator, m_sizes.animatedBodiesCount);
    const bool particles = m_particlePool.Create(m_allocator, m_sizes.rigidParticleCount);
    if (!rigid || !animated || !particles) {
        Report(kFailedToAllocate);
        return;
    }
    const int64_t bodies = static_cast<int64_t>(m_sizes.rigidBodiesCount) + m_sizes.animatedBodiesCount;
    if (bodies > INT32_MAX
        || !m_broadPhase.Init(m_allocator, static_cast<int32_t>(bodies), m_sizes.rigidParticleCount,
                              m_sizes.overlappedPairsCount, CPPhysicBroadPhase::kAllAxes)) {
        Report(kFailedToAllocate);
        return;
    }
    m_staticBody.m_rotation = CPPhysicTensor::Identity();
    m_staticBody.m_position = D3DXVECTOR4(0.0f, 0.0f, 0.0f, 1.0f);
}

void CPPhysicWorld::SetGravity(const D3DXVECTOR4& gravity)
{
    m_gravity = gravity;
    const float squared = gravity.x * gravity.x + gravity.y * gravity.y + gravity.z * gravity.z;
    const float length = std::sqrt(squared);
    if (squared < kMinSquaredLength || length == 0.0f)
        m_gravityDirection = D3DXVECTOR4();
    else
        m_gravityDirection = D3DXVECTOR4(gravity.x / length, gravity.y / length, gravity.z / length, 0.0f);
    m_gravityMagnitude = squared < kMinSquaredLength || !std::isfinite(length) ? 0.0f : length;
    m_gravityStepperValue = kGravityStepperFactor * length;
}

bool CPPhysicWorld::SetMaterial(int32_t index, float friction, float restitution)
{
    return m_materialTable.Set(index, friction, restitution, 0.0f);
}

CPPhysicCollisionCallback CPPhysicWorld::SetCollisionCallback(CPPhysicCollisionCallback callback)
{
    const CPPhysicCollisionCallback previous = m_collisionCallback;
    m_collisionCallback = callback;
    return previous;
}

CPPhysicTerrainQueryCallback CPPhysicWorld::SetTerrainQueryCallback(CPPhysicTerrainQueryCallback callback)
{
    m_terrainQueryCallback = callback;
    return callback;
}

void CPPhysicWorld::Log(int32_t level)
{
    if (m_logSink && m_logLevel >= level)
        m_logSink(m_message);
}

void CPPhysicWorld::Report(const char* message)
{
    std::snprintf(m_message, sizeof(m_message), "%s\n", message);
    Log(1);
}

CPPhysicBody* CPPhysicWorld::CreateBody(int32_t particle)
{
    CPPhysicPool<CPPhysicBody>& pool = particle ? m_particlePool : m_rigidBodyPool;
    CPPhysicBody* body = pool.Take();
    if (!body) {
        Report(particle ? kRunOutOfParticles : kRunOutOfRigidBodies);
        return nullptr;
    }
    body->Reset(particle ? 1 : 0);
    (particle ? m_activeParticles : m_activeRigidBodies).PushTail(body);
    body->m_index = pool.IndexOf(body);
    if (particle)
        body->m_index += m_sizes.rigidBodiesCount + m_sizes.animatedBodiesCount;
    body->m_world = this;
    return body;
}

CPPhysicAnimatedBody* CPPhysicWorld::CreateAnimatedBody()
{
    CPPhysicAnimatedBody* body = m_animatedBodyPool.Take();
    if (!body)
        return nullptr;
    body->Reset();
    m_activeAnimatedBodies.PushTail(body);
    body->m_index = m_sizes.rigidBodiesCount + m_animatedBodyPool.IndexOf(body);
    body->m_world = this;
    return body;
}

CPPhysicShape* CPPhysicWorld::TakeGeometry()
{
    CPPhysicShape* geometry = m_geometryPool.Take();
    if (!geometry)
        Report(kRunOutOfGeometries);
    return geometry;
}

CPPhysicLineSensor* CPPhysicWorld::TakeSensor()
{
    CPPhysicLineSensor* sensor = m_sensorPool.Take();
    if (!sensor)
        Report(kRunOutOfSensors);
    return sensor;
}

CPPhysicControllerNode* CPPhysicWorld::TakeControllerNode()
{
    CPPhysicControllerNode* node = m_controllerNodePool.Take();
    if (!node)
        Report(kRunOutOfControllers);
    return node;
}

CPPhysicList<CPPhysicBodyHeader>& CPPhysicWorld::GetBodyList(const CPPhysicBodyHeader* body, bool active)
{
    if (body->m_kind == CPPhysicBodyHeader::kKindAnimated)
        return active ? m_activeAnimatedBodies : m_inactiveAnimatedBodies;
    if (static_cast<const CPPhysicBody*>(body)->m_particle)
        return active ? m_activeParticles : m_inactiveParticles;
    return active ? m_activeRigidBodies : m_inactiveRigidBodies;
}
