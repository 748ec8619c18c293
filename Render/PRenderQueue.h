// Render queue: where the game code hands what is to be drawn each frame,
// sorted into one batch (CPIVBlock) per material for the host's drawing;
// lights go into the render system's light list. Bodies of objects whose
// static flag is set can instead be written once into the queue's dynamic
// buffer ring. The render system holds two queues: the per-frame queue and
// the queue of the level's static geometry.
#pragma once

#include "Core/PManagedObject.h"
#include "Core/PSmartPtr.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class CPDynamicIVBuffer;
class CPGameObject;
class CPIVBlock;
class CPMaterial;
class CPRenderable;

class CPRenderQueue : public CPManagedObject
{
public:
    using BlockMap = std::unordered_map<CPMaterial*, CPSmartPtr<CPIVBlock>>;

    CPRenderQueue();
    // Destroys the batches this queue made.
    ~CPRenderQueue() override;

    int32_t GetObjectSize() const override;
    // "CPRenderQueue".
    std::string GetTypeName() const override;

    // One visible object without its children: its body into its material's
    // batch, or its light into the render system (at most 30 a frame).
    void AddObject(const CPSmartPtr<CPGameObject>& object);
    // One body straight into its material's batch, visible or not. A body
    // without a material is skipped (logged).
    void AddRenderable(const CPSmartPtr<CPRenderable>& body);
    // The object and, while it is visible, its children. With the
    // only-flagged switch set, an object whose static flag is clear is
    // skipped with its subtree.
    void AddObjectTree(const CPSmartPtr<CPGameObject>& object);
    // Writes the mesh body of a visible, static-flagged object into the ring;
    // true when the body is in the ring (now or from before). A body the
    // locked ring has no room for is kept among the refused objects, which
    // the host queues through the batches each frame.
    bool AddDynamicObject(const CPSmartPtr<CPGameObject>& object);
    // The object, then (while visible) its children and its later detail
    // levels, each through AddDynamicObject.
    void AddDynamicTree(const CPSmartPtr<CPGameObject>& object);

    // The level's bracket around writing its static geometry: a fresh ring
    // (written bodies forgotten) locked whole, current slot, vertices too.
    bool Lock();
    void Unlock();

    // Batches that received something since the host last emptied them.
    BlockMap& GetFrameBlocks() { return m_frameBlocks; }
    // The batch of the material, made on first use; null for no material.
    CPIVBlock* GetBlock(CPMaterial* material);
    // Every batch ever made, one per material.
    size_t GetBlockCount() const { return m_allBlocks.size(); }
    const CPSmartPtr<CPDynamicIVBuffer>& GetDynamicBuffer() const { return m_dynamicBuffer; }
    void SetDynamicBuffer(const CPSmartPtr<CPDynamicIVBuffer>& buffer);
    const std::vector<CPSmartPtr<CPGameObject>>& GetRefusedObjects() const { return m_refusedObjects; }
    // Forgets the refused objects (when the level stops).
    void ClearRefusedObjects();

    // When set, object trees handed to the queue skip objects whose static
    // flag is clear.
    uint8_t m_onlyFlagged = 0;

private:
    struct BlockEntry
    {
        CPSmartPtr<CPMaterial> material;
        CPSmartPtr<CPIVBlock> block;
    };

    CPSmartPtr<CPDynamicIVBuffer> m_dynamicBuffer;
    BlockMap m_frameBlocks;
    std::unordered_map<CPMaterial*, BlockEntry> m_allBlocks;
    std::vector<CPSmartPtr<CPGameObject>> m_refusedObjects;
};
