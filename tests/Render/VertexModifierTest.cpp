#include "Core/PGameHost.h"
#include "Platform/CRand.h"
#include "Render/PVertexModifier.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

namespace
{
class VertexModifiers : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_savedFrameTime = g_FrameTime;
        crt::srand(1234);
    }
    void TearDown() override { g_FrameTime = m_savedFrameTime; }

    // A quad mapped 0 to 1, half transparent red.
    static std::vector<CPVertex> Quad()
    {
        std::vector<CPVertex> quad(4);
        const float corners[4][2] = { { 0, 0 }, { 1, 0 }, { 1, 1 }, { 0, 1 } };
        for (size_t i = 0; i < 4; ++i) {
            quad[i].position = D3DXVECTOR3(corners[i][0] * 4.0f, corners[i][1] * 4.0f, 1.0f);
            quad[i].normal = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
            quad[i].diffuse = 0x80FF0000;
            quad[i].u1 = corners[i][0];
            quad[i].v1 = corners[i][1];
        }
        return quad;
    }

    // One frame of `dt` through the modifier, into a fresh copy of the quad.
    static std::vector<CPVertex> Frame(CPVertexModifier& modifier, float dt)
    {
        g_FrameTime = dt;
        const std::vector<CPVertex> source = Quad();
        std::vector<CPVertex> out(source.size());
        modifier.Apply(out.data(), source.data(), static_cast<int32_t>(source.size()));
        return out;
    }

    static std::unique_ptr<CPVertexModifier> Make(const std::string& name, const std::vector<std::string>& arguments)
    {
        return std::unique_ptr<CPVertexModifier>(CreateVertexModifier(name, arguments));
    }

private:
    float m_savedFrameTime = 0.0f;
};

TEST_F(VertexModifiers, FactoryChecksNamesAndArguments)
{
    struct Case
    {
        const char* name;
        std::vector<std::string> arguments;
        const std::type_info* made; // null: nothing
    };
    const Case cases[] = {
        { "environment", { "2" }, &typeid(CPEnvironmentModifier) },
        { "FADE", { "255" }, &typeid(CPFadeModifier) },
        { "MovingTex", { "0.5", "-.25" }, &typeid(CPMovingTexModifier) },
        { "flick", { "3", "100", "200" }, &typeid(CPFlickModifier) },
        { "anim", { "4", "2", "8" }, &typeid(CPAnimModifier) },
        { "fade", { "1", "2" }, nullptr },
        { "fade", {}, nullptr },
        { "fade", { "1e3" }, nullptr },
        { "fade", { "+1" }, nullptr },
        { "movingtex", { "1" }, nullptr },
        { "anim", { "0", "2", "8" }, nullptr },
        { "anim", { "4", "-1", "8" }, nullptr },
        { "anim", { "100000", "100000", "1" }, nullptr },
        { "wobble", { "1" }, nullptr },
        { "", {}, nullptr },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::unique_ptr<CPVertexModifier> modifier = Make(c.name, c.arguments);
        if (!c.made) {
            EXPECT_EQ(modifier, nullptr);
            continue;
        }
        ASSERT_NE(modifier, nullptr);
        const CPVertexModifier& made = *modifier;
        EXPECT_EQ(typeid(made), *c.made);
    }
    // "flick" keeps the low eight bits of its limits: 300 is 44.
    const auto flick = Make("flick", { "0", "300", "300" });
    EXPECT_EQ(static_cast<const CPFlickModifier&>(*flick).GetMiddle(), 44);
}

TEST_F(VertexModifiers, EnvironmentMapsPositionAndNormal)
{
    const auto environment = Make("environment", { "2" });
    const std::vector<CPVertex> out = Frame(*environment, 0.1f);
    EXPECT_FLOAT_EQ(out[2].u2, 4.0f / 2.0f + 0.0f);
    EXPECT_FLOAT_EQ(out[2].v2, 4.0f / 2.0f + 0.5f);
    EXPECT_EQ(out[2].diffuse, 0x80FF0000u);
    EXPECT_EQ(out[2].u1, 1.0f);
}

