// Timing of one frame of the host's drawing: a scene of 5,000 static bodies
// (drawn from 50 shared static buffers) and 200 moving ones (written through
// the frame ring each frame) over 50 materials, queued and drawn into the
// recording device with its log off. Beside it, the queueing alone. Each
// reports its share of a 60 Hz frame (16.7 ms).
#include "Core/PGameObject.h"
#include "Host/PHostDraw.h"
#include "Platform/D3D9Device.h"
#include "Platform/D3DX9Effect.h"
#include "Render/PEffectManager.h"
#include "Render/PIVBlock.h"
#include "Render/PMaterial.h"
#include "Render/PPerspectiveCamera.h"
#include "Render/PRender.h"
#include "Render/PRenderObject.h"
#include "Render/PRenderQueue.h"
#include "Startup/PConfigVars.h"
#include "tests/ScratchRoot.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr int kStaticBodies = 5000;
constexpr int kMovingBodies = 200;
constexpr int kMaterials = 50;
constexpr double kFrameMilliseconds = 1000.0 / 60.0;

const char kEffect[] = "shared float4x4 g_mWorldViewProjection;\nshared float4x4 g_mViewProjection;\n"
                       "float time;\ntexture tex0;\ntechnique Main { pass P0 { } }\n";

// A box of 24 vertices (four a face) and 36 indices.
void MakeBox(std::vector<CPVertex>& vertices, std::vector<uint16_t>& indices)
{
    for (int face = 0; face < 6; ++face) {
        const uint16_t first = static_cast<uint16_t>(vertices.size());
        for (int corner = 0; corner < 4; ++corner) {
            CPVertex vertex;
            vertex.position = D3DXVECTOR3(static_cast<float>(corner & 1), static_cast<float>(corner >> 1),
                                          static_cast<float>(face));
            vertex.normal = D3DXVECTOR3(0, 0, 1);
            vertex.diffuse = 0xffffffff;
            vertices.push_back(vertex);
        }
        for (const uint16_t index : { 0, 1, 2, 2, 1, 3 })
            indices.push_back(static_cast<uint16_t>(first + index));
    }
}

struct Scene
{
    ScratchRoot root;
    PlatformD3D9::RecordingDevice* device = nullptr;
    std::unique_ptr<CPRender> render;
    std::unique_ptr<CPEffectManager> effects;
    std::unique_ptr<CPRenderQueue> queue;
    std::unique_ptr<CPRenderQueue> staticQueue;
    CPPerspectiveCamera camera;
    std::vector<CPEffect*> madeEffects;
    std::vector<CPMaterial*> materials;
    std::vector<CPRenderObject*> bodies;
    // Children before parents, so each is destroyed before what holds it.
    std::vector<CPGameObject*> objects;
    CPGameObject* staticRoot = nullptr;
    CPGameObject* movingRoot = nullptr;

