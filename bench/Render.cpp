// Timing of two render-side loops: the frustum test of a scene's boxes
// against the main camera, and the particle systems of a busy scene over one
// long frame, with their bursts going through the particle manager to
// emitters that only count what they get.
#include "Core/PGameHost.h"
#include "Core/PGameObject.h"
#include "Platform/CRand.h"
#include "Render/PParticleManager.h"
#include "Render/PParticleSystem.h"
#include "Render/PPerspectiveCamera.h"
#include "Startup/PConfigVars.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace
{
float Uniform(float low, float high)
{
    return low + (high - low) * static_cast<float>(crt::rand()) / static_cast<float>(crt::kRandMax);
}

// 100,000 boxes of 0.5 to 5 units scattered over a 2 km square level, the
// camera 2 m above its middle looking along +x, 70 degrees high, 1 to 1000.
void FrustumCulling(benchmark::State& state)
{
    g_CfgScreenWidth = 1024;
    g_CfgScreenHeight = 768;
    CPPerspectiveCamera camera;
    camera.m_eye = D3DXVECTOR3(0, 0, 2);
    camera.m_target = D3DXVECTOR3(1, 0.2f, 2);
    camera.m_up = D3DXVECTOR3(0, 0, 1);
    camera.m_fieldOfView = D3DXToRadian(70.0f);
    camera.m_near = 1.0f;
    camera.m_far = 1000.0f;
    camera.m_viewDirty = 1;
    camera.m_projectionDirty = 1;
    camera.Update();

    crt::srand(5);
    std::vector<D3DXVECTOR3> minima;
    std::vector<D3DXVECTOR3> maxima;
    for (int i = 0; i < 100000; ++i) {
        const D3DXVECTOR3 centre(Uniform(-1000, 1000), Uniform(-1000, 1000), Uniform(0, 20));
        const float half = Uniform(0.25f, 2.5f);
        minima.push_back(centre - D3DXVECTOR3(half, half, half));
        maxima.push_back(centre + D3DXVECTOR3(half, half, half));
    }
    size_t visible = 0;
    for (auto _ : state) {
        visible = 0;
        for (size_t i = 0; i < minima.size(); ++i)
            visible += camera.IsBoxVisible(minima[i], maxima[i]) ? 1 : 0;
        benchmark::DoNotOptimize(visible);
    }
    state.counters["visible"] = static_cast<double>(visible);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(minima.size()));
}
BENCHMARK(FrustumCulling)->Unit(benchmark::kMillisecond);

class CountingEmitter : public CPParticleEmitter
{
public:
    int32_t GetObjectSize() const override { return static_cast<int32_t>(sizeof(*this)); }
    std::string GetTypeName() const override { return "CountingEmitter"; }
    void Emit(const CPParticleLaunch& launch) override
    {
        ++launches;
        for (const CPParticleEmitDesc* link = launch.next.get(); link; link = link->next.get())
            ++chained;
        m_active = 1;
    }
    void Clear() override { m_active = 0; }

    int64_t launches = 0;
    int64_t chained = 0;
};

// 100 burning objects, each with a system of three templates (smoke, fire,
// sparks) bursting every 20 ms, run over one frame of 2 s: 100 bursts each.
void ParticleSystemsLongFrame(benchmark::State& state)
{
    CPParticleManager manager;
    g_ParticleManager = &manager;
    const char* const names[] = { "smoke", "fire", "spark" };
    std::vector<std::unique_ptr<CountingEmitter>> emitters;
    for (const char* name : names) {
        CPEmitterTemplate emitterTemplate;
        emitterTemplate.name = name;
        emitterTemplate.direction = D3DXVECTOR3(0.2f, 0.1f, 1.0f);
        emitterTemplate.speed = 4.0f;
        emitterTemplate.cone = 40;
        emitterTemplate.spread = D3DXVECTOR3(0.5f, 0.5f, 0.2f);
        manager.GetTemplates()[name] = emitterTemplate;
        emitters.push_back(std::make_unique<CountingEmitter>());
        manager.GetEmitters()[name] = emitters.back().get();
    }
    std::vector<std::unique_ptr<CPGameObject>> owners;
    std::vector<std::unique_ptr<CPParticleSystem>> systems;
    for (int i = 0; i < 100; ++i) {
        owners.push_back(std::make_unique<CPGameObject>("burning"));
        owners.back()->SetPosition(D3DXVECTOR3(static_cast<float>(i), 0, 0));
        owners.back()->UpdateTransform();
        systems.push_back(std::make_unique<CPParticleSystem>(owners.back().get(),
                                                             std::vector<std::string>(names, names + 3)));
        systems.back()->m_period = 0.02f;
    }

    for (auto _ : state) {
        state.PauseTiming();
        for (auto& system : systems) {
            system->Stop();
            system->Start();
        }
        g_FrameTime = 2.0f;
        state.ResumeTiming();
        for (auto& system : systems)
            system->Update();
    }
    state.counters["bursts"] = static_cast<double>(emitters[0]->launches) / static_cast<double>(state.iterations());
    state.SetItemsProcessed(emitters[0]->launches + emitters[0]->chained);

    manager.Reset();
    manager.GetEmitters().clear();
    g_ParticleManager = nullptr;
    g_FrameTime = 0.0f;
}
BENCHMARK(ParticleSystemsLongFrame)->Unit(benchmark::kMillisecond);
}
