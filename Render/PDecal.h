// Ground decal: a vehicle's shadow laid over the level triangles under it.
// The shadow object's flat render body is rebuilt from the terrain triangles
// the vehicle's physics data lists, lifted slightly, with texture
// coordinates that map the shadow's footprint onto the unit square.
#pragma once

#include "Core/PSmartPtr.h"
#include "Platform/D3DX9Math.h"

class CPGameObject;
class CPPhysicData;

// Rebuilds the shadow's body under the footprint of its own box (grown by
// 0.1 on each side) placed by the world matrix.
void ProjectDecal(const CPSmartPtr<CPGameObject>& shadow, const D3DXMATRIX& world,
                  const CPSmartPtr<CPPhysicData>& physicData);
// Fills the shadow's body from the listed terrain triangles, each once, with
// the frame (origin, edges a and b) grown to cover the parallelogram at p.
// A singular frame leaves the body as it was.
void BuildDecalGeometry(const CPSmartPtr<CPGameObject>& shadow, const D3DXVECTOR2& origin, const D3DXVECTOR2& p,
                        const D3DXVECTOR2& a, const D3DXVECTOR2& b, const CPSmartPtr<CPPhysicData>& physicData);
// Grows the frame (origin, a, b) so that it also covers the parallelogram
// with corner p and the same edges.
void TransformDecalPoints(D3DXVECTOR2& origin, D3DXVECTOR2& a, D3DXVECTOR2& b, const D3DXVECTOR2& p);