TEST_F(VertexModifiers, FadeReachesTransparentInOneSecondAndRestarts)
{
    const auto fade = Make("fade", { "255" });
    EXPECT_EQ(Frame(*fade, 0.0f)[0].diffuse, 0xFFFFFFFFu); // white, whatever the vertex had
    EXPECT_EQ(Frame(*fade, 0.5f)[0].diffuse, 0x7FFFFFFFu);
    EXPECT_EQ(Frame(*fade, 0.5f)[0].diffuse, 0x00FFFFFFu);
    EXPECT_EQ(Frame(*fade, 0.5f)[0].diffuse, 0x00FFFFFFu);
    fade->Restart();
    EXPECT_EQ(Frame(*fade, 0.0f)[3].diffuse, 0xFFFFFFFFu);
}

// The reduction as a loop of whole units, the way it reads.
float ReduceByUnits(float offset)
{
    while (offset > 1.0f)
        offset -= 1.0f;
    while (offset < 0.0f)
        offset += 1.0f;
    return offset;
}

TEST_F(VertexModifiers, MovingTexScrollsWithinOneUnit)
{
    crt::srand(99);
    const float start = static_cast<float>(crt::rand());
    crt::srand(99);
    const auto moving = Make("movingtex", { "0.5", "0" });
    float expected = start * 0.5f;
    for (int frame = 0; frame < 12; ++frame) {
        const std::vector<CPVertex> out = Frame(*moving, 0.25f);
        expected = ReduceByUnits(expected + 0.25f * 0.5f);
        const float offset = static_cast<const CPMovingTexModifier&>(*moving).GetOffsetU();
        EXPECT_FLOAT_EQ(offset, expected) << frame;
        EXPECT_GE(offset, 0.0f);
        EXPECT_LE(offset, 1.0f);
        EXPECT_FLOAT_EQ(out[1].u1, 1.0f + offset);
        EXPECT_FLOAT_EQ(out[1].v1, 0.0f);
    }

    // A speed far beyond one unit per frame still ends inside [0, 1] at once.
    const auto fast = Make("movingtex", { "10000000", "-10000000" });
    Frame(*fast, 0.5f);
    const auto& state = static_cast<const CPMovingTexModifier&>(*fast);
    EXPECT_GE(state.GetOffsetU(), 0.0f);
    EXPECT_LE(state.GetOffsetU(), 1.0f);
    EXPECT_GE(state.GetOffsetV(), 0.0f);
    EXPECT_LE(state.GetOffsetV(), 1.0f);
}

TEST_F(VertexModifiers, FlickStaysBetweenItsLimits)
{
    const auto flick = Make("flick", { "7", "100", "200" });
    const auto& state = static_cast<const CPFlickModifier&>(*flick);
    EXPECT_EQ(state.GetMiddle(), 150);
    EXPECT_FLOAT_EQ(state.GetAmplitude(), 50.0f);
    int lowest = 255;
    int highest = 0;
    for (int frame = 0; frame < 200; ++frame) {
        const std::vector<CPVertex> out = Frame(*flick, 0.037f);
        lowest = std::min(lowest, state.GetLevel());
        highest = std::max(highest, state.GetLevel());
        // Alpha 128 scaled by level / 255; the colour becomes white.
        EXPECT_EQ(out[0].diffuse >> 24, static_cast<uint32_t>(128.0f * state.GetLevel() * 0.003921569f));
        EXPECT_EQ(out[0].diffuse & 0xFFFFFF, 0xFFFFFFu);
    }
    EXPECT_GE(lowest, 100);
    EXPECT_LE(highest, 200);
    EXPECT_LT(lowest, 120);
    EXPECT_GT(highest, 180);
}

