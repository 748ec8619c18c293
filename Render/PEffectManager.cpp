#include "Render/PEffectManager.h"

namespace
{
const char kErrorEffect[] = "error.fx";
}

const char* const CPEffectManager::kSharedNames[kSharedHandleCount] = {
    "g_mViewInv",      "g_vLight",    "g_vLightColor", "g_mWorldViewProjection",
    "g_mViewProjection", "g_mWorldView", "g_vAmbient",    "g_vCameraPos",
};

CPEffectManager* g_EffectManager = nullptr;

CPEffectManager* GetEffectManager()
{
    return g_EffectManager;
}

CPEffectManager::CPEffectManager(ID3DXEffectPool* pool)
    : m_pool(pool)
{
    if (m_pool)
        m_pool->AddRef();
}

CPEffectManager::~CPEffectManager()
{
    if (m_referenceEffect)
        m_referenceEffect->Release();
    if (m_pool)
        m_pool->Release();
    if (g_EffectManager == this)
        g_EffectManager = nullptr;
}

CPSmartPtr<CPEffect> CPEffectManager::GetEffect(const std::string& spec)
{
    const auto found = m_cache.find(spec);
    if (found != m_cache.end())
        return CPSmartPtr<CPEffect>(found->second);

    CPEffect* effect = new CPEffect();
    if (!effect->Load(spec)) {
        delete effect;
        effect = new CPEffect();
        effect->Load(kErrorEffect);
    }
    m_cache[spec] = effect;
    return CPSmartPtr<CPEffect>(effect);
}

void CPEffectManager::RemoveEffect(CPEffect* effect)
{
    for (auto entry = m_cache.begin(); entry != m_cache.end(); ++entry) {
        if (entry->second == effect) {
            m_cache.erase(entry);
            return;
        }
    }
}

CPEffect* CPEffectManager::FindEffect(const std::string& spec) const
{
    const auto found = m_cache.find(spec);
    return found == m_cache.end() ? nullptr : found->second;
}

void CPEffectManager::OfferReferenceEffect(ID3DXEffect* effect)
{
    if (m_referenceEffect || !effect)
        return;
    // Held for the manager's life, so the handles stay valid whatever
    // becomes of the CPEffect that made it.
    m_referenceEffect = effect;
    m_referenceEffect->AddRef();
    for (int which = 0; which < kSharedHandleCount; ++which)
        m_sharedHandles[which] = m_referenceEffect->GetParameterByName(nullptr, kSharedNames[which]);
}
