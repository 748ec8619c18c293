// Loading the fixture level scaled to 2,000 placed objects and a road of
// 50,000 triangles (with a collision ring of as many), through the headless
// host's global objects, against a plain fread of the files each phase opens
// (as often as it opens them). The phases: the level file alone (header,
// object records and paths); the placed objects (the level with its 2,000
// objects and a small road); the road (the level with no crates and the big
// road); and the whole load. Each folder is written into a scratch root when
// the program starts.
#include "Core/PFileReader.h"
#include "Core/PGlobals.h"
#include "Host/PGameHost.h"
#include "Platform/GamePath.h"
#include "Race/PGameData.h"
#include "Race/PLevel.h"
#include "Race/PLevelFile.h"
#include "Race/PSpline.h"
#include "tests/LevelFixture.h"
#include "tests/ScratchRoot.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr int kPlacedObjects = 2000;
// 1,250 steps round the ring, 20 strips across: 50,000 triangles.
constexpr int kRoadSegments = 1250;
constexpr int kRoadStrips = 20;

enum Folder
{
    kWhole,
    kObjects,
    kRoad,
    kFolders
};

struct Roots
{
    Roots()
    {
        const level::Options small = level::Options();
        level::Options options[kFolders];
        options[kWhole].crates = kPlacedObjects - level::kGates - level::kPosts;
        options[kWhole].roadSegments = kRoadSegments;
        options[kWhole].roadStrips = kRoadStrips;
        options[kObjects].crates = options[kWhole].crates;
        options[kObjects].roadSegments = small.roadSegments;
        options[kRoad].crates = 0;
        options[kRoad].roadSegments = kRoadSegments;
        options[kRoad].roadStrips = kRoadStrips;
        for (int f = 0; f < kFolders; ++f) {
            folders[f] = scratch.Host("f" + std::to_string(f));
            level::WriteLevelFiles(folders[f], options[f]);
            crates[f] = options[f].crates;
        }
        host = std::make_unique<CPGameHost>(folders[kWhole]);
        GetGameData()->m_playerName = level::kPlayerModel;
    }
    ~Roots() { host.reset(); }

    ScratchRoot scratch;
    std::string folders[kFolders];
    int crates[kFolders] = {};
    std::unique_ptr<CPGameHost> host;
};

Roots& Root(Folder folder)
{
    static Roots roots;
    GamePath::SetRoot(roots.folders[folder]);
    return roots;
}

// Reads the game path whole with fread, as plainly as it gets.
int64_t PlainRead(const std::string& gamePath)
{
    std::string host;
    if (!GamePath::ResolveForReading(gamePath, host))
        return 0;
    std::FILE* file = std::fopen(host.c_str(), "rb");
    if (!file)
        return 0;
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[static_cast<size_t>(size)]);
    const size_t read = std::fread(buffer.get(), 1, static_cast<size_t>(size), file);
    std::fclose(file);
    benchmark::DoNotOptimize(buffer.get());
    return static_cast<int64_t>(read);
}

// The files a load of the folder opens, once per opening.
std::vector<std::string> FilesOpened(int crates, bool road)
{
    std::vector<std::string> files = { "Data\\Levels\\level1.lvl" };
    for (int i = 0; i < crates; ++i)
        files.insert(files.end(), { "Data\\Meshes\\crate.rdf", "Data\\Meshes\\crate.msh" });
    if (road)
        files.insert(files.end(), { "Data\\Meshes\\level1.rdf", "Data\\Meshes\\road.msh",
                                    "Data\\Meshes\\road_phys1.rdf", "Data\\Meshes\\road_phys.msh" });
    return files;
}

void LoadLevel(benchmark::State& state, Folder folder)
{
    Root(folder);
    for (auto _ : state) {
        auto lvl = std::make_unique<CPLevel>();
        if (!lvl->Load(level::kName, false, false)) {
            state.SkipWithError("load failed");
            return;
        }
        state.PauseTiming();
        lvl->Stop();
        lvl.reset();
        state.ResumeTiming();
    }
}

void ReadFiles(benchmark::State& state, Folder folder, bool road)
{
    const Roots& roots = Root(folder);
    const std::vector<std::string> files = FilesOpened(roots.crates[folder], road);
    int64_t bytes = 0;
    for (auto _ : state)
        for (const std::string& file : files)
            bytes += PlainRead(file);
    state.SetBytesProcessed(bytes);
}

// The level file alone: header, object records and paths.
void LevelFileParse(benchmark::State& state)
{
    Root(kWhole);
    for (auto _ : state) {
        CPFileReader reader(LevelFilePath(level::kName));
        if (FAILED(reader.Load())) {
            state.SkipWithError("read failed");
            return;
        }
        ReadLevelHeader(reader);
        const int32_t count = reader.ReadInt();
        CPLevelObjectRecord record;
        for (int32_t i = 0; i < count && ReadLevelObject(reader, record); ++i)
            benchmark::DoNotOptimize(ClassifyLevelObject(StripTrailingDigits(record.name)));
        const int32_t paths = reader.ReadInt();
        for (int32_t i = 0; i < paths; ++i) {
            CPSpline path;
            path.Load(reader);
        }
    }
}
void LevelFileRead(benchmark::State& state)
{
    Root(kWhole);
    for (auto _ : state)
        PlainRead("Data\\Levels\\level1.lvl");
}

BENCHMARK(LevelFileParse)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(LevelFileRead)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(LoadLevel, objects, kObjects)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(ReadFiles, objects, kObjects, false)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(LoadLevel, road, kRoad)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(ReadFiles, road, kRoad, true)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(LoadLevel, whole, kWhole)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(ReadFiles, whole, kWhole, true)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
}
