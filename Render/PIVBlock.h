// Material batch: every body queued with one material this frame, in order
// of arrival, with the vertex and index totals of those that go through the
// batch (hidden bodies are listed but drawn from their static buffers). The
// host sizes one lock of the dynamic buffer ring by the totals and empties
// the batch after drawing it.
#pragma once

#include "Core/PManagedObject.h"
#include "Core/PSmartPtr.h"
#include "Render/PDeviceObject.h"

#include <cstdint>
#include <string>
#include <vector>

class CPDynamicIVBuffer;
class CPRenderable;

class CPIVBlock : public CPManagedObject, public CPDeviceObject
{
public:
    // Counts 0, lists empty; on the device-object list.
    CPIVBlock();
    // Releases the bodies, the ring and the references; leaves the list.
    ~CPIVBlock() override;

    int32_t GetObjectSize() const override;
    // "CPIVBlock".
    std::string GetTypeName() const override;

    void OnLostDevice() override { m_uploaded = 0; }
    void OnResetDevice() override {}

    // Appends the body; a body that is not hidden adds its counts.
    void Add(const CPSmartPtr<CPRenderable>& body);
    // Empties the bodies and resets the totals (after drawing).
    void Clear();

    const std::vector<CPSmartPtr<CPRenderable>>& GetBodies() const { return m_bodies; }
    int32_t GetIndexTotal() const { return m_indexTotal; }
    int32_t GetVertexTotal() const { return m_vertexTotal; }
    const CPSmartPtr<CPDynamicIVBuffer>& GetDynamicBuffer() const { return m_dynamicBuffer; }
    void SetDynamicBuffer(const CPSmartPtr<CPDynamicIVBuffer>& buffer);

    // Order of creation within the queue that made the batch.
    int32_t m_serial = 0;
    // Kept for the host's drawing.
    int32_t m_firstStart = 0;
    int32_t m_secondStart = 0;
    uint8_t m_uploaded = 0;
    std::vector<CPSmartPtr<CPManagedObject>> m_references;

private:
    int32_t m_indexTotal = 0;
    int32_t m_vertexTotal = 0;
    CPSmartPtr<CPDynamicIVBuffer> m_dynamicBuffer;
    std::vector<CPSmartPtr<CPRenderable>> m_bodies;
};
