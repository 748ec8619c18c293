#include "Render/PIVertexBuffer.h"

#include "Core/PLog.h"
#include "Platform/ComClasses.h"
#include "Render/PRenderable.h"
#include "Render/PVertex.h"

#include <algorithm>

namespace
{
const char kSourceFile[] = "Render/PIVertexBuffer";
}

CPDynamicIVBuffer::CPDynamicIVBuffer(IDirect3DDevice9* device, int32_t slotCount, int32_t vertexCapacity,
                                     int32_t indexCapacity, bool keepContents)
    : m_device(device),
      m_vertexBuffers(static_cast<size_t>(std::max(slotCount, 0)), nullptr),
      m_indexBuffers(static_cast<size_t>(std::max(slotCount, 0)), nullptr),
      m_slotCount(std::max(slotCount, 0)),
      m_keepContents(keepContents ? 1 : 0),
      m_vertexCapacity(std::max(vertexCapacity, 0)),
      m_indexCapacity(std::max(indexCapacity, 0))
{
}

CPDynamicIVBuffer::~CPDynamicIVBuffer()
{
    ReleaseBuffers();
}

int32_t CPDynamicIVBuffer::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPDynamicIVBuffer));
}

std::string CPDynamicIVBuffer::GetTypeName() const
{
    return "CPDynamicIVBuffer";
}

bool CPDynamicIVBuffer::CreateBuffers()
{
    ReleaseBuffers();
    if (!m_device)
        return false;
    const DWORD usage = D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY;
    for (int32_t slot = 0; slot < m_slotCount; ++slot) {
        HRESULT result = m_device->CreateVertexBuffer(static_cast<UINT>(m_vertexCapacity) * sizeof(CPVertex), usage,
                                                      CPVertex::kFvf, D3DPOOL_DEFAULT, &m_vertexBuffers[slot],
                                                      nullptr);
        if (SUCCEEDED(result))
            result = m_device->CreateIndexBuffer(static_cast<UINT>(m_indexCapacity) * sizeof(uint16_t), usage,
                                                 D3DFMT_INDEX16, D3DPOOL_DEFAULT, &m_indexBuffers[slot], nullptr);
        if (FAILED(result)) {
            ReportDXError(kSourceFile, __LINE__, result);
            ReleaseBuffers();
            return false;
        }
    }
    return true;
}

void CPDynamicIVBuffer::ReleaseBuffers()
{
    Unlock(true);
    for (IDirect3DVertexBuffer9*& buffer : m_vertexBuffers)
        SafeRelease(buffer);
    for (IDirect3DIndexBuffer9*& buffer : m_indexBuffers)
        SafeRelease(buffer);
}

IDirect3DVertexBuffer9* CPDynamicIVBuffer::GetVertexBuffer(int32_t slot) const
{
    return slot >= 0 && slot < m_slotCount ? m_vertexBuffers[slot] : nullptr;
}

IDirect3DIndexBuffer9* CPDynamicIVBuffer::GetIndexBuffer(int32_t slot) const
{
    return slot >= 0 && slot < m_slotCount ? m_indexBuffers[slot] : nullptr;
}

