// File reading against a plain fread of the same bytes (into a fresh buffer
// and into a reused one), and the cost of resolving a game path the cache
// already knows. The 50 MB file is written through CPFileWriter into a
// scratch root under /tmp when the program starts.
#include "Core/PFileReader.h"
#include "Core/PFileWriter.h"
#include "Platform/GamePath.h"
#include "tests/ScratchRoot.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr int kFloatsPerRecord = 64;
constexpr size_t kTargetBytes = 50u << 20;
constexpr int kLevelFiles = 8192;
const char kDataFile[] = "Data\\Bench\\Stream.bin";

// A scratch root holding the data file: records of a name, a count and
// that many floats, like mesh data.
struct BenchRoot
{
    BenchRoot()
    {
        scratch.MakeDirectory("data/bench");
        for (int i = 0; i < kLevelFiles; ++i) {
            char name[32];
            std::snprintf(name, sizeof(name), "Data2/Levels/Track01/T%04d.lvl", i);
            scratch.MakeFile(name, "");
        }

        CPFileWriter writer(kDataFile);
        const size_t recordBytes = 4 + 12 + 4 + 4 * kFloatsPerRecord;
        records = static_cast<int>(kTargetBytes / recordBytes);
        char name[32];
        for (int r = 0; r < records; ++r) {
            std::snprintf(name, sizeof(name), "object_%05d", r % 100000);
            writer.WriteString(name);
            writer.WriteInt(kFloatsPerRecord);
            for (int f = 0; f < kFloatsPerRecord; ++f)
                writer.WriteFloat(static_cast<float>(r) * 0.5f + static_cast<float>(f));
        }
        if (FAILED(writer.Save()))
            std::abort();
        GamePath::ResolveForReading(kDataFile, hostFile);
    }
    ScratchRoot scratch;
    std::string hostFile;
    int records = 0;
};

BenchRoot& Root()
{
    static BenchRoot root;
    GamePath::SetRoot(root.scratch.Path());
    return root;
}

// Reads every value of a loaded file as a loader would: each record's floats
// go into an array.
void ParseAll(CPFileReader& reader, int records)
{
    std::vector<float> values(kFloatsPerRecord);
    float check = 0.0f;
    size_t names = 0;
    for (int r = 0; r < records; ++r) {
        names += reader.ReadString().size();
        const int32_t count = reader.ReadInt();
        for (int32_t f = 0; f < count && f < kFloatsPerRecord; ++f)
            values[static_cast<size_t>(f)] = reader.ReadFloat();
        check += values[static_cast<size_t>(r % kFloatsPerRecord)];
    }
    benchmark::DoNotOptimize(check);
    benchmark::DoNotOptimize(names);
}

void ReaderLoadAndParse(benchmark::State& state)
{
    BenchRoot& root = Root();
    for (auto _ : state) {
        CPFileReader reader(kDataFile);
        if (FAILED(reader.Load()))
            state.SkipWithError("load failed");
        ParseAll(reader, root.records);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(root.hostFile)));
}
BENCHMARK(ReaderLoadAndParse)->Unit(benchmark::kMillisecond);

// The parsing alone: the load is left out of the timing.
void ReaderParseOnly(benchmark::State& state)
{
    BenchRoot& root = Root();
    for (auto _ : state) {
        state.PauseTiming();
        CPFileReader reader(kDataFile);
        if (FAILED(reader.Load()))
            state.SkipWithError("load failed");
        state.ResumeTiming();
        ParseAll(reader, root.records);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(root.hostFile)));
}
BENCHMARK(ReaderParseOnly)->Unit(benchmark::kMillisecond);

void ReaderLoadOnly(benchmark::State& state)
{
    BenchRoot& root = Root();
    for (auto _ : state) {
        CPFileReader reader(kDataFile);
        if (FAILED(reader.Load()))
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(reader.GetData());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(root.hostFile)));
}
BENCHMARK(ReaderLoadOnly)->Unit(benchmark::kMillisecond);

