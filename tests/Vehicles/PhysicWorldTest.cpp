#include "PhysicFixture.h"

#include "Platform/Clock.h"

#include <cstdlib>
#include <functional>
#include <map>

namespace
{
// Hands out heap blocks, remembers which are still out, and can refuse.
class CountingAllocator : public CPPhysicAllocator
{
public:
    void* Alloc(uint32_t size, uint32_t hint) override
    {
        EXPECT_EQ(hint, 0u);
        ++m_calls;
        m_bytes += size;
        if (m_refuseAll || (m_refuseAbove && size > m_refuseAbove))
            return nullptr;
        void* block = std::malloc(size ? size : 1);
        m_outstanding[block] = size;
        return block;
    }
    void Free(void* block) override
    {
        EXPECT_EQ(m_outstanding.erase(block), 1u) << "block not from this allocator";
        std::free(block);
    }

    bool m_refuseAll = false;
    uint32_t m_refuseAbove = 0;
    int m_calls = 0;
    uint32_t m_bytes = 0;
    std::map<void*, uint32_t> m_outstanding;
};

struct ExhaustionCase
{
    const char* name;
    std::function<void(CPPhysicPoolSizes&)> shrink;
    // Takes one record of the kind; true when it got one.
    std::function<bool(CPPhysicWorld&, CPPhysicBody*)> take;
    // Records still to be had once the test's own particle is made.
    int available;
    const char* message;
};
}

TEST(PhysicWorld, EachPoolRunsOutAtItsCapacityWithItsMessage)
{
    const ExhaustionCase cases[] = {
        { "rigid bodies", [](CPPhysicPoolSizes& s) { s.rigidBodiesCount = 3; },
          [](CPPhysicWorld& w, CPPhysicBody*) { return w.CreateRigidBody() != nullptr; },
          3, "Run out of RigidBodies. Increase 'rigidBodiesCount'.\n" },
        { "rigid particles", [](CPPhysicPoolSizes& s) { s.rigidParticleCount = 2; },
          [](CPPhysicWorld& w, CPPhysicBody*) { return w.CreateRigidParticle() != nullptr; },
          1, "Run out of RigidBodies. Increase 'rigidParticleCount'.\n" },
        { "geometries", [](CPPhysicPoolSizes& s) { s.geometriesCount = 2; },
          [](CPPhysicWorld&, CPPhysicBody* b) { return b->AddGeometry() != nullptr; },
          2, "Run out of Geometries. Increase 'geometriesCount'.\n" },
        { "sensors", [](CPPhysicPoolSizes& s) { s.sensorsCount = 2; },
          [](CPPhysicWorld&, CPPhysicBody* b) { return b->AddSensor() != nullptr; },
          2, "Run out of Sensors. Increase 'sensorsCount'.\n" },
        { "controller nodes", [](CPPhysicPoolSizes& s) { s.constraintSetsCount = 2; },
          [](CPPhysicWorld&, CPPhysicBody* b) { return b->AddController(nullptr, 1) != nullptr; },
          2, "Run out of Controllers. Increase 'constraintSetsCount'.\n" },
    };
    for (const ExhaustionCase& c : cases) {
        SCOPED_TRACE(c.name);
        CPPhysicPoolSizes sizes;
        c.shrink(sizes);
        WorldPtr world = MakeWorld(sizes);
        // The geometry, sensor and controller cases use a particle so the
        // rigid-body pool is left alone.
        CPPhysicBody* body = world->CreateRigidParticle();
        ASSERT_NE(body, nullptr);
        int taken = 0;
        while (c.take(*world, body))
            ASSERT_LT(++taken, 10);
        EXPECT_EQ(taken, c.available);
        EXPECT_STREQ(world->GetLogMessage(), c.message);

        // Printed only with a sink and a level of at least 1.
        LogCapture::Messages().clear();
        world->SetLogSink(&LogCapture::Sink);
        EXPECT_FALSE(c.take(*world, body));
        EXPECT_TRUE(LogCapture::Messages().empty());
        world->SetLogLevel(1);
        EXPECT_FALSE(c.take(*world, body));
        ASSERT_EQ(LogCapture::Messages().size(), 1u);
        EXPECT_EQ(LogCapture::Messages()[0], c.message);
    }
}

