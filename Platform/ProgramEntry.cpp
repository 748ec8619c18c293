// The program's entry on Linux. The terminal is the launcher's screen: its
// dialogs are printed there and the user's choices read from it, one command
// per line (from a person or from a pipe). The launcher reads no command
// line: only "--help" and "--version" as the first argument print and end
// the program; any other argument is ignored.
#include "Platform/TerminalDriver.h"
#include "Platform/WinUser.h"
#include "Startup/PLauncher.h"

#include <cstring>
#include <iostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--help") == 0) {
        std::cout << "usage: veltrix [--help | --version]\n"
                     "Shows the launcher in the terminal: type the key shown beside a button or\n"
                     "an item, one per line. \"config.cfg\" in the working directory holds the\n"
                     "settings. Other arguments are ignored.\n";
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << "veltrix " << VELTRIX_VERSION << "\n";
        return 0;
    }
    // Input from a pipe is echoed, so the output reads like a session.
    PlatformUI::TerminalDriver driver(std::cin, std::cout, !isatty(STDIN_FILENO));
    PlatformUI::SetDriver(&driver);
    char commandLine[] = "";
    const int result = WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
    PlatformUI::SetDriver(nullptr);
    return result;
}
