// The shell's "open": starts a program, or opens a web address or a document.
// Every call is recorded, and when VELTRIX_SHELL_LOG names a file one line
// per call is appended to it: verb, file, parameters, directory and the show
// command's name ("SW_SHOWNORMAL"), separated by tabs (a tab, CR or LF inside
// a field is written as a space).
//
// With VELTRIX_SHELL=record nothing else happens. Otherwise a web address
// (http or https) opens with xdg-open when a display is present (DISPLAY or
// WAYLAND_DISPLAY) and is printed when not. A file is a game path (relative
// to the directory argument when one is given) resolved through the path
// layer; "name.exe" may be a program called "name". A program is started
// detached, with its input from /dev/null; another file opens like a web
// address. Nothing goes through a shell command line: the target and the
// parameters are each passed as one argument, whatever they contain.
#pragma once

#include "Platform/WinUser.h"

#include <string>
#include <vector>

// Results of ShellExecuteA: above 32 means success.
constexpr INT_PTR SE_ERR_FNF = 2;
constexpr INT_PTR SE_ERR_ACCESSDENIED = 5;
constexpr INT_PTR SE_ERR_NOASSOC = 31;
constexpr INT_PTR kShellExecuteSuccess = 33;

// Only the verb "open" (or none) is known.
HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT showCommand);

namespace PlatformShell
{
struct Call
{
    std::string verb;
    std::string file;
    std::string parameters;
    std::string directory;
    INT showCommand = 0;
};

// Every call so far, in order (null arguments recorded as "").
const std::vector<Call>& Calls();
void ClearCalls();

// "SW_SHOWNORMAL" for SW_SHOWNORMAL and so on; the number for others.
std::string ShowCommandName(INT showCommand);
// The log's line for a call, with its line feed.
std::string LogLine(const Call& call);
// True for an http or https address.
bool IsWebAddress(const std::string& target);
// True when opening the file (a game path, relative to `directory` when one
// is given) would start a program rather than show a document or a page.
bool StartsProgram(const std::string& file, const std::string& directory = std::string());
}
