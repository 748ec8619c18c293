// The program file's resources: the templates of the launcher's two dialogs
// (ids, texts, styles, positions in dialog units) and the identifiers of the
// resources and their controls. Dialog boxes are built from these templates.
#pragma once

#include "Platform/Win32.h"

#include <vector>

// Resource identifiers.
constexpr WORD IDD_LAUNCHER = 101;
constexpr WORD IDD_OPTIONS = 105;
constexpr WORD IDB_LOGO = 110; // a bitmap no code uses
constexpr WORD IDI_PROGRAM = 111;
// Language of every resource (Russian).
constexpr WORD kResourceLanguage = 1049;

// Controls of the start-up dialog.
constexpr int IDC_PLAY_FULLSCREEN = 1000;
constexpr int IDC_OPTIONS = 1001;
constexpr int IDC_EXIT = 1002;
constexpr int IDC_PLAY_WINDOWED = 1003;
constexpr int IDC_WEB_PAGE = 1026;
// Controls of the options dialog (OK and Cancel are IDOK and IDCANCEL).
constexpr int IDC_RESOLUTION = 1004;
constexpr int IDC_MOTION_BLUR = 1007;
constexpr int IDC_LENS_FLARE = 1008;
constexpr int IDC_BLOOM = 1009;
constexpr int IDC_SMOKE = 1010;
// Switch identifiers the options dialog understands but has no control for.
constexpr int IDC_WHEEL = 1011;
constexpr int IDC_WEATHER = 1016;
constexpr int IDC_CONTRAST = 1017;
constexpr int IDC_SHADOWS = 1018;
// Labels and frames.
constexpr int IDC_STATIC = -1;

struct DialogItemTemplate
{
    int id;
    const char* className; // "BUTTON", "STATIC", "COMBOBOX"
    const char* text;
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy; // dialog units
};

struct DialogTemplate
{
    WORD resourceId;
    WORD language;
    bool extended; // an extended template (it may carry extended styles)
    DWORD style;
    DWORD exStyle;
    const char* caption;
    const char* fontName;
    WORD pointSize;
    short x, y, cx, cy; // dialog units
    std::vector<DialogItemTemplate> items; // in template order
};

// The template of a dialog resource, or null when the module has none.
const DialogTemplate* FindDialogTemplate(WORD resourceId);
