// The interface bindings through the host's Lua state: a table of calls with
// their results, on a loaded screen and with a nil screen.
#include "Core/PGlobals.h"
#include "Host/PGameHost.h"
#include "Host/PScriptObject.h"
#include "Interface/PInterface.h"
#include "Interface/PTextManager.h"
#include "MenuHost.h"
#include "Platform/D3D9Device.h"
#include "Race/PGameData.h"
#include "Render/PRender.h"
#include "Script/ScriptBinding.h"
#include "Startup/PConfigVars.h"
#include "Startup/PLauncher.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{
const char kScreen[] = "menu_script\nmenu.tga, 256, 128\nlight, off\n"
                       "button\nplay 100,50,200,40,0,0,64,16\np 0,0,1,1,0,0,1,1\np 0,0,1,1,0,0,1,1\n"
                       "button\nquit 100,250,200,40,0,0,64,16\nq 0,0,1,1,0,0,1,1\nq 0,0,1,1,0,0,1,1\n"
                       "window\npanel 600,50,300,200,0,64,64,64\n"
                       "text\ntitle big,100,20,title_key\n"
                       "textedit\nname 600,400,big,4\n"
                       "window\ncursor 0,0,8,8,0,0,8,8\n";

// Each row: a Lua expression list and the text its results print as.
const char kChecks[] = R"(
local s = CreateInterface("menu", 2)
local function show(...)
  local out = {}
  for i = 1, select("#", ...) do out[#out + 1] = tostring((select(i, ...))) end
  return table.concat(out, " ")
end
local rows = {
  { function() return GetWindowPosition(s, "panel") end, "599.5 49.5" },
  { function() return GetWindowPosition(s, "nothing") end, "-1 -1" },
  { function() return GetWindowPosition(nil, "panel") end, "-1 -1" },
  { function() SetWindowPositionShop(s, "panel", 100, 50) return GetWindowPosition(s, "panel") end, "99.5 49.5" },
  { function() SetWindowPosition(s, "panel", 10, 20) return GetWindowPosition(s, "panel") end, "10 20" },
  { function() return GetTextPosition(s, "title") end, "100.5 20.5" },
  { function() SetTextPosition(s, "title", 5, 6) return GetTextPosition(s, "title") end, "5 6" },
  { function() return GetTextPosition(s, "none") end, "-1 -1" },
  { function() return GetEditBoxText(s, "name"), EditBoxTextLength(s, "name") end, " 0" },
  { function() for _, k in ipairs({ 97, 168, 184, 424, 32, 49, 98, 99 }) do EditBoxProcessKey(s, "name", k) end
                return GetEditBoxText(s, "name"), EditBoxTextLength(s, "name") end, "A 1B 4" },
  { function() SetEditBoxText(s, "name", "WXYZW") return GetEditBoxText(s, "name") end, "WXYZ" },
  { function() return GetEditBoxText(s, "none"), EditBoxTextLength(s, "none") end, " 0" },
  { function() return select("#", GetEditBoxText(nil, "name")), select("#", EditBoxTextLength(nil, "name")) end, "0 0" },
  { function() SetCursor(s, "arrow") return GetCursor(s) end, "arrow" },
  { function() SetCursor(s, "cursor") return GetCursor(s) end, "cursor" },
  { function() return GetScreenSize() end, "1024 768" },
  { function() return select("#", GetCurrentResolution()) end, "1" },
  { function() return GetCurrentResolution() end, "1024" },
}
for i, row in ipairs(rows) do
  local got = show(row[1]())
  assert(got == row[2], "row " .. i .. ": got [" .. got .. "] expected [" .. row[2] .. "]")
end
-- Nil screens are ignored by every binding.
ActivateInterface(nil) SilentActivateInterface(nil) UpdateInterface(nil) UpdateInterfaceBuffers(nil)
SetWindowVisible(nil, "panel", false) SetWindowSize(nil, "panel", 1, 1) SetText(nil, "title", "A")
SetFont(nil, "title", "big", "A") SetEditBoxText(nil, "name", "A") EditBoxProcessKey(nil, "name", 65)
SetCursor(nil, "cursor") DeselectCurrentButton(nil) LockButton(nil, "play") UnlockButton(nil, "play")
screen = s
)";

