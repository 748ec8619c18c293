// Effects under the D3DX names the engine calls. There is no shader compiler
// here: the effect text is scanned for its structure (parameters, samplers,
// functions, techniques and their passes) and the parameters keep the values
// set on them. Parameters declared "shared" in effects made in one effect
// pool hold one value together, so a value set through one member is seen
// by all. A technique whose passes compile shaders above the device's shader
// versions is not valid on that device.
#pragma once

#include "Platform/D3D9.h"
#include "Platform/D3DX9Tex.h"

#include <string>
#include <vector>

typedef const char* D3DXHANDLE;

extern const IID IID_ID3DXBuffer;
extern const IID IID_ID3DXEffectPool;
extern const IID IID_ID3DXEffect;

struct D3DXMACRO
{
    LPCSTR Name;
    LPCSTR Definition;
};

// Opens included files; the engine passes none.
class ID3DXInclude;

// A block of bytes handed back by D3DX, such as the text of compile errors.
class ID3DXBuffer : public IUnknown
{
public:
    virtual LPVOID GetBufferPointer() = 0;
    virtual DWORD GetBufferSize() = 0;

protected:
    ~ID3DXBuffer() = default;
};

// Where effects created in it keep the values of their shared parameters.
class ID3DXEffectPool : public IUnknown
{
protected:
    ~ID3DXEffectPool() = default;
};

// A handle is valid while its effect lives. Parameter and technique lookups
// also take the name itself as a handle.
class ID3DXEffect : public IUnknown
{
public:
    virtual HRESULT GetPool(ID3DXEffectPool** pool) = 0;
    virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;

    // Top-level parameters only: with a parent handle the answer is null.
    virtual D3DXHANDLE GetParameterByName(D3DXHANDLE parent, LPCSTR name) = 0;
    virtual D3DXHANDLE GetTechniqueByName(LPCSTR name) = 0;
    virtual D3DXHANDLE GetTechnique(UINT index) = 0;
    // D3D_OK when the device can run every pass of the technique.
    virtual HRESULT ValidateTechnique(D3DXHANDLE technique) = 0;
    // The first valid technique after `previous` (null: from the first); the
    // answer is null when none follows.
    virtual HRESULT FindNextValidTechnique(D3DXHANDLE previous, D3DXHANDLE* next) = 0;
    virtual HRESULT SetTechnique(D3DXHANDLE technique) = 0;
    virtual D3DXHANDLE GetCurrentTechnique() = 0;

    // Values are bytes as the parameter holds them; a value longer than the
    // parameter fails, a shorter one sets its first bytes.
    virtual HRESULT SetValue(D3DXHANDLE parameter, LPCVOID data, UINT bytes) = 0;
    virtual HRESULT GetValue(D3DXHANDLE parameter, LPVOID data, UINT bytes) = 0;
    virtual HRESULT SetFloat(D3DXHANDLE parameter, FLOAT value) = 0;
    virtual HRESULT GetFloat(D3DXHANDLE parameter, FLOAT* value) = 0;
    virtual HRESULT SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector) = 0;
    virtual HRESULT GetVector(D3DXHANDLE parameter, D3DXVECTOR4* vector) = 0;
    virtual HRESULT SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix) = 0;
    virtual HRESULT GetMatrix(D3DXHANDLE parameter, D3DXMATRIX* matrix) = 0;
    // A texture parameter holds a reference to its texture.
    virtual HRESULT SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture) = 0;
    virtual HRESULT GetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9** texture) = 0;

    // Drawing with the current technique: Begin gives its pass count, then
    // each pass between BeginPass and EndPass, then End.
    virtual HRESULT Begin(UINT* passes, DWORD flags) = 0;
    virtual HRESULT BeginPass(UINT pass) = 0;
    virtual HRESULT CommitChanges() = 0;
    virtual HRESULT EndPass() = 0;
    virtual HRESULT End() = 0;

    virtual HRESULT OnLostDevice() = 0;
    virtual HRESULT OnResetDevice() = 0;

protected:
    ~ID3DXEffect() = default;
};

HRESULT D3DXCreateEffectPool(ID3DXEffectPool** pool);

// Scans the effect text. A text that is not an effect fails with
// D3DXERR_INVALIDDATA and, when `errors` is given, a buffer holding the
// reason as text. Macros and the include handler are not supported and must
// be null; flags are ignored.
HRESULT D3DXCreateEffect(IDirect3DDevice9* device, LPCVOID data, UINT length, const D3DXMACRO* defines,
                         ID3DXInclude* include, DWORD flags, ID3DXEffectPool* pool, ID3DXEffect** effect,
                         ID3DXBuffer** errors);

namespace PlatformD3DX
{
// What tests read of an effect made here.
struct EffectRecord
{
    ID3DXEffectPool* pool = nullptr;
    // Technique names in declaration order, and whether each is valid on the
    // device the effect was made on.
    std::vector<std::string> techniques;
    std::vector<bool> valid;
    // Name of the current technique; empty while none is set.
    std::string current;
    int lostCount = 0;
    int resetCount = 0;
};

// The record of an effect made by D3DXCreateEffect, or null.
const EffectRecord* RecordOf(ID3DXEffect* effect);
// Effects made since start; effects and pools not yet released.
int EffectCreationCount();
int LiveEffectCount();
int LivePoolCount();
}
