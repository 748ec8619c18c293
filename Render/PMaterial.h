// Material: what the render queue batches by: one effect, one texture block
// and a draw-layer id. Everything drawn with the same material falls into
// one batch; the draw-layer id picks the camera and the order of drawing.
// Render bodies and game objects hold their material through a smart
// pointer; the material cache (CPMaterialManager) hands out one material
// for equal requests.
#pragma once

#include "Core/PManagedObject.h"
#include "Core/PSmartPtr.h"
#include "Render/PEffect.h"
#include "Render/PTextureBlock.h"

#include <cstdint>
#include <string>
#include <vector>

class CPRender;

class CPMaterial : public CPManagedObject
{
public:
    // Holds a reference to the effect and the block; remembers the render
    // system current at construction.
    explicit CPMaterial(int32_t layerId, CPSmartPtr<CPEffect> effect = CPSmartPtr<CPEffect>(),
                        CPSmartPtr<CPTextureBlock> textureBlock = CPSmartPtr<CPTextureBlock>());
    // Drops the block and the effect and leaves the material cache's list.
    ~CPMaterial() override;

    int32_t GetObjectSize() const override;
    // "CPMaterial - " followed by the name of its effect.
    std::string GetTypeName() const override;

    int32_t GetLayerId() const { return m_layerId; }
    const CPSmartPtr<CPEffect>& GetEffect() const { return m_effect; }
    const CPSmartPtr<CPTextureBlock>& GetTextureBlock() const { return m_textureBlock; }
    CPRender* GetRenderSystem() const { return m_render; }

private:
    CPRender* m_render;
    CPSmartPtr<CPEffect> m_effect;
    CPSmartPtr<CPTextureBlock> m_textureBlock;
    std::vector<uint32_t> m_values;
    int32_t m_layerId;
    [[maybe_unused]] uint8_t m_flag;
};
