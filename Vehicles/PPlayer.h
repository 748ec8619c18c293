// Race vehicle: the game object of a car in a race, with its weapons,
// bonuses and damage. This holds the few operations the level calls; the
// vehicle rules come with the vehicle code.
#pragma once

#include "Core/PGameObject.h"
#include "Platform/D3DX9Math.h"

#include <cstdint>
#include <string>

class CPPlayer : public CPGameObject
{
public:
    // Named "PLAYER".
    CPPlayer();
    ~CPPlayer() override;

    int32_t GetObjectSize() const override;
    std::string GetTypeName() const override;

    // The volume of the car's engine sound.
    void SetEngineVolume(float volume);

    float m_engineVolume = 0.0f;
};
