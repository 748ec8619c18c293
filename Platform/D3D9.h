// Direct3D 9 as the engine calls it: formats, device types, display modes,
// the Direct3D object, the device with its fixed-function states, and the
// vertex buffers, index buffers and textures made on it. The object
// enumerates the display modes of one adapter from the platform's mode source
// (Platform/DisplayModes.h); the device it creates draws nothing and records
// what it is asked (Platform/D3D9Device.h).
#pragma once

#include "Platform/COM.h"
#include "Platform/D3DX9Math.h"
#include "Platform/Win32.h"

#include <cstring>

constexpr UINT D3D_SDK_VERSION = 32;
constexpr UINT D3DADAPTER_DEFAULT = 0;

// Pixel formats (the values are the ones files and drivers use).
enum D3DFORMAT : uint32_t
{
    D3DFMT_UNKNOWN = 0,
    D3DFMT_R8G8B8 = 20,
    D3DFMT_A8R8G8B8 = 21,
    D3DFMT_X8R8G8B8 = 22,
    D3DFMT_R5G6B5 = 23,
    D3DFMT_X1R5G5B5 = 24,
    D3DFMT_A1R5G5B5 = 25,
    D3DFMT_A4R4G4B4 = 26,
    D3DFMT_A8 = 28,
    D3DFMT_A8B8G8R8 = 32,
    D3DFMT_X8B8G8R8 = 33,
    D3DFMT_L8 = 50,
    // Block-compressed formats, named by their four characters.
    D3DFMT_DXT1 = 0x31545844,
    D3DFMT_DXT3 = 0x33545844,
    D3DFMT_DXT5 = 0x35545844,
    D3DFMT_D24S8 = 75,
    D3DFMT_D16 = 80,
    D3DFMT_INDEX16 = 101,
    D3DFMT_INDEX32 = 102,
};

enum D3DDEVTYPE : uint32_t
{
    D3DDEVTYPE_HAL = 1,
    D3DDEVTYPE_REF = 2,
    D3DDEVTYPE_SW = 3,
};

struct D3DDISPLAYMODE
{
    UINT Width;
    UINT Height;
    UINT RefreshRate;
    D3DFORMAT Format;
};

enum D3DLIGHTTYPE : uint32_t
{
    D3DLIGHT_POINT = 1,
    D3DLIGHT_SPOT = 2,
    D3DLIGHT_DIRECTIONAL = 3,
};

// Colour with float channels as the device takes it.
struct D3DCOLORVALUE
{
    float r, g, b, a;
};

// A light of the fixed-function pipeline.
struct D3DLIGHT9
{
    D3DLIGHTTYPE Type;
    D3DCOLORVALUE Diffuse;
    D3DCOLORVALUE Specular;
    D3DCOLORVALUE Ambient;
    D3DVECTOR Position;
    D3DVECTOR Direction;
    float Range;
    float Falloff;
    float Attenuation0;
    float Attenuation1;
    float Attenuation2;
    float Theta;
    float Phi;
};

// Colours of a surface under the fixed-function lights.
struct D3DMATERIAL9
{
    D3DCOLORVALUE Diffuse;
    D3DCOLORVALUE Ambient;
    D3DCOLORVALUE Specular;
    D3DCOLORVALUE Emissive;
    float Power;
};

constexpr HRESULT D3D_OK = S_OK;
constexpr HRESULT D3DERR_OUTOFVIDEOMEMORY = static_cast<HRESULT>(0x8876017Cu);
constexpr HRESULT D3DERR_DRIVERINTERNALERROR = static_cast<HRESULT>(0x88760827u);
constexpr HRESULT D3DERR_DEVICELOST = static_cast<HRESULT>(0x88760868u);
constexpr HRESULT D3DERR_DEVICENOTRESET = static_cast<HRESULT>(0x88760869u);
constexpr HRESULT D3DERR_NOTAVAILABLE = static_cast<HRESULT>(0x8876086Au);
constexpr HRESULT D3DERR_INVALIDCALL = static_cast<HRESULT>(0x8876086Cu);

// --- Device states -------------------------------------------------------------

