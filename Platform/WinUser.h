// Windows user-interface calls as the launcher makes them: modal dialog boxes
// built from the program's dialog templates, their controls (push buttons,
// auto check boxes, group boxes, static controls and drop-down lists) and the
// messages between them.
//
// There is no screen. A modal dialog asks a driver (PlatformUI::SetDriver) for
// the user's next action and delivers it as the control would: a click on an
// auto check box toggles it before the dialog procedure hears of it, a click
// on a button sends WM_COMMAND with BN_CLICKED, a choice in a list selects the
// item and sends CBN_SELCHANGE, closing sends WM_CLOSE. When the driver has no
// more input (or there is no driver) the window is closed, and a dialog still
// open after that ends with IDCANCEL, so every modal loop ends.
//
// Window handles are numbers, never reused: a handle of a destroyed window is
// refused by every call. Single-threaded.
#pragma once

#include "Platform/Win32.h"

#include <string>
#include <vector>

typedef struct HMENU__* HMENU;
typedef struct HACCEL__* HACCEL;

struct MSG
{
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

typedef INT_PTR (*DLGPROC)(HWND, UINT, WPARAM, LPARAM);

inline LPCSTR MAKEINTRESOURCEA(WORD id)
{
    return reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(id));
}
inline bool IS_INTRESOURCE(LPCSTR name)
{
    return (reinterpret_cast<ULONG_PTR>(name) >> 16) == 0;
}
inline WORD LOWORD(ULONG_PTR value) { return static_cast<WORD>(value & 0xFFFF); }
inline WORD HIWORD(ULONG_PTR value) { return static_cast<WORD>((value >> 16) & 0xFFFF); }
inline WPARAM MAKEWPARAM(WORD low, WORD high)
{
    return static_cast<WPARAM>(static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16));
}

// Messages.
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;

// Buttons.
constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr WORD BN_CLICKED = 0;
constexpr UINT BST_UNCHECKED = 0;
constexpr UINT BST_CHECKED = 1;
constexpr UINT BST_INDETERMINATE = 2;

// Combo boxes.
constexpr UINT CB_ADDSTRING = 0x0143;
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETCURSEL = 0x0147;
constexpr UINT CB_SETCURSEL = 0x014E;
constexpr UINT CB_GETITEMDATA = 0x0150;
constexpr UINT CB_SETITEMDATA = 0x0151;
constexpr LRESULT CB_ERR = -1;
constexpr WORD CBN_SELCHANGE = 1;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// Window styles.
constexpr DWORD WS_POPUP = 0x80000000u;
constexpr DWORD WS_CHILD = 0x40000000u;
constexpr DWORD WS_VISIBLE = 0x10000000u;
constexpr DWORD WS_DISABLED = 0x08000000u;
constexpr DWORD WS_BORDER = 0x00800000u;
constexpr DWORD WS_DLGFRAME = 0x00400000u;
constexpr DWORD WS_CAPTION = WS_BORDER | WS_DLGFRAME;
constexpr DWORD WS_VSCROLL = 0x00200000u;
constexpr DWORD WS_GROUP = 0x00020000u;
constexpr DWORD WS_TABSTOP = 0x00010000u;
constexpr DWORD WS_EX_NOPARENTNOTIFY = 0x00000004u;
constexpr DWORD DS_SETFONT = 0x40u;
// Button styles: the low four bits give the kind.
constexpr DWORD BS_PUSHBUTTON = 0x0u;
constexpr DWORD BS_DEFPUSHBUTTON = 0x1u;
constexpr DWORD BS_CHECKBOX = 0x2u;
constexpr DWORD BS_AUTOCHECKBOX = 0x3u;
constexpr DWORD BS_GROUPBOX = 0x7u;
constexpr DWORD BS_TYPEMASK = 0xFu;
constexpr DWORD BS_FLAT = 0x8000u;
// Static styles.
constexpr DWORD SS_LEFT = 0x0u;
constexpr DWORD SS_BLACKRECT = 0x4u;
// Combo box styles.
constexpr DWORD CBS_DROPDOWNLIST = 0x3u;

// System metrics.
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CYCAPTION = 4;
constexpr int SM_CXBORDER = 5;
constexpr int SM_CYBORDER = 6;

// Show commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_SHOWMINNOACTIVE = 7;
constexpr int SW_SHOWNA = 8;
constexpr int SW_RESTORE = 9;
constexpr int SW_SHOWDEFAULT = 10;

