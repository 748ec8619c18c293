#include "Render/PRender.h"

#include "Core/PFileReader.h"
#include "Core/PLog.h"
#include "Core/PUtils.h"
#include "DynamicSky/Skyscape.h"
#include "Platform/ComClasses.h"
#include "Platform/D3DX9Tex.h"
#include "Render/PBaseCamera.h"
#include "Render/PIVertexBuffer.h"
#include "Render/PMaterial.h"
#include "Render/PPerspectiveCamera.h"
#include "Render/PRenderQueue.h"
#include "Startup/PConfigVars.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

float g_AnisotropyFraction = 0.0f;
CPRender* g_Render = nullptr;

namespace
{
const char kSourceFile[] = "Render/PRender";
const char kSkyFileFormat[] = "skyscape%d.txt";
const char kLoadingBackground[] = "data\\textures\\back2.jpg";
const char kLoadingBar[] = "data\\textures\\load.tga";
// The bar's top edge: 251/256 of the screen height.
constexpr float kLoadingBarTop = 0.98046875f;

// The default view looks down the z axis from above the origin; y is up on
// the screen, since the world's up axis would lie along the line of sight.
const D3DXVECTOR3 kDefaultEye(0.0f, 0.0f, 14.5f);
const D3DXVECTOR3 kDefaultUp(0.0f, 1.0f, 0.0f);
constexpr float kDefaultFieldOfView = 1.0995574f; // 63 degrees
constexpr float kDefaultAspect = 4.0f / 3.0f;
constexpr float kDefaultNear = 0.1f;
constexpr float kDefaultFar = 1000.0f;
constexpr float kFogStart = 10.0f;
constexpr float kMaterialPower = 10.0f;

// 16-bit indices reach 65,536 vertices.
constexpr int32_t kMaxMeshVertices = 65536;

// A mesh the buffers can hold: counts in range, data present for them, and
// every index naming one of the vertices.
bool IsMeshValid(const CPVertex* vertices, const uint16_t* indices, int32_t vertexCount, int32_t indexCount)
{
    if (vertexCount < 0 || indexCount < 0 || vertexCount > kMaxMeshVertices)
        return false;
    if ((vertexCount > 0 && !vertices) || (indexCount > 0 && !indices))
        return false;
    for (int32_t i = 0; i < indexCount; ++i) {
        if (indices[i] >= vertexCount)
            return false;
    }
    return true;
}

// Both buffers made, filled and unlocked; false (with a report, and nothing
// left behind) when a creation or a lock fails.
bool UploadGeometry(IDirect3DDevice9& device, CPGeometryBuffer& record, const CPVertex* vertices,
                    const uint16_t* indices, int32_t vertexCount, int32_t indexCount)
{
    const UINT vertexBytes = static_cast<UINT>(vertexCount) * sizeof(CPVertex);
    const UINT indexBytes = static_cast<UINT>(indexCount) * sizeof(uint16_t);
    IDirect3DVertexBuffer9* vertexBuffer = nullptr;
    IDirect3DIndexBuffer9* indexBuffer = nullptr;
    HRESULT result = device.CreateVertexBuffer(vertexBytes, D3DUSAGE_WRITEONLY, CPVertex::kFvf, D3DPOOL_MANAGED,
                                               &vertexBuffer, nullptr);
    if (FAILED(result)) {
        ReportDXError(kSourceFile, __LINE__, result);
        return false;
    }
    result = device.CreateIndexBuffer(indexBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indexBuffer,
                                      nullptr);
    if (FAILED(result)) {
        ReportDXError(kSourceFile, __LINE__, result);
        vertexBuffer->Release();
        return false;
    }

    void* vertexData = nullptr;
    void* indexData = nullptr;
    result = vertexBuffer->Lock(0, 0, &vertexData, 0);
    if (FAILED(result)) {
        ReportDXError(kSourceFile, __LINE__, result);
        indexBuffer->Release();
        vertexBuffer->Release();
        return false;
    }
    result = indexBuffer->Lock(0, 0, &indexData, 0);
    if (FAILED(result)) {
        ReportDXError(kSourceFile, __LINE__, result);
        vertexBuffer->Unlock();
        indexBuffer->Release();
        vertexBuffer->Release();
        return false;
    }
    std::memcpy(vertexData, vertices, vertexBytes);
    std::memcpy(indexData, indices, indexBytes);
    record.vertices.assign(vertices, vertices + vertexCount);
    record.indices.assign(indices, indices + indexCount);
    vertexBuffer->Unlock();
    indexBuffer->Unlock();

    record.vertexBuffer = vertexBuffer;
    record.indexBuffer = indexBuffer;
    record.vertexCount = vertexCount;
    record.triangleCount = indexCount / 3;
    return true;
}
}

