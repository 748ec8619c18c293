#include "PhysicFixture.h"

#include "Core/PGameObject.h"
#include "Startup/PConfigVars.h"
#include "Vehicles/PPhysicData.h"

namespace
{
// Keeps "weight_div" for the test and puts it back afterwards.
class PhysicData : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_savedWeightDiv = g_CfgWeightDiv;
        g_CfgWeightDiv = 1;
    }
    void TearDown() override
    {
        g_CfgWeightDiv = m_savedWeightDiv;
        CPPhysicData::SetRemoveBodyHandler(nullptr);
    }

    int32_t m_savedWeightDiv = 0;
    WorldPtr m_world = MakeWorld();
    CPPhysicData m_data{ nullptr };
};

const D3DXQUATERNION kIdentity(0.0f, 0.0f, 0.0f, 1.0f);

std::vector<int32_t>* g_ReleasedCounts = nullptr;
void RecordRelease(CPSmartPtr<CPPhysicData> data)
{
    g_ReleasedCounts->push_back(data->GetRefCount());
}
}

TEST_F(PhysicData, MassesAreDividedByWeightDivWhichIsOneWhenNotPositive)
{
    struct Case
    {
        int32_t weightDiv;
        float mass;
    };
    const Case cases[] = { { 0, 8.0f }, { -5, 8.0f }, { 1, 8.0f }, { 4, 2.0f } };
    for (const Case& c : cases) {
        g_CfgWeightDiv = c.weightDiv;
        CPPhysicData data(nullptr);
        data.AddBox(D3DXVECTOR3(), kIdentity, 1.0f, 1.0f, 1.0f, 8.0f);
        data.AddCylinder(D3DXVECTOR3(), kIdentity, 1.0f, 1.0f, 8.0f);
        data.SetBoxInertia(1.0f, 1.0f, 1.0f, 8.0f);
        EXPECT_EQ(data.m_shapes[0].m_mass, c.mass) << "weight_div " << c.weightDiv;
        EXPECT_EQ(data.m_shapes[1].m_mass, c.mass) << "weight_div " << c.weightDiv;
        EXPECT_EQ(data.m_inertia.m_mass, c.mass) << "weight_div " << c.weightDiv;
    }
}

