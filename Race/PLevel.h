// Level: the race level and the race played on it. One level exists at a
// time; its constructor publishes it as the level singleton (GetLevel) and
// its destructor clears the singleton.
#pragma once

#include "Core/PManagedObject.h"

#include <cstdint>
#include <string>

class CPPlayer;

class CPLevel : public CPManagedObject
{
public:
    CPLevel();
    ~CPLevel() override;

    int32_t GetObjectSize() const override;
    // "CPLevel".
    std::string GetTypeName() const override;

    // The vehicle the camera follows, normally the player's; not counted.
    CPPlayer* followedVehicle = nullptr;
    // The player's distance measure beyond the road edge; the car controller
    // lowers the player's drive by it.
    float roadEdgeDistance = 0.0f;
    // The player's race is over.
    uint8_t gameOver = 0;
};
