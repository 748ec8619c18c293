#include "Platform/Resources.h"
#include "Platform/ScriptedDriver.h"
#include "Platform/WinUser.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace
{
// What the test procedure saw, and what it does on each message.
struct ProcState
{
    std::vector<std::string> log; // "init", "command 1009 0 checked=1", "close"
    std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)> onMessage;
};
ProcState* g_state = nullptr;

INT_PTR TestProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        g_state->log.push_back("init");
    else if (message == WM_CLOSE)
        g_state->log.push_back("close");
    else if (message == WM_COMMAND)
        g_state->log.push_back("command " + std::to_string(LOWORD(wParam)) + " " + std::to_string(HIWORD(wParam))
                               + " checked=" + std::to_string(IsDlgButtonChecked(dialog, LOWORD(wParam))));
    return g_state->onMessage ? g_state->onMessage(dialog, message, wParam, lParam) : FALSE;
}

// Every test runs with its own driver and procedure state, and leaves no
// window open.
class DialogStandIn : public ::testing::Test
{
protected:
    DialogStandIn()
    {
        g_state = &m_state;
        PlatformUI::SetDriver(&m_driver);
    }
    ~DialogStandIn() override
    {
        PlatformUI::SetDriver(nullptr);
        PlatformUI::ClearQuit();
        g_state = nullptr;
        EXPECT_EQ(PlatformUI::OpenWindowCount(), 0);
    }

    INT_PTR Run(WORD resource, HWND owner = nullptr)
    {
        return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resource), owner, TestProc, 0);
    }

    // Ends the dialog with the command's identifier when it is one of these.
    void EndOn(std::vector<int> ids)
    {
        m_state.onMessage = [ids](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
            if (message != WM_COMMAND)
                return FALSE;
            for (int id : ids) {
                if (LOWORD(wParam) == id)
                    EndDialog(dialog, id);
            }
            return TRUE;
        };
    }

    ProcState m_state;
    PlatformUI::ScriptedDriver m_driver;
};

const PlatformUI::ControlView* FindView(const PlatformUI::DialogView& view, int id)
{
    for (const auto& control : view.controls) {
        if (control.id == id)
            return &control;
    }
    return nullptr;
}
}

TEST_F(DialogStandIn, BuildsTheTemplateAndScalesDialogUnits)
{
    EndOn({ IDC_EXIT });
    m_driver.Add(PlatformUI::Action::ClickOn(IDC_EXIT));
    EXPECT_EQ(Run(IDD_LAUNCHER), IDC_EXIT);
    ASSERT_EQ(m_driver.Seen().size(), 1u);
    const PlatformUI::DialogView& view = m_driver.Seen()[0];
    EXPECT_EQ(view.resourceId, IDD_LAUNCHER);
    ASSERT_EQ(view.controls.size(), 5u);
    EXPECT_EQ(view.controls[3].id, IDC_WEB_PAGE);
    EXPECT_EQ(view.controls[4].text, "Play in windowed mode");
    // 429 x 298 dialog units at 7, 7 with base units of 6 x 13 pixels.
    const RECT web = view.controls[3].rect;
    EXPECT_EQ(web.left, 11);
    EXPECT_EQ(web.top, 11);
    EXPECT_EQ(web.right - web.left, 644);
    EXPECT_EQ(web.bottom - web.top, 484);
    // 443 x 331 units of client area inside a one-pixel border.
    EXPECT_EQ(view.rect.right - view.rect.left, 665 + 2);
    EXPECT_EQ(view.rect.bottom - view.rect.top, 538 + 2);
    EXPECT_EQ(m_state.log, (std::vector<std::string> { "init", "command 1002 0 checked=0" }));
}

