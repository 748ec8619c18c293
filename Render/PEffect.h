// Effect: one device effect compiled from a file under "Data\Effects", with
// the handles the drawing code sets each batch: "time" and the texture
// parameters "tex0", "tex1", ... up to the first number the effect lacks.
// Effects come only from the effect cache (CPEffectManager), keyed by their
// effect spec: the file name, then options after commas, of which only
// "shared" (put the effect in the pool of shared effects) means anything.
// An effect is a device object: a lost device is passed on to the effect.
#pragma once

#include "Core/PManagedObject.h"
#include "Platform/D3DX9Effect.h"
#include "Render/PDeviceObject.h"

#include <cstdint>
#include <string>
#include <vector>

class CPEffect : public CPManagedObject, public CPDeviceObject
{
public:
    // No device effect, no handles, no name; joins the device-object list.
    CPEffect();
    // Leaves the cache, releases the device effect, leaves the device-object list.
    ~CPEffect() override;

    // Loads and compiles the effect the request names; a missing file, and
    // an empty name (never looked for), is replaced by "simple.fx". False
    // when nothing could be compiled.
    bool Load(const std::string& spec);

    void OnLostDevice() override;
    void OnResetDevice() override;

    int32_t GetObjectSize() const override;
    // "CPEffect - " followed by the name.
    std::string GetTypeName() const override;

    // Null when no load succeeded: drawing skips such an effect.
    ID3DXEffect* GetEffect() const { return m_effect; }
    // Null when the effect has no "time" parameter.
    D3DXHANDLE GetTimeHandle() const { return m_timeHandle; }
    // The handle of "tex<N>" at index N.
    const std::vector<D3DXHANDLE>& GetTextureHandles() const { return m_textureHandles; }
    // The request as it was passed to Load.
    const std::string& GetName() const { return m_name; }

private:
    std::vector<D3DXHANDLE> m_textureHandles;
    ID3DXEffect* m_effect;
    D3DXHANDLE m_timeHandle;
    std::string m_name;
};
