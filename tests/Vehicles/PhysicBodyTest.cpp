#include "PhysicFixture.h"

#include <cmath>
#include <limits>

namespace
{
class PhysicBody : public ::testing::Test
{
protected:
    WorldPtr m_world = MakeWorld();
    CPPhysicBody* m_body = m_world->CreateRigidBody();

    // Marks the body asleep so a later wake can be seen.
    void PutToSleep(CPPhysicBody* body)
    {
        body->m_restCounters[0] = 7;
        body->m_restCounters[1] = 3;
    }
    static bool IsAwake(const CPPhysicBody* body)
    {
        return body->m_restCounters[0] == 0 && body->m_restCounters[1] == 0;
    }
};

D3DXQUATERNION AxisRotation(float x, float y, float z, float angle)
{
    const D3DXVECTOR3 axis(x, y, z);
    D3DXQUATERNION q;
    D3DXQuaternionRotationAxis(&q, &axis, angle);
    return q;
}
}

TEST_F(PhysicBody, NewBodiesStartActiveAtRestAtTheOrigin)
{
    ASSERT_NE(m_body, nullptr);
    EXPECT_EQ(m_body->m_self, m_body);
    EXPECT_TRUE(m_body->IsActive());
    EXPECT_EQ(m_body->m_kind, CPPhysicBodyHeader::kKindRigid);
    EXPECT_EQ(m_body->m_particle, 0);
    EXPECT_EQ(m_body->m_world, m_world.get());
    EXPECT_EQ(m_body->m_mass, 1.0f);
    EXPECT_EQ(m_body->m_inverseMass, 1.0f);
    ExpectDiagonal(m_body->m_inverseInertia, 1.0f, 1.0f, 1.0f);
    ExpectDiagonal(m_body->m_inertia, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(m_body->m_enabled, 1);
    EXPECT_FLOAT_EQ(m_body->m_stepperFactor, 0.2f);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    EXPECT_EQ(m_body->m_pose.m_matrix, identity);
    EXPECT_EQ(m_body->m_pose.m_orientation, D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f));
    EXPECT_EQ(m_body->m_snapshot.m_position, D3DXVECTOR4(0.0f, 0.0f, 0.0f, 1.0f));
    EXPECT_EQ(m_body->m_bounds.m_geometryCount, 0);
    EXPECT_EQ(m_body->m_registration, CPPhysicBodyHeader::kNeverRegistered);
    EXPECT_EQ(m_world->m_activeRigidBodies.m_tail, m_body);

    CPPhysicBody* particle = m_world->CreateRigidParticle();
    EXPECT_EQ(particle->m_particle, 1);
    EXPECT_EQ(m_world->m_activeParticles.m_tail, particle);

    CPPhysicAnimatedBody* animated = m_world->CreateAnimatedBody();
    EXPECT_EQ(animated->m_kind, CPPhysicBodyHeader::kKindAnimated);
    EXPECT_TRUE(animated->IsActive());
    EXPECT_EQ(animated->m_moved, 0);
    ExpectNear(animated->m_position, D3DXVECTOR4(0.0f, 0.0f, 0.0f, 1.0f));
    EXPECT_EQ(m_world->m_activeAnimatedBodies.m_tail, animated);
}

