// Textures made from image files held in memory, under the D3DX names the
// engine calls. TGA, JPEG, PNG and BMP files are decoded whole (a truncated
// or corrupt image fails as it would on the game's platform); DDS files are
// read by their header: sizes, mip count, pixel format and cube faces, with
// the data length checked and the pixels copied as they are. The texture is
// made on the device, so the device sees a CreateTexture or
// CreateCubeTexture call, and keeps the filters it was made with.
#pragma once

#include "Platform/D3D9.h"

constexpr UINT D3DX_DEFAULT = 0xFFFFFFFFu;

constexpr DWORD D3DX_FILTER_NONE = 1;
constexpr DWORD D3DX_FILTER_POINT = 2;
constexpr DWORD D3DX_FILTER_LINEAR = 3;
constexpr DWORD D3DX_FILTER_TRIANGLE = 4;
constexpr DWORD D3DX_FILTER_BOX = 5;
constexpr DWORD D3DX_FILTER_DITHER = 0x00080000;

constexpr HRESULT D3DXERR_INVALIDDATA = static_cast<HRESULT>(0x88760B59u);

enum D3DRESOURCETYPE : uint32_t
{
    D3DRTYPE_TEXTURE = 3,
    D3DRTYPE_CUBETEXTURE = 5,
};

enum D3DXIMAGE_FILEFORMAT : uint32_t
{
    D3DXIFF_BMP = 0,
    D3DXIFF_JPG = 1,
    D3DXIFF_TGA = 2,
    D3DXIFF_PNG = 3,
    D3DXIFF_DDS = 4,
};

// What an image file holds.
struct D3DXIMAGE_INFO
{
    UINT Width;
    UINT Height;
    UINT Depth;
    UINT MipLevels;
    D3DFORMAT Format;
    D3DRESOURCETYPE ResourceType;
    D3DXIMAGE_FILEFORMAT ImageFileFormat;
};

struct PALETTEENTRY
{
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};

// D3DXERR_INVALIDDATA for anything but a whole image of the four kinds or a
// DDS file.
HRESULT D3DXGetImageInfoFromFileInMemory(LPCVOID data, UINT size, D3DXIMAGE_INFO* info);

// Sizes of D3DX_DEFAULT take the image's, rounded up to powers of two (0
// takes them as they are); mip levels of D3DX_DEFAULT or 0 give the full
// chain, 1 gives one level. A format of D3DFMT_UNKNOWN takes the file's.
HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice9* device, LPCVOID data, UINT size, UINT width,
                                            UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                            DWORD filter, DWORD mipFilter, D3DCOLOR colourKey,
                                            D3DXIMAGE_INFO* info, PALETTEENTRY* palette,
                                            IDirect3DTexture9** texture);
// Only a DDS cube map (all six faces) makes a cube texture.
HRESULT D3DXCreateCubeTextureFromFileInMemoryEx(IDirect3DDevice9* device, LPCVOID data, UINT size, UINT edgeLength,
                                                UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                                DWORD filter, DWORD mipFilter, D3DCOLOR colourKey,
                                                D3DXIMAGE_INFO* info, PALETTEENTRY* palette,
                                                IDirect3DCubeTexture9** texture);

namespace PlatformD3DX
{
// Textures and cube textures made by the two functions above since start.
int TextureCreationCount();
}
