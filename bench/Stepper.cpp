// Timing of the host's physics stepper: 12 cars driving on a terrain of
// 20,000 triangles for one second of game time at 60 steps a second, beside
// the same second with one car. The frame budget is 16.7 ms; the stepper's
// share of it should stay below 1 ms per step for 12 cars.
#include "Core/PGameHost.h"
#include "Core/PGlobals.h"
#include "Host/PGameHost.h"
#include "Host/PHostFrame.h"
#include "Race/PGameData.h"

#include "tests/ScratchRoot.h"
#include "tests/VehicleFixture.h"
#include "tests/WavBuilder.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace
{
constexpr int kStepsPerSecond = 60;
constexpr float kStep = 1.0f / kStepsPerSecond;
// 100 x 100 quads.
constexpr int kTerrainQuads = 100;
constexpr float kTerrainSize = 400.0f;

class Race
{
public:
    Race()
    {
        const std::string wav = wav::Pcm(1, 22050, 16, wav::Samples(64));
        for (const char* name : { "slam.wav", "main.wav", "vizg.wav", "stop.wav" })
            m_root.MakeFile(std::string("Data/Sounds/") + name, wav);
        m_host = std::make_unique<CPGameHost>(m_root.Path());
        g_GameData = &m_gameData;
        m_gameData.m_levelStarted = 1;
        m_level.AddTerrain(kTerrainQuads, kTerrainSize);
        m_level.Place(D3DXVECTOR3());
        GetPhysicManager()->GetCollisionGrid().Build(m_level.Body());
    }

    ~Race()
    {
        m_cars.clear();
        m_host.reset();
        g_GameData = nullptr;
    }

    // A new world with the cars in two rows, each given its own steering.
    void Start(int carCount)
    {
        m_cars.clear();
        CPPhysicManager& manager = *GetPhysicManager();
        manager.CreateWorld(D3DXVECTOR3(), D3DXVECTOR3(100.0f, 100.0f, 100.0f), 500, 500, 500);
        for (int i = 0; i < carCount; ++i) {
            const D3DXVECTOR3 at(-30.0f + 10.0f * static_cast<float>(i % 6), 10.0f * static_cast<float>(i / 6),
                                 1.3f);
            m_cars.push_back(std::make_unique<fixture::Vehicle>(fixture::CarXml(), at));
            m_cars.back()->AddTo(manager, i == 0 ? 1 : 0);
        }
        // The first step of a world builds Bullet's copy of the terrain: a
        // cost of the level load, not of a step.
        AdvanceFrameClock(kStep);
        manager.Update();
    }

    void RunSecond()
    {
        CPPhysicManager& manager = *GetPhysicManager();
        for (int step = 0; step < kStepsPerSecond; ++step) {
            for (size_t i = 0; i < m_cars.size(); ++i)
                manager.SetCarControls(m_cars[i]->Player(), 1.0f, 0.1f * static_cast<float>(i % 5) - 0.2f);
            AdvanceFrameClock(kStep);
            manager.Update();
        }
    }

private:
    ScratchRoot m_root;
    std::unique_ptr<CPGameHost> m_host;
    CPGameData m_gameData;
    fixture::LevelMesh m_level;
    std::vector<std::unique_ptr<fixture::Vehicle>> m_cars;
};

void RunRace(benchmark::State& state, int carCount)
{
    Race race;
    for (auto _ : state) {
        state.PauseTiming();
        race.Start(carCount);
        state.ResumeTiming();
        race.RunSecond();
    }
    // Reported as steps per second; one step costs the inverse.
    state.counters["steps"] = benchmark::Counter(kStepsPerSecond, benchmark::Counter::kIsIterationInvariantRate);
}

// Baseline: one car on the same terrain.
void BM_StepperOneCarOneSecond(benchmark::State& state)
{
    RunRace(state, 1);
}
BENCHMARK(BM_StepperOneCarOneSecond)->Unit(benchmark::kMillisecond);

void BM_StepperTwelveCarsOneSecond(benchmark::State& state)
{
    RunRace(state, 12);
}
BENCHMARK(BM_StepperTwelveCarsOneSecond)->Unit(benchmark::kMillisecond);
}
