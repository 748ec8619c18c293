#include "Startup/PLauncher.h"

#include "ConfigValues.h"
#include "Platform/DisplayModes.h"
#include "Platform/GamePath.h"
#include "Platform/Resources.h"
#include "Platform/ScriptedDriver.h"
#include "Platform/Shell.h"
#include "Platform/WebBrowser.h"
#include "ScratchRoot.h"
#include "Startup/PBrowserHost.h"
#include "Startup/PConfig.h"
#include "Startup/PDisplayModeList.h"
#include "Startup/PLauncherDialogs.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace
{
using PlatformUI::Action;

PlatformDisplay::Mode Mode(UINT width, UINT height, UINT refresh)
{
    PlatformDisplay::Mode mode;
    mode.width = width;
    mode.height = height;
    mode.refreshRate = refresh;
    return mode;
}

// Replaces the named lines of the default file, for expected contents.
std::string DefaultsWith(const std::vector<std::pair<std::string, std::string>>& values)
{
    std::string text = DefaultConfigText();
    for (const auto& [name, value] : values) {
        const size_t begin = text.find(name + " = ");
        const size_t end = text.find("\r\n", begin);
        text.replace(begin, end - begin, name + " = " + value);
    }
    return text;
}

const PlatformUI::ControlView& Control(const PlatformUI::DialogView& view, int id)
{
    for (const auto& control : view.controls) {
        if (control.id == id)
            return control;
    }
    static const PlatformUI::ControlView none;
    ADD_FAILURE() << "no control " << id;
    return none;
}

// A driver that runs a step before giving its action.
class StepDriver : public PlatformUI::Driver
{
public:
    void Add(std::function<void()> step, Action action) { m_steps.push_back({ step, action }); }
    Action NextAction(const PlatformUI::DialogView&) override
    {
        if (m_next == m_steps.size())
            return Action::NoMoreInput();
        m_steps[m_next].first();
        return m_steps[m_next++].second;
    }

private:
    std::vector<std::pair<std::function<void()>, Action>> m_steps;
    size_t m_next = 0;
};

// The launcher in a scratch directory, with a fixed mode table, the shell
// recording only, and the user's actions scripted.
class Launcher : public ::testing::Test
{
protected:
    Launcher()
    {
        ResetConfigValues();
        setenv("VELTRIX_SHELL", "record", 1);
        unsetenv("VELTRIX_SHELL_LOG");
        PlatformShell::ClearCalls();
        PlatformBrowser::ClearRecords();
        PlatformCom::Reset();
        PlatformDisplay::SetSource({ true, { Mode(800, 600, 60), Mode(1024, 768, 60), Mode(1024, 768, 75), Mode(1280, 1024, 60) } });
        PlatformUI::SetDriver(&m_driver);
    }
    ~Launcher() override
    {
        PlatformUI::SetDriver(nullptr);
        PlatformDisplay::UseSystemModes();
        unsetenv("VELTRIX_SHELL");
        EXPECT_EQ(PlatformUI::OpenWindowCount(), 0);
        EXPECT_EQ(PlatformBrowser::LiveCount(), 0);
        ResetConfigValues();
    }

    // WinMain with these actions; checks what every run must leave behind.
    void RunLauncher(const std::vector<Action>& actions)
    {
        m_driver = PlatformUI::ScriptedDriver(actions);
        char commandLine[] = "";
        EXPECT_EQ(WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT), 0);
        EXPECT_EQ(g_Launcher, nullptr);
        EXPECT_EQ(g_ExitFlag, 1);
        EXPECT_EQ(g_BrowserHost, nullptr);
        EXPECT_EQ(PlatformCom::ComInitCount(), 0);
        EXPECT_EQ(PlatformCom::OleInitCount(), 0);
        EXPECT_EQ(PlatformCom::UnmatchedUninitializeCount(), 0);
        g_ExitFlag = 0;
    }

    // The options dialog alone, over the current mode list.
    INT_PTR RunOptions(const std::vector<Action>& actions)
    {
        m_driver = PlatformUI::ScriptedDriver(actions);
        return DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_OPTIONS), nullptr, OptionsDialogProc, 0);
    }

    const PlatformShell::Call& OnlyShellCall()
    {
        EXPECT_EQ(PlatformShell::Calls().size(), 1u);
        static const PlatformShell::Call none;
        return PlatformShell::Calls().empty() ? none : PlatformShell::Calls().back();
    }

    ScratchRoot m_root;
    PlatformUI::ScriptedDriver m_driver;
    CPConfig m_config; // the launcher uses the registry that exists
};
}

