#include "Host/PHostDraw.h"

#include "Core/PGameHost.h"
#include "Core/PGameObject.h"
#include "Core/PLog.h"
#include "DynamicSky/Skyscape.h"
#include "Render/PBaseCamera.h"
#include "Render/PDeviceObject.h"
#include "Render/PEffect.h"
#include "Render/PEffectManager.h"
#include "Render/PIVBlock.h"
#include "Render/PIVertexBuffer.h"
#include "Render/PMaterial.h"
#include "Render/PPerspectiveCamera.h"
#include "Render/PRender.h"
#include "Render/PRenderObject.h"
#include "Render/PRenderQueue.h"
#include "Render/PTextureBlock.h"
#include "Startup/PConfigVars.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

namespace
{
constexpr D3DCOLOR kClearColour = 0xff000000;

// A ring of a queue, let go of before a device reset and made again after.
class HostRing : public CPDeviceObject
{
public:
    HostRing(IDirect3DDevice9* device, int32_t slots, int32_t vertices, int32_t indices, bool keepContents)
        : m_ring(device, slots, vertices, indices, keepContents)
    {
    }
    void OnLostDevice() override { m_ring.ReleaseBuffers(); }
    void OnResetDevice() override { m_ring.CreateBuffers(); }
    CPDynamicIVBuffer& Ring() { return m_ring; }

private:
    CPDynamicIVBuffer m_ring;
};

struct HostRings
{
    CPRenderQueue* frameQueue = nullptr;
    CPRenderQueue* levelQueue = nullptr;
    std::unique_ptr<HostRing> frame;
    std::unique_ptr<HostRing> level;
};

HostRings g_HostRings;

// What a layer draws with: view, projection and world.
struct LayerView
{
    D3DXMATRIX view;
    D3DXMATRIX projection;
    D3DXMATRIX world;
    // False while the world is the identity.
    bool transformed = false;
    D3DXVECTOR3 eye;
};

LayerView MakeLayerView(const CPLayerEntry& layer)
{
    LayerView result;
    D3DXMatrixIdentity(&result.view);
    D3DXMatrixIdentity(&result.projection);
    D3DXMatrixIdentity(&result.world);
    const CPBaseCamera* camera = layer.m_camera.Get();
    if (const auto* perspective = dynamic_cast<const CPPerspectiveCamera*>(camera)) {
        result.view = perspective->GetView();
        result.projection = perspective->GetProjection();
        result.eye = perspective->m_eye;
    } else if (camera) {
        // The screen camera keeps its pixel projection as its first matrix.
        result.projection = camera->GetView();
    }
    if (layer.m_transformSet) {
        result.world = layer.m_transform;
        result.transformed = true;
    }
    return result;
}

void SetLayerTransforms(IDirect3DDevice9& device, const LayerView& layer)
{
    device.SetTransform(D3DTS_VIEW, &layer.view);
    device.SetTransform(D3DTS_PROJECTION, &layer.projection);
    device.SetTransform(D3DTS_WORLD, &layer.world);
}

// The shared effect parameters of a layer, set on the reference effect for
// every effect of the pool: once for the layer, and the two that follow the
// world matrix again for each body placed by its own.
class SharedParameters
{
public:
    SharedParameters(const CPRender& render, const LayerView& layer)
        : m_manager(GetEffectManager()),
          m_reference(m_manager ? m_manager->GetReferenceEffect() : nullptr),
          m_layer(layer)
    {
        if (!m_reference)
            return;
        D3DXMatrixMultiply(&m_viewProjection, &layer.view, &layer.projection);
        D3DXMatrixInverse(&m_viewInverse, nullptr, &layer.view);
        const D3DVECTOR& direction = render.m_sunLight.Direction;
        const D3DCOLORVALUE& colour = render.m_sunLight.Diffuse;
        m_light = D3DXVECTOR4(direction.x, direction.y, direction.z, 0.0f);
        m_lightColour = D3DXVECTOR4(colour.r * render.m_lightCoeff, colour.g * render.m_lightCoeff,
                                    colour.b * render.m_lightCoeff, colour.a);
        m_ambient = D3DXVECTOR4(render.m_ambient[0], render.m_ambient[1], render.m_ambient[2], render.m_ambient[3]);
        m_eye = D3DXVECTOR4(layer.eye.x, layer.eye.y, layer.eye.z, 1.0f);
    }

