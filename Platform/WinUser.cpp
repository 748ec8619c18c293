#include "Platform/WinUser.h"

#include "Platform/Resources.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace
{
// Dialog base units of the templates' font (8-point MS Sans Serif): four
// horizontal dialog units are 6 pixels, eight vertical ones 13 pixels.
constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;
constexpr int kCaptionHeight = 19;
constexpr int kBorderWidth = 1;

HMODULE const kProgramModule = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x00400000));

struct ListItem
{
    std::string text;
    LPARAM data = 0;
};

struct Window
{
    HWND handle = nullptr;
    HWND parent = nullptr; // a control's dialog, a dialog's owner
    bool isDialog = false;
    WORD resourceId = 0;
    int id = 0;
    std::string className;
    std::string text;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect {}; // a dialog's on the screen, a control's in its dialog's client area
    UINT check = BST_UNCHECKED;
    std::vector<ListItem> items;
    int selection = -1;
    std::string content;
    std::vector<HWND> children; // in template order
    DLGPROC proc = nullptr;
    bool ended = false;
    INT_PTR result = 0;
};

std::map<uintptr_t, Window> g_windows;
uintptr_t g_nextHandle = 0x10000;
PlatformUI::Driver* g_driver = nullptr;
int g_screenWidth = 1920;
int g_screenHeight = 1080;
bool g_quitPosted = false;

Window* Find(HWND handle)
{
    const auto found = g_windows.find(reinterpret_cast<uintptr_t>(handle));
    return found == g_windows.end() ? nullptr : &found->second;
}

Window& Create()
{
    const uintptr_t key = g_nextHandle++;
    Window& window = g_windows[key];
    window.handle = reinterpret_cast<HWND>(key);
    return window;
}

// Rounded a * b / c, as the dialog manager scales dialog units.
int Scale(int a, int b, int c)
{
    const long long product = static_cast<long long>(a) * b;
    return static_cast<int>((product >= 0 ? product + c / 2 : product - c / 2) / c);
}

RECT DialogUnitsToPixels(short x, short y, short cx, short cy)
{
    const LONG left = Scale(x, kBaseUnitX, 4);
    const LONG top = Scale(y, kBaseUnitY, 8);
    return { left, top, left + Scale(cx, kBaseUnitX, 4), top + Scale(cy, kBaseUnitY, 8) };
}

// The frame around a dialog's client area.
RECT NonClientInsets(const Window& window)
{
    RECT insets {};
    if (!window.isDialog)
        return insets;
    if (window.style & (WS_BORDER | WS_DLGFRAME))
        insets = { kBorderWidth, kBorderWidth, kBorderWidth, kBorderWidth };
    if ((window.style & WS_CAPTION) == WS_CAPTION)
        insets.top += kCaptionHeight;
    return insets;
}

// The screen position of a window's client area's top left corner.
POINT ClientOrigin(const Window& window)
{
    if (window.isDialog) {
        const RECT insets = NonClientInsets(window);
        return { window.rect.left + insets.left, window.rect.top + insets.top };
    }
    const Window* parent = Find(window.parent);
    const POINT origin = parent ? ClientOrigin(*parent) : POINT { 0, 0 };
    return { origin.x + window.rect.left, origin.y + window.rect.top };
}

bool Usable(const Window& window)
{
    return (window.style & WS_VISIBLE) && !(window.style & WS_DISABLED);
}

Window* FindControl(const Window& dialog, int id)
{
    for (HWND child : dialog.children) {
        Window* control = Find(child);
        if (control && control->id == id)
            return control;
    }
    return nullptr;
}

HWND CreateDialogWindow(const DialogTemplate& dialogTemplate, HWND owner, DLGPROC proc)
{
    Window& dialog = Create();
    dialog.isDialog = true;
    dialog.resourceId = dialogTemplate.resourceId;
    dialog.parent = owner;
    dialog.className = "#32770";
    dialog.text = dialogTemplate.caption;
    dialog.style = dialogTemplate.style | WS_VISIBLE;
    dialog.exStyle = dialogTemplate.exStyle;
    dialog.proc = proc;
    const HWND handle = dialog.handle;

    RECT client = DialogUnitsToPixels(dialogTemplate.x, dialogTemplate.y, dialogTemplate.cx, dialogTemplate.cy);
    if (const Window* ownerWindow = Find(owner)) {
        const POINT origin = ClientOrigin(*ownerWindow);
        client = { client.left + origin.x, client.top + origin.y, client.right + origin.x, client.bottom + origin.y };
    }
    const RECT insets = NonClientInsets(dialog);
    dialog.rect = { client.left, client.top, client.right + insets.left + insets.right,
                    client.bottom + insets.top + insets.bottom };

    for (const DialogItemTemplate& item : dialogTemplate.items) {
        Window& control = Create(); // `dialog` stays valid: map nodes never move
        control.parent = handle;
        control.id = item.id;
        control.className = item.className;
        control.text = item.text;
        control.style = item.style;
        control.exStyle = item.exStyle;
        control.rect = DialogUnitsToPixels(item.x, item.y, item.cx, item.cy);
        Find(handle)->children.push_back(control.handle);
    }
    return handle;
}