TEST(PhysicWorld, AnAnimatedPoolRunsOutWithoutAMessage)
{
    CPPhysicPoolSizes sizes;
    sizes.animatedBodiesCount = 1;
    WorldPtr world = MakeWorld(sizes);
    world->SetLogSink(&LogCapture::Sink);
    world->SetLogLevel(5);
    LogCapture::Messages().clear();
    EXPECT_NE(world->CreateAnimatedBody(), nullptr);
    EXPECT_EQ(world->CreateAnimatedBody(), nullptr);
    EXPECT_TRUE(LogCapture::Messages().empty());
    EXPECT_STREQ(world->GetLogMessage(), "");
}

TEST(PhysicWorld, GameSizesGiveEveryPoolAndTableItsCapacity)
{
    WorldPtr world = MakeWorld(GamePoolSizes());
    const CPPhysicWorld& w = *world;
    EXPECT_EQ(w.m_rigidBodyPool.GetCapacity(), 500);
    EXPECT_EQ(w.m_animatedBodyPool.GetCapacity(), 1000);
    EXPECT_EQ(w.m_particlePool.GetCapacity(), 500);
    EXPECT_EQ(w.m_controllerNodePool.GetCapacity(), 50);
    EXPECT_EQ(w.m_geometryPool.GetCapacity(), 5000);
    EXPECT_EQ(w.m_sensorPool.GetCapacity(), 1000);
    EXPECT_EQ(w.m_constraintPool.GetCapacity(), 150);
    EXPECT_EQ(w.m_constraintGroupPool.GetCapacity(), 150);
    EXPECT_EQ(w.m_bodyRecordPool.GetCapacity(), 1000);
    EXPECT_EQ(w.m_bodyRecordExtraPool.GetCapacity(), 1100);

    const CPPhysicBroadPhase& broad = w.m_broadPhase;
    ASSERT_TRUE(broad.IsInitialised());
    EXPECT_EQ(broad.m_pairTableSize, 1500 * 1499 / 2);
    EXPECT_EQ(broad.m_particleTableSize, 1500 * 500);
    EXPECT_EQ(broad.m_pendingCapacity, 2000);
    EXPECT_EQ(broad.m_freeMembers.m_count, 2000);
    EXPECT_EQ(broad.m_freePairs.m_count, 1500);
    for (const CPPhysicEndpointAxis& axis : broad.m_axes)
        EXPECT_EQ(axis.m_free.m_count, 4000);

    const int32_t capacities[] = { 1000, 1000, 100, 100, 100, 200 };
    for (int i = 0; i < CPPhysicWorld::kWorkArrayCount; ++i)
        EXPECT_EQ(w.m_workArrays[i].m_capacity, capacities[i]);
    for (const CPPhysicNode& node : w.m_nodeStore.m_nodes) {
        for (int32_t child : node.m_children)
            EXPECT_EQ(child, -1);
    }
    // The carried sizes stay as given.
    EXPECT_EQ(w.m_sizes.constraintBufferSize, 10);
    EXPECT_EQ(w.m_sizes.terrainNodesGrowBy, -1);
}

TEST(PhysicWorld, DefaultSizesAreUsedWithoutASizeRecord)
{
    WorldPtr world(CPPhysicWorld::Create(nullptr, nullptr, nullptr));
    ASSERT_NE(world, nullptr);
    EXPECT_EQ(world->m_rigidBodyPool.GetCapacity(), 50);
    EXPECT_EQ(world->m_broadPhase.m_freePairs.m_count, 1225);
    EXPECT_EQ(world->m_gravityMagnitude, 0.0f);
}

TEST(PhysicWorld, BodyIndicesAreUniqueAcrossTheThreePools)
{
    WorldPtr world = MakeWorld(GamePoolSizes());
    EXPECT_EQ(world->CreateRigidBody()->m_index, 0);
    EXPECT_EQ(world->CreateRigidBody()->m_index, 1);
    EXPECT_EQ(world->CreateAnimatedBody()->m_index, 500);
    EXPECT_EQ(world->CreateAnimatedBody()->m_index, 501);
    EXPECT_EQ(world->CreateRigidParticle()->m_index, 1500);
    EXPECT_EQ(world->CreateRigidParticle()->m_index, 1501);
}

