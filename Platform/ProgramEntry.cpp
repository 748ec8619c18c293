// The program's entry on Linux. The terminal is the launcher's screen: its
// dialogs are printed there and the user's choices read from it, one command
// per line (from a person or from a pipe). No argument is read.
#include "Platform/TerminalDriver.h"
#include "Platform/WinUser.h"
#include "Startup/PLauncher.h"

#include <iostream>
#include <unistd.h>

int main()
{
    // Input from a pipe is echoed, so the output reads like a session.
    PlatformUI::TerminalDriver driver(std::cin, std::cout, !isatty(STDIN_FILENO));
    PlatformUI::SetDriver(&driver);
    char commandLine[] = "";
    const int result = WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
    PlatformUI::SetDriver(nullptr);
    return result;
}
