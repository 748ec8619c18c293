// Base of the drivable vehicles: a shared engine object whose size and class
// name each vehicle class reports itself.
#pragma once

#include "Core/PManagedObject.h"

class CPVehicleBase : public CPManagedObject
{
};
