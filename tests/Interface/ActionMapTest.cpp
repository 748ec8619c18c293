#include "Interface/PActionMap.h"
#include "Interface/PKeyNames.h"
#include "ScratchRoot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace
{
class ActionMapTest : public ::testing::Test
{
protected:
    ScratchRoot root;
    CPActionMap map;

    void LoadText(const std::string& text, const std::string& file = "Keys.cfg")
    {
        root.MakeFile(file, text);
        ASSERT_EQ(map.Load(file), S_OK);
    }
};

void ExpectBinding(const CPKeyBinding& binding, int code, const std::string& keyName, const std::string& label,
                   bool numeric)
{
    EXPECT_TRUE(binding.bound);
    EXPECT_EQ(binding.code, code);
    EXPECT_EQ(binding.keyName, keyName);
    EXPECT_EQ(binding.label, label);
    EXPECT_EQ(binding.numeric, numeric);
}
}

TEST_F(ActionMapTest, LoadsAHandWrittenFile)
{
    LoadText("// key bindings\r\n"
             "fire;Fire;Space;false\r\n"
             "\r\n"
             "  pad ; Pad ; 3 ; true  \r\n"
             "left;Turn left;Left\n"
             "jump;Jump;space;false\n"
             "far;Far;200;true");

    ExpectBinding(map.actions["fire"], 0x39, "Space", "Fire", false);
    ExpectBinding(map.keySlots[0x39], 0x39, "Space", "fire", false);
    ExpectBinding(map.actions["pad"], 3, "3", "Pad", true);
    ExpectBinding(map.numericSlots[3], 3, "", "pad", true);
    // A missing kind is a key binding.
    ExpectBinding(map.actions["left"], 0xCB, "Left", "Turn left", false);
    ExpectBinding(map.keySlots[0xCB], 0xCB, "Left", "left", false);
    // Key names are case-sensitive: "space" names no key and binds no slot.
    ExpectBinding(map.actions["jump"], 0, "space", "Jump", false);
    EXPECT_FALSE(map.keySlots[0].bound);
    // A number past the numbered slots still makes its action entry.
    ExpectBinding(map.actions["far"], 200, "200", "Far", true);
    EXPECT_EQ(map.actionNames, (std::vector<std::string> { "fire", "pad", "left", "jump", "far" }));
}

TEST_F(ActionMapTest, SaveWritesTheLinesItLoaded)
{
    LoadText("fire;Fire;Space;false\npad;Pad;3;true\njump;Jump;space;false\nfire;Shoot;Enter;false\n");
    map.Save();
    // A repeated action is written twice, both times with its last binding.
    EXPECT_EQ(root.ReadFile("Actions.cfg"),
              "fire;Shoot;Enter;false\r\npad;Pad;3;true\r\njump;Jump;space;false\r\nfire;Shoot;Enter;false\r\n");

    // The saved file loads to the same bindings.
    map.Load("ACTIONS.CFG");
    ExpectBinding(map.actions["fire"], 0x1C, "Enter", "Shoot", false);
    ExpectBinding(map.keySlots[0x1C], 0x1C, "Enter", "fire", false);
    ExpectBinding(map.actions["pad"], 3, "3", "Pad", true);
}

TEST_F(ActionMapTest, NumberedBindingsAreSavedByTheirCode)
{
    LoadText("far;Far;300;true\nnear; Near ;007;true\n");
    map.Save();
    EXPECT_EQ(root.ReadFile("Actions.cfg"), "far;Far;44;true\r\nnear;Near;7;true\r\n");
}

TEST_F(ActionMapTest, TheSemicolonKeySurvivesSaveAndLoad)
{
    LoadText("fire;Fire;Space;false\n");
    map.SetAction("Fire", ";", false);
    map.Update();
    EXPECT_EQ(root.ReadFile("Actions.cfg"), "fire;Fire;\";\";false\r\n");
    ExpectBinding(map.actions["fire"], 0x27, ";", "Fire", false);
    ExpectBinding(map.keySlots[0x27], 0x27, ";", "fire", false);

    // Labels that hold the separator or quotes come back unchanged too.
    LoadText("say;\"Say \"\"hi\"\"; now\";Enter;false\n");
    EXPECT_EQ(map.actions["say"].label, "Say \"hi\"; now");
    map.Update();
    EXPECT_EQ(map.actions["say"].label, "Say \"hi\"; now");
}

