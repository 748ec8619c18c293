#include "Platform/D3D9Device.h"

#include <algorithm>
#include <cstdio>

const IID IID_IDirect3DDevice9 = { 0x7E172002, 0x0000, 0x0000, { 0x56, 0x45, 0x4C, 0x54, 0x52, 0x49, 0x58, 0x02 } };
const IID IID_IDirect3DVertexBuffer9 = { 0x7E172003, 0x0000, 0x0000, { 0x56, 0x45, 0x4C, 0x54, 0x52, 0x49, 0x58, 0x03 } };
const IID IID_IDirect3DIndexBuffer9 = { 0x7E172004, 0x0000, 0x0000, { 0x56, 0x45, 0x4C, 0x54, 0x52, 0x49, 0x58, 0x04 } };
const IID IID_IDirect3DBaseTexture9 = { 0x7E172005, 0x0000, 0x0000, { 0x56, 0x45, 0x4C, 0x54, 0x52, 0x49, 0x58, 0x05 } };
const IID IID_IDirect3DTexture9 = { 0x7E172006, 0x0000, 0x0000, { 0x56, 0x45, 0x4C, 0x54, 0x52, 0x49, 0x58, 0x06 } };
const IID IID_IDirect3DCubeTexture9 = { 0x7E172007, 0x0000, 0x0000, { 0x56, 0x45, 0x4C, 0x54, 0x52, 0x49, 0x58, 0x07 } };

namespace PlatformD3D9
{
namespace
{
int g_liveDevices = 0;
int g_liveResources = 0;
}

// What a device shares with the resources made on it: the call log, the
// pending failures and the resource records. Resources keep it alive, so a
// buffer released after its device still logs its calls somewhere.
class DeviceCore
{
public:
    // The arguments become a vector only for the log, so a device without
    // one takes no memory per call.
    HRESULT Enter(const char* method, std::initializer_list<DWORD> args)
    {
        HRESULT result = D3D_OK;
        for (auto failure = m_failures.begin(); failure != m_failures.end();) {
            if (failure->method == method && --failure->remaining == 0) {
                if (result == D3D_OK)
                    result = failure->result;
                failure = m_failures.erase(failure);
            } else {
                ++failure;
            }
        }
        if (m_logging)
            m_log.push_back(DeviceCall{ method, args, result });
        return result;
    }

    // Stores a result found after the call was entered.
    HRESULT Finish(HRESULT result)
    {
        if (m_logging && !m_log.empty())
            m_log.back().result = result;
        return result;
    }

    void Fail(const std::string& method, int nth, HRESULT result)
    {
        if (nth > 0)
            m_failures.push_back(Failure{ method, nth, result });
    }

    std::shared_ptr<ResourceRecord> AddResource(ResourceRecord::Kind kind)
    {
        auto record = std::make_shared<ResourceRecord>();
        record->kind = kind;
        record->serial = ++m_lastSerial;
        m_resources.push_back(record);
        return record;
    }

    // The resource's last reference went. Its record stays for the tests
    // that read it, but not its bytes; and a device that keeps no log keeps
    // the records of its newest released resources only, so that a long run
    // does not grow with every buffer and texture it ever made.
    void Released(ResourceRecord& record)
    {
        record.released = true;
        std::vector<uint8_t>().swap(record.memory);
        std::vector<std::vector<uint8_t>>().swap(record.levelMemory);
        if (++m_releasedKept > kReleasedKept && !m_logging)
            DropOldestReleased();
    }

    std::vector<DeviceCall> m_log;
    bool m_logging = true;
    std::vector<std::shared_ptr<ResourceRecord>> m_resources;

private:
    static constexpr size_t kReleasedKept = 256;

    // Forgets released records, oldest first, until no more than the limit
    // are kept.
    void DropOldestReleased()
    {
        size_t released = 0;
        for (const auto& record : m_resources)
            released += record->released ? 1 : 0;
        for (auto record = m_resources.begin(); record != m_resources.end() && released > kReleasedKept;) {
            if ((*record)->released) {
                record = m_resources.erase(record);
                --released;
            } else {
                ++record;
            }
        }
        m_releasedKept = released;
    }

