// A small screen for interface tests: a scratch game root holding
// "Data\Interface\menu1024.int" (two windows, three buttons, a text, an edit
// box and a cursor), a dispatcher with one recording script object that is
// both the screen's handler and in the category "interface", and a text
// manager with one font whose glyph tables are known.
#pragma once

#include "Core/PCommandDispatcher.h"
#include "Core/PGlobals.h"
#include "Interface/PTextManager.h"
#include "ScratchRoot.h"
#include "Startup/PConfigVars.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace interface_test
{
inline const char kMenuScreen[] =
    "menu_script\n"
    "menu.tga, 256, 128\n"
    "light, on, 0, 0, 1, 1, 0.5, 0.25, smooth\n"
    "// dropped: a comment\n"
    "window\n"
    "back 0,0,1024,768,0,0,256,128\n"
    "button\n"
    "play 100,50,200,40,0,0,64,16\n"
    "play_hi 0,0,210,44,0,16,64,16\n"
    "play_pr 0,0,190,36,0,32,64,16\n"
    "between records: skipped\n"
    "BUTTON\n"
    "options 100,150,200,40,0,0,64,16\n"
    "o2 0,0,200,40,0,16,64,16\n"
    "o3 0,0,200,40,0,32,64,16\n"
    "button\n"
    "quit 100,250,200,40,0,0,64,16\n"
    "q2 0,0,200,40,0,16,64,16\n"
    "q3 0,0,200,40,0,32,64,16\n"
    "Window\n"
    "panel 600,50,300,200,0,64,64,64,False,stretch\n"
    "text\n"
    "title big,100,20,title_key,center\n"
    "textedit\n"
    "name 600,400,big,10,lu,ab\n"
    "window\n"
    "cursor 0,0,32,32,64,0,32,32\n";

class Recorder : public CPCommandTarget
{
public:
    explicit Recorder(const std::string& name)
        : CPCommandTarget(name)
    {
        Start();
    }
    int32_t GetObjectSize() const override { return sizeof(*this); }
    std::string GetTypeName() const override { return "Recorder"; }
    void Update() override {}
    int32_t QueryFlag() override { return 0; }

    // Every command taken since the last call, oldest first, as
    // "name params" with the parameters joined by commas again.
    std::vector<std::string> Drain()
    {
        std::vector<std::string> handled;
        while (SetNextCommand()) {
            std::string text = GetCurrentCommand()->name;
            const std::vector<std::string>& params = *GetCurrentParams();
            for (size_t i = 0; i < params.size(); ++i)
                text += (i ? "," : " ") + params[i];
            handled.push_back(text);
        }
        return handled;
    }
};

class InterfaceFixture : public ::testing::Test
{
protected:
    InterfaceFixture()
    {
        g_CfgScreenWidth = 1024;
        g_CfgScreenHeight = 768;
        g_CommandDispatcher = &dispatcher;
        dispatcher.RegisterObject(&script);
        dispatcher.RegisterCategory("interface", &script);
        g_TextManager = &textManager;
        CPFont* font = new CPFont();
        font->lineHeight = 20.0f;
        font->advanceTrim = 1.0f;
        font->halfAdvanceTrim = 2.0f;
        font->advances[int('A')] = 12.0f;
        font->glyphs[int('A')] = { 0.25f, 0.5f, 0.375f, 0.75f };
        font->advances[int('_')] = 10.0f;
        textManager.fonts["big"] = font;
        root.MakeFile("Data/Interface/menu1024.int", kMenuScreen);
    }
    ~InterfaceFixture() override
    {
        dispatcher.UnregisterObject(&script);
        g_CommandDispatcher = nullptr;
        g_TextManager = nullptr;
        g_CfgScreenWidth = 640;
        g_CfgScreenHeight = 480;
    }

    ScratchRoot root;
    CPCommandDispatcher dispatcher;
    Recorder script { "menu_script" };
    CPTextManager textManager;
};
}