TEST_F(Launcher, ExitAndClosingOpenTheStatisticsPageAndWriteNothing)
{
    const std::vector<std::vector<Action>> endings = {
        { Action::ClickOn(IDC_EXIT) },
        { Action::CloseWindow() },
        {}, // the input ends
        // Options confirmed, then Exit: only the options dialog wrote the file.
        { Action::ClickOn(IDC_OPTIONS), Action::ClickOn(IDOK), Action::ClickOn(IDC_EXIT) },
    };
    for (size_t i = 0; i < endings.size(); ++i) {
        PlatformShell::ClearCalls();
        RunLauncher(endings[i]);
        const PlatformShell::Call& call = OnlyShellCall();
        EXPECT_EQ(call.verb, "open") << i;
        EXPECT_EQ(call.file, kStatisticsPageUrl) << i;
        EXPECT_EQ(call.parameters, "") << i;
        EXPECT_EQ(call.directory, "") << i;
        EXPECT_EQ(call.showCommand, SW_SHOWNORMAL) << i;
        EXPECT_EQ(m_root.OnDisk("config.cfg"), i == 3) << i;
    }
    EXPECT_EQ(g_CfgFullScreen, 0);
    EXPECT_EQ(m_root.ReadFile("config.cfg"), DefaultsWith({ { "screenWidth", "1024" }, { "screenHeight", "768" },
                                                            { "screenBPP", "32" } }));
}

TEST_F(Launcher, PlayButtonsSetFullScreenSaveAndStartTheGame)
{
    const struct
    {
        int button;
        int32_t fullScreen;
    } cases[] = { { IDC_PLAY_WINDOWED, 0 }, { IDC_PLAY_FULLSCREEN, 1 } };
    for (const auto& c : cases) {
        m_root.MakeFile("config.cfg", "fullScreen = 1\nscreenWidth = 1280\nscreenHeight=1024\n");
        PlatformShell::ClearCalls();
        RunLauncher({ Action::ClickOn(c.button) });
        EXPECT_EQ(g_CfgFullScreen, c.fullScreen);
        EXPECT_EQ(m_root.ReadFile("config.cfg"),
                  DefaultsWith({ { "fullScreen", std::to_string(c.fullScreen) }, { "screenWidth", "1280" }, { "screenHeight", "1024" } }));
        const PlatformShell::Call& call = OnlyShellCall();
        EXPECT_EQ(call.verb, "open");
        EXPECT_EQ(call.file, ".\\data\\scripts\\veltrix.exe");
        EXPECT_EQ(call.parameters, "");
        EXPECT_EQ(call.showCommand, SW_SHOWNORMAL);
    }
}

