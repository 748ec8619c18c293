// Scene objects for the level tree and query tests: static or dynamic mesh
// objects with a cube of known half size around their position (own box and
// part box) and a material.
#pragma once

#include "Core/GameObjectTrees.h"
#include "Core/PGameObject.h"
#include "Render/PMaterial.h"
#include "Render/PRenderObject.h"

inline CPGameObject* MakeCube(ObjectPool& pool, const std::string& name, const D3DXVECTOR3& at, float half,
                              CPMaterial* material, bool isStatic = true)
{
    CPGameObject* object = pool.Make(name);
    auto* body = new CPRenderObject(object);
    body->SetMaterial(material);
    object->SetBody(body, kBodyRenderObject);
    const D3DXVECTOR3 size(half, half, half);
    object->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(0, 0, 0), size));
    object->GetPartBoxes().push_back(CPBoundingBox(D3DXVECTOR3(0, 0, 0), size));
    object->SetShadow(false);
    object->SetStatic(isStatic);
    object->SetPosition(at);
    object->UpdateTransform();
    return object;
}
