#include "Render/PRenderQueue.h"

#include "Core/PGameObject.h"
#include "Core/PLog.h"
#include "Render/PIVBlock.h"
#include "Render/PIVertexBuffer.h"
#include "Render/PLight.h"
#include "Render/PMaterial.h"
#include "Render/PRender.h"
#include "Render/PRenderable.h"

CPRenderQueue::CPRenderQueue() = default;

CPRenderQueue::~CPRenderQueue()
{
    m_frameBlocks.clear();
    for (auto& entry : m_allBlocks) {
        CPIVBlock* block = entry.second.block.Get();
        entry.second.block = nullptr;
        delete block;
    }
    m_allBlocks.clear();
}

int32_t CPRenderQueue::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPRenderQueue));
}

std::string CPRenderQueue::GetTypeName() const
{
    return "CPRenderQueue";
}

void CPRenderQueue::SetDynamicBuffer(const CPSmartPtr<CPDynamicIVBuffer>& buffer)
{
    m_dynamicBuffer = buffer;
    for (auto& entry : m_allBlocks)
        entry.second.block->SetDynamicBuffer(buffer);
}

CPIVBlock* CPRenderQueue::GetBlock(CPMaterial* material)
{
    if (!material)
        return nullptr;
    BlockEntry& entry = m_allBlocks[material];
    if (!entry.material)
        entry.material = material;
    if (!entry.block) {
        entry.block = new CPIVBlock();
        entry.block->m_serial = static_cast<int32_t>(m_allBlocks.size());
        entry.block->SetDynamicBuffer(m_dynamicBuffer);
    }
    m_frameBlocks[material] = entry.block;
    return entry.block.Get();
}

void CPRenderQueue::AddRenderable(const CPSmartPtr<CPRenderable>& body)
{
    if (!body)
        return;
    const CPSmartPtr<CPMaterial> material = body->GetMaterial();
    if (!material) {
        GetLog().Print(0, "Render queue: %s without a material is not drawn", body->GetTypeName().c_str());
        return;
    }
    GetBlock(material.Get())->Add(body);
}

void CPRenderQueue::AddObject(const CPSmartPtr<CPGameObject>& object)
{
    if (!object || !object->IsVisible() || !object->GetBody())
        return;
    switch (object->GetKind()) {
    case kBodyRenderObject:
    case kBodyAnimatedObject:
    case kBodySprite:
        AddRenderable(CPSmartPtr<CPRenderable>(static_cast<CPRenderable*>(object->GetBody().Get())));
        break;
    case kBodyLight:
        if (CPRender* render = GetRender()) {
            if (render->m_lightCount < CPRender::kMaxLights)
                render->AddLight(*static_cast<CPLight*>(object->GetBody().Get())->GetLight());
        }
        break;
    default:
        break;
    }
}

void CPRenderQueue::AddObjectTree(const CPSmartPtr<CPGameObject>& object)
{
    if (!object)
        return;
    if (m_onlyFlagged && !object->IsStatic())
        return;
    AddObject(object);
    if (!object->IsVisible())
        return;
    for (const CPSmartPtr<CPGameObject>& child : object->GetChildren())
        AddObjectTree(child);
}

bool CPRenderQueue::AddDynamicObject(const CPSmartPtr<CPGameObject>& object)
{
    if (!object || !object->IsVisible() || object->GetKind() != kBodyRenderObject || !object->IsStatic())
        return false;
    auto* body = static_cast<CPRenderable*>(object->GetBody().Get());
    if (!body || !m_dynamicBuffer)
        return false;
    if (m_dynamicBuffer->AddObject(*body) || m_dynamicBuffer->GetStart(body) >= 0)
        return true;
    // A body the locked ring had no room for goes through the batches.
    if (m_dynamicBuffer->IsLocked() && body->GetVertexCount() > 0)
        m_refusedObjects.push_back(object);
    return false;
}

void CPRenderQueue::AddDynamicTree(const CPSmartPtr<CPGameObject>& object)
{
    if (!object)
        return;
    AddDynamicObject(object);
    if (!object->IsVisible())
        return;
    for (const CPSmartPtr<CPGameObject>& child : object->GetChildren())
        AddDynamicTree(child);
    const std::vector<CPDetailLevel>& levels = object->GetDetailLevels();
    for (size_t i = 1; i < levels.size(); ++i) {
        if (levels[i].object)
            AddDynamicTree(levels[i].object);
    }
}

void CPRenderQueue::ClearRefusedObjects()
{
    m_refusedObjects.clear();
}

bool CPRenderQueue::Lock()
{
    if (!m_dynamicBuffer)
        return false;
    m_dynamicBuffer->Reset();
    return m_dynamicBuffer->Lock(0, 0, true, -1);
}

void CPRenderQueue::Unlock()
{
    if (m_dynamicBuffer)
        m_dynamicBuffer->Unlock(true);
}
