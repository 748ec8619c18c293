// Timing of one race frame as the host runs it: 12 race cars (the player's
// and 11 opponents) on a terrain of 20,000 triangles round a circular track,
// the opponent driver, 100 particle systems bursting into the host's
// emitters, the physics stepper, the level's race update (laps, places,
// gates, camera, every vehicle's own update) and the host's draw pass into
// the recording device. Each benchmark runs whole frames and times one part
// of them: the whole frame, the game logic (driver and race update), the
// stepper, and the drawing; each reports its share of a 60 Hz frame
// (16.7 ms). Run with --benchmark_repetitions for medians.
#include "Core/PFileReader.h"
#include "Core/PGameHost.h"
#include "Core/PGlobals.h"
#include "Core/PObjUpdater.h"
#include "Core/PTaskManager.h"
#include "Host/PGameHost.h"
#include "Host/PHostDraw.h"
#include "Host/PHostEmitters.h"
#include "Host/PHostFrame.h"
#include "Race/PAIVehicle.h"
#include "Race/PCamera.h"
#include "Race/PGameData.h"
#include "Race/PLevel.h"
#include "Race/PSpline.h"
#include "Render/PParticleSystem.h"
#include "Render/PPerspectiveCamera.h"
#include "Render/PRender.h"

#include "tests/Race/PathRecord.h"
#include "tests/ScratchRoot.h"
#include "tests/VehicleFixture.h"
#include "tests/WavBuilder.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

