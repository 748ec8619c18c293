// veltrix-host [--data DIR] SCRIPT.lua [ARG...]
//
// Runs a Lua script against the engine without a window: DIR (the working
// directory when not given) becomes the game root, the script sees the
// script API, the HOST table and its arguments. SCRIPT "-" reads the script
// from standard input. Exit status 0 when the script ends, 1 when it raises
// an error (the message goes to standard error), 2 for a wrong command line.
#include "Host/PGameHost.h"

#include <cstdio>
#include <getopt.h>
#include <string>
#include <vector>

namespace
{
const char kUsage[] = "usage: veltrix-host [--data DIR] SCRIPT.lua [ARG...]\n"
                      "Runs a Lua script against the game engine without a window.\n"
                      "\n"
                      "  --data DIR   the game root (default: the working directory)\n"
                      "  --help       print this help and exit\n"
                      "  --version    print the version and exit\n"
                      "\n"
                      "SCRIPT - reads the script from standard input. Exit status: 0 when the\n"
                      "script ends, 1 when it raises an error, 2 for a wrong command line.\n";

int WrongCommandLine(const char* message)
{
    if (message)
        std::fprintf(stderr, "veltrix-host: %s\n", message);
    std::fputs(kUsage, stderr);
    return 2;
}
}

int main(int argc, char** argv)
{
    enum Option
    {
        kData = 'd',
        kHelp = 'h',
        kVersion = 'V'
    };
    static const option kOptions[] = {
        { "data", required_argument, nullptr, kData },
        { "help", no_argument, nullptr, kHelp },
        { "version", no_argument, nullptr, kVersion },
        { nullptr, 0, nullptr, 0 },
    };
    std::string dataDirectory = ".";
    opterr = 0; // the messages below name the problem instead
    // "+": options end at the script, whose own arguments are its own;
    // ":": a missing option argument is told apart from an unknown option.
    for (int option; (option = getopt_long(argc, argv, "+:", kOptions, nullptr)) != -1;) {
        switch (option) {
        case kData:
            dataDirectory = optarg;
            break;
        case kHelp:
            std::fputs(kUsage, stdout);
            return 0;
        case kVersion:
            std::printf("veltrix-host %s\n", VELTRIX_VERSION);
            return 0;
        case ':':
            return WrongCommandLine("--data needs a directory");
        default:
            return WrongCommandLine((std::string("unknown option ") + argv[optind - 1]).c_str());
        }
    }
    if (optind >= argc)
        return WrongCommandLine("no script given");
    const std::string script = argv[optind++];
    const std::vector<std::string> args(argv + optind, argv + argc);

    std::string error;
    bool succeeded;
    {
        CPGameHost host(dataDirectory);
        succeeded = host.RunScript(script, args, error);
    }
    if (!succeeded) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}
