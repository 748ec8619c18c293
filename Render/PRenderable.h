// What the render queue draws: a body that has a material and may be drawn
// from its static geometry buffer instead of through the batches. Meshes,
// animated meshes and sprites are renderables; each keeps a plain pointer to
// the game object that places it. The queue asks a body for its counts and
// has it write its vertices and indices into a batch, shifted by the batch's
// base index.
#pragma once

#include "Core/PManagedObject.h"
#include "Core/PSmartPtr.h"

#include <cstdint>

class CPMaterial;
struct CPVertex;

class CPRenderable : public CPManagedObject
{
public:
    // True when the body is drawn from its static geometry buffer; such a
    // body adds nothing to a batch.
    virtual bool IsHidden() const = 0;
    virtual void SetHidden(bool hidden) = 0;
    // What FillBuffers writes.
    virtual int32_t GetVertexCount() = 0;
    virtual int32_t GetIndexCount() = 0;
    // Writes the vertices, and the indices plus the base index (wrapping at
    // 16 bits). The last argument is not used by the bodies.
    virtual void FillBuffers(CPVertex* vertices, uint16_t* indices, int32_t baseIndex, int32_t unused) = 0;
    // Copies the raw indices for a static buffer and reports the first and
    // the last index value.
    virtual void CopyIndices(uint16_t* destination, int32_t unused, int32_t& first, int32_t& last) = 0;
    virtual CPSmartPtr<CPMaterial> GetMaterial() const = 0;
};
