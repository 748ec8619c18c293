// A scratch game root with what the scene loader needs: the animation and
// render-object managers, a command dispatcher, and a render system over the
// recording device (for the shared static geometry).
#pragma once

#include "Core/PCommandDispatcher.h"
#include "Platform/D3D9Device.h"
#include "Render/PAnimationManager.h"
#include "Render/PRender.h"
#include "Render/PRenderObjectManager.h"
#include "ScratchRoot.h"
#include "SceneFixtures.h"

#include <gtest/gtest.h>

class SceneLoader : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_AnimationManager = &m_animations;
        g_RenderObjectManager = &m_loader;
        g_CommandDispatcher = &m_dispatcher;
        m_device = PlatformD3D9::CreateRecordingDevice(D3DPRESENT_PARAMETERS{});
        m_render = new CPRender(m_device);
        g_Render = m_render;
        for (const auto& file : scene::FallbackFiles())
            m_root.MakeFile(file.first, file.second);
        g_CurrentMeshFile.clear();
    }
    void TearDown() override
    {
        g_Render = nullptr;
        delete m_render;
        m_device->Release();
        g_CommandDispatcher = nullptr;
        g_RenderObjectManager = nullptr;
        g_AnimationManager = nullptr;
    }
    void Mesh(const std::string& name, const std::string& bytes) { m_root.MakeFile("Data/Meshes/" + name, bytes); }
    CPSmartPtr<CPGameObject> Load(const std::string& name, int32_t layerBase = 20)
    {
        return m_loader.LoadRenderObject(name, layerBase);
    }

    ScratchRoot m_root;
    CPAnimationManager m_animations;
    CPRenderObjectManager m_loader;
    CPCommandDispatcher m_dispatcher;
    PlatformD3D9::RecordingDevice* m_device = nullptr;
    CPRender* m_render = nullptr;
};
