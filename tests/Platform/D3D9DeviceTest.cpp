#include "DeviceCallPrinter.h"
#include "Platform/D3D9Device.h"
#include "Platform/DisplayModes.h"

#include <gtest/gtest.h>

#include <cstring>

using PlatformD3D9::DeviceCall;
using PlatformD3D9::DeviceState;
using PlatformD3D9::RecordingDevice;
using PlatformD3D9::RecordOf;
using PlatformD3D9::ResourceRecord;

namespace
{
class D3D9Device : public ::testing::Test
{
protected:
    void SetUp() override { m_device = PlatformD3D9::CreateRecordingDevice(D3DPRESENT_PARAMETERS{}); }
    void TearDown() override
    {
        m_device->Release();
        EXPECT_EQ(PlatformD3D9::LiveDeviceCount(), 0);
        EXPECT_EQ(PlatformD3D9::LiveResourceCount(), 0);
    }

    RecordingDevice* m_device = nullptr;
};
}

TEST_F(D3D9Device, KeepsStatesAsRawValuesAndLogsEachCall)
{
    IDirect3DDevice9* device = m_device;
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_FOGEND, FloatBits(180.0f));
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetSamplerState(0, D3DSAMP_MAXANISOTROPY, 4);
    D3DXMATRIX view;
    D3DXMatrixTranslation(&view, 1, 2, 3);
    device->SetTransform(D3DTS_VIEW, &view);
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_POINT;
    device->SetLight(3, &light);
    device->LightEnable(3, TRUE);
    device->SetFVF(0x2D2);

    EXPECT_EQ(m_device->RenderState(D3DRS_LIGHTING), 1u);
    EXPECT_EQ(m_device->RenderState(D3DRS_FOGEND), 0x43340000u); // 180.0f
    EXPECT_FALSE(m_device->HasRenderState(D3DRS_ZENABLE));
    EXPECT_EQ(m_device->TextureStageState(1, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_DISABLE));
    EXPECT_EQ(m_device->SamplerState(0, D3DSAMP_MAXANISOTROPY), 4u);
    ASSERT_NE(m_device->Transform(D3DTS_VIEW), nullptr);
    EXPECT_EQ(D3DXMATRIX(*m_device->Transform(D3DTS_VIEW)), view);
    EXPECT_EQ(m_device->Transform(D3DTS_WORLD), nullptr);
    ASSERT_NE(m_device->Light(3), nullptr);
    EXPECT_EQ(m_device->Light(3)->Type, D3DLIGHT_POINT);
    EXPECT_TRUE(m_device->IsLightEnabled(3));
    EXPECT_FALSE(m_device->IsLightEnabled(2));
    EXPECT_EQ(m_device->Fvf(), 0x2D2u);

    DWORD value = 0;
    EXPECT_EQ(device->GetRenderState(D3DRS_FOGEND, &value), D3D_OK);
    EXPECT_EQ(value, 0x43340000u);

    const std::vector<DeviceCall> expected = {
        { "SetRenderState", { D3DRS_LIGHTING, 1 } },
        { "SetRenderState", { D3DRS_FOGEND, 0x43340000u } },
        { "SetTextureStageState", { 1, D3DTSS_COLOROP, D3DTOP_DISABLE } },
        { "SetSamplerState", { 0, D3DSAMP_MAXANISOTROPY, 4 } },
        { "SetTransform", { D3DTS_VIEW } },
        { "SetLight", { 3 } },
        { "LightEnable", { 3, 1 } },
        { "SetFVF", { 0x2D2 } },
        { "GetRenderState", { D3DRS_FOGEND } },
    };
    EXPECT_EQ(m_device->Log(), expected);
    EXPECT_EQ(m_device->Log()[0].Text(), "SetRenderState(137, 1)");

    // A stage past the last is refused, and the refusal is in the log.
    EXPECT_EQ(device->SetTextureStageState(8, D3DTSS_COLOROP, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->Log().back().Text(), "SetTextureStageState(8, 1, 1) -> 0x8876086c");
}

