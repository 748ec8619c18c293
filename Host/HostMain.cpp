// veltrix-host [--data DIR] [--log] SCRIPT.lua [ARG...]
//
// Runs a Lua script against the engine without a window: DIR (the working
// directory when not given) becomes the game root, the script sees the
// script API, the HOST table and its arguments. SCRIPT "-" reads the script
// from standard input; --log shows the engine's log on standard error. Exit
// status 0 when the script ends, 1 when it cannot be opened or raises an
// error (the message goes to standard error), 2 for a wrong command line,
// a game root that is no readable directory among them.
#include "Host/PGameHost.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <getopt.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{
const char kUsage[] = "usage: veltrix-host [--data DIR] [--log] SCRIPT.lua [ARG...]\n"
                      "Runs a Lua script against the game engine without a window.\n"
                      "\n"
                      "  --data DIR   the game root (default: the working directory)\n"
                      "  --log        show the engine's log on standard error (sets VELTRIX_LOG)\n"
                      "  --help       print this help and exit\n"
                      "  --version    print the version and exit\n"
                      "\n"
                      "SCRIPT - reads the script from standard input. The script receives its\n"
                      "ARGs as ... and in the table arg (arg[0] is SCRIPT). Exit status: 0 when\n"
                      "the script ends, 1 when it cannot be opened or raises an error, 2 for a\n"
                      "wrong command line.\n";
const char kLogVariable[] = "VELTRIX_LOG";

int WrongCommandLine(const char* message)
{
    if (message)
        std::fprintf(stderr, "veltrix-host: %s\n", message);
    std::fputs(kUsage, stderr);
    return 2;
}

// 0 when the game root is a directory the host can list and enter, else the
// reason (an errno value).
int GameRootError(const std::string& directory)
{
    struct stat info {};
    if (stat(directory.c_str(), &info) != 0)
        return errno;
    if (!S_ISDIR(info.st_mode))
        return ENOTDIR;
    if (access(directory.c_str(), R_OK | X_OK) != 0)
        return errno;
    return 0;
}

// 0 when the script file can be opened for reading, else the reason.
int ScriptFileError(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    struct stat info {};
    const int error = fstat(fd, &info) != 0 ? errno : S_ISDIR(info.st_mode) ? EISDIR : 0;
    close(fd);
    return error;
}
}

int main(int argc, char** argv)
{
    enum Option
    {
        kData = 'd',
        kLog = 'l',
        kHelp = 'h',
        kVersion = 'V'
    };
    static const option kOptions[] = {
        { "data", required_argument, nullptr, kData },
        { "log", no_argument, nullptr, kLog },
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
        case kLog:
            setenv(kLogVariable, "1", 1);
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
    if (const int error = GameRootError(dataDirectory)) {
        const std::string message = "cannot use " + dataDirectory + " as the game root: " + std::strerror(error);
        return WrongCommandLine(message.c_str());
    }
    const std::string script = argv[optind++];
    const std::vector<std::string> args(argv + optind, argv + argc);
    if (script != "-") {
        if (const int error = ScriptFileError(script)) {
            std::fprintf(stderr, "veltrix-host: cannot open %s: %s\n", script.c_str(), std::strerror(error));
            return 1;
        }
    }

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
