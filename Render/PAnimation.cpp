#include "Render/PAnimation.h"

CPAnimation::CPAnimation(const std::string& name)
    : m_name(name)
{
}

CPAnimation::~CPAnimation() = default;

int32_t CPAnimation::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPAnimation));
}

std::string CPAnimation::GetTypeName() const
{
    return "CPAnimation";
}
