// Timing of the matrix product and of transforming the positions inside a
// mesh's 48-byte vertices, the two math calls that run per object and per
// vertex each frame.
#include "Platform/D3DX9Math.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace
{
struct BenchVertex
{
    float position[3];
    float normal[3];
    uint32_t diffuse;
    uint32_t specular;
    float uv[4];
};
static_assert(sizeof(BenchVertex) == 48, "vertex size");

constexpr UINT kVertexCount = 100000;

D3DXMATRIX WorldMatrix()
{
    D3DXMATRIX rotation, translation, world;
    D3DXMatrixRotationYawPitchRoll(&rotation, 0.3f, -0.7f, 1.1f);
    D3DXMatrixTranslation(&translation, 10.0f, -4.0f, 2.5f);
    return *D3DXMatrixMultiply(&world, &rotation, &translation);
}

void BM_MatrixMultiply(benchmark::State& state)
{
    D3DXMATRIX a = WorldMatrix(), b, out;
    D3DXMatrixPerspectiveFovLH(&b, 1.1f, 4.0f / 3.0f, 0.1f, 1000.0f);
    for (auto _ : state) {
        benchmark::DoNotOptimize(D3DXMatrixMultiply(&out, &a, &b));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MatrixMultiply);

std::vector<BenchVertex> MakeVertices()
{
    std::vector<BenchVertex> vertices(kVertexCount);
    for (UINT i = 0; i < kVertexCount; ++i) {
        const float f = static_cast<float>(i);
        vertices[i] = BenchVertex{{f * 0.01f, f * -0.02f, f * 0.003f}, {0, 0, 1}, 0xffffffffu, 0u, {0, 0, 0, 0}};
    }
    return vertices;
}

// Source and destination are separate vertex arrays, as when world-space
// vertices are rebuilt from local ones.
void TransformVertices(benchmark::State& state, const D3DXMATRIX& m)
{
    const std::vector<BenchVertex> source = MakeVertices();
    std::vector<BenchVertex> target = source;
    const D3DXVECTOR3* in = reinterpret_cast<const D3DXVECTOR3*>(source[0].position);
    D3DXVECTOR3* out = reinterpret_cast<D3DXVECTOR3*>(target[0].position);
    for (auto _ : state) {
        D3DXVec3TransformCoordArray(out, sizeof(BenchVertex), in, sizeof(BenchVertex), &m, kVertexCount);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kVertexCount);
}

void BM_Vec3TransformCoordArray_Affine(benchmark::State& state)
{
    TransformVertices(state, WorldMatrix());
}
BENCHMARK(BM_Vec3TransformCoordArray_Affine);

void BM_Vec3TransformCoordArray_Projective(benchmark::State& state)
{
    D3DXMATRIX projection, m;
    D3DXMatrixPerspectiveFovLH(&projection, 1.1f, 4.0f / 3.0f, 0.1f, 1000.0f);
    const D3DXMATRIX world = WorldMatrix();
    TransformVertices(state, *D3DXMatrixMultiply(&m, &world, &projection));
}
BENCHMARK(BM_Vec3TransformCoordArray_Projective);
}