enum D3DTRANSFORMSTATETYPE : uint32_t
{
    D3DTS_VIEW = 2,
    D3DTS_PROJECTION = 3,
    D3DTS_TEXTURE0 = 16,
    D3DTS_WORLD = 256,
};

enum D3DRENDERSTATETYPE : uint32_t
{
    D3DRS_ZENABLE = 7,
    D3DRS_ZWRITEENABLE = 14,
    D3DRS_ALPHATESTENABLE = 15,
    D3DRS_SRCBLEND = 19,
    D3DRS_DESTBLEND = 20,
    D3DRS_CULLMODE = 22,
    D3DRS_ZFUNC = 23,
    D3DRS_ALPHAREF = 24,
    D3DRS_ALPHAFUNC = 25,
    D3DRS_DITHERENABLE = 26,
    D3DRS_ALPHABLENDENABLE = 27,
    D3DRS_FOGENABLE = 28,
    D3DRS_SPECULARENABLE = 29,
    D3DRS_FOGCOLOR = 34,
    D3DRS_FOGTABLEMODE = 35,
    D3DRS_FOGSTART = 36,
    D3DRS_FOGEND = 37,
    D3DRS_FOGDENSITY = 38,
    D3DRS_CLIPPING = 136,
    D3DRS_LIGHTING = 137,
    D3DRS_AMBIENT = 139,
    D3DRS_FOGVERTEXMODE = 140,
    D3DRS_COLORVERTEX = 141,
    D3DRS_DIFFUSEMATERIALSOURCE = 145,
    D3DRS_SPECULARMATERIALSOURCE = 146,
    D3DRS_AMBIENTMATERIALSOURCE = 147,
    D3DRS_EMISSIVEMATERIALSOURCE = 148,
};

enum D3DTEXTURESTAGESTATETYPE : uint32_t
{
    D3DTSS_COLOROP = 1,
    D3DTSS_COLORARG1 = 2,
    D3DTSS_COLORARG2 = 3,
    D3DTSS_ALPHAOP = 4,
    D3DTSS_ALPHAARG1 = 5,
    D3DTSS_ALPHAARG2 = 6,
    D3DTSS_TEXCOORDINDEX = 11,
};

enum D3DSAMPLERSTATETYPE : uint32_t
{
    D3DSAMP_ADDRESSU = 1,
    D3DSAMP_ADDRESSV = 2,
    D3DSAMP_ADDRESSW = 3,
    D3DSAMP_MAGFILTER = 5,
    D3DSAMP_MINFILTER = 6,
    D3DSAMP_MIPFILTER = 7,
    D3DSAMP_MAXANISOTROPY = 10,
};

// Values of the states above.
enum D3DTEXTUREOP : uint32_t
{
    D3DTOP_DISABLE = 1,
    D3DTOP_SELECTARG1 = 2,
    D3DTOP_SELECTARG2 = 3,
    D3DTOP_MODULATE = 4,
};

constexpr DWORD D3DTA_DIFFUSE = 0;
constexpr DWORD D3DTA_CURRENT = 1;
constexpr DWORD D3DTA_TEXTURE = 2;
constexpr DWORD D3DTA_TFACTOR = 3;

enum D3DTEXTUREADDRESS : uint32_t
{
    D3DTADDRESS_WRAP = 1,
    D3DTADDRESS_MIRROR = 2,
    D3DTADDRESS_CLAMP = 3,
};

enum D3DTEXTUREFILTERTYPE : uint32_t
{
    D3DTEXF_NONE = 0,
    D3DTEXF_POINT = 1,
    D3DTEXF_LINEAR = 2,
    D3DTEXF_ANISOTROPIC = 3,
};

enum D3DBLEND : uint32_t
{
    D3DBLEND_ZERO = 1,
    D3DBLEND_ONE = 2,
    D3DBLEND_SRCCOLOR = 3,
    D3DBLEND_INVSRCCOLOR = 4,
    D3DBLEND_SRCALPHA = 5,
    D3DBLEND_INVSRCALPHA = 6,
};

