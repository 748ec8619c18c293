// Light body of a game object (kind 2). It is not drawn: the render queue
// copies its light into the render system's light list, placed at the
// owner's world position.
#pragma once

#include "Core/PManagedObject.h"
#include "Platform/D3D9.h"

#include <cstdint>
#include <string>

class CPGameObject;

class CPLight : public CPManagedObject
{
public:
    // A zeroed light without owner; the creator fills both.
    CPLight();
    ~CPLight() override;

    int32_t GetObjectSize() const override;
    // "CPLight".
    std::string GetTypeName() const override;
    // Moves the light to the translation of the owner's world matrix and
    // returns it. Without an owner the position stays as it is.
    virtual D3DLIGHT9* GetLight();

    D3DLIGHT9& GetLightData() { return m_light; }
    const D3DLIGHT9& GetLightData() const { return m_light; }
    CPGameObject* GetOwner() const { return m_owner; }
    void SetOwner(CPGameObject* owner) { m_owner = owner; }

private:
    D3DLIGHT9 m_light{};
    CPGameObject* m_owner = nullptr;
};