TEST_F(D3D9Device, BuffersKeepTheirBytesAndLockState)
{
    IDirect3DVertexBuffer9* vertices = nullptr;
    ASSERT_EQ(m_device->CreateVertexBuffer(96, D3DUSAGE_WRITEONLY, 0x2D2, D3DPOOL_MANAGED, &vertices, nullptr),
              D3D_OK);
    ResourceRecord* record = RecordOf(vertices);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->length, 96u);
    EXPECT_EQ(record->usage, D3DUSAGE_WRITEONLY);
    EXPECT_EQ(record->fvf, 0x2D2u);
    EXPECT_EQ(record->pool, D3DPOOL_MANAGED);

    void* data = nullptr;
    ASSERT_EQ(vertices->Lock(48, 0, &data, D3DLOCK_DISCARD), D3D_OK);
    EXPECT_EQ(record->lockDepth, 1);
    EXPECT_EQ(record->lockSize, 48u); // size 0: to the end
    std::memset(data, 0xAB, 48);
    EXPECT_EQ(vertices->Unlock(), D3D_OK);
    EXPECT_EQ(record->lockDepth, 0);
    EXPECT_EQ(record->memory[47], 0);
    EXPECT_EQ(record->memory[48], 0xAB);
    EXPECT_EQ(vertices->Unlock(), D3DERR_INVALIDCALL);
    EXPECT_EQ(vertices->Lock(90, 8, &data, 0), D3DERR_INVALIDCALL); // past the end
    vertices->Release();
    EXPECT_TRUE(record->released);

    IDirect3DIndexBuffer9* indices = nullptr;
    EXPECT_EQ(m_device->CreateIndexBuffer(6, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &indices, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(indices, nullptr);
    ASSERT_EQ(m_device->CreateIndexBuffer(6, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices, nullptr), D3D_OK);
    EXPECT_EQ(m_device->CreateVertexBuffer(0, 0, 0, D3DPOOL_MANAGED, &vertices, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(vertices, nullptr);

    // Slots hold a reference: the buffer lives on after its creator lets go.
    IDirect3DVertexBuffer9* bound = nullptr;
    ASSERT_EQ(m_device->CreateVertexBuffer(48, 0, 0, D3DPOOL_MANAGED, &bound, nullptr), D3D_OK);
    m_device->SetStreamSource(0, bound, 0, 48);
    m_device->SetIndices(indices);
    ResourceRecord* boundRecord = RecordOf(bound);
    bound->Release();
    indices->Release();
    EXPECT_FALSE(boundRecord->released);
    EXPECT_EQ(m_device->Stream(0).stride, 48u);
    EXPECT_EQ(m_device->CallsOf("SetStreamSource")[0].args, (std::vector<DWORD>{ 0, boundRecord->serial, 0, 48 }));
    m_device->SetStreamSource(0, nullptr, 0, 0);
    EXPECT_TRUE(boundRecord->released);
    EXPECT_EQ(PlatformD3D9::LiveResourceCount(), 1); // the index buffer, still bound
}

TEST_F(D3D9Device, ScenesBalanceAndDrawingNeedsOne)
{
    EXPECT_EQ(m_device->EndScene(), D3DERR_INVALIDCALL);
    const char vertices[28 * 4] = {};
    EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, vertices, 28), D3DERR_INVALIDCALL);
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    EXPECT_EQ(m_device->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, vertices, 28), D3D_OK);
    EXPECT_EQ(m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1), D3DERR_INVALIDCALL); // nothing bound
    EXPECT_EQ(m_device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->SceneDepth(), 1);
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
    EXPECT_EQ(m_device->ScenesEnded(), 1);
    EXPECT_EQ(m_device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(m_device->PresentCount(), 1);
}