enum D3DCMPFUNC : uint32_t
{
    D3DCMP_NEVER = 1,
    D3DCMP_LESS = 2,
    D3DCMP_EQUAL = 3,
    D3DCMP_LESSEQUAL = 4,
    D3DCMP_GREATER = 5,
    D3DCMP_NOTEQUAL = 6,
    D3DCMP_GREATEREQUAL = 7,
    D3DCMP_ALWAYS = 8,
};

enum D3DCULL : uint32_t
{
    D3DCULL_NONE = 1,
    D3DCULL_CW = 2,
    D3DCULL_CCW = 3,
};

enum D3DFOGMODE : uint32_t
{
    D3DFOG_NONE = 0,
    D3DFOG_EXP = 1,
    D3DFOG_EXP2 = 2,
    D3DFOG_LINEAR = 3,
};

enum D3DMATERIALCOLORSOURCE : uint32_t
{
    D3DMCS_MATERIAL = 0,
    D3DMCS_COLOR1 = 1,
    D3DMCS_COLOR2 = 2,
};

// A float state (fog start, end and density) travels as the bits of the float.
inline DWORD FloatBits(float value)
{
    DWORD bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

// --- Resources and drawing ------------------------------------------------------

// Vertex layout bits.
constexpr DWORD D3DFVF_XYZ = 0x002;
constexpr DWORD D3DFVF_XYZRHW = 0x004;
constexpr DWORD D3DFVF_NORMAL = 0x010;
constexpr DWORD D3DFVF_DIFFUSE = 0x040;
constexpr DWORD D3DFVF_SPECULAR = 0x080;
constexpr DWORD D3DFVF_TEX1 = 0x100;
constexpr DWORD D3DFVF_TEX2 = 0x200;

enum D3DPOOL : uint32_t
{
    D3DPOOL_DEFAULT = 0,
    D3DPOOL_MANAGED = 1,
    D3DPOOL_SYSTEMMEM = 2,
    D3DPOOL_SCRATCH = 3,
};

constexpr DWORD D3DUSAGE_RENDERTARGET = 0x00000001;
constexpr DWORD D3DUSAGE_WRITEONLY = 0x00000008;
constexpr DWORD D3DUSAGE_DYNAMIC = 0x00000200;

constexpr DWORD D3DLOCK_READONLY = 0x00000010;
constexpr DWORD D3DLOCK_NOSYSLOCK = 0x00000800;
constexpr DWORD D3DLOCK_NOOVERWRITE = 0x00001000;
constexpr DWORD D3DLOCK_DISCARD = 0x00002000;

enum D3DPRIMITIVETYPE : uint32_t
{
    D3DPT_POINTLIST = 1,
    D3DPT_LINELIST = 2,
    D3DPT_LINESTRIP = 3,
    D3DPT_TRIANGLELIST = 4,
    D3DPT_TRIANGLESTRIP = 5,
    D3DPT_TRIANGLEFAN = 6,
};

constexpr DWORD D3DCLEAR_TARGET = 0x1;
constexpr DWORD D3DCLEAR_ZBUFFER = 0x2;
constexpr DWORD D3DCLEAR_STENCIL = 0x4;

struct D3DRECT
{
    LONG x1;
    LONG y1;
    LONG x2;
    LONG y2;
};

// Region of a presentation; the engine always passes none.
struct RGNDATA;

// --- Device creation ------------------------------------------------------------

constexpr DWORD D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x00000020;
constexpr DWORD D3DCREATE_HARDWARE_VERTEXPROCESSING = 0x00000040;
constexpr DWORD D3DCREATE_MIXED_VERTEXPROCESSING = 0x00000080;

enum D3DSWAPEFFECT : uint32_t
{
    D3DSWAPEFFECT_DISCARD = 1,
    D3DSWAPEFFECT_FLIP = 2,
    D3DSWAPEFFECT_COPY = 3,
};

constexpr UINT D3DPRESENT_INTERVAL_DEFAULT = 0x00000000;
constexpr UINT D3DPRESENT_INTERVAL_IMMEDIATE = 0x80000000;

struct D3DPRESENT_PARAMETERS
{
    UINT BackBufferWidth;
    UINT BackBufferHeight;
    D3DFORMAT BackBufferFormat;
    UINT BackBufferCount;
    D3DSWAPEFFECT SwapEffect;
    HWND hDeviceWindow;
    BOOL Windowed;
    BOOL EnableAutoDepthStencil;
    D3DFORMAT AutoDepthStencilFormat;
    DWORD Flags;
    UINT FullScreen_RefreshRateInHz;
    UINT PresentationInterval;
};

// What the device can do, as far as the engine asks.
struct D3DCAPS9
{
    D3DDEVTYPE DeviceType;
    UINT AdapterOrdinal;
    DWORD MaxTextureWidth;
    DWORD MaxTextureHeight;
    DWORD MaxAnisotropy;
    DWORD MaxActiveLights;
    DWORD MaxSimultaneousTextures;
    // Highest shader versions, as D3DVS_VERSION / D3DPS_VERSION give them.
    DWORD VertexShaderVersion;
    DWORD PixelShaderVersion;
};

constexpr DWORD D3DVS_VERSION(DWORD major, DWORD minor)
{
    return 0xFFFE0000u | (major << 8) | minor;
}
constexpr DWORD D3DPS_VERSION(DWORD major, DWORD minor)
{
    return 0xFFFF0000u | (major << 8) | minor;
}

struct D3DSURFACE_DESC
{
    D3DFORMAT Format;
    DWORD Usage;
    D3DPOOL Pool;
    UINT Width;
    UINT Height;
};

extern const IID IID_IDirect3D9;
extern const IID IID_IDirect3DDevice9;
extern const IID IID_IDirect3DVertexBuffer9;
extern const IID IID_IDirect3DIndexBuffer9;
extern const IID IID_IDirect3DBaseTexture9;
extern const IID IID_IDirect3DTexture9;
extern const IID IID_IDirect3DCubeTexture9;

// The memory of a locked texture level: bytes per row and the first byte.
struct D3DLOCKED_RECT
{
    INT Pitch;
    void* pBits;
};

enum D3DCUBEMAP_FACES : uint32_t
{
    D3DCUBEMAP_FACE_POSITIVE_X = 0,
    D3DCUBEMAP_FACE_NEGATIVE_X = 1,
    D3DCUBEMAP_FACE_POSITIVE_Y = 2,
    D3DCUBEMAP_FACE_NEGATIVE_Y = 3,
    D3DCUBEMAP_FACE_POSITIVE_Z = 4,
    D3DCUBEMAP_FACE_NEGATIVE_Z = 5,
};

// Vertices in device memory. Lock maps `size` bytes from `offset` (size 0:
// to the end of the buffer); the memory stays mapped until Unlock.
class IDirect3DVertexBuffer9 : public IUnknown
{
public:
    virtual HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) = 0;
    virtual HRESULT Unlock() = 0;

protected:
    ~IDirect3DVertexBuffer9() = default;
};

