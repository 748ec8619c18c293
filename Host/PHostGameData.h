// The host's game data: the shop catalogues, the item texts, the ready-made
// car set-ups and the best-lap tables that the game data starts with, read
// from "Data\gamedata.txt" (the format is described in the README). The
// coefficients start at 1.0 and the record tables hold one table per level.
#pragma once

#include "Platform/Win32.h"

#include <cstdint>

class CPEnemyRegistry;
class CPGameData;

// Fills the game data from the file; false (the data left with its starting
// values) when the file cannot be read. Lines of unknown sections are
// skipped; missing fields of a line read as empty or 0. The enemy types go
// into `enemies` when one is given.
bool LoadHostGameData(CPGameData& data, CPEnemyRegistry* enemies = nullptr);
// The same over text already in memory.
void ParseHostGameData(CPGameData& data, const void* text, int32_t size, CPEnemyRegistry* enemies = nullptr);