void DestroyDialogWindow(HWND handle)
{
    Window* dialog = Find(handle);
    if (!dialog)
        return;
    for (HWND child : dialog->children)
        g_windows.erase(reinterpret_cast<uintptr_t>(child));
    g_windows.erase(reinterpret_cast<uintptr_t>(handle));
}

LRESULT CopyText(const std::string& text, WPARAM capacity, LPARAM buffer)
{
    char* out = reinterpret_cast<char*>(buffer);
    if (!out || capacity == 0)
        return 0;
    const size_t count = std::min<size_t>(text.size(), capacity - 1);
    std::memcpy(out, text.data(), count);
    out[count] = '\0';
    return static_cast<LRESULT>(count);
}

// What a control does with a message sent to it.
LRESULT ControlMessage(Window& control, UINT message, WPARAM wParam, LPARAM lParam)
{
    const bool list = control.className == "COMBOBOX";
    const bool validIndex = wParam < control.items.size();
    switch (message) {
    case WM_SETTEXT:
        control.text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
        return TRUE;
    case WM_GETTEXT:
        return CopyText(control.text, wParam, lParam);
    case BM_GETCHECK:
        return control.className == "BUTTON" ? control.check : 0;
    case BM_SETCHECK:
        if (control.className == "BUTTON")
            control.check = static_cast<UINT>(wParam);
        return 0;
    default:
        break;
    }
    if (!list)
        return 0;
    switch (message) {
    case CB_ADDSTRING:
        control.items.push_back({ lParam ? reinterpret_cast<LPCSTR>(lParam) : "", 0 });
        return static_cast<LRESULT>(control.items.size() - 1);
    case CB_GETCOUNT:
        return static_cast<LRESULT>(control.items.size());
    case CB_SETCURSEL:
        // Any index outside the list (including -1) clears the selection.
        control.selection = validIndex ? static_cast<int>(wParam) : -1;
        return validIndex ? static_cast<LRESULT>(wParam) : CB_ERR;
    case CB_GETCURSEL:
        return control.selection;
    case CB_SETITEMDATA:
        if (!validIndex)
            return CB_ERR;
        control.items[wParam].data = lParam;
        return TRUE;
    case CB_GETITEMDATA:
        return validIndex ? control.items[wParam].data : CB_ERR;
    default:
        return 0;
    }
}

// What the dialog manager does with a message the procedure left alone.
LRESULT DefaultDialogMessage(Window& dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETTEXT:
        dialog.text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
        return TRUE;
    case WM_GETTEXT:
        return CopyText(dialog.text, wParam, lParam);
    case WM_CLOSE: {
        // As a Cancel button would.
        const Window* cancel = FindControl(dialog, IDCANCEL);
        const HWND handle = dialog.handle;
        return dialog.proc(handle, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                           reinterpret_cast<LPARAM>(cancel ? cancel->handle : nullptr));
    }
    default:
        return 0;
    }
}

LRESULT DialogMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* dialog = Find(handle);
    if (!dialog || !dialog->proc)
        return 0;
    const INT_PTR handled = dialog->proc(handle, message, wParam, lParam);
    if (handled)
        return handled;
    dialog = Find(handle); // the procedure may have run other dialogs
    return dialog ? DefaultDialogMessage(*dialog, message, wParam, lParam) : 0;
}

void SendCommand(HWND dialog, const Window& control, WORD notification)
{
    DialogMessage(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(control.id), notification),
                  reinterpret_cast<LPARAM>(control.handle));
}