TEST(PhysicInertia, FormulasGiveTheDiagonalOfBoxesAndCylinders)
{
    struct Case
    {
        const char* name;
        D3DXVECTOR4 result;
        D3DXVECTOR4 expected;
    };
    D3DXVECTOR4 unitBox, longBox, fromVector, cylinder, flatCylinder;
    BoxInertiaTensorFromSizes(&unitBox, 1.0f, 1.0f, 1.0f, 1.0f);
    // Only the largest size counts: (2/3) 2 3^2.
    BoxInertiaTensorFromSizes(&longBox, 1.0f, 3.0f, 2.0f, 2.0f);
    BoxInertiaTensor(&fromVector, D3DXVECTOR4(0.5f, 0.25f, 2.0f, 99.0f), 3.0f);
    CylinderInertiaTensor(&cylinder, 1.0f, 2.0f, 12.0f);
    CylinderInertiaTensor(&flatCylinder, 4.0f, 0.0f, 1.0f);
    const Case cases[] = {
        { "unit box", unitBox, D3DXVECTOR4(0.6666667f, 0.6666667f, 0.6666667f, 0.0f) },
        { "long box", longBox, D3DXVECTOR4(12.0f, 12.0f, 12.0f, 0.0f) },
        { "box from vector", fromVector, D3DXVECTOR4(8.0f, 8.0f, 8.0f, 0.0f) },
        { "cylinder", cylinder, D3DXVECTOR4(4.75f, 1.5f, 4.75f, 0.0f) },
        { "flat cylinder", flatCylinder, D3DXVECTOR4(1.0f, 2.0f, 1.0f, 0.0f) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectNear(c.result, c.expected, 1e-6f);
    }
}

TEST_F(PhysicBody, InertiaInverseIsKeptForASingularTensor)
{
    m_body->SetInertiaTensor(D3DXVECTOR4(2.0f, 4.0f, 8.0f, 0.0f));
    ExpectDiagonal(m_body->m_inertia, 2.0f, 4.0f, 8.0f);
    ExpectDiagonal(m_body->m_inverseInertia, 0.5f, 0.25f, 0.125f);

    // Singular, then merely tiny (determinant 1e-18): the inverse stays.
    for (const D3DXVECTOR4& singular : { D3DXVECTOR4(0.0f, 1.0f, 1.0f, 0.0f), D3DXVECTOR4(1e-6f, 1e-6f, 1e-6f, 0.0f) }) {
        m_body->SetInertiaTensor(singular);
        ExpectDiagonal(m_body->m_inertia, singular.x, singular.y, singular.z);
        ExpectDiagonal(m_body->m_inverseInertia, 0.5f, 0.25f, 0.125f);
    }
    // Just above the guard (determinant 1e-16) it is inverted.
    m_body->SetInertiaTensor(D3DXVECTOR4(1e-4f, 1e-4f, 1e-8f, 0.0f));
    EXPECT_NEAR(m_body->m_inverseInertia.m_rows[2].z, 1e8f, 1e3f);
}

TEST_F(PhysicBody, MassGivesItsInverseAndAnUnusableMassGivesNone)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    struct Case
    {
        float mass;
        float inverse;
    };
    const Case cases[] = { { 2.0f, 0.5f }, { 0.25f, 4.0f }, { 0.0f, 0.0f }, { -3.0f, 0.0f }, { infinity, 0.0f },
                           { nan, 0.0f } };
    for (const Case& c : cases) {
        m_body->SetMass(c.mass);
        EXPECT_EQ(std::isnan(m_body->m_mass), std::isnan(c.mass));
        if (!std::isnan(c.mass)) {
            EXPECT_EQ(m_body->m_mass, c.mass);
        }
        EXPECT_EQ(m_body->m_inverseMass, c.inverse) << "mass " << c.mass;
    }
    // An immovable body ignores impulses.
    m_body->SetMass(0.0f);
    m_body->ApplyImpulse(D3DXVECTOR4(5.0f, 0.0f, 0.0f, 0.0f), D3DXVECTOR4(0.0f, 0.0f, 0.0f, 1.0f));
    EXPECT_EQ(m_body->m_velocity, D3DXVECTOR4());
}

TEST_F(PhysicBody, RotationRowsFollowTheQuaternionMatrixAndKeepThePosition)
{
    m_body->SetPosition(D3DXVECTOR4(4.0f, 5.0f, 6.0f, 0.0f));
    const D3DXQUATERNION rotations[] = {
        D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f),
        AxisRotation(0.0f, 0.0f, 1.0f, D3DX_PI / 2.0f),
        AxisRotation(1.0f, 2.0f, -0.5f, 0.7f),
        // Not normalised: stored and used as it is.
        D3DXQUATERNION(0.0f, 0.0f, 1.0f, 1.0f),
    };
    for (const D3DXQUATERNION& q : rotations) {
        m_body->SetRotation(q);
        EXPECT_EQ(m_body->m_pose.m_orientation, q);
        D3DXMATRIX expected;
        D3DXMatrixRotationQuaternion(&expected, &q);
        D3DXMATRIX transform;
        EXPECT_EQ(m_body->GetTransform(&transform), &transform);
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(transform.m[r][c], expected.m[r][c], 1e-6f);
            EXPECT_EQ(transform.m[r][3], 0.0f);
        }
        // Row 3 is the position with w = 1 whatever w was set.
        ExpectNear(D3DXVECTOR4(transform.m[3]), D3DXVECTOR4(4.0f, 5.0f, 6.0f, 1.0f));
    }
    D3DXVECTOR4 position;
    EXPECT_EQ(m_body->GetPosition(&position), &position);
    EXPECT_EQ(position, D3DXVECTOR4(4.0f, 5.0f, 6.0f, 1.0f));
}

