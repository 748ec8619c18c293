// The launcher's two dialogs. The start-up dialog shows the splash page and
// four buttons: the play buttons set "fullScreen" and end it with their own
// identifier, Exit and closing the window end it with IDC_EXIT, Options opens
// the options dialog. The options dialog offers the display-mode list and the
// Bloom switch; OK writes the chosen mode and bloom and saves "config.cfg",
// Cancel and closing the window change nothing.
#pragma once

#include "Platform/WinUser.h"

#include <cstdint>

// Working copies of the effect switches, filled when the options dialog
// opens and changed by its switches; only bloom is written back.
extern int32_t g_OptShadows;
extern int32_t g_OptBloom;
extern int32_t g_OptLensFlare;
extern int32_t g_OptDust;
extern int32_t g_OptWheel;
extern int32_t g_OptWeather;
extern int32_t g_OptBlur;
extern int32_t g_OptContrast;

// Whether the start-up dialog initialised OLE and it is still to be undone.
extern bool g_DialogOleInitialized;

// The game's name, the start-up dialog's title.
extern const char kGameTitle[];

INT_PTR LauncherDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR OptionsDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Fills the options dialog's switches and mode list from the settings.
void InitOptionsDialog(HWND window);
// Moves the window, keeping its size, to the middle of the screen.
void CenterWindow(HWND window);