class IDirect3DIndexBuffer9 : public IUnknown
{
public:
    virtual HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) = 0;
    virtual HRESULT Unlock() = 0;

protected:
    ~IDirect3DIndexBuffer9() = default;
};

// What a texture stage can hold.
class IDirect3DBaseTexture9 : public IUnknown
{
public:
    virtual DWORD GetLevelCount() = 0;
    // The most detailed level used in drawing (managed textures only); returns
    // the previous one. A level past the last is taken as the last.
    virtual DWORD SetLOD(DWORD lod) = 0;
    virtual DWORD GetLOD() = 0;

protected:
    ~IDirect3DBaseTexture9() = default;
};

class IDirect3DTexture9 : public IDirect3DBaseTexture9
{
public:
    virtual HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* description) = 0;
    // Maps one whole level (the rectangle must be null); it stays mapped
    // until UnlockRect of that level.
    virtual HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) = 0;
    virtual HRESULT UnlockRect(UINT level) = 0;

protected:
    ~IDirect3DTexture9() = default;
};

// Six square faces sharing one size and level count.
class IDirect3DCubeTexture9 : public IDirect3DBaseTexture9
{
public:
    virtual HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* description) = 0;
    virtual HRESULT LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                             DWORD flags) = 0;
    virtual HRESULT UnlockRect(D3DCUBEMAP_FACES face, UINT level) = 0;

protected:
    ~IDirect3DCubeTexture9() = default;
};