CPRender* GetRender()
{
    return g_Render;
}

CPRender::CPRender(IDirect3DDevice9* device)
    : m_device(device)
{
    D3DXMatrixIdentity(&m_viewProjection);
}

CPRender::~CPRender()
{
    ReleaseGeometryBuffers();
    SafeRelease(m_loadingBackground);
    SafeRelease(m_loadingBar);
    delete m_sky;
    // The layers let go of the screen camera before it is destroyed.
    m_layers.clear();
    m_screenCamera.reset();
}

void CPRender::InitRenderStates()
{
    if (IDirect3DDevice9* const device = m_device) {
        D3DXMATRIX view;
        const D3DXVECTOR3 target;
        D3DXMatrixLookAtLH(&view, &kDefaultEye, &target, &kDefaultUp);
        device->SetTransform(D3DTS_VIEW, &view);
        D3DXMATRIX projection;
        D3DXMatrixPerspectiveFovLH(&projection, kDefaultFieldOfView, kDefaultAspect, kDefaultNear, kDefaultFar);
        device->SetTransform(D3DTS_PROJECTION, &projection);

        device->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
        device->SetRenderState(D3DRS_LIGHTING, TRUE);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        device->SetRenderState(D3DRS_ZENABLE, TRUE);
        device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);

        SetTextureFiltering();

        // Stage 0: texture times vertex colour, wrapped; no alpha.
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
        device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);

        device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
        device->SetRenderState(D3DRS_DITHERENABLE, TRUE);
        device->SetRenderState(D3DRS_CLIPPING, TRUE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        device->SetRenderState(D3DRS_AMBIENT, m_ambientColour);

        device->SetFVF(CPVertex::kFvf);

        // Stage 1 ready for a second texture but off, clamped; stage 2 off.
        device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
        device->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(1, D3DTSS_ALPHAARG2, D3DTA_CURRENT);
        device->SetSamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
        device->SetSamplerState(1, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
        device->SetTextureStageState(2, D3DTSS_COLOROP, D3DTOP_DISABLE);
        device->SetTextureStageState(2, D3DTSS_ALPHAOP, D3DTOP_DISABLE);

        D3DMATERIAL9 material{};
        material.Diffuse = D3DCOLORVALUE{ 1.0f, 1.0f, 1.0f, 1.0f };
        material.Ambient = D3DCOLORVALUE{ 1.0f, 1.0f, 1.0f, 1.0f };
        material.Specular = D3DCOLORVALUE{ 0.3f, 0.3f, 0.3f, 1.0f };
        material.Emissive = D3DCOLORVALUE{ 0.0f, 0.0f, 0.0f, 0.0f };
        material.Power = kMaterialPower;
        device->SetMaterial(&material);
        device->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
        device->SetRenderState(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_MATERIAL);
        device->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL);

        // Linear fog from 10 to nine tenths of the draw distance.
        const float distance = static_cast<float>(g_CfgDistance);
        device->SetRenderState(D3DRS_FOGENABLE, TRUE);
        device->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
        device->SetRenderState(D3DRS_FOGDENSITY, FloatBits(0.0f));
        device->SetRenderState(D3DRS_FOGSTART, FloatBits(kFogStart));
        device->SetRenderState(D3DRS_FOGEND, FloatBits(distance - distance * 0.1f));
        device->SetRenderState(D3DRS_FOGCOLOR, m_fogColour);
    }

    // The screen camera maps pixels (y downwards) to clip space.
    auto camera = std::make_unique<CPBaseCamera>();
    D3DXMATRIX pixels;
    D3DXMatrixOrthoOffCenterLH(&pixels, 0.0f, static_cast<float>(g_CfgScreenWidth),
                               static_cast<float>(g_CfgScreenHeight), 0.0f, 0.0f, 1.0f);
    camera->SetMatrix(pixels);
    AddCamera(kLayerScreen, camera.get());
    m_screenCamera = std::move(camera);
}

