#include "Vehicles/PPlayer.h"

namespace
{
int32_t g_debrisLive = 0;
}

int32_t& DebrisLiveCount() { return g_debrisLive; }

void SpawnDebris(const D3DXVECTOR3&, const D3DXVECTOR3&, const D3DXVECTOR3&, int32_t) {}

void CPPlayer::PrevWeapon() {}
void CPPlayer::NextWeapon() {}
void CPPlayer::SelectWeapon() {}
void CPPlayer::UpdateWeapon(const D3DXVECTOR3&, const CPSmartPtr<CPGameObject>&) {}
void CPPlayer::TraceShot(CPPlayer*, CPFlameParticle&) {}
void CPPlayer::SpawnShellCasing(CPGameObject*) {}
