#include "Race/PAIVehicle.h"

#include "Core/PGameHost.h"
#include "Core/PGlobals.h"
#include "Race/PLevel.h"
#include "Race/PSpline.h"
#include "Vehicles/PPhysicData.h"

#include <cmath>

CPAIVehicleManager* g_AIVehicleManager = nullptr;
void (*g_AIVehicleDriver)(CPAIVehicleManager& manager) = nullptr;

CPAIVehicleManager* GetAIVehicleManager()
{
    return g_AIVehicleManager;
}

AI_Vehicle::AI_Vehicle()
    : createTime(static_cast<float>(g_FullTime))
{
}

AI_Vehicle::~AI_Vehicle() = default;

int32_t AI_Vehicle::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(AI_Vehicle));
}

std::string AI_Vehicle::GetTypeName() const
{
    return "AI_Vehicle";
}

void AI_Vehicle::Setup(const CPSmartPtr<CPGameObject>& source, const D3DXVECTOR3& forward, float signedSpeed,
                       const CPSmartPtr<CPGameObject>& object, int32_t minimum, int32_t maximum)
{
    limitMin = minimum;
    limitMax = maximum;
    if (source) {
        const CPSmartPtr<CPPhysicData>& physics = source->GetPhysicData();
        physicsValue = physics ? physics->m_inertia.m_mass : 0.0f;
        position = source->GetPosition();
    }
    const D3DXVECTOR3 flat(forward.x, forward.y, 0.0f);
    D3DXVec3Normalize(&direction, &flat);
    speed = std::fabs(signedSpeed);
    vehicle = object.Get();
    const CPLevel* level = GetLevel();
    if (level && level->reversed)
        reversed = 1;
}

void AI_Vehicle::SetPath(int32_t pathSlot, CPLine* line)
{
    if (pathSlot == kCentrePath)
        centreLine = line;
    else if (pathSlot == kRightPath)
        rightLine = line;
    else if (pathSlot == kLeftPath)
        leftLine = line;
    const CPLevel* level = GetLevel();
    centreSpline = level ? level->centrePath.Get() : nullptr;
    leftSpline = level ? level->leftPath.Get() : nullptr;
    rightSpline = level ? level->rightPath.Get() : nullptr;
}

void AI_Vehicle::ReleaseVehicle()
{
    vehicle = nullptr;
}

AI_Vehicle* CPAIVehicleManager::GetSlot(int32_t slot) const
{
    if (slot >= 0 && slot < kRacerSlots)
        return slot < static_cast<int32_t>(racers.size()) ? racers[static_cast<size_t>(slot)].Get() : nullptr;
    const int64_t trafficIndex = static_cast<int64_t>(slot) - (kRacerSlots - 1);
    if (slot >= kRacerSlots && trafficIndex < static_cast<int64_t>(traffic.size()))
        return traffic[static_cast<size_t>(trafficIndex)].Get();
    return nullptr;
}

void CPAIVehicleManager::SetVehiclePath(int32_t slot, int32_t pathSlot, CPLine* line)
{
    if (AI_Vehicle* vehicle = GetSlot(slot))
        vehicle->SetPath(pathSlot, line);
}

void CPAIVehicleManager::SetupVehicle(int32_t slot, const CPSmartPtr<CPGameObject>& vehicle,
                                      const D3DXVECTOR3& forward, float speed, const CPSmartPtr<CPGameObject>& object,
                                      int32_t limitMin, int32_t limitMax)
{
    if (AI_Vehicle* record = GetSlot(slot))
        record->Setup(vehicle, forward, speed, object, limitMin, limitMax);
}

void CPAIVehicleManager::ClearVehicles()
{
    for (const CPSmartPtr<AI_Vehicle>& record : racers)
        record->ReleaseVehicle();
    for (const CPSmartPtr<AI_Vehicle>& record : traffic)
        record->ReleaseVehicle();
    // The slots end with the manager's hold on them.
    for (std::vector<CPSmartPtr<AI_Vehicle>>* slots : { &racers, &traffic }) {
        std::vector<CPSmartPtr<AI_Vehicle>> dropped;
        dropped.swap(*slots);
        for (CPSmartPtr<AI_Vehicle>& record : dropped) {
            AI_Vehicle* object = record.Get();
            record = nullptr;
            delete object;
        }
    }
}

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

void CPAIVehicleManager::Update()
{
    if (g_AIVehicleDriver)
        g_AIVehicleDriver(*this);
}

int32_t CPAIVehicleManager::QueryFlag()
{
    return 0;
}
