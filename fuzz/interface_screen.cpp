// Arbitrary bytes as a ".int" screen file: loaded at the design size, then
// driven with the pointer, the menu keys, clicks and typing. The screen's
// body must always hold one quad per visible window or button. Files live in
// a scratch root under /tmp; what the screen made ends with the input.
#include "Core/PCommandDispatcher.h"
#include "Core/PGlobals.h"
#include "Interface/PEditBox.h"
#include "Interface/PInterface.h"
#include "Interface/PWindow.h"
#include "Platform/GamePath.h"
#include "Render/PRenderObject.h"
#include "Startup/PConfigVars.h"
#include "fuzz/InputObjects.h"
#include "tests/ScratchRoot.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace
{
void CheckQuads(CPInterface& screen)
{
    size_t visible = 0;
    for (const CPSmartPtr<CPWindow>& element : screen.drawList)
        visible += element->visible ? 1 : 0;
    if (screen.renderObject->GetIndices().size() != visible * 6 ||
        screen.renderObject->GetLocalVertices().size() != visible * 4)
        std::abort();
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ScratchRoot root;
    static CPCommandDispatcher dispatcher;
    static CPTextManager textManager;
    static const bool fontMade = [] {
        CPFont* font = new CPFont();
        font->lineHeight = 16.0f;
        for (float& advance : font->advances)
            advance = 8.0f;
        textManager.fonts["font"] = font;
        return true;
    }();
    (void)fontMade;
    const fuzz::InputObjects objects;
    GamePath::SetRoot(root.Path());
    g_CommandDispatcher = &dispatcher;
    g_TextManager = &textManager;
    g_CfgScreenWidth = 1024;
    g_CfgScreenHeight = 768;

    root.MakeFile("Data/Interface/fuzz1024.int", std::string(reinterpret_cast<const char*>(data), size));

    CPInterface screen;
    screen.Load("fuzz", 0);
    CheckQuads(screen);
    screen.SilentActivate(0);
    for (const float point : { 0.0f, 100.0f, 300.0f, 700.0f })
        DispatchMouseMove(point, point * 0.75f);
    MenuRight();
    MenuRight();
    MenuLeft();
    for (const CPSmartPtr<CPWindow>& element : screen.drawList) {
        element->OnMouseDown(0, element->x + 1, element->y + 1);
        element->OnClick(0, element->x + 1, element->y + 1);
    }
    screen.UpdateBuffers();
    CheckQuads(screen);
    for (auto& entry : screen.editBoxes) {
        for (const int32_t code : { int32_t('a'), int32_t(' '), 8, 0xE0, 168 })
            entry.second->ProcessKey(code);
    }
    screen.Deactivate();
    return 0;
}