TEST(PhysicWorld, PoolsHandOutRecordsInArrayOrderAndKeepThem)
{
    CPPhysicPoolSizes sizes;
    sizes.rigidBodiesCount = 3;
    WorldPtr world = MakeWorld(sizes);
    const CPPhysicPool<CPPhysicBody>& pool = world->m_rigidBodyPool;
    EXPECT_EQ(pool.GetRecord(1)->m_inUse, 0);
    CPPhysicBody* first = world->CreateRigidBody();
    CPPhysicBody* second = world->CreateRigidBody();
    EXPECT_EQ(first, pool.GetRecord(0));
    EXPECT_EQ(second, pool.GetRecord(1));
    EXPECT_EQ(second->m_inUse, 1);
    EXPECT_EQ(pool.GetFreeCount(), 1);
    EXPECT_EQ(pool.GetTakenCount(), 2);
    // Deactivating does not give a record back.
    second->SetActive(false, nullptr);
    EXPECT_EQ(pool.GetFreeCount(), 1);
    EXPECT_EQ(world->m_activeRigidBodies.m_count, 1);
    EXPECT_EQ(world->m_inactiveRigidBodies.m_count, 1);
}

TEST(PhysicWorld, GravityGivesDirectionMagnitudeAndStepperValue)
{
    struct Case
    {
        D3DXVECTOR4 gravity;
        D3DXVECTOR4 direction;
        float magnitude;
        float stepperValue;
    };
    const Case cases[] = {
        { D3DXVECTOR4(0.0f, 0.0f, -9.8f, 0.0f), D3DXVECTOR4(0.0f, 0.0f, -1.0f, 0.0f), 9.8f, 2.94f },
        { D3DXVECTOR4(3.0f, 0.0f, 4.0f, 0.0f), D3DXVECTOR4(0.6f, 0.0f, 0.8f, 0.0f), 5.0f, 1.5f },
        { D3DXVECTOR4(), D3DXVECTOR4(), 0.0f, 0.0f },
        // Shorter than 1e-3: no direction and no magnitude.
        { D3DXVECTOR4(0.0f, 0.0005f, 0.0f, 0.0f), D3DXVECTOR4(), 0.0f, 0.3f * 0.0005f },
    };
    WorldPtr world = MakeWorld();
    for (const Case& c : cases) {
        world->SetGravity(c.gravity);
        EXPECT_EQ(world->m_gravity, c.gravity);
        ExpectNear(world->m_gravityDirection, c.direction);
        EXPECT_FLOAT_EQ(world->m_gravityMagnitude, c.magnitude);
        EXPECT_FLOAT_EQ(world->m_gravityStepperValue, c.stepperValue);
    }
}

TEST(PhysicWorld, CreationLeavesCallbacksAndLogClearAndAStaticBodyAside)
{
    WorldPtr world = MakeWorld();
    EXPECT_EQ(world->m_collisionCallback, nullptr);
    EXPECT_EQ(world->m_terrainQueryCallback, nullptr);
    EXPECT_EQ(world->m_logSink, nullptr);
    EXPECT_EQ(world->m_logLevel, 0);

    const CPPhysicAnimatedBody& fixed = world->m_staticBody;
    EXPECT_EQ(fixed.m_index, -1);
    EXPECT_EQ(fixed.m_world, world.get());
    EXPECT_TRUE(fixed.IsActive());
    EXPECT_EQ(fixed.m_kind, CPPhysicBodyHeader::kKindAnimated);
    EXPECT_EQ(fixed.m_userData, nullptr);
    ExpectDiagonal(fixed.m_rotation, 1.0f, 1.0f, 1.0f);
    ExpectNear(fixed.m_position, D3DXVECTOR4(0.0f, 0.0f, 0.0f, 1.0f));
    EXPECT_EQ(world->m_activeAnimatedBodies.m_count, 0);
}

