#include "Platform/Resources.h"

#include "Platform/WinUser.h"

namespace
{
constexpr DWORD kFlatButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | BS_FLAT;

const DialogTemplate kLauncherDialog = {
    IDD_LAUNCHER, kResourceLanguage, false, WS_POPUP | WS_BORDER | DS_SETFONT, 0, "",
    "MS Sans Serif", 8, 0, 0, 443, 331,
    {
        { IDC_PLAY_FULLSCREEN, "BUTTON", "Play in fullscreen mode", kFlatButton, 0, 7, 310, 90, 14 },
        { IDC_OPTIONS, "BUTTON", "Options", kFlatButton, 0, 250, 310, 68, 14 },
        { IDC_EXIT, "BUTTON", "Exit", kFlatButton, 0, 373, 310, 63, 14 },
        { IDC_WEB_PAGE, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BLACKRECT, 0, 7, 7, 429, 298 },
        { IDC_PLAY_WINDOWED, "BUTTON", "Play in windowed mode", kFlatButton, 0, 103, 310, 85, 14 },
    },
};

const DialogTemplate kOptionsDialog = {
    IDD_OPTIONS, kResourceLanguage, true, WS_CAPTION | DS_SETFONT, 0, "Options",
    "MS Sans Serif", 8, 0, 0, 186, 98,
    {
        { IDOK, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 71, 77, 50, 14 },
        { IDCANCEL, "BUTTON", "Cancel", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 129, 77, 50, 14 },
        { IDC_MOTION_BLUR, "BUTTON", "Motion Blur", WS_CHILD | BS_AUTOCHECKBOX, 0, 15, 58, 96, 10 },
        { IDC_LENS_FLARE, "BUTTON", "Lens Flare", WS_CHILD | WS_DISABLED | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 15, 72, 49, 10 },
        { IDC_BLOOM, "BUTTON", "Bloom", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 125, 58, 35, 10 },
        { IDC_SMOKE, "BUTTON", "Smoke", WS_CHILD | WS_DISABLED | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 125, 72, 38, 10 },
        { IDC_STATIC, "BUTTON", "Video", WS_CHILD | WS_VISIBLE | BS_GROUPBOX | BS_FLAT, WS_EX_NOPARENTNOTIFY, 7, 7, 172, 67 },
        { IDC_STATIC, "STATIC", "Screen Resolution", WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT, 0, 14, 22, 59, 8 },
        { IDC_RESOLUTION, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST, 0, 81, 20, 87, 51 },
    },
};
}

const DialogTemplate* FindDialogTemplate(WORD resourceId)
{
    for (const DialogTemplate* dialog : { &kLauncherDialog, &kOptionsDialog }) {
        if (dialog->resourceId == resourceId)
            return dialog;
    }
    return nullptr;
}