TEST_F(PhysicData, ShapesAndInertiaAreStoredInTheirOwnOrder)
{
    const D3DXQUATERNION turn(0.0f, 0.0f, 0.6f, 0.8f);
    m_data.AddBox(D3DXVECTOR3(1.0f, 2.0f, 3.0f), turn, 4.0f, 5.0f, 6.0f, 7.0f);
    m_data.AddCylinder(D3DXVECTOR3(-1.0f, 0.0f, 0.5f), kIdentity, 0.8f, 0.3f, 2.0f);
    m_data.SetBoxInertia(10.0f, 20.0f, 30.0f, 40.0f);

    ASSERT_EQ(m_data.m_shapes.size(), 2u);
    const CPPhysicShapeRecord& box = m_data.m_shapes[0];
    EXPECT_EQ(box.m_type, CPPhysicShapeRecord::kTypeBox);
    EXPECT_EQ(box.m_geometry, nullptr);
    EXPECT_EQ(box.m_position, D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(box.m_rotation, turn);
    EXPECT_EQ(box.m_sizes[0], 4.0f);
    EXPECT_EQ(box.m_sizes[1], 5.0f);
    EXPECT_EQ(box.m_sizes[2], 6.0f);
    const CPPhysicShapeRecord& cylinder = m_data.m_shapes[1];
    EXPECT_EQ(cylinder.m_type, CPPhysicShapeRecord::kTypeCylinder);
    EXPECT_EQ(cylinder.m_sizes[0], 5.0f);
    EXPECT_EQ(cylinder.m_sizes[1], 0.3f);
    EXPECT_EQ(cylinder.m_sizes[2], 5.0f);
    EXPECT_EQ(cylinder.m_diameter, 0.8f);
    EXPECT_EQ(cylinder.m_mass, 2.0f);

    EXPECT_EQ(m_data.m_inertia.m_type, CPPhysicInertiaBlock::kTypeBox);
    EXPECT_EQ(m_data.m_inertia.m_boxSizes[0], 20.0f);
    EXPECT_EQ(m_data.m_inertia.m_boxSizes[1], 10.0f);
    EXPECT_EQ(m_data.m_inertia.m_boxSizes[2], 30.0f);
    EXPECT_EQ(m_data.m_inertia.m_mass, 40.0f);

    EXPECT_EQ(m_data.GetTypeName(), "CPPhysicData");
    EXPECT_EQ(m_data.GetObjectSize(), static_cast<int32_t>(sizeof(CPPhysicData)));
}

TEST_F(PhysicData, ApplyMassSetsInertiaMassPoseAndBoundsInOrder)
{
    struct Case
    {
        const char* name;
        int32_t type;
        float a; // SetBoxInertia's first size: the cylinder's height
        float b;
        float c;
        float diameter;
        float mass;
        D3DXVECTOR4 inverseInertia;
        float inverseMass;
    };
    const Case cases[] = {
        // Sizes (3, 1, 2), mass 6: every entry (2/3) 6 3^2 = 36.
        { "box", CPPhysicInertiaBlock::kTypeBox, 1.0f, 3.0f, 2.0f, 0.0f, 6.0f,
          D3DXVECTOR4(1.0f / 36.0f, 1.0f / 36.0f, 1.0f / 36.0f, 0.0f), 1.0f / 6.0f },
        // Diameter 1, height 2, mass 12: (4.75, 1.5, 4.75).
        { "cylinder", CPPhysicInertiaBlock::kTypeCylinder, 2.0f, 9.0f, 9.0f, 1.0f, 12.0f,
          D3DXVECTOR4(1.0f / 4.75f, 1.0f / 1.5f, 1.0f / 4.75f, 0.0f), 1.0f / 12.0f },
        // Unknown inertia type and a zero mass: no inertia, the unit inverse stays.
        { "unknown type", 7, 1.0f, 1.0f, 1.0f, 0.0f, 5.0f, D3DXVECTOR4(1.0f, 1.0f, 1.0f, 0.0f), 0.2f },
        { "zero mass", CPPhysicInertiaBlock::kTypeBox, 1.0f, 1.0f, 1.0f, 0.0f, 0.0f,
          D3DXVECTOR4(1.0f, 1.0f, 1.0f, 0.0f), 0.0f },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPPhysicData data(nullptr);
        data.m_rigidBody = m_world->CreateRigidBody();
        data.m_rigidBody->AddGeometry()->SetBoxSize(2.0f, 2.0f, 2.0f);
        data.SetBoxInertia(c.a, c.b, c.c, c.mass);
        data.m_inertia.m_type = c.type;
        data.m_inertia.m_cylinderDiameter = c.diameter;

        // Not normalised: the body gets the unit quaternion.
        data.ApplyMass(D3DXVECTOR3(1.0f, 2.0f, 3.0f), D3DXQUATERNION(0.0f, 0.0f, 2.0f, 0.0f));
        const CPPhysicBody* body = data.m_rigidBody;
        ExpectDiagonal(body->m_inverseInertia, c.inverseInertia.x, c.inverseInertia.y, c.inverseInertia.z);
        EXPECT_EQ(body->m_mass, c.mass);
        EXPECT_NEAR(body->m_inverseMass, c.inverseMass, 1e-7f);
        ExpectNear(D3DXVECTOR4(body->m_pose.m_matrix.m[3]), D3DXVECTOR4(1.0f, 2.0f, 3.0f, 1.0f));
        EXPECT_EQ(body->m_pose.m_orientation, D3DXQUATERNION(0.0f, 0.0f, 1.0f, 0.0f));
        EXPECT_NEAR(body->m_pose.m_matrix._11, -1.0f, 1e-6f);
        // Bounds were refitted to the geometry.
        EXPECT_EQ(body->m_boxMatrix._11, 1.0f);
        // No controller unless one is wanted.
        EXPECT_EQ(body->m_controllers, nullptr);
    }
}

TEST_F(PhysicData, ApplyMassRegistersTheDescriptionAsControllerOnceWhenWanted)
{
    m_data.m_rigidBody = m_world->CreateRigidBody();
    m_data.m_wantsController = 1;
    m_data.SetBoxInertia(1.0f, 1.0f, 1.0f, 1.0f);
    m_data.ApplyMass(D3DXVECTOR3(), kIdentity);
    m_data.ApplyMass(D3DXVECTOR3(), kIdentity);
    CPPhysicControllerNode* node = m_data.m_rigidBody->m_controllers;
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node, m_data.m_controllerNode);
    EXPECT_EQ(node->m_next, nullptr);
    EXPECT_EQ(node->m_period, 1);
    EXPECT_EQ(node->m_controller, static_cast<CPPhysicController*>(&m_data));
}