TEST_F(DialogStandIn, CheckBoxTogglesBeforeTheProcedureHearsAndUnusableControlsIgnoreTheUser)
{
    EndOn({ IDOK });
    m_driver = PlatformUI::ScriptedDriver({
        PlatformUI::Action::ClickOn(IDC_BLOOM),
        PlatformUI::Action::ClickOn(IDC_BLOOM),
        PlatformUI::Action::ClickOn(IDC_MOTION_BLUR), // hidden
        PlatformUI::Action::ClickOn(IDC_LENS_FLARE),  // hidden and disabled
        PlatformUI::Action::ClickOn(IDC_STATIC),      // a frame and a label
        PlatformUI::Action::ClickOn(4711),            // no such control
        PlatformUI::Action::SelectItem(IDC_RESOLUTION, 0), // the list is empty
        PlatformUI::Action::ClickOn(IDOK),
    });
    EXPECT_EQ(Run(IDD_OPTIONS), IDOK);
    EXPECT_EQ(m_state.log, (std::vector<std::string> { "init", "command 1009 0 checked=1", "command 1009 0 checked=0",
                                                       "command 1 0 checked=0" }));
}

TEST_F(DialogStandIn, ListKeepsItemsDataAndSelection)
{
    m_state.onMessage = [](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
        if (message == WM_INITDIALOG) {
            EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("a")), 0);
            EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("b")), 1);
            EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_SETITEMDATA, 1, 42), TRUE);
            EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_SETITEMDATA, 2, 7), CB_ERR);
            EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_GETCURSEL, 0, 0), CB_ERR);
            EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_SETCURSEL, 1, 0), 1);
            // An index past the end clears the selection.
            EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_SETCURSEL, 5, 0), CB_ERR);
            EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_GETCURSEL, 0, 0), CB_ERR);
            EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_GETITEMDATA, 3, 0), CB_ERR);
            return TRUE;
        }
        if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
            const LRESULT selected = SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_GETCURSEL, 0, 0);
            EndDialog(dialog, SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0));
        }
        return TRUE;
    };
    m_driver = PlatformUI::ScriptedDriver({
        PlatformUI::Action::SelectItem(IDC_RESOLUTION, 2), // past the end: ignored
        PlatformUI::Action::SelectItem(IDC_RESOLUTION, 1),
        PlatformUI::Action::ClickOn(IDOK),
    });
    EXPECT_EQ(Run(IDD_OPTIONS), 42);
    EXPECT_EQ(m_state.log.at(1), "command 1004 1 checked=0"); // CBN_SELCHANGE
    const PlatformUI::ControlView* list = FindView(m_driver.Seen().at(2), IDC_RESOLUTION);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->items, (std::vector<std::string> { "a", "b" }));
    EXPECT_EQ(list->selection, 1);
}

TEST_F(DialogStandIn, EndOfInputClosesEvenADialogThatIgnoresClosing)
{
    // The procedure handles nothing: closing becomes Cancel, which it
    // ignores too, and the dialog manager ends the dialog.
    EXPECT_EQ(Run(IDD_OPTIONS), IDCANCEL);
    EXPECT_EQ(m_state.log, (std::vector<std::string> { "init", "close", "command 2 0 checked=0" }));

    m_state.log.clear();
    m_state.onMessage = [](HWND dialog, UINT message, WPARAM, LPARAM) -> INT_PTR {
        if (message == WM_CLOSE)
            EndDialog(dialog, 1002);
        return message == WM_CLOSE;
    };
    m_driver.Add(PlatformUI::Action::CloseWindow());
    EXPECT_EQ(Run(IDD_LAUNCHER), 1002);
    EXPECT_EQ(m_state.log, (std::vector<std::string> { "init", "close" }));
}

