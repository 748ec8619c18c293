// Arbitrary bytes as an image file: its description read, then made into a
// 2D texture and a cube texture on a recording device. A texture is made
// only from a file whose description reads, and has the sizes it promises.
// Each input has a device of its own, so nothing it made outlives it.
#include "Platform/D3D9Device.h"
#include "Platform/D3DX9Tex.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PlatformD3D9::RecordingDevice* device = PlatformD3D9::CreateRecordingDevice(D3DPRESENT_PARAMETERS{});
    device->SetLogging(false);
    const UINT length = static_cast<UINT>(size);
    D3DXIMAGE_INFO info{};
    const bool readable = SUCCEEDED(D3DXGetImageInfoFromFileInMemory(data, length, &info));

    IDirect3DTexture9* texture = nullptr;
    if (SUCCEEDED(D3DXCreateTextureFromFileInMemoryEx(device, data, length, 0, 0, size % 2 ? 1 : D3DX_DEFAULT, 0,
                                                      D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                                      D3DX_FILTER_TRIANGLE, 0, nullptr, nullptr, &texture))) {
        D3DSURFACE_DESC top{};
        if (!readable || FAILED(texture->GetLevelDesc(0, &top)) || top.Width != info.Width
            || top.Height != info.Height)
            std::abort();
        texture->Release();
    }
    IDirect3DCubeTexture9* cube = nullptr;
    if (SUCCEEDED(D3DXCreateCubeTextureFromFileInMemoryEx(device, data, length, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                                          D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                                          D3DX_FILTER_TRIANGLE, 0, nullptr, nullptr, &cube))) {
        if (!readable || info.ResourceType != D3DRTYPE_CUBETEXTURE)
            std::abort();
        cube->Release();
    }
    device->Release();
    return 0;
}
