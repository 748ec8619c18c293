#include "Core/PBoundingBox.h"
#include "Core/PBounds.h"
#include "Platform/CRand.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace
{
void ExpectVec(const D3DXVECTOR3& actual, float x, float y, float z, float tolerance = 1e-5f)
{
    EXPECT_NEAR(actual.x, x, tolerance);
    EXPECT_NEAR(actual.y, y, tolerance);
    EXPECT_NEAR(actual.z, z, tolerance);
}

CPBoundingBox UnitBox()
{
    CPBoundingBox box(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0.5f, 0.5f, 0.5f));
    box.Update();
    return box;
}

CPBounds MakeBounds(const D3DXVECTOR3& low, const D3DXVECTOR3& high)
{
    CPBounds bounds;
    bounds.m_min = low;
    bounds.m_max = high;
    bounds.UpdateCentre();
    return bounds;
}

// Restores the all-zero shadow matrix that a test changed.
struct ShadowMatrixGuard
{
    ~ShadowMatrixGuard() { g_ShadowMatrix = D3DXMATRIX(); }
};
}

TEST(BoundingBox, ConstructionGivesExtentsBeforeTheFirstUpdate)
{
    const CPBoundingBox box(D3DXVECTOR3(1, 2, 3), D3DXVECTOR3(0.5f, 1, 2));
    ExpectVec(box.m_worldMin, 0.5f, 1, 1);
    ExpectVec(box.m_worldMax, 1.5f, 3, 5);
    EXPECT_TRUE(D3DXMatrixIsIdentity(&box.m_world));
    EXPECT_TRUE(D3DXMatrixIsIdentity(&box.m_local));
}

TEST(BoundingBox, UpdateClampsHalfSizesBelowTheMinimum)
{
    CPBoundingBox box(D3DXVECTOR3(), D3DXVECTOR3(0, 2, 0.0005f));
    box.Update();
    ExpectVec(box.m_halfSize, 0.001f, 2, 0.001f, 0);
    box.m_halfSize = D3DXVECTOR3(-1, std::numeric_limits<float>::quiet_NaN(), 0.001f);
    box.Update();
    ExpectVec(box.m_halfSize, 0.001f, 0.001f, 0.001f, 0);
}

TEST(BoundingBox, UnitBoxCornersPlanesAndExtents)
{
    const CPBoundingBox box = UnitBox();
    const float h = 0.5f;
    const float corners[8][3] = {
        { -h, -h, -h }, { h, -h, -h }, { h, h, -h }, { -h, h, -h },
        { -h, -h, h },  { h, -h, h },  { h, h, h },  { -h, h, h },
    };
    for (int k = 0; k < 8; ++k)
        ExpectVec(box.m_corners[k], corners[k][0], corners[k][1], corners[k][2]);

    // Faces -z, +x, +y, -x, -y, +z; normals of length 1 (2h x 2h) and d = -0.5.
    const float planes[6][4] = {
        { 0, 0, -1, -h }, { 1, 0, 0, -h }, { 0, 1, 0, -h }, { -1, 0, 0, -h }, { 0, -1, 0, -h }, { 0, 0, 1, -h },
    };
    for (int p = 0; p < 6; ++p) {
        SCOPED_TRACE(p);
        EXPECT_NEAR(box.m_planes[p].a, planes[p][0], 1e-6f);
        EXPECT_NEAR(box.m_planes[p].b, planes[p][1], 1e-6f);
        EXPECT_NEAR(box.m_planes[p].c, planes[p][2], 1e-6f);
        EXPECT_NEAR(box.m_planes[p].d, planes[p][3], 1e-6f);
    }
    ExpectVec(box.m_worldMin, -h, -h, -h);
    ExpectVec(box.m_worldMax, h, h, h);
}