TEST_F(Launcher, ChosenModeIsSavedAndTheGameStartsInFullScreen)
{
    RunLauncher({ Action::ClickOn(IDC_OPTIONS), Action::SelectItem(IDC_RESOLUTION, 1), Action::ClickOn(IDOK),
                  Action::ClickOn(IDC_PLAY_FULLSCREEN) });
    EXPECT_EQ(m_root.ReadFile("config.cfg"), DefaultsWith({ { "fullScreen", "1" }, { "screenWidth", "1280" },
                                                            { "screenHeight", "1024" }, { "screenBPP", "32" } }));
    EXPECT_EQ(OnlyShellCall().file, kGameExecutable);

    // What the user saw: the titled, centred start-up dialog with the splash
    // page, and the options over the start-up dialog.
    const std::vector<PlatformUI::DialogView>& seen = m_driver.Seen();
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].title, "Veltrix");
    EXPECT_EQ(seen[0].rect.left, (1920 - 667) / 2);
    EXPECT_EQ(seen[0].rect.top, (1080 - 540) / 2);
    EXPECT_EQ(Control(seen[0], IDC_WEB_PAGE).content, kSplashPageUrl);
    EXPECT_EQ(seen[1].title, "Options");
    EXPECT_EQ(seen[1].rect.left, (1920 - (seen[1].rect.right - seen[1].rect.left)) / 2);
    EXPECT_EQ(Control(seen[1], IDC_RESOLUTION).items, (std::vector<std::string> { "1024 x 768 x 32", "1280 x 1024 x 32" }));
    EXPECT_EQ(PlatformBrowser::Records().at(0).closeMode, OLECLOSE_NOSAVE);
}

TEST_F(Launcher, OptionsShowTheSavedModeAndFirstModeForNoMatch)
{
    EnumerateDisplayModes();
    ASSERT_EQ(DisplayModeList.size(), 2u);
    EXPECT_EQ(DisplayModeList[1].width, 1280u);
    EXPECT_EQ(DisplayModeList[1].height, 1024u);

    // The defaults (16 bits) match no item: the first is selected, and OK
    // writes it with 32 bits.
    EXPECT_EQ(RunOptions({ Action::ClickOn(IDOK) }), IDOK);
    EXPECT_EQ(Control(m_driver.Seen()[0], IDC_RESOLUTION).selection, 0);
    EXPECT_EQ(g_CfgScreenWidth, 1024);
    EXPECT_EQ(g_CfgScreenHeight, 768);
    EXPECT_EQ(g_CfgScreenBPP, 32);

    g_CfgScreenWidth = 1280;
    g_CfgScreenHeight = 1024;
    EXPECT_EQ(RunOptions({ Action::ClickOn(IDCANCEL) }), IDCANCEL);
    EXPECT_EQ(Control(m_driver.Seen()[0], IDC_RESOLUTION).selection, 1);
}

TEST_F(Launcher, BloomIsWrittenOnlyByOk)
{
    EnumerateDisplayModes();
    g_CfgDust = 0;
    EXPECT_EQ(RunOptions({ Action::ClickOn(IDC_BLOOM), Action::ClickOn(IDCANCEL) }), IDCANCEL);
    EXPECT_EQ(g_CfgBloom, 1);
    EXPECT_EQ(g_OptBloom, 0);
    EXPECT_EQ(g_OptDust, 0);
    // Motion blur follows bloom; the switches show the settings.
    const PlatformUI::DialogView& opened = m_driver.Seen()[0];
    EXPECT_EQ(Control(opened, IDC_BLOOM).check, BST_CHECKED);
    EXPECT_EQ(Control(opened, IDC_MOTION_BLUR).check, BST_CHECKED);
    EXPECT_TRUE(Control(opened, IDC_MOTION_BLUR).enabled);
    EXPECT_EQ(Control(opened, IDC_SMOKE).check, BST_UNCHECKED);
    EXPECT_FALSE(Control(m_driver.Seen()[1], IDC_MOTION_BLUR).enabled);
    EXPECT_FALSE(m_root.OnDisk("config.cfg"));

    EXPECT_EQ(RunOptions({ Action::CloseWindow() }), IDC_EXIT);
    EXPECT_FALSE(m_root.OnDisk("config.cfg"));
    EXPECT_EQ(g_CfgScreenWidth, 640);

    EXPECT_EQ(RunOptions({ Action::ClickOn(IDC_BLOOM), Action::ClickOn(IDOK) }), IDOK);
    EXPECT_EQ(g_CfgBloom, 0);
    EXPECT_EQ(m_root.ReadFile("config.cfg"), DefaultsWith({ { "bloom", "0" }, { "screenWidth", "1024" }, { "screenHeight", "768" },
                                                            { "screenBPP", "32" }, { "dust", "0" } }));
    // Only bloom goes back: a changed working copy of another switch does not.
    g_OptShadows = 0;
    EXPECT_EQ(g_CfgShadows, 1);
}

