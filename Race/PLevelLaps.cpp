// Lap counting and track progress along the centre path's ring of lines.
#include "Race/PLevel.h"

void CPLevel::InitTrackProgress() {}

void CPLevel::UpdateRaceClock()
{
    UpdateLaps();
}

void CPLevel::UpdateLaps() {}

int32_t CPLevel::FindNearestCentreLine(const D3DXVECTOR3&) const
{
    return -1;
}

int32_t CPLevel::ProgressStep(int32_t from, int32_t to) const
{
    return to - from;
}

bool CPLevel::IsPlayerPlace(int32_t) const
{
    return false;
}
