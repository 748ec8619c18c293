#include "PhysicFixture.h"

#include <cmath>

namespace
{
D3DXMATRIX Placement(float angleZ, float angleX, const D3DXVECTOR3& offset)
{
    D3DXMATRIX z, x, placed;
    D3DXMatrixRotationZ(&z, angleZ);
    D3DXMatrixRotationX(&x, angleX);
    D3DXMatrixMultiply(&placed, &z, &x);
    placed._41 = offset.x;
    placed._42 = offset.y;
    placed._43 = offset.z;
    return placed;
}

D3DXVECTOR3 Centre(const CPPhysicShape& box)
{
    return D3DXVECTOR3(box.m_transform._41, box.m_transform._42, box.m_transform._43);
}

class PhysicBounds : public ::testing::Test
{
protected:
    WorldPtr m_world = MakeWorld();
    CPPhysicBody* m_body = m_world->CreateRigidBody();
};
}

TEST(PhysicShape, BoxesAndCylindersGiveTheirBoundsAndRadius)
{
    const float h = D3DX_PI / 2.0f;
    struct Case
    {
        const char* name;
        bool cylinder;
        D3DXVECTOR3 size; // box: full sizes; cylinder: diameter, height
        D3DXMATRIX placement;
        D3DXVECTOR3 minimum;
        D3DXVECTOR3 maximum;
        float radius;
    };
    const Case cases[] = {
        { "box", false, D3DXVECTOR3(2.0f, 4.0f, 6.0f), Placement(0.0f, 0.0f, D3DXVECTOR3()),
          D3DXVECTOR3(-1.0f, -2.0f, -3.0f), D3DXVECTOR3(1.0f, 2.0f, 3.0f), std::sqrt(14.0f) },
        { "box turned about z and moved", false, D3DXVECTOR3(2.0f, 4.0f, 6.0f),
          Placement(h, 0.0f, D3DXVECTOR3(3.0f, 4.0f, 0.0f)), D3DXVECTOR3(1.0f, 3.0f, -3.0f),
          D3DXVECTOR3(5.0f, 5.0f, 3.0f), std::sqrt(14.0f) + 5.0f },
        // A cylinder reaches r + h along its own (Y) axis.
        { "cylinder", true, D3DXVECTOR3(1.0f, 2.0f, 0.0f), Placement(0.0f, 0.0f, D3DXVECTOR3()),
          D3DXVECTOR3(-0.5f, -1.5f, -0.5f), D3DXVECTOR3(0.5f, 1.5f, 0.5f), 1.5f },
        { "cylinder along z", true, D3DXVECTOR3(1.0f, 2.0f, 0.0f), Placement(0.0f, h, D3DXVECTOR3(0.0f, 0.0f, 2.0f)),
          D3DXVECTOR3(-0.5f, -0.5f, 0.5f), D3DXVECTOR3(0.5f, 0.5f, 3.5f), 3.5f },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPPhysicShape shape;
        if (c.cylinder)
            shape.SetCylinder(c.size.x, c.size.y);
        else
            shape.SetBoxSize(c.size.x, c.size.y, c.size.z);
        shape.SetTransform(c.placement);
        D3DXVECTOR3 minimum, maximum;
        ASSERT_TRUE(shape.ComputeBounds(&minimum, &maximum));
        ExpectNear(minimum, c.minimum);
        ExpectNear(maximum, c.maximum);
        EXPECT_NEAR(shape.ComputeBoundingRadius(), c.radius, 1e-5f);
    }
}

TEST(PhysicShape, SizesSetTypeHalfSizesAndTheStoredRadius)
{
    CPPhysicShape shape;
    EXPECT_EQ(shape.GetType(), CPPhysicShape::kTypeBox);
    EXPECT_EQ(shape.m_size, D3DXVECTOR3(0.5f, 0.5f, 0.5f));
    EXPECT_EQ(shape.m_materialIndex, 0);
    EXPECT_EQ(shape.m_stepperValues[0], 1.0f);
    EXPECT_EQ(shape.m_stepperValues[1], 0.5f);

    shape.SetBoxSizeFromVector(D3DXVECTOR4(2.0f, 4.0f, 4.0f, 0.0f));
    EXPECT_EQ(shape.m_size, D3DXVECTOR3(1.0f, 2.0f, 2.0f));
    EXPECT_FLOAT_EQ(shape.m_boundingRadius, 3.0f);
    // The cylinder keeps the stored radius of what came before.
    shape.SetCylinder(3.0f, 5.0f);
    EXPECT_EQ(shape.GetType(), CPPhysicShape::kTypeCylinder);
    EXPECT_EQ(shape.m_size, D3DXVECTOR3(1.5f, 2.25f, 2.5f));
    EXPECT_FLOAT_EQ(shape.m_boundingRadius, 3.0f);
    // A box shorter than 1e-3 across has no radius.
    shape.SetBox(0.001f, 0.001f, 0.001f);
    EXPECT_EQ(shape.m_boundingRadius, 0.0f);
    EXPECT_EQ(shape.SetMaterialIndex(7), 7);
    EXPECT_EQ(shape.m_materialIndex, 7);

    shape.m_type = 9;
    D3DXVECTOR3 untouched(1.0f, 1.0f, 1.0f);
    EXPECT_FALSE(shape.ComputeBounds(&untouched, &untouched));
    EXPECT_EQ(untouched, D3DXVECTOR3(1.0f, 1.0f, 1.0f));
    EXPECT_EQ(shape.ComputeBoundingRadius(), 0.0f);
}