    void SetAll() const
    {
        if (!m_reference)
            return;
        SetMatrix(CPEffectManager::kViewInv, m_viewInverse);
        SetVector(CPEffectManager::kLight, m_light);
        SetVector(CPEffectManager::kLightColor, m_lightColour);
        SetMatrix(CPEffectManager::kViewProjection, m_viewProjection);
        SetVector(CPEffectManager::kAmbient, m_ambient);
        SetVector(CPEffectManager::kCameraPos, m_eye);
        SetWorld(m_layer.world);
    }

    void SetWorld(const D3DXMATRIX& world) const
    {
        if (!m_reference)
            return;
        D3DXMATRIX worldView;
        D3DXMATRIX worldViewProjection;
        D3DXMatrixMultiply(&worldView, &world, &m_layer.view);
        D3DXMatrixMultiply(&worldViewProjection, &worldView, &m_layer.projection);
        SetMatrix(CPEffectManager::kWorldViewProjection, worldViewProjection);
        SetMatrix(CPEffectManager::kWorldView, worldView);
    }

private:
    void SetMatrix(CPEffectManager::SharedHandle which, const D3DXMATRIX& value) const
    {
        if (D3DXHANDLE handle = m_manager->GetSharedHandle(which))
            m_reference->SetMatrix(handle, &value);
    }
    void SetVector(CPEffectManager::SharedHandle which, const D3DXVECTOR4& value) const
    {
        if (D3DXHANDLE handle = m_manager->GetSharedHandle(which))
            m_reference->SetVector(handle, &value);
    }

    CPEffectManager* m_manager;
    ID3DXEffect* m_reference;
    const LayerView& m_layer;
    D3DXMATRIX m_viewProjection;
    D3DXMATRIX m_viewInverse;
    D3DXVECTOR4 m_light;
    D3DXVECTOR4 m_lightColour;
    D3DXVECTOR4 m_ambient;
    D3DXVECTOR4 m_eye;
};

// The device effect of a material with its time and textures set; null when
// the material has none, and then nothing of it is drawn.
ID3DXEffect* PrepareEffect(const CPMaterial& material)
{
    const CPEffect* effect = material.GetEffect().Get();
    ID3DXEffect* device = effect ? effect->GetEffect() : nullptr;
    if (!device)
        return nullptr;
    if (D3DXHANDLE time = effect->GetTimeHandle())
        device->SetFloat(time, static_cast<float>(g_FullTime));
    const CPTextureBlock* block = material.GetTextureBlock().Get();
    const std::vector<D3DXHANDLE>& handles = effect->GetTextureHandles();
    const uint32_t count = block ? std::min<uint32_t>(block->GetCount(), static_cast<uint32_t>(handles.size())) : 0;
    for (uint32_t i = 0; i < count; ++i) {
        const CPTexture* texture = block->GetTexture(i);
        device->SetTexture(handles[i], texture ? texture->GetBaseTexture() : nullptr);
    }
    return device;
}

// Every pass of the effect's technique around one indexed draw.
void DrawPasses(IDirect3DDevice9& device, ID3DXEffect& effect, UINT vertexCount, UINT triangleCount)
{
    UINT passes = 0;
    if (FAILED(effect.Begin(&passes, 0)))
        return;
    for (UINT pass = 0; pass < passes; ++pass) {
        if (FAILED(effect.BeginPass(pass)))
            continue;
        device.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, vertexCount, 0, triangleCount);
        effect.EndPass();
    }
    effect.End();
}

struct BodyCounts
{
    CPRenderable* body;
    int32_t vertices;
    int32_t indices;
};

// One run of bodies through one lock of the ring and one draw per pass.
void DrawRun(IDirect3DDevice9& device, CPDynamicIVBuffer& ring, ID3DXEffect& effect, const BodyCounts* first,
             const BodyCounts* last, int32_t vertices, int32_t indices)
{
    const int32_t slot = ring.GetCurrentSlot();
    if (!ring.Lock(vertices, indices, true))
        return;
    CPVertex* vertexCursor = ring.GetVertexCursor();
    uint16_t* indexCursor = ring.GetIndexCursor();
    int32_t base = 0;
    for (const BodyCounts* entry = first; entry != last; ++entry) {
        entry->body->FillBuffers(vertexCursor, indexCursor, base, 0);
        vertexCursor += entry->vertices;
        indexCursor += entry->indices;
        base += entry->vertices;
    }
    ring.Unlock(true);
    device.SetStreamSource(0, ring.GetVertexBuffer(slot), 0, sizeof(CPVertex));
    device.SetIndices(ring.GetIndexBuffer(slot));
    DrawPasses(device, effect, static_cast<UINT>(vertices), static_cast<UINT>(indices / 3));
}

