// Timing of whole races through the host, as tools/race_trace.lua runs them:
// the fixture level with the player and 11 opponents, once as the fixture
// tool writes it by default and once dense (2,000 crates, a road of 1,000
// steps round and 25 strips across: about 50,000 road triangles). Each
// repetition loads the level, starts the race and runs 601 host frames of
// 1/60 s with the player steered round the ring; it reports the first race
// frame (the first host frame after the race starts), the median and the
// 99th percentile of the 600 frames after it, and the first frame as a
// multiple of that percentile. Frame times are the thread's CPU time. Run
// pinned, with --benchmark_repetitions for medians.
#include "Core/PGlobals.h"
#include "Host/PGameHost.h"
#include "Host/PHostFrame.h"
#include "Race/PLevel.h"
#include "Vehicles/PPlayer.h"

#include "tests/LevelFixture.h"
#include "tests/ScratchRoot.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr int kOpponents = 11;
constexpr int kSteadyFrames = 600;
const float kFrame = static_cast<float>(1.0 / 60.0);

// The steering of tools/race_trace.lua: aim a little ahead on the ring,
// throttle after the hold-back.
constexpr double kLine = 116.0;
constexpr double kLookAhead = 12.0;
constexpr int kHoldBack = 180;

const char kStartRace[] = "HOST.seed(1)\n"
                          "HOST.set_time_ms(1000)\n"
                          "ClearGameData()\n"
                          "SetPlayerName('buggy')\n"
                          "SetNumRounds(2)\n"
                          "InitLevel('level1', false)\n"
                          "ClearLevelTimers()\n"
                          "StartLevel()\n"
                          "SetUpdateTime(true)\n"
                          "SetLevelStarted(true)\n"
                          "SetLevelTime(300)\n"
                          "SetPlaceToFinish(2)\n";

int32_t ReadInt(const std::string& bytes, size_t at)
{
    int32_t value = 0;
    std::memcpy(&value, bytes.data() + at, sizeof(value));
    return value;
}

// The level file with kOpponents opponent records instead of the fixture's
// three: the extra ones go in pairs further behind the player, after the
// fixture's records and before the paths. Empty when the file's layout is
// not the one expected.
std::string WithMoreOpponents(const level::Options& options)
{
    const std::string file = level::LevelFile(options);
    // Four floats, two camera counts, twelve floats and 28 bytes come
    // before the object count.
    constexpr size_t kCountAt = 100;
    scene::Bytes paths;
    paths.Int(3);
    paths.Raw(level::RingPath("c_path", level::kRadius));
    paths.Raw(level::RingPath("left", level::kRadius - level::kLaneOffset));
    paths.Raw(level::RingPath("right", level::kRadius + level::kLaneOffset));
    const std::string tail = paths.Str();
    if (file.size() < kCountAt + 4 + tail.size() || ReadInt(file, kCountAt) != level::ObjectRecordCount(options)
        || file.compare(file.size() - tail.size(), tail.size(), tail) != 0)
        return std::string();
    scene::Bytes extra;
    for (int i = level::kOpponents; i < kOpponents; ++i)
        level::AppendObject(extra, "enemy" + std::to_string(i + 1), level::OpponentStart(i),
                            level::FacingAlong(level::OpponentAngle(i)));
    scene::Bytes count;
    count.Int(level::ObjectRecordCount(options) + kOpponents - level::kOpponents);
    return file.substr(0, kCountAt) + count.Str()
        + file.substr(kCountAt + 4, file.size() - tail.size() - kCountAt - 4) + extra.Str() + tail;
}

double ThreadSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

double Wrap(double a)
{
    while (a > M_PI)
        a -= 2.0 * M_PI;
    while (a < -M_PI)
        a += 2.0 * M_PI;
    return a;
}

// One race: the level folder, the host and the race started in it.
class Race
{
public:
    explicit Race(const level::Options& options)
    {
        const std::string lvl = std::string("Data/Levels/") + level::kName + ".lvl";
        for (const auto& file : level::LevelFiles(options))
            m_root.MakeFile(file.first, file.first == lvl ? WithMoreOpponents(options) : file.second);
        m_host = std::make_unique<CPGameHost>(m_root.Path());
        std::string error;
        m_started = m_host->RunString(kStartRace, "start race", error);
        m_error = error;
        CPLevel* race = GetLevel();
        if (m_started && !(race && race->player && static_cast<int>(race->vehicles.size()) == kOpponents)) {
            m_started = false;
            m_error = "the race did not start with the player and 11 opponents";
        }
        if (m_started) {
            const D3DXVECTOR3& at = race->player->GetPosition();
            m_x = at.x;
            m_y = at.y;
        }
    }

    bool Started() const { return m_started; }
    const std::string& Error() const { return m_error; }

    // One host frame with the player's controls set first; its CPU time.
    double Frame()
    {
        CPPlayer& car = *GetLevel()->player;
        ++m_frame;
        const D3DXVECTOR3& at = car.GetPosition();
        const double x = at.x;
        const double y = at.y;
        if (std::sqrt((x - m_x) * (x - m_x) + (y - m_y) * (y - m_y)) * 60.0 > 1e-4)
            m_heading = std::atan2(y - m_y, x - m_x);
        m_x = x;
        m_y = y;
        const double ahead = std::atan2(y, x) + kLookAhead / kLine;
        const double error = Wrap(std::atan2(kLine * std::sin(ahead) - y, kLine * std::cos(ahead) - x) - m_heading);
        car.SetCarParams(m_frame > kHoldBack ? 1.0f : 0.0f,
                         static_cast<float>(std::max(-1.0, std::min(1.0, -2.0 * error))));
        const double start = ThreadSeconds();
        RunFrame(kFrame);
        return ThreadSeconds() - start;
    }

private:
    ScratchRoot m_root;
    std::unique_ptr<CPGameHost> m_host;
    bool m_started = false;
    std::string m_error;
    int m_frame = 0;
    double m_x = 0.0;
    double m_y = 0.0;
    double m_heading = M_PI / 2.0;
};

void RunRace(benchmark::State& state, const level::Options& options)
{
    for (auto _ : state) {
        Race race(options);
        if (!race.Started()) {
            state.SkipWithError(race.Error().c_str());
            break;
        }
        const double first = race.Frame();
        std::vector<double> frames;
        for (int i = 0; i < kSteadyFrames; ++i)
            frames.push_back(race.Frame());
        std::sort(frames.begin(), frames.end());
        const double median = frames[frames.size() / 2];
        const double p99 = frames[static_cast<size_t>(std::ceil(0.99 * kSteadyFrames)) - 1];
        state.SetIterationTime(median);
        state.counters["first_us"] = 1e6 * first;
        state.counters["median_us"] = 1e6 * median;
        state.counters["p99_us"] = 1e6 * p99;
        state.counters["first_per_p99"] = first / p99;
    }
}

void RaceFixture(benchmark::State& state)
{
    RunRace(state, level::Options());
}

void RaceFixtureDense(benchmark::State& state)
{
    level::Options options;
    options.crates = 2000;
    options.roadSegments = 1000;
    options.roadStrips = 25;
    RunRace(state, options);
}
}

BENCHMARK(RaceFixture)->UseManualTime()->Iterations(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(RaceFixtureDense)->UseManualTime()->Iterations(1)->Unit(benchmark::kMicrosecond);