TEST(PhysicWorld, EveryBlockComesFromTheCallersAllocatorAndGoesBack)
{
    CountingAllocator allocator;
    {
        WorldPtr world = MakeWorld(GamePoolSizes(), &allocator);
        EXPECT_GT(allocator.m_calls, 10);
        EXPECT_FALSE(allocator.m_outstanding.empty());
        EXPECT_EQ(world->m_defaultAllocator.GetAllocatedTotal(), 0u);
        // Growing a work array goes through it too.
        CPPhysicWorkArray& work = world->m_workArrays[2];
        for (int i = 0; i < 101; ++i)
            ASSERT_TRUE(work.Push(&work));
        EXPECT_EQ(work.m_capacity, 200);
        EXPECT_EQ(work.m_entries[100], &work);
    }
    EXPECT_TRUE(allocator.m_outstanding.empty());

    // The world's own allocator counts the same bytes.
    CountingAllocator fresh;
    WorldPtr counted = MakeWorld(GamePoolSizes(), &fresh);
    WorldPtr own = MakeWorld(GamePoolSizes());
    EXPECT_EQ(own->m_defaultAllocator.GetAllocatedTotal(), fresh.m_bytes);
}

TEST(PhysicWorld, RefusedOrOversizedBodyPoolsAreReportedAndLeaveAnEmptyWorld)
{
    CountingAllocator refusing;
    refusing.m_refuseAll = true;
    WorldPtr refused = MakeWorld(CPPhysicPoolSizes(), &refusing);
    ASSERT_NE(refused, nullptr);
    EXPECT_STREQ(refused->GetLogMessage(), "Failed to allocate memory.\n");
    EXPECT_FALSE(refused->m_broadPhase.IsInitialised());
    EXPECT_EQ(refused->CreateRigidBody(), nullptr);
    EXPECT_EQ(refused->CreateAnimatedBody(), nullptr);

    // A pool too large for a 32-bit block size is refused, not cut short.
    CPPhysicPoolSizes huge;
    huge.rigidBodiesCount = 100000000;
    WorldPtr oversized = MakeWorld(huge);
    EXPECT_STREQ(oversized->GetLogMessage(), "Failed to allocate memory.\n");
    EXPECT_EQ(oversized->m_rigidBodyPool.GetCapacity(), 0);
    EXPECT_EQ(oversized->CreateRigidBody(), nullptr);
}

TEST(PhysicWorld, WithoutABroadPhaseBodiesStillTakeGeometries)
{
    // The pair table for this many bodies is refused, so the registry stays
    // empty while the body pools exist.
    CountingAllocator allocator;
    allocator.m_refuseAbove = 4000000;
    CPPhysicPoolSizes sizes;
    sizes.animatedBodiesCount = 3000;
    WorldPtr world = MakeWorld(sizes, &allocator);
    EXPECT_FALSE(world->m_broadPhase.IsInitialised());
    EXPECT_STREQ(world->GetLogMessage(), "Failed to allocate memory.\n");
    CPPhysicBody* body = world->CreateRigidBody();
    ASSERT_NE(body, nullptr);
    EXPECT_NE(body->AddGeometry(), nullptr);
    EXPECT_EQ(body->m_membership, nullptr);
    body->SetActive(false, nullptr);
    body->SetActive(true, nullptr);
    EXPECT_EQ(body->m_membership, nullptr);
}

TEST(PhysicPerfCounter, CalibrationMeasuresTheCheapestDoubleRead)
{
    // A counter that stands still costs nothing to read twice.
    PlatformClock::SetPerformanceCounter(12345);
    CPPhysicPerfCounter counter;
    counter.Create();
    counter.m_counters[4] = 9;
    counter.Calibrate();
    EXPECT_EQ(counter.m_readCost, 0);
    EXPECT_EQ(counter.m_counters[4], 0u);
    EXPECT_EQ(CPPhysicPerfCounter::GetFrequency(), PlatformClock::kPerformanceFrequency);
    // 1e9 ticks a second fit in the low 32 bits.
    EXPECT_EQ(counter.m_frequencyHighBits, 0);
    PlatformClock::UseRealClocks();

    WorldPtr world = MakeWorld();
    EXPECT_GE(world->m_perfCounter.m_readCost, 0);
    EXPECT_LE(world->m_perfCounter.m_readCost, CPPhysicPerfCounter::kStartingReadCost);
}