namespace
{
constexpr float kFrame = 1.0f / 60.0f;
constexpr double kFrameSeconds = 1.0 / 60.0;
constexpr int kVehicles = 12;
constexpr int kParticleSystems = 100;
constexpr float kTrackRadius = 80.0f;
constexpr int kTerrainQuads = 100;
constexpr float kTerrainSize = 400.0f;

std::string CirclePath(const char* name, float r)
{
    const float k = 0.5523f * r;
    return PathRecord(name, true,
                      { { D3DXVECTOR3(r, 0, 0), D3DXVECTOR3(r, k, 0), D3DXVECTOR3(k, r, 0), D3DXVECTOR3(0, r, 0) },
                        { D3DXVECTOR3(0, r, 0), D3DXVECTOR3(-k, r, 0), D3DXVECTOR3(-r, k, 0), D3DXVECTOR3(-r, 0, 0) },
                        { D3DXVECTOR3(-r, 0, 0), D3DXVECTOR3(-r, -k, 0), D3DXVECTOR3(-k, -r, 0), D3DXVECTOR3(0, -r, 0) },
                        { D3DXVECTOR3(0, -r, 0), D3DXVECTOR3(k, -r, 0), D3DXVECTOR3(r, -k, 0), D3DXVECTOR3(r, 0, 0) } });
}

class RaceScene
{
public:
    RaceScene()
    {
        const std::string wav = wav::Pcm(1, 22050, 16, wav::Samples(64));
        for (const char* name : { "slam.wav", "main.wav", "vizg.wav", "stop.wav" })
            m_root.MakeFile(std::string("Data/Sounds/") + name, wav);
        m_root.MakeFile("data/levels/c.lvl", CirclePath("c_path", kTrackRadius));
        m_root.MakeFile("data/levels/l.lvl", CirclePath("l_path", kTrackRadius - 5.0f));
        m_root.MakeFile("data/levels/r.lvl", CirclePath("r_path", kTrackRadius + 5.0f));
        m_host = std::make_unique<CPGameHost>(m_root.Path());
        g_GameData->m_levelStarted = 1;
        g_GameData->m_roundsCount = 3;

        m_ground.AddTerrain(kTerrainQuads, kTerrainSize);
        m_ground.Place(D3DXVECTOR3());
        CPPhysicManager& physics = *GetPhysicManager();
        physics.GetCollisionGrid().Build(m_ground.Body());
        physics.CreateWorld(D3DXVECTOR3(), D3DXVECTOR3(100.0f, 100.0f, 100.0f), 500, 500, 500);

        m_level = std::make_unique<CPLevel>();
        LoadPath(m_centre, "Data\\Levels\\c.lvl");
        LoadPath(m_left, "Data\\Levels\\l.lvl");
        LoadPath(m_right, "Data\\Levels\\r.lvl");
        m_level->centrePath = &m_centre;
        m_level->leftPath = &m_left;
        m_level->rightPath = &m_right;
        m_level->demo = 0;
        m_level->timeLimit = 600.0f;
        m_level->camera = m_camera = new CPCamera();
        m_camera->AttachMainCamera(kLayerLevel);

        // Cars along the track, each heading the way it is driven.
        for (int i = 0; i < kVehicles; ++i) {
            const float a = -0.12f * static_cast<float>(i);
            const D3DXVECTOR3 at(kTrackRadius * std::cos(a), kTrackRadius * std::sin(a), 1.3f);
            m_cars.push_back(std::make_unique<fixture::Vehicle>(fixture::CarXml(), at));
            CPPlayer* car = m_cars.back()->Player();
            D3DXQUATERNION heading;
            D3DXQuaternionRotationAxis(&heading, &kUp, a);
            car->SetRotation(heading);
            car->UpdateTransform();
            car->limitMin = 8;
            car->limitMax = 16;
            m_cars.back()->AddTo(physics, i == 0 ? 1 : 0);
            if (i == 0) {
                m_level->player = car;
                m_level->followedVehicle = car;
            } else {
                m_level->vehicles.push_back(car);
            }
        }
        m_level->InitTrackProgress();

        CPAIVehicleManager& drivers = *GetAIVehicleManager();
        drivers.ClearVehicles();
        for (int i = 0; i < CPAIVehicleManager::kRacerSlots; ++i) {
            drivers.racers.push_back(new AI_Vehicle());
            drivers.SetVehiclePath(i, AI_Vehicle::kCentrePath, m_centre.GetCurrentLine());
        }

        // 100 burning objects bursting smoke, dust and sparks every 0.1 s.
        CPParticleManager& particles = *g_ParticleManager;
        const std::vector<std::string> templates = { "smoke3car", "pil_", "iskra3blue" };
        for (const std::string& name : templates) {
            CPEmitterTemplate emitter;
            emitter.name = name;
            emitter.direction = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
            emitter.speed = 3.0f;
            emitter.cone = 30;
            emitter.spread = D3DXVECTOR3(0.3f, 0.3f, 0.1f);
            particles.GetTemplates()[name] = emitter;
        }
        for (int i = 0; i < kParticleSystems; ++i) {
            m_owners.push_back(std::make_unique<CPGameObject>("burning"));
            const float a = 0.0628f * static_cast<float>(i);
            m_owners.back()->SetPosition(D3DXVECTOR3(95.0f * std::cos(a), 95.0f * std::sin(a), 0.5f));
            m_owners.back()->UpdateTransform();
            m_systems.push_back(std::make_unique<CPParticleSystem>(m_owners.back().get(), templates));
            m_systems.back()->SetEmitInterval(0.1f);
        }

        m_raceTask = std::make_unique<CPObjUpdater>(m_level.get(), &CPLevel::Update);
        m_raceTask->SetOrder(500);
        physics.SetOrder(400);
        CPTaskManager& tasks = *GetTaskManager();
        tasks.AddTask(&drivers);
        for (auto& system : m_systems)
            tasks.AddTask(system.get());
        tasks.AddTask(&physics);
        tasks.AddTask(m_raceTask.get());
        // The first step builds the stepper's copy of the terrain: a cost of
        // loading, not of a frame.
        RunFrame(kFrame);
    }

