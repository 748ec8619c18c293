// Bindings of the interface screens: creating and activating screens,
// windows, texts, fonts, edit boxes, cursors, button locks, the menu keys and
// the screen size. A screen is passed as the handle CreateInterface gave;
// a nil or unknown screen, window, text or edit box makes a binding do
// nothing and push only its stated defaults.
#pragma once

#include <lua.hpp>

namespace ScriptApi
{
int CreateInterface(lua_State* L);
int ActivateInterface(lua_State* L);
int SilentActivateInterface(lua_State* L);
int UpdateInterface(lua_State* L);
int UpdateInterfaceBuffers(lua_State* L);
int SetWindowVisible(lua_State* L);
int SetWindowPosition(lua_State* L);
int SetWindowPositionShop(lua_State* L);
int SetWindowSize(lua_State* L);
// The main and the race table each have their own function, alike.
int GetWindowPosition(lua_State* L);
int GetWindowPositionRace(lua_State* L);
int SetTextPosition(lua_State* L);
int GetTextPosition(lua_State* L);
int SetText(lua_State* L);
int SetFont(lua_State* L);
int SetTextString(lua_State* L);
int SetFontString(lua_State* L);
int SetEditBoxText(lua_State* L);
int EditBoxProcessKey(lua_State* L);
int EditBoxTextLength(lua_State* L);
int GetEditBoxText(lua_State* L);
// The main table reads the cursor name as unchecked text, the race table as
// checked text.
int SetCursor(lua_State* L);
int SetCursorRace(lua_State* L);
int GetCursor(lua_State* L);
int DeselectCurrentButton(lua_State* L);
int LockButton(lua_State* L);
int UnlockButton(lua_State* L);
int IMenuRight(lua_State* L);
int IMenuLeft(lua_State* L);
// Picks the scene through a screen point given as fractions of the screen:
// hit flag, hit object, where the ray meets the height 0, and 0. Nothing
// without a level with a chase camera.
int CrossInterfaceRay(lua_State* L);
int GetScreenSize(lua_State* L);
int GetCurrentResolution(lua_State* L);
int InitWarning(lua_State* L);
}
