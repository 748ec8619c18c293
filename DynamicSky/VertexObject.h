// Vertex object: a drawable piece of the sky (the skyscape's dome, the sky
// meshes, the volume clouds). It owns its vertex and index lists, one
// texture, up to two effects and one vertex and index buffer that it fills
// itself, all in the managed pool, so a lost device takes nothing from it. It
// is a device object and therefore on the device-object list for its whole
// life. Every sky object is drawn through the one sky device.
#pragma once

#include "Platform/D3D9.h"
#include "Platform/D3DX9Effect.h"
#include "Render/PDeviceObject.h"
#include "Render/PVertex.h"

#include <cstdint>
#include <string>
#include <vector>

class CPVertexObject : public CPDeviceObject
{
public:
    // Capacities of the buffers, made once per object and never grown.
    static constexpr uint32_t kMaxVertices = 20000;
    static constexpr uint32_t kMaxIndices = 60000;

    // Empty lists, no texture, effects or buffers.
    CPVertexObject();
    // Releases the texture, the effects and the index and vertex buffers that
    // exist, then leaves the device-object list.
    ~CPVertexObject() override;

    // Passed on to the effects; the buffers and the texture survive a lost
    // device.
    void OnLostDevice() override;
    void OnResetDevice() override;

    // Replaces the texture with one made from the file (the previous one is
    // released). A file that cannot be read keeps the texture and gives 0; a
    // failed creation is reported and keeps it too.
    HRESULT LoadTexture(const std::string& path);
    // Releases the effect, then makes it from the file and selects its first
    // valid technique. The reader's failure code when the file cannot be read.
    HRESULT LoadEffect(const std::string& path);
    // The same for the second effect.
    HRESULT LoadSecondEffect(const std::string& path);
    // Every working position becomes the source position of the same index
    // transformed by the matrix as a point; the rest of the vertex stays.
    HRESULT TransformVertices(const D3DXMATRIX& matrix);
    // Copies the geometry into the lists (the working vertices too unless
    // `keepWorking`) and into the buffers, made on the first call. More than
    // kMaxVertices vertices or kMaxIndices indices do not fit: E_FAIL, and
    // the lists and buffers are unchanged.
    HRESULT UploadGeometry(const std::vector<CPVertex>& vertices, const std::vector<uint16_t>& indices,
                           bool keepWorking);
    // Draws through the sky device; the time is not used.
    HRESULT Draw(float frameTime);

    // The vertices that go into the vertex buffer (the transformed copy).
    std::vector<CPVertex> workVertices;
    // The vertices as built or loaded.
    std::vector<CPVertex> sourceVertices;
    // Triangle-list indices into the vertices.
    std::vector<uint16_t> indices;
    // Bound to the effect parameter "tex0".
    IDirect3DTexture9* texture = nullptr;
    ID3DXEffect* effect = nullptr;
    ID3DXEffect* secondEffect = nullptr;
    // Draw with the second effect instead of the first.
    bool useSecondEffect = false;
    IDirect3DVertexBuffer9* vertexBuffer = nullptr;
    IDirect3DIndexBuffer9* indexBuffer = nullptr;

private:
    HRESULT LoadEffectInto(ID3DXEffect*& slot, const std::string& path, int reportLine);
};

// The device the sky draws with. The host stores its device here before any
// sky object is drawn; nothing else sets it and nothing releases it.
class CPSkyDevice
{
public:
    // One indexed triangle list per pass of the object's effect (or one
    // without an effect when it has no first effect). E_FAIL without a
    // device, when the second effect is wanted but missing, or when the
    // effect has no passes; otherwise the result of the last draw.
    HRESULT Draw(CPVertexObject& object);

    IDirect3DDevice9* device = nullptr;
};

// The process's one sky device.
CPSkyDevice& GetSkyDevice();
