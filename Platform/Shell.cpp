#include "Platform/Shell.h"

#include "Platform/GamePath.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace PlatformShell
{
namespace
{
const char kLogVariable[] = "VELTRIX_SHELL_LOG";
const char kModeVariable[] = "VELTRIX_SHELL";
const char kOpener[] = "xdg-open";

std::vector<Call> g_calls;
std::vector<pid_t> g_children;

HINSTANCE Result(INT_PTR code)
{
    return reinterpret_cast<HINSTANCE>(code);
}

bool StartsWithNoCase(const std::string& text, const char* prefix)
{
    const size_t length = std::strlen(prefix);
    return text.size() >= length && strncasecmp(text.c_str(), prefix, length) == 0;
}

std::string LogField(std::string text)
{
    for (char& c : text) {
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    }
    return text;
}

void AppendToLog(const Call& call)
{
    const char* path = std::getenv(kLogVariable);
    if (!path || !*path)
        return;
    // The log is a host file named by whoever runs the program, not a game file.
    FILE* log = std::fopen(path, "ab");
    if (!log)
        return;
    const std::string line = LogLine(call);
    std::fwrite(line.data(), 1, line.size(), log);
    std::fclose(log);
}

bool DisplayPresent()
{
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

// Children that have ended are collected, so none lingers as a zombie.
void ReapChildren()
{
    std::vector<pid_t> running;
    for (pid_t child : g_children) {
        if (waitpid(child, nullptr, WNOHANG) == 0)
            running.push_back(child);
    }
    g_children.swap(running);
}

// Starts the program with its arguments in its own session, input from
// /dev/null, without waiting. `search` looks the program up on PATH.
bool Spawn(const std::string& program, const std::vector<std::string>& arguments, const std::string& workingDirectory,
           bool search)
{
    ReapChildren();
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (!workingDirectory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t child = 0;
    const int error = search ? posix_spawnp(&child, program.c_str(), &actions, &attributes, argv.data(), environ)
                             : posix_spawn(&child, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0)
        return false;
    g_children.push_back(child);
    return true;
}

// Shows a page or document: the desktop's opener when there is a display,
// else the address is printed for the user to open.
INT_PTR OpenInViewer(const std::string& target)
{
    if (DisplayPresent() && Spawn(kOpener, { target }, std::string(), true))
        return kShellExecuteSuccess;
    std::printf("Open this in a web browser: %s\n", target.c_str());
    std::fflush(stdout);
    return kShellExecuteSuccess;
}

// The host path of the file a game path names; "name.exe" may be "name".
bool ResolveTarget(const std::string& gamePath, std::string& hostPath)
{
    if (GamePath::ResolveForReading(gamePath, hostPath))
        return true;
    const std::string extension = ".exe";
    if (gamePath.size() > extension.size()
        && strcasecmp(gamePath.c_str() + gamePath.size() - extension.size(), extension.c_str()) == 0)
        return GamePath::ResolveForReading(gamePath.substr(0, gamePath.size() - extension.size()), hostPath);
    return false;
}

bool IsProgram(const std::string& hostPath)
{
    struct stat info;
    return stat(hostPath.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(hostPath.c_str(), X_OK) == 0;
}

std::string TargetPath(const std::string& file, const std::string& directory)
{
    return directory.empty() ? file : directory + "\\" + file;
}

INT_PTR OpenFile(const Call& call)
{
    std::string directory;
    if (!call.directory.empty() && !GamePath::ResolveForReading(call.directory, directory)) {
        std::fprintf(stderr, "cannot open %s: no directory %s\n", call.file.c_str(), call.directory.c_str());
        return SE_ERR_FNF;
    }
    const std::string gamePath = TargetPath(call.file, call.directory);
    std::string hostPath;
    if (!ResolveTarget(gamePath, hostPath)) {
        std::fprintf(stderr, "cannot open %s: no such file\n", call.file.c_str());
        return SE_ERR_FNF;
    }
    if (!IsProgram(hostPath))
        return OpenInViewer(hostPath);
    std::vector<std::string> arguments;
    if (!call.parameters.empty())
        arguments.push_back(call.parameters);
    if (!Spawn(hostPath, arguments, directory, false)) {
        std::fprintf(stderr, "cannot start %s\n", hostPath.c_str());
        return SE_ERR_ACCESSDENIED;
    }
    std::fprintf(stderr, "started %s\n", hostPath.c_str());
    return kShellExecuteSuccess;
}
}

const std::vector<Call>& Calls()
{
    return g_calls;
}

void ClearCalls()
{
    g_calls.clear();
}

std::string ShowCommandName(INT showCommand)
{
    static const char* const kNames[] = {
        "SW_HIDE", "SW_SHOWNORMAL", "SW_SHOWMINIMIZED", "SW_SHOWMAXIMIZED", "SW_SHOWNOACTIVATE", "SW_SHOW",
        "SW_MINIMIZE", "SW_SHOWMINNOACTIVE", "SW_SHOWNA", "SW_RESTORE", "SW_SHOWDEFAULT",
    };
    if (showCommand >= 0 && showCommand < static_cast<INT>(sizeof(kNames) / sizeof(kNames[0])))
        return kNames[showCommand];
    return std::to_string(showCommand);
}

std::string LogLine(const Call& call)
{
    return LogField(call.verb) + "\t" + LogField(call.file) + "\t" + LogField(call.parameters) + "\t"
        + LogField(call.directory) + "\t" + ShowCommandName(call.showCommand) + "\n";
}

bool IsWebAddress(const std::string& target)
{
    return StartsWithNoCase(target, "http://") || StartsWithNoCase(target, "https://");
}

bool StartsProgram(const std::string& file, const std::string& directory)
{
    if (file.empty() || IsWebAddress(file))
        return false;
    std::string hostPath;
    return ResolveTarget(TargetPath(file, directory), hostPath) && IsProgram(hostPath);
}
}

HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT showCommand)
{
    (void)owner;
    using namespace PlatformShell;
    Call call { verb ? verb : "", file ? file : "", parameters ? parameters : "", directory ? directory : "",
                showCommand };
    g_calls.push_back(call);
    AppendToLog(call);

    const char* mode = std::getenv(kModeVariable);
    if (mode && std::strcmp(mode, "record") == 0)
        return Result(kShellExecuteSuccess);
    if (!call.verb.empty() && strcasecmp(call.verb.c_str(), "open") != 0)
        return Result(SE_ERR_NOASSOC);
    if (call.file.empty())
        return Result(SE_ERR_FNF);
    if (IsWebAddress(call.file))
        return Result(OpenInViewer(call.file));
    return Result(OpenFile(call));
}
