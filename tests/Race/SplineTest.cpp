#include "Core/PFileReader.h"
#include "Race/PRaceLinks.h"
#include "Race/PSpline.h"
#include "Render/PMaterial.h"
#include "Render/PMaterialManager.h"
#include "Render/PRenderObject.h"
#include "PathRecord.h"
#include "ScratchRoot.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
constexpr float kPi = 3.1415927f;

// Loads path records from a scratch level file.
class SplineLoad : public ::testing::Test
{
protected:
    bool Load(CPSpline& spline, const std::string& bytes)
    {
        m_root.MakeFile("data/levels/path.lvl", bytes);
        CPFileReader reader("Data\\Levels\\path.lvl");
        EXPECT_EQ(reader.Load(), S_OK);
        return spline.Load(reader);
    }

    // The straight path from the origin along x whose length measure is
    // `measure`.
    std::string StraightPath(float measure, bool closed)
    {
        return PathRecord("c_path", closed,
                          { StraightSegment(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(measure / 0.9f, 0, 0)) });
    }

    static int RingSize(const CPSpline& spline)
    {
        const CPLine* first = spline.GetFirstLine();
        if (!first)
            return 0;
        int count = 0;
        const CPLine* line = first;
        do {
            ++count;
            EXPECT_EQ(line->next->previous, line);
            line = line->next;
        } while (line != first && count < 1000);
        return count;
    }

    ScratchRoot m_root;
};

TEST_F(SplineLoad, ReadsNameFlagAndSegmentsInStoredOrder)
{
    CPSpline spline;
    const PathSegmentPoints curve = { D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 30, 0), D3DXVECTOR3(30, 30, 1),
                                      D3DXVECTOR3(30, 0, 2) };
    ASSERT_TRUE(Load(spline, PathRecord("left", true, { curve })));
    EXPECT_EQ(spline.GetName(), "left");
    EXPECT_EQ(spline.CPGameObject::GetName(), "CPSpline");
    EXPECT_EQ(spline.GetTypeName(), "CPSpline");
    EXPECT_TRUE(spline.IsClosed());
    ASSERT_EQ(spline.GetSegments().size(), 1u);
    const CPSplineSegment& segment = spline.GetSegments()[0];
    EXPECT_EQ(segment.p1, curve.p1);
    EXPECT_EQ(segment.p2, curve.p2);
    EXPECT_EQ(segment.p3, curve.p3);
    // The length measure is the chord to the point at t = 0.9.
    const D3DXVECTOR3 chord = BezierPoint(segment, 0.9f) - segment.p0;
    EXPECT_NEAR(segment.length, D3DXVec3Length(&chord), 1e-3f);
    EXPECT_EQ(spline.GetKind(), kBodyRenderObject);
    // Without a material cache the debug body has no material.
    EXPECT_FALSE(static_cast<CPRenderObject*>(spline.GetBody().Get())->GetMaterial());
}

TEST_F(SplineLoad, DebugBodyTakesItsMaterialFromTheCache)
{
    CPMaterialManager materials;
    g_MaterialManager = &materials;
    CPSpline spline;
    ASSERT_TRUE(Load(spline, StraightPath(50.0f, false)));
    auto* body = static_cast<CPRenderObject*>(spline.GetBody().Get());
    CPMaterial* material = body->GetMaterial().Get();
    ASSERT_NE(material, nullptr);
    EXPECT_EQ(material->GetLayerId(), 10);
    body->SetMaterial(nullptr);
    delete material;
    g_MaterialManager = nullptr;
}

TEST_F(SplineLoad, StraightHundredUnitsMeasuresNinety)
{
    CPSpline spline;
    ASSERT_TRUE(Load(spline, PathRecord("c_path", false,
                                        { StraightSegment(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(100, 0, 0)) })));
    EXPECT_NEAR(spline.GetTotalLength(), 90.0f, 1e-3f);
    // Lines start at 0, 10.5, ... 73.5; the step from 84 would end past 90.
    EXPECT_EQ(RingSize(spline), 8);
    const CPLine* line = spline.GetFirstLine();
    EXPECT_NEAR(line->start.x, 0.0f, 1e-4f);
    EXPECT_NEAR(line->end.x, 10.5f * 100.0f / 90.0f, 1e-3f);
    EXPECT_NEAR(line->next->start.x, 10.5f * 100.0f / 90.0f, 1e-3f);
    EXPECT_FLOAT_EQ(line->direction, kPi);
    EXPECT_EQ(spline.GetCurrentLine(), line);
    // Three vertices and three indices per line in the debug body.
    const auto* body = static_cast<CPRenderObject*>(spline.GetBody().Get());
    EXPECT_EQ(body->GetLocalVertices().size(), 24u);
    EXPECT_EQ(body->GetIndices()[23], 23);
}

