// Building the level collision grid over the fixture level's collision ring
// at 50,000 triangles (the road of the level loading benchmark), beside the
// plain build the grid's tests compare it with.
#include "Vehicles/PCollisionGrid.h"

#include "tests/LevelFixture.h"
#include "tests/VehicleFixture.h"
#include "tests/Vehicles/CollisionGridReference.h"

#include <benchmark/benchmark.h>

namespace
{
// 1,250 steps round the ring, 20 strips across: 50,000 triangles.
constexpr int kRingSegments = 1250;
constexpr int kRingStrips = 20;

CPRenderObject* Ring()
{
    static fixture::LevelMesh mesh;
    if (mesh.Body()->GetIndices().empty()) {
        const scene::Node ring = level::RingNode("road_phys", level::kRadius - level::kCollisionHalfWidth,
                                                 level::kRadius + level::kCollisionHalfWidth, kRingSegments,
                                                 kRingStrips);
        mesh.Body()->GetLocalVertices() = ring.vertices;
        mesh.Body()->GetIndices() = ring.indices;
        mesh.Place(D3DXVECTOR3());
    }
    return mesh.Body();
}

void GridBuild(benchmark::State& state)
{
    CPRenderObject* body = Ring();
    CPCollisionGrid grid;
    for (auto _ : state) {
        grid.Build(body);
        benchmark::DoNotOptimize(grid.GetTriangles());
    }
}

void PlainGridBuild(benchmark::State& state)
{
    const CPRenderObject& body = *Ring();
    for (auto _ : state) {
        const reference::CollisionGrid grid = reference::BuildCollisionGrid(body);
        benchmark::DoNotOptimize(grid.cells.data());
    }
}

BENCHMARK(GridBuild)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainGridBuild)->Unit(benchmark::kMillisecond);
}
