// Computer-driven vehicle slots. Every opponent (and, after the race, the
// player's own vehicle) is steered through an AI_Vehicle record holding the
// vehicle, where it is and where it heads, its speed, the three path lines
// it follows and two limits from its description. The slots live in the AI
// vehicle manager, a task of order 100 that the host creates and whose
// per-frame driving the host installs: racer slots 0 to 11 (11 is the
// player's own), then the traffic slots.
#pragma once

#include "Core/PGameObject.h"
#include "Core/PManagedObject.h"
#include "Core/PSmartPtr.h"
#include "Core/PTask.h"
#include "Platform/D3DX9Math.h"

#include <cstdint>
#include <string>
#include <vector>

class CPLine;
class CPSpline;

class AI_Vehicle : public CPManagedObject
{
public:
    // Path slots of SetPath.
    static constexpr int32_t kCentrePath = 0;
    static constexpr int32_t kRightPath = 1;
    static constexpr int32_t kLeftPath = 2;

    // Empty; the creation time is the full time.
    AI_Vehicle();
    ~AI_Vehicle() override;

    int32_t GetObjectSize() const override;
    // "AI_Vehicle".
    std::string GetTypeName() const override;

    // Refreshes the slot from its vehicle: the limits, the physics value, the
    // position, the flattened unit forward direction, the unsigned speed and
    // the driven object; marks the slot reversed while the level is.
    void Setup(const CPSmartPtr<CPGameObject>& vehicle, const D3DXVECTOR3& forward, float speed,
               const CPSmartPtr<CPGameObject>& object, int32_t limitMin, int32_t limitMax);
    // Sets the line of one path slot (none for another slot number) and
    // takes the level's three paths.
    void SetPath(int32_t pathSlot, CPLine* line);
    // Drops the driven vehicle.
    void ReleaseVehicle();

    // Driving state, kept for the host's driving.
    int32_t driveState = 0;
    int32_t driveStep = 0;
    float driveFactor = 1.0f;
    float speed = 0.0f;
    D3DXVECTOR3 position;
    D3DXVECTOR3 direction;
    CPSmartPtr<CPGameObject> vehicle;
    int32_t driveTarget = 0;
    float physicsValue = 0.0f;
    int32_t driveCounter = 0;
    int32_t driveLane = 0;
    uint8_t driveBlocked = 0;
    uint8_t driveOvertaking = 0;
    float driveLookAhead = 30.0f;
    CPLine* centreLine = nullptr;
    CPLine* rightLine = nullptr;
    CPLine* leftLine = nullptr;
    CPSpline* centreSpline = nullptr;
    CPSpline* leftSpline = nullptr;
    CPSpline* rightSpline = nullptr;
    float createTime = 0.0f;
    int32_t driveTimer = 0;
    int32_t driveStuck = 0;
    uint8_t reversed = 0;
    uint8_t driveBraking = 0;
    int32_t limitMin = 0;
    int32_t limitMax = 0;
    int32_t driveMode = 0;
};

// The slots and the traffic switch. The host creates it and installs the
// driver its task update runs.
class CPAIVehicleManager : public CPTask
{
public:
    static constexpr int32_t kRacerSlots = 12;
    static constexpr int32_t kPlayerSlot = 11;
    static constexpr int32_t kOrder = 100;
    // The most traffic slots a level makes: far above any real level's
    // traffic, and it keeps a script's huge count from exhausting memory.
    static constexpr int32_t kMaxTrafficSlots = 4096;

    // No slots; the order 100.
    CPAIVehicleManager();
    // Drops the slots' vehicles and the slots.
    ~CPAIVehicleManager() override;
    int32_t GetObjectSize() const override;
    // "CPAIVehicleManager".
    std::string GetTypeName() const override;
    // Runs the installed driver on the manager; nothing without one.
    void Update() override;
    int32_t QueryFlag() override;

    // SetPath on a slot; indices past the last slot are ignored.
    void SetVehiclePath(int32_t slot, int32_t pathSlot, CPLine* line);
    // Setup on a slot; indices past the last slot are ignored.
    void SetupVehicle(int32_t slot, const CPSmartPtr<CPGameObject>& vehicle, const D3DXVECTOR3& forward, float speed,
                      const CPSmartPtr<CPGameObject>& object, int32_t limitMin, int32_t limitMax);
    // Drops the vehicles of every slot and then the slots.
    void ClearVehicles();
    // Racer slots 0 to 11; indices from 12 select traffic slot index - 11.
    // Null for an index without a slot.
    AI_Vehicle* GetSlot(int32_t slot) const;

    std::vector<CPSmartPtr<AI_Vehicle>> racers;
    std::vector<CPSmartPtr<AI_Vehicle>> traffic;
    uint8_t trafficEnabled = 0;
    int32_t trafficCount = 0;
};

extern CPAIVehicleManager* g_AIVehicleManager;
// The host's per-frame driving of the manager's slots; null while no
// driver is installed.
extern void (*g_AIVehicleDriver)(CPAIVehicleManager& manager);
// The AI vehicle manager, null before the host creates it.
CPAIVehicleManager* GetAIVehicleManager();
