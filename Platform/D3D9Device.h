// The Direct3D 9 device of this platform: it draws nothing and records what
// it is asked. Render, texture-stage and sampler states are kept as the raw
// 32-bit values they were set to (a float state reads back as its bits), with
// the transforms, the material, the lights and their enables, the vertex
// format, the stream sources, the index buffer and the texture of each stage.
// Vertex and index buffers keep the bytes locked so far in memory while they
// live and know whether they are locked. A device a test makes
// (CreateRecordingDevice) logs every call with its arguments in order; one
// made through Direct3D's CreateDevice, as the host makes its device, keeps
// no log until logging is turned on, so a long run does not grow. Any call
// can be made to fail on its Nth use with a chosen result. Tests can also
// lose the device, as when another program takes the screen.
#pragma once

#include "Platform/ComObject.h"
#include "Platform/D3D9.h"

#include <array>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace PlatformD3D9
{
// One call as the device saw it. Object arguments appear as the object's
// serial number (0 for null), floats as their bits; records (matrices,
// lights, the material) are not repeated here but kept as the device state.
struct DeviceCall
{
    std::string method;
    std::vector<DWORD> args;
    HRESULT result = D3D_OK;

    // "SetRenderState(137, 1)", with " -> 0x8876086c" after a failure.
    std::string Text() const;
    bool operator==(const DeviceCall& other) const
    {
        return method == other.method && args == other.args && result == other.result;
    }
};

// A vertex or index buffer, or a texture; kept after the object is released
// (see Resources), without its bytes.
struct ResourceRecord
{
    enum Kind { kVertexBuffer, kIndexBuffer, kTexture, kCubeTexture };

    Kind kind = kVertexBuffer;
    DWORD serial = 0;
    UINT length = 0;          // bytes of a buffer
    DWORD usage = 0;
    DWORD fvf = 0;            // vertex buffers
    D3DFORMAT format = D3DFMT_UNKNOWN; // index buffers and textures
    D3DPOOL pool = D3DPOOL_DEFAULT;
    UINT width = 0;           // textures
    UINT height = 0;
    UINT levels = 0;
    // A buffer's bytes from its start to the furthest byte locked so far
    // (those never written are zero); the bytes past them were never locked
    // and are zero too. Empty until the first lock and once released.
    std::vector<uint8_t> memory;
    int lockDepth = 0;        // Lock calls not yet matched by Unlock
    int lockCount = 0;        // successful Lock calls
    UINT lockOffset = 0;      // the last successful Lock
    UINT lockSize = 0;
    DWORD lockFlags = 0;
    bool released = false;
    // Textures: the filters they were made with (set by the image loaders),
    // the most detailed level drawn, and each level's bytes (face by face
    // for a cube), made on the level's first lock.
    DWORD filter = 0;
    DWORD mipFilter = 0;
    DWORD lod = 0;
    std::vector<std::vector<uint8_t>> levelMemory;
};

// Bytes per row and rows of one texture level of the format (block-compressed
// formats count rows of 4 x 4 blocks).
void TextureLevelLayout(D3DFORMAT format, UINT width, UINT height, UINT& pitch, UINT& rows);

enum class DeviceState
{
    kOperational,
    kLost,     // cannot be reset yet
    kNotReset, // can be reset
};

struct StreamSource
{
    IDirect3DVertexBuffer9* buffer = nullptr;
    UINT offset = 0;
    UINT stride = 0;
};

class DeviceCore;

class RecordingDevice final : public ComObject<RecordingDevice, IDirect3DDevice9>
{
public:
    static constexpr DWORD kStages = 8;
    // The largest texture width and height the device takes (its caps).
    static constexpr DWORD kMaxTextureSide = 4096;

    explicit RecordingDevice(const D3DPRESENT_PARAMETERS& parameters);
    ~RecordingDevice();

    void* FindInterface(REFIID iid);

    HRESULT TestCooperativeLevel() override;
    HRESULT GetDeviceCaps(D3DCAPS9* caps) override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* parameters) override;
    HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                    const RGNDATA* dirtyRegion) override;
    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DTexture9** texture, HANDLE* sharedHandle) override;
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer9** vertexBuffer, HANDLE* sharedHandle) override;
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer9** indexBuffer, HANDLE* sharedHandle) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z, DWORD stencil) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
    HRESULT SetMaterial(const D3DMATERIAL9* material) override;
    HRESULT GetMaterial(D3DMATERIAL9* material) override;
    HRESULT SetLight(DWORD index, const D3DLIGHT9* light) override;
    HRESULT GetLight(DWORD index, D3DLIGHT9* light) override;
    HRESULT LightEnable(DWORD index, BOOL enable) override;
    HRESULT GetLightEnable(DWORD index, BOOL* enable) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
    HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
    HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex, UINT vertexCount,
                                 UINT startIndex, UINT primitiveCount) override;
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices, UINT stride) override;
    HRESULT SetFVF(DWORD fvf) override;
    HRESULT GetFVF(DWORD* fvf) override;
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride) override;
    HRESULT GetStreamSource(UINT stream, IDirect3DVertexBuffer9** buffer, UINT* offset, UINT* stride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer9* buffer) override;
    HRESULT GetIndices(IDirect3DIndexBuffer9** buffer) override;
    HRESULT CreateCubeTexture(UINT edgeLength, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DCubeTexture9** texture, HANDLE* sharedHandle) override;

    // --- What tests read and arrange --------------------------------------

    // Every call logged since creation or the last ClearLog, buffer locks
    // included (as "VertexBuffer::Lock" and the like).
    const std::vector<DeviceCall>& Log() const;
    // The calls of one method, in order.
    std::vector<DeviceCall> CallsOf(const std::string& method) const;
    void ClearLog();
    // States are kept either way.
    void SetLogging(bool on);
    // The vertex bytes of each DrawPrimitiveUP since creation or the last
    // ClearLog, in order, while logging.
    const std::vector<std::vector<uint8_t>>& UserVertices() const { return m_userVertices; }

    // The `nth` call of the method from now on (1: the next one) fails with
    // `result` and changes nothing. Several failures may be pending.
    void FailCall(const std::string& method, int nth, HRESULT result);

    // The value last set, or 0 for a state never set since creation or Reset.
    DWORD RenderState(D3DRENDERSTATETYPE state) const;
    bool HasRenderState(D3DRENDERSTATETYPE state) const;
    DWORD TextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) const;
    DWORD SamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type) const;
    // Null for a transform never set.
    const D3DMATRIX* Transform(D3DTRANSFORMSTATETYPE state) const;
    const D3DMATERIAL9& Material() const { return m_material; }
    // Null for a light never set.
    const D3DLIGHT9* Light(DWORD index) const;
    bool IsLightEnabled(DWORD index) const;
    DWORD Fvf() const { return m_fvf; }
    StreamSource Stream(UINT stream) const;
    IDirect3DIndexBuffer9* Indices() const { return m_indices; }
    IDirect3DBaseTexture9* Texture(DWORD stage) const;

    // BeginScene calls not yet ended (0 or 1), and scenes ended so far.
    int SceneDepth() const { return m_sceneDepth; }
    int ScenesEnded() const { return m_scenesEnded; }
    int PresentCount() const { return m_presentCount; }
    int ResetCount() const { return m_resetCount; }
    const D3DPRESENT_PARAMETERS& PresentParameters() const { return m_parameters; }

    D3DCAPS9& Caps() { return m_caps; }
    void SetDeviceState(DeviceState state) { m_state = state; }
    DeviceState GetDeviceState() const { return m_state; }

    // Every resource made on this device, in creation order; a device that
    // keeps no log lists only the newest few hundred of its released ones.
    const std::vector<std::shared_ptr<ResourceRecord>>& Resources() const;
    // Default-pool resources not yet released.
    int LiveDefaultPoolResources() const;

