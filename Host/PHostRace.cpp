#include "Host/PHostRace.h"

#include "Core/PGlobals.h"
#include "Host/PHostEnemies.h"
#include "Host/PHostGameData.h"
#include "Race/PAIVehicle.h"
#include "Race/PGameData.h"

void CreateHostRace()
{
    g_GameData = new CPGameData();
    LoadHostGameData(*g_GameData);
    g_AIVehicleManager = new CPAIVehicleManager();
    CreateHostEnemies();
}

void DestroyHostRace()
{
    DestroyHostEnemies();
    delete g_AIVehicleManager; // leaves the task list on its way out
    g_AIVehicleManager = nullptr;
    delete g_GameData;
    g_GameData = nullptr;
}