TEST_F(PhysicBody, VelocityAtAPointAddsTheSpin)
{
    // What a stepper would have left: moving along x while spinning about z.
    m_body->m_velocity = D3DXVECTOR4(2.0f, 0.0f, 0.0f, 7.0f);
    m_body->m_angularVelocity = D3DXVECTOR4(0.0f, 0.0f, 1.0f, 0.0f);
    struct Case
    {
        D3DXVECTOR4 offset;
        D3DXVECTOR4 expected;
    };
    const Case cases[] = {
        { D3DXVECTOR4(1.0f, 0.0f, 0.0f, 0.0f), D3DXVECTOR4(2.0f, 1.0f, 0.0f, 7.0f) },
        { D3DXVECTOR4(0.0f, 2.0f, 0.0f, 0.0f), D3DXVECTOR4(0.0f, 0.0f, 0.0f, 7.0f) },
        { D3DXVECTOR4(0.0f, 0.0f, 5.0f, 3.0f), D3DXVECTOR4(2.0f, 0.0f, 0.0f, 7.0f) },
    };
    for (const Case& c : cases) {
        D3DXVECTOR4 velocity;
        EXPECT_EQ(m_body->GetVelocityAtPoint(&velocity, c.offset), &velocity);
        ExpectNear(velocity, c.expected);
    }

    CPPhysicAnimatedBody* animated = m_world->CreateAnimatedBody();
    D3DXVECTOR4 still(9.0f, 9.0f, 9.0f, 9.0f);
    animated->GetVelocityAtPoint(&still, D3DXVECTOR4(1.0f, 0.0f, 0.0f, 0.0f));
    EXPECT_EQ(still, D3DXVECTOR4());
}

TEST_F(PhysicBody, SmallForcesAndTorquesLeaveTheBodyAsleep)
{
    m_body->SetPosition(D3DXVECTOR4(1.0f, 0.0f, 0.0f, 1.0f));
    struct Case
    {
        D3DXVECTOR4 value;
        bool wakes;
    };
    const Case cases[] = {
        { D3DXVECTOR4(0.0f, 0.0f, 0.0000005f, 0.0f), false },
        { D3DXVECTOR4(0.0f, 0.0f, 0.00001f, 0.0f), true },
        { D3DXVECTOR4(-0.000002f, 0.0f, 0.0f, 0.0f), true },
        { D3DXVECTOR4(0.0f, 0.0f, 0.0f, 5.0f), false },
    };
    for (const Case& c : cases) {
        PutToSleep(m_body);
        // Applied at (1, 2, 0): the arm from the position is (0, 2, 0).
        m_body->SetForceAtPoint(c.value, D3DXVECTOR4(1.0f, 2.0f, 0.0f, 1.0f));
        EXPECT_EQ(m_body->m_force, c.value);
        ExpectNear(m_body->m_torque, PhysicCross(D3DXVECTOR4(0.0f, 2.0f, 0.0f, 0.0f), c.value), 1e-9f);
        EXPECT_EQ(IsAwake(m_body), c.wakes) << "force " << c.value.x << " " << c.value.z;

        PutToSleep(m_body);
        m_body->SetTorque(c.value);
        EXPECT_EQ(m_body->m_torque, c.value);
        EXPECT_EQ(IsAwake(m_body), c.wakes) << "torque " << c.value.x << " " << c.value.z;
    }
}

