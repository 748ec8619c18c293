#include "Render/PEffect.h"

#include "Core/PFileReader.h"
#include "Core/PLog.h"
#include "Render/PEffectManager.h"
#include "Render/PRender.h"
#include "Render/PResourceRequest.h"

#include <cstdio>

namespace
{
const char kSourceFile[] = "Render/PEffect";
const char kEffectFolder[] = "Data\\Effects";
const char kMissingEffect[] = "simple.fx";
const char kSharedOption[] = "shared";
const char kTimeParameter[] = "time";
const char kTextureParameter[] = "tex%d";

// The device effect made from the bytes, in the pool when one is given;
// null (reported) when it cannot be made. The compile errors are dropped.
ID3DXEffect* CreateEffect(const CPFileReader& file, ID3DXEffectPool* pool)
{
    CPRender* render = GetRender();
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* errors = nullptr;
    const HRESULT result = D3DXCreateEffect(render ? render->m_device : nullptr, file.GetData(),
                                            static_cast<UINT>(file.GetSize()), nullptr, nullptr, 0, pool, &effect,
                                            &errors);
    if (errors)
        errors->Release();
    if (FAILED(result)) {
        ReportDXError(kSourceFile, __LINE__, result);
        return nullptr;
    }
    return effect;
}
}

CPEffect::CPEffect()
    : m_effect(nullptr),
      m_timeHandle(nullptr)
{
}

CPEffect::~CPEffect()
{
    if (CPEffectManager* manager = GetEffectManager())
        manager->RemoveEffect(this);
    if (m_effect)
        m_effect->Release();
}

bool CPEffect::Load(const std::string& spec)
{
    if (&spec != &m_name)
        m_name = spec;

    const CPResourceRequest split = SplitResourceRequest(m_name);
    const std::string& fileName = split.fileName;
    const bool shared = split.HasOption(kSharedOption);

    CPEffectManager* manager = GetEffectManager();
    ID3DXEffectPool* const pool = shared && manager ? manager->GetPool() : nullptr;
    bool inPool = false;
    // An empty name (a node that names no effect) is no file: it is not
    // looked for and gets the plain effect at once.
    CPFileReader file(std::string(kEffectFolder) + "\\" + fileName);
    if (!fileName.empty() && SUCCEEDED(file.Load())) {
        m_effect = CreateEffect(file, pool);
        inPool = m_effect && pool;
    } else {
        // A missing effect is drawn with the plain one, outside the pool.
        CPFileReader fallback(std::string(kEffectFolder) + "\\" + kMissingEffect);
        if (SUCCEEDED(fallback.Load()))
            m_effect = CreateEffect(fallback, nullptr);
    }
    if (!m_effect)
        return false;

    // Only an effect in the pool shares the pool's values, so only such an
    // effect can carry the shared parameters for all the others.
    if (inPool)
        manager->OfferReferenceEffect(m_effect);

    D3DXHANDLE technique = nullptr;
    m_effect->FindNextValidTechnique(nullptr, &technique);
    m_effect->SetTechnique(technique);

    m_textureHandles.clear();
    m_timeHandle = m_effect->GetParameterByName(nullptr, kTimeParameter);
    for (int index = 0;; ++index) {
        char name[32];
        std::snprintf(name, sizeof(name), kTextureParameter, index);
        const D3DXHANDLE handle = m_effect->GetParameterByName(nullptr, name);
        if (!handle)
            break;
        m_textureHandles.push_back(handle);
    }
    return true;
}

void CPEffect::OnLostDevice()
{
    if (m_effect)
        m_effect->OnLostDevice();
}

void CPEffect::OnResetDevice()
{
    if (m_effect)
        m_effect->OnResetDevice();
}

int32_t CPEffect::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPEffect));
}

std::string CPEffect::GetTypeName() const
{
    return "CPEffect - " + m_name;
}
