// Dynamic vertex and index buffer ring: a few pairs of dynamic buffers used
// in turn, one pair per lock/unlock. Between the two, bodies write
// themselves at the cursors; each body is written once for the ring's life
// (until Reset), remembering the vertex index at which it starts, so static
// geometry goes into a buffer a single time. The render queues and their
// batches share a ring; the host makes it and draws from it.
#pragma once

#include "Core/PManagedObject.h"
#include "Platform/D3D9.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class CPRenderable;
struct CPVertex;

class CPDynamicIVBuffer : public CPManagedObject
{
public:
    // 16-bit indices reach this many vertices.
    static constexpr int32_t kMaxVertices = 65536;

    // A ring of `slotCount` pairs, each holding `vertexCapacity` vertices and
    // `indexCapacity` indices; no buffers until CreateBuffers.
    CPDynamicIVBuffer(IDirect3DDevice9* device, int32_t slotCount, int32_t vertexCapacity, int32_t indexCapacity,
                      bool keepContents = false);
    // Releases the buffers.
    ~CPDynamicIVBuffer() override;

    int32_t GetObjectSize() const override;
    // "CPDynamicIVBuffer".
    std::string GetTypeName() const override;

    // Makes every pair (dynamic, write-only, default pool). A failed creation
    // is reported, releases what was made and returns false.
    bool CreateBuffers();
    // Lets go of every pair (before the device is reset); unlocks first.
    void ReleaseBuffers();

    // Locks the given slot (-1: the current one) for that many vertices and
    // indices from its start; 0 locks the whole buffer. False when already
    // locked, when the slot is outside the ring, for counts beyond a buffer,
    // or when a lock fails (which is reported and leaves nothing locked).
    bool Lock(int32_t vertexCount, int32_t indexCount, bool lockVertices, int32_t slot = -1);
    // Unlocks the current pair and moves on to the next slot.
    void Unlock(bool unlockVertices);
    // Writes the body at the cursors once, recording its first vertex index.
    // False (and nothing written) for a body without vertices, one already
    // written, outside a lock, or one that does not fit the locked room or
    // the 16-bit index range; the last two are logged.
    bool AddObject(CPRenderable& body);
    // Forgets the written bodies and starts the vertex base again at 0.
    void Reset();

    bool IsLocked() const { return m_locked != 0; }
    int32_t GetCurrentSlot() const { return m_currentSlot; }
    int32_t GetSlotCount() const { return m_slotCount; }
    int32_t GetVertexCapacity() const { return m_vertexCapacity; }
    int32_t GetIndexCapacity() const { return m_indexCapacity; }
    int32_t GetVertexBase() const { return m_vertexBase; }
    int32_t GetVerticesWritten() const { return m_verticesWritten; }
    int32_t GetIndicesWritten() const { return m_indicesWritten; }
    // The first vertex index of a written body, or -1.
    int32_t GetStart(const CPRenderable* body) const;
    // The cursors of the locked pair (null while nothing is locked).
    CPVertex* GetVertexCursor() const { return m_vertexCursor; }
    uint16_t* GetIndexCursor() const { return m_indexCursor; }
    IDirect3DVertexBuffer9* GetVertexBuffer(int32_t slot) const;
    IDirect3DIndexBuffer9* GetIndexBuffer(int32_t slot) const;

private:
    IDirect3DDevice9* m_device;
    std::unordered_map<const CPRenderable*, int32_t> m_written;
    int32_t m_vertexBase = 0;
    std::vector<IDirect3DVertexBuffer9*> m_vertexBuffers;
    std::vector<IDirect3DIndexBuffer9*> m_indexBuffers;
    int32_t m_currentSlot = 0;
    int32_t m_slotCount;
    uint8_t m_keepContents;
    uint8_t m_locked = 0;
    CPVertex* m_vertexCursor = nullptr;
    uint16_t* m_indexCursor = nullptr;
    CPVertex* m_vertexStart = nullptr;
    uint16_t* m_indexStart = nullptr;
    int32_t m_counters[2] = { 0, 0 };
    int32_t m_indicesWritten = 0;
    int32_t m_verticesWritten = 0;
    // Room of the current lock, and of a whole buffer.
    int32_t m_lockedVertices = 0;
    int32_t m_lockedIndices = 0;
    int32_t m_vertexCapacity;
    int32_t m_indexCapacity;
};