// The screen above in a host, with the font "big": "A" 10 pixels wide,
// lines 20 high.
class InterfaceBindings : public MenuHost
{
protected:
    InterfaceBindings()
        : MenuHost(kScreen)
    {
        CPFont* font = new CPFont();
        font->advances[int('A')] = 10.0f;
        font->lineHeight = 20.0f;
        GetTextManager()->fonts["big"] = font;
    }

    // The screen the script keeps in the global "screen".
    CPInterface* Screen()
    {
        lua_getglobal(host->GetLuaState(), "screen");
        auto* screen = ScriptReadObject<CPInterface>(host->GetLuaState(), -1);
        lua_pop(host->GetLuaState(), 1);
        return screen;
    }

    // The glyph quads the named text shows.
    static const std::vector<CPVertex>& TextVertices(const CPInterface& screen, const char* name)
    {
        return static_cast<const CPRenderObject*>(screen.texts.at(name).object->GetBody().Get())->GetLocalVertices();
    }
};
}

TEST_F(InterfaceBindings, TableOfCallsAndResults)
{
    CPScriptObject* script = host->GetScriptObject("menu_script", { "interface" });

    std::string error;
    ASSERT_TRUE(host->RunString(kChecks, "checks", error)) << error;
    CPInterface* screen = Screen();
    ASSERT_NE(screen, nullptr);
    const auto textQuads = [&](const char* name) { return TextVertices(*screen, name).size() / 4; };

    // SetFont shows its text in its font but keeps the entry; SetText then
    // renders with the entry's own font; nothing while the exit flag is set.
    ASSERT_TRUE(host->RunString("SetFont(screen, 'title', 'big', 'AAA')", "font", error)) << error;
    EXPECT_EQ(textQuads("title"), 3u);
    EXPECT_EQ(screen->texts.at("title").text, "");
    g_ExitFlag = 1;
    ASSERT_TRUE(host->RunString("SetText(screen, 'title', 'AA')", "exit", error)) << error;
    g_ExitFlag = 0;
    EXPECT_EQ(screen->texts.at("title").text, "");
    ASSERT_TRUE(host->RunString("SetText(screen, 'title', 'AA')", "text", error)) << error;
    EXPECT_EQ(screen->texts.at("title").text, "AA");
    EXPECT_EQ(textQuads("title"), 2u);

    // The String forms take the game data's display text under a key; a
    // missing key is added with an empty text.
    ASSERT_NE(g_GameData, nullptr);
    g_GameData->m_texts["t_title"] = "AAAA";
    ASSERT_TRUE(host->RunString("SetTextString(screen, 'title', 't_title')", "textstring", error)) << error;
    EXPECT_EQ(screen->texts.at("title").text, "AAAA");
    EXPECT_EQ(textQuads("title"), 4u);
    ASSERT_TRUE(host->RunString("SetFontString(screen, 'title', 'big', 't_none')", "fontstring", error)) << error;
    EXPECT_EQ(textQuads("title"), 0u);
    EXPECT_EQ(g_GameData->m_texts.count("t_none"), 1u);
    EXPECT_EQ(screen->texts.at("title").text, "AAAA");

    // Hover, lock and deselect report their mouse-outs; menu keys walk.
    while (script->SetNextCommand()) {
    }
    // The moved panel would lie over the buttons and take the hover.
    ASSERT_TRUE(host->RunString("SetWindowPosition(screen, 'panel', 700, 700)\n"
                                "SilentActivateInterface(screen) IMenuRight() LockButton(screen, 'play')\n"
                                "IMenuRight() DeselectCurrentButton(screen) UnlockButton(screen, 'play') IMenuLeft()\n"
                                "SetWindowVisible(screen, 'panel', false) SetWindowSize(screen, 'quit', 50, 60)\n"
                                "UpdateInterfaceBuffers(screen) UpdateInterface(screen)",
                                "menu", error))
        << error;
    std::string commands;
    while (script->SetNextCommand()) {
        const std::string& name = script->GetCurrentCommand()->name;
        if (name.rfind("mouse_", 0) == 0)
            commands += name + ":" + script->GetCurrentParams()->at(0) + " ";
    }
    EXPECT_EQ(commands, "mouse_button_over:play mouse_button_out:play mouse_button_over:quit "
                        "mouse_button_out:quit mouse_button_over:quit ");
    EXPECT_FALSE(screen->windows.at("panel")->visible);
    // A button's own quad takes the size; its looks are drawn as they were.
    EXPECT_EQ(screen->windows.at("quit")->vertices[2].position.y, 60.0f);
    EXPECT_EQ(screen->renderObject->GetLocalVertices().size(), 8u);
    screen->Deactivate();
}