TEST_F(D3D9Device, FailsTheChosenUseOfACall)
{
    m_device->FailCall("SetRenderState", 2, E_OUTOFMEMORY);
    m_device->FailCall("VertexBuffer::Lock", 1, D3DERR_INVALIDCALL);
    m_device->FailCall("Present", 1, D3DERR_DEVICELOST);

    EXPECT_EQ(m_device->SetRenderState(D3DRS_ZENABLE, TRUE), D3D_OK);
    EXPECT_EQ(m_device->SetRenderState(D3DRS_ZENABLE, FALSE), E_OUTOFMEMORY);
    EXPECT_EQ(m_device->RenderState(D3DRS_ZENABLE), 1u); // the failed call changed nothing
    EXPECT_EQ(m_device->SetRenderState(D3DRS_ZENABLE, FALSE), D3D_OK);
    EXPECT_EQ(m_device->Log()[1].result, E_OUTOFMEMORY);

    IDirect3DVertexBuffer9* buffer = nullptr;
    ASSERT_EQ(m_device->CreateVertexBuffer(48, 0, 0, D3DPOOL_MANAGED, &buffer, nullptr), D3D_OK);
    void* data = &data;
    EXPECT_EQ(buffer->Lock(0, 0, &data, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(RecordOf(buffer)->lockDepth, 0);
    EXPECT_EQ(buffer->Lock(0, 0, &data, 0), D3D_OK);
    buffer->Unlock();
    buffer->Release();

    EXPECT_EQ(m_device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(m_device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(m_device->PresentCount(), 1);

    IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(&data);
    m_device->FailCall("CreateTexture", 1, D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(m_device->CreateTexture(64, 64, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
              D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(texture, nullptr);
}

TEST_F(D3D9Device, ResetNeedsTheDefaultPoolEmptyAndClearsTheStates)
{
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(m_device->CreateTexture(64, 32, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture, nullptr), D3D_OK);
    EXPECT_EQ(texture->GetLevelCount(), 7u); // 64x32 down to 1x1
    D3DSURFACE_DESC level{};
    ASSERT_EQ(texture->GetLevelDesc(6, &level), D3D_OK);
    EXPECT_EQ(level.Width, 1u);
    m_device->SetTexture(0, texture);
    m_device->SetRenderState(D3DRS_LIGHTING, TRUE);

    m_device->SetDeviceState(DeviceState::kLost);
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(m_device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferWidth = 800;
    EXPECT_EQ(m_device->Reset(&parameters), D3DERR_DEVICELOST);
    m_device->SetDeviceState(DeviceState::kNotReset);
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(m_device->Reset(&parameters), D3DERR_INVALIDCALL); // the texture is still alive

    texture->Release();
    EXPECT_EQ(m_device->LiveDefaultPoolResources(), 1); // the stage still holds it
    m_device->SetTexture(0, nullptr);
    ASSERT_EQ(m_device->Reset(&parameters), D3D_OK);
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(m_device->ResetCount(), 1);
    EXPECT_EQ(m_device->PresentParameters().BackBufferWidth, 800u);
    EXPECT_FALSE(m_device->HasRenderState(D3DRS_LIGHTING));
}

// Light indices below and past the few the device keeps in a row behave
// alike: unset, enabled without a light (the default white directional one),
// set then enabled and disabled, and all forgotten by a Reset.
TEST_F(D3D9Device, KeepsLightsAtAnyIndex)
{
    const DWORD indices[] = { 0, 7, 31, 32, 33, 1000, 0xFFFFFFFFu };
    IDirect3DDevice9* device = m_device;
    for (const DWORD index : indices) {
        SCOPED_TRACE(index);
        EXPECT_EQ(m_device->Light(index), nullptr);
        EXPECT_FALSE(m_device->IsLightEnabled(index));
        D3DLIGHT9 read{};
        EXPECT_EQ(device->GetLight(index, &read), D3DERR_INVALIDCALL);
        BOOL enabled = TRUE;
        EXPECT_EQ(device->GetLightEnable(index, &enabled), D3DERR_INVALIDCALL);

        ASSERT_EQ(device->LightEnable(index, TRUE), D3D_OK);
        ASSERT_NE(m_device->Light(index), nullptr);
        EXPECT_EQ(m_device->Light(index)->Type, D3DLIGHT_DIRECTIONAL);
        EXPECT_EQ(m_device->Light(index)->Diffuse.r, 1.0f);
        EXPECT_EQ(m_device->Light(index)->Direction.z, 1.0f);
        EXPECT_TRUE(m_device->IsLightEnabled(index));

        D3DLIGHT9 light{};
        light.Type = D3DLIGHT_SPOT;
        light.Range = static_cast<float>(index % 100);
        ASSERT_EQ(device->SetLight(index, &light), D3D_OK);
        EXPECT_TRUE(m_device->IsLightEnabled(index)); // setting keeps the enable state
        ASSERT_EQ(device->LightEnable(index, FALSE), D3D_OK);
        EXPECT_FALSE(m_device->IsLightEnabled(index));
        ASSERT_EQ(device->GetLight(index, &read), D3D_OK);
        EXPECT_EQ(read.Type, D3DLIGHT_SPOT); // enabling again keeps a light that was set
        EXPECT_EQ(read.Range, light.Range);
        ASSERT_EQ(device->LightEnable(index, 2), D3D_OK);
        ASSERT_EQ(device->GetLightEnable(index, &enabled), D3D_OK);
        EXPECT_EQ(enabled, TRUE);
        EXPECT_EQ(m_device->Light(index)->Type, D3DLIGHT_SPOT);
    }
    EXPECT_EQ(m_device->Light(2), nullptr); // neighbours stay unset
    EXPECT_EQ(m_device->Light(34), nullptr);

    D3DPRESENT_PARAMETERS parameters{};
    ASSERT_EQ(m_device->Reset(&parameters), D3D_OK);
    for (const DWORD index : indices) {
        EXPECT_EQ(m_device->Light(index), nullptr) << index;
        EXPECT_FALSE(m_device->IsLightEnabled(index)) << index;
    }
}

TEST(Direct3D9, CreatesARecordingDevice)
{
    PlatformDisplay::Source source;
    source.modes.push_back(PlatformDisplay::Mode{ 1024, 768, 60, D3DFMT_X8R8G8B8, false });
    PlatformDisplay::SetSource(source);
    IDirect3D9* direct3D = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(direct3D, nullptr);
    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferWidth = 1024;
    IDirect3DDevice9* device = nullptr;
    EXPECT_EQ(direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, 0, &parameters, &device),
              D3DERR_INVALIDCALL); // no vertex processing chosen
    EXPECT_EQ(direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_REF, nullptr,
                                     D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &device),
              D3DERR_NOTAVAILABLE);
    ASSERT_EQ(direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                     &parameters, &device),
              D3D_OK);
    RecordingDevice* recording = RecordOf(device);
    ASSERT_NE(recording, nullptr);
    EXPECT_EQ(recording->PresentParameters().BackBufferWidth, 1024u);
    // A device the game makes keeps no call log until a test asks for one;
    // its states are kept all the same.
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    EXPECT_TRUE(recording->Log().empty());
    EXPECT_EQ(recording->RenderState(D3DRS_LIGHTING), 1u);
    recording->SetLogging(true);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    ASSERT_EQ(recording->Log().size(), 1u);
    EXPECT_EQ(recording->Log()[0].method, "SetRenderState");
    device->Release();
    direct3D->Release();
    PlatformDisplay::UseSystemModes();
    EXPECT_EQ(PlatformD3D9::LiveDeviceCount(), 0);
}
