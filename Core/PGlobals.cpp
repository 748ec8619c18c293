#include "Core/PGlobals.h"

CNSoundManager* g_SoundManager = nullptr;
CPShotManager* g_ShotManager = nullptr;
CPGameData* g_GameData = nullptr;
CPTextManager* g_TextManager = nullptr;
CPLevel* g_Level = nullptr;
CPActionMap* g_ActionMap = nullptr;
CPGlobalTimer* g_GlobalTimer = nullptr;

CNSoundManager* GetSoundManager() { return g_SoundManager; }
CPShotManager* GetShotManager() { return g_ShotManager; }
CPGameData* GetGameData() { return g_GameData; }
CPTextManager* GetTextManager() { return g_TextManager; }
CPLevel* GetLevel() { return g_Level; }
CPActionMap* GetActionMap() { return g_ActionMap; }
CPGlobalTimer* GetGlobalTimer() { return g_GlobalTimer; }