TEST_F(DialogStandIn, NestedDialogDisablesItsOwnerWhileItRuns)
{
    HWND outer = nullptr;
    m_state.onMessage = [&outer, this](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
        if (message == WM_INITDIALOG && !outer) {
            outer = dialog;
        } else if (message == WM_INITDIALOG) {
            EXPECT_FALSE(IsWindowEnabled(outer));
        }
        if (message != WM_COMMAND)
            return FALSE;
        if (LOWORD(wParam) == IDC_OPTIONS) {
            const INT_PTR inner = Run(IDD_OPTIONS, dialog);
            EXPECT_EQ(inner, IDOK);
            EXPECT_TRUE(IsWindowEnabled(dialog));
        } else {
            EndDialog(dialog, LOWORD(wParam));
        }
        return TRUE;
    };
    m_driver = PlatformUI::ScriptedDriver({ PlatformUI::Action::ClickOn(IDC_OPTIONS), PlatformUI::Action::ClickOn(IDOK),
                                            PlatformUI::Action::ClickOn(IDC_EXIT) });
    EXPECT_EQ(Run(IDD_LAUNCHER), IDC_EXIT);
    ASSERT_EQ(m_driver.Seen().size(), 3u);
    EXPECT_EQ(m_driver.Seen()[1].resourceId, IDD_OPTIONS);
    EXPECT_EQ(m_driver.Seen()[1].title, "Options");
    EXPECT_TRUE(m_driver.Seen()[0].enabled);
    // Once the dialog is gone its handle is refused.
    EXPECT_FALSE(IsWindow(outer));
    EXPECT_EQ(SendMessageA(outer, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(EndDialog(outer, 1), FALSE);
}

TEST_F(DialogStandIn, WindowCallsWorkOnTheDialogAndItsControls)
{
    m_state.onMessage = [](HWND dialog, UINT message, WPARAM, LPARAM) -> INT_PTR {
        if (message != WM_INITDIALOG)
            return FALSE;
        EXPECT_TRUE(SetWindowTextA(dialog, "Title"));
        char text[4];
        EXPECT_EQ(GetWindowTextA(dialog, text, sizeof(text)), 3);
        EXPECT_STREQ(text, "Tit");
        EXPECT_TRUE(MoveWindow(dialog, 100, 50, 300, 200, TRUE));
        RECT rect {};
        GetWindowRect(dialog, &rect);
        EXPECT_EQ(rect.left, 100);
        EXPECT_EQ(rect.bottom, 250);
        // The caption and border are not client area.
        GetClientRect(dialog, &rect);
        EXPECT_EQ(rect.right, 298);
        EXPECT_EQ(rect.bottom, 200 - 2 - GetSystemMetrics(SM_CYCAPTION));
        // Controls move with their dialog.
        GetWindowRect(GetDlgItem(dialog, IDOK), &rect);
        EXPECT_EQ(rect.left, 100 + 1 + 107);
        EXPECT_EQ(GetDlgCtrlID(GetDlgItem(dialog, IDOK)), IDOK);
        EXPECT_EQ(GetDlgItem(dialog, 4711), nullptr);

        const HWND blur = GetDlgItem(dialog, IDC_MOTION_BLUR);
        EXPECT_TRUE(IsWindowEnabled(blur));
        EXPECT_FALSE(IsWindowVisible(blur));
        EXPECT_FALSE(EnableWindow(blur, FALSE));
        EXPECT_TRUE(EnableWindow(blur, TRUE));
        EXPECT_TRUE(CheckDlgButton(dialog, IDC_MOTION_BLUR, BST_CHECKED));
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_MOTION_BLUR), BST_CHECKED);
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_WHEEL), 0u); // no such control
        EXPECT_EQ(DefWindowProcA(dialog, WM_CLOSE, 0, 0), 0);
        EXPECT_TRUE(IsWindow(dialog));
        return TRUE;
    };
    Run(IDD_OPTIONS);
    EXPECT_EQ(m_driver.Seen().at(0).title, "Title");
}

TEST_F(DialogStandIn, RefusesMissingTemplatesAndEndsEveryLoopOnQuit)
{
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(999), nullptr, TestProc, 0), -1);
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_OPTIONS), nullptr, nullptr, 0), -1);
    EXPECT_EQ(DialogBoxParamA(nullptr, "OPTIONS", nullptr, TestProc, 0), -1);
    EXPECT_TRUE(m_state.log.empty());

    m_state.onMessage = [](HWND, UINT message, WPARAM, LPARAM) -> INT_PTR {
        if (message == WM_COMMAND)
            PostQuitMessage(0);
        return TRUE;
    };
    m_driver = PlatformUI::ScriptedDriver({ PlatformUI::Action::ClickOn(IDOK), PlatformUI::Action::ClickOn(IDOK) });
    EXPECT_EQ(Run(IDD_OPTIONS), 0);
    EXPECT_EQ(m_driver.Remaining(), 1u);
    EXPECT_TRUE(PlatformUI::QuitPosted());
}
