// veltrix-host [--data DIR] SCRIPT.lua [ARG...]
//
// Runs a Lua script against the engine without a window: DIR (the working
// directory when not given) becomes the game root, the script sees the
// script API, the HOST table and its arguments. Exit status 0 when the script
// ends, 1 when it raises an error (the message goes to standard error), 2 for
// a wrong command line.
#include "Host/PGameHost.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{
int Usage()
{
    std::fprintf(stderr, "usage: veltrix-host [--data DIR] SCRIPT.lua [ARG...]\n");
    return 2;
}
}

int main(int argc, char** argv)
{
    std::string dataDirectory = ".";
    int next = 1;
    if (next < argc && std::strcmp(argv[next], "--data") == 0) {
        if (next + 1 >= argc)
            return Usage();
        dataDirectory = argv[next + 1];
        next += 2;
    }
    if (next >= argc)
        return Usage();
    const std::string script = argv[next++];
    const std::vector<std::string> args(argv + next, argv + argc);

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
