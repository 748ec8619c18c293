#include "DefaultCamera.h"
#include "Render/PPerspectiveCamera.h"
#include "Startup/PConfigVars.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
D3DXMATRIX Identity()
{
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    return identity;
}

void ExpectMatrixNear(const D3DXMATRIX& actual, const D3DXMATRIX& expected, float tolerance)
{
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(actual.m[r][c], expected.m[r][c], tolerance) << "row " << r << " column " << c;
    }
}

// The script's default camera on a 1024 x 768 screen.
class PerspectiveCamera : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_savedWidth = g_CfgScreenWidth;
        m_savedHeight = g_CfgScreenHeight;
        g_CfgScreenWidth = 1024;
        g_CfgScreenHeight = 768;
        SetDefaultCamera(m_camera);
    }
    void TearDown() override
    {
        g_CfgScreenWidth = m_savedWidth;
        g_CfgScreenHeight = m_savedHeight;
    }
    bool Visible(D3DXVECTOR3 centre, float half) const
    {
        const D3DXVECTOR3 extent(half, half, half);
        return m_camera.IsBoxVisible(centre - extent, centre + extent);
    }

    int32_t m_savedWidth = 0;
    int32_t m_savedHeight = 0;
    CPPerspectiveCamera m_camera;
};
}

TEST(BaseCamera, StartsWithIdentitiesAndTakesItsMatrixAsTheView)
{
    CPBaseCamera camera;
    EXPECT_EQ(camera.GetTypeName(), "CPBaseCamera");
    EXPECT_EQ(camera.GetView(), Identity());
    EXPECT_EQ(camera.GetSkyProjection(), Identity());
    D3DXMATRIX ortho;
    D3DXMatrixOrthoOffCenterLH(&ortho, 0, 640, 480, 0, 0, 1);
    camera.SetMatrix(ortho);
    EXPECT_EQ(camera.GetView(), ortho);
    EXPECT_EQ(camera.GetProjection(), Identity());
}

TEST_F(PerspectiveCamera, UpdateWithoutDirtyFlagsChangesNothing)
{
    CPPerspectiveCamera fresh;
    fresh.m_eye = D3DXVECTOR3(5, 5, 5); // changed without a flag
    fresh.Update();
    EXPECT_EQ(fresh.GetTypeName(), "CPPerspectiveCamera");
    EXPECT_EQ(fresh.GetView(), Identity());
    EXPECT_EQ(fresh.GetProjection(), Identity());
    EXPECT_EQ(fresh.GetViewProjection(), Identity());
    // Zero planes before the first update: nothing is visible.
    EXPECT_EQ(fresh.GetPlane(CPPerspectiveCamera::kPlaneNear), D3DXPLANE());
    EXPECT_FALSE(fresh.IsBoxVisible(D3DXVECTOR3(-1, -1, -1), D3DXVECTOR3(1, 1, 1)));
}

TEST_F(PerspectiveCamera, MatricesMatchTheWorkedNumbers)
{
    m_camera.Update();
    EXPECT_EQ(m_camera.m_viewDirty, 0);
    EXPECT_EQ(m_camera.m_projectionDirty, 0);

    // World +y is the view's x, world +z its y, world +x the line of sight.
    const D3DXMATRIX view(0, 0, 1, 0,
                          1, 0, 0, 0,
                          0, 1, 0, 0,
                          0, 0, 0, 1);
    ExpectMatrixNear(m_camera.GetView(), view, 1e-6f);
    D3DXMATRIX transposed;
    D3DXMatrixTranspose(&transposed, &view);
    ExpectMatrixNear(m_camera.GetInverseView(), transposed, 1e-6f);

    // 1 / tan(35 degrees) = 1.4281480; the aspect 1024 / 768 = 1.3333334.
    const float yScale = 1.4281480f;
    const float xScale = yScale / 1.3333334f;
    const D3DXMATRIX projection(xScale, 0, 0, 0,
                                0, yScale, 0, 0,
                                0, 0, 1000.0f / 999.0f, 1,
                                0, 0, -1000.0f / 999.0f, 0);
    ExpectMatrixNear(m_camera.GetProjection(), projection, 1e-5f);
    EXPECT_NEAR(m_camera.GetSkyProjection()._33, 1000.0f / 999.0f, 1e-6f); // far already 1000
    ExpectMatrixNear(m_camera.GetViewProjection(), view * projection, 1e-5f);
    ExpectMatrixNear(m_camera.GetSkyViewProjection(), view * projection, 1e-5f); // eye at the origin

    // The near plane faces forward through x = 1; the far plane back through x = 1000.
    const D3DXPLANE& nearPlane = m_camera.GetPlane(CPPerspectiveCamera::kPlaneNear);
    EXPECT_GT(nearPlane.a, 0.0f);
    EXPECT_NEAR(-nearPlane.d / nearPlane.a, 1.0f, 1e-4f);
    const D3DXPLANE& farPlane = m_camera.GetPlane(CPPerspectiveCamera::kPlaneFar);
    EXPECT_LT(farPlane.a, 0.0f);
    EXPECT_NEAR(-farPlane.d / farPlane.a, 1000.0f, 0.1f);

    // Moving the eye rebuilds the view but keeps the projection.
    m_camera.m_eye = D3DXVECTOR3(0, 0, 10);
    m_camera.m_target = D3DXVECTOR3(1, 0, 10);
    m_camera.m_viewDirty = 1;
    m_camera.Update();
    EXPECT_NEAR(m_camera.GetView()._42, -10.0f, 1e-5f);
    ExpectMatrixNear(m_camera.GetProjection(), projection, 1e-5f);
    ExpectMatrixNear(m_camera.GetSkyView(), view, 1e-6f); // the sky view never moves
}

TEST_F(PerspectiveCamera, BoxesInsideOutsideAndAcrossTheNearPlane)
{
    m_camera.Update();
    struct Case
    {
        const char* what;
        D3DXVECTOR3 centre;
        float half;
        bool visible;
    };
    const Case cases[] = {
        { "ahead", { 10, 0, 0 }, 1, true },
        { "behind the eye", { -10, 0, 0 }, 1, false },
        { "around the eye", { 0, 0, 0 }, 2, true },
        { "across the near plane", { 1, 0, 0 }, 0.5f, true },
        { "between the eye and the near plane", { 0.5f, 0, 0 }, 0.2f, false },
        { "beyond the far plane", { 1100, 0, 0 }, 50, false },
        { "across the far plane", { 1000, 0, 0 }, 50, true },
        { "far to the left", { 10, -40, 0 }, 1, false },
        { "far to the right", { 10, 40, 0 }, 1, false },
        { "above", { 10, 0, 40 }, 1, false },
        { "below", { 10, 0, -40 }, 1, false },
        { "across the right edge", { 10, 9.34f, 0 }, 0.5f, true },
    };
    for (const Case& c : cases)
        EXPECT_EQ(Visible(c.centre, c.half), c.visible) << c.what;
}

TEST(MakePlane, NormalFollowsTheWindingUnnormalised)
{
    const D3DXPLANE plane = MakePlane(D3DXVECTOR3(0, 0, 2), D3DXVECTOR3(2, 0, 2), D3DXVECTOR3(0, 3, 2));
    EXPECT_EQ(plane, D3DXPLANE(0, 0, 6, -12));
}