// Delivers one action of the user to the dialog.
void Deliver(HWND handle, const PlatformUI::Action& action)
{
    Window* dialog = Find(handle);
    if (!dialog)
        return;
    if (action.kind == PlatformUI::Action::Close || action.kind == PlatformUI::Action::EndOfInput) {
        DialogMessage(handle, WM_CLOSE, 0, 0);
        return;
    }
    Window* control = FindControl(*dialog, action.controlId);
    // Hidden or disabled controls cannot be used; neither can frames and labels.
    if (!control || !Usable(*control))
        return;
    if (action.kind == PlatformUI::Action::Click && control->className == "BUTTON") {
        const DWORD kind = control->style & BS_TYPEMASK;
        if (kind == BS_GROUPBOX)
            return;
        if (kind == BS_AUTOCHECKBOX)
            control->check = control->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
        SendCommand(handle, *control, BN_CLICKED);
    } else if (action.kind == PlatformUI::Action::Select && control->className == "COMBOBOX") {
        if (action.index < 0 || static_cast<size_t>(action.index) >= control->items.size())
            return;
        control->selection = action.index;
        SendCommand(handle, *control, CBN_SELCHANGE);
    }
}

bool Ended(HWND handle)
{
    const Window* dialog = Find(handle);
    return !dialog || dialog->ended;
}

void RunModalLoop(HWND handle)
{
    while (!Ended(handle)) {
        if (g_quitPosted)
            return;
        const PlatformUI::Action action = g_driver ? g_driver->NextAction(PlatformUI::Describe(handle))
                                                   : PlatformUI::Action::NoMoreInput();
        Deliver(handle, action);
        if (action.kind == PlatformUI::Action::EndOfInput && !Ended(handle))
            EndDialog(handle, IDCANCEL); // no input can end it later
    }
}
}

HMODULE GetModuleHandleA(LPCSTR moduleName)
{
    return moduleName ? nullptr : kProgramModule;
}

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC dialogProc, LPARAM initParam)
{
    (void)instance; // the program is the only module
    if (!IS_INTRESOURCE(templateName) || !dialogProc || (owner && !Find(owner)))
        return -1;
    const DialogTemplate* dialogTemplate = FindDialogTemplate(LOWORD(reinterpret_cast<ULONG_PTR>(templateName)));
    if (!dialogTemplate)
        return -1;

    const HWND handle = CreateDialogWindow(*dialogTemplate, owner, dialogProc);
    const bool ownerWasEnabled = owner && !EnableWindow(owner, FALSE);

    HWND firstTabStop = nullptr;
    for (HWND child : Find(handle)->children) {
        const Window* control = Find(child);
        if ((control->style & WS_TABSTOP) && Usable(*control)) {
            firstTabStop = child;
            break;
        }
    }
    DialogMessage(handle, WM_INITDIALOG, reinterpret_cast<WPARAM>(firstTabStop), initParam);
    RunModalLoop(handle);

    const Window* dialog = Find(handle);
    const INT_PTR result = dialog && dialog->ended ? dialog->result : 0;
    DestroyDialogWindow(handle);
    if (ownerWasEnabled)
        EnableWindow(owner, TRUE);
    return result;
}

BOOL EndDialog(HWND dialog, INT_PTR result)
{
    Window* window = Find(dialog);
    if (!window || !window->isDialog)
        return FALSE;
    window->ended = true;
    window->result = result;
    return TRUE;
}

HWND GetDlgItem(HWND dialog, int id)
{
    const Window* window = Find(dialog);
    const Window* control = window ? FindControl(*window, id) : nullptr;
    return control ? control->handle : nullptr;
}

int GetDlgCtrlID(HWND window)
{
    const Window* found = Find(window);
    return found && !found->isDialog ? found->id : 0;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* found = Find(window);
    if (!found)
        return 0;
    if (found->isDialog)
        return DialogMessage(window, message, wParam, lParam);
    return ControlMessage(*found, message, wParam, lParam);
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND control = GetDlgItem(dialog, id);
    return control ? SendMessageA(control, message, wParam, lParam) : 0;
}

BOOL SetWindowTextA(HWND window, LPCSTR text)
{
    Window* found = Find(window);
    if (!found)
        return FALSE;
    found->text = text ? text : "";
    return TRUE;
}

int GetWindowTextA(HWND window, LPSTR text, int maxCount)
{
    const Window* found = Find(window);
    if (!found || maxCount <= 0)
        return 0;
    return static_cast<int>(CopyText(found->text, static_cast<WPARAM>(maxCount), reinterpret_cast<LPARAM>(text)));
}