TEST_F(PhysicBounds, ABodyWithoutGeometriesKeepsTheUnitBox)
{
    m_body->UpdateBoundingInfo();
    const CPPhysicBoundingRecord& bounds = m_body->m_bounds;
    EXPECT_EQ(bounds.m_largestRadius, 0.0f);
    EXPECT_EQ(bounds.m_box.m_size, D3DXVECTOR3(0.5f, 0.5f, 0.5f));
    EXPECT_EQ(Centre(bounds.m_box), D3DXVECTOR3());
    const D3DXMATRIX expected(0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 1.0f);
    EXPECT_EQ(m_body->m_boxMatrix, expected);
}

TEST_F(PhysicBounds, ALoneBoxIsTheBoundingRecord)
{
    CPPhysicShape* box = m_body->AddGeometry();
    box->SetBoxSize(2.0f, 4.0f, 6.0f);
    box->SetMaterialIndex(4);
    box->SetTransform(Placement(0.0f, 0.0f, D3DXVECTOR3(1.0f, 0.0f, 0.0f)));
    m_body->UpdateBoundingInfo();
    const CPPhysicBoundingRecord& bounds = m_body->m_bounds;
    EXPECT_EQ(bounds.m_geometryCount, 1);
    EXPECT_EQ(bounds.m_geometries, box);
    EXPECT_EQ(bounds.m_box.m_size, D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(Centre(bounds.m_box), D3DXVECTOR3(1.0f, 0.0f, 0.0f));
    EXPECT_EQ(bounds.m_box.m_materialIndex, 4);
    EXPECT_FLOAT_EQ(bounds.m_largestRadius, std::sqrt(14.0f) + 1.0f);
    const D3DXMATRIX expected(1.0f, 0, 0, 0, 0, 2.0f, 0, 0, 0, 0, 3.0f, 0, 1.0f, 0, 0, 1.0f);
    EXPECT_EQ(m_body->m_boxMatrix, expected);
}

TEST_F(PhysicBounds, SensorSegmentsGrowTheRecord)
{
    m_body->AddGeometry()->SetBoxSize(2.0f, 4.0f, 6.0f);
    CPPhysicLineSensor* wheel = m_body->AddSensor();
    wheel->SetLineSensor(D3DXVECTOR4(0.5f, 0.5f, 0.0f, 0.0f), D3DXVECTOR4(0.0f, 0.0f, -5.0f, 0.0f));
    m_body->UpdateBoundingInfo();
    const CPPhysicShape& record = m_body->m_bounds.m_box;
    EXPECT_EQ(record.m_size, D3DXVECTOR3(1.0f, 2.0f, 4.0f));
    EXPECT_EQ(Centre(record), D3DXVECTOR3(0.0f, 0.0f, -1.0f));
    EXPECT_EQ(m_body->m_boxMatrix._43, -1.0f);
    EXPECT_EQ(m_body->m_boxMatrix._33, 4.0f);
}

TEST_F(PhysicBounds, ALoneTurnedBoxGetsABodyAxisRecordThatHoldsIt)
{
    CPPhysicShape* box = m_body->AddGeometry();
    box->SetBoxSize(2.0f, 4.0f, 6.0f);
    box->SetTransform(Placement(D3DX_PI / 4.0f, 0.0f, D3DXVECTOR3(0.0f, 1.0f, 0.0f)));
    CPPhysicLineSensor* sensor = m_body->AddSensor();
    sensor->SetLineSensor(D3DXVECTOR4(0.0f, 0.0f, 3.0f, 0.0f), D3DXVECTOR4(0.0f, 0.0f, 1.0f, 0.0f));
    m_body->UpdateBoundingInfo();

    const CPPhysicShape& record = m_body->m_bounds.m_box;
    const float diagonal = 3.0f * std::sqrt(0.5f);
    ExpectNear(record.m_size, D3DXVECTOR3(diagonal, diagonal, 3.5f));
    D3DXMATRIX expected;
    D3DXMatrixTranslation(&expected, 0.0f, 1.0f, 0.5f);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(record.m_transform.m[r][c], expected.m[r][c], 1e-6f);
    }
    // Every corner of the turned box lies inside the record.
    for (int corner = 0; corner < 8; ++corner) {
        const D3DXVECTOR3 local(corner & 1 ? 1.0f : -1.0f, corner & 2 ? 2.0f : -2.0f, corner & 4 ? 3.0f : -3.0f);
        D3DXVECTOR3 placed;
        D3DXVec3TransformCoord(&placed, &local, &box->m_transform);
        for (int i = 0; i < 3; ++i)
            EXPECT_LE(std::fabs(placed[i] - record.m_transform.m[3][i]), record.m_size[i] + 1e-5f);
    }
}

