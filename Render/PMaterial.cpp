#include "Render/PMaterial.h"

CPMaterial::CPMaterial(int32_t layerId)
    : m_layerId(layerId)
{
}

CPMaterial::~CPMaterial() = default;

int32_t CPMaterial::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPMaterial));
}

std::string CPMaterial::GetTypeName() const
{
    return "CPMaterial - ";
}
