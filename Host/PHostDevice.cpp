#include "Host/PHostDevice.h"
#include "Host/PHostDraw.h"

#include "Core/PLog.h"
#include "DynamicSky/VertexObject.h"
#include "Platform/D3DX9Effect.h"
#include "Render/PDeviceObject.h"
#include "Render/PEffectManager.h"
#include "Render/PMaterialManager.h"
#include "Render/PRender.h"
#include "Render/PRenderQueue.h"
#include "Render/PTextureManager.h"
#include "Startup/PConfigVars.h"

#include <memory>

namespace
{
const char kSource[] = "Host/PHostDevice";
// The fade runs over the range of an alpha value.
constexpr int32_t kFadeMax = 255;

struct HostRender
{
    IDirect3D9* direct3D = nullptr;
    IDirect3DDevice9* device = nullptr;
    std::unique_ptr<CPHostDevice> hostDevice;
    CPRender* render = nullptr;
    CPRenderQueue* queue = nullptr;
    CPRenderQueue* staticQueue = nullptr;
    CPEffectManager* effects = nullptr;
    CPTextureManager* textures = nullptr;
    CPMaterialManager* materials = nullptr;
};

HostRender g_HostRender;
}

CPHostDevice::CPHostDevice(IDirect3DDevice9* device, const D3DPRESENT_PARAMETERS& parameters)
    : m_device(device),
      m_parameters(parameters)
{
}

HRESULT CPHostDevice::Restore()
{
    if (!m_device)
        return D3DERR_INVALIDCALL;
    HRESULT result = m_device->TestCooperativeLevel();
    if (SUCCEEDED(result))
        return D3D_OK;
    if (!m_lost) {
        CPDeviceObject::LoseAll();
        m_lost = true;
    }
    if (result != D3DERR_DEVICENOTRESET)
        return result;
    D3DPRESENT_PARAMETERS parameters = m_parameters;
    result = m_device->Reset(&parameters);
    if (FAILED(result)) {
        ReportDXError(kSource, __LINE__, result);
        return result;
    }
    CPDeviceObject::ResetAll();
    m_lost = false;
    return D3D_OK;
}

D3DPRESENT_PARAMETERS HostPresentParameters(HWND window)
{
    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferWidth = static_cast<UINT>(g_CfgScreenWidth);
    parameters.BackBufferHeight = static_cast<UINT>(g_CfgScreenHeight);
    parameters.BackBufferFormat = g_CfgScreenBPP == 16 ? D3DFMT_R5G6B5 : D3DFMT_X8R8G8B8;
    parameters.BackBufferCount = 1;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.hDeviceWindow = window;
    parameters.Windowed = g_CfgFullScreen ? FALSE : TRUE;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D24S8;
    parameters.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
    return parameters;
}

bool CreateHostRender(HWND window)
{
    DestroyHostRender();
    HostRender& host = g_HostRender;
    host.direct3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (!host.direct3D) {
        ReportDXError(kSource, __LINE__, D3DERR_NOTAVAILABLE);
        return false;
    }
    D3DPRESENT_PARAMETERS parameters = HostPresentParameters(window);
    const HRESULT result = host.direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                                      D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &host.device);
    if (FAILED(result)) {
        ReportDXError(kSource, __LINE__, result);
        DestroyHostRender();
        return false;
    }
    host.hostDevice = std::make_unique<CPHostDevice>(host.device, parameters);

    host.render = new CPRender(host.device);
    D3DCAPS9 caps{};
    if (SUCCEEDED(host.device->GetDeviceCaps(&caps)))
        host.render->m_maxAnisotropy = static_cast<int32_t>(caps.MaxAnisotropy);
    host.render->m_fadeMax = kFadeMax;
    host.queue = new CPRenderQueue();
    host.staticQueue = new CPRenderQueue();
    CreateHostRings(host.device, host.queue, host.staticQueue);
    host.render->m_renderQueue = host.queue;
    host.render->m_staticQueue = host.staticQueue;
    g_Render = host.render;
    // The sky draws through the same device.
    GetSkyDevice().device = host.device;

    // The resource caches, the effects' with its pool of shared effects.
    ID3DXEffectPool* pool = nullptr;
    const HRESULT poolResult = D3DXCreateEffectPool(&pool);
    if (FAILED(poolResult))
        ReportDXError(kSource, __LINE__, poolResult);
    host.effects = new CPEffectManager(pool);
    if (pool)
        pool->Release();
    host.textures = new CPTextureManager();
    host.materials = new CPMaterialManager();
    g_EffectManager = host.effects;
    g_TextureManager = host.textures;
    g_MaterialManager = host.materials;
    return true;
}

void DestroyHostRender()
{
    HostRender& host = g_HostRender;
    // The caches clear their global pointers as they go.
    delete host.materials;
    delete host.textures;
    delete host.effects;
    if (g_Render == host.render)
        g_Render = nullptr;
    if (GetSkyDevice().device == host.device)
        GetSkyDevice().device = nullptr;
    // The render system lets go of its queues before they are destroyed.
    delete host.render;
    // The queues let go of their rings before those are destroyed.
    DestroyHostRings();
    delete host.queue;
    delete host.staticQueue;
    host.hostDevice.reset();
    if (host.device)
        host.device->Release();
    if (host.direct3D)
        host.direct3D->Release();
    host = HostRender();
}

HRESULT RestoreHostRender()
{
    return g_HostRender.hostDevice ? g_HostRender.hostDevice->Restore() : D3D_OK;
}
