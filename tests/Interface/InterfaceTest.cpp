#include "InterfaceFixture.h"

#include "Interface/PActionMap.h"
#include "Interface/PEditBox.h"
#include "Interface/PInterface.h"
#include "Interface/PWindow.h"
#include "Render/PRenderObject.h"

#include <gtest/gtest.h>

#include <algorithm>

using interface_test::InterfaceFixture;

namespace
{
using Commands = std::vector<std::string>;

class Screen : public InterfaceFixture
{
protected:
    CPWindow& Window(const std::string& name) { return *screen.windows.at(name); }
    CPButton& Button(const std::string& name) { return static_cast<CPButton&>(Window(name)); }
    const CPRenderObject& TextBody(const std::string& name)
    {
        return *static_cast<const CPRenderObject*>(screen.texts.at(name).object->GetBody().Get());
    }

    CPInterface screen;
};

// The commands without the activation's "add_object" (its handle varies).
Commands WithoutObjectEvents(Commands commands)
{
    commands.erase(std::remove_if(commands.begin(), commands.end(),
                                  [](const std::string& c) { return c.rfind("add_object", 0) == 0; }),
                   commands.end());
    return commands;
}

// Position and size of a window's quad.
std::vector<float> Placement(CPWindow& window)
{
    const CPVertex* v = window.GetVertices();
    return { window.x, window.y, v[2].position.x, v[2].position.y };
}
}

TEST_F(Screen, LoadsAtTwoScreenSizes)
{
    const struct
    {
        int32_t width, height;
        std::vector<float> back, play, panel;
        float textX, textY;
    } cases[] = {
        { 1024, 768, { -0.5f, -0.5f, 1024, 768 }, { 99.5f, 49.5f, 200, 40 }, { 599.5f, 49.5f, 300, 200 }, 100.5f,
          20.5f },
        { 800, 600, { -0.5f, -0.5f, 800, 600 }, { 77.625f, 38.5625f, 156.25f, 31.25f },
          { 468.25f, 38.5625f, 183.10546875f, 122.0703125f }, 78.625f, 16.125f },
    };
    for (const auto& c : cases) {
        g_CfgScreenWidth = c.width;
        g_CfgScreenHeight = c.height;
        CPInterface loaded;
        loaded.Load("menu", 3);
        EXPECT_EQ(loaded.GetName(), "menu");
        EXPECT_EQ(loaded.GetTypeName(), "CPInterface - menu");
        EXPECT_EQ(Placement(*loaded.windows.at("back")), c.back);
        EXPECT_EQ(Placement(*loaded.windows.at("play")), c.play);
        EXPECT_EQ(Placement(*loaded.windows.at("panel")), c.panel) << "\"False\" shows; stretch scales twice";
        EXPECT_FLOAT_EQ(loaded.texts.at("title").x, c.textX);
        EXPECT_FLOAT_EQ(loaded.texts.at("title").y, c.textY);
        ASSERT_EQ(loaded.drawList.size(), 5u);
        EXPECT_EQ(loaded.windowList.size(), 5u);
        ASSERT_EQ(loaded.buttons.size(), 3u);
        EXPECT_EQ(loaded.buttons[1]->name, "options");
        EXPECT_EQ(loaded.renderObject->GetLocalVertices().size(), 20u);
        EXPECT_EQ(loaded.renderObject->GetIndices().size(), 30u);
        EXPECT_EQ(loaded.renderObject->GetIndices()[29], 19);
    }
}