TEST_F(PhysicBody, ImpulsesChangeVelocityByMassAndMomentumByTheirArm)
{
    m_body->SetMass(2.0f);
    m_body->SetPosition(D3DXVECTOR4(3.0f, 0.0f, 0.0f, 1.0f));
    m_body->m_pose.m_angularMomentum = D3DXVECTOR4(1.0f, 1.0f, 1.0f, 0.0f);
    PutToSleep(m_body);
    m_body->ApplyImpulse(D3DXVECTOR4(0.0f, 0.0f, 10.0f, 0.0f), D3DXVECTOR4(3.0f, 0.0f, 0.0f, 1.0f));
    ExpectNear(m_body->m_velocity, D3DXVECTOR4(0.0f, 0.0f, 5.0f, 0.0f));
    ExpectNear(m_body->m_pose.m_angularMomentum, D3DXVECTOR4(1.0f, 1.0f, 1.0f, 0.0f));
    EXPECT_TRUE(IsAwake(m_body));

    // One unit along x from the position: (1, 0, 0) x (0, 0, 10) = (0, -10, 0).
    m_body->ApplyImpulse(D3DXVECTOR4(0.0f, 0.0f, 10.0f, 0.0f), D3DXVECTOR4(4.0f, 0.0f, 0.0f, 1.0f));
    ExpectNear(m_body->m_velocity, D3DXVECTOR4(0.0f, 0.0f, 10.0f, 0.0f));
    ExpectNear(m_body->m_pose.m_angularMomentum, D3DXVECTOR4(1.0f, -9.0f, 1.0f, 0.0f));
}

TEST_F(PhysicBody, AngularMomentumDerivesAngularVelocityAndOrientationRate)
{
    // The world inverse inertia is the stepper's; set it as a stepper would.
    m_body->m_worldInverseInertia = CPPhysicTensor::Diagonal(0.5f, 0.25f, 0.125f);
    const D3DXQUATERNION orientations[] = {
        D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f),
        D3DXQUATERNION(0.0f, 0.0f, 1.0f, 0.0f),
        AxisRotation(0.3f, -1.0f, 0.4f, 1.2f),
    };
    for (const D3DXQUATERNION& q : orientations) {
        m_body->m_pose.m_orientation = q;
        PutToSleep(m_body);
        m_body->SetAngularMomentum(D3DXVECTOR4(2.0f, 4.0f, 8.0f, 0.0f));
        D3DXVECTOR4 momentum;
        m_body->GetAngularMomentum(&momentum);
        EXPECT_EQ(momentum, D3DXVECTOR4(2.0f, 4.0f, 8.0f, 0.0f));
        ExpectNear(m_body->m_angularVelocity, D3DXVECTOR4(1.0f, 1.0f, 1.0f, 0.0f));
        // (w, 0) on the left of q is the D3DX product of q then (w, 0).
        const D3DXQUATERNION spin(1.0f, 1.0f, 1.0f, 0.0f);
        D3DXQUATERNION expected;
        D3DXQuaternionMultiply(&expected, &q, &spin);
        EXPECT_NEAR(m_body->m_orientationRate.x, 0.5f * expected.x, 1e-6f);
        EXPECT_NEAR(m_body->m_orientationRate.y, 0.5f * expected.y, 1e-6f);
        EXPECT_NEAR(m_body->m_orientationRate.z, 0.5f * expected.z, 1e-6f);
        EXPECT_NEAR(m_body->m_orientationRate.w, 0.5f * expected.w, 1e-6f);
        EXPECT_TRUE(IsAwake(m_body));
    }
    // With the identity orientation the rate is half the angular velocity.
    m_body->m_pose.m_orientation = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
    m_body->SetAngularMomentum(D3DXVECTOR4(2.0f, 4.0f, 8.0f, 0.0f));
    EXPECT_EQ(m_body->m_orientationRate, D3DXQUATERNION(0.5f, 0.5f, 0.5f, 0.0f));
}