    size_t m_releasedKept = 0;
    struct Failure
    {
        std::string method;
        int remaining;
        HRESULT result;
    };
    std::vector<Failure> m_failures;
    // Serial numbers start at 1 so that 0 stands for null in the log.
    DWORD m_lastSerial = 0;
};

namespace
{
// The identifier and the record shared by the three resource classes.
template <class Interface>
class Resource : public ComObject<Resource<Interface>, Interface>
{
public:
    Resource(std::shared_ptr<DeviceCore> core, std::shared_ptr<ResourceRecord> record, const IID& iid)
        : m_core(std::move(core)),
          m_record(std::move(record)),
          m_iid(iid)
    {
        ++g_liveResources;
    }
    virtual ~Resource()
    {
        m_core->Released(*m_record);
        --g_liveResources;
    }

    void* FindInterface(REFIID iid)
    {
        return iid == IID_IUnknown || iid == m_iid ? static_cast<Interface*>(this) : nullptr;
    }

    ResourceRecord& Record() { return *m_record; }

protected:
    std::shared_ptr<DeviceCore> m_core;
    std::shared_ptr<ResourceRecord> m_record;

private:
    const IID& m_iid;
};

// Lock and Unlock of a memory-backed buffer; `name` is the class for the log.
template <class Interface>
class Buffer final : public Resource<Interface>
{
public:
    Buffer(std::shared_ptr<DeviceCore> core, std::shared_ptr<ResourceRecord> record, const IID& iid,
           const char* lockName, const char* unlockName)
        : Resource<Interface>(std::move(core), std::move(record), iid),
          m_lockName(lockName),
          m_unlockName(unlockName)
    {
    }

    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override
    {
        ResourceRecord& record = this->Record();
        HRESULT result = this->m_core->Enter(m_lockName, { record.serial, offset, size, flags });
        if (FAILED(result)) {
            if (data)
                *data = nullptr;
            return result;
        }
        const UINT length = record.length;
        if (!data || offset > length || size > length - offset)
            return this->m_core->Finish(D3DERR_INVALIDCALL);
        ++record.lockDepth;
        ++record.lockCount;
        record.lockOffset = offset;
        record.lockSize = size == 0 ? length - offset : size;
        record.lockFlags = flags;
        *data = Reach(record, offset + record.lockSize) + offset;
        return D3D_OK;
    }

    HRESULT Unlock() override
    {
        ResourceRecord& record = this->Record();
        const HRESULT result = this->m_core->Enter(m_unlockName, { record.serial });
        if (FAILED(result))
            return result;
        if (record.lockDepth == 0)
            return this->m_core->Finish(D3DERR_INVALIDCALL);
        --record.lockDepth;
        return D3D_OK;
    }

private:
    // The bytes up to `end`, the ones never locked before zero. The whole
    // length is set aside at the first lock, so the pointer of a lock still
    // open stays good when a later one reaches further; a buffer never
    // locked holds no bytes at all.
    static uint8_t* Reach(ResourceRecord& record, UINT end)
    {
        if (record.memory.capacity() < record.length)
            record.memory.reserve(record.length);
        if (record.memory.size() < end)
            record.memory.resize(end);
        return record.memory.data();
    }

    const char* m_lockName;
    const char* m_unlockName;
};

// Level descriptions, level of detail and level locks of the two texture
// kinds; `faces` is 1 for a 2D texture and 6 for a cube.
template <class Interface>
class TextureBase : public Resource<Interface>
{
public:
    using Resource<Interface>::Resource;

    DWORD GetLevelCount() override { return this->Record().levels; }

    DWORD SetLOD(DWORD lod) override
    {
        ResourceRecord& record = this->Record();
        if (record.pool != D3DPOOL_MANAGED)
            return 0;
        const DWORD previous = record.lod;
        record.lod = std::min<DWORD>(lod, record.levels - 1);
        return previous;
    }

    DWORD GetLOD() override { return this->Record().lod; }

    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* description) override
    {
        const ResourceRecord& record = this->Record();
        if (!description || level >= record.levels)
            return D3DERR_INVALIDCALL;
        description->Format = record.format;
        description->Usage = record.usage;
        description->Pool = record.pool;
        description->Width = std::max(1u, record.width >> level);
        description->Height = std::max(1u, record.height >> level);
        return D3D_OK;
    }

protected:
    HRESULT LockLevel(UINT face, UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags)
    {
        ResourceRecord& record = this->Record();
        if (!locked || rect || face >= Faces() || level >= record.levels)
            return D3DERR_INVALIDCALL;
        UINT pitch = 0;
        UINT rows = 0;
        TextureLevelLayout(record.format, std::max(1u, record.width >> level), std::max(1u, record.height >> level),
                           pitch, rows);
        std::vector<uint8_t>& memory = record.levelMemory[face * record.levels + level];
        memory.resize(static_cast<size_t>(pitch) * rows);
        ++record.lockDepth;
        ++record.lockCount;
        record.lockFlags = flags;
        locked->Pitch = static_cast<INT>(pitch);
        locked->pBits = memory.data();
        return D3D_OK;
    }

