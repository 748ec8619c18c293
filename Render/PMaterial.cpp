#include "Render/PMaterial.h"

#include "Render/PMaterialManager.h"
#include "Render/PRender.h"

CPMaterial::CPMaterial(int32_t layerId, CPSmartPtr<CPEffect> effect, CPSmartPtr<CPTextureBlock> textureBlock)
    : m_render(GetRender()),
      m_effect(effect),
      m_textureBlock(textureBlock),
      m_layerId(layerId),
      m_flag(0)
{
}

CPMaterial::~CPMaterial()
{
    if (CPMaterialManager* manager = GetMaterialManager())
        manager->RemoveMaterial(this);
}

int32_t CPMaterial::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPMaterial));
}

std::string CPMaterial::GetTypeName() const
{
    return "CPMaterial - " + (m_effect ? m_effect->GetName() : std::string());
}
