// The race's global objects that the host makes: the game data, filled from
// the host's game-data file, the AI vehicle manager and the host's enemies.
#pragma once

// Creates them and publishes them in g_GameData, g_AIVehicleManager and
// GetHostEnemies.
void CreateHostRace();
// Destroys them and clears the pointers.
void DestroyHostRace();