// The rendering device. Every call returns D3DERR_INVALIDCALL for a null
// pointer where an object or a record is required. Drawing is valid only
// between BeginScene and EndScene.
class IDirect3DDevice9 : public IUnknown
{
public:
    // D3D_OK, or D3DERR_DEVICELOST while the device is lost and cannot be
    // reset yet, or D3DERR_DEVICENOTRESET once Reset can bring it back.
    virtual HRESULT TestCooperativeLevel() = 0;
    virtual HRESULT GetDeviceCaps(D3DCAPS9* caps) = 0;
    // Fails with D3DERR_INVALIDCALL while any default-pool resource exists;
    // on success every state is back at its default and nothing is bound.
    virtual HRESULT Reset(D3DPRESENT_PARAMETERS* parameters) = 0;
    virtual HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                            const RGNDATA* dirtyRegion) = 0;

    virtual HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DTexture9** texture, HANDLE* sharedHandle) = 0;
    virtual HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                       IDirect3DVertexBuffer9** vertexBuffer, HANDLE* sharedHandle) = 0;
    virtual HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DIndexBuffer9** indexBuffer, HANDLE* sharedHandle) = 0;

    virtual HRESULT BeginScene() = 0;
    virtual HRESULT EndScene() = 0;
    virtual HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z,
                          DWORD stencil) = 0;

    virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) = 0;
    virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) = 0;
    virtual HRESULT SetMaterial(const D3DMATERIAL9* material) = 0;
    virtual HRESULT GetMaterial(D3DMATERIAL9* material) = 0;
    virtual HRESULT SetLight(DWORD index, const D3DLIGHT9* light) = 0;
    virtual HRESULT GetLight(DWORD index, D3DLIGHT9* light) = 0;
    virtual HRESULT LightEnable(DWORD index, BOOL enable) = 0;
    virtual HRESULT GetLightEnable(DWORD index, BOOL* enable) = 0;

    virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
    virtual HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) = 0;
    // The stage holds a reference to the texture until another replaces it.
    virtual HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) = 0;
    virtual HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) = 0;
    virtual HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) = 0;
    virtual HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) = 0;
    virtual HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) = 0;
    virtual HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) = 0;

    virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) = 0;
    virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex, UINT vertexCount,
                                         UINT startIndex, UINT primitiveCount) = 0;
    virtual HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices,
                                    UINT stride) = 0;

    virtual HRESULT SetFVF(DWORD fvf) = 0;
    virtual HRESULT GetFVF(DWORD* fvf) = 0;
    // The stream and the index slot hold a reference to their buffer.
    virtual HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride) = 0;
    virtual HRESULT GetStreamSource(UINT stream, IDirect3DVertexBuffer9** buffer, UINT* offset, UINT* stride) = 0;
    virtual HRESULT SetIndices(IDirect3DIndexBuffer9* buffer) = 0;
    virtual HRESULT GetIndices(IDirect3DIndexBuffer9** buffer) = 0;

    virtual HRESULT CreateCubeTexture(UINT edgeLength, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DCubeTexture9** texture, HANDLE* sharedHandle) = 0;

protected:
    ~IDirect3DDevice9() = default;
};

class IDirect3D9 : public IUnknown
{
public:
    virtual UINT GetAdapterCount() = 0;
    // Modes of the adapter in the given display format; 0 for an unknown
    // adapter or a format no mode has.
    virtual UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) = 0;
    virtual HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* displayMode) = 0;
    // Whether a device of the type can run with this display format and
    // back-buffer format, in a window or full screen.
    virtual HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT displayFormat,
                                    D3DFORMAT backBufferFormat, BOOL windowed) = 0;
    // A device on the adapter (HAL only) with exactly one vertex-processing
    // flag; the presentation parameters must be given.
    virtual HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow, DWORD behaviorFlags,
                                 D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) = 0;

protected:
    ~IDirect3D9() = default;
};

// The Direct3D object (count 1), or null when the SDK version is not
// D3D_SDK_VERSION or no Direct3D runtime is present.
IDirect3D9* Direct3DCreate9(UINT sdkVersion);

namespace PlatformD3D9
{
// Direct3D objects created and not yet released.
int LiveObjectCount();
}
