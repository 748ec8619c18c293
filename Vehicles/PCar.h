// Car: the drivable vehicle of a race car object, carried in the game
// object's vehicle slot. It belongs to one owner object, which it does not
// hold a reference on.
#pragma once

#include "Vehicles/PVehicleBase.h"

#include <cstdint>
#include <string>

class CPGameObject;

class CPCar : public CPVehicleBase
{
public:
    explicit CPCar(CPGameObject* owner);
    ~CPCar() override;

    int32_t GetObjectSize() const override;
    // "CPCar".
    std::string GetTypeName() const override;

    CPGameObject* GetOwner() const { return m_owner; }

    // The state the chase camera follows.
    float m_speed = 0.0f;
    uint8_t m_crashed = 0;
    // Seconds since the crash.
    float m_crashClock = 0.0f;
    // The steering value, -0.7 to 0.7.
    float m_steering = 0.0f;
    // The rider's yaw in radians.
    float m_riderYaw = 0.0f;

private:
    CPGameObject* m_owner;
};
