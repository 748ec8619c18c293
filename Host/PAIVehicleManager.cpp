// The host's part of the AI vehicle manager: its life and its task
// operations. The headless host drives no vehicle: its update leaves the
// slots as the race update filled them.
#include "Race/PAIVehicle.h"

CPAIVehicleManager::CPAIVehicleManager()
{
    m_order = kOrder;
}

CPAIVehicleManager::~CPAIVehicleManager()
{
    ClearVehicles();
}

int32_t CPAIVehicleManager::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPAIVehicleManager));
}

std::string CPAIVehicleManager::GetTypeName() const
{
    return "CPAIVehicleManager";
}

void CPAIVehicleManager::Update() {}

int32_t CPAIVehicleManager::QueryFlag()
{
    return 0;
}
