#include "Core/PLog.h"
#include "DefaultCamera.h"
#include "DeviceCallPrinter.h"
#include "DynamicSky/Skyscape.h"
#include "Platform/D3D9Device.h"
#include "Render/PBaseCamera.h"
#include "Render/PDeviceObject.h"
#include "Render/PMaterial.h"
#include "Render/PPerspectiveCamera.h"
#include "Render/PRender.h"
#include "Render/PRenderQueue.h"
#include "Startup/PConfigVars.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using PlatformD3D9::DeviceCall;
using PlatformD3D9::RecordOf;
using PlatformD3D9::ResourceRecord;

namespace
{
class Render : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_saved = { g_CfgScreenWidth, g_CfgScreenHeight, g_CfgDistance, g_CfgBlur };
        g_CfgScreenWidth = 1024;
        g_CfgScreenHeight = 768;
        g_CfgDistance = 200;
        g_CfgBlur = 1;
        g_AnisotropyFraction = 0.0f;
        m_device = PlatformD3D9::CreateRecordingDevice(D3DPRESENT_PARAMETERS{});
        m_render = new CPRender(m_device);
        g_Render = m_render;
        GetLog().SetSink([this](int32_t, const std::string& text) { m_reports.push_back(text); });
    }
    void TearDown() override
    {
        GetLog().SetSink(nullptr);
        g_Render = nullptr;
        delete m_render;
        m_device->Release();
        EXPECT_EQ(PlatformD3D9::LiveResourceCount(), 0);
        EXPECT_EQ(CPDeviceObject::Count(), 0u);
        g_CfgScreenWidth = m_saved[0];
        g_CfgScreenHeight = m_saved[1];
        g_CfgDistance = m_saved[2];
        g_CfgBlur = m_saved[3];
        g_AnisotropyFraction = 0.0f;
    }

    // The first line of each report: where it came from.
    std::vector<std::string> ReportOrigins() const
    {
        std::vector<std::string> origins;
        for (const std::string& report : m_reports)
            origins.push_back(report.substr(0, report.find('\n')));
        return origins;
    }

    std::vector<int32_t> m_saved;
    PlatformD3D9::RecordingDevice* m_device = nullptr;
    CPRender* m_render = nullptr;
    std::vector<std::string> m_reports;
};

DeviceCall State(D3DRENDERSTATETYPE state, DWORD value)
{
    return { "SetRenderState", { state, value } };
}

DeviceCall Stage(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value)
{
    return { "SetTextureStageState", { stage, type, value } };
}

DeviceCall Sampler(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value)
{
    return { "SetSamplerState", { sampler, type, value } };
}

// A quad of two triangles with distinct vertices.
struct Quad
{
    Quad()
    {
        for (int i = 0; i < 4; ++i) {
            vertices[i].position = D3DXVECTOR3(static_cast<float>(i), 1.0f, 2.0f);
            vertices[i].diffuse = 0xff000000u + static_cast<DWORD>(i);
        }
    }
    CPVertex vertices[4];
    uint16_t indices[6] = { 0, 1, 2, 2, 1, 3 };
};
}

