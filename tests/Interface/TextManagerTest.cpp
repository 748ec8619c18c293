#include "InterfaceFixture.h"

#include "Interface/PEditBox.h"
#include "Render/PRenderObject.h"

#include <gtest/gtest.h>

using interface_test::InterfaceFixture;

namespace
{
class TextLayout : public InterfaceFixture
{
protected:
    TextLayout()
    {
        owner = new CPGameObject("text");
        owner->SetBody(new CPRenderObject(owner.Get()), kBodyRenderObject);
    }
    CPRenderObject& Body() { return *static_cast<CPRenderObject*>(owner->GetBody().Get()); }
    CPSmartPtr<CPGameObject> owner;
};

// Left, top, right and bottom of each quad of the body.
std::vector<std::vector<float>> Quads(const CPRenderObject& body)
{
    std::vector<std::vector<float>> quads;
    const std::vector<CPVertex>& v = body.GetLocalVertices();
    for (size_t i = 0; i + 3 < v.size(); i += 4)
        quads.push_back({ v[i].position.x, v[i].position.y, v[i + 2].position.x, v[i + 2].position.y });
    return quads;
}
}

TEST_F(TextLayout, QuadsFollowAdvancesTrimsLineBreaksAndScreenWidth)
{
    const struct
    {
        int32_t width;
        const char* text;
        std::vector<std::vector<float>> quads;
    } cases[] = {
        { 1024, "AA", { { 100, 50, 112, 70 }, { 110, 50, 122, 70 } } },
        { 512, "AA", { { 100, 50, 106, 60 }, { 105, 50, 111, 60 } } },
        { 1024, "A^A", { { 100, 50, 112, 70 }, { 100, 70, 112, 90 } } },
        { 1024, "^", {} },
        { 1024, "", {} },
    };
    for (const auto& c : cases) {
        g_CfgScreenWidth = c.width;
        const CPSmartPtr<CPRenderObject> body = textManager.GetTextObject(owner, 100, 50, "big", c.text);
        ASSERT_EQ(body.Get(), &Body()) << c.text;
        EXPECT_EQ(Quads(Body()), c.quads) << c.text << " at width " << c.width;
        EXPECT_EQ(Body().GetIndices().size(), c.quads.size() * 6);
        EXPECT_EQ(Body().GetWorldVertices().size(), Body().GetLocalVertices().size());
    }
}

TEST_F(TextLayout, GlyphRectanglesAndIndicesOfAQuad)
{
    textManager.GetTextObject(owner, 0, 0, "big", "AA");
    const std::vector<CPVertex>& v = Body().GetLocalVertices();
    const float expected[4][2] = { { 0.25f, 0.5f }, { 0.375f, 0.5f }, { 0.375f, 0.75f }, { 0.25f, 0.75f } };
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(v[4 + i].u1, expected[i][0]);
        EXPECT_FLOAT_EQ(v[4 + i].v1, expected[i][1]);
    }
    EXPECT_EQ(Body().GetIndices(), (std::vector<uint16_t> { 0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7 }));
}

TEST_F(TextLayout, UnknownFontOrNonMeshOwnerTouchesNothing)
{
    textManager.GetTextObject(owner, 0, 0, "big", "A");
    EXPECT_FALSE(textManager.GetTextObject(owner, 0, 0, "missing", "AAA"));
    EXPECT_EQ(Body().GetLocalVertices().size(), 4u);

    CPSmartPtr<CPGameObject> group = new CPGameObject("group");
    EXPECT_FALSE(textManager.GetTextObject(group, 0, 0, "big", "A"));
}

TEST_F(TextLayout, EditBoxTypingShowsTextAndCaret)
{
    CPTextEntry entry;
    entry.object = owner;
    entry.font = "big";
    CPEditBox box(entry, 10);
    EXPECT_EQ(Quads(Body()).size(), 1u); // "_"
    for (const int32_t code : { 'a', 'b', ' ', '1' })
        box.ProcessKey(code);
    EXPECT_EQ(box.CopyText(), "AB 1");
    EXPECT_EQ(Quads(Body()).size(), 5u);

    // Cyrillic letters count as letters and are kept as typed; other codes
    // change nothing.
    box.ProcessKey(0xE0);
    box.ProcessKey('!');
    box.ProcessKey(0x1B);
    EXPECT_EQ(box.CopyText(), "AB 1\xE0");
    for (int i = 0; i < 7; ++i)
        box.ProcessKey(8);
    EXPECT_EQ(box.CopyText(), "");
    EXPECT_EQ(Quads(Body()).size(), 1u);

    box.SetText("ABCDEFGHIJKL");
    EXPECT_EQ(box.CopyText(), "ABCDEFGHIJ");
}

TEST_F(TextLayout, EditBoxAtItsMaximumRefusesAndDoesNotReshow)
{
    CPTextEntry entry;
    entry.object = owner;
    entry.font = "big";
    CPEditBox box(entry, 3, "ABCDE");
    EXPECT_EQ(box.CopyText(), "ABCDE"); // an initial text stays whole
    Body().GetLocalVertices().clear();
    box.ProcessKey('d');
    box.ProcessKey(' ');
    EXPECT_EQ(box.CopyText(), "ABCDE");
    EXPECT_TRUE(Body().GetLocalVertices().empty());
    for (int i = 0; i < 3; ++i)
        box.ProcessKey(8);
    EXPECT_EQ(box.CopyText(), "AB");
    box.ProcessKey('z');
    EXPECT_EQ(box.CopyText(), "ABZ");

    CPEditBox none(entry, 0, "X");
    none.SetText("ABC");
    EXPECT_EQ(none.CopyText(), "");
}