TEST_F(SplineLoad, OpenPathDropsTheRemainderAndClosedPathWraps)
{
    struct Case
    {
        bool closed;
        int lines;
    };
    for (const Case& c : { Case{ false, 4 }, Case{ true, 5 } }) {
        CPSpline spline;
        ASSERT_TRUE(Load(spline, StraightPath(50.0f, c.closed)));
        EXPECT_EQ(RingSize(spline), c.lines) << "closed " << c.closed;
        const CPLine* last = spline.GetFirstLine()->previous;
        EXPECT_EQ(last->next, spline.GetFirstLine());
        // The unfinished line object stays outside the ring.
        EXPECT_EQ(spline.GetLines().size(), static_cast<size_t>(c.lines + 1));
        if (c.closed) {
            // From 42 to the wrapped point 2.5, so it runs backwards.
            EXPECT_NEAR(last->end.x, 2.5f / 0.9f, 1e-3f);
            EXPECT_FLOAT_EQ(last->direction, kPi - std::acos(-1.0f));
        }
    }
}

TEST_F(SplineLoad, DirectionFollowsTheWayPlusPi)
{
    CPSpline spline;
    ASSERT_TRUE(Load(spline, PathRecord("c_path", false,
                                        { StraightSegment(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 40, 0)) })));
    EXPECT_FLOAT_EQ(spline.GetFirstLine()->direction, kPi + kPi / 2.0f);
}

TEST_F(SplineLoad, DegeneratePathsHaveAnEmptyRing)
{
    const std::string vertical =
        PathRecord("c_path", false, { StraightSegment(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 90)) });
    std::string negative;
    AppendInt(negative, 1);
    negative += "x";
    AppendInt(negative, 0);
    AppendInt(negative, -3);
    for (const std::string& bytes : { vertical, negative, PathRecord("c_path", true, {}) }) {
        CPSpline spline;
        ASSERT_TRUE(Load(spline, bytes));
        EXPECT_EQ(spline.GetFirstLine(), nullptr);
        EXPECT_EQ(spline.GetCurrentLine(), nullptr);
        CPLine* hint = nullptr;
        float radius = 10.0f;
        EXPECT_EQ(spline.FindNearestLine(D3DXVECTOR3(5, 5, 0), radius, 0, hint), 0.0f);
        EXPECT_EQ(radius, 0.0f);
        EXPECT_EQ(hint, nullptr);
        spline.DropToGround();
    }
}

TEST_F(SplineLoad, ClosedPathsFarShorterThanALineWrapAtOnce)
{
    // A length lost in the precision of one line step used to make the wrap
    // subtract for ever; a short closed path wraps as a longer one does.
    for (float measure : { 1e-20f, 3.0f }) {
        CPSpline spline;
        ASSERT_TRUE(Load(spline, StraightPath(measure, true))) << measure;
        ASSERT_NE(spline.GetFirstLine(), nullptr) << measure;
        EXPECT_EQ(RingSize(spline), 1) << measure;
        EXPECT_LE(spline.GetFirstLine()->end.x, measure / 0.9f) << measure;
    }
}

TEST_F(SplineLoad, OverrunningCountsFailTheRead)
{
    const std::string whole = StraightPath(50.0f, false);
    std::string longName;
    AppendInt(longName, 1000);
    longName += "c_path";
    // The segment count claims two segments; one is stored.
    std::string shortSegments = whole;
    shortSegments[4 + 6 + 4] = 2;
    // A path too long for the body's 16-bit indices.
    const std::string endless = StraightPath(1.0e9f, false);
    // Cut after the name, and after the closed flag: the header runs past the end.
    const std::string noFlag = whole.substr(0, 4 + 6);
    const std::string noCount = whole.substr(0, 4 + 6 + 4);
    for (const std::string& bytes :
         { longName, shortSegments, whole.substr(0, whole.size() - 4), endless, noFlag, noCount }) {
        CPSpline spline;
        EXPECT_FALSE(Load(spline, bytes));
        EXPECT_EQ(spline.GetFirstLine(), nullptr);
    }
}

