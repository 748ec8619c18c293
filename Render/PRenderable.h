// What the render queue draws: a body that has a material and may be drawn
// from its static geometry buffer instead of through the batches. Meshes,
// animated meshes and sprites are renderables; each keeps a plain pointer to
// the game object that places it.
#pragma once

#include "Core/PManagedObject.h"
#include "Core/PSmartPtr.h"

class CPMaterial;

class CPRenderable : public CPManagedObject
{
public:
    // True when the body is drawn from its static geometry buffer; such a
    // body adds nothing to a batch.
    virtual bool IsHidden() const = 0;
    virtual void SetHidden(bool hidden) = 0;
    virtual CPSmartPtr<CPMaterial> GetMaterial() const = 0;
};