    HRESULT UnlockLevel(UINT face, UINT level)
    {
        ResourceRecord& record = this->Record();
        if (face >= Faces() || level >= record.levels || record.lockDepth == 0)
            return D3DERR_INVALIDCALL;
        --record.lockDepth;
        return D3D_OK;
    }

    UINT Faces() { return this->Record().kind == ResourceRecord::kCubeTexture ? 6 : 1; }
};

class TextureResource final : public TextureBase<IDirect3DTexture9>
{
public:
    using TextureBase<IDirect3DTexture9>::TextureBase;

    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override
    {
        return LockLevel(0, level, locked, rect, flags);
    }
    HRESULT UnlockRect(UINT level) override { return UnlockLevel(0, level); }
};

class CubeTextureResource final : public TextureBase<IDirect3DCubeTexture9>
{
public:
    using TextureBase<IDirect3DCubeTexture9>::TextureBase;

    HRESULT LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                     DWORD flags) override
    {
        return LockLevel(face, level, locked, rect, flags);
    }
    HRESULT UnlockRect(D3DCUBEMAP_FACES face, UINT level) override { return UnlockLevel(face, level); }
};

using VertexBufferResource = Buffer<IDirect3DVertexBuffer9>;
using IndexBufferResource = Buffer<IDirect3DIndexBuffer9>;

DWORD SerialOfVertexBuffer(IDirect3DVertexBuffer9* buffer)
{
    ResourceRecord* record = RecordOf(buffer);
    return record ? record->serial : 0;
}

DWORD SerialOfIndexBuffer(IDirect3DIndexBuffer9* buffer)
{
    ResourceRecord* record = RecordOf(buffer);
    return record ? record->serial : 0;
}

DWORD SerialOfTexture(IDirect3DBaseTexture9* texture)
{
    ResourceRecord* record = RecordOf(texture);
    return record ? record->serial : 0;
}

// Mip levels of a full chain down to 1 x 1.
UINT FullChain(UINT width, UINT height)
{
    UINT levels = 1;
    for (UINT size = std::max(width, height); size > 1; size >>= 1)
        ++levels;
    return levels;
}

template <class Record>
void CopyOut(Record* out, const Record& value)
{
    *out = value;
}
}

std::string DeviceCall::Text() const
{
    std::string text = method + "(";
    for (size_t i = 0; i < args.size(); ++i) {
        if (i > 0)
            text += ", ";
        text += std::to_string(args[i]);
    }
    text += ")";
    if (result != D3D_OK) {
        char code[16];
        std::snprintf(code, sizeof(code), "0x%08x", static_cast<unsigned>(result));
        text += std::string(" -> ") + code;
    }
    return text;
}

RecordingDevice::RecordingDevice(const D3DPRESENT_PARAMETERS& parameters)
    : m_core(std::make_shared<DeviceCore>()),
      m_parameters(parameters),
      m_caps{}
{
    m_caps.DeviceType = D3DDEVTYPE_HAL;
    m_caps.MaxTextureWidth = kMaxTextureSide;
    m_caps.MaxTextureHeight = kMaxTextureSide;
    m_caps.MaxAnisotropy = 16;
    m_caps.MaxActiveLights = 8;
    m_caps.MaxSimultaneousTextures = kStages;
    m_caps.VertexShaderVersion = D3DVS_VERSION(2, 0);
    m_caps.PixelShaderVersion = D3DPS_VERSION(2, 0);
    ++g_liveDevices;
}

RecordingDevice::~RecordingDevice()
{
    ClearStates();
    --g_liveDevices;
}

void* RecordingDevice::FindInterface(REFIID iid)
{
    return iid == IID_IUnknown || iid == IID_IDirect3DDevice9 ? static_cast<IDirect3DDevice9*>(this) : nullptr;
}

HRESULT RecordingDevice::Enter(const char* method, std::initializer_list<DWORD> args)
{
    return m_core->Enter(method, args);
}

HRESULT RecordingDevice::Finish(HRESULT result)
{
    return m_core->Finish(result);
}

template <class T>
void RecordingDevice::Bind(T*& slot, T* object)
{
    if (object)
        object->AddRef();
    if (slot)
        slot->Release();
    slot = object;
}