private:
    // Logs the call; a pending failure for it comes back instead of D3D_OK.
    HRESULT Enter(const char* method, std::initializer_list<DWORD> args);
    HRESULT Finish(HRESULT result);
    void ClearStates();
    template <class T>
    void Bind(T*& slot, T* object);

    std::shared_ptr<DeviceCore> m_core;
    D3DPRESENT_PARAMETERS m_parameters;
    D3DCAPS9 m_caps;
    DeviceState m_state = DeviceState::kOperational;

    std::map<DWORD, DWORD> m_renderStates;
    std::array<std::map<DWORD, DWORD>, kStages> m_stageStates;
    std::array<std::map<DWORD, DWORD>, kStages> m_samplerStates;
    std::map<DWORD, D3DMATRIX> m_transforms;
    D3DMATERIAL9 m_material{};
    // A light index's light and enable state. Low indices, the ones a
    // renderer sets every frame, sit in a plain array; others in a map.
    struct LightSlot
    {
        D3DLIGHT9 light{};
        bool set = false;
        BOOL enabled = FALSE;
    };
    static constexpr DWORD kLightSlots = 32;
    const LightSlot* FindLight(DWORD index) const;
    LightSlot& LightAt(DWORD index);
    std::array<LightSlot, kLightSlots> m_lowLights{};
    std::map<DWORD, LightSlot> m_highLights;
    DWORD m_fvf = 0;
    std::array<StreamSource, kStages> m_streams{};
    IDirect3DIndexBuffer9* m_indices = nullptr;
    std::array<IDirect3DBaseTexture9*, kStages> m_textures{};
    int m_sceneDepth = 0;
    int m_scenesEnded = 0;
    int m_presentCount = 0;
    int m_resetCount = 0;
    std::vector<std::vector<uint8_t>> m_userVertices;
};

// A new recording device (count 1) for the parameters, logging its calls;
// the test-side way to a device without going through the Direct3D object.
RecordingDevice* CreateRecordingDevice(const D3DPRESENT_PARAMETERS& parameters);
// The recording device behind a device interface, or null.
RecordingDevice* RecordOf(IDirect3DDevice9* device);
// The record behind a resource of a recording device, or null.
ResourceRecord* RecordOf(IDirect3DVertexBuffer9* buffer);
ResourceRecord* RecordOf(IDirect3DIndexBuffer9* buffer);
ResourceRecord* RecordOf(IDirect3DBaseTexture9* texture);
// Devices and resources of every recording device not yet released.
int LiveDeviceCount();
int LiveResourceCount();
}
