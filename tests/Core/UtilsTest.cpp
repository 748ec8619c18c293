#include "Core/PUtils.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Utils, TrimRemovesOnlyOuterSpaceCharacters)
{
    const struct
    {
        std::string in;
        std::string out;
    } cases[] = {
        { "\t a b \r\n", "a b" },
        { "   ", "" },
        { "", "" },
        { "x", "x" },
        { "\va\v", "\va\v" }, // vertical tab is not a space character here
    };
    for (const auto& c : cases) {
        std::string text = c.in;
        EXPECT_EQ(TrimString(text), c.out);
        EXPECT_EQ(text, c.out);
    }
}

TEST(Utils, NumberTestsLookAtEachCharacterAlone)
{
    EXPECT_TRUE(IsIntString("12-3"));
    EXPECT_TRUE(IsIntString(""));
    EXPECT_FALSE(IsIntString("1.5"));
    EXPECT_TRUE(IsFloatString("-.-"));
    EXPECT_TRUE(IsFloatString("3.25"));
    EXPECT_FALSE(IsFloatString("1e5"));
    EXPECT_FALSE(IsFloatString(" 1"));
}

TEST(Utils, CaseFoldingChangesOnlyAsciiLetters)
{
    std::string text = "DATA\\Player.dat \xC4";
    EXPECT_EQ(ToLowerString(text), "data\\player.dat \xC4");
    EXPECT_EQ(ToUpperString(text), "DATA\\PLAYER.DAT \xC4");
}

TEST(Utils, RayPlaneIntersect)
{
    const float plane[4] = { 0, 0, 1, 0 };
    const float above[3] = { 0, 0, 5 };
    const float below[3] = { 0, 0, -5 };
    const float down[3] = { 0, 0, -1 };
    const float up[3] = { 0, 0, 1 };
    const float sideways[3] = { 1, 0, 0 };
    EXPECT_FLOAT_EQ(RayPlaneIntersect(above, down, plane), 5.0f);
    EXPECT_FLOAT_EQ(RayPlaneIntersect(above, up, plane), -1.0f);
    EXPECT_FLOAT_EQ(RayPlaneIntersect(below, down, plane), -5.0f);
    EXPECT_FLOAT_EQ(RayPlaneIntersect(above, sideways, plane), -1.0f);
    const float shifted[4] = { 0, 0, 1, -2 }; // z = 2
    const float slanted[3] = { 0.6f, 0, -0.8f };
    EXPECT_NEAR(RayPlaneIntersect(above, slanted, shifted), 3.75f, 1e-6f);
}

TEST(Utils, PointInTriangleUsesTheDominantProjection)
{
    const float a[3] = { 0, 0, 0 };
    const float b[3] = { 1, 0, 0 };
    const float c[3] = { 0, 1, 0 };
    const float inside[3] = { 0.25f, 0.25f, 7 };
    const float outside[3] = { 1, 1, 0 };
    EXPECT_TRUE(PointInTriangle3D(inside, a, b, c));
    EXPECT_FALSE(PointInTriangle3D(outside, a, b, c));

    // A wall in the x-z plane projects onto (x, z).
    const float w0[3] = { 0, 3, 0 };
    const float w1[3] = { 2, 3, 0 };
    const float w2[3] = { 0, 3, 2 };
    const float onWall[3] = { 0.5f, -100, 0.5f };
    const float offWall[3] = { 1.5f, 3, 1.5f };
    EXPECT_TRUE(PointInTriangle3D(onWall, w0, w1, w2));
    EXPECT_FALSE(PointInTriangle3D(offWall, w0, w1, w2));

    // A degenerate triangle with a NaN corner is never hit.
    const float nan[3] = { NAN, 0, 0 };
    EXPECT_FALSE(PointInTriangle3D(inside, nan, b, c));
}

TEST(Utils, SafeArcFunctionsClamp)
{
    EXPECT_FLOAT_EQ(SafeAcos(1.0001f), 0.0f);
    EXPECT_FLOAT_EQ(SafeAcos(-3.0f), static_cast<float>(M_PI));
    EXPECT_FLOAT_EQ(SafeAsin(-2.0f), static_cast<float>(-M_PI / 2));
    EXPECT_FLOAT_EQ(SafeAsin(0.5f), std::asin(0.5f));
}