TEST_F(PhysicData, ApplyMassWithAZeroRotationLeavesTheBodyUnturned)
{
    m_data.m_rigidBody = m_world->CreateRigidBody();
    m_data.SetBoxInertia(1.0f, 1.0f, 1.0f, 1.0f);
    m_data.ApplyMass(D3DXVECTOR3(), D3DXQUATERNION());
    D3DXMATRIX transform, identity;
    m_data.m_rigidBody->GetTransform(&transform);
    EXPECT_EQ(transform, *D3DXMatrixIdentity(&identity));
}

TEST_F(PhysicData, ApplyMassWithoutARigidBodyDoesNothing)
{
    m_data.m_animatedBody = m_world->CreateAnimatedBody();
    m_data.SetBoxInertia(1.0f, 1.0f, 1.0f, 4.0f);
    m_data.ApplyMass(D3DXVECTOR3(5.0f, 5.0f, 5.0f), kIdentity);
    EXPECT_EQ(m_data.m_animatedBody->m_position, D3DXVECTOR4(0.0f, 0.0f, 0.0f, 1.0f));
    EXPECT_EQ(m_data.m_animatedBody->m_moved, 0);
}

TEST_F(PhysicData, OnStepPushesVelocityAndMomentumOnlyWhileEnabled)
{
    CPPhysicBody* body = m_world->CreateRigidBody();
    m_data.m_rigidBody = body;
    body->m_worldInverseInertia = CPPhysicTensor::Identity();
    m_data.m_pushedAngularMomentum = D3DXVECTOR4(0.0f, 0.0f, 2.0f, 0.0f);
    m_data.m_pushedVelocity = D3DXVECTOR4(1.0f, 0.0f, 0.0f, 0.0f);

    // Pushing without a body has nothing to push.
    CPPhysicData bodiless(nullptr);
    bodiless.m_pushEnabled = 1;
    bodiless.OnStep(nullptr, 0.01f);

    CPPhysicController& controller = m_data;
    controller.OnStep(nullptr, 0.01f);
    EXPECT_EQ(body->m_velocity, D3DXVECTOR4());
    EXPECT_EQ(body->m_pose.m_angularMomentum, D3DXVECTOR4());

    m_data.m_pushEnabled = 1;
    controller.OnStep(nullptr, 0.01f);
    EXPECT_EQ(body->m_velocity, D3DXVECTOR4(1.0f, 0.0f, 0.0f, 0.0f));
    EXPECT_EQ(body->m_pose.m_angularMomentum, D3DXVECTOR4(0.0f, 0.0f, 2.0f, 0.0f));
    EXPECT_EQ(body->m_angularVelocity, D3DXVECTOR4(0.0f, 0.0f, 2.0f, 0.0f));
}

TEST_F(PhysicData, ReleaseBodyHandsOverOnlyADescriptionWithABody)
{
    std::vector<int32_t> released;
    g_ReleasedCounts = &released;
    CPPhysicData::SetRemoveBodyHandler(&RecordRelease);

    m_data.ReleaseBody();
    EXPECT_TRUE(released.empty());

    m_data.m_animatedBody = m_world->CreateAnimatedBody();
    m_data.ReleaseBody();
    m_data.m_animatedBody = nullptr;
    m_data.m_rigidBody = m_world->CreateRigidBody();
    m_data.ReleaseBody();
    // Held by ReleaseBody and by the handler's own argument.
    EXPECT_EQ(released, (std::vector<int32_t>{ 2, 2 }));
    g_ReleasedCounts = nullptr;
}