TEST_F(SplineLoad, DropToGroundAsksTheGroundForEveryPoint)
{
    g_RaceLinks.findGroundHeight = [](const D3DXVECTOR3& point) { return point.x * 0.5f + point.z; };
    CPSpline spline;
    ASSERT_TRUE(Load(spline, StraightPath(50.0f, false)));
    spline.DropToGround();
    g_RaceLinks.findGroundHeight = nullptr;
    for (const auto& line : spline.GetLines()) {
        EXPECT_FLOAT_EQ(line->start.z, line->start.x * 0.5f);
        EXPECT_FLOAT_EQ(line->end.z, line->end.x * 0.5f);
        EXPECT_FLOAT_EQ(line->centre.z, line->centre.x * 0.5f);
    }
}

// The nearest-line search over loaded paths.
class NearestLine : public SplineLoad
{
protected:
    CPLine* LineAt(CPSpline& spline, int index)
    {
        CPLine* line = spline.GetFirstLine();
        for (int i = 0; i < index; ++i)
            line = line->next;
        return line;
    }
};

TEST_F(NearestLine, FindsTheNearestLineAndSignedOffset)
{
    CPSpline spline;
    ASSERT_TRUE(Load(spline, PathRecord("c_path", false,
                                        { StraightSegment(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1000, 0, 0)) })));
    CPLine* target = LineAt(spline, 5);
    struct Case
    {
        float y;
        float offset;
    };
    for (const Case& c : { Case{ -2.0f, 2.0f }, Case{ 3.0f, -3.0f } }) {
        CPLine* hint = LineAt(spline, 3);
        float radius = 20.0f;
        const float direction = spline.FindNearestLine(D3DXVECTOR3(target->centre.x, c.y, 0), radius, 0, hint);
        EXPECT_EQ(hint, target);
        EXPECT_EQ(spline.GetCurrentLine(), target);
        EXPECT_FLOAT_EQ(direction, target->direction);
        EXPECT_NEAR(radius, c.offset, 1e-4f) << "y " << c.y;
    }
    // Count 1 measures against the line before the nearest one.
    CPLine* hint = LineAt(spline, 3);
    float radius = 20.0f;
    spline.FindNearestLine(D3DXVECTOR3(target->centre.x, -2.0f, 0), radius, 1, hint);
    EXPECT_EQ(hint, target);
    EXPECT_NEAR(radius, 2.0f, 1e-4f);
}

TEST_F(NearestLine, FarPositionKeepsTheHint)
{
    CPSpline spline;
    ASSERT_TRUE(Load(spline, StraightPath(200.0f, true)));
    CPLine* hint = LineAt(spline, 4);
    CPLine* const original = hint;
    float radius = 10.0f;
    const float direction = spline.FindNearestLine(D3DXVECTOR3(0, 5000, 0), radius, 2, hint);
    EXPECT_EQ(hint, original);
    EXPECT_FLOAT_EQ(direction, LineAt(spline, 2)->direction);
    // A null hint starts from the current line.
    CPLine* none = nullptr;
    radius = 10.0f;
    spline.FindNearestLine(D3DXVECTOR3(0, 5000, 0), radius, 0, none);
    EXPECT_EQ(none, original);
}

TEST_F(NearestLine, TwoLineRingExaminesOnlyTheHint)
{
    CPSpline spline;
    ASSERT_TRUE(Load(spline, StraightPath(20.0f, true)));
    ASSERT_EQ(RingSize(spline), 2);
    CPLine* hint = LineAt(spline, 0);
    float radius = 50.0f;
    spline.FindNearestLine(LineAt(spline, 1)->centre, radius, 0, hint);
    EXPECT_EQ(hint, LineAt(spline, 0));
}

TEST_F(NearestLine, LineEnteringTheWindowIsComparedAtOnce)
{
    // A ring of four lines: the walks examine lines 1 and 3 once and meet
    // on line 2. Only line 1's end lies in the window.
    CPSpline spline;
    ASSERT_TRUE(Load(spline, StraightPath(40.0f, true)));
    ASSERT_EQ(RingSize(spline), 4);
    CPLine* hint = LineAt(spline, 0);
    float radius = 0.5f;
    spline.FindNearestLine(LineAt(spline, 1)->end, radius, 0, hint);
    EXPECT_EQ(hint, LineAt(spline, 1));
}
}
