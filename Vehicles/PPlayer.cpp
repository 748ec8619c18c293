#include "Vehicles/PPlayer.h"

CPPlayer::CPPlayer()
    : CPGameObject("PLAYER")
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