TEST_F(Screen, HandlerLightCursorTextsAndTextureCoordinates)
{
    screen.Load("menu", 0);
    EXPECT_EQ(screen.GetScriptHandler().Get(), &script);
    EXPECT_TRUE(screen.lightOn);
    EXPECT_EQ(screen.light.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_FLOAT_EQ(screen.light.Diffuse.g, 0.5f);
    EXPECT_FLOAT_EQ(screen.light.Direction.z, 1.0f);
    EXPECT_FLOAT_EQ(screen.light.Range, 10000.0f);

    const CPVertex* play = Window("play").GetVertices();
    EXPECT_FLOAT_EQ(play[2].u1, 0.25f);
    EXPECT_FLOAT_EQ(play[2].v1, 0.125f);

    ASSERT_TRUE(screen.cursor);
    EXPECT_EQ(screen.cursors.at("cursor"), screen.cursor);
    EXPECT_EQ(screen.windows.count("cursor"), 0u);
    const auto* cursorBody = static_cast<const CPRenderObject*>(screen.cursor->GetBody().Get());
    EXPECT_FLOAT_EQ(cursorBody->GetLocalVertices()[2].position.x, 32.0f);
    EXPECT_EQ(screen.cursor->GetPartBoxes().size(), 1u);
    // Texts, the edit box and the cursor are the screen's children.
    EXPECT_EQ(screen.GetChildren().size(), 3u);

    EXPECT_TRUE(TextBody("title").GetLocalVertices().empty()); // no display text for the key
    EXPECT_EQ(TextBody("name").GetLocalVertices().size(), 12u); // "ab_"
    EXPECT_EQ(screen.GetEditBoxText("name"), "ab");
    EXPECT_EQ(screen.GetEditBoxText("nobody"), "");
}

TEST_F(Screen, UnreadableFileAndZeroTextureSize)
{
    screen.Load("nothing", 0);
    EXPECT_TRUE(screen.windows.empty());
    EXPECT_EQ(screen.GetScriptHandler().Get(), nullptr);
    EXPECT_TRUE(screen.renderObject->GetLocalVertices().empty());

    root.MakeFile("Data/Interface/flat1024.int", "nobody\nflat.tga\nlight, off, 1, 2, 3, 4, 5, 6, smooth\n"
                                                 "window\nw 0,0,10,10,5,5,5,5\nwindow\nhidden 0,0,1,1,0,0,1,1,false\n");
    CPInterface flat;
    flat.Load("flat", 0);
    EXPECT_FALSE(flat.lightOn);
    const CPVertex* v = flat.windows.at("w")->GetVertices();
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(v[i].u1, 0.0f);
        EXPECT_EQ(v[i].v1, 0.0f);
    }
    EXPECT_FALSE(flat.windows.at("hidden")->visible);
    EXPECT_EQ(flat.renderObject->GetLocalVertices().size(), 4u);
}

TEST_F(Screen, PointerHoversTopmostAndReportsOverAndOut)
{
    screen.Load("menu", 0);
    screen.SilentActivate(0);
    script.Drain();

    DispatchMouseMove(150, 60);
    DispatchMouseMove(160, 60);
    EXPECT_EQ(Button("play").pressState, CPButton::kHighlighted);
    // The highlighted look (210 x 44) is drawn at the button's place.
    EXPECT_FLOAT_EQ(screen.renderObject->GetLocalVertices()[6].position.x, 99.5f + 210.0f);
    DispatchMouseMove(500, 500);
    DispatchMouseMove(512, 384);
    EXPECT_EQ(script.Drain(), (Commands { "mouse_move 0.15,0.08", "mouse_button_over play", "mouse_move 0.16,0.08",
                                          "mouse_button_over play", "mouse_move 0.49,0.65", "mouse_button_out play",
                                          "mouse_window_over back", "mouse_move 0.50,0.50",
                                          "mouse_window_over back" }));
    EXPECT_EQ(Button("play").pressState, CPButton::kNormal);
    EXPECT_EQ(screen.cursor->GetPosition().x, 512.0f);

    screen.Deactivate();
    script.Drain();
    DispatchMouseMove(150, 60);
    EXPECT_EQ(script.Drain(), (Commands { "mouse_move 0.15,0.08" }));
    EXPECT_EQ(screen.mouseX, 150.0f);
}

