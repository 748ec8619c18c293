// Render system: the one object of the game process that holds the Direct3D
// device and the renderer's shared state: the fixed-function defaults, the
// lights collected for the frame (at most 30), the camera and transform of
// each draw layer, the render queues, the named static geometry buffers, the
// fade, the ambient and fog colours, the screen effects' values and the sky.
// The host creates it with its device and publishes it in g_Render; game
// code reaches it through GetRender and calls the operations below, and the
// host's drawing reads the fields.
#pragma once

#include "Core/PSmartPtr.h"
#include "Platform/D3D9.h"
#include "Render/PLayerEntry.h"
#include "Render/PVertex.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class CPBaseCamera;
class CPMaterial;
class CPRenderQueue;
class CPSkyscape;

// One named static mesh in device buffers (managed pool, write-only, the
// vertices in the CPVertex layout, 16-bit indices), with a system-memory
// copy. A mesh that was refused or whose buffers could not be made keeps a
// record without buffers, which drawing skips; so does every record once the
// level's buffers are released.
struct CPGeometryBuffer
{
    IDirect3DVertexBuffer9* vertexBuffer = nullptr;
    IDirect3DIndexBuffer9* indexBuffer = nullptr;
    int32_t vertexCount = 0;
    int32_t triangleCount = 0;
    std::vector<CPVertex> vertices;
    std::vector<uint16_t> indices;

    bool IsDrawable() const { return vertexBuffer && indexBuffer; }
};

// A vertex already in screen space: pixel position, depth, reciprocal w,
// colour and one pair of texture coordinates.
struct CPScreenVertex
{
    // D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1.
    static constexpr DWORD kFvf = 0x144;

    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float rhw = 0.0f;
    D3DCOLOR diffuse = 0;
    float u = 0.0f;
    float v = 0.0f;
};

static_assert(sizeof(CPScreenVertex) == 28, "screen vertex layout");

// The motion-blur distortion grid: (rows + 1) x (columns + 1) points stored
// row by row, and for each point the unit direction away from the blur
// centre. The host builds the points and the counts.
struct CPBlurGrid
{
    std::vector<CPScreenVertex> points;
    std::vector<D3DXVECTOR2> directions;
    int32_t columns = 0;
    int32_t rows = 0;
};

class CPRender
{
public:
    static constexpr int32_t kMaxLights = 30;
    static constexpr uint8_t kGloomNormal = 255;
    static constexpr uint8_t kGloomWorld = 150;

    // Holds the device (the caller keeps its reference); nothing is set on it.
    explicit CPRender(IDirect3DDevice9* device);
    // Releases the geometry buffers and the loading-screen textures, and
    // destroys the sky and the screen camera this object made.
    ~CPRender();
    CPRender(const CPRender&) = delete;
    CPRender& operator=(const CPRender&) = delete;

    // The device defaults of a level: view, projection, render and stage
    // states, texture filtering, vertex format, material and fog; then a new
    // screen camera for the screen layer.
    void InitRenderStates();
    // Anisotropic filtering on sampler 0 when the anisotropy fraction is
    // above 0, else linear; linear on sampler 1.
    void SetTextureFiltering();
    // Sets and enables each collected light (a directional one also becomes
    // the sun light), disables the other indices up to 29 and empties the
    // collection.
    void ApplyLights();
    // Adds a light for this frame; false (and nothing added) when the frame
    // already has kMaxLights.
    bool AddLight(const D3DLIGHT9& light);
    // Stores the packed colour and (red, green, blue, 1) and sets the
    // device's ambient state.
    void SetAmbient(D3DCOLOR colour, float red, float green, float blue);

    // The camera of a layer; the entry is made on first use.
    void AddCamera(int32_t layerId, CPSmartPtr<CPBaseCamera> camera);
    // The transform of a layer; the entry is made on first use.
    void SetCameraTransform(const D3DXMATRIX& matrix, int32_t layerId);

    // fade = fade maximum x the value clamped to 0..1.
    void SetFade(float value);
    // A debug line for this frame's drawing.
    void AddLine(D3DCOLOR colour, const D3DXVECTOR3& from, const D3DXVECTOR3& to);
    // The point in screen pixels (y downwards) under the view-projection.
    D3DXVECTOR3 WorldToScreen(const D3DXVECTOR3& point) const;
    // One whole frame of the loading screen, presented at once: the picture
    // "data\textures\back2.jpg" over the screen and a bar of "load.tga"
    // tiles along the bottom, percent of the width long. The pictures are
    // read on the first call that finds them. Returns Present's result.
    HRESULT DrawLoadingScreen(int32_t percent);
    // Destroys the current sky and loads "skyscape<index>.txt" into a new one.
    void LoadSky(int32_t index);

