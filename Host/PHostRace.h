// The race's global objects that the host makes: the game data, filled from
// the host's game-data file, and the AI vehicle manager.
#pragma once

// Creates both and publishes them in g_GameData and g_AIVehicleManager.
void CreateHostRace();
// Destroys both and clears the pointers.
void DestroyHostRace();