TEST(BoundingBox, UpdateAppliesTheWorldMatrix)
{
    CPBoundingBox box(D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(1, 2, 3));
    D3DXMATRIX turn;
    D3DXMATRIX move;
    D3DXMatrixRotationZ(&turn, D3DX_PI / 2);
    D3DXMatrixTranslation(&move, 10, 20, 30);
    D3DXMatrixMultiply(&box.m_world, &turn, &move);
    box.Update();
    // The box spans x 0..2, y -2..2; the turn takes (x, y) to (-y, x).
    ExpectVec(box.m_worldMin, 8, 20, 27, 1e-4f);
    ExpectVec(box.m_worldMax, 12, 22, 33, 1e-4f);
    // Normals still point out of the box: the +x face now faces +y.
    EXPECT_NEAR(box.m_planes[1].b / std::fabs(box.m_planes[1].b), 1, 1e-6f);
    EXPECT_NEAR(box.m_planes[1].a, 0, 1e-3f);

    // A projective world matrix goes through the divided transform.
    CPBoundingBox scaled(D3DXVECTOR3(), D3DXVECTOR3(1, 1, 1));
    D3DXMatrixIdentity(&scaled.m_world);
    scaled.m_world._44 = 2;
    scaled.Update();
    ExpectVec(scaled.m_worldMin, -0.5f, -0.5f, -0.5f);
    ExpectVec(scaled.m_worldMax, 0.5f, 0.5f, 0.5f);
}

TEST(BoundingBox, IntersectRay)
{
    const CPBoundingBox box = UnitBox();
    const struct
    {
        const char* what;
        D3DXVECTOR3 origin;
        D3DXVECTOR3 dir;
        float best;
        bool hit;
        float distance;
        int face;
    } cases[] = {
        { "down onto the top face", { 0, 0, 5 }, { 0, 0, -1 }, 100, true, 4.5f, 5 },
        { "top face beyond best", { 0, 0, 5 }, { 0, 0, -1 }, 4, false, 4, -1 },
        { "from -x side", { -3, 0.2f, 0.1f }, { 1, 0, 0 }, 100, true, 2.5f, 3 },
        { "distance in multiples of dir", { 0, -4.5f, 0 }, { 0, 2, 0 }, 100, true, 2, 4 },
        { "passes beside", { 2, 0, 5 }, { 0, 0, -1 }, 100, false, 100, -1 },
        { "points away", { 0, 0, 5 }, { 0, 0, 1 }, 100, false, 100, -1 },
        { "starts inside", { 0.1f, 0.2f, 0 }, { 0, 0, -1 }, 100, false, 100, -1 },
        { "starts inside, slanted", { 0, 0, 0 }, { 0.3f, -0.5f, 0.8f }, 100, false, 100, -1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        float best = c.best;
        D3DXPLANE plane(9, 9, 9, 9);
        EXPECT_EQ(box.IntersectRay(c.origin, c.dir, best, plane), c.hit);
        EXPECT_NEAR(best, c.distance, 1e-5f);
        if (c.hit)
            EXPECT_EQ(plane, box.m_planes[c.face]);
        else
            EXPECT_EQ(plane, D3DXPLANE(9, 9, 9, 9));
    }
}

TEST(Bounds, StartAtZero)
{
    const CPBounds bounds;
    ExpectVec(bounds.m_min, 0, 0, 0, 0);
    ExpectVec(bounds.m_max, 0, 0, 0, 0);
    ExpectVec(bounds.m_halfSize, 0, 0, 0, 0);
    ExpectVec(bounds.m_centre, 0, 0, 0, 0);
}

TEST(Bounds, FromPartsOfNothingIsEmptyAndKeepsCentre)
{
    CPBounds bounds = MakeBounds(D3DXVECTOR3(1, 1, 1), D3DXVECTOR3(3, 3, 3));
    bounds.FromParts({});
    ExpectVec(bounds.m_min, 1000000, 1000000, 1000000, 0);
    ExpectVec(bounds.m_max, -1000000, -1000000, -1000000, 0);
    ExpectVec(bounds.m_centre, 2, 2, 2, 0);
    ExpectVec(bounds.m_halfSize, 1, 1, 1, 0);
}

TEST(Bounds, FromPartsFromBoxMergeAndUnion)
{
    CPBoundingBox a(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 1));
    CPBoundingBox b(D3DXVECTOR3(4, 0, -1), D3DXVECTOR3(1, 2, 1));
    a.Update();
    b.Update();

    CPBounds parts;
    parts.FromParts({ a, b });
    ExpectVec(parts.m_min, -1, -2, -2);
    ExpectVec(parts.m_max, 5, 2, 1);
    ExpectVec(parts.m_centre, 2, 0, -0.5f);
    ExpectVec(parts.m_halfSize, 3, 2, 1.5f);

    CPBounds own;
    own.FromBox(b);
    ExpectVec(own.m_min, 3, -2, -2);
    ExpectVec(own.m_centre, 4, 0, -1);
    ExpectVec(own.m_halfSize, 1, 2, 1);

    const CPBounds far = MakeBounds(D3DXVECTOR3(10, 10, 10), D3DXVECTOR3(12, 11, 10.5f));
    CPBounds merged = own;
    merged.Merge(far);
    CPBounds unioned = own;
    unioned.Union(far);
    for (const CPBounds* grown : { &merged, &unioned }) {
        ExpectVec(grown->m_min, 3, -2, -2);
        ExpectVec(grown->m_max, 12, 11, 10.5f);
        ExpectVec(grown->m_centre, 7.5f, 4.5f, 4.25f);
        ExpectVec(grown->m_halfSize, 4.5f, 6.5f, 6.25f);
    }
}

