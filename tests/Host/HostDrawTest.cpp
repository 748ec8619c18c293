#include "Host/PHostDraw.h"

#include "Core/PLog.h"
#include "DeviceCallPrinter.h"
#include "DynamicSky/Skyscape.h"
#include "Platform/D3D9Device.h"
#include "Platform/D3DX9Effect.h"
#include "Render/PEffectManager.h"
#include "Render/PIVertexBuffer.h"
#include "Render/PPerspectiveCamera.h"
#include "Render/PRender.h"
#include "Render/PRenderQueue.h"
#include "Render/RenderScene.h"
#include "ScratchRoot.h"
#include "Startup/PConfigVars.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using PlatformD3D9::DeviceCall;
using PlatformD3D9::RecordOf;

namespace
{
// One pass and two passes; both read the frame time and a texture.
const char kOnePass[] = "shared float4x4 g_mViewProjection;\nfloat time;\ntexture tex0;\n"
                        "technique Lit { pass P0 { } }\n";
const char kTwoPasses[] = "shared float4x4 g_mViewProjection;\nfloat time;\n"
                          "technique Glow { pass Base { } pass Shine { } }\n";

class HostDraw : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_saved = { g_CfgScreenWidth, g_CfgScreenHeight, g_CfgBlur };
        g_CfgScreenWidth = 640;
        g_CfgScreenHeight = 480;
        g_CfgBlur = 0;
        m_root.MakeFile("Data/Effects/lit.fx", kOnePass);
        m_root.MakeFile("Data/Effects/glow.fx", kTwoPasses);
        m_device = PlatformD3D9::CreateRecordingDevice(D3DPRESENT_PARAMETERS{});
        m_render = std::make_unique<CPRender>(m_device);
        g_Render = m_render.get();
        ID3DXEffectPool* pool = nullptr;
        ASSERT_EQ(D3DXCreateEffectPool(&pool), D3D_OK);
        m_effects = std::make_unique<CPEffectManager>(pool);
        pool->Release();
        g_EffectManager = m_effects.get();
        m_queue = std::make_unique<CPRenderQueue>();
        m_staticQueue = std::make_unique<CPRenderQueue>();
        m_render->m_renderQueue = m_queue.get();
        m_render->m_staticQueue = m_staticQueue.get();
        ASSERT_TRUE(CreateHostRings(m_device, m_queue.get(), m_staticQueue.get(), 16, 48));

