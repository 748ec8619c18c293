// The scene and level fuzz targets' seeds are the fixture writers' output. Run with
// VELTRIX_WRITE_SEEDS=1 to write them into the source tree after changing it.
#include "LevelFixture.h"
#include "SceneSeeds.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace
{
void CheckSeeds(const char* target, const scene::Seeds& seeds)
{
    const std::filesystem::path folder = std::filesystem::path(VELTRIX_SOURCE_DIR) / "fuzz" / "corpus" / target;
    const bool write = std::getenv("VELTRIX_WRITE_SEEDS") != nullptr;
    if (write)
        std::filesystem::create_directories(folder);
    for (const auto& seed : seeds) {
        const std::filesystem::path path = folder / seed.first;
        if (write) {
            std::ofstream(path, std::ios::binary) << seed.second;
            continue;
        }
        std::ifstream in(path, std::ios::binary);
        const std::string stored((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(stored, seed.second) << path << " is stale: rerun with VELTRIX_WRITE_SEEDS=1";
    }
}
}

TEST(SceneSeeds, FuzzCorporaMatchTheFixtureWriter)
{
    CheckSeeds("mesh_file", scene::MeshFileSeeds());
    CheckSeeds("rdf_text", scene::RdfTextSeeds());
}

TEST(LevelSeeds, FuzzCorpusMatchesTheLevelWriter)
{
    CheckSeeds("level_file", level::LevelFileSeeds());
}