TEST_F(Render, InitRenderStatesSetsTheLevelDefaultsInOrder)
{
    m_render->m_ambientColour = 0xff203040;
    m_render->m_fogColour = 0xff808080;
    m_render->InitRenderStates();

    const std::vector<DeviceCall> expected = {
        { "SetTransform", { D3DTS_VIEW } },
        { "SetTransform", { D3DTS_PROJECTION } },
        State(D3DRS_SPECULARENABLE, FALSE),
        State(D3DRS_LIGHTING, TRUE),
        State(D3DRS_ALPHABLENDENABLE, FALSE),
        State(D3DRS_ZENABLE, TRUE),
        State(D3DRS_ZWRITEENABLE, TRUE),
        State(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
        State(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA),
        Sampler(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR),
        Sampler(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR),
        Sampler(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR),
        Sampler(1, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR),
        Sampler(1, D3DSAMP_MINFILTER, D3DTEXF_LINEAR),
        Sampler(1, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR),
        Stage(0, D3DTSS_COLOROP, D3DTOP_MODULATE),
        Stage(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
        Stage(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE),
        Sampler(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP),
        Sampler(0, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP),
        Stage(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE),
        Stage(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE),
        Stage(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE),
        State(D3DRS_ZFUNC, D3DCMP_LESSEQUAL),
        State(D3DRS_DITHERENABLE, TRUE),
        State(D3DRS_CLIPPING, TRUE),
        State(D3DRS_CULLMODE, D3DCULL_CCW),
        State(D3DRS_AMBIENT, 0xff203040),
        { "SetFVF", { 0x2D2 } },
        Stage(1, D3DTSS_COLOROP, D3DTOP_DISABLE),
        Stage(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE),
        Stage(1, D3DTSS_COLORARG1, D3DTA_TEXTURE),
        Stage(1, D3DTSS_COLORARG2, D3DTA_CURRENT),
        Stage(1, D3DTSS_ALPHAARG1, D3DTA_TEXTURE),
        Stage(1, D3DTSS_ALPHAARG2, D3DTA_CURRENT),
        Sampler(1, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP),
        Sampler(1, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP),
        Stage(2, D3DTSS_COLOROP, D3DTOP_DISABLE),
        Stage(2, D3DTSS_ALPHAOP, D3DTOP_DISABLE),
        { "SetMaterial", {} },
        State(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL),
        State(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_MATERIAL),
        State(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL),
        State(D3DRS_FOGENABLE, TRUE),
        State(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR),
        State(D3DRS_FOGDENSITY, 0),
        State(D3DRS_FOGSTART, 0x41200000),   // 10.0f
        State(D3DRS_FOGEND, 0x43340000),     // 180.0f: nine tenths of "distance" 200
        State(D3DRS_FOGCOLOR, 0xff808080),
    };
    EXPECT_EQ(m_device->Log(), expected);

    // The default view looks at the origin from 14.5 above it.
    const D3DXMATRIX view(*m_device->Transform(D3DTS_VIEW));
    D3DXVECTOR3 origin;
    D3DXVec3TransformCoord(&origin, &origin, &view);
    EXPECT_EQ(origin, D3DXVECTOR3(0, 0, 14.5f));
    // 63 degrees, 4:3, near 0.1, far 1000.
    const D3DMATRIX& projection = *m_device->Transform(D3DTS_PROJECTION);
    EXPECT_NEAR(projection._22, 1.6318516f, 1e-5f);
    EXPECT_NEAR(projection._11, 1.6318516f * 0.75f, 1e-5f);
    EXPECT_NEAR(projection._33, 1000.0f / 999.9f, 1e-6f);
    EXPECT_NEAR(projection._43, -0.1f * 1000.0f / 999.9f, 1e-6f);
    const D3DMATERIAL9& material = m_device->Material();
    EXPECT_EQ(material.Specular.r, 0.3f);
    EXPECT_EQ(material.Diffuse.a, 1.0f);
    EXPECT_EQ(material.Emissive.a, 0.0f);
    EXPECT_EQ(material.Power, 10.0f);

    // The screen camera maps pixels, y downwards, onto clip space.
    const CPLayerEntry& screen = m_render->m_layers.at(kLayerScreen);
    ASSERT_TRUE(screen.m_camera);
    const D3DXMATRIX& pixels = screen.m_camera->GetView();
    D3DXVECTOR3 corner(1024, 768, 0);
    D3DXVec3TransformCoord(&corner, &corner, &pixels);
    EXPECT_EQ(corner, D3DXVECTOR3(1, -1, 0));
    corner = D3DXVECTOR3(0, 0, 0);
    D3DXVec3TransformCoord(&corner, &corner, &pixels);
    EXPECT_EQ(corner, D3DXVECTOR3(-1, 1, 0));

    // Each level load makes a new screen camera in the same entry.
    m_render->InitRenderStates();
    EXPECT_EQ(m_render->m_layers.size(), 1u);
    EXPECT_EQ(m_render->m_layers.at(kLayerScreen).m_changeCount, 2);
}

TEST_F(Render, TextureFilteringFollowsTheAnisotropyFraction)
{
    struct Case
    {
        float fraction;
        int32_t maximum;
        DWORD anisotropy;
    };
    const Case cases[] = { { 0.3f, 16, 5 }, { 2.0f, 16, 16 }, { 0.01f, 4, 1 } };
    for (const Case& c : cases) {
        g_AnisotropyFraction = c.fraction;
        m_render->m_maxAnisotropy = c.maximum;
        m_device->ClearLog();
        m_render->SetTextureFiltering();
        const std::vector<DeviceCall> expected = {
            Sampler(0, D3DSAMP_MAGFILTER, D3DTEXF_ANISOTROPIC), Sampler(0, D3DSAMP_MINFILTER, D3DTEXF_ANISOTROPIC),
            Sampler(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR),      Sampler(0, D3DSAMP_MAXANISOTROPY, c.anisotropy),
            Sampler(1, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR),      Sampler(1, D3DSAMP_MINFILTER, D3DTEXF_LINEAR),
            Sampler(1, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR),
        };
        EXPECT_EQ(m_device->Log(), expected) << "fraction " << c.fraction;
    }
}

TEST_F(Render, LightsAreCappedAtThirtyAndAppliedOnce)
{
    for (int i = 0; i < 31; ++i) {
        D3DLIGHT9 light{};
        light.Type = D3DLIGHT_POINT;
        light.Range = static_cast<float>(i);
        EXPECT_EQ(m_render->AddLight(light), i < 30) << i;
    }
    EXPECT_EQ(m_render->m_lightCount, 30);
    m_render->ApplyLights();
    EXPECT_EQ(m_render->m_lightCount, 0);
    EXPECT_EQ(m_device->CallsOf("SetLight").size(), 30u);
    ASSERT_NE(m_device->Light(29), nullptr);
    EXPECT_EQ(m_device->Light(29)->Range, 29.0f);
    EXPECT_EQ(m_device->Light(30), nullptr);
    EXPECT_TRUE(m_device->IsLightEnabled(29));

    // Three lights, the second directional: it becomes the sun; indices 3 to
    // 29 are switched off.
    m_device->ClearLog();
    for (int i = 0; i < 3; ++i) {
        D3DLIGHT9 light{};
        light.Type = i == 1 ? D3DLIGHT_DIRECTIONAL : D3DLIGHT_POINT;
        light.Direction = D3DVECTOR{ 0.0f, 0.0f, static_cast<float>(-i) };
        m_render->AddLight(light);
    }
    m_render->ApplyLights();
    const std::vector<DeviceCall> enables = m_device->CallsOf("LightEnable");
    ASSERT_EQ(enables.size(), 30u);
    for (DWORD i = 0; i < 30; ++i)
        EXPECT_EQ(enables[i].args, (std::vector<DWORD>{ i, i < 3 ? 1u : 0u }));
    EXPECT_EQ(m_device->Log()[0], (DeviceCall{ "SetLight", { 0 } }));
    EXPECT_EQ(m_device->Log()[1], (DeviceCall{ "LightEnable", { 0, 1 } }));
    EXPECT_EQ(m_render->m_sunLight.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(m_render->m_sunLight.Direction.z, -1.0f);
    EXPECT_FALSE(m_device->IsLightEnabled(3));
}

TEST_F(Render, FadeStaysWithinItsMaximum)
{
    m_render->m_fadeMax = 255;
    const std::pair<float, float> cases[] = { { 1.5f, 255.0f }, { -0.2f, 0.0f }, { 0.5f, 127.5f }, { 1.0f, 255.0f } };
    for (const auto& c : cases) {
        m_render->SetFade(c.first);
        EXPECT_EQ(m_render->m_fade, c.second) << c.first;
    }
}

TEST_F(Render, WorldToScreenGivesPixelsWithYDownwards)
{
    CPPerspectiveCamera camera;
    SetDefaultCamera(camera);
    camera.Update();
    m_render->m_viewProjection = camera.GetViewProjection();

    const float up = 10.0f * std::tan(D3DXToRadian(35.0f));
    struct Case
    {
        D3DXVECTOR3 world;
        float x, y;
    };
    const Case cases[] = {
        { { 10, 0, 0 }, 512, 384 },           // straight ahead: the centre
        { { 10, 0, up }, 512, 0 },            // the top edge of the view
        { { 10, 0, -up }, 512, 768 },         // the bottom edge
        { { 10, up * 1024 / 768, 0 }, 1024, 384 }, // +y is to the right
        { { 20, -up, up }, 512 - 192, 192 },  // half way to the upper left
    };
    for (const Case& c : cases) {
        const D3DXVECTOR3 screen = m_render->WorldToScreen(c.world);
        EXPECT_NEAR(screen.x, c.x, 1e-3f) << c.world.x << " " << c.world.y << " " << c.world.z;
        EXPECT_NEAR(screen.y, c.y, 1e-3f) << c.world.x << " " << c.world.y << " " << c.world.z;
        EXPECT_EQ(screen.z, 0.0f);
    }
}

TEST_F(Render, GeometryBuffersAreSharedWhateverTheNameCase)
{
    Quad quad;
    CPGeometryBuffer* first = m_render->GetGeometryBuffer("Data\\Meshes\\Tree.P3D", quad.vertices, quad.indices, 4, 6);
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(first->IsDrawable());
    EXPECT_EQ(first->vertexCount, 4);
    EXPECT_EQ(first->triangleCount, 2);
    EXPECT_EQ(first->vertices.size(), 4u);
    EXPECT_EQ(first->indices, std::vector<uint16_t>(quad.indices, quad.indices + 6));

    const ResourceRecord* vertices = RecordOf(first->vertexBuffer);
    const ResourceRecord* indices = RecordOf(first->indexBuffer);
    EXPECT_EQ(vertices->length, 4 * 48u);
    EXPECT_EQ(vertices->usage, D3DUSAGE_WRITEONLY);
    EXPECT_EQ(vertices->fvf, 0x2D2u);
    EXPECT_EQ(vertices->pool, D3DPOOL_MANAGED);
    EXPECT_EQ(indices->length, 12u);
    EXPECT_EQ(indices->format, D3DFMT_INDEX16);
    EXPECT_EQ(vertices->lockDepth + indices->lockDepth, 0);
    EXPECT_EQ(std::memcmp(vertices->memory.data(), quad.vertices, sizeof(quad.vertices)), 0);
    EXPECT_EQ(std::memcmp(indices->memory.data(), quad.indices, sizeof(quad.indices)), 0);

    // Another case of the same name: the same record, the new data ignored.
    m_device->ClearLog();
    Quad other;
    other.vertices[0].position.x = 99;
    EXPECT_EQ(m_render->GetGeometryBuffer("data\\meshes\\TREE.p3d", other.vertices, other.indices, 3, 3), first);
    EXPECT_TRUE(m_device->Log().empty());
    EXPECT_EQ(first->vertices[0].position.x, 0.0f);
    EXPECT_EQ(m_render->GetGeometryBufferCount(), 1u);
    EXPECT_TRUE(m_reports.empty());
}

TEST_F(Render, FailedGeometryUploadsLeaveRecordsWithoutBuffers)
{
    const char* const failures[] = { "CreateVertexBuffer", "CreateIndexBuffer", "VertexBuffer::Lock",
                                     "IndexBuffer::Lock" };
    Quad quad;
    for (const char* call : failures) {
        m_reports.clear();
        m_device->FailCall(call, 1, D3DERR_OUTOFVIDEOMEMORY);
        CPGeometryBuffer* record = m_render->GetGeometryBuffer(call, quad.vertices, quad.indices, 4, 6);
        ASSERT_NE(record, nullptr) << call;
        EXPECT_FALSE(record->vertexBuffer || record->indexBuffer) << call;
        EXPECT_EQ(record->triangleCount, 0) << call;
        ASSERT_EQ(m_reports.size(), 1u) << call;
        EXPECT_NE(m_reports[0].find("Render/PRender"), std::string::npos);
        EXPECT_NE(m_reports[0].find("D3DERR_OUTOFVIDEOMEMORY"), std::string::npos);
        // Nothing is left made or locked.
        for (const auto& resource : m_device->Resources()) {
            EXPECT_TRUE(resource->released) << call;
            EXPECT_EQ(resource->lockDepth, 0) << call;
        }
        // The name keeps its empty record: no second attempt.
        m_device->ClearLog();
        EXPECT_EQ(m_render->GetGeometryBuffer(call, quad.vertices, quad.indices, 4, 6), record);
        EXPECT_TRUE(m_device->Log().empty());
    }
}

TEST_F(Render, MeshesTheBuffersCannotHoldAreRefused)
{
    std::vector<CPVertex> many(65537);
    std::vector<uint16_t> manyIndices = { 0, 1, 65535 };
    Quad quad;
    uint16_t pastTheEnd[3] = { 0, 1, 4 };
    struct Case
    {
        const char* name;
        const CPVertex* vertices;
        const uint16_t* indices;
        int32_t vertexCount;
        int32_t indexCount;
    };
    const Case refused[] = {
        { "too many vertices", many.data(), manyIndices.data(), 65537, 3 },
        { "index past the vertices", quad.vertices, pastTheEnd, 4, 3 },
        { "negative count", quad.vertices, quad.indices, -1, 6 },
        { "no vertex data", nullptr, quad.indices, 4, 6 },
    };
    for (const Case& c : refused) {
        m_reports.clear();
        CPGeometryBuffer* record = m_render->GetGeometryBuffer(c.name, c.vertices, c.indices, c.vertexCount,
                                                               c.indexCount);
        ASSERT_NE(record, nullptr) << c.name;
        EXPECT_FALSE(record->IsDrawable()) << c.name;
        EXPECT_EQ(m_reports.size(), 1u) << c.name;
    }
    EXPECT_TRUE(m_device->Log().empty());

    // 65,536 vertices are the most that 16-bit indices reach.
    CPGeometryBuffer* largest = m_render->GetGeometryBuffer("largest", many.data(), manyIndices.data(), 65536, 3);
    EXPECT_TRUE(largest->IsDrawable());
    EXPECT_EQ(largest->vertexCount, 65536);
}

TEST_F(Render, ReleasedGeometryKeepsItsRecordsEmpty)
{
    Quad quad;
    CPGeometryBuffer* record = m_render->GetGeometryBuffer("rock", quad.vertices, quad.indices, 4, 6);
    ASSERT_TRUE(record->IsDrawable());
    m_render->ReleaseGeometryBuffers();
    EXPECT_EQ(PlatformD3D9::LiveResourceCount(), 0);
    // A body still holding the record finds nothing to draw.
    EXPECT_FALSE(record->IsDrawable());
    EXPECT_EQ(record->triangleCount, 0);
    EXPECT_TRUE(record->vertices.empty());
    EXPECT_EQ(m_render->GetGeometryBufferCount(), 0u);

    // The next level uploads the mesh again.
    CPGeometryBuffer* again = m_render->GetGeometryBuffer("ROCK", quad.vertices, quad.indices, 4, 6);
    EXPECT_NE(again, record);
    EXPECT_TRUE(again->IsDrawable());
}

TEST_F(Render, LayersKeepOneEntryPerIdInAscendingOrder)
{
    CPBaseCamera first;
    CPBaseCamera second;
    m_render->AddCamera(kLayerSecondCamera, &first);
    m_render->AddCamera(kLayerSecondCamera, &second);
    const CPLayerEntry& entry = m_render->m_layers.at(kLayerSecondCamera);
    EXPECT_EQ(entry.m_changeCount, 2);
    EXPECT_EQ(entry.m_layerId, kLayerSecondCamera);
    EXPECT_EQ(entry.m_camera, &second);
    EXPECT_EQ(entry.m_value, -1);
    EXPECT_EQ(entry.m_transformSet, 0);

    D3DXMATRIX level;
    D3DXMatrixTranslation(&level, 1, 2, 3);
    m_render->SetCameraTransform(level, kLayerLevel);
    const CPLayerEntry& levelEntry = m_render->m_layers.at(kLayerLevel);
    EXPECT_FALSE(levelEntry.m_camera);
    EXPECT_EQ(levelEntry.m_transformSet, 1);
    EXPECT_EQ(levelEntry.m_transform, level);
    EXPECT_EQ(levelEntry.m_changeCount, 1);

    m_render->AddCamera(kLayerMainCamera, &first);
    std::vector<int32_t> ids;
    for (const auto& layer : m_render->m_layers)
        ids.push_back(layer.first);
    EXPECT_EQ(ids, (std::vector<int32_t>{ kLayerMainCamera, kLayerLevel, kLayerSecondCamera }));
    m_render->m_layers.clear();
}

TEST_F(Render, BlurGridPointsAwayFromTheShiftedCentre)
{
    CPBlurGrid& grid = m_render->m_blurGrid;
    grid.columns = 1;
    grid.rows = 1;
    grid.points.resize(4);
    const float corners[4][2] = { { 0, 0 }, { 1024, 0 }, { 0, 768 }, { 1024, 768 } };
    for (int i = 0; i < 4; ++i) {
        grid.points[i].x = corners[i][0];
        grid.points[i].y = corners[i][1];
    }

    g_CfgBlur = 0;
    m_render->UpdateBlurGrid(0.0f);
    EXPECT_TRUE(grid.directions.empty());

    g_CfgBlur = 1;
    m_render->UpdateBlurGrid(0.0f); // centre (512, 384): the corners lie on 3-4-5 diagonals
    ASSERT_EQ(grid.directions.size(), 4u);
    EXPECT_NEAR(grid.directions[0].x, -0.8f, 1e-6f);
    EXPECT_NEAR(grid.directions[0].y, -0.6f, 1e-6f);
    EXPECT_NEAR(grid.directions[3].x, 0.8f, 1e-6f);
    EXPECT_NEAR(grid.directions[3].y, 0.6f, 1e-6f);

    m_render->UpdateBlurGrid(1.0f); // centre (512, 768): the bottom corners lie level with it
    EXPECT_NEAR(grid.directions[2].x, -1.0f, 1e-6f);
    EXPECT_NEAR(grid.directions[2].y, 0.0f, 1e-6f);

    // Counts larger than the points the host built stop at the points.
    grid.rows = 5;
    m_render->UpdateBlurGrid(0.0f);
    EXPECT_EQ(grid.directions.size(), 4u);
}

TEST_F(Render, SmallSettersKeepWhatTheGameCodeReads)
{
    m_render->SetAmbient(0xff102030, 0.25f, 0.5f, 0.75f);
    EXPECT_EQ(m_render->m_ambientColour, 0xff102030u);
    EXPECT_EQ(m_render->m_ambient[2], 0.75f);
    EXPECT_EQ(m_render->m_ambient[3], 1.0f);
    EXPECT_EQ(m_device->RenderState(D3DRS_AMBIENT), 0xff102030u);

    m_render->SetMotionBlur(0.3f);
    EXPECT_EQ(m_render->m_motionBlurOn, 1);
    EXPECT_EQ(m_render->m_motionBlurAmount, 0.3f);
    m_render->SetMotionBlur(0.0f);
    EXPECT_EQ(m_render->m_motionBlurOn, 0);
    EXPECT_EQ(m_render->m_motionBlurAmount, 0.0f);
    m_render->SetBlurAlpha(CPRender::kGloomWorld);
    EXPECT_EQ(m_render->m_gloom, 150);

    m_render->AddLine(0xFFFF0000, D3DXVECTOR3(1, 2, 3), D3DXVECTOR3(4, 5, 6));
    EXPECT_EQ(m_render->m_linesOn, 1);
    ASSERT_EQ(m_render->m_lineVertices.size(), 2u);
    EXPECT_EQ(m_render->m_lineVertices[1].position, D3DXVECTOR3(4, 5, 6));
    EXPECT_EQ(m_render->m_lineVertices[0].diffuse, 0xFFFF0000u);

    EXPECT_FALSE(m_render->GetRenderQueue());
    CPRenderQueue queue;
    CPMaterial shadow(3);
    m_render->m_renderQueue = &queue;
    m_render->m_shadowMaterial = &shadow;
    {
        CPSmartPtr<CPRenderQueue> held = m_render->GetRenderQueue();
        EXPECT_EQ(held, &queue);
        EXPECT_EQ(m_render->GetShadowMaterial(), &shadow);
    }
    m_render->m_renderQueue = nullptr;
    m_render->m_shadowMaterial = nullptr;
}

TEST_F(Render, EachSkyReplacesThePreviousOne)
{
    m_render->LoadSky(3);
    ASSERT_NE(m_render->m_sky, nullptr);
    EXPECT_EQ(CPDeviceObject::Count(), 2u); // the sky and its volume cloud
    EXPECT_EQ(CPDeviceObject::First(), m_render->m_sky);
    m_render->LoadSky(4);
    EXPECT_EQ(CPDeviceObject::Count(), 2u);
    EXPECT_EQ(CPDeviceObject::First(), m_render->m_sky);
    // The render system's destruction takes the sky with it (checked in TearDown).
}