TEST_F(PhysicBounds, SeveralGeometriesMergeIntoOneAxisAlignedBox)
{
    m_body->AddGeometry()->SetBoxSize(2.0f, 2.0f, 2.0f);
    CPPhysicShape* wheel = m_body->AddGeometry();
    wheel->SetCylinder(1.0f, 2.0f);
    wheel->SetTransform(Placement(0.0f, 0.0f, D3DXVECTOR3(4.0f, 0.0f, 0.0f)));
    m_body->UpdateBoundingInfo();
    const CPPhysicBoundingRecord& bounds = m_body->m_bounds;
    EXPECT_EQ(bounds.m_geometryCount, 2);
    EXPECT_EQ(bounds.m_geometries->m_next, wheel);
    // x from -1 to 4.5, y from -1.5 to 1.5, z from -1 to 1.
    ExpectNear(bounds.m_box.m_size, D3DXVECTOR3(2.75f, 1.5f, 1.0f));
    ExpectNear(Centre(bounds.m_box), D3DXVECTOR3(1.75f, 0.0f, 0.0f));
    EXPECT_FLOAT_EQ(bounds.m_largestRadius, 5.5f);
}

TEST(PhysicAnimatedBody, PoseChangesRefitTheWorldBoundsAndTheEndpoints)
{
    WorldPtr world = MakeWorld();
    CPPhysicAnimatedBody* body = world->CreateAnimatedBody();

    // Without geometries nothing is refitted.
    body->SetPosition(D3DXVECTOR4(10.0f, 0.0f, 0.0f, 1.0f));
    EXPECT_EQ(body->m_worldMax, D3DXVECTOR3());
    EXPECT_EQ(body->m_moved, 1);

    body->AddGeometry()->SetBoxSize(2.0f, 4.0f, 6.0f);
    body->UpdateBoundingInfo();
    ASSERT_NE(body->m_membership, nullptr);
    body->m_moved = 0;
    body->SetPosition(D3DXVECTOR4(10.0f, 0.0f, 0.0f, 1.0f));
    ExpectNear(body->m_worldMin, D3DXVECTOR3(9.0f, -2.0f, -3.0f));
    ExpectNear(body->m_worldMax, D3DXVECTOR3(11.0f, 2.0f, 3.0f));
    EXPECT_EQ(body->m_moved, 1);

    // Placed in the broad phase, its endpoints follow the bounds.
    ASSERT_TRUE(world->m_broadPhase.AttachEndpoints(body));
    body->m_moved = 0;
    D3DXQUATERNION quarterTurn;
    const D3DXVECTOR3 up(0.0f, 0.0f, 1.0f);
    D3DXQuaternionRotationAxis(&quarterTurn, &up, D3DX_PI / 2.0f);
    body->SetRotation(quarterTurn);
    EXPECT_EQ(body->m_moved, 1);
    ExpectNear(body->m_worldMin, D3DXVECTOR3(8.0f, -1.0f, -3.0f));
    ExpectNear(body->m_worldMax, D3DXVECTOR3(12.0f, 1.0f, 3.0f));
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_EQ(body->m_minEndpoints[axis]->m_value, body->m_worldMin[axis]);
        EXPECT_EQ(body->m_maxEndpoints[axis]->m_value, body->m_worldMax[axis]);
    }
}
