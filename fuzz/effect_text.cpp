// Arbitrary bytes as an effect file: scanned twice into one pool, and when
// they make an effect, its techniques walked and drawn, and its "time" and
// shared values set. A failure always comes with its reason.
#include "Platform/D3D9Device.h"
#include "Platform/D3DX9Effect.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static PlatformD3D9::RecordingDevice* device = [] {
        PlatformD3D9::RecordingDevice* made = PlatformD3D9::CreateRecordingDevice(D3DPRESENT_PARAMETERS{});
        made->SetLogging(false);
        return made;
    }();
    ID3DXEffectPool* pool = nullptr;
    D3DXCreateEffectPool(&pool);
    ID3DXEffect* effects[2] = {};
    for (ID3DXEffect*& effect : effects) {
        ID3DXBuffer* errors = nullptr;
        const HRESULT result = D3DXCreateEffect(device, data, static_cast<UINT>(size), nullptr, nullptr, 0, pool,
                                                &effect, &errors);
        if (FAILED(result) && size > 0
            && (!errors || std::strlen(static_cast<const char*>(errors->GetBufferPointer())) == 0))
            std::abort();
        if (errors)
            errors->Release();
    }
    if (effects[0]) {
        ID3DXEffect* effect = effects[0];
        for (D3DXHANDLE technique = nullptr; SUCCEEDED(effect->FindNextValidTechnique(technique, &technique))
             && technique;) {
            if (FAILED(effect->ValidateTechnique(technique)) || FAILED(effect->SetTechnique(technique)))
                std::abort();
            UINT passes = 0;
            if (SUCCEEDED(effect->Begin(&passes, 0))) {
                for (UINT pass = 0; pass < passes; ++pass) {
                    effect->BeginPass(pass);
                    effect->EndPass();
                }
                effect->End();
            }
        }
        effect->SetFloat(effect->GetParameterByName(nullptr, "time"), 1.0f);
        const D3DXMATRIX identity;
        effect->SetMatrix(effect->GetParameterByName(nullptr, "g_mViewInv"), &identity);
        D3DXMATRIX back;
        effects[1]->GetMatrix("g_mViewInv", &back);
    }
    for (ID3DXEffect* effect : effects) {
        if (effect)
            effect->Release();
    }
    pool->Release();
    return 0;
}
