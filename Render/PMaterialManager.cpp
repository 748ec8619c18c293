#include "Render/PMaterialManager.h"

#include "Render/PEffectManager.h"
#include "Render/PTextureManager.h"

#include <algorithm>

CPMaterialManager* g_MaterialManager = nullptr;

CPMaterialManager* GetMaterialManager()
{
    return g_MaterialManager;
}

CPMaterialManager::CPMaterialManager() = default;

CPMaterialManager::~CPMaterialManager()
{
    if (g_MaterialManager == this)
        g_MaterialManager = nullptr;
}

CPSmartPtr<CPMaterial> CPMaterialManager::GetMaterial(int32_t layerId, const std::string& effectSpec,
                                                      const std::vector<std::string>& textureSpecs)
{
    CPEffectManager* effects = GetEffectManager();
    CPTextureManager* textures = GetTextureManager();
    const CPSmartPtr<CPEffect> effect = effects ? effects->GetEffect(effectSpec) : CPSmartPtr<CPEffect>();
    const CPSmartPtr<CPTextureBlock> block =
        textures ? textures->CreateTextureBlock(textureSpecs) : CPSmartPtr<CPTextureBlock>();

    for (CPMaterial* material : m_materials) {
        if (material->GetLayerId() == layerId && material->GetEffect() == effect
            && material->GetTextureBlock() == block)
            return CPSmartPtr<CPMaterial>(material);
    }
    CPMaterial* material = new CPMaterial(layerId, effect, block);
    m_materials.push_back(material);
    return CPSmartPtr<CPMaterial>(material);
}

void CPMaterialManager::RemoveMaterial(CPMaterial* material)
{
    const auto found = std::find(m_materials.begin(), m_materials.end(), material);
    if (found != m_materials.end())
        m_materials.erase(found);
}
