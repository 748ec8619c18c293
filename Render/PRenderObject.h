// Render object: the mesh body of a game object (kind 0). It keeps the mesh
// as loaded (local vertices and a triangle list) and a world-space copy that
// follows the owner's world matrix, and draws with one material, passing its
// vertices through its vertex modifiers on the way into a batch. A mesh
// without vertex modifiers is drawn from a static geometry buffer and is
// then hidden from the batches.
#pragma once

#include "Core/PBoundingBox.h"
#include "Render/PRenderable.h"
#include "Render/PVertex.h"

#include <cstdint>
#include <string>
#include <vector>

class CPGameObject;
class CPVertexModifier;
struct CPGeometryBuffer;

// A box that follows the body; ratio below 1 means it is moved with the
// owner's world matrix. The records are kept for whoever fills them.
struct CPAttachedBox
{
    std::vector<std::vector<int32_t>> records;
    CPBoundingBox box;
    float ratio = 0.0f;
};

class CPRenderObject : public CPRenderable
{
public:
    explicit CPRenderObject(CPGameObject* owner);
    // Deletes the vertex modifiers and releases the material.
    ~CPRenderObject() override;

    int32_t GetObjectSize() const override;
    // "CPRenderObject".
    std::string GetTypeName() const override;

    bool IsHidden() const override { return m_hidden != 0; }
    void SetHidden(bool hidden) override { m_hidden = hidden ? 1 : 0; }
    // The local vertices and the indices, also while hidden.
    int32_t GetVertexCount() override { return static_cast<int32_t>(m_localVertices.size()); }
    int32_t GetIndexCount() override { return static_cast<int32_t>(m_indices.size()); }
    // Nothing while hidden or without world vertices. A moved owner first
    // re-transforms the world vertices; the modifiers (or a plain copy) then
    // write them, and the indices follow plus the base index.
    void FillBuffers(CPVertex* vertices, uint16_t* indices, int32_t baseIndex, int32_t unused) override;
    // The indices unchanged, with the first and the last index value; nothing
    // without world vertices.
    void CopyIndices(uint16_t* destination, int32_t unused, int32_t& first, int32_t& last) override;
    CPSmartPtr<CPMaterial> GetMaterial() const override;
    // Releases the previous material and holds the new one.
    void SetMaterial(const CPSmartPtr<CPMaterial>& material);

    // Copies the owner, the vertices, indices, material and hidden flag (and,
    // when hidden, the geometry name and its static buffer), then clones the
    // modifiers. The caller then points the owner at its own game object.
    virtual void CopyFrom(const CPRenderObject& source);

    // World vertices from the local ones under the owner's world matrix
    // (position and normal; the diffuse colour copied), then the attached
    // boxes. Nothing while hidden or without owner.
    void UpdateWorldVertices();
    // Bakes a placement into the mesh: local positions by the whole matrix,
    // local normals by its rotation part.
    void Transform(const D3DXMATRIX& matrix);
    // A collision hit the body; meshes do not react.
    void OnImpact(const D3DXVECTOR3& point, const D3DXVECTOR3& normal, float strength);

    // Takes ownership; the modifiers run in the order they were added.
    void AddModifier(CPVertexModifier* modifier);
    const std::vector<CPVertexModifier*>& GetModifiers() const { return m_modifiers; }

    CPGameObject* GetOwner() const { return m_owner; }
    void SetOwner(CPGameObject* owner) { m_owner = owner; }

    // The local vertices open to change: a world copy still owed is made
    // first, so it keeps the vertices it was taken from.
    std::vector<CPVertex>& GetLocalVertices()
    {
        SettleWorldVertices();
        return m_localVertices;
    }
    const std::vector<CPVertex>& GetLocalVertices() const { return m_localVertices; }
    std::vector<uint16_t>& GetIndices() { return m_indices; }
    const std::vector<uint16_t>& GetIndices() const { return m_indices; }
    std::vector<CPVertex>& GetWorldVertices()
    {
        SettleWorldVertices();
        return m_worldVertices;
    }
    const std::vector<CPVertex>& GetWorldVertices() const
    {
        SettleWorldVertices();
        return m_worldVertices;
    }
    // The world vertices become a copy of the local ones as they are now.
    // The copy is made when the world vertices are first used or the local
    // ones are about to change, so a body drawn only from its static buffer
    // never holds a second list.
    void CopyLocalToWorld()
    {
        m_worldVertices.clear();
        m_worldOwed = true;
    }
    std::vector<CPAttachedBox>& GetAttachedBoxes() { return m_attachedBoxes; }
    void SetBoxesOn(bool on) { m_boxesOn = on ? 1 : 0; }
    const std::string& GetGeometryName() const { return m_geometryName; }
    void SetGeometryName(const std::string& name) { m_geometryName = name; }
    // The static buffer a hidden body is drawn from.
    CPGeometryBuffer* GetGeometry() const { return m_geometry; }
    void SetGeometry(CPGeometryBuffer* geometry) { m_geometry = geometry; }

private:
    // Makes the world copy that CopyLocalToWorld left owed.
    void SettleWorldVertices() const
    {
        if (m_worldOwed) {
            m_worldVertices = m_localVertices;
            m_worldOwed = false;
        }
    }

    CPGameObject* m_owner;
    uint8_t m_modifiersOn = 0;
    std::vector<CPVertexModifier*> m_modifiers;
    std::vector<CPVertex> m_localVertices;
    std::vector<uint16_t> m_indices;
    // Mutable for the copy owed, which a reader may be the first to need.
    mutable std::vector<CPVertex> m_worldVertices;
    CPSmartPtr<CPMaterial> m_material;
    std::vector<CPAttachedBox> m_attachedBoxes;
    uint8_t m_boxesOn = 0;
    uint8_t m_hidden = 0;
    mutable bool m_worldOwed = false; // see CopyLocalToWorld
    // Key of the static geometry buffer that draws a hidden body.
    std::string m_geometryName;
    CPGeometryBuffer* m_geometry = nullptr;
};
