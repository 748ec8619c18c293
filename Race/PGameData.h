// Game data: the player's progress, set-up and difficulty, one object for the
// whole game, reached through GetGameData. The race vehicles read the damage
// coefficient and the level-started flag from it.
#pragma once

#include <cstdint>

class CPGameData
{
public:
    CPGameData() = default;

    // Factor on the damage the player's vehicle takes.
    float m_damageCoeff = 1.0f;
    // The level has started.
    uint8_t m_levelStarted = 0;
};