// The bodies of a batch through the ring, in runs that fit a slot and keep
// their indices within 16 bits.
void DrawBatch(IDirect3DDevice9& device, CPDynamicIVBuffer& ring, ID3DXEffect& effect, const CPIVBlock& block)
{
    const int32_t vertexRoom = std::min(ring.GetVertexCapacity(), CPDynamicIVBuffer::kMaxVertices);
    const int32_t indexRoom = ring.GetIndexCapacity();
    // Counts asked anew: a sprite may have turned away since it was queued.
    std::vector<BodyCounts> bodies;
    bodies.reserve(block.GetBodies().size());
    for (const CPSmartPtr<CPRenderable>& body : block.GetBodies()) {
        if (body->IsHidden())
            continue;
        const BodyCounts counts{ body.Get(), body->GetVertexCount(), body->GetIndexCount() };
        if (counts.vertices <= 0 || counts.indices < 0)
            continue;
        if (counts.vertices > vertexRoom || counts.indices > indexRoom) {
            GetLog().Print(0, "Draw: %s of %d vertices does not fit a buffer", body->GetTypeName().c_str(),
                           counts.vertices);
            continue;
        }
        bodies.push_back(counts);
    }
    size_t start = 0;
    int32_t vertices = 0;
    int32_t indices = 0;
    for (size_t i = 0; i < bodies.size(); ++i) {
        if (vertices + bodies[i].vertices > vertexRoom || indices + bodies[i].indices > indexRoom) {
            DrawRun(device, ring, effect, bodies.data() + start, bodies.data() + i, vertices, indices);
            start = i;
            vertices = 0;
            indices = 0;
        }
        vertices += bodies[i].vertices;
        indices += bodies[i].indices;
    }
    if (vertices > 0)
        DrawRun(device, ring, effect, bodies.data() + start, bodies.data() + bodies.size(), vertices, indices);
}

// Hidden bodies from their static buffers, each placed by its owner; the
// layer's world comes back after them.
void DrawHidden(IDirect3DDevice9& device, const LayerView& layer, const SharedParameters& shared, ID3DXEffect& effect,
                const CPIVBlock& block)
{
    bool placed = false;
    for (const CPSmartPtr<CPRenderable>& body : block.GetBodies()) {
        if (!body->IsHidden())
            continue;
        const auto* mesh = dynamic_cast<const CPRenderObject*>(body.Get());
        const CPGeometryBuffer* geometry = mesh ? mesh->GetGeometry() : nullptr;
        if (!geometry || !geometry->IsDrawable() || geometry->triangleCount <= 0)
            continue;
        D3DXMATRIX world = layer.world;
        if (const CPGameObject* owner = mesh->GetOwner()) {
            if (layer.transformed)
                D3DXMatrixMultiply(&world, &owner->GetWorldMatrix(), &layer.world);
            else
                world = owner->GetWorldMatrix();
        }
        device.SetTransform(D3DTS_WORLD, &world);
        shared.SetWorld(world);
        placed = true;
        device.SetStreamSource(0, geometry->vertexBuffer, 0, sizeof(CPVertex));
        device.SetIndices(geometry->indexBuffer);
        DrawPasses(device, effect, static_cast<UINT>(geometry->vertexCount),
                   static_cast<UINT>(geometry->triangleCount));
    }
    if (placed) {
        device.SetTransform(D3DTS_WORLD, &layer.world);
        shared.SetWorld(layer.world);
    }
}

struct QueuedBlock
{
    CPMaterial* material;
    CPIVBlock* block;
    CPDynamicIVBuffer* ring;
};

// The frame batches of both queues by layer id, each layer's in the order
// their batches were made.
std::map<int32_t, std::vector<QueuedBlock>> CollectBlocks(CPRender& render)
{
    std::map<int32_t, std::vector<QueuedBlock>> layers;
    for (CPRenderQueue* queue : { render.m_renderQueue.Get(), render.m_staticQueue.Get() }) {
        if (!queue)
            continue;
        for (const auto& entry : queue->GetFrameBlocks())
            layers[entry.first->GetLayerId()].push_back({ entry.first, entry.second.Get(), queue->GetDynamicBuffer().Get() });
    }
    for (auto& layer : layers) {
        std::stable_sort(layer.second.begin(), layer.second.end(), [](const QueuedBlock& a, const QueuedBlock& b) {
            return a.block->m_serial < b.block->m_serial;
        });
    }
    return layers;
}