        SetCamera(m_camera, D3DXVECTOR3(0, 0, 0));
        SetCamera(m_overlay, D3DXVECTOR3(0, 0, 50));
        m_render->AddCamera(20, &m_camera);
        m_render->AddCamera(30, &m_overlay);
        GetLog().SetSink([this](int32_t, const std::string& text) { m_log.push_back(text); });
    }
    void TearDown() override
    {
        GetLog().SetSink(nullptr);
        DestroyHostRings();
        m_render.reset();
        g_Render = nullptr;
        m_queue.reset();
        m_staticQueue.reset();
        // The materials go before their effects, and the effects before the cache.
        m_kit.reset();
        for (CPEffect* effect : m_madeEffects)
            delete effect;
        m_effects.reset();
        g_ActiveCamera = nullptr;
        g_CfgScreenWidth = m_saved[0];
        g_CfgScreenHeight = m_saved[1];
        g_CfgBlur = m_saved[2];
    }

    static void SetCamera(CPPerspectiveCamera& camera, const D3DXVECTOR3& eye)
    {
        camera.m_eye = eye;
        camera.m_target = eye + D3DXVECTOR3(1, 0, 0);
        camera.m_up = D3DXVECTOR3(0, 0, 1);
        camera.m_fieldOfView = 1.0f;
        camera.m_near = 1.0f;
        camera.m_far = 1000.0f;
        camera.m_viewDirty = 1;
        camera.m_projectionDirty = 1;
        camera.Update();
    }

    CPMaterial* Material(int32_t layer, const char* spec)
    {
        CPSmartPtr<CPEffect> effect = m_effects->GetEffect(spec);
        if (std::find(m_madeEffects.begin(), m_madeEffects.end(), effect.Get()) == m_madeEffects.end())
            m_madeEffects.push_back(effect.Get());
        return m_kit->Material(layer, effect);
    }

    // The calls that show what was drawn: buffer locks, the view of each
    // layer, draws and the present.
    std::vector<std::string> Drawing() const
    {
        std::vector<std::string> calls;
        for (const DeviceCall& call : m_device->Log()) {
            const bool view = call.method == "SetTransform" && !call.args.empty() && call.args[0] == D3DTS_VIEW;
            if (call.method == "DrawIndexedPrimitive" || call.method == "DrawPrimitiveUP" ||
                call.method == "Present" || view) {
                calls.push_back(call.Text());
            } else if (call.method == "VertexBuffer::Lock") {
                // The serial changes with the slot; the size is what counts.
                calls.push_back("Lock(" + std::to_string(call.args[2] / sizeof(CPVertex)) + " vertices)");
            }
        }
        return calls;
    }

    // The indices last written into the slot of the frame ring.
    std::vector<uint16_t> RingIndices(int32_t slot, size_t count) const
    {
        const auto* bytes = RecordOf(m_queue->GetDynamicBuffer()->GetIndexBuffer(slot))->memory.data();
        const auto* indices = reinterpret_cast<const uint16_t*>(bytes);
        return std::vector<uint16_t>(indices, indices + count);
    }

    ScratchRoot m_root;
    std::unique_ptr<SceneKit> m_kit = std::make_unique<SceneKit>();
    std::vector<CPEffect*> m_madeEffects;
    PlatformD3D9::RecordingDevice* m_device = nullptr;
    std::unique_ptr<CPRender> m_render;
    std::unique_ptr<CPEffectManager> m_effects;
    std::unique_ptr<CPRenderQueue> m_queue;
    std::unique_ptr<CPRenderQueue> m_staticQueue;
    CPPerspectiveCamera m_camera;
    CPPerspectiveCamera m_overlay;
    std::vector<std::string> m_log;
    std::vector<int32_t> m_saved;

public:
    ~HostDraw() override
    {
        if (m_device)
            m_device->Release();
    }
};

}

TEST_F(HostDraw, BatchesAreDrawnLayerByLayerInTheOrderTheyWereMade)
{
    CPMaterial* overlay = Material(30, "lit.fx");
    CPMaterial* glow = Material(20, "glow.fx,shared");
    CPMaterial* lit = Material(20, "lit.fx");
    CPMaterial* nowhere = Material(40, "lit.fx"); // a layer without a camera
    CPGameObject* root = m_kit->Group("root");
    m_kit->Mesh("sign", root, overlay, 3, 3);
    m_kit->Mesh("lamp", root, glow, 4, 6);
    m_kit->Mesh("tree", root, lit, 6, 6);
    m_kit->Mesh("lamp 2", root, glow, 5, 6);
    m_kit->Mesh("lost", root, nowhere, 3, 3);

    m_queue->AddObjectTree(root);
    m_device->ClearLog();
    EXPECT_EQ(DrawFrame(*m_render), D3D_OK);
    const std::vector<std::string> expected = {
        "SetTransform(2)", // layer 20
        "Lock(9 vertices)", "DrawIndexedPrimitive(4, 0, 0, 9, 0, 4)", "DrawIndexedPrimitive(4, 0, 0, 9, 0, 4)",
        "Lock(6 vertices)", "DrawIndexedPrimitive(4, 0, 0, 6, 0, 2)",
        "SetTransform(2)", // layer 30
        "Lock(3 vertices)", "DrawIndexedPrimitive(4, 0, 0, 3, 0, 1)",
        "Present(0)",
    };
    EXPECT_EQ(Drawing(), expected);
    // The two lamps share one lock, the second shifted by the first's vertices.
    EXPECT_EQ(RingIndices(0, 12), (std::vector<uint16_t>{ 0, 1, 2, 3, 0, 1, 4, 5, 6, 7, 8, 4 }));
    EXPECT_TRUE(m_queue->GetFrameBlocks().empty());
    EXPECT_EQ(m_device->ScenesEnded(), 1);

    // The same scene queued again draws the same way.
    m_queue->AddObjectTree(root);
    m_device->ClearLog();
    DrawFrame(*m_render);
    EXPECT_EQ(Drawing(), expected);
    // Nothing queued, nothing drawn.
    m_device->ClearLog();
    DrawFrame(*m_render);
    EXPECT_EQ(Drawing(), std::vector<std::string>{ "Present(0)" });
}

