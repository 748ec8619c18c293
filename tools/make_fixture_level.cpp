// Writes the fixture level's whole game data folder: the level file, its
// meshes and descriptions, the vehicles, the fallback files, the game data
// files and the art, sounds and sky the engine looks for beside them.
// Usage: make_fixture_level FOLDER [CRATES [SEGMENTS [STRIPS]]]
#include "tests/LevelFixture.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace
{
const char kUsage[] = "usage: make_fixture_level FOLDER [CRATES [SEGMENTS [STRIPS]]]\n"
                      "Writes a small game data folder around one ring track into FOLDER (made\n"
                      "when missing): the level \"level1\", the player's vehicle \"buggy\", the\n"
                      "opponents' vehicles, the mission and the game data files, and the\n"
                      "pictures, effects, sounds, sky and fonts file they look for. A FOLDER\n"
                      "that exists must be a folder.\n"
                      "\n"
                      "  CRATES     crates beside the road (default 8)\n"
                      "  SEGMENTS   the road's steps round, 3 or more (default 96)\n"
                      "  STRIPS     the road's strips across, 1 or more (default 1);\n"
                      "             (STRIPS + 1) x SEGMENTS is at most 65536\n"
                      "  --help     print this help and exit\n";

int WrongCommandLine(const std::string& message)
{
    std::fprintf(stderr, "make_fixture_level: %s\n%s", message.c_str(), kUsage);
    return 2;
}

// A whole decimal number from 0 to INT_MAX; false for anything else.
bool ParseCount(const char* text, int& value)
{
    if (!text || *text < '0' || *text > '9')
        return false;
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || parsed > INT_MAX)
        return false;
    value = static_cast<int>(parsed);
    return true;
}
}

int main(int argc, char** argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc < 2)
        return WrongCommandLine("no folder given");
    if (argc > 5)
        return WrongCommandLine("too many arguments");
    // A folder is never made under an option's name.
    if (argv[1][0] == '-' || argv[1][0] == '\0')
        return WrongCommandLine(argv[1][0] ? std::string("unknown option ") + argv[1] : "an empty folder name");
    level::Options options;
    int* const counts[] = { &options.crates, &options.roadSegments, &options.roadStrips };
    const char* const names[] = { "CRATES", "SEGMENTS", "STRIPS" };
    for (int i = 2; i < argc; ++i) {
        if (!ParseCount(argv[i], *counts[i - 2]))
            return WrongCommandLine(std::string(names[i - 2]) + " is no whole number of 0 or more: " + argv[i]);
    }
    if (options.roadSegments < 3 || options.roadStrips < 1
        || static_cast<long long>(options.roadSegments) * (options.roadStrips + 1) > 65536)
        return WrongCommandLine("SEGMENTS 3 or more, STRIPS 1 or more, (STRIPS + 1) x SEGMENTS at most 65536");
    // Something in the way of the folder is refused like a wrong argument,
    // before anything is written.
    std::error_code error;
    if (std::filesystem::exists(argv[1], error) && !std::filesystem::is_directory(argv[1], error))
        return WrongCommandLine(std::string(argv[1]) + " is not a folder");
    std::string failure;
    if (!level::WriteLevelFiles(argv[1], options, &failure)) {
        std::fprintf(stderr, "make_fixture_level: cannot write %s\n", failure.c_str());
        return 1;
    }
    return 0;
}
