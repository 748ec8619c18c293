// Morph clip: a list of frames, each a complete vertex and index list, shown
// one after another at a fixed frame time. Animated bodies share clips by
// name through smart pointers.
#pragma once

#include "Core/PBoundingBox.h"
#include "Core/PManagedObject.h"
#include "Render/PVertex.h"

#include <cstdint>
#include <string>
#include <vector>

struct CPAnimationFrame
{
    std::vector<CPVertex> vertices;
    std::vector<uint16_t> indices;
    // Position of the frame in its clip, from 0.
    int32_t index = 0;
};

class CPAnimation : public CPManagedObject
{
public:
    explicit CPAnimation(const std::string& name);
    ~CPAnimation() override;

    int32_t GetObjectSize() const override;
    // "CPAnimation".
    std::string GetTypeName() const override;

    const std::string& GetName() const { return m_name; }

    std::string m_name;
    // Seconds: frame count x frame time.
    float m_length = 0.0f;
    int32_t m_frameCount = 0;
    // Seconds per frame.
    float m_frameTime = 0.0f;
    std::vector<CPAnimationFrame> m_frames;
    // Around the positions of all frames.
    CPBoundingBox m_bounds;
};
