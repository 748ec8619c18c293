// Timing of building the simulator's bodies and of refitting their bounds:
// a level load creates up to a thousand bodies with geometries and sensors,
// and each body's bounding information is refitted after it is built and
// whenever its mass changes.
#include "Vehicles/PPhysicWorld.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace
{
constexpr int kBodyCount = 1000;
constexpr int kWheelCount = 4;

CPPhysicPoolSizes BenchSizes()
{
    CPPhysicPoolSizes sizes;
    sizes.rigidBodiesCount = kBodyCount;
    sizes.animatedBodiesCount = 0;
    sizes.rigidParticleCount = 0;
    sizes.geometriesCount = 2 * kBodyCount;
    sizes.sensorsCount = kWheelCount * kBodyCount;
    return sizes;
}

std::unique_ptr<CPPhysicWorld> NewWorld()
{
    const CPPhysicPoolSizes sizes = BenchSizes();
    const D3DXVECTOR4 gravity(0.0f, 0.0f, -9.8f, 0.0f);
    return std::unique_ptr<CPPhysicWorld>(CPPhysicWorld::Create(&sizes, nullptr, &gravity));
}

// A car-like body: a turned box hull, a cylinder, a probe per wheel.
CPPhysicBody* BuildBody(CPPhysicWorld& world, int i)
{
    CPPhysicBody* body = world.CreateRigidBody();
    D3DXMATRIX placement;
    D3DXMatrixRotationZ(&placement, 0.001f * static_cast<float>(i));
    placement._43 = 0.5f;
    CPPhysicShape* hull = body->AddGeometry();
    hull->SetBoxSize(2.0f, 4.0f, 1.0f);
    hull->SetTransform(placement);
    hull->SetMaterialIndex(1);
    CPPhysicShape* drum = body->AddGeometry();
    drum->SetCylinder(0.8f, 2.2f);
    for (int w = 0; w < kWheelCount; ++w) {
        const float x = w & 1 ? 0.9f : -0.9f;
        const float y = w & 2 ? 1.5f : -1.5f;
        body->AddSensor()->SetLineSensor(D3DXVECTOR4(x, y, 0.0f, 0.0f), D3DXVECTOR4(0.0f, 0.0f, -0.8f, 0.0f));
    }
    body->UpdateBoundingInfo();
    return body;
}

void BM_CreateBodiesWithGeometriesAndSensors(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<CPPhysicWorld> world = NewWorld();
        state.ResumeTiming();
        for (int i = 0; i < kBodyCount; ++i)
            benchmark::DoNotOptimize(BuildBody(*world, i));
        state.PauseTiming();
        world.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kBodyCount);
}
BENCHMARK(BM_CreateBodiesWithGeometriesAndSensors)->Unit(benchmark::kMicrosecond);

void BM_UpdateBoundingInfo(benchmark::State& state)
{
    std::unique_ptr<CPPhysicWorld> world = NewWorld();
    std::vector<CPPhysicBody*> bodies;
    for (int i = 0; i < kBodyCount; ++i)
        bodies.push_back(BuildBody(*world, i));
    for (auto _ : state) {
        for (CPPhysicBody* body : bodies)
            body->UpdateBoundingInfo();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kBodyCount);
}
BENCHMARK(BM_UpdateBoundingInfo)->Unit(benchmark::kMicrosecond);
}
