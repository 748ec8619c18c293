#include "Host/PHostRace.h"

#include "Core/PGlobals.h"
#include "Host/PHostGameData.h"
#include "Race/PAIVehicle.h"
#include "Race/PEnemyRegistry.h"
#include "Race/PGameData.h"
#include "Race/PLevel.h"

void CreateHostRace()
{
    g_GameData = new CPGameData();
    g_EnemyRegistry = new CPEnemyRegistry();
    LoadHostGameData(*g_GameData, g_EnemyRegistry);
    g_AIVehicleManager = new CPAIVehicleManager();
    g_AIVehicleDriver = DriveAIVehicles;
}

void DestroyHostRace()
{
    // A level a script left behind goes first: it still reaches the others.
    delete GetLevel();
    g_AIVehicleDriver = nullptr;
    delete g_AIVehicleManager; // leaves the task list on its way out
    g_AIVehicleManager = nullptr;
    delete g_EnemyRegistry;
    g_EnemyRegistry = nullptr;
    delete g_GameData;
    g_GameData = nullptr;
}
