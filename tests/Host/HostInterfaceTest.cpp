// The host's fonts (outline faces rasterised into atlases in the texture
// cache) and its input functions driving a screen from a script.
#include "Core/PGlobals.h"
#include "Host/PGameHost.h"
#include "Host/PHostFonts.h"
#include "Host/PScriptObject.h"
#include "Interface/PInterface.h"
#include "Interface/PTextManager.h"
#include "Interface/PWindow.h"
#include "MenuHost.h"
#include "Render/PTextureManager.h"
#include "ScratchRoot.h"
#include "ScriptResults.h"
#include "Startup/PConfigVars.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{
std::string ReadHostFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<std::string> Drain(CPCommandTarget& target)
{
    std::vector<std::string> handled;
    while (target.SetNextCommand()) {
        std::string text = target.GetCurrentCommand()->name;
        const std::vector<std::string>& params = *target.GetCurrentParams();
        for (size_t i = 0; i < params.size(); ++i)
            text += (i ? "," : " ") + params[i];
        if (text.rfind("add_object", 0) != 0)
            handled.push_back(text);
    }
    return handled;
}

const char kMenuScreen[] = "menu_script\nmenu.tga, 256, 128\nlight, off\n"
                           "button\nplay 100,50,200,40,0,0,64,16\np 0,0,1,1,0,0,1,1\n"
                           "p 0,0,1,1,0,0,1,1\nwindow\ncursor 0,0,8,8,0,0,8,8\n";

// The menu screen's host and its script object.
class HostInput : public MenuHost
{
protected:
    HostInput()
        : MenuHost(kMenuScreen)
        , script(host->GetScriptObject("menu_script", { "interface" }))
    {
    }

    CPScriptObject* script;
};
}

TEST(HostFonts, FontsFileBuildsAtlasesInTheTextureCache)
{
    ScratchRoot root;
    root.MakeFile("Data/Fonts/mono.ttf", ReadHostFile("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"));
    root.MakeFile("Data/Interface/fonts.cfg", "// name, face, pixel size\n"
                                              "small, , 12\n"
                                              "mono, Data\\Fonts\\mono.ttf, 20\n"
                                              "broken, Data\\Fonts\\none.ttf, 20\n");
    CPGameHost host(root.Path());
    CPTextManager* manager = GetTextManager();
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(manager->fonts.size(), 2u);
    ASSERT_EQ(manager->fonts.count("mono"), 1u);
    const CPFont& mono = *manager->fonts.at("mono");
    ASSERT_TRUE(mono.material);
    const CPTexture* atlas = GetTextureManager()->FindTexture("mono");
    ASSERT_NE(atlas, nullptr);
    ASSERT_NE(atlas->GetTexture(), nullptr);

    // A monospaced face: every printable Latin and Cyrillic code has the same
    // advance, and each glyph rectangle is its advance wide and a line high.
    const float advance = mono.advances[int('A')];
    EXPECT_GT(advance, 0.0f);
    EXPECT_GE(mono.lineHeight, 20.0f);
    for (const int code : { int('A'), int('w'), int('0'), 0xC0, 0xFF, 0xA8, 0xB8 }) {
        EXPECT_EQ(mono.advances[code], advance) << code;
        const CPGlyph& glyph = mono.glyphs[code];
        EXPECT_NEAR((glyph.ub - glyph.ua) * atlas->GetWidth(), advance, 1e-3) << code;
        EXPECT_NEAR((glyph.vb - glyph.va) * atlas->GetHeight(), mono.lineHeight, 1e-3) << code;
    }
    EXPECT_EQ(mono.advances[0x98], 0.0f); // no character at this code
    EXPECT_EQ(mono.advances[7], 0.0f);
    EXPECT_LT(manager->fonts.at("small")->lineHeight, mono.lineHeight);
}

TEST_F(HostInput, ScriptDrivesAScreenWithPointerClicksAndKeys)
{
    CPInterface screen;
    screen.Load("menu", 0);
    screen.SilentActivate(0);
    Drain(*script);

    std::string error;
    ASSERT_TRUE(host->RunString("HOST.mouse_move(150, 60) HOST.click(0) HOST.click(1)\n"
                                "assert(HOST.key('Left', true) and HOST.key_down('Left'))\n"
                                "assert(not HOST.key('no such key', true))\n"
                                "HOST.key('Left', false) assert(not HOST.key_down('Left'))\n"
                                "HOST.type('a\\b') local t = HOST.typed()\n"
                                "assert(#t == 2 and t[1] == 97 and t[2] == 8 and #HOST.typed() == 0)",
                                "input", error))
        << error;
    EXPECT_EQ(Drain(*script),
              (std::vector<std::string> { "mouse_move 0.15,0.08", "mouse_button_over play", "button play" }));
    EXPECT_EQ(static_cast<CPButton&>(*screen.windows.at("play")).pressState, CPButton::kHighlighted);
    EXPECT_EQ(screen.cursor->GetPosition().x, 150.0f);

    // A locked button takes no click, as it takes no hover.
    screen.windows.at("play")->SetEnabled(false);
    ASSERT_TRUE(host->RunString("HOST.click(0)", "locked click", error)) << error;
    EXPECT_EQ(Drain(*script), std::vector<std::string> {});
    screen.windows.at("play")->SetEnabled(true);
    ASSERT_TRUE(host->RunString("HOST.click(0)", "unlocked click", error)) << error;
    EXPECT_EQ(Drain(*script), (std::vector<std::string> { "button play" }));
    screen.Deactivate();
}

TEST_F(HostInput, AMovedButtonTakesThePointerAndClicksAtItsNewPlace)
{
    struct Case
    {
        const char* move;
        const char* place;
    };
    const Case cases[] = {
        { "SetWindowPosition(screen, 'play', 500, 300)", "500 300" },
        { "SetWindowPositionShop(screen, 'play', 500, 300)", "499.5 299.5" },
    };
    for (const Case& c : cases) {
        std::string error;
        ASSERT_TRUE(host->RunString("screen = CreateInterface('menu', 0) SilentActivateInterface(screen) "
                                        + std::string(c.move),
                                    "move", error))
            << error;
        EXPECT_EQ(ScriptResults(*host, "return GetWindowPosition(screen, 'play')"), c.place) << c.move;
        Drain(*script);
        // Nothing at the place the screen file gave; pointer, click and menu
        // keys all find the button at its new place.
        ASSERT_TRUE(host->RunString("HOST.mouse_move(150, 60) HOST.click(0)\n"
                                    "HOST.mouse_move(510, 310) HOST.click(0)\n"
                                    "HOST.mouse_move(150, 60) IMenuRight()",
                                    "pointer", error))
            << error;
        EXPECT_EQ(Drain(*script),
                  (std::vector<std::string> { "mouse_move 0.15,0.08", "mouse_move 0.50,0.40", "mouse_button_over play",
                                              "button play", "mouse_move 0.15,0.08", "mouse_button_out play",
                                              "mouse_button_over play" }))
            << c.move;
        ASSERT_TRUE(host->RunString("DeactivateInterface(screen)", "done", error)) << error;
    }
}