TEST(Bounds, ContainsIsStrict)
{
    const CPBounds bounds = MakeBounds(D3DXVECTOR3(-0.5f, -0.5f, -0.5f), D3DXVECTOR3(0.5f, 0.5f, 0.5f));
    EXPECT_FALSE(bounds.Contains(D3DXVECTOR3(0.5f, 0, 0)));
    EXPECT_TRUE(bounds.Contains(D3DXVECTOR3(0.49f, 0, 0)));
    EXPECT_FALSE(bounds.Contains(D3DXVECTOR3(0, -0.5f, 0)));
    EXPECT_FALSE(bounds.Contains(D3DXVECTOR3(0, 0, 0.7f)));
}

TEST(Bounds, IntersectSegment)
{
    const CPBounds bounds = MakeBounds(D3DXVECTOR3(-0.5f, -0.5f, -0.5f), D3DXVECTOR3(0.5f, 0.5f, 0.5f));
    const struct
    {
        const char* what;
        D3DXVECTOR3 origin;
        D3DXVECTOR3 dir;
        float length;
        bool hit;
    } cases[] = {
        { "stops short", { -2, 0, 0 }, { 1, 0, 0 }, 1, false },
        { "reaches in", { -2, 0, 0 }, { 1, 0, 0 }, 2, true },
        { "starts inside", { 0, 0, 0 }, { 0, 0, 1 }, 0.1f, true },
        { "points away", { -2, 0, 0 }, { -1, 0, 0 }, 5, false },
        { "passes above", { -2, 0, 0.6f }, { 1, 0, 0 }, 5, false },
        { "diagonal past a corner", { -1, 0.6f, 0 }, { 0.7071f, 0.7071f, 0 }, 3, false },
        { "diagonal through", { -1, -0.4f, 0 }, { 0.7071f, 0.7071f, 0 }, 3, true },
        { "length in multiples of dir", { -4, 0, 0 }, { 2, 0, 0 }, 1.8f, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(bounds.IntersectSegment(c.origin, c.dir, c.length), c.hit);
    }
}

TEST(Bounds, SphereTest)
{
    const CPBounds bounds = MakeBounds(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 1));
    EXPECT_TRUE(bounds.SphereTest(D3DXVECTOR3(2, 0.5f, 0.5f), 1));
    EXPECT_FALSE(bounds.SphereTest(D3DXVECTOR3(2, 0.5f, 0.5f), 0.99f));
    EXPECT_TRUE(bounds.SphereTest(D3DXVECTOR3(0.5f, 0.5f, 0.5f), 0));
    // Corner distance: sqrt(1 + 1 + 1).
    EXPECT_TRUE(bounds.SphereTest(D3DXVECTOR3(-1, -1, -1), 1.7321f));
    EXPECT_FALSE(bounds.SphereTest(D3DXVECTOR3(-1, -1, -1), 1.732f));
}