// Bodies the static ring had no room for are drawn through the batches.
void QueueRefusedObjects(CPRender& render)
{
    CPRenderQueue* queue = render.m_renderQueue.Get();
    if (!queue)
        return;
    for (CPRenderQueue* source : { render.m_renderQueue.Get(), render.m_staticQueue.Get() }) {
        if (!source)
            continue;
        for (const CPSmartPtr<CPGameObject>& object : source->GetRefusedObjects())
            queue->AddObject(object);
    }
}

void EmptyBlocks(CPRender& render)
{
    for (CPRenderQueue* queue : { render.m_renderQueue.Get(), render.m_staticQueue.Get() }) {
        if (!queue)
            continue;
        for (auto& entry : queue->GetFrameBlocks())
            entry.second->Clear();
        queue->GetFrameBlocks().clear();
    }
}

void DrawLines(IDirect3DDevice9& device, CPRender& render)
{
    if (render.m_lineVertices.size() >= 2) {
        const auto main = render.m_layers.find(kLayerMainCamera);
        if (main != render.m_layers.end())
            SetLayerTransforms(device, MakeLayerView(main->second));
        device.SetFVF(CPVertex::kFvf);
        device.DrawPrimitiveUP(D3DPT_LINELIST, static_cast<UINT>(render.m_lineVertices.size() / 2),
                               render.m_lineVertices.data(), sizeof(CPVertex));
    }
    render.m_lineVertices.clear();
    render.m_linesOn = 0;
}

// A quad over the whole screen in one colour, blended by its alpha.
void DrawScreenQuad(IDirect3DDevice9& device, D3DCOLOR colour)
{
    const float width = static_cast<float>(g_CfgScreenWidth);
    const float height = static_cast<float>(g_CfgScreenHeight);
    CPScreenVertex quad[4];
    const float xs[4] = { -0.5f, width - 0.5f, -0.5f, width - 0.5f };
    const float ys[4] = { -0.5f, -0.5f, height - 0.5f, height - 0.5f };
    for (int i = 0; i < 4; ++i) {
        quad[i].x = xs[i];
        quad[i].y = ys[i];
        quad[i].rhw = 1.0f;
        quad[i].diffuse = colour;
    }
    device.SetFVF(CPScreenVertex::kFvf);
    device.DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(CPScreenVertex));
}

void BeginScreenDrawing(IDirect3DDevice9& device)
{
    device.SetRenderState(D3DRS_ZENABLE, FALSE);
    device.SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device.SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    device.SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device.SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
}

void EndScreenDrawing(IDirect3DDevice9& device)
{
    device.SetRenderState(D3DRS_ZENABLE, TRUE);
    device.SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device.SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device.SetFVF(CPVertex::kFvf);
}

uint32_t AlphaByte(float fraction)
{
    return static_cast<uint32_t>(std::min(std::max(fraction, 0.0f), 1.0f) * 255.0f);
}

// The blur grid's cells as triangles, each point pushed out along its
// direction by the radial blur, translucent by the blur amount.
void DrawBlurGrid(IDirect3DDevice9& device, const CPRender& render)
{
    const CPBlurGrid& grid = render.m_blurGrid;
    if (grid.columns <= 0 || grid.rows <= 0)
        return;
    const size_t columns = static_cast<size_t>(grid.columns) + 1;
    const size_t count = columns * (static_cast<size_t>(grid.rows) + 1);
    if (grid.points.size() < count || grid.directions.size() < count)
        return;
    const D3DCOLOR colour = (AlphaByte(render.m_radialBlur) << 24) | 0x00ffffffu;
    std::vector<CPScreenVertex> points(grid.points.begin(), grid.points.begin() + static_cast<std::ptrdiff_t>(count));
    for (size_t i = 0; i < count; ++i) {
        points[i].x += grid.directions[i].x * render.m_radialBlur;
        points[i].y += grid.directions[i].y * render.m_radialBlur;
        points[i].diffuse = colour;
    }
    std::vector<CPScreenVertex> triangles;
    triangles.reserve(static_cast<size_t>(grid.columns) * static_cast<size_t>(grid.rows) * 6);
    for (size_t row = 0; row < static_cast<size_t>(grid.rows); ++row) {
        for (size_t column = 0; column < static_cast<size_t>(grid.columns); ++column) {
            const size_t a = row * columns + column;
            const size_t corners[6] = { a, a + 1, a + columns, a + 1, a + columns + 1, a + columns };
            for (const size_t corner : corners)
                triangles.push_back(points[corner]);
        }
    }
    device.SetFVF(CPScreenVertex::kFvf);
    device.DrawPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<UINT>(triangles.size() / 3), triangles.data(),
                           sizeof(CPScreenVertex));
}

