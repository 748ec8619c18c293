// Render queue: where the game code hands what is to be drawn each frame, to
// be sorted into one batch per material for the host's drawing. The render
// system holds two: the per-frame queue and the queue of the level's static
// geometry.
#pragma once

#include "Core/PManagedObject.h"

#include <cstdint>
#include <string>

class CPRenderQueue : public CPManagedObject
{
public:
    CPRenderQueue();
    ~CPRenderQueue() override;

    int32_t GetObjectSize() const override;
    // "CPRenderQueue".
    std::string GetTypeName() const override;

    // When set, object trees handed to the queue skip objects whose static
    // flag is clear.
    uint8_t m_onlyFlagged = 0;
};
