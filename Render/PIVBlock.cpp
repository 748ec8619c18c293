#include "Render/PIVBlock.h"

#include "Render/PIVertexBuffer.h"
#include "Render/PRenderable.h"

CPIVBlock::CPIVBlock() = default;

CPIVBlock::~CPIVBlock()
{
    m_bodies.clear();
    m_dynamicBuffer = nullptr;
    m_references.clear();
}

int32_t CPIVBlock::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPIVBlock));
}

std::string CPIVBlock::GetTypeName() const
{
    return "CPIVBlock";
}

void CPIVBlock::Add(const CPSmartPtr<CPRenderable>& body)
{
    if (!body)
        return;
    m_bodies.push_back(body);
    if (!body->IsHidden()) {
        m_indexTotal += body->GetIndexCount();
        m_vertexTotal += body->GetVertexCount();
    }
}

void CPIVBlock::SetDynamicBuffer(const CPSmartPtr<CPDynamicIVBuffer>& buffer)
{
    m_dynamicBuffer = buffer;
}

void CPIVBlock::Clear()
{
    m_bodies.clear();
    m_indexTotal = 0;
    m_vertexTotal = 0;
}