TEST_F(Launcher, OkWithoutAUsableSelectionKeepsTheScreenValues)
{
    // No modes at all.
    DisplayModeList.clear();
    EXPECT_EQ(RunOptions({ Action::ClickOn(IDC_BLOOM), Action::ClickOn(IDOK) }), IDOK);
    EXPECT_EQ(Control(m_driver.Seen()[0], IDC_RESOLUTION).selection, -1);
    EXPECT_EQ(g_CfgScreenWidth, 640);
    EXPECT_EQ(g_CfgScreenHeight, 480);
    EXPECT_EQ(g_CfgScreenBPP, 16);
    EXPECT_EQ(g_CfgBloom, 0);
    EXPECT_TRUE(m_root.OnDisk("config.cfg"));

    // The list shrank after the dialog was filled: the item's data points past it.
    EnumerateDisplayModes();
    StepDriver shrinking;
    shrinking.Add([] {}, Action::SelectItem(IDC_RESOLUTION, 1));
    shrinking.Add([] { DisplayModeList.resize(1); }, Action::ClickOn(IDOK));
    PlatformUI::SetDriver(&shrinking);
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_OPTIONS), nullptr, OptionsDialogProc, 0), IDOK);
    EXPECT_EQ(g_CfgScreenWidth, 640);
    EXPECT_EQ(g_CfgScreenBPP, 16);
}

TEST_F(Launcher, DialogProceduresLeaveOtherMessagesAlone)
{
    // A click on the web-page area is no command; the end of input closes.
    m_driver = PlatformUI::ScriptedDriver({ Action::ClickOn(IDC_WEB_PAGE) });
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_LAUNCHER), nullptr, LauncherDialogProc, 0), IDC_EXIT);
    EXPECT_EQ(m_driver.Seen().size(), 2u);
    ReleaseBrowserHost();
    OleUninitialize();
    g_DialogOleInitialized = false;

    EXPECT_EQ(LauncherDialogProc(nullptr, WM_SETTEXT, 0, 0), FALSE);
    EXPECT_EQ(LauncherDialogProc(nullptr, WM_COMMAND, 4711, 0), TRUE);
    EXPECT_EQ(OptionsDialogProc(nullptr, WM_SETTEXT, 0, 0), FALSE);
    EXPECT_EQ(OptionsDialogProc(nullptr, WM_COMMAND, IDC_RESOLUTION | (CBN_SELCHANGE << 16), 0), TRUE);
    EXPECT_EQ(g_CfgFullScreen, 0);
}

TEST_F(Launcher, AFailedSaveNamesWhatTheSystemSaid)
{
    // A read-only file system or a full disk is told as such, not as a
    // missing permission, and the file stays as it was.
    const struct
    {
        GamePath::ReplaceStep step;
        int error;
        const char* message;
    } cases[] = {
        { GamePath::ReplaceStep::CheckAccess, EROFS, "could not save config.cfg: read-only file system\n" },
        { GamePath::ReplaceStep::Write, ENOSPC, "could not save config.cfg: no space left on device\n" },
    };
    for (const auto& c : cases) {
        m_root.MakeFile("config.cfg", "fullScreen = 0\n");
        GamePath::FailNextReplace(c.step, c.error);
        testing::internal::CaptureStderr();
        SaveLauncherConfig();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
        EXPECT_EQ(m_root.ReadFile("config.cfg"), "fullScreen = 0\n");
    }
}
