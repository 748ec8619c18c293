#include "Render/PRenderQueue.h"

CPRenderQueue::CPRenderQueue() = default;

CPRenderQueue::~CPRenderQueue() = default;

int32_t CPRenderQueue::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPRenderQueue));
}

std::string CPRenderQueue::GetTypeName() const
{
    return "CPRenderQueue";
}
