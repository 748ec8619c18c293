#include "PhysicFixture.h"

#include <set>

namespace
{
// Values of an axis's endpoints, in list order.
std::vector<float> AxisValues(const CPPhysicEndpointAxis& axis)
{
    std::vector<float> values;
    for (const CPPhysicEndpoint* e = axis.m_used.m_head; e; e = e->m_next)
        values.push_back(e->m_value);
    return values;
}

CPPhysicBody* PlacedBody(CPPhysicWorld& world, float x)
{
    CPPhysicBody* body = world.CreateRigidBody();
    body->AddGeometry();
    body->m_worldMin = D3DXVECTOR3(x - 1.0f, -1.0f, -1.0f);
    body->m_worldMax = D3DXVECTOR3(x + 1.0f, 1.0f, 1.0f);
    EXPECT_TRUE(world.m_broadPhase.AttachEndpoints(body));
    return body;
}
}

TEST(PhysicBroadPhase, RemovingABodyFreesItsEndpointsMembershipAndPairs)
{
    WorldPtr world = MakeWorld();
    CPPhysicBroadPhase& broad = world->m_broadPhase;
    CPPhysicBody* a = PlacedBody(*world, 0.0f);
    CPPhysicBody* b = PlacedBody(*world, 5.0f);
    CPPhysicBody* c = PlacedBody(*world, 1.5f);
    EXPECT_EQ(AxisValues(broad.m_axes[0]), (std::vector<float>{ -1.0f, 0.5f, 1.0f, 2.5f, 4.0f, 6.0f }));
    EXPECT_FALSE(broad.AttachEndpoints(a));
    broad.AddPair(a, b);
    broad.AddPair(b, c);
    CPPhysicOverlapPair* kept = broad.AddPair(a, c);
    EXPECT_EQ(broad.m_pendingCount, 3);

    b->SetActive(false, nullptr);
    EXPECT_EQ(b->m_membership, nullptr);
    EXPECT_EQ(b->m_registration, CPPhysicBodyHeader::kRemoved);
    EXPECT_EQ(broad.m_usedMembers.m_count, 2);
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_EQ(b->m_minEndpoints[axis], nullptr);
        EXPECT_EQ(b->m_maxEndpoints[axis], nullptr);
        EXPECT_EQ(broad.m_axes[axis].m_used.m_count, 4);
    }
    EXPECT_EQ(AxisValues(broad.m_axes[0]), (std::vector<float>{ -1.0f, 0.5f, 1.0f, 2.5f }));
    ASSERT_EQ(broad.m_usedPairs.m_count, 1);
    EXPECT_EQ(broad.m_usedPairs.m_head, kept);

    // Back in: a member again, not queued again, and placed anew by the stepper.
    b->SetActive(true, nullptr);
    EXPECT_NE(b->m_membership, nullptr);
    EXPECT_EQ(b->m_registration, CPPhysicBodyHeader::kRegistered);
    EXPECT_EQ(broad.m_pendingCount, 3);
    EXPECT_TRUE(broad.AttachEndpoints(b));
    EXPECT_EQ(broad.m_axes[0].m_used.m_tail->m_value, 6.0f);

    // Removing a body that is not a member does nothing.
    b->SetActive(false, nullptr);
    const int32_t freeMembers = broad.m_freeMembers.m_count;
    broad.Remove(b);
    EXPECT_EQ(broad.m_freeMembers.m_count, freeMembers);
    EXPECT_EQ(b->m_registration, CPPhysicBodyHeader::kRemoved);
}

TEST(PhysicBroadPhase, PairEntriesAreOnePerUnorderedPair)
{
    CPPhysicPoolSizes sizes;
    sizes.rigidBodiesCount = 3;
    sizes.animatedBodiesCount = 2;
    sizes.rigidParticleCount = 2;
    WorldPtr world = MakeWorld(sizes);
    const CPPhysicBroadPhase& broad = world->m_broadPhase;
    ASSERT_EQ(broad.m_pairTableSize, 10);
    std::set<uint8_t*> entries;
    for (int32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(broad.GetPairEntry(i, i), nullptr);
        for (int32_t j = i + 1; j < 5; ++j) {
            uint8_t* entry = broad.GetPairEntry(i, j);
            ASSERT_NE(entry, nullptr);
            EXPECT_EQ(broad.GetPairEntry(j, i), entry);
            EXPECT_LT(entry - broad.m_pairTable, 10);
            entries.insert(entry);
        }
    }
    EXPECT_EQ(entries.size(), 10u);
    EXPECT_EQ(broad.GetPairEntry(0, 5), nullptr);
    EXPECT_EQ(broad.GetPairEntry(-1, 2), nullptr);
    EXPECT_EQ(broad.GetParticleEntry(4, 1) - broad.m_particleTable, 9);
    EXPECT_EQ(broad.GetParticleEntry(4, 2), nullptr);
    EXPECT_EQ(broad.GetParticleEntry(5, 0), nullptr);
}

TEST(PhysicBroadPhase, PairRecordsRunOutAtTheirCapacity)
{
    CPPhysicPoolSizes sizes;
    sizes.overlappedPairsCount = 2;
    WorldPtr world = MakeWorld(sizes);
    CPPhysicBody* a = world->CreateRigidBody();
    CPPhysicBody* b = world->CreateRigidBody();
    EXPECT_NE(world->m_broadPhase.AddPair(a, b), nullptr);
    EXPECT_NE(world->m_broadPhase.AddPair(b, a), nullptr);
    EXPECT_EQ(world->m_broadPhase.AddPair(a, b), nullptr);
}
