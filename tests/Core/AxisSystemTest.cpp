#include "Core/PAxisSystem.h"
#include "Race/PRaceAxes.h"

#include <gtest/gtest.h>

namespace
{
void ExpectVec(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-5f);
    EXPECT_NEAR(actual.y, expected.y, 1e-5f);
    EXPECT_NEAR(actual.z, expected.z, 1e-5f);
}

// A frame that reports itself right-handed; every conversion must follow it.
class RightHandedAxes : public CPAxisSystem
{
public:
    bool IsLeftHanded() const override { return false; }
};
}

TEST(AxisSystem, ProcessWideInstancesStartInTheResetState)
{
    for (const CPAxisSystem* axes : { &g_AxisSystem, &g_LevelAxisSystem, &g_CameraAxisSystem }) {
        ExpectVec(axes->GetAxisX(), D3DXVECTOR3(-1, 0, 0));
        ExpectVec(axes->GetAxisY(), D3DXVECTOR3(0, 0, 1));
        ExpectVec(axes->GetAxisZ(), D3DXVECTOR3(0, 1, 0));
        ExpectVec(axes->GetOrigin(), D3DXVECTOR3(0, 0, 0));
        EXPECT_TRUE(axes->IsLeftHanded());
    }
}

TEST(AxisSystem, ConversionsAfterReset)
{
    CPAxisSystem axes;
    axes.SetOrigin(1, 1, 1);
    axes.Reset();
    const struct
    {
        const char* what;
        D3DXVECTOR3 (CPAxisSystem::*convert)(const D3DXVECTOR3&) const;
        D3DXVECTOR3 in;
        D3DXVECTOR3 out;
    } cases[] = {
        { "vector to local", &CPAxisSystem::VectorToLocal, { 1, 2, 3 }, { -1, 2, 3 } },
        { "vector to world", &CPAxisSystem::VectorToWorld, { -1, 2, 3 }, { 1, 2, 3 } },
        { "transform x", &CPAxisSystem::Transform, { 1, 0, 0 }, { 0, -1, 0 } },
        { "transform y", &CPAxisSystem::Transform, { 0, 1, 0 }, { 1, 0, 0 } },
        { "transform z", &CPAxisSystem::Transform, { 0, 0, 1 }, { 0, 0, 1 } },
        { "swap", &CPAxisSystem::SwapAxes, { 1, 2, 3 }, { -2, 1, 3 } },
        { "point to local", &CPAxisSystem::PointToLocal, { 1, 2, 3 }, { -1, 2, 3 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ExpectVec((axes.*c.convert)(c.in), c.out);
    }
}

TEST(AxisSystem, PointsCarryTheOrigin)
{
    CPAxisSystem axes;
    ExpectVec(axes.SetOrigin(10, 20, 30), D3DXVECTOR3(10, 20, 30));
    ExpectVec(axes.PointToLocal(D3DXVECTOR3(11, 22, 33)), D3DXVECTOR3(-1, 2, 3));
    ExpectVec(axes.PointToWorld(D3DXVECTOR3(-1, 2, 3)), D3DXVECTOR3(11, 22, 33));
}

TEST(AxisSystem, FrameFromDirection)
{
    CPAxisSystem axes;
    // Up (0, 0, 1) and a direction along +x scaled by 5.
    axes.SetFromDirectionAndUp(D3DXVECTOR3(5, 0, 0), D3DXVECTOR3(0, 0, 1));
    ExpectVec(axes.GetAxisZ(), D3DXVECTOR3(1, 0, 0));
    ExpectVec(axes.GetAxisX(), D3DXVECTOR3(0, -1, 0)); // Z x Y
    ExpectVec(axes.GetAxisY(), D3DXVECTOR3(0, 0, 1)); // X x Z
    // Local and world conversions undo each other for this frame.
    const D3DXVECTOR3 v(0.3f, -2, 7);
    ExpectVec(axes.VectorToWorld(axes.VectorToLocal(v)), v);

    // Orthonormalize normalises X but leaves Y and Z as they are.
    axes.SetAxisZ(0, 2, 0);
    axes.SetAxisY(0, 0, 3);
    axes.Orthonormalize();
    ExpectVec(axes.GetAxisX(), D3DXVECTOR3(1, 0, 0));
    ExpectVec(axes.GetAxisY(), D3DXVECTOR3(0, 0, 3));

    // SetAxisZFrom keeps its vector unnormalised and Y takes the unnormalised cross.
    axes.SetAxisZFrom(D3DXVECTOR3(0, 2, 0));
    ExpectVec(axes.GetAxisZ(), D3DXVECTOR3(0, 2, 0));
    ExpectVec(axes.GetAxisX(), D3DXVECTOR3(1, 0, 0));
    ExpectVec(axes.GetAxisY(), D3DXVECTOR3(0, 0, 2));
}

TEST(AxisSystem, ZeroDirectionZeroesTheAxes)
{
    CPAxisSystem axes;
    axes.SetFromDirection(D3DXVECTOR3(0, 0, 0));
    ExpectVec(axes.GetAxisZ(), D3DXVECTOR3(0, 0, 0));
    ExpectVec(axes.GetAxisX(), D3DXVECTOR3(0, 0, 0));
    ExpectVec(axes.GetAxisY(), D3DXVECTOR3(0, 0, 0));
}

TEST(AxisSystem, OperationsFollowTheOverriddenHandedness)
{
    RightHandedAxes axes;
    axes.Reset();
    ExpectVec(axes.GetAxisX(), D3DXVECTOR3(1, 0, 0)); // swap without the sign
    ExpectVec(axes.SwapAxes(D3DXVECTOR3(1, 2, 3)), D3DXVECTOR3(2, 1, 3));
    axes.SetFromDirection(D3DXVECTOR3(0, 1, 0));
    ExpectVec(axes.GetAxisX(), D3DXVECTOR3(-1, 0, 0)); // Y x Z
    ExpectVec(axes.GetAxisY(), D3DXVECTOR3(0, 0, 1));  // Z x X
}