TEST(Bounds, AddShadowWithoutALevelShadowChangesNothing)
{
    ASSERT_EQ(g_ShadowMatrix, D3DXMATRIX());
    CPBounds bounds = MakeBounds(D3DXVECTOR3(-1, -2, 0), D3DXVECTOR3(1, 2, 3));
    const CPBounds before = bounds;
    bounds.AddShadow();
    ExpectVec(bounds.m_min, before.m_min.x, before.m_min.y, before.m_min.z, 0);
    ExpectVec(bounds.m_max, before.m_max.x, before.m_max.y, before.m_max.z, 0);
}

TEST(Bounds, AddShadowGrowsByTheProjectedCorners)
{
    ShadowMatrixGuard guard;
    // Sun along (1, 0, -1) onto the ground plane z = 0: a point at height h
    // lands h further along x.
    const D3DXVECTOR4 light(-1, 0, 1, 0);
    const D3DXPLANE ground(0, 0, 1, 0);
    D3DXMatrixShadow(&g_ShadowMatrix, &light, &ground);

    CPBounds bounds = MakeBounds(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 2));
    bounds.AddShadow();
    ExpectVec(bounds.m_min, 0, 0, 0);
    ExpectVec(bounds.m_max, 3, 1, 2);
    // Centre and half size wait for UpdateCentre.
    ExpectVec(bounds.m_centre, 0.5f, 0.5f, 1);
    bounds.UpdateCentre();
    ExpectVec(bounds.m_centre, 1.5f, 0.5f, 1);

    // A point light level with a corner sends it to infinity: that corner is skipped.
    const D3DXVECTOR4 lamp(0, 0, 1, 1);
    D3DXMatrixShadow(&g_ShadowMatrix, &lamp, &ground);
    CPBounds level = MakeBounds(D3DXVECTOR3(-1, -1, 0), D3DXVECTOR3(1, 1, 1));
    level.AddShadow();
    for (float v : { level.m_min.x, level.m_min.y, level.m_min.z, level.m_max.x, level.m_max.y, level.m_max.z })
        EXPECT_TRUE(std::isfinite(v));
    ExpectVec(level.m_min, -1, -1, 0);
    ExpectVec(level.m_max, 1, 1, 1);
}

TEST(Bounds, AddShadowUnderASunMatchesEveryProjectedCorner)
{
    // Sun shadows take a shortcut over the eight corners; it must give what
    // projecting every corner gives, whatever the sun and the box.
    ShadowMatrixGuard guard;
    crt::srand(7);
    const auto random = [](float low, float high) {
        return low + (high - low) * static_cast<float>(crt::rand()) / static_cast<float>(crt::kRandMax);
    };
    for (int trial = 0; trial < 500; ++trial) {
        const D3DXVECTOR4 sun(random(-1, 1), random(-1, 1), random(0.2f, 1), 0);
        const D3DXPLANE ground(random(-0.2f, 0.2f), random(-0.2f, 0.2f), 1, random(-5, 5));
        D3DXMatrixShadow(&g_ShadowMatrix, &sun, &ground);
        const D3DXVECTOR3 low(random(-50, 50), random(-50, 50), random(-5, 20));
        const D3DXVECTOR3 high(low.x + random(0, 30), low.y + random(0, 30), low.z + random(0, 30));
        CPBounds bounds = MakeBounds(low, high);

        D3DXVECTOR3 expectedLow = low;
        D3DXVECTOR3 expectedHigh = high;
        for (int k = 0; k < 8; ++k) {
            const D3DXVECTOR3 corner((k & 1) ? high.x : low.x, (k & 2) ? high.y : low.y, (k & 4) ? high.z : low.z);
            D3DXVECTOR3 projected;
            D3DXVec3TransformCoord(&projected, &corner, &g_ShadowMatrix);
            D3DXVec3Minimize(&expectedLow, &expectedLow, &projected);
            D3DXVec3Maximize(&expectedHigh, &expectedHigh, &projected);
        }
        bounds.AddShadow();
        ExpectVec(bounds.m_min, expectedLow.x, expectedLow.y, expectedLow.z, 1e-3f);
        ExpectVec(bounds.m_max, expectedHigh.x, expectedHigh.y, expectedHigh.z, 1e-3f);
        if (HasFailure())
            break;
    }
    crt::srand(1);
}

