#include "Render/PTextureBlock.h"

#include "Render/PTextureManager.h"

CPTextureBlock::CPTextureBlock(const std::vector<CPSmartPtr<CPTexture>>& textures)
    : m_textures(textures)
{
}

CPTextureBlock::~CPTextureBlock()
{
    m_textures.clear();
    if (CPTextureManager* manager = GetTextureManager())
        manager->RemoveTextureBlock(this);
}

int32_t CPTextureBlock::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPTextureBlock));
}

std::string CPTextureBlock::GetTypeName() const
{
    return "CPTextureBlock";
}

bool CPTextureBlock::Holds(const std::vector<CPSmartPtr<CPTexture>>& textures) const
{
    return m_textures == textures;
}