// The running program's module for a null name; null for any other name.
HMODULE GetModuleHandleA(LPCSTR moduleName);

// Builds the dialog from its template (an integer resource), sends it
// WM_INITDIALOG with `initParam`, runs the modal loop and returns the value
// given to EndDialog. The owner is disabled meanwhile. -1 when the template,
// the procedure or the owner is missing.
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC dialogProc, LPARAM initParam);
// Ends the dialog's modal loop with the result once the current message has
// been handled. FALSE for a window that is no open dialog.
BOOL EndDialog(HWND dialog, INT_PTR result);

HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND window);
// A dialog's messages go to its procedure (the dialog manager handles
// WM_SETTEXT, WM_GETTEXT and WM_CLOSE when the procedure does not); a
// control's are handled by the control.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
BOOL SetWindowTextA(HWND window, LPCSTR text);
int GetWindowTextA(HWND window, LPSTR text, int maxCount);
// In screen coordinates.
BOOL GetWindowRect(HWND window, RECT* rect);
// The client area: left and top are 0.
BOOL GetClientRect(HWND window, RECT* rect);
// A child's position is in its parent's client coordinates, a dialog's in
// screen coordinates.
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
int GetSystemMetrics(int index);
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
// The check state of the dialog's button; 0 when there is no such button.
UINT IsDlgButtonChecked(HWND dialog, int id);
// Returns nonzero when the window was disabled before.
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindow(HWND window);
BOOL IsWindowEnabled(HWND window);
BOOL IsWindowVisible(HWND window);
void InitCommonControls();
// Default handling for a window's messages: none. In particular WM_CLOSE
// destroys nothing: a dialog is ended by its procedure through EndDialog and
// destroyed by the dialog manager, never behind its back.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Posts the quit message: every running modal loop ends, with 0.
void PostQuitMessage(int exitCode);

namespace PlatformUI
{
// A control as the user sees it.
struct ControlView
{
    HWND handle = nullptr;
    int id = 0;
    std::string className; // "BUTTON", "STATIC", "COMBOBOX"
    std::string text;
    DWORD style = 0;
    bool visible = false;
    bool enabled = false;
    UINT check = BST_UNCHECKED;
    std::vector<std::string> items; // a list's items, in order
    int selection = -1;             // the selected item, -1 for none
    std::string content;            // what is embedded in it (a web page's address)
    RECT rect {};                   // in the dialog's client coordinates
};

// A dialog as the user sees it.
struct DialogView
{
    HWND handle = nullptr;
    WORD resourceId = 0;
    std::string title;
    bool enabled = false;
    RECT rect {}; // on the screen
    std::vector<ControlView> controls; // in template order
};

// What the user does next.
struct Action
{
    enum Kind
    {
        Click,     // a button
        Select,    // an item of a list
        Close,     // the window's close command
        EndOfInput // nothing more will come
    };
    Kind kind = EndOfInput;
    int controlId = 0;
    int index = 0; // for Select

    static Action ClickOn(int id) { return { Click, id, 0 }; }
    static Action SelectItem(int id, int index) { return { Select, id, index }; }
    static Action CloseWindow() { return { Close, 0, 0 }; }
    static Action NoMoreInput() { return { EndOfInput, 0, 0 }; }
};

// Supplies the user's actions to modal dialogs; asked once per action with
// the dialog whose modal loop is running.
class Driver
{
public:
    virtual ~Driver();
    virtual Action NextAction(const DialogView& dialog) = 0;
};

// The driver every modal loop asks; null (the default) means no input.
void SetDriver(Driver* driver);
Driver* GetDriver();

// The dialog (and its controls) as the user would see it now.
DialogView Describe(HWND dialog);

// What a control shows embedded in it; empty for nothing. Embedded objects
// (the web browser) set this.
void SetEmbeddedContent(HWND control, const std::string& content);

// Screen size reported by GetSystemMetrics; 1920 x 1080 until set.
void SetScreenSize(int width, int height);
// Windows currently open (dialogs and controls).
int OpenWindowCount();
// Whether PostQuitMessage was called; clearing it lets dialogs run again.
bool QuitPosted();
void ClearQuit();
}

// Whether the byte is a letter or digit of the ANSI code page, Windows-1251:
// the Latin letters and digits, the Cyrillic letters 0xC0 to 0xFF, 0xA8 and
// 0xB8.
BOOL IsCharAlphaNumericA(CHAR ch);
