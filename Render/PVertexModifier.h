// Vertex modifier: changes the vertices of a render body each time the body
// writes them into a batch. A body holds an ordered list of modifiers and
// owns them; each keeps its own clock.
#pragma once

#include "Render/PVertex.h"

#include <cstdint>

class CPVertexModifier
{
public:
    virtual void Update(float dt) = 0;
    virtual ~CPVertexModifier() = default;
    // Copies each source record to the destination, then changes the
    // destination; both may be the same array.
    virtual void Apply(CPVertex* destination, const CPVertex* source, int32_t count) = 0;
    // A new modifier of the same class and state, owned by the caller.
    virtual CPVertexModifier* Clone() const = 0;
    virtual void Restart() {}
};