TEST_F(HostDraw, BatchesLargerThanASlotAreSplit)
{
    CPMaterial* lit = Material(20, "lit.fx");
    CPGameObject* root = m_kit->Group("root");
    for (int i = 0; i < 3; ++i)
        m_kit->Mesh("rock", root, lit, 7, 9);
    m_kit->Mesh("mountain", root, lit, 17, 3); // more than a slot holds
    m_queue->AddObjectTree(root);
    m_device->ClearLog();
    DrawFrame(*m_render);
    const std::vector<std::string> expected = {
        "SetTransform(2)",
        "Lock(14 vertices)", "DrawIndexedPrimitive(4, 0, 0, 14, 0, 6)",
        "Lock(7 vertices)", "DrawIndexedPrimitive(4, 0, 0, 7, 0, 3)",
        "Present(0)",
    };
    EXPECT_EQ(Drawing(), expected);
    // The second run starts again at index 0.
    EXPECT_EQ(RingIndices(1, 3), (std::vector<uint16_t>{ 0, 1, 2 }));
    ASSERT_EQ(m_log.size(), 1u);
    EXPECT_NE(m_log[0].find("does not fit"), std::string::npos);
}

TEST_F(HostDraw, HiddenBodiesComeFromTheirStaticBuffers)
{
    CPMaterial* lit = Material(20, "lit.fx");
    CPGameObject* rock = m_kit->Mesh("rock", nullptr, lit, 4, 6);
    CPRenderObject& mesh = SceneKit::MeshOf(rock);
    mesh.SetHidden(true);
    mesh.SetGeometry(m_render->GetGeometryBuffer("rock", mesh.GetLocalVertices().data(), mesh.GetIndices().data(),
                                                 4, 6));
    rock->SetPosition(D3DXVECTOR3(1, 2, 3));
    rock->UpdateTransform();
    m_queue->AddObjectTree(rock);
    m_device->ClearLog();
    DrawFrame(*m_render);
    const std::vector<std::string> expected = { "SetTransform(2)", "DrawIndexedPrimitive(4, 0, 0, 4, 0, 2)",
                                                "Present(0)" };
    EXPECT_EQ(Drawing(), expected);
    // Drawn from its own buffers, placed by a world transform of its own.
    std::vector<std::string> beforeDraw;
    for (const DeviceCall& call : m_device->Log()) {
        if (call.method == "DrawIndexedPrimitive")
            break;
        if (call.method == "SetStreamSource") {
            EXPECT_EQ(call.args[1], RecordOf(mesh.GetGeometry()->vertexBuffer)->serial);
        }
        beforeDraw.push_back(call.method);
    }
    EXPECT_NE(std::find(beforeDraw.begin(), beforeDraw.end(), "SetIndices"), beforeDraw.end());
    EXPECT_EQ(std::count(beforeDraw.begin(), beforeDraw.end(), "SetTransform"), 4); // view, projection, world x2
    // The world transform is the layer's again after the body.
    EXPECT_FLOAT_EQ(m_device->Transform(D3DTS_WORLD)->_41, 0.0f);
}

