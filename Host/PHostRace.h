// The race's global objects that the host makes: the game data, filled from
// the host's game-data file, the enemy registry, filled from the same file,
// and the AI vehicle manager with the host's opponent driver installed.
#pragma once

class CPAIVehicleManager;

// Creates them and publishes them in g_GameData, g_EnemyRegistry and
// g_AIVehicleManager.
void CreateHostRace();
// Destroys a level still there, then them, clears the pointers and removes
// the driver.
void DestroyHostRace();

// The opponent driver: steers every slot that holds a race vehicle along the
// level's centre path and sets its throttle (see PAIVehicleManager.cpp).
void DriveAIVehicles(CPAIVehicleManager& manager);