bool CPDynamicIVBuffer::Lock(int32_t vertexCount, int32_t indexCount, bool lockVertices, int32_t slot)
{
    if (m_locked)
        return false;
    if (slot != -1) {
        if (slot < 0 || slot >= m_slotCount) {
            GetLog().Print(0, "Dynamic buffer: slot %d is not one of %d", slot, m_slotCount);
            return false;
        }
        m_currentSlot = slot;
    }
    // Never more than a buffer holds, so the cursors stay inside it.
    if (m_currentSlot >= m_slotCount || vertexCount < 0 || indexCount < 0 || vertexCount > m_vertexCapacity ||
        indexCount > m_indexCapacity)
        return false;

    const DWORD flags = m_keepContents ? D3DLOCK_NOSYSLOCK : (D3DLOCK_DISCARD | D3DLOCK_NOSYSLOCK);
    m_counters[0] = 0;
    m_counters[1] = 0;
    m_indicesWritten = 0;
    m_verticesWritten = 0;

    IDirect3DVertexBuffer9* const vertexBuffer = m_vertexBuffers[m_currentSlot];
    IDirect3DIndexBuffer9* const indexBuffer = m_indexBuffers[m_currentSlot];
    if (!indexBuffer || (lockVertices && !vertexBuffer))
        return false;
    bool result = true;
    bool vertexLocked = false;
    void* vertexData = nullptr;
    void* indexData = nullptr;
    if (lockVertices) {
        const HRESULT hr =
            vertexBuffer->Lock(0, static_cast<UINT>(vertexCount) * sizeof(CPVertex), &vertexData, flags);
        if (FAILED(hr)) {
            ReportDXError(kSourceFile, __LINE__, hr);
            result = false;
        } else {
            vertexLocked = true;
        }
    }
    // A failed vertex lock leaves the indices alone, so nothing stays locked.
    if (result) {
        const HRESULT hr = indexBuffer->Lock(0, static_cast<UINT>(indexCount) * sizeof(uint16_t), &indexData, flags);
        if (FAILED(hr)) {
            ReportDXError(kSourceFile, __LINE__, hr);
            if (vertexLocked)
                vertexBuffer->Unlock();
            result = false;
        }
    }
    if (!result) {
        m_vertexCursor = m_vertexStart = nullptr;
        m_indexCursor = m_indexStart = nullptr;
        return false;
    }
    m_vertexCursor = static_cast<CPVertex*>(vertexData);
    m_indexCursor = static_cast<uint16_t*>(indexData);
    m_vertexStart = m_vertexCursor;
    m_indexStart = m_indexCursor;
    m_lockedVertices = lockVertices ? (vertexCount == 0 ? m_vertexCapacity : vertexCount) : 0;
    m_lockedIndices = indexCount == 0 ? m_indexCapacity : indexCount;
    m_locked = 1;
    return true;
}

void CPDynamicIVBuffer::Unlock(bool unlockVertices)
{
    if (!m_locked)
        return;
    if (unlockVertices && m_vertexBuffers[m_currentSlot] && m_vertexCursor)
        m_vertexBuffers[m_currentSlot]->Unlock();
    if (m_indexBuffers[m_currentSlot])
        m_indexBuffers[m_currentSlot]->Unlock();
    m_currentSlot = m_currentSlot + 1 >= m_slotCount ? 0 : m_currentSlot + 1;
    m_locked = 0;
    m_vertexCursor = m_vertexStart = nullptr;
    m_indexCursor = m_indexStart = nullptr;
    m_lockedVertices = 0;
    m_lockedIndices = 0;
}

bool CPDynamicIVBuffer::AddObject(CPRenderable& body)
{
    const int32_t vertexCount = body.GetVertexCount();
    if (vertexCount <= 0 || m_written.count(&body))
        return false;
    if (!m_locked || !m_vertexCursor || !m_indexCursor)
        return false;
    const int32_t indexCount = body.GetIndexCount();
    if (indexCount < 0 || vertexCount > m_lockedVertices - m_verticesWritten ||
        indexCount > m_lockedIndices - m_indicesWritten) {
        GetLog().Print(0, "Dynamic buffer: %s of %d vertices and %d indices does not fit the slot",
                       body.GetTypeName().c_str(), vertexCount, indexCount);
        return false;
    }
    if (m_vertexBase + vertexCount > kMaxVertices) {
        GetLog().Print(0, "Dynamic buffer: %s would start at vertex %d, past the 16-bit index range",
                       body.GetTypeName().c_str(), m_vertexBase);
        return false;
    }
    m_written.emplace(&body, m_vertexBase);
    body.FillBuffers(m_vertexCursor, m_indexCursor, static_cast<uint16_t>(m_vertexBase), 1);
    m_vertexCursor += vertexCount;
    m_indexCursor += indexCount;
    m_verticesWritten += vertexCount;
    m_indicesWritten += indexCount;
    m_vertexBase += vertexCount;
    return true;
}

void CPDynamicIVBuffer::Reset()
{
    m_written.clear();
    m_vertexBase = 0;
}

int32_t CPDynamicIVBuffer::GetStart(const CPRenderable* body) const
{
    const auto found = m_written.find(body);
    return found == m_written.end() ? -1 : found->second;
}