BOOL GetWindowRect(HWND window, RECT* rect)
{
    const Window* found = Find(window);
    if (!found || !rect)
        return FALSE;
    if (found->isDialog) {
        *rect = found->rect;
    } else {
        const POINT origin = ClientOrigin(*found);
        *rect = { origin.x, origin.y, origin.x + found->rect.right - found->rect.left,
                  origin.y + found->rect.bottom - found->rect.top };
    }
    return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect)
{
    const Window* found = Find(window);
    if (!found || !rect)
        return FALSE;
    const RECT insets = NonClientInsets(*found);
    const LONG width = found->rect.right - found->rect.left - insets.left - insets.right;
    const LONG height = found->rect.bottom - found->rect.top - insets.top - insets.bottom;
    *rect = { 0, 0, std::max<LONG>(width, 0), std::max<LONG>(height, 0) };
    return TRUE;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint)
{
    (void)repaint; // nothing is drawn
    Window* found = Find(window);
    if (!found)
        return FALSE;
    found->rect = { x, y, x + std::max(width, 0), y + std::max(height, 0) };
    return TRUE;
}

int GetSystemMetrics(int index)
{
    switch (index) {
    case SM_CXSCREEN:
        return g_screenWidth;
    case SM_CYSCREEN:
        return g_screenHeight;
    case SM_CYCAPTION:
        return kCaptionHeight;
    case SM_CXBORDER:
    case SM_CYBORDER:
        return kBorderWidth;
    default:
        return 0;
    }
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check)
{
    const HWND control = GetDlgItem(dialog, id);
    if (!control)
        return FALSE;
    SendMessageA(control, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id)
{
    return static_cast<UINT>(SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0));
}

BOOL EnableWindow(HWND window, BOOL enable)
{
    Window* found = Find(window);
    if (!found)
        return FALSE;
    const BOOL wasDisabled = (found->style & WS_DISABLED) ? TRUE : FALSE;
    if (enable)
        found->style &= ~WS_DISABLED;
    else
        found->style |= WS_DISABLED;
    return wasDisabled;
}

BOOL IsWindow(HWND window)
{
    return Find(window) ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND window)
{
    const Window* found = Find(window);
    return found && !(found->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND window)
{
    const Window* found = Find(window);
    return found && (found->style & WS_VISIBLE) ? TRUE : FALSE;
}

void InitCommonControls()
{
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)window;
    (void)message;
    (void)wParam;
    (void)lParam;
    return 0;
}

void PostQuitMessage(int exitCode)
{
    (void)exitCode;
    g_quitPosted = true;
}

namespace PlatformUI
{
Driver::~Driver() = default;

void SetDriver(Driver* driver)
{
    g_driver = driver;
}

Driver* GetDriver()
{
    return g_driver;
}

DialogView Describe(HWND dialog)
{
    DialogView view;
    const Window* window = Find(dialog);
    if (!window)
        return view;
    view.handle = dialog;
    view.resourceId = window->resourceId;
    view.title = window->text;
    view.enabled = !(window->style & WS_DISABLED);
    view.rect = window->rect;
    for (HWND child : window->children) {
        const Window* control = Find(child);
        if (!control)
            continue;
        ControlView item;
        item.handle = child;
        item.id = control->id;
        item.className = control->className;
        item.text = control->text;
        item.style = control->style;
        item.visible = (control->style & WS_VISIBLE) != 0;
        item.enabled = !(control->style & WS_DISABLED);
        item.check = control->check;
        for (const ListItem& listItem : control->items)
            item.items.push_back(listItem.text);
        item.selection = control->selection;
        item.content = control->content;
        item.rect = control->rect;
        view.controls.push_back(item);
    }
    return view;
}

void SetEmbeddedContent(HWND control, const std::string& content)
{
    if (Window* window = Find(control))
        window->content = content;
}

void SetScreenSize(int width, int height)
{
    g_screenWidth = width;
    g_screenHeight = height;
}

int OpenWindowCount()
{
    return static_cast<int>(g_windows.size());
}

bool QuitPosted()
{
    return g_quitPosted;
}

void ClearQuit()
{
    g_quitPosted = false;
}
}

BOOL IsCharAlphaNumericA(CHAR ch)
{
    const unsigned char code = static_cast<unsigned char>(ch);
    if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z'))
        return TRUE;
    return code >= 0xC0 || code == 0xA8 || code == 0xB8 ? TRUE : FALSE;
}