TEST_F(Screen, LeavingAPlainWindowSendsItsOutWithoutARebuild)
{
    screen.Load("menu", 0);
    screen.SilentActivate(0);
    script.Drain();
    DispatchMouseMove(700, 100); // the panel lies over the back
    EXPECT_EQ(screen.currentButton.Get(), &Window("panel"));
    // A pressed look that only a rebuild would show (190 wide, not 200).
    Button("play").OnMouseDown(0, 0, 0);
    DispatchMouseMove(500, 500);
    EXPECT_EQ(script.Drain(), (Commands { "mouse_move 0.68,0.13", "mouse_window_over panel", "mouse_move 0.49,0.65",
                                          "mouse_window_out panel", "mouse_window_over back" }));
    EXPECT_EQ(screen.currentButton.Get(), &Window("back"));
    EXPECT_FLOAT_EQ(screen.renderObject->GetLocalVertices()[6].position.x, 99.5f + 200.0f);
    screen.UpdateBuffers();
    EXPECT_FLOAT_EQ(screen.renderObject->GetLocalVertices()[6].position.x, 99.5f + 190.0f);
}

TEST_F(Screen, MenuKeysWalkQualifyingButtonsAndWrap)
{
    screen.Load("menu", 0);
    screen.SilentActivate(0);
    Button("options").SetEnabled(false);
    script.Drain();

    MenuRight();
    MenuRight();
    MenuRight();
    MenuLeft();
    EXPECT_EQ(script.Drain(),
              (Commands { "mouse_button_over play", "mouse_button_out play", "mouse_button_over quit",
                          "mouse_button_out quit", "mouse_button_over play", "mouse_button_out play",
                          "mouse_button_over quit" }));
    EXPECT_EQ(screen.currentButton.Get(), &Window("quit"));

    CPInterface other;
    other.Load("menu", 0);
    other.SilentActivate(0);
    MenuLeft(); // no current button on the new screen: its last qualifying one
    EXPECT_EQ(other.currentButton.Get(), other.windows.at("quit").Get());
    EXPECT_EQ(screen.currentButton.Get(), &Window("play"));
}

TEST_F(Screen, ClicksGoToTheHandler)
{
    screen.Load("menu", 0);
    CPButton& play = Button("play");
    EXPECT_FALSE(play.OnClick(1, 150, 60));
    EXPECT_TRUE(play.OnMouseDown(0, 900, 700));
    EXPECT_EQ(play.pressState, CPButton::kPressed);
    EXPECT_TRUE(play.OnClick(0, 299.5f, 89.5f)); // the edge counts as inside
    EXPECT_EQ(play.pressState, CPButton::kHighlighted);
    EXPECT_TRUE(play.OnClick(0, 900, 700));
    EXPECT_EQ(play.pressState, CPButton::kNormal);
    EXPECT_FALSE(Window("panel").OnClick(2, 700, 100));
    EXPECT_FALSE(Window("panel").OnClick(0, 10, 10));

    // A moved button is hit where it is drawn, no longer where it was.
    play.x = 500;
    EXPECT_FALSE(play.HitTest(150, 60));
    EXPECT_TRUE(play.HitTest(700, 89.5f));
    EXPECT_EQ(script.Drain(), (Commands { "button play", "window panel,700.00,100.00" }));
}

TEST_F(Screen, ActivateReportsTheActionMapCursorSilentActivateDoesNot)
{
    CPActionMap actions;
    actions.cursorX = 150.9f;
    actions.cursorY = 60.2f;
    g_ActionMap = &actions;
    screen.Load("menu", 0);
    screen.SilentActivate(0);
    EXPECT_TRUE(screen.active);
    EXPECT_EQ(WithoutObjectEvents(script.Drain()), Commands {});

    CPInterface other;
    other.Load("menu", 0);
    other.Activate(0);
    g_ActionMap = nullptr;
    // Both screens hover, the newer first.
    EXPECT_EQ(WithoutObjectEvents(script.Drain()),
              (Commands { "mouse_move 0.15,0.08", "mouse_button_over play", "mouse_button_over play" }));
    EXPECT_EQ(screen.mouseX, 150.0f);
}
