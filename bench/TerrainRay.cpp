// Timing of one wheel sensor's ray against the level's ground: the host's
// cell lists beside Bullet's ray test over the whole tree, which give the
// same results. The grounds are the fixture level's collision ring (96
// steps round, one strip across: 192 large triangles) and the dense one
// (1,000 steps round, 25 strips across: 50,000 small triangles); the rays
// are 1.5 units long, straight down, at 4,096 points on the road taken in
// turn round the ring, as cars going round meet them.
#include "Host/PHostTerrain.h"
#include "Vehicles/PCollisionGrid.h"

#include "tests/LevelFixture.h"
#include "tests/VehicleFixture.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace
{
constexpr int kRays = 4096;

struct Ground
{
    Ground(int segments, int strips)
    {
        level::AddCollisionRing(mesh, segments, strips);
        mesh.Place(D3DXVECTOR3());
        grid.Build(mesh.Body());
        terrain.Build(grid);
        std::mt19937 random(5);
        std::uniform_real_distribution<float> across(-level::kRoadHalfWidth, level::kRoadHalfWidth);
        for (int i = 0; i < kRays; ++i) {
            const float angle = 2.0f * level::kPi * static_cast<float>(i) / static_cast<float>(kRays);
            const D3DXVECTOR3 at = level::RingPoint(level::kRadius + across(random), angle);
            from.emplace_back(at.x, at.y, 0.6f);
            to.emplace_back(at.x, at.y, -0.9f);
        }
    }

    fixture::LevelMesh mesh;
    CPCollisionGrid grid;
    CPHostTerrain terrain;
    std::vector<btVector3> from;
    std::vector<btVector3> to;
};

void CastRays(benchmark::State& state, int segments, int strips, bool wholeTree)
{
    Ground ground(segments, strips);
    btCollisionObject* object = ground.terrain.GetObject();
    int hits = 0;
    size_t i = 0;
    for (auto _ : state) {
        const btVector3& from = ground.from[i];
        const btVector3& to = ground.to[i];
        i = (i + 1) % ground.from.size();
        btCollisionWorld::ClosestRayResultCallback hit(from, to);
        if (wholeTree) {
            btTransform fromTransform = btTransform::getIdentity();
            btTransform toTransform = btTransform::getIdentity();
            fromTransform.setOrigin(from);
            toTransform.setOrigin(to);
            btCollisionWorld::rayTestSingle(fromTransform, toTransform, object, object->getCollisionShape(),
                                            object->getWorldTransform(), hit);
        } else {
            ground.terrain.CastRay(from, to, hit);
        }
        hits += hit.hasHit() ? 1 : 0;
        benchmark::DoNotOptimize(hit.m_closestHitFraction);
    }
    state.counters["hit_share"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
}

void TerrainRayCellsFixture(benchmark::State& state)
{
    CastRays(state, 96, 1, false);
}
void TerrainRayWholeTreeFixture(benchmark::State& state)
{
    CastRays(state, 96, 1, true);
}
void TerrainRayCellsDense(benchmark::State& state)
{
    CastRays(state, 1000, 25, false);
}
void TerrainRayWholeTreeDense(benchmark::State& state)
{
    CastRays(state, 1000, 25, true);
}
}

BENCHMARK(TerrainRayCellsFixture)->Unit(benchmark::kNanosecond);
BENCHMARK(TerrainRayWholeTreeFixture)->Unit(benchmark::kNanosecond);
BENCHMARK(TerrainRayCellsDense)->Unit(benchmark::kNanosecond);
BENCHMARK(TerrainRayWholeTreeDense)->Unit(benchmark::kNanosecond);