void CPRender::SetTextureFiltering()
{
    if (!m_device)
        return;
    if (g_AnisotropyFraction > 0.0f) {
        const float wanted = std::ceil(static_cast<float>(m_maxAnisotropy) * g_AnisotropyFraction);
        const DWORD anisotropy = static_cast<DWORD>(std::min(static_cast<float>(m_maxAnisotropy), wanted));
        m_device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_ANISOTROPIC);
        m_device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_ANISOTROPIC);
        m_device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
        m_device->SetSamplerState(0, D3DSAMP_MAXANISOTROPY, anisotropy);
    } else {
        m_device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        m_device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        m_device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    }
    m_device->SetSamplerState(1, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    m_device->SetSamplerState(1, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    m_device->SetSamplerState(1, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
}

void CPRender::ApplyLights()
{
    if (m_device) {
        for (int32_t i = 0; i < m_lightCount; ++i) {
            m_device->SetLight(static_cast<DWORD>(i), &m_lights[i]);
            if (m_lights[i].Type == D3DLIGHT_DIRECTIONAL)
                m_sunLight = m_lights[i];
            m_device->LightEnable(static_cast<DWORD>(i), TRUE);
        }
        for (int32_t j = m_lightCount; j < kMaxLights; ++j)
            m_device->LightEnable(static_cast<DWORD>(j), FALSE);
    }
    m_lightCount = 0;
}

bool CPRender::AddLight(const D3DLIGHT9& light)
{
    if (m_lightCount >= kMaxLights)
        return false;
    m_lights[m_lightCount++] = light;
    return true;
}

void CPRender::SetAmbient(D3DCOLOR colour, float red, float green, float blue)
{
    m_ambientColour = colour;
    m_ambient[0] = red;
    m_ambient[1] = green;
    m_ambient[2] = blue;
    m_ambient[3] = 1.0f;
    if (m_device)
        m_device->SetRenderState(D3DRS_AMBIENT, colour);
}

CPLayerEntry& CPRender::GetLayer(int32_t layerId)
{
    auto found = m_layers.find(layerId);
    if (found == m_layers.end())
        found = m_layers.emplace(layerId, CPLayerEntry()).first;
    return found->second;
}

void CPRender::AddCamera(int32_t layerId, CPSmartPtr<CPBaseCamera> camera)
{
    CPLayerEntry& entry = GetLayer(layerId);
    ++entry.m_changeCount;
    entry.m_layerId = layerId;
    entry.m_camera = camera;
}

void CPRender::SetCameraTransform(const D3DXMATRIX& matrix, int32_t layerId)
{
    CPLayerEntry& entry = GetLayer(layerId);
    ++entry.m_changeCount;
    entry.m_transformSet = 1;
    entry.m_transform = matrix;
}

void CPRender::SetFade(float value)
{
    value = std::min(std::max(value, 0.0f), 1.0f);
    const float maximum = static_cast<float>(m_fadeMax);
    m_fade = maximum * value;
    if (m_fade > maximum)
        m_fade = maximum;
    if (m_fade < 0.0f)
        m_fade = 0.0f;
}

void CPRender::AddLine(D3DCOLOR colour, const D3DXVECTOR3& from, const D3DXVECTOR3& to)
{
    m_linesOn = 1;
    CPVertex end;
    end.diffuse = colour;
    end.position = from;
    m_lineVertices.push_back(end);
    end.position = to;
    m_lineVertices.push_back(end);
}

D3DXVECTOR3 CPRender::WorldToScreen(const D3DXVECTOR3& point) const
{
    const D3DXVECTOR4 world(point, 1.0f);
    D3DXVECTOR4 clip;
    D3DXVec4Transform(&clip, &world, &m_viewProjection);
    const float width = static_cast<float>(g_CfgScreenWidth);
    const float height = static_cast<float>(g_CfgScreenHeight);
    return D3DXVECTOR3((clip.x / clip.w + 1.0f) * width * 0.5f, height * 0.5f - height * (clip.y / clip.w) * 0.5f,
                       0.0f);
}

void CPRender::LoadSky(int32_t index)
{
    delete m_sky;
    m_sky = new CPSkyscape();
    char name[32];
    std::snprintf(name, sizeof(name), kSkyFileFormat, index);
    m_sky->Load(name);
}

CPGeometryBuffer* CPRender::GetGeometryBuffer(const std::string& name, const CPVertex* vertices,
                                              const uint16_t* indices, int32_t vertexCount, int32_t indexCount)
{
    std::string key = name;
    ToLowerString(key);
    const auto found = m_geometryBuffers.find(key);
    if (found != m_geometryBuffers.end())
        return found->second.get();

    CPGeometryBuffer* const record =
        m_geometryBuffers.emplace(key, std::make_unique<CPGeometryBuffer>()).first->second.get();
    if (!IsMeshValid(vertices, indices, vertexCount, indexCount)) {
        ReportDXError(kSourceFile, __LINE__, E_INVALIDARG);
        return record;
    }
    if (!m_device) {
        ReportDXError(kSourceFile, __LINE__, D3DERR_INVALIDCALL);
        return record;
    }
    UploadGeometry(*m_device, *record, vertices, indices, vertexCount, indexCount);
    return record;
}

void CPRender::ReleaseGeometryBuffers()
{
    for (auto& entry : m_geometryBuffers) {
        CPGeometryBuffer& record = *entry.second;
        SafeRelease(record.vertexBuffer);
        SafeRelease(record.indexBuffer);
        record.vertexCount = 0;
        record.triangleCount = 0;
        record.vertices = std::vector<CPVertex>();
        record.indices = std::vector<uint16_t>();
        m_releasedGeometry.push_back(std::move(entry.second));
    }
    m_geometryBuffers.clear();
    ForgetLevelBodies();
}

void CPRender::ForgetLevelBodies()
{
    // The level is over: the rings forget its bodies, so a later level never
    // meets their addresses or start indices, and its camera is gone.
    for (CPRenderQueue* queue : { m_renderQueue.Get(), m_staticQueue.Get() }) {
        if (!queue)
            continue;
        if (queue->GetDynamicBuffer())
            queue->GetDynamicBuffer()->Reset();
        queue->ClearRefusedObjects();
    }
    g_ActiveCamera = nullptr;
}

CPSmartPtr<CPRenderQueue> CPRender::GetRenderQueue() const
{
    return m_renderQueue;
}

CPSmartPtr<CPRenderQueue> CPRender::GetStaticRenderQueue() const
{
    return m_staticQueue;
}

CPSmartPtr<CPMaterial> CPRender::GetShadowMaterial() const
{
    return m_shadowMaterial;
}

void CPRender::UpdateBlurGrid(float shift)
{
    if (g_CfgBlur == 0)
        return;
    const float centreX = static_cast<float>(g_CfgScreenWidth) * 0.5f;
    const float centreY = (shift + 1.0f) * static_cast<float>(g_CfgScreenHeight) * 0.5f;
    CPBlurGrid& grid = m_blurGrid;
    if (grid.rows < 0 || grid.columns < 0)
        return;
    // Never beyond the points the host built.
    const size_t count = std::min(static_cast<size_t>(grid.rows + 1) * static_cast<size_t>(grid.columns + 1),
                                  grid.points.size());
    if (grid.directions.size() < count)
        grid.directions.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const D3DXVECTOR2 away(grid.points[i].x - centreX, grid.points[i].y - centreY);
        D3DXVec2Normalize(&grid.directions[i], &away);
    }
}

// Reads the picture through the file layer and makes a managed texture of
// it. A missing file makes nothing and says nothing; a picture the device
// refuses is reported, and the next call tries again.
void CPRender::LoadLoadingTexture(const char* path, IDirect3DTexture9*& texture)
{
    if (texture || !m_device)
        return;
    CPFileReader reader(path);
    if (FAILED(reader.Load()))
        return;
    const HRESULT result = D3DXCreateTextureFromFileInMemoryEx(
        m_device, reader.GetData(), static_cast<UINT>(reader.GetSize()), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
        D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER, 0, nullptr, nullptr,
        &texture);
    if (FAILED(result)) {
        ReportDXError(kSourceFile, __LINE__, result);
        texture = nullptr;
    }
}

HRESULT CPRender::DrawLoadingScreen(int32_t percent)
{
    if (!m_device)
        return D3DERR_INVALIDCALL;
    LoadLoadingTexture(kLoadingBackground, m_loadingBackground);
    LoadLoadingTexture(kLoadingBar, m_loadingBar);
    IDirect3DDevice9& device = *m_device;

    device.Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device.BeginScene();
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device.SetTransform(D3DTS_WORLD, &identity);
    device.SetTransform(D3DTS_PROJECTION, &identity);
    device.SetTransform(D3DTS_VIEW, &identity);
    device.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device.SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device.SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device.SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device.SetRenderState(D3DRS_ZENABLE, FALSE);
    device.SetRenderState(D3DRS_LIGHTING, FALSE);
    device.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device.SetRenderState(D3DRS_FOGENABLE, FALSE);
    device.SetFVF(CPScreenVertex::kFvf);

    const float width = static_cast<float>(g_CfgScreenWidth);
    const float height = static_cast<float>(g_CfgScreenHeight);
    // The picture fills the top three quarters of its texture.
    const CPScreenVertex background[4] = {
        { width - 0.5f, -0.5f, 1.0f, 1.0f, 0, 1.0f, 0.0f },
        { width - 0.5f, height - 0.5f, 1.0f, 1.0f, 0, 1.0f, 0.75f },
        { -0.5f, -0.5f, 1.0f, 1.0f, 0, 0.0f, 0.0f },
        { -0.5f, height - 0.5f, 1.0f, 1.0f, 0, 0.0f, 0.75f },
    };
    device.SetTexture(0, m_loadingBackground);
    device.DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, background, sizeof(CPScreenVertex));

    // The bar's tile repeats once per percent along the bottom edge.
    device.SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device.SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device.SetTexture(0, m_loadingBar);
    const float p = static_cast<float>(percent);
    const float top = height * kLoadingBarTop;
    const float right = width * p * 0.01f;
    const D3DCOLOR white = 0xFFFFFFFF;
    const CPScreenVertex bar[4] = {
        { right, top, 1.0f, 1.0f, white, p, 0.0f },
        { right, height, 1.0f, 1.0f, white, p, 1.0f },
        { 0.0f, top, 1.0f, 1.0f, white, 0.0f, 0.0f },
        { 0.0f, height, 1.0f, 1.0f, white, 0.0f, 1.0f },
    };
    device.DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, bar, sizeof(CPScreenVertex));

    device.EndScene();
    return device.Present(nullptr, nullptr, nullptr, nullptr);
}

void CPRender::SetMotionBlur(float amount)
{
    m_motionBlurOn = amount != 0.0f ? 1 : 0;
    m_motionBlurAmount = amount;
}
