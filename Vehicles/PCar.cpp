#include "Vehicles/PCar.h"

CPCar::CPCar(CPGameObject* owner)
    : m_owner(owner)
{
}

CPCar::~CPCar() = default;

int32_t CPCar::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPCar));
}

std::string CPCar::GetTypeName() const
{
    return "CPCar";
}
