#include "Vehicles/PPlayer.h"

void CPPlayer::Update(float /*dt*/) {}