TEST(Bounds, AddShadowUnderASunGivesTheCornerWalkBitForBit)
{
    // With w = 1 every corner projects exactly to (x, y, z, 1) x S, so the
    // shortcut for a sun must give, bit for bit, what walking the corners in
    // order gives: the first of equal extremes is replaced by each later one,
    // which decides the sign of a zero, and a corner with a coordinate that
    // is not finite is skipped.
    ShadowMatrixGuard guard;
    const float values[] = { 0.0f, -0.0f, 1.0f, -1.0f, 0.5f, -2.0f, 3.0f, 1e30f,
                             std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN() };
    constexpr int kCommonValues = 7; // the finite ones below 1e30
    crt::srand(3);
    const auto pick = [&values](int count) { return values[crt::rand() % count]; };
    for (int trial = 0; trial < 20000; ++trial) {
        // Mostly small values that give exact zeros of both signs; now and
        // then one that overflows or is not finite.
        const int count = trial % 8 == 0 ? 10 : kCommonValues;
        D3DXMATRIX s;
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 3; ++c)
                s.m[r][c] = pick(count);
        }
        s._14 = s._24 = s._34 = 0.0f;
        s._44 = 1.0f;
        g_ShadowMatrix = s;
        float low[3];
        float high[3];
        for (int c = 0; c < 3; ++c) {
            low[c] = pick(count);
            high[c] = pick(count);
        }

        float expectedLow[3] = { low[0], low[1], low[2] };
        float expectedHigh[3] = { high[0], high[1], high[2] };
        for (int k = 0; k < 8; ++k) {
            const float corner[3] = { (k & 1) ? high[0] : low[0], (k & 2) ? high[1] : low[1],
                                      (k & 4) ? high[2] : low[2] };
            float point[3];
            bool finite = true;
            for (int c = 0; c < 3; ++c) {
                point[c] = corner[0] * s.m[0][c] + corner[1] * s.m[1][c] + corner[2] * s.m[2][c] + s.m[3][c];
                finite = finite && std::isfinite(point[c]);
            }
            if (!finite)
                continue;
            for (int c = 0; c < 3; ++c) {
                expectedLow[c] = expectedLow[c] < point[c] ? expectedLow[c] : point[c];
                expectedHigh[c] = expectedHigh[c] > point[c] ? expectedHigh[c] : point[c];
            }
        }

        CPBounds bounds = MakeBounds(D3DXVECTOR3(low), D3DXVECTOR3(high));
        bounds.AddShadow();
        const D3DXVECTOR3 wantLow(expectedLow);
        const D3DXVECTOR3 wantHigh(expectedHigh);
        ASSERT_EQ(std::memcmp(&bounds.m_min, &wantLow, sizeof(wantLow)), 0) << "trial " << trial;
        ASSERT_EQ(std::memcmp(&bounds.m_max, &wantHigh, sizeof(wantHigh)), 0) << "trial " << trial;
    }
    crt::srand(1);
}
