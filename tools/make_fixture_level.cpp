// Writes the fixture level's whole game data folder: the level file, its
// meshes and descriptions, the vehicles, the fallback files and the game
// data files. Usage: make_fixture_level <folder> [crates] [road segments]
#include "tests/LevelFixture.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: %s <folder> [crates] [road segments]\n", argv[0]);
        return 2;
    }
    level::Options options;
    if (argc > 2)
        options.crates = std::atoi(argv[2]);
    if (argc > 3)
        options.roadSegments = std::atoi(argv[3]);
    if (options.crates < 0 || options.roadSegments < 3 || options.roadSegments > 32767) {
        std::fprintf(stderr, "%s: crates must be 0 or more, road segments 3 to 32767\n", argv[0]);
        return 2;
    }
    return level::WriteLevelFiles(argv[1], options) ? 0 : 1;
}
