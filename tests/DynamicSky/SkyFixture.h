// The sky's test fixture: a render system on a recording device (also the
// sky device) over a scratch root with the sky's textures and effects, and
// the sky files of SkyFiles.h written on demand.
#pragma once

#include "DynamicSky/Skyscape.h"
#include "Render/ResourceFixture.h"
#include "SkyFiles.h"

#include <string>

class SkyTest : public RenderResources
{
protected:
    void SetUp() override
    {
        RenderResources::SetUp();
        GetSkyDevice().device = m_device;
        m_device->BeginScene(); // the host draws the sky inside its scene
        g_SunPosition = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        WriteSkyArt(m_root);
    }
    void TearDown() override
    {
        m_device->EndScene();
        GetSkyDevice().device = nullptr;
        RenderResources::TearDown();
    }

    // The whole fixture: the skyscape and its cloud files.
    void WriteSky(const SkyText& sky = SkyText()) { WriteSkyClouds(m_root, "sky.txt", sky); }

    // Vertex colour without its alpha.
    static uint32_t Rgb(const CPVertex& vertex) { return vertex.diffuse & 0xFFFFFF; }
};