void RecordingDevice::ClearStates()
{
    m_renderStates.clear();
    for (auto& states : m_stageStates)
        states.clear();
    for (auto& states : m_samplerStates)
        states.clear();
    m_transforms.clear();
    m_material = D3DMATERIAL9{};
    m_lowLights.fill(LightSlot{});
    m_highLights.clear();
    m_fvf = 0;
    for (StreamSource& stream : m_streams) {
        Bind(stream.buffer, static_cast<IDirect3DVertexBuffer9*>(nullptr));
        stream = StreamSource{};
    }
    Bind(m_indices, static_cast<IDirect3DIndexBuffer9*>(nullptr));
    for (IDirect3DBaseTexture9*& texture : m_textures)
        Bind(texture, static_cast<IDirect3DBaseTexture9*>(nullptr));
    m_sceneDepth = 0;
}

HRESULT RecordingDevice::TestCooperativeLevel()
{
    const HRESULT result = Enter("TestCooperativeLevel", {});
    if (FAILED(result))
        return result;
    switch (m_state) {
    case DeviceState::kLost:
        return Finish(D3DERR_DEVICELOST);
    case DeviceState::kNotReset:
        return Finish(D3DERR_DEVICENOTRESET);
    default:
        return D3D_OK;
    }
}

HRESULT RecordingDevice::GetDeviceCaps(D3DCAPS9* caps)
{
    const HRESULT result = Enter("GetDeviceCaps", {});
    if (FAILED(result))
        return result;
    if (!caps)
        return Finish(D3DERR_INVALIDCALL);
    CopyOut(caps, m_caps);
    return D3D_OK;
}

HRESULT RecordingDevice::Reset(D3DPRESENT_PARAMETERS* parameters)
{
    const HRESULT result = Enter("Reset", {});
    if (FAILED(result))
        return result;
    if (!parameters)
        return Finish(D3DERR_INVALIDCALL);
    if (m_state == DeviceState::kLost)
        return Finish(D3DERR_DEVICELOST);
    if (LiveDefaultPoolResources() > 0)
        return Finish(D3DERR_INVALIDCALL);
    ClearStates();
    m_parameters = *parameters;
    m_state = DeviceState::kOperational;
    ++m_resetCount;
    return D3D_OK;
}

HRESULT RecordingDevice::Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                                 const RGNDATA* dirtyRegion)
{
    const DWORD given = (sourceRect ? 1u : 0u) | (destRect ? 2u : 0u) | (destWindowOverride ? 4u : 0u)
        | (dirtyRegion ? 8u : 0u);
    const HRESULT result = Enter("Present", { given });
    if (FAILED(result))
        return result;
    if (m_state != DeviceState::kOperational)
        return Finish(D3DERR_DEVICELOST);
    if (m_sceneDepth > 0)
        return Finish(D3DERR_INVALIDCALL);
    ++m_presentCount;
    return D3D_OK;
}

HRESULT RecordingDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                       D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* sharedHandle)
{
    const HRESULT result = Enter("CreateTexture", { width, height, levels, usage, format, pool });
    if (texture)
        *texture = nullptr;
    if (FAILED(result))
        return result;
    if (!texture || sharedHandle || width == 0 || height == 0 || width > m_caps.MaxTextureWidth
        || height > m_caps.MaxTextureHeight)
        return Finish(D3DERR_INVALIDCALL);
    auto record = m_core->AddResource(ResourceRecord::kTexture);
    record->width = width;
    record->height = height;
    record->levels = levels == 0 ? FullChain(width, height) : std::min(levels, FullChain(width, height));
    record->usage = usage;
    record->format = format;
    record->pool = pool;
    record->levelMemory.resize(record->levels);
    *texture = new TextureResource(m_core, record, IID_IDirect3DTexture9);
    return D3D_OK;
}

HRESULT RecordingDevice::CreateCubeTexture(UINT edgeLength, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                           IDirect3DCubeTexture9** texture, HANDLE* sharedHandle)
{
    const HRESULT result = Enter("CreateCubeTexture", { edgeLength, levels, usage, format, pool });
    if (texture)
        *texture = nullptr;
    if (FAILED(result))
        return result;
    if (!texture || sharedHandle || edgeLength == 0 || edgeLength > m_caps.MaxTextureWidth)
        return Finish(D3DERR_INVALIDCALL);
    auto record = m_core->AddResource(ResourceRecord::kCubeTexture);
    record->width = edgeLength;
    record->height = edgeLength;
    record->levels = levels == 0 ? FullChain(edgeLength, edgeLength) : std::min(levels, FullChain(edgeLength, edgeLength));
    record->usage = usage;
    record->format = format;
    record->pool = pool;
    record->levelMemory.resize(6 * record->levels);
    *texture = new CubeTextureResource(m_core, record, IID_IDirect3DCubeTexture9);
    return D3D_OK;
}

