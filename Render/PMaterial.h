// Material: what the render queue batches by. Everything drawn with the same
// material falls into one batch; the draw-layer id picks the camera and the
// order of drawing. Render bodies and game objects hold their material
// through a smart pointer.
#pragma once

#include "Core/PManagedObject.h"

#include <cstdint>
#include <string>

class CPMaterial : public CPManagedObject
{
public:
    explicit CPMaterial(int32_t layerId);
    ~CPMaterial() override;

    int32_t GetObjectSize() const override;
    // "CPMaterial - " followed by the name of its effect.
    std::string GetTypeName() const override;

    int32_t GetLayerId() const { return m_layerId; }

private:
    int32_t m_layerId;
};
