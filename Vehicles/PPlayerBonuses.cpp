#include "Vehicles/PPlayer.h"

void CPPlayer::UpdateBonuses() {}