HRESULT RecordingDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                            IDirect3DVertexBuffer9** vertexBuffer, HANDLE* sharedHandle)
{
    const HRESULT result = Enter("CreateVertexBuffer", { length, usage, fvf, pool });
    if (vertexBuffer)
        *vertexBuffer = nullptr;
    if (FAILED(result))
        return result;
    if (!vertexBuffer || sharedHandle || length == 0)
        return Finish(D3DERR_INVALIDCALL);
    auto record = m_core->AddResource(ResourceRecord::kVertexBuffer);
    record->length = length;
    record->usage = usage;
    record->fvf = fvf;
    record->pool = pool;
    *vertexBuffer = new VertexBufferResource(m_core, record, IID_IDirect3DVertexBuffer9, "VertexBuffer::Lock",
                                     "VertexBuffer::Unlock");
    return D3D_OK;
}

HRESULT RecordingDevice::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                           IDirect3DIndexBuffer9** indexBuffer, HANDLE* sharedHandle)
{
    const HRESULT result = Enter("CreateIndexBuffer", { length, usage, format, pool });
    if (indexBuffer)
        *indexBuffer = nullptr;
    if (FAILED(result))
        return result;
    if (!indexBuffer || sharedHandle || length == 0 || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32))
        return Finish(D3DERR_INVALIDCALL);
    auto record = m_core->AddResource(ResourceRecord::kIndexBuffer);
    record->length = length;
    record->usage = usage;
    record->format = format;
    record->pool = pool;
    *indexBuffer = new IndexBufferResource(m_core, record, IID_IDirect3DIndexBuffer9, "IndexBuffer::Lock",
                                   "IndexBuffer::Unlock");
    return D3D_OK;
}

HRESULT RecordingDevice::BeginScene()
{
    const HRESULT result = Enter("BeginScene", {});
    if (FAILED(result))
        return result;
    if (m_sceneDepth > 0)
        return Finish(D3DERR_INVALIDCALL);
    ++m_sceneDepth;
    return D3D_OK;
}

HRESULT RecordingDevice::EndScene()
{
    const HRESULT result = Enter("EndScene", {});
    if (FAILED(result))
        return result;
    if (m_sceneDepth == 0)
        return Finish(D3DERR_INVALIDCALL);
    --m_sceneDepth;
    ++m_scenesEnded;
    return D3D_OK;
}

HRESULT RecordingDevice::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z,
                               DWORD stencil)
{
    const HRESULT result = Enter("Clear", { count, rects ? 1u : 0u, flags, colour, FloatBits(z), stencil });
    if (FAILED(result))
        return result;
    if ((count > 0) != (rects != nullptr) || flags == 0)
        return Finish(D3DERR_INVALIDCALL);
    return D3D_OK;
}

HRESULT RecordingDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix)
{
    const HRESULT result = Enter("SetTransform", { state });
    if (FAILED(result))
        return result;
    if (!matrix)
        return Finish(D3DERR_INVALIDCALL);
    m_transforms[state] = *matrix;
    return D3D_OK;
}

HRESULT RecordingDevice::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix)
{
    const HRESULT result = Enter("GetTransform", { state });
    if (FAILED(result))
        return result;
    if (!matrix)
        return Finish(D3DERR_INVALIDCALL);
    const D3DMATRIX* stored = Transform(state);
    *matrix = stored ? *stored : D3DMATRIX{};
    return D3D_OK;
}

HRESULT RecordingDevice::SetMaterial(const D3DMATERIAL9* material)
{
    const HRESULT result = Enter("SetMaterial", {});
    if (FAILED(result))
        return result;
    if (!material)
        return Finish(D3DERR_INVALIDCALL);
    m_material = *material;
    return D3D_OK;
}

HRESULT RecordingDevice::GetMaterial(D3DMATERIAL9* material)
{
    const HRESULT result = Enter("GetMaterial", {});
    if (FAILED(result))
        return result;
    if (!material)
        return Finish(D3DERR_INVALIDCALL);
    CopyOut(material, m_material);
    return D3D_OK;
}

HRESULT RecordingDevice::SetLight(DWORD index, const D3DLIGHT9* light)
{
    const HRESULT result = Enter("SetLight", { index });
    if (FAILED(result))
        return result;
    if (!light)
        return Finish(D3DERR_INVALIDCALL);
    LightSlot& slot = LightAt(index);
    slot.light = *light;
    slot.set = true;
    return D3D_OK;
}

