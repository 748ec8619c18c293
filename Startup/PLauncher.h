// The program's entry and the launcher. The launcher loads "config.cfg",
// lists the display modes and shows the start-up dialog; after a play button
// it saves the configuration and starts the game executable, after Exit (or
// a closed window) it opens the statistics page. Then the program ends.
#pragma once

#include "Platform/Win32.h"

#include <cstdint>
#include <string>

class CPLauncher
{
public:
    // Publishes g_Launcher.
    CPLauncher();
    CPLauncher(const CPLauncher&) = delete;
    CPLauncher& operator=(const CPLauncher&) = delete;
    // Clears g_Launcher.
    virtual ~CPLauncher();

    // The whole launcher; both arguments are unused (the dialogs come from
    // the running program's module).
    void Run(HINSTANCE instance, int showCommand);
};

extern CPLauncher* g_Launcher;
// The page the start-up dialog shows; set by Run.
extern std::string g_SplashUrl;
// 1 once the launcher's run is over. The script functions that replace the
// texts of interface screens do nothing while it is set.
extern uint8_t g_ExitFlag;

// Set by LoadLauncherConfig when "config.cfg" is there but cannot be read.
extern bool g_ConfigUnreadable;
// Loads "config.cfg" into g_Config. One that is there but cannot be read is
// reported on standard error, once, and marks the configuration unsaveable.
void LoadLauncherConfig();
// Saves g_Config to "config.cfg", unless there is no registry or the file
// could not be read; a failed save is reported on standard error.
void SaveLauncherConfig();

extern const char kSplashPageUrl[];
extern const char kStatisticsPageUrl[];
extern const char kGameExecutable[];

// Initialises COM, runs the launcher and returns 0; the command line is not
// read.
int WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand);
