#include "Host/PHostInput.h"

#include "Core/PGlobals.h"
#include "Interface/PActionMap.h"
#include "Interface/PInterface.h"
#include "Interface/PKeyNames.h"
#include "Interface/PWindow.h"

#include <array>

namespace
{
std::array<bool, 256> g_keyStates {};
std::string g_typed;

// The topmost shown and enabled window or button under the point, or null:
// the element the pointer would hover, so a locked button takes no click.
CPWindow* ElementAt(CPInterface& screen, float x, float y)
{
    for (auto element = screen.drawList.rbegin(); element != screen.drawList.rend(); ++element) {
        if ((*element)->visible && (*element)->enabled && (*element)->HitTest(x, y))
            return element->Get();
    }
    return nullptr;
}
}

void ResetHostInput()
{
    g_keyStates.fill(false);
    g_typed.clear();
}

void HostMouseMove(float x, float y)
{
    if (CPActionMap* actions = GetActionMap()) {
        actions->cursorX = x;
        actions->cursorY = y;
    }
    DispatchMouseMove(x, y);
}

void HostClick(int32_t button)
{
    int32_t x = 0;
    int32_t y = 0;
    if (const CPActionMap* actions = GetActionMap())
        actions->GetCursorPosition(x, y);
    const float px = static_cast<float>(x);
    const float py = static_cast<float>(y);
    // A click may create or destroy screens: walk a copy.
    const std::list<CPInterface*> screens = InterfaceList();
    for (auto it = screens.rbegin(); it != screens.rend(); ++it) {
        CPInterface& screen = **it;
        if (!screen.active)
            continue;
        CPSmartPtr<CPWindow> element = ElementAt(screen, px, py);
        if (!element)
            continue;
        element->OnMouseDown(button, px, py);
        element->OnClick(button, px, py);
        screen.UpdateBuffers();
    }
}

bool HostKey(const std::string& name, bool down)
{
    const int code = FindKeyCode(name);
    if (code <= 0 || code >= static_cast<int>(g_keyStates.size()))
        return false;
    g_keyStates[static_cast<size_t>(code)] = down;
    return true;
}

bool HostKeyDown(const std::string& name)
{
    const int code = FindKeyCode(name);
    return code > 0 && code < static_cast<int>(g_keyStates.size()) && g_keyStates[static_cast<size_t>(code)];
}

void HostType(const std::string& text)
{
    g_typed += text;
}

std::string HostTakeTyped()
{
    std::string typed;
    typed.swap(g_typed);
    return typed;
}