HRESULT RecordingDevice::GetLight(DWORD index, D3DLIGHT9* light)
{
    const HRESULT result = Enter("GetLight", { index });
    if (FAILED(result))
        return result;
    const D3DLIGHT9* stored = Light(index);
    if (!light || !stored)
        return Finish(D3DERR_INVALIDCALL);
    *light = *stored;
    return D3D_OK;
}

HRESULT RecordingDevice::LightEnable(DWORD index, BOOL enable)
{
    const HRESULT result = Enter("LightEnable", { index, static_cast<DWORD>(enable) });
    if (FAILED(result))
        return result;
    // Enabling a light that was never set gives it the default white
    // directional light, as the device does.
    LightSlot& slot = LightAt(index);
    if (!slot.set) {
        D3DLIGHT9 light{};
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Diffuse = D3DCOLORVALUE{ 1.0f, 1.0f, 1.0f, 0.0f };
        light.Direction = D3DVECTOR{ 0.0f, 0.0f, 1.0f };
        slot.light = light;
        slot.set = true;
    }
    slot.enabled = enable ? TRUE : FALSE;
    return D3D_OK;
}

HRESULT RecordingDevice::GetLightEnable(DWORD index, BOOL* enable)
{
    const HRESULT result = Enter("GetLightEnable", { index });
    if (FAILED(result))
        return result;
    if (!enable || !Light(index))
        return Finish(D3DERR_INVALIDCALL);
    *enable = IsLightEnabled(index) ? TRUE : FALSE;
    return D3D_OK;
}

HRESULT RecordingDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value)
{
    const HRESULT result = Enter("SetRenderState", { state, value });
    if (FAILED(result))
        return result;
    m_renderStates[state] = value;
    return D3D_OK;
}

HRESULT RecordingDevice::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value)
{
    const HRESULT result = Enter("GetRenderState", { state });
    if (FAILED(result))
        return result;
    if (!value)
        return Finish(D3DERR_INVALIDCALL);
    *value = RenderState(state);
    return D3D_OK;
}

HRESULT RecordingDevice::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture)
{
    const HRESULT result = Enter("SetTexture", { stage, SerialOfTexture(texture) });
    if (FAILED(result))
        return result;
    if (stage >= kStages)
        return Finish(D3DERR_INVALIDCALL);
    Bind(m_textures[stage], texture);
    return D3D_OK;
}

HRESULT RecordingDevice::GetTexture(DWORD stage, IDirect3DBaseTexture9** texture)
{
    const HRESULT result = Enter("GetTexture", { stage });
    if (FAILED(result))
        return result;
    if (!texture || stage >= kStages)
        return Finish(D3DERR_INVALIDCALL);
    *texture = m_textures[stage];
    if (*texture)
        (*texture)->AddRef();
    return D3D_OK;
}

HRESULT RecordingDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value)
{
    const HRESULT result = Enter("SetTextureStageState", { stage, type, value });
    if (FAILED(result))
        return result;
    if (stage >= kStages)
        return Finish(D3DERR_INVALIDCALL);
    m_stageStates[stage][type] = value;
    return D3D_OK;
}

HRESULT RecordingDevice::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value)
{
    const HRESULT result = Enter("GetTextureStageState", { stage, type });
    if (FAILED(result))
        return result;
    if (!value || stage >= kStages)
        return Finish(D3DERR_INVALIDCALL);
    *value = TextureStageState(stage, type);
    return D3D_OK;
}

HRESULT RecordingDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value)
{
    const HRESULT result = Enter("SetSamplerState", { sampler, type, value });
    if (FAILED(result))
        return result;
    if (sampler >= kStages)
        return Finish(D3DERR_INVALIDCALL);
    m_samplerStates[sampler][type] = value;
    return D3D_OK;
}

HRESULT RecordingDevice::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value)
{
    const HRESULT result = Enter("GetSamplerState", { sampler, type });
    if (FAILED(result))
        return result;
    if (!value || sampler >= kStages)
        return Finish(D3DERR_INVALIDCALL);
    *value = SamplerState(sampler, type);
    return D3D_OK;
}

HRESULT RecordingDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount)
{
    const HRESULT result = Enter("DrawPrimitive", { type, startVertex, primitiveCount });
    if (FAILED(result))
        return result;
    if (m_sceneDepth == 0 || !m_streams[0].buffer)
        return Finish(D3DERR_INVALIDCALL);
    return D3D_OK;
}

