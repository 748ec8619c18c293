// A scratch game root with what the scene loader needs: the render system on
// the recording device with the effect, texture and material caches (and
// their fallback files), the animation and render-object managers and a
// command dispatcher.
#pragma once

#include "Core/PCommandDispatcher.h"
#include "Render/PAnimationManager.h"
#include "Render/PRenderObjectManager.h"
#include "ResourceFixture.h"
#include "SceneFixtures.h"

#include <gtest/gtest.h>

class SceneLoader : public RenderResources
{
protected:
    void SetUp() override
    {
        RenderResources::SetUp();
        g_AnimationManager = &m_animations;
        g_RenderObjectManager = &m_loader;
        g_CommandDispatcher = &m_dispatcher;
        for (const auto& file : scene::FallbackFiles())
            m_root.MakeFile(file.first, file.second);
        g_CurrentMeshFile.clear();
    }
    void TearDown() override
    {
        g_CommandDispatcher = nullptr;
        g_RenderObjectManager = nullptr;
        g_AnimationManager = nullptr;
        RenderResources::TearDown();
    }
    void Mesh(const std::string& name, const std::string& bytes) { m_root.MakeFile("Data/Meshes/" + name, bytes); }
    CPSmartPtr<CPGameObject> Load(const std::string& name, int32_t layerBase = 20)
    {
        return m_loader.LoadRenderObject(name, layerBase);
    }
    // The log lines of refused files, in order.
    std::vector<std::string> Refusals() const { return LogLines("cannot read "); }

    CPAnimationManager m_animations;
    CPRenderObjectManager m_loader;
    CPCommandDispatcher m_dispatcher;
};
