// Vertex object: a drawable piece of the sky (the skyscape's dome, the sky
// meshes, the volume clouds). It owns its vertex and index lists, one
// texture and one vertex and index buffer that it fills itself, all in the
// managed pool, so a lost device takes nothing from it. It is a device object
// and therefore on the device-object list for its whole life.
#pragma once

#include "Platform/D3D9.h"
#include "Render/PDeviceObject.h"
#include "Render/PVertex.h"

#include <cstdint>
#include <vector>

class CPVertexObject : public CPDeviceObject
{
public:
    // Empty lists, no texture or buffers.
    CPVertexObject();
    // Releases the texture and the index and vertex buffers that exist, then
    // leaves the device-object list.
    ~CPVertexObject() override;

    // The buffers and the texture survive a lost device.
    void OnLostDevice() override;
    void OnResetDevice() override;

    // The vertices that go into the vertex buffer (the transformed copy).
    std::vector<CPVertex> workVertices;
    // The vertices as built or loaded.
    std::vector<CPVertex> sourceVertices;
    // Triangle-list indices into the vertices.
    std::vector<uint16_t> indices;
    IDirect3DTexture9* texture = nullptr;
    // Draw with the second effect instead of the first.
    bool useSecondEffect = false;
    IDirect3DVertexBuffer9* vertexBuffer = nullptr;
    IDirect3DIndexBuffer9* indexBuffer = nullptr;
};
