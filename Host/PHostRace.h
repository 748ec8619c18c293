// The race's global objects that the host makes: the game data, filled from
// the host's game-data file, the enemy registry, filled from the same file,
// and the AI vehicle manager.
#pragma once

// Creates them and publishes them in g_GameData, g_EnemyRegistry and
// g_AIVehicleManager.
void CreateHostRace();
// Destroys a level still there, then them, and clears the pointers.
void DestroyHostRace();
