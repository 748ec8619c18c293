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
    explicit CPPlayer(const std::string& name);
    ~CPPlayer() override;

    int32_t GetObjectSize() const override;
    std::string GetTypeName() const override;

    // The volume of the car's engine sound.
    void SetEngineVolume(float volume);
    // The weapon routine reached through the level from scripts.
    void UpdateWeapon(const D3DXVECTOR3& position, const CPSmartPtr<CPGameObject>& object);

    float m_engineVolume = 0.0f;
    D3DXVECTOR3 m_weaponPosition;
    CPSmartPtr<CPGameObject> m_weaponTarget;
};