TEST_F(ActionMapTest, MissingFileChangesNothing)
{
    LoadText("fire;Fire;Space;false\n");
    EXPECT_TRUE(FAILED(map.Load("Missing.cfg")));
    ExpectBinding(map.actions["fire"], 0x39, "Space", "Fire", false);
    EXPECT_TRUE(map.keySlots[0x39].bound);
    EXPECT_EQ(map.actionNames.size(), 1u);
}

TEST_F(ActionMapTest, ALaterLoadClearsKeysButKeepsNumberedSlots)
{
    LoadText("fire;Fire;Space;false\npad;Pad;3;true\n");
    LoadText("jump;Jump;Enter;false\n", "Other.cfg");
    EXPECT_FALSE(map.keySlots[0x39].bound);
    EXPECT_TRUE(map.keySlots[0x1C].bound);
    ExpectBinding(map.numericSlots[3], 3, "", "pad", true);
    EXPECT_EQ(map.actions.count("fire"), 0u);
    EXPECT_EQ(map.actionNames, std::vector<std::string> { "jump" });
}

TEST_F(ActionMapTest, SetActionMovesAKeyBetweenActions)
{
    LoadText("fire;Fire;Space;false\nmenu;Menu;Enter;false\n");
    map.SetAction("Fire", "Enter", true);
    ExpectBinding(map.actions["menu"], 0, "undefined key", "Menu", false);
    ExpectBinding(map.actions["fire"], 0x1C, "Enter", "Fire", false);
    // Only the bindings change; the slots follow after Update.
    EXPECT_EQ(map.keySlots[0x1C].label, "menu");
    map.Update();
    EXPECT_EQ(map.keySlots[0x1C].label, "fire");
    EXPECT_EQ(root.ReadFile("Actions.cfg"), "fire;Fire;Enter;false\r\nmenu;Menu;undefined key;false\r\n");
}

TEST_F(ActionMapTest, SetActionWithAnUnknownKeyOnlyFreesIt)
{
    LoadText("fire;Fire;Space;false\nmenu;Menu;Enter;false\n");
    map.SetAction("Nobody", "Enter", false);
    ExpectBinding(map.actions["menu"], 0, "undefined key", "Menu", false);
    map.SetAction("Fire", "enter", false);
    ExpectBinding(map.actions["fire"], 0x39, "Space", "Fire", false);
}

TEST_F(ActionMapTest, SetActionOnADigitKeyLeavesTheNumberedInputOfThatNumber)
{
    LoadText("pad;Pad;3;true\nfire;Fire;Space;false\n");
    map.SetAction("Fire", "3", false);
    ExpectBinding(map.actions["pad"], 3, "3", "Pad", true);
    ExpectBinding(map.actions["fire"], 0x04, "3", "Fire", false);
}

TEST_F(ActionMapTest, CursorPositionIsTruncatedTowardZero)
{
    const struct
    {
        float x, y;
        int32_t expectX, expectY;
    } cases[] = {
        { 10.9f, -2.7f, 10, -2 },
        { 0.5f, -0.5f, 0, 0 },
        { NAN, 1e30f, 0, 2147483647 },
    };
    for (const auto& c : cases) {
        map.cursorX = c.x;
        map.cursorY = c.y;
        int32_t x = -1, y = -1;
        map.GetCursorPosition(x, y);
        EXPECT_EQ(x, c.expectX);
        EXPECT_EQ(y, c.expectY);
    }
}

TEST(KeyBinding, Constructors)
{
    const CPKeyBinding empty;
    EXPECT_FALSE(empty.bound);
    EXPECT_FALSE(empty.numeric);
    EXPECT_TRUE(empty.keyName.empty() && empty.label.empty());

    ExpectBinding(CPKeyBinding("260", "x", true), 4, "260", "x", true);
    ExpectBinding(CPKeyBinding("Tab", "x", false), 0x0F, "Tab", "x", false);

    CPKeyBinding binding("Tab", "x", false);
    binding.Assign("Nothing", "y");
    ExpectBinding(binding, 0x0F, "Nothing", "y", false);
}
