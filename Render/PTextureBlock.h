// Texture block: the ordered textures one material binds together, the
// first on stage 0 and so on. Blocks are made by the texture cache, which
// hands out one block for equal lists of textures, so that materials can be
// compared by their block.
#pragma once

#include "Core/PManagedObject.h"
#include "Core/PSmartPtr.h"
#include "Render/PTexture.h"

#include <cstdint>
#include <string>
#include <vector>

class CPTextureBlock : public CPManagedObject
{
public:
    // Holds a reference to each texture, in the order given.
    explicit CPTextureBlock(const std::vector<CPSmartPtr<CPTexture>>& textures);
    // Drops its textures and leaves the cache's block registry.
    ~CPTextureBlock() override;

    int32_t GetObjectSize() const override;
    // "CPTextureBlock".
    std::string GetTypeName() const override;

    uint32_t GetCount() const { return static_cast<uint32_t>(m_textures.size()); }
    CPTexture* GetTexture(uint32_t index) const { return m_textures[index].Get(); }
    // Whether the block holds exactly these textures in this order.
    bool Holds(const std::vector<CPSmartPtr<CPTexture>>& textures) const;

private:
    std::vector<CPSmartPtr<CPTexture>> m_textures;
};