TEST_F(PhysicData, PositionGoesToTheAnimatedBodyFirstAndRotationOnlyToARigidBody)
{
    CPPhysicAnimatedBody* animated = m_world->CreateAnimatedBody();
    CPPhysicBody* rigid = m_world->CreateRigidBody();
    const D3DXQUATERNION turn(0.0f, 0.0f, 1.0f, 0.0f);

    // Neither body: nothing to move or turn.
    m_data.SetPosition(D3DXVECTOR3(1.0f, 1.0f, 1.0f));
    m_data.SetBodyRotation(turn);

    m_data.m_animatedBody = animated;
    m_data.m_rigidBody = rigid;
    m_data.SetPosition(D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(animated->m_position, D3DXVECTOR4(1.0f, 2.0f, 3.0f, 1.0f));
    EXPECT_EQ(rigid->m_pose.m_matrix._41, 0.0f);
    m_data.SetBodyRotation(turn);
    EXPECT_EQ(rigid->m_pose.m_orientation, turn);

    m_data.m_animatedBody = nullptr;
    m_data.SetPosition(D3DXVECTOR3(4.0f, 5.0f, 6.0f));
    D3DXVECTOR4 position;
    EXPECT_EQ(*rigid->GetPosition(&position), D3DXVECTOR4(4.0f, 5.0f, 6.0f, 1.0f));

    // An animated body alone is not turned.
    m_data.m_rigidBody = nullptr;
    m_data.m_animatedBody = animated;
    m_data.SetBodyRotation(turn);
    ExpectDiagonal(animated->m_rotation, 1.0f, 1.0f, 1.0f);
}

TEST_F(PhysicData, CopyTakesTheInertiaBlockAndShapesAsTheyStand)
{
    m_data.AddBox(D3DXVECTOR3(1.0f, 0.0f, 0.0f), kIdentity, 1.0f, 2.0f, 3.0f, 4.0f);
    m_data.SetBoxInertia(1.0f, 2.0f, 3.0f, 5.0f);
    m_data.m_inertia.m_cylinderDiameter = 0.7f;
    m_data.m_rigidBody = m_world->CreateRigidBody();
    m_data.m_shapes[0].m_geometry = m_data.m_rigidBody->AddGeometry();
    m_data.m_particle = 1;
    m_data.m_pushEnabled = 1;

    CPPhysicData copy(nullptr);
    copy.CopyFrom(m_data);
    ASSERT_EQ(copy.m_shapes.size(), 1u);
    EXPECT_EQ(copy.m_shapes[0].m_geometry, m_data.m_shapes[0].m_geometry);
    EXPECT_EQ(copy.m_shapes[0].m_sizes[2], 3.0f);
    EXPECT_EQ(copy.m_inertia.m_boxSizes[0], 2.0f);
    EXPECT_EQ(copy.m_inertia.m_cylinderDiameter, 0.7f);
    EXPECT_EQ(copy.m_inertia.m_mass, 5.0f);
    EXPECT_EQ(copy.m_rigidBody, nullptr);
    EXPECT_EQ(copy.m_particle, 0);
    EXPECT_EQ(copy.m_pushEnabled, 0);
    EXPECT_EQ(copy.m_terrainTriangleCount, 0);
}

TEST_F(PhysicData, ApplyMassWithoutArgumentsTakesTheOwnersPose)
{
    CPGameObject owner("car");
    owner.SetPosition(D3DXVECTOR3(4.0f, -2.0f, 1.5f));
    owner.SetRotation(D3DXQUATERNION(0.0f, 0.0f, 0.0f, 2.0f));
    CPPhysicData data(&owner);
    data.m_rigidBody = m_world->CreateRigidBody();
    data.SetBoxInertia(1.0f, 1.0f, 1.0f, 3.0f);
    data.ApplyMass();
    EXPECT_EQ(data.m_rigidBody->m_mass, 3.0f);
    ExpectNear(D3DXVECTOR4(data.m_rigidBody->m_pose.m_matrix.m[3]), D3DXVECTOR4(4.0f, -2.0f, 1.5f, 1.0f));
    EXPECT_EQ(data.m_rigidBody->m_pose.m_orientation, kIdentity);

    // Without an owner there is no pose to take.
    m_data.m_rigidBody = m_world->CreateRigidBody();
    m_data.SetBoxInertia(1.0f, 1.0f, 1.0f, 3.0f);
    const float massBefore = m_data.m_rigidBody->m_mass;
    m_data.ApplyMass();
    EXPECT_EQ(m_data.m_rigidBody->m_mass, massBefore);
    EXPECT_NE(massBefore, 3.0f);
}
