#include "Vehicles/PPlayer.h"

void CPPlayer::Respawn(bool) {}
bool CPPlayer::CreateShadow() { return true; }
void CPPlayer::Draw(CPRenderQueue&, const CPSmartPtr<CPCamera>&) {}
