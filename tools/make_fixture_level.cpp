// Writes the fixture level's whole game data folder: the level file, its
// meshes and descriptions, the vehicles, the fallback files and the game
// data files. Usage: make_fixture_level <folder> [crates] [road segments] [road strips]
#include "tests/LevelFixture.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 5) {
        std::fprintf(stderr, "usage: %s <folder> [crates] [road segments] [road strips]\n", argv[0]);
        return 2;
    }
    level::Options options;
    if (argc > 2)
        options.crates = std::atoi(argv[2]);
    if (argc > 3)
        options.roadSegments = std::atoi(argv[3]);
    if (argc > 4)
        options.roadStrips = std::atoi(argv[4]);
    if (options.crates < 0 || options.roadSegments < 3 || options.roadStrips < 1
        || static_cast<long long>(options.roadSegments) * (options.roadStrips + 1) > 65536) {
        std::fprintf(stderr, "%s: crates 0 or more, segments 3 or more, strips 1 or more, "
                             "(strips + 1) x segments at most 65536\n",
                     argv[0]);
        return 2;
    }
    return level::WriteLevelFiles(argv[1], options) ? 0 : 1;
}
