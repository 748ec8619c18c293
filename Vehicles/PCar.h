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

private:
    CPGameObject* m_owner;
};
