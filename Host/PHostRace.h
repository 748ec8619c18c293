// The race's global objects that the host makes: the game data, filled from
// the host's game-data file, the enemy registry, filled from the same file,
// the AI vehicle manager and the host's enemies.
#pragma once

// Creates them and publishes them in g_GameData, g_EnemyRegistry,
// g_AIVehicleManager and GetHostEnemies.
void CreateHostRace();
// Destroys a level still there, then them, and clears the pointers.
void DestroyHostRace();
