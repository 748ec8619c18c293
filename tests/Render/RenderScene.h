// Small scenes for the render tests: materials, mesh, sprite and light
// bodies on game objects. The kit owns everything it made and destroys it
// in a safe order: objects (newest first), then bodies, then materials.
// Whatever holds references to them (queues, batches, rings) must be gone
// before the kit.
#pragma once

#include "Core/GameObjectTrees.h"
#include "Core/PGameObject.h"
#include "Render/PLight.h"
#include "Render/PMaterial.h"
#include "Render/PRenderObject.h"
#include "Render/PSprite.h"

#include <memory>
#include <string>
#include <vector>

class SceneKit
{
public:
    ~SceneKit()
    {
        m_objects.reset();
        for (auto it = m_bodies.rbegin(); it != m_bodies.rend(); ++it)
            delete *it;
        for (CPMaterial* material : m_materials)
            delete material;
    }

    CPMaterial* Material(int32_t layerId, const CPSmartPtr<CPEffect>& effect = CPSmartPtr<CPEffect>())
    {
        m_materials.push_back(new CPMaterial(layerId, effect));
        return m_materials.back();
    }

    CPGameObject* Group(const std::string& name, CPGameObject* parent = nullptr)
    {
        return m_objects->Make(name, parent);
    }

    // A mesh of `vertexCount` vertices along x (vertex i at (i, 0, 0), colour
    // 0xff000000 + i) and `indexCount` indices cycling through them.
    CPRenderObject* MeshBody(CPMaterial* material, int32_t vertexCount, int32_t indexCount)
    {
        auto* mesh = new CPRenderObject(nullptr);
        m_bodies.push_back(mesh);
        for (int32_t i = 0; i < vertexCount; ++i) {
            CPVertex vertex;
            vertex.position = D3DXVECTOR3(static_cast<float>(i), 0, 0);
            vertex.normal = D3DXVECTOR3(0, 0, 1);
            vertex.diffuse = 0xff000000u + static_cast<D3DCOLOR>(i);
            mesh->GetLocalVertices().push_back(vertex);
        }
        mesh->GetWorldVertices() = mesh->GetLocalVertices();
        for (int32_t i = 0; i < indexCount; ++i)
            mesh->GetIndices().push_back(static_cast<uint16_t>(vertexCount ? i % vertexCount : 0));
        mesh->SetMaterial(material);
        return mesh;
    }

    CPGameObject* Mesh(const std::string& name, CPGameObject* parent, CPMaterial* material, int32_t vertexCount,
                       int32_t indexCount)
    {
        CPGameObject* object = Group(name, parent);
        CPRenderObject* mesh = MeshBody(material, vertexCount, indexCount);
        mesh->SetOwner(object);
        object->SetBody(mesh, kBodyRenderObject);
        return object;
    }

    CPGameObject* Sprite(const std::string& name, CPGameObject* parent, CPMaterial* material, float size)
    {
        CPGameObject* object = Group(name, parent);
        auto* sprite = new CPSprite(size);
        m_bodies.push_back(sprite);
        sprite->SetOwner(object);
        sprite->SetMaterial(material);
        object->SetBody(sprite, kBodySprite);
        return object;
    }

    CPGameObject* Light(const std::string& name, CPGameObject* parent)
    {
        CPGameObject* object = Group(name, parent);
        auto* light = new CPLight();
        m_bodies.push_back(light);
        light->SetOwner(object);
        light->GetLightData().Type = D3DLIGHT_POINT;
        object->SetBody(light, kBodyLight);
        return object;
    }

    static CPRenderObject& MeshOf(CPGameObject* object)
    {
        return *static_cast<CPRenderObject*>(object->GetBody().Get());
    }
    static CPSprite& SpriteOf(CPGameObject* object) { return *static_cast<CPSprite*>(object->GetBody().Get()); }

private:
    std::vector<CPMaterial*> m_materials;
    std::vector<CPManagedObject*> m_bodies;
    std::unique_ptr<ObjectPool> m_objects = std::make_unique<ObjectPool>();
};