TEST_F(PhysicBody, WakingRefreshesTheSnapshotAndAGroupWakesItsRigidMembers)
{
    m_body->SetPosition(D3DXVECTOR4(1.0f, 2.0f, 3.0f, 1.0f));
    m_body->m_angularVelocity = D3DXVECTOR4(0.0f, 4.0f, 0.0f, 0.0f);
    PutToSleep(m_body);
    m_body->SetVelocity(D3DXVECTOR4(5.0f, 0.0f, 0.0f, 0.0f));
    EXPECT_TRUE(IsAwake(m_body));
    EXPECT_EQ(m_body->m_snapshot.m_position, D3DXVECTOR4(1.0f, 2.0f, 3.0f, 1.0f));
    EXPECT_EQ(m_body->m_snapshot.m_velocity, D3DXVECTOR4(5.0f, 0.0f, 0.0f, 0.0f));
    EXPECT_EQ(m_body->m_snapshot.m_angularVelocity, D3DXVECTOR4(0.0f, 4.0f, 0.0f, 0.0f));

    // In a group, setting the velocity wakes the group's rigid members, not
    // the body on its own.
    CPPhysicBody* member = m_world->CreateRigidBody();
    CPPhysicAnimatedBody* animated = m_world->CreateAnimatedBody();
    CPPhysicBodyHeader* members[] = { member, animated };
    CPPhysicBodyGroup group{ members, 2 };
    m_body->m_group = &group;
    PutToSleep(m_body);
    PutToSleep(member);
    m_body->SetVelocity(D3DXVECTOR4(1.0f, 0.0f, 0.0f, 0.0f));
    EXPECT_TRUE(IsAwake(member));
    EXPECT_FALSE(IsAwake(m_body));
    // A direct wake still wakes the body itself.
    m_body->SetPosition(D3DXVECTOR4(0.0f, 0.0f, 0.0f, 1.0f));
    EXPECT_TRUE(IsAwake(m_body));
}

TEST_F(PhysicBody, ActivationMovesBodiesBetweenListsAndInAndOutOfTheBroadPhase)
{
    CPPhysicBroadPhase& broad = m_world->m_broadPhase;
    m_body->AddGeometry();
    EXPECT_EQ(m_body->m_registration, CPPhysicBodyHeader::kRegistered);
    EXPECT_EQ(broad.m_pendingCount, 1);

    int value = 0;
    struct Step
    {
        bool active;
        int32_t registration;
        bool member;
        int32_t activeCount;
    };
    const Step steps[] = {
        { false, CPPhysicBodyHeader::kRemoved, false, 0 },
        { false, CPPhysicBodyHeader::kRemoved, false, 0 },
        { true, CPPhysicBodyHeader::kRegistered, true, 1 },
        { true, CPPhysicBodyHeader::kRegistered, true, 1 },
    };
    for (const Step& step : steps) {
        m_body->SetActive(step.active, &value);
        EXPECT_EQ(m_body->IsActive(), step.active);
        EXPECT_EQ(m_body->m_registration, step.registration);
        EXPECT_EQ(m_body->m_membership != nullptr, step.member);
        EXPECT_EQ(m_world->m_activeRigidBodies.m_count, step.activeCount);
        EXPECT_EQ(m_world->m_inactiveRigidBodies.m_count, 1 - step.activeCount);
    }
    // Registered again but never queued a second time.
    EXPECT_EQ(broad.m_pendingCount, 1);
    EXPECT_EQ(broad.m_usedMembers.m_count, 1);

    // Without geometries, activation does not register.
    CPPhysicAnimatedBody* bare = m_world->CreateAnimatedBody();
    bare->SetActive(false, nullptr);
    EXPECT_EQ(m_world->m_inactiveAnimatedBodies.m_tail, bare);
    bare->SetActive(true, &value);
    EXPECT_EQ(m_world->m_activeAnimatedBodies.m_tail, bare);
    EXPECT_EQ(bare->m_membership, nullptr);
    EXPECT_EQ(bare->m_registration, CPPhysicBodyHeader::kNeverRegistered);

    // An inactive body that gets its first geometry waits for activation,
    // which queues it with the caller's value.
    CPPhysicBody* particle = m_world->CreateRigidParticle();
    particle->SetActive(false, nullptr);
    EXPECT_EQ(m_world->m_inactiveParticles.m_tail, particle);
    particle->AddGeometry();
    EXPECT_EQ(particle->m_membership, nullptr);
    particle->SetActive(true, &value);
    ASSERT_EQ(broad.m_pendingCount, 2);
    EXPECT_EQ(broad.m_pending[1].m_body, particle);
    EXPECT_EQ(broad.m_pending[1].m_value, &value);
}
