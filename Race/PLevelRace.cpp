// The level's per-frame race update.
#include "Race/PLevel.h"

void CPLevel::Update() {}

int32_t CPLevel::GetLevelIndex(int32_t) const
{
    return levelIndex;
}
