#include "Vehicles/PPlayer.h"

CPPlayer::CPPlayer(const std::string& name)
    : CPGameObject(name)
{
}

CPPlayer::~CPPlayer() = default;

int32_t CPPlayer::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPPlayer));
}

std::string CPPlayer::GetTypeName() const
{
    return "CPPlayer - " + CPGameObject::GetName();
}

void CPPlayer::SetEngineVolume(float volume)
{
    m_engineVolume = volume;
}

void CPPlayer::UpdateWeapon(const D3DXVECTOR3& position, const CPSmartPtr<CPGameObject>& object)
{
    m_weaponPosition = position;
    m_weaponTarget = object;
}
