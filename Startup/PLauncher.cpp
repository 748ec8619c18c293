#include "Startup/PLauncher.h"

#include "Platform/COM.h"
#include "Platform/Resources.h"
#include "Platform/Shell.h"
#include "Platform/WinUser.h"
#include "Startup/PBrowserHost.h"
#include "Startup/PConfig.h"
#include "Startup/PDisplayModeList.h"
#include "Startup/PLauncherDialogs.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

CPLauncher* g_Launcher = nullptr;
std::string g_SplashUrl;
uint8_t g_ExitFlag = 0;
bool g_ConfigUnreadable = false;

namespace
{
// What went wrong with a file, as the user is told it.
std::string FileErrorText(int error)
{
    if (error == EINVAL || error == EISDIR)
        return "not a regular file";
    std::string text = std::strerror(error);
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}
}

void LoadLauncherConfig()
{
    g_ConfigUnreadable = false;
    if (SUCCEEDED(g_Config->Load(kConfigFileName)))
        return;
    // Saving now would replace the user's settings with the defaults.
    g_ConfigUnreadable = true;
    std::fprintf(stderr, "could not read %s: %s; settings will not be saved\n", kConfigFileName,
                 FileErrorText(errno).c_str());
}

void SaveLauncherConfig()
{
    if (!g_Config || g_ConfigUnreadable)
        return;
    if (FAILED(g_Config->Save(kConfigFileName)))
        std::fprintf(stderr, "could not save %s: %s\n", kConfigFileName, FileErrorText(errno).c_str());
}

const char kSplashPageUrl[] = "https://www.example.com/veltrix/news.html";
const char kStatisticsPageUrl[] = "https://www.example.com/veltrix/statistics.html";
const char kGameExecutable[] = ".\\data\\scripts\\veltrix.exe";

CPLauncher::CPLauncher()
{
    g_Launcher = this;
}

CPLauncher::~CPLauncher()
{
    if (g_Launcher == this)
        g_Launcher = nullptr;
}

void CPLauncher::Run(HINSTANCE instance, int showCommand)
{
    (void)instance;
    (void)showCommand;
    g_SplashUrl = kSplashPageUrl;
    // The registry lives until the process ends; a process makes one.
    if (!g_Config)
        new CPConfig();
    LoadLauncherConfig();
    EnumerateDisplayModes();

    const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_LAUNCHER), nullptr,
                                           LauncherDialogProc, 0);
    ReleaseBrowserHost();
    if (g_DialogOleInitialized) {
        OleUninitialize();
        g_DialogOleInitialized = false;
    }

    const char* target = kStatisticsPageUrl;
    if (result == IDC_PLAY_FULLSCREEN || result == IDC_PLAY_WINDOWED) {
        // The game reads the new fullScreen value, and any other change.
        SaveLauncherConfig();
        target = kGameExecutable;
    }
    ShellExecuteA(nullptr, "open", target, "", "", SW_SHOWNORMAL);
}

int WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand)
{
    (void)previousInstance;
    (void)commandLine;
    CoInitialize(nullptr);
    new CPLauncher();
    g_Launcher->Run(instance, showCommand);
    g_ExitFlag = 1;
    delete g_Launcher;
    CoUninitialize();
    return 0;
}