TEST_F(InterfaceBindings, MovedTextsKeepWhatTheyShow)
{
    ASSERT_NE(g_GameData, nullptr);
    g_GameData->m_texts["title_key"] = "AAA";
    std::string error;
    ASSERT_TRUE(host->RunString("screen = CreateInterface('menu', 0)", "load", error)) << error;
    CPInterface* screen = Screen();
    ASSERT_NE(screen, nullptr);
    // The title shows its display text; the empty edit box its caret.
    const struct
    {
        const char* name;
        size_t quads;
    } cases[] = { { "title", 3 }, { "name", 1 } };
    for (const auto& c : cases) {
        ASSERT_EQ(TextVertices(*screen, c.name).size(), 4 * c.quads) << c.name;
        ASSERT_TRUE(host->RunString("SetTextPosition(screen, '" + std::string(c.name) + "', 5, 6)", "move", error))
            << error;
        const std::vector<CPVertex>& moved = TextVertices(*screen, c.name);
        ASSERT_EQ(moved.size(), 4 * c.quads) << c.name;
        EXPECT_EQ(moved[0].position, D3DXVECTOR3(5.0f, 6.0f, 0.0f)) << c.name;
    }
    EXPECT_EQ(screen->texts.at("title").text, "AAA");
    // The edit box goes on showing what is typed at its new place.
    ASSERT_TRUE(host->RunString("EditBoxProcessKey(screen, 'name', 97)", "type", error)) << error;
    EXPECT_EQ(TextVertices(*screen, "name").size(), 8u);
    EXPECT_EQ(TextVertices(*screen, "name")[0].position, D3DXVECTOR3(5.0f, 6.0f, 0.0f));
}

TEST_F(InterfaceBindings, InitWarningShowsTheLoadingBarAtOnce)
{
    PlatformD3D9::RecordingDevice* device = PlatformD3D9::RecordOf(GetRender()->m_device);
    ASSERT_NE(device, nullptr);
    device->SetLogging(true);
    // The percentage is truncated toward zero; the bar reaches that share of
    // the screen width and repeats its tile once per percent.
    const struct
    {
        const char* call;
        float right;
        float tiles;
    } cases[] = {
        { "InitWarning(50)", 512.0f, 50.0f },
        { "InitWarning(37.9)", 378.88f, 37.0f },
        { "InitWarning(-2.5)", -20.48f, -2.0f },
    };
    for (const auto& c : cases) {
        device->ClearLog();
        const int presented = device->PresentCount();
        std::string error;
        ASSERT_TRUE(host->RunString(c.call, "warning", error)) << error;
        EXPECT_EQ(device->PresentCount(), presented + 1) << c.call;
        ASSERT_EQ(device->UserVertices().size(), 2u) << c.call;
        CPScreenVertex bar[4];
        ASSERT_EQ(device->UserVertices()[1].size(), sizeof(bar));
        std::memcpy(bar, device->UserVertices()[1].data(), sizeof(bar));
        EXPECT_FLOAT_EQ(bar[0].x, c.right) << c.call;
        EXPECT_FLOAT_EQ(bar[0].u, c.tiles) << c.call;
    }
}