    Scene()
    {
        g_CfgScreenWidth = 1024;
        g_CfgScreenHeight = 768;
        root.MakeFile("Data/Effects/lit.fx", kEffect);
        root.MakeFile("Data/Effects/glow.fx", kEffect);
        device = PlatformD3D9::CreateRecordingDevice(D3DPRESENT_PARAMETERS{});
        device->SetLogging(false);
        render = std::make_unique<CPRender>(device);
        g_Render = render.get();
        ID3DXEffectPool* pool = nullptr;
        D3DXCreateEffectPool(&pool);
        effects = std::make_unique<CPEffectManager>(pool);
        pool->Release();
        g_EffectManager = effects.get();
        queue = std::make_unique<CPRenderQueue>();
        staticQueue = std::make_unique<CPRenderQueue>();
        render->m_renderQueue = queue.get();
        render->m_staticQueue = staticQueue.get();
        CreateHostRings(device, queue.get(), staticQueue.get());

        camera.m_eye = D3DXVECTOR3(0, 0, 2);
        camera.m_target = D3DXVECTOR3(1, 0, 2);
        camera.m_up = D3DXVECTOR3(0, 0, 1);
        camera.m_fieldOfView = 1.2f;
        camera.m_near = 1.0f;
        camera.m_far = 1000.0f;
        camera.m_viewDirty = 1;
        camera.m_projectionDirty = 1;
        camera.Update();
        render->AddCamera(kLayerLevel, &camera);

        for (const char* spec : { "lit.fx,shared", "glow.fx,shared" })
            madeEffects.push_back(effects->GetEffect(spec).Get());
        for (int i = 0; i < kMaterials; ++i)
            materials.push_back(new CPMaterial(kLayerLevel, madeEffects[i % 2]));

        std::vector<CPVertex> vertices;
        std::vector<uint16_t> indices;
        MakeBox(vertices, indices);
        std::vector<CPGeometryBuffer*> meshes;
        for (int i = 0; i < kMaterials; ++i) {
            char name[32];
            std::snprintf(name, sizeof(name), "box%d", i);
            meshes.push_back(render->GetGeometryBuffer(name, vertices.data(), indices.data(),
                                                       static_cast<int32_t>(vertices.size()),
                                                       static_cast<int32_t>(indices.size())));
        }

        staticRoot = new CPGameObject("level");
        movingRoot = new CPGameObject("traffic");
        for (int i = 0; i < kStaticBodies + kMovingBodies; ++i) {
            const bool moving = i >= kStaticBodies;
            auto* object = new CPGameObject(moving ? "car" : "rock");
            auto* body = new CPRenderObject(object);
            body->GetLocalVertices() = vertices;
            body->GetWorldVertices() = vertices;
            body->GetIndices() = indices;
            body->SetMaterial(materials[i % kMaterials]);
            if (!moving) {
                body->SetHidden(true);
                body->SetGeometry(meshes[i % kMaterials]);
            }
            object->SetBody(body, kBodyRenderObject);
            object->SetPosition(D3DXVECTOR3(static_cast<float>(i % 100) * 3.0f, static_cast<float>(i / 100) * 3.0f, 0));
            (moving ? movingRoot : staticRoot)->AddChild(object);
            objects.push_back(object);
            bodies.push_back(body);
        }
        objects.push_back(staticRoot);
        objects.push_back(movingRoot);
        staticRoot->UpdateTransform();
        movingRoot->UpdateTransform();
    }

    ~Scene()
    {
        DestroyHostRings();
        render.reset();
        g_Render = nullptr;
        queue.reset();
        staticQueue.reset();
        for (CPGameObject* object : objects)
            delete object;
        for (CPRenderObject* body : bodies)
            delete body;
        for (CPMaterial* material : materials)
            delete material;
        for (CPEffect* effect : madeEffects)
            delete effect;
        effects.reset();
        device->Release();
    }

    // The traffic moves, so its bodies transform their vertices again.
    void Move(int frame)
    {
        movingRoot->SetPosition(D3DXVECTOR3(static_cast<float>(frame % 10), 0, 0));
        movingRoot->UpdateTransform();
    }

    void Queue()
    {
        queue->AddObjectTree(staticRoot);
        queue->AddObjectTree(movingRoot);
    }
};

// Thread CPU time in milliseconds, as the benchmark's CPU column counts it.
double CpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1.0e6;
}

void ReportShare(benchmark::State& state, double cpuMilliseconds)
{
    const double perFrame = cpuMilliseconds / static_cast<double>(state.iterations());
    state.counters["cpu_ms_per_frame"] = perFrame;
    state.counters["percent_of_16.7ms"] = 100.0 * perFrame / kFrameMilliseconds;
}

void QueueAndDrawFrame(benchmark::State& state)
{
    Scene scene;
    int frame = 0;
    const double start = CpuMilliseconds();
    for (auto _ : state) {
        scene.Move(++frame);
        scene.Queue();
        benchmark::DoNotOptimize(DrawFrame(*scene.render));
    }
    ReportShare(state, CpuMilliseconds() - start);
}
BENCHMARK(QueueAndDrawFrame)->Unit(benchmark::kMillisecond);

// The queueing alone, and the emptying of the batches that drawing does.
void QueueOnly(benchmark::State& state)
{
    Scene scene;
    int frame = 0;
    const double start = CpuMilliseconds();
    for (auto _ : state) {
        scene.Move(++frame);
        scene.Queue();
        for (auto& entry : scene.queue->GetFrameBlocks())
            entry.second->Clear();
        scene.queue->GetFrameBlocks().clear();
    }
    ReportShare(state, CpuMilliseconds() - start);
}
BENCHMARK(QueueOnly)->Unit(benchmark::kMillisecond);
}
