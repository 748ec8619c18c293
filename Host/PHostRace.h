// The race's global objects that the host makes: the game data, filled from
// the host's game-data file, and the AI vehicle manager with the host's
// opponent driver installed.
#pragma once

class CPAIVehicleManager;

// Creates both and publishes them in g_GameData and g_AIVehicleManager.
void CreateHostRace();
// Destroys both, clears the pointers and removes the driver.
void DestroyHostRace();

// The opponent driver: steers every slot that holds a race vehicle along the
// level's centre path and sets its throttle (see PAIVehicleManager.cpp).
void DriveAIVehicles(CPAIVehicleManager& manager);
