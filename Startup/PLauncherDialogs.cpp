#include "Startup/PLauncherDialogs.h"

#include "Platform/COM.h"
#include "Platform/Resources.h"
#include "Startup/PBrowserHost.h"
#include "Startup/PConfig.h"
#include "Startup/PConfigVars.h"
#include "Startup/PDisplayModeList.h"
#include "Startup/PLauncher.h"

#include <cstdio>

int32_t g_OptShadows = 0;
int32_t g_OptBloom = 0;
int32_t g_OptLensFlare = 0;
int32_t g_OptDust = 0;
int32_t g_OptWheel = 0;
int32_t g_OptWeather = 0;
int32_t g_OptBlur = 0;
int32_t g_OptContrast = 0;
bool g_DialogOleInitialized = false;
const char kGameTitle[] = "Veltrix";

namespace
{
const char kModeFormat[] = "%d x %d x %d";

// The options dialog's switches and the working copy each one sets.
const struct
{
    int id;
    int32_t* copy;
} kSwitches[] = {
    { IDC_MOTION_BLUR, &g_OptBlur }, { IDC_LENS_FLARE, &g_OptLensFlare }, { IDC_BLOOM, &g_OptBloom },
    { IDC_SMOKE, &g_OptDust },       { IDC_WHEEL, &g_OptWheel },          { IDC_WEATHER, &g_OptWeather },
    { IDC_CONTRAST, &g_OptContrast }, { IDC_SHADOWS, &g_OptShadows },
};

UINT CheckState(int32_t value)
{
    return value != 0 ? BST_CHECKED : BST_UNCHECKED;
}

void OpenOptions(HWND owner)
{
    InitCommonControls();
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_OPTIONS), owner, OptionsDialogProc, 0);
}

// OK: the selected mode (when the list has one) and bloom, then saved.
void ApplyOptions(HWND window)
{
    const LRESULT selected = SendDlgItemMessageA(window, IDC_RESOLUTION, CB_GETCURSEL, 0, 0);
    if (selected != CB_ERR) {
        const LRESULT index = SendDlgItemMessageA(window, IDC_RESOLUTION, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0);
        if (index >= 0 && static_cast<size_t>(index) < DisplayModeList.size()) {
            const CPDisplayMode& mode = DisplayModeList[static_cast<size_t>(index)];
            g_CfgScreenBPP = static_cast<int32_t>(mode.bitsPerPixel);
            g_CfgScreenWidth = static_cast<int32_t>(mode.width);
            g_CfgScreenHeight = static_cast<int32_t>(mode.height);
        }
    }
    g_CfgBloom = g_OptBloom;
    SaveLauncherConfig();
}

void OnSwitch(HWND window, int id, int32_t& copy)
{
    const UINT state = IsDlgButtonChecked(window, id);
    if (state == BST_CHECKED)
        copy = 1;
    else if (state == BST_UNCHECKED)
        copy = 0;
    // Motion blur can only be switched while bloom is on.
    if (id == IDC_BLOOM && (state == BST_CHECKED || state == BST_UNCHECKED))
        EnableWindow(GetDlgItem(window, IDC_MOTION_BLUR), state == BST_CHECKED);
}
}

void CenterWindow(HWND window)
{
    RECT rect {};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    MoveWindow(window, (GetSystemMetrics(SM_CXSCREEN) - width) / 2, (GetSystemMetrics(SM_CYSCREEN) - height) / 2,
               width, height, TRUE);
}

INT_PTR LauncherDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowTextA(window, kGameTitle);
        CenterWindow(window);
        if (!g_DialogOleInitialized)
            g_DialogOleInitialized = SUCCEEDED(OleInitialize(nullptr));
        ReleaseBrowserHost(); // never two hosts
        g_BrowserHost = CPBrowserHost::Create();
        if (g_BrowserHost)
            g_BrowserHost->Open(GetDlgItem(window, IDC_WEB_PAGE));
        break;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_PLAY_FULLSCREEN:
            g_CfgFullScreen = 1;
            EndDialog(window, IDC_PLAY_FULLSCREEN);
            break;
        case IDC_PLAY_WINDOWED:
            g_CfgFullScreen = 0;
            EndDialog(window, IDC_PLAY_WINDOWED);
            break;
        case IDC_EXIT:
            EndDialog(window, IDC_EXIT);
            break;
        case IDC_OPTIONS:
            OpenOptions(window);
            break;
        default:
            break;
        }
        break;
    case WM_CLOSE:
        EndDialog(window, IDC_EXIT);
        break;
    default:
        return FALSE;
    }
    DefWindowProcA(window, message, wParam, lParam);
    return TRUE;
}

void InitOptionsDialog(HWND window)
{
    g_OptShadows = g_CfgShadows;
    g_OptBloom = g_CfgBloom;
    g_OptLensFlare = g_CfgLensFlare;
    g_OptDust = g_CfgDust;
    g_OptWheel = g_CfgWheel;
    g_OptWeather = g_CfgWeather;
    g_OptBlur = g_CfgBlur;
    g_OptContrast = g_CfgContrast;

    CheckDlgButton(window, IDC_MOTION_BLUR, CheckState(g_CfgBlur));
    CheckDlgButton(window, IDC_BLOOM, CheckState(g_CfgBloom));
    CheckDlgButton(window, IDC_LENS_FLARE, CheckState(g_CfgLensFlare));
    CheckDlgButton(window, IDC_SMOKE, CheckState(g_CfgDust));
    EnableWindow(GetDlgItem(window, IDC_MOTION_BLUR), g_CfgBloom != 0);

    LRESULT current = -1;
    for (size_t i = 0; i < DisplayModeList.size(); ++i) {
        const CPDisplayMode& mode = DisplayModeList[i];
        char text[64];
        std::snprintf(text, sizeof(text), kModeFormat, static_cast<int>(mode.width), static_cast<int>(mode.height),
                      static_cast<int>(mode.bitsPerPixel));
        const LRESULT item = SendDlgItemMessageA(window, IDC_RESOLUTION, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        SendDlgItemMessageA(window, IDC_RESOLUTION, CB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(i));
        if (static_cast<int32_t>(mode.width) == g_CfgScreenWidth && static_cast<int32_t>(mode.height) == g_CfgScreenHeight
            && static_cast<int32_t>(mode.bitsPerPixel) == g_CfgScreenBPP)
            current = item;
    }
    SendDlgItemMessageA(window, IDC_RESOLUTION, CB_SETCURSEL, current >= 0 ? static_cast<WPARAM>(current) : 0, 0);
}

INT_PTR OptionsDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        InitOptionsDialog(window);
        CenterWindow(window);
        return TRUE;
    case WM_CLOSE:
        EndDialog(window, IDC_EXIT);
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id == IDOK) {
            ApplyOptions(window);
            EndDialog(window, IDOK);
        } else if (id == IDCANCEL) {
            EndDialog(window, IDCANCEL);
        }
        for (const auto& entry : kSwitches) {
            if (entry.id == id)
                OnSwitch(window, id, *entry.copy);
        }
        return TRUE;
    }
    default:
        return FALSE;
    }
}