void DrawScreenEffects(IDirect3DDevice9& device, const CPRender& render)
{
    const bool fade = render.m_fadeMax > 0 && render.m_fade < static_cast<float>(render.m_fadeMax);
    const bool blur = render.m_motionBlurOn != 0 && render.m_motionBlurAmount > 0.0f;
    const bool grid = g_CfgBlur != 0 && render.m_radialBlur > 0.0f;
    if (!fade && !blur && !grid)
        return;
    BeginScreenDrawing(device);
    if (blur)
        DrawScreenQuad(device, (AlphaByte(render.m_motionBlurAmount) << 24) | 0x00ffffffu);
    if (grid)
        DrawBlurGrid(device, render);
    // The fade darkens last, over everything.
    if (fade)
        DrawScreenQuad(device, AlphaByte(1.0f - render.m_fade / static_cast<float>(render.m_fadeMax)) << 24);
    EndScreenDrawing(device);
}
}

bool CreateHostRings(IDirect3DDevice9* device, CPRenderQueue* frameQueue, CPRenderQueue* levelQueue,
                     int32_t vertexCapacity, int32_t indexCapacity)
{
    DestroyHostRings();
    HostRings& rings = g_HostRings;
    rings.frameQueue = frameQueue;
    rings.levelQueue = levelQueue;
    rings.frame = std::make_unique<HostRing>(device, kHostRingSlots, vertexCapacity, indexCapacity, false);
    rings.level = std::make_unique<HostRing>(device, 1, vertexCapacity, indexCapacity, true);
    const bool made = rings.frame->Ring().CreateBuffers() && rings.level->Ring().CreateBuffers();
    if (frameQueue)
        frameQueue->SetDynamicBuffer(&rings.frame->Ring());
    if (levelQueue)
        levelQueue->SetDynamicBuffer(&rings.level->Ring());
    return made;
}

void DestroyHostRings()
{
    HostRings& rings = g_HostRings;
    for (CPRenderQueue* queue : { rings.frameQueue, rings.levelQueue }) {
        if (queue)
            queue->SetDynamicBuffer(nullptr);
    }
    rings = HostRings();
}

void EmptyHostBatches(CPRender& render)
{
    EmptyBlocks(render);
}

HRESULT DrawFrame(CPRender& render)
{
    IDirect3DDevice9* const device = render.m_device;
    if (!device)
        return D3DERR_INVALIDCALL;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColour, 1.0f, 0);
    device->BeginScene();
    render.ApplyLights();
    if (g_ActiveCamera)
        D3DXMatrixMultiply(&render.m_viewProjection, &g_ActiveCamera->GetView(), &g_ActiveCamera->GetProjection());

    QueueRefusedObjects(render);
    const std::map<int32_t, std::vector<QueuedBlock>> blocks = CollectBlocks(render);
    device->SetFVF(CPVertex::kFvf);
    for (const auto& entry : render.m_layers) {
        const auto onLayer = blocks.find(entry.first);
        if (onLayer == blocks.end())
            continue;
        const LayerView layer = MakeLayerView(entry.second);
        SetLayerTransforms(*device, layer);
        const SharedParameters shared(render, layer);
        shared.SetAll();
        for (const QueuedBlock& queued : onLayer->second) {
            ID3DXEffect* effect = PrepareEffect(*queued.material);
            if (!effect)
                continue;
            if (queued.ring)
                DrawBatch(*device, *queued.ring, *effect, *queued.block);
            DrawHidden(*device, layer, shared, *effect, *queued.block);
        }
    }
    EmptyBlocks(render);
    // The sky comes after the scene's batches and clears the depth buffer
    // behind itself.
    if (render.m_sky)
        render.m_sky->Render(g_FrameTime);
    DrawLines(*device, render);
    DrawScreenEffects(*device, render);
    render.m_drawnObjects = 0;

    device->EndScene();
    return device->Present(nullptr, nullptr, nullptr, nullptr);
}
