// Two pieces of a race frame alone: the shadow decal laid under a car on a
// dense road (the collision ring of the dense fixture level, 1,000 steps
// round and 25 strips across: 50,000 triangles, about 750 triangle entries
// under the car), and one car's controller step with all four wheels on the
// ground. The step runs on the fixture car (wheel parts only, so every part
// the step poses is searched for in vain) and on the same car with the
// rider, crash and wheel spin parts. Run with --benchmark_repetitions for
// medians.
#include "Core/PBoundingBox.h"
#include "Core/PGameObject.h"
#include "Render/PDecal.h"
#include "Render/PRenderObject.h"
#include "Vehicles/PCar.h"
#include "Vehicles/PPhysicBody.h"
#include "Vehicles/PPhysicLineSensor.h"
#include "Vehicles/PPhysicManager.h"

#include "tests/LevelFixture.h"
#include "tests/VehicleFixture.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace
{
constexpr int kRingSegments = 1000;
constexpr int kRingStrips = 25;
constexpr float kStep = 1.0f / 60.0f;

// A physics manager with a world, published while it lives.
class World
{
public:
    World()
    {
        g_PhysicManager = &m_manager;
        m_manager.CreateWorld(D3DXVECTOR3(), D3DXVECTOR3(), 0, 0, 0);
        m_manager.SetParkingDepth(-1000.0f);
    }
    ~World() { g_PhysicManager = nullptr; }

    CPPhysicManager& Manager() { return m_manager; }

private:
    CPPhysicManager m_manager;
};

void DecalOnDenseRoad(benchmark::State& state)
{
    World world;
    fixture::LevelMesh road;
    const scene::Node ring = level::RingNode("road_phys", level::kRadius - level::kCollisionHalfWidth,
                                             level::kRadius + level::kCollisionHalfWidth, kRingSegments, kRingStrips);
    road.Body()->GetLocalVertices() = ring.vertices;
    road.Body()->GetIndices() = ring.indices;
    road.Place(D3DXVECTOR3());
    world.Manager().GetCollisionGrid().Build(road.Body());

    // The car on the road's middle line, and the triangles the simulator's
    // terrain query lists under its box.
    const D3DXVECTOR3 at(level::kRadius, 0.0f, 0.5f);
    fixture::Vehicle car(fixture::CarXml(), at);
    world.Manager().AddObject(car.Player(), 1, 1);
    const D3DXVECTOR4 low(at.x - 2.5f, at.y - 2.5f, 0.0f, 0.0f);
    const D3DXVECTOR4 high(at.x + 2.5f, at.y + 2.5f, 1.0f, 0.0f);
    int32_t listed = 0;
    CPPhysicManager::QueryTerrainTriangles(&low, &high, nullptr, nullptr, nullptr, &listed, nullptr, car.Body());

    auto shadow = std::make_unique<CPGameObject>("shadow");
    auto body = std::make_unique<CPRenderObject>(shadow.get());
    shadow->SetBody(body.get(), kBodyRenderObject);
    shadow->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(), D3DXVECTOR3(1.0f, 2.0f, 0.5f)));
    const CPSmartPtr<CPGameObject> shadowPtr(shadow.get());
    const CPSmartPtr<CPPhysicData> data(car.Data());
    for (auto _ : state) {
        ProjectDecal(shadowPtr, car.Player()->GetWorldMatrix(), data);
        benchmark::DoNotOptimize(body->GetIndices().data());
    }
    state.counters["listed"] = static_cast<double>(listed);
    state.counters["laid"] = static_cast<double>(body->GetIndices().size() / 3);
    shadow->SetBody(nullptr, kBodyGroup);
}

void CarStep(benchmark::State& state)
{
    World world;
    fixture::Vehicle vehicle;
    if (state.range(0) != 0) {
        for (const char* name : { "bike", "bike01", "car2", "w0_", "w0_01", "w2_", "w2_01" })
            vehicle.AddPart(new CPGameObject(name));
    }
    vehicle.AddTo(world.Manager());
    CPCar& car = *vehicle.Car();
    // Every wheel 0.4 into its sensor on flat ground, the car rolling
    // forward under full throttle and a little steering.
    for (int32_t i = 0; i < car.m_wheelCount; ++i) {
        CPPhysicLineSensor* sensor = car.m_sensors[i];
        sensor->m_detectDepth = 0.4f;
        sensor->m_detectNormal = D3DXVECTOR4(0.0f, 0.0f, 1.0f, 0.0f);
        sensor->m_detectContactPoint = D3DXVECTOR4(i % 2 == 0 ? 0.8f : -0.8f, i < 2 ? -1.2f : 1.2f, -1.0f, 1.0f);
    }
    vehicle.Body()->SetVelocity(D3DXVECTOR4(0.5f, -12.0f, 0.0f, 0.0f));
    car.SetControls(1.0f, 0.2f);
    CPPhysicControllerNode* node = car.GetControllerNode();
    for (auto _ : state) {
        car.OnStep(node, kStep);
        benchmark::DoNotOptimize(car.m_riderYaw);
    }
}

BENCHMARK(DecalOnDenseRoad)->Unit(benchmark::kMicrosecond);
BENCHMARK(CarStep)->Arg(0)->Arg(1)->ArgName("step_parts")->Unit(benchmark::kNanosecond);
}