HRESULT RecordingDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex,
                                              UINT vertexCount, UINT startIndex, UINT primitiveCount)
{
    const HRESULT result = Enter("DrawIndexedPrimitive", { type, static_cast<DWORD>(baseVertex), minIndex,
                                                           vertexCount, startIndex, primitiveCount });
    if (FAILED(result))
        return result;
    if (m_sceneDepth == 0 || !m_streams[0].buffer || !m_indices)
        return Finish(D3DERR_INVALIDCALL);
    return D3D_OK;
}

HRESULT RecordingDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices,
                                         UINT stride)
{
    const HRESULT result = Enter("DrawPrimitiveUP", { type, primitiveCount, stride });
    if (FAILED(result))
        return result;
    if (m_sceneDepth == 0 || !vertices || stride == 0)
        return Finish(D3DERR_INVALIDCALL);
    if (m_core->m_logging) {
        UINT count = 0;
        switch (type) {
        case D3DPT_POINTLIST: count = primitiveCount; break;
        case D3DPT_LINELIST: count = primitiveCount * 2; break;
        case D3DPT_LINESTRIP: count = primitiveCount + 1; break;
        case D3DPT_TRIANGLELIST: count = primitiveCount * 3; break;
        default: count = primitiveCount + 2; break; // strips and fans
        }
        const auto* bytes = static_cast<const uint8_t*>(vertices);
        m_userVertices.emplace_back(bytes, bytes + static_cast<size_t>(count) * stride);
    }
    return D3D_OK;
}

HRESULT RecordingDevice::SetFVF(DWORD fvf)
{
    const HRESULT result = Enter("SetFVF", { fvf });
    if (FAILED(result))
        return result;
    m_fvf = fvf;
    return D3D_OK;
}

HRESULT RecordingDevice::GetFVF(DWORD* fvf)
{
    const HRESULT result = Enter("GetFVF", {});
    if (FAILED(result))
        return result;
    if (!fvf)
        return Finish(D3DERR_INVALIDCALL);
    *fvf = m_fvf;
    return D3D_OK;
}

HRESULT RecordingDevice::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride)
{
    const HRESULT result = Enter("SetStreamSource", { stream, SerialOfVertexBuffer(buffer), offset, stride });
    if (FAILED(result))
        return result;
    if (stream >= kStages)
        return Finish(D3DERR_INVALIDCALL);
    Bind(m_streams[stream].buffer, buffer);
    m_streams[stream].offset = offset;
    m_streams[stream].stride = stride;
    return D3D_OK;
}

HRESULT RecordingDevice::GetStreamSource(UINT stream, IDirect3DVertexBuffer9** buffer, UINT* offset, UINT* stride)
{
    const HRESULT result = Enter("GetStreamSource", { stream });
    if (FAILED(result))
        return result;
    if (!buffer || !offset || !stride || stream >= kStages)
        return Finish(D3DERR_INVALIDCALL);
    *buffer = m_streams[stream].buffer;
    if (*buffer)
        (*buffer)->AddRef();
    *offset = m_streams[stream].offset;
    *stride = m_streams[stream].stride;
    return D3D_OK;
}

HRESULT RecordingDevice::SetIndices(IDirect3DIndexBuffer9* buffer)
{
    const HRESULT result = Enter("SetIndices", { SerialOfIndexBuffer(buffer) });
    if (FAILED(result))
        return result;
    Bind(m_indices, buffer);
    return D3D_OK;
}

HRESULT RecordingDevice::GetIndices(IDirect3DIndexBuffer9** buffer)
{
    const HRESULT result = Enter("GetIndices", {});
    if (FAILED(result))
        return result;
    if (!buffer)
        return Finish(D3DERR_INVALIDCALL);
    *buffer = m_indices;
    if (*buffer)
        (*buffer)->AddRef();
    return D3D_OK;
}

const std::vector<DeviceCall>& RecordingDevice::Log() const
{
    return m_core->m_log;
}

std::vector<DeviceCall> RecordingDevice::CallsOf(const std::string& method) const
{
    std::vector<DeviceCall> calls;
    for (const DeviceCall& call : m_core->m_log) {
        if (call.method == method)
            calls.push_back(call);
    }
    return calls;
}

void RecordingDevice::ClearLog()
{
    m_core->m_log.clear();
    m_userVertices.clear();
}

void RecordingDevice::SetLogging(bool on)
{
    m_core->m_logging = on;
}

void RecordingDevice::FailCall(const std::string& method, int nth, HRESULT result)
{
    m_core->Fail(method, nth, result);
}