    ~RaceScene()
    {
        CPTaskManager& tasks = *GetTaskManager();
        for (CPTask* task : { static_cast<CPTask*>(GetAIVehicleManager()), static_cast<CPTask*>(GetPhysicManager()),
                              static_cast<CPTask*>(m_raceTask.get()) })
            task->Stop();
        for (auto& system : m_systems)
            system->Stop();
        RunTasks(tasks);
        GetAIVehicleManager()->ClearVehicles();
        m_level.reset();
        // The renderer holds the main camera until the host goes.
        CPPerspectiveCamera* main = m_camera->mainCamera.Get();
        CPPerspectiveCamera* second = m_camera->secondCamera.Get();
        delete m_camera;
        m_raceTask.reset();
        m_systems.clear();
        m_owners.clear();
        m_cars.clear();
        m_host.reset();
        delete main;
        delete second;
    }

    // One frame as RunFrame runs it, with the time of each part.
    struct Times
    {
        double total = 0.0;
        double logic = 0.0;
        double stepper = 0.0;
        double draw = 0.0;
    };

    Times Frame()
    {
        using Clock = std::chrono::steady_clock;
        auto seconds = [](Clock::time_point a, Clock::time_point b) {
            return std::chrono::duration<double>(b - a).count();
        };
        Times times;
        const Clock::time_point start = Clock::now();
        AdvanceFrameClock(kFrame);
        Clock::time_point t = Clock::now();
        GetAIVehicleManager()->Update();
        times.logic += seconds(t, Clock::now());
        for (auto& system : m_systems)
            system->Update();
        t = Clock::now();
        GetPhysicManager()->Update();
        times.stepper = seconds(t, Clock::now());
        t = Clock::now();
        m_level->Update();
        times.logic += seconds(t, Clock::now());
        StepHostEmitters(kFrame);
        t = Clock::now();
        DrawFrame(*GetRender());
        const Clock::time_point end = Clock::now();
        times.draw = seconds(t, end);
        times.total = seconds(start, end);
        return times;
    }

private:
    static void LoadPath(CPSpline& path, const char* file)
    {
        CPFileReader reader(file);
        reader.Load();
        path.Load(reader);
    }

    inline static const D3DXVECTOR3 kUp { 0.0f, 0.0f, 1.0f };

    ScratchRoot m_root;
    std::unique_ptr<CPGameHost> m_host;
    fixture::LevelMesh m_ground;
    CPSpline m_centre;
    CPSpline m_left;
    CPSpline m_right;
    std::unique_ptr<CPLevel> m_level;
    CPCamera* m_camera = nullptr;
    std::vector<std::unique_ptr<fixture::Vehicle>> m_cars;
    std::vector<std::unique_ptr<CPGameObject>> m_owners;
    std::vector<std::unique_ptr<CPParticleSystem>> m_systems;
    std::unique_ptr<CPObjUpdater> m_raceTask;
};

void RunPart(benchmark::State& state, double RaceScene::Times::*part)
{
    RaceScene scene;
    double sum = 0.0;
    for (auto _ : state) {
        const double seconds = scene.Frame().*part;
        state.SetIterationTime(seconds);
        sum += seconds;
    }
    state.counters["percent_of_16.7ms"] = 100.0 * sum / static_cast<double>(state.iterations()) / kFrameSeconds;
}

void RaceFrameTotal(benchmark::State& state)
{
    RunPart(state, &RaceScene::Times::total);
}
void RaceFrameGameLogic(benchmark::State& state)
{
    RunPart(state, &RaceScene::Times::logic);
}
void RaceFrameStepper(benchmark::State& state)
{
    RunPart(state, &RaceScene::Times::stepper);
}
void RaceFrameDraw(benchmark::State& state)
{
    RunPart(state, &RaceScene::Times::draw);
}
BENCHMARK(RaceFrameTotal)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(600);
BENCHMARK(RaceFrameGameLogic)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(600);
BENCHMARK(RaceFrameStepper)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(600);
BENCHMARK(RaceFrameDraw)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(600);
}