TEST_F(HostDraw, LinesFadeAndBlurGoOverTheFrame)
{
    m_render->AddLine(0xffff0000u, D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 1));
    m_render->m_fadeMax = 255;
    m_render->SetFade(0.5f);
    m_render->SetMotionBlur(0.3f);
    m_device->ClearLog();
    DrawFrame(*m_render);
    const std::vector<std::string> expected = {
        "DrawPrimitiveUP(2, 1, 48)", // the line
        "DrawPrimitiveUP(5, 2, 28)", // motion blur
        "DrawPrimitiveUP(5, 2, 28)", // fade
        "Present(0)",
    };
    EXPECT_EQ(Drawing(), expected);
    EXPECT_TRUE(m_render->m_lineVertices.empty());

    // Full fade, no blur: nothing over the frame.
    m_render->SetFade(1.0f);
    m_render->SetMotionBlur(0.0f);
    m_device->ClearLog();
    DrawFrame(*m_render);
    EXPECT_EQ(Drawing(), std::vector<std::string>{ "Present(0)" });
}

TEST_F(HostDraw, BodiesTheLevelRingRefusedGoThroughTheBatches)
{
    CPMaterial* lit = Material(20, "lit.fx");
    CPGameObject* level = m_kit->Group("level");
    m_kit->Mesh("wall", level, lit, 10, 12);
    CPGameObject* second = m_kit->Mesh("second wall", level, lit, 10, 12);
    ASSERT_TRUE(m_staticQueue->Lock());
    m_staticQueue->AddDynamicTree(level);
    m_staticQueue->Unlock();
    ASSERT_EQ(m_staticQueue->GetRefusedObjects().size(), 1u);
    EXPECT_EQ(m_staticQueue->GetRefusedObjects()[0], second);

    m_device->ClearLog();
    DrawFrame(*m_render);
    const std::vector<std::string> expected = { "SetTransform(2)", "Lock(10 vertices)",
                                                "DrawIndexedPrimitive(4, 0, 0, 10, 0, 4)", "Present(0)" };
    EXPECT_EQ(Drawing(), expected);
    // Every frame.
    m_device->ClearLog();
    DrawFrame(*m_render);
    EXPECT_EQ(Drawing(), expected);
}

TEST_F(HostDraw, TheSkyIsRenderedEachFrameAfterTheScene)
{
    CPMaterial* lit = Material(20, "lit.fx");
    CPGameObject* root = m_kit->Group("root");
    m_kit->Mesh("tree", root, lit, 6, 6);
    // A sky of one keyframe and one cloud state: a dome of 4 segments.
    CPSkyscape* sky = new CPSkyscape();
    sky->BuildDome(10.0f, 4, D3DXVECTOR3(0.0f, 0.0f, 0.0f), 1.0f);
    sky->colourPointCount = 2;
    sky->ringsPerColourStep = 1;
    CPSkyKeyframe keyframe;
    keyframe.duration = 10.0f;
    keyframe.colourPoints.assign(2, D3DXVECTOR3(10.0f, 20.0f, 30.0f));
    keyframe.fogColour = D3DXVECTOR3(1.0f, 2.0f, 3.0f);
    sky->keyframes.push_back(keyframe);
    sky->cloudSet.entries.emplace_back();
    sky->UpdateKeyframes();
    m_render->m_sky = sky; // the render system destroys it
    GetSkyDevice().device = m_device;

    m_queue->AddObjectTree(root);
    m_device->ClearLog();
    DrawFrame(*m_render);
    const std::vector<std::string> expected = { "SetTransform(2)", "Lock(6 vertices)",
                                                "DrawIndexedPrimitive(4, 0, 0, 6, 0, 2)",
                                                "Lock(10 vertices)", "DrawIndexedPrimitive(4, 0, 0, 10, 0, 8)",
                                                "Present(0)" };
    EXPECT_EQ(Drawing(), expected);
    EXPECT_EQ(m_render->m_fogColour, 0xFF010203u);
    EXPECT_EQ(m_device->CallsOf("Clear").size(), 2u); // the frame's, then the sky's depth
    GetSkyDevice().device = nullptr;
}
