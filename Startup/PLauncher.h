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

extern const char kSplashPageUrl[];
extern const char kStatisticsPageUrl[];
extern const char kGameExecutable[];

// Initialises COM, runs the launcher and returns 0; the command line is not
// read.
int WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand);