    // The static mesh stored under the name in any letter case. The first
    // request uploads the mesh; later ones return the same record and ignore
    // their data. A mesh of more than 65,536 vertices, or with an index past
    // its vertex count, is refused; a refused mesh or a failed buffer creation
    // or lock is reported and gives a record without buffers.
    CPGeometryBuffer* GetGeometryBuffer(const std::string& name, const CPVertex* vertices, const uint16_t* indices,
                                        int32_t vertexCount, int32_t indexCount);
    // Releases every record's buffers and forgets the names. The records stay
    // alive without buffers, so bodies that still point at one draw nothing.
    // This is the level's end: the queues' rings forget their written bodies,
    // the refused objects are dropped and the active camera is cleared
    // (ForgetLevelBodies).
    void ReleaseGeometryBuffers();
    // The rings forget their written bodies, the refused objects are dropped
    // and the active camera is cleared.
    void ForgetLevelBodies();
    size_t GetGeometryBufferCount() const { return m_geometryBuffers.size(); }

    // Each with a reference taken; null when the host has set none.
    CPSmartPtr<CPRenderQueue> GetRenderQueue() const;
    CPSmartPtr<CPRenderQueue> GetStaticRenderQueue() const;
    CPSmartPtr<CPMaterial> GetShadowMaterial() const;

    // Recomputes the blur grid's directions around the centre (screen width /
    // 2, (shift + 1) x screen height / 2); nothing while "blur" is 0.
    void UpdateBlurGrid(float shift);
    // A non-zero amount switches motion blur on with that amount; 0 off.
    void SetMotionBlur(float amount);
    void SetBlurAlpha(uint8_t alpha) { m_gloom = alpha; }

    // --- State read and written by the game code and the host's drawing ------

    int32_t m_motionBlurOn = 0;
    float m_motionBlurAmount = 0.0f;
    // Set by scripts.
    float m_lightCoeff = 1.0f;
    // kGloomNormal, or kGloomWorld while the player is in the gloom world.
    uint8_t m_gloom = kGloomNormal;
    // Objects handed to the queue; the host resets it.
    int32_t m_drawnObjects = 0;
    // Default material of object shadows, set by the host.
    CPSmartPtr<CPMaterial> m_shadowMaterial;
    uint8_t m_linesOn = 0;
    // Two per line since the host last drew them.
    std::vector<CPVertex> m_lineVertices;
    D3DLIGHT9 m_lights[kMaxLights] = {};
    int32_t m_lightCount = 0;
    IDirect3DDevice9* m_device;
    // Ascending layer id is the order of drawing.
    std::map<int32_t, CPLayerEntry> m_layers;
    CPSmartPtr<CPRenderQueue> m_renderQueue;
    // Filled with the level's static geometry when "static" is not 0.
    CPSmartPtr<CPRenderQueue> m_staticQueue;
    float m_fade = 0.0f;
    int32_t m_fadeMax = 0;
    D3DCOLOR m_ambientColour = 0;
    float m_ambient[4] = { 0.0f, 0.0f, 0.0f, 1.0f };
    CPBlurGrid m_blurGrid;
    float m_radialBlur = 0.0f;
    // From the device's capabilities, filled by the host.
    int32_t m_maxAnisotropy = 0;
    CPSkyscape* m_sky = nullptr;
    // The current camera's view x projection, written by the host each frame.
    D3DXMATRIX m_viewProjection;
    // The last directional light applied.
    D3DLIGHT9 m_sunLight = {};
    IDirect3DTexture9* m_loadingBackground = nullptr;
    IDirect3DTexture9* m_loadingBar = nullptr;
    // Packed 0xFFrrggbb, written with the fog states by the sky.
    D3DCOLOR m_fogColour = 0;
    // 0 to 18; the tuning editor's current value.
    int32_t m_tuningIndex = 0;

private:
    CPLayerEntry& GetLayer(int32_t layerId);
    void LoadLoadingTexture(const char* path, IDirect3DTexture9*& texture);

    std::unordered_map<std::string, std::unique_ptr<CPGeometryBuffer>> m_geometryBuffers;
    // Records of released levels, kept for bodies that still point at them.
    std::vector<std::unique_ptr<CPGeometryBuffer>> m_releasedGeometry;
    std::unique_ptr<CPBaseCamera> m_screenCamera;
};

// Fraction of the device's maximum anisotropy to filter with; 0 (linear
// filtering) unless the host sets it.
extern float g_AnisotropyFraction;

extern CPRender* g_Render;
// The render system, or null before the host creates it.
CPRender* GetRender();
