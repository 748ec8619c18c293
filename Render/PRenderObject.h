// Render object: the mesh body of a game object (kind 0). It keeps the mesh
// as loaded (local vertices and a triangle list) and a world-space copy that
// follows the owner's world matrix, and draws with one material. A mesh
// without vertex modifiers is drawn from a static geometry buffer and is
// then hidden from the batches.
#pragma once

#include "Render/PRenderable.h"
#include "Render/PVertex.h"

#include <cstdint>
#include <string>
#include <vector>

class CPGameObject;

class CPRenderObject : public CPRenderable
{
public:
    explicit CPRenderObject(CPGameObject* owner);
    ~CPRenderObject() override;

    int32_t GetObjectSize() const override;
    // "CPRenderObject".
    std::string GetTypeName() const override;

    bool IsHidden() const override { return m_hidden != 0; }
    void SetHidden(bool hidden) override { m_hidden = hidden ? 1 : 0; }
    CPSmartPtr<CPMaterial> GetMaterial() const override;
    // Releases the previous material and holds the new one.
    void SetMaterial(const CPSmartPtr<CPMaterial>& material);

    // Copies the owner, the vertices, indices, material and hidden flag (and,
    // when hidden, the geometry name). The caller then points the owner at
    // its own game object.
    virtual void CopyFrom(const CPRenderObject& source);

    CPGameObject* GetOwner() const { return m_owner; }
    void SetOwner(CPGameObject* owner) { m_owner = owner; }

    std::vector<CPVertex>& GetLocalVertices() { return m_localVertices; }
    const std::vector<CPVertex>& GetLocalVertices() const { return m_localVertices; }
    std::vector<uint16_t>& GetIndices() { return m_indices; }
    const std::vector<uint16_t>& GetIndices() const { return m_indices; }
    std::vector<CPVertex>& GetWorldVertices() { return m_worldVertices; }
    const std::vector<CPVertex>& GetWorldVertices() const { return m_worldVertices; }
    const std::string& GetGeometryName() const { return m_geometryName; }
    void SetGeometryName(const std::string& name) { m_geometryName = name; }

    // A contact of the owner's body with the level; a mesh shows nothing.
    void OnImpact(const D3DXVECTOR3& /*point*/, const D3DXVECTOR3& /*direction*/, float /*strength*/) {}

private:
    CPGameObject* m_owner;
    std::vector<CPVertex> m_localVertices;
    std::vector<uint16_t> m_indices;
    std::vector<CPVertex> m_worldVertices;
    CPSmartPtr<CPMaterial> m_material;
    uint8_t m_hidden = 0;
    // Key of the static geometry buffer that draws a hidden body.
    std::string m_geometryName;
};
