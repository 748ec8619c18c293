// A render system on a recording device over a scratch game root, with the
// effect (and its pool), texture and material caches published as the host
// publishes them. Every effect, texture, block and material a test makes is
// destroyed afterwards, newest first, so holders go before what they hold.
#pragma once

#include "Core/PLog.h"
#include "Core/PManagedObject.h"
#include "Platform/D3D9Device.h"
#include "Platform/D3DX9Effect.h"
#include "Render/PDeviceObject.h"
#include "Render/PEffectManager.h"
#include "Render/PMaterialManager.h"
#include "Render/PRender.h"
#include "Render/PTextureManager.h"
#include "ScratchRoot.h"
#include "Startup/PConfigVars.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class RenderResources : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_savedTexLod = g_CfgTexLod;
        m_firstObject = GetObjectList().size();
        m_device = PlatformD3D9::CreateRecordingDevice(D3DPRESENT_PARAMETERS{});
        m_render = new CPRender(m_device);
        g_Render = m_render;
        ID3DXEffectPool* pool = nullptr;
        D3DXCreateEffectPool(&pool);
        g_EffectManager = new CPEffectManager(pool);
        pool->Release();
        g_TextureManager = new CPTextureManager();
        g_MaterialManager = new CPMaterialManager();
        GetLog().SetSink([this](int32_t, const std::string& text) { m_reports.push_back(text); });
    }

    void TearDown() override
    {
        GetLog().SetSink(nullptr);
        const std::vector<CPManagedObject*>& objects = GetObjectList();
        for (size_t i = objects.size(); i-- > m_firstObject;) {
            CPManagedObject* object = CPManagedObject::FindLive(i + 1);
            if (object
                && (dynamic_cast<CPMaterial*>(object) || dynamic_cast<CPTextureBlock*>(object)
                    || dynamic_cast<CPTexture*>(object) || dynamic_cast<CPEffect*>(object)))
                delete object;
        }
        EXPECT_EQ(g_MaterialManager->GetMaterialCount(), 0u);
        EXPECT_EQ(g_TextureManager->GetTextureCount(), 0u);
        EXPECT_EQ(g_TextureManager->GetTextureBlockCount(), 0u);
        EXPECT_EQ(g_EffectManager->GetEffectCount(), 0u);
        delete g_MaterialManager;
        delete g_TextureManager;
        delete g_EffectManager;
        g_Render = nullptr;
        delete m_render;
        m_device->Release();
        EXPECT_EQ(g_EffectManager, nullptr);
        EXPECT_EQ(PlatformD3D9::LiveResourceCount(), 0);
        EXPECT_EQ(PlatformD3DX::LiveEffectCount(), 0);
        EXPECT_EQ(PlatformD3DX::LivePoolCount(), 0);
        EXPECT_EQ(CPDeviceObject::Count(), 0u);
        g_CfgTexLod = m_savedTexLod;
    }

    // Reports of failed device calls made from the source file.
    int ReportsFrom(const std::string& sourceFile) const
    {
        int count = 0;
        for (const std::string& report : m_reports)
            count += report.rfind("DXError if " + sourceFile + " on line", 0) == 0 ? 1 : 0;
        return count;
    }

    // The log's lines that start with the text, in order.
    std::vector<std::string> LogLines(const std::string& start) const
    {
        std::vector<std::string> lines;
        for (const std::string& report : m_reports) {
            if (report.rfind(start, 0) == 0)
                lines.push_back(report);
        }
        return lines;
    }
    // The log's lines for files that could not be opened.
    std::vector<std::string> FilesNotOpened() const { return LogLines("cannot open "); }

    ScratchRoot m_root;
    PlatformD3D9::RecordingDevice* m_device = nullptr;
    CPRender* m_render = nullptr;
    std::vector<std::string> m_reports;

private:
    size_t m_firstObject = 0;
    int32_t m_savedTexLod = -1;
};