TEST_F(VertexModifiers, AnimStepsThroughTheAtlasRowByRow)
{
    const auto anim = Make("anim", { "4", "2", "8" });
    const std::vector<CPVertex> at07 = Frame(*anim, 0.7f);
    EXPECT_EQ(static_cast<const CPAnimModifier&>(*anim).GetCurrentCell(), 5);
    EXPECT_FLOAT_EQ(at07[0].u1, 0.25f); // second column
    EXPECT_FLOAT_EQ(at07[0].v1, 0.5f);  // second row
    EXPECT_FLOAT_EQ(at07[2].u1, 0.5f);
    EXPECT_FLOAT_EQ(at07[2].v1, 1.0f);
    Frame(*anim, 0.3f);
    EXPECT_EQ(static_cast<const CPAnimModifier&>(*anim).GetCurrentCell(), 0);

    // Running backwards wraps into the atlas too.
    const auto backwards = Make("anim", { "4", "2", "-8" });
    Frame(*backwards, 0.3f);
    EXPECT_EQ(static_cast<const CPAnimModifier&>(*backwards).GetCurrentCell(), 6);

    // A clone has its own cells and clock.
    std::unique_ptr<CPVertexModifier> clone(anim->Clone());
    anim.get()->Update(0.125f);
    EXPECT_EQ(static_cast<const CPAnimModifier&>(*clone).GetCurrentCell(), 0);
    EXPECT_EQ(static_cast<const CPAnimModifier&>(*anim).GetCurrentCell(), 1);
}

TEST_F(VertexModifiers, ACloneCarriesOnFromTheOriginalsStateAndOutlivesIt)
{
    // Each kind runs a frame first, so its clock, level, offsets or cell
    // have moved away from where a new modifier would start.
    struct Case
    {
        const char* name;
        std::vector<std::string> arguments;
    };
    const Case cases[] = {
        { "environment", { "2" } },
        { "fade", { "100" } },
        { "movingtex", { "0.3", "-0.7" } },
        { "flick", { "5", "40", "220" } },
        { "anim", { "4", "2", "8" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<CPVertexModifier> original = Make(c.name, c.arguments);
        ASSERT_NE(original, nullptr);
        Frame(*original, 0.3f);
        const std::unique_ptr<CPVertexModifier> clone(original->Clone());
        ASSERT_NE(clone, nullptr);
        const CPVertexModifier& made = *clone;
        const CPVertexModifier& source = *original;
        EXPECT_EQ(typeid(made), typeid(source));
        EXPECT_NE(clone.get(), original.get());
        const std::vector<CPVertex> expected = Frame(*original, 0.2f);
        // The clone owns everything it uses: the original may go first.
        original.reset();
        const std::vector<CPVertex> got = Frame(*clone, 0.2f);
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].diffuse, expected[i].diffuse) << i;
            EXPECT_EQ(got[i].u1, expected[i].u1) << i;
            EXPECT_EQ(got[i].v1, expected[i].v1) << i;
            EXPECT_EQ(got[i].u2, expected[i].u2) << i;
            EXPECT_EQ(got[i].v2, expected[i].v2) << i;
        }
    }
}

TEST_F(VertexModifiers, ModifiersInARowWorkInPlace)
{
    const auto fade = Make("fade", { "255" });
    const auto moving = Make("movingtex", { "0", "0.5" });
    g_FrameTime = 0.5f;
    std::vector<CPVertex> vertices = Quad();
    fade->Apply(vertices.data(), vertices.data(), 4);
    moving->Apply(vertices.data(), vertices.data(), 4);
    const float offset = static_cast<const CPMovingTexModifier&>(*moving).GetOffsetV();
    EXPECT_EQ(vertices[3].diffuse, 0x7FFFFFFFu);
    EXPECT_FLOAT_EQ(vertices[3].v1, 1.0f + offset);
    EXPECT_EQ(vertices[3].position, D3DXVECTOR3(0.0f, 4.0f, 1.0f));

    std::unique_ptr<CPVertexModifier> copy(fade->Clone());
    EXPECT_FLOAT_EQ(static_cast<const CPFadeModifier&>(*copy).GetLevel(), 127.5f);
}
}