// The baseline: open the host file and fread it whole into a fresh buffer.
void PlainFread(benchmark::State& state)
{
    BenchRoot& root = Root();
    for (auto _ : state) {
        std::FILE* file = std::fopen(root.hostFile.c_str(), "rb");
        if (!file) {
            state.SkipWithError("open failed");
            break;
        }
        std::fseek(file, 0, SEEK_END);
        const long size = std::ftell(file);
        std::fseek(file, 0, SEEK_SET);
        std::unique_ptr<unsigned char[]> buffer(new unsigned char[static_cast<size_t>(size)]);
        const size_t got = std::fread(buffer.get(), 1, static_cast<size_t>(size), file);
        std::fclose(file);
        benchmark::DoNotOptimize(buffer.get());
        benchmark::DoNotOptimize(got);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(root.hostFile)));
}
BENCHMARK(PlainFread)->Unit(benchmark::kMillisecond);

// Opens the host file and freads it whole into the buffer, which keeps its
// memory from one read to the next; false when the file cannot be read.
bool ReadIntoBuffer(const std::string& hostFile, std::vector<unsigned char>& buffer)
{
    std::FILE* file = std::fopen(hostFile.c_str(), "rb");
    if (!file)
        return false;
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    buffer.resize(static_cast<size_t>(size));
    const size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
    std::fclose(file);
    return got == buffer.size();
}

// The other baseline: the same read into a buffer that is reused, so the
// pages are not faulted in afresh each time.
void PlainFreadReusedBuffer(benchmark::State& state)
{
    BenchRoot& root = Root();
    std::vector<unsigned char> buffer;
    for (auto _ : state) {
        if (!ReadIntoBuffer(root.hostFile, buffer))
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(root.hostFile)));
}
BENCHMARK(PlainFreadReusedBuffer)->Unit(benchmark::kMillisecond);

// The reader's load timed against a read into a reused buffer, one after the
// other in each iteration; the counter is the ratio of the two times.
void ReaderLoadVsReusedBuffer(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    BenchRoot& root = Root();
    std::vector<unsigned char> buffer;
    double loadSeconds = 0.0;
    double readSeconds = 0.0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        {
            CPFileReader reader(kDataFile);
            if (FAILED(reader.Load()))
                state.SkipWithError("load failed");
            benchmark::DoNotOptimize(reader.GetData());
        }
        const Clock::time_point loaded = Clock::now();
        if (!ReadIntoBuffer(root.hostFile, buffer))
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(buffer.data());
        const Clock::time_point read = Clock::now();
        const double load = std::chrono::duration<double>(loaded - start).count();
        loadSeconds += load;
        readSeconds += std::chrono::duration<double>(read - loaded).count();
        state.SetIterationTime(load);
    }
    state.counters["load_vs_reused_read"] = readSeconds > 0.0 ? loadSeconds / readSeconds : 0.0;
}
BENCHMARK(ReaderLoadVsReusedBuffer)->UseManualTime()->Unit(benchmark::kMillisecond);

// One known path, resolved again and again.
void ResolveCachedPath(benchmark::State& state)
{
    Root();
    const std::string gamePath = "DATA2\\levels\\TRACK01\\t0042.lvl";
    std::string host;
    if (!GamePath::ResolveForReading(gamePath, host))
        state.SkipWithError("not found");
    const uint64_t reads = GamePath::DirectoryReadCount();
    for (auto _ : state) {
        GamePath::ResolveForReading(gamePath, host);
        benchmark::DoNotOptimize(host.data());
    }
    if (GamePath::DirectoryReadCount() != reads)
        state.SkipWithError("the cache was bypassed");
}
BENCHMARK(ResolveCachedPath);

// Known paths in turn, more of them than the layer remembers answers for, so
// each one walks the cached directories.
void ResolveManyCachedPaths(benchmark::State& state)
{
    Root();
    std::vector<std::string> paths;
    std::string host;
    for (int i = 0; i < kLevelFiles; ++i) {
        char name[64];
        std::snprintf(name, sizeof(name), "data2\\Levels\\track01\\t%04d.LVL", i);
        paths.push_back(name);
        if (!GamePath::ResolveForReading(paths.back(), host))
            state.SkipWithError("not found");
    }
    const uint64_t reads = GamePath::DirectoryReadCount();
    size_t next = 0;
    for (auto _ : state) {
        GamePath::ResolveForReading(paths[next], host);
        benchmark::DoNotOptimize(host.data());
        if (++next == paths.size())
            next = 0;
    }
    if (GamePath::DirectoryReadCount() != reads)
        state.SkipWithError("the cache was bypassed");
}
BENCHMARK(ResolveManyCachedPaths);
}