DWORD RecordingDevice::RenderState(D3DRENDERSTATETYPE state) const
{
    const auto found = m_renderStates.find(state);
    return found == m_renderStates.end() ? 0 : found->second;
}

bool RecordingDevice::HasRenderState(D3DRENDERSTATETYPE state) const
{
    return m_renderStates.count(state) != 0;
}

DWORD RecordingDevice::TextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) const
{
    if (stage >= kStages)
        return 0;
    const auto found = m_stageStates[stage].find(type);
    return found == m_stageStates[stage].end() ? 0 : found->second;
}

DWORD RecordingDevice::SamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type) const
{
    if (sampler >= kStages)
        return 0;
    const auto found = m_samplerStates[sampler].find(type);
    return found == m_samplerStates[sampler].end() ? 0 : found->second;
}

const D3DMATRIX* RecordingDevice::Transform(D3DTRANSFORMSTATETYPE state) const
{
    const auto found = m_transforms.find(state);
    return found == m_transforms.end() ? nullptr : &found->second;
}

const RecordingDevice::LightSlot* RecordingDevice::FindLight(DWORD index) const
{
    if (index < kLightSlots)
        return &m_lowLights[index];
    const auto found = m_highLights.find(index);
    return found == m_highLights.end() ? nullptr : &found->second;
}

RecordingDevice::LightSlot& RecordingDevice::LightAt(DWORD index)
{
    return index < kLightSlots ? m_lowLights[index] : m_highLights[index];
}

const D3DLIGHT9* RecordingDevice::Light(DWORD index) const
{
    const LightSlot* slot = FindLight(index);
    return slot && slot->set ? &slot->light : nullptr;
}

bool RecordingDevice::IsLightEnabled(DWORD index) const
{
    const LightSlot* slot = FindLight(index);
    return slot && slot->enabled;
}

StreamSource RecordingDevice::Stream(UINT stream) const
{
    return stream < kStages ? m_streams[stream] : StreamSource{};
}

IDirect3DBaseTexture9* RecordingDevice::Texture(DWORD stage) const
{
    return stage < kStages ? m_textures[stage] : nullptr;
}

const std::vector<std::shared_ptr<ResourceRecord>>& RecordingDevice::Resources() const
{
    return m_core->m_resources;
}

int RecordingDevice::LiveDefaultPoolResources() const
{
    int count = 0;
    for (const auto& record : m_core->m_resources)
        count += record->pool == D3DPOOL_DEFAULT && !record->released ? 1 : 0;
    return count;
}

RecordingDevice* CreateRecordingDevice(const D3DPRESENT_PARAMETERS& parameters)
{
    return new RecordingDevice(parameters);
}

RecordingDevice* RecordOf(IDirect3DDevice9* device)
{
    return dynamic_cast<RecordingDevice*>(device);
}

ResourceRecord* RecordOf(IDirect3DVertexBuffer9* buffer)
{
    auto* resource = dynamic_cast<VertexBufferResource*>(buffer);
    return resource ? &resource->Record() : nullptr;
}

ResourceRecord* RecordOf(IDirect3DIndexBuffer9* buffer)
{
    auto* resource = dynamic_cast<IndexBufferResource*>(buffer);
    return resource ? &resource->Record() : nullptr;
}

ResourceRecord* RecordOf(IDirect3DBaseTexture9* texture)
{
    if (auto* resource = dynamic_cast<TextureResource*>(texture))
        return &resource->Record();
    auto* cube = dynamic_cast<CubeTextureResource*>(texture);
    return cube ? &cube->Record() : nullptr;
}

void TextureLevelLayout(D3DFORMAT format, UINT width, UINT height, UINT& pitch, UINT& rows)
{
    UINT blockBytes = 0;
    if (format == D3DFMT_DXT1)
        blockBytes = 8;
    else if (format == D3DFMT_DXT3 || format == D3DFMT_DXT5)
        blockBytes = 16;
    if (blockBytes) {
        pitch = (width + 3) / 4 * blockBytes;
        rows = (height + 3) / 4;
        return;
    }
    UINT pixelBytes = 4;
    switch (format) {
    case D3DFMT_R8G8B8:
        pixelBytes = 3;
        break;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
        pixelBytes = 2;
        break;
    case D3DFMT_A8:
    case D3DFMT_L8:
        pixelBytes = 1;
        break;
    default:
        break;
    }
    pitch = width * pixelBytes;
    rows = height;
}

int LiveDeviceCount()
{
    return g_liveDevices;
}

int LiveResourceCount()
{
    return g_liveResources;
}
}
