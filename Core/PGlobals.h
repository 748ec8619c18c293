// The engine's global objects. Each is reached through one process-wide
// plain pointer that the host creates and fills; the accessors return it
// unchanged, null while the object does not exist. The level is the
// exception: its constructor publishes the pointer and its destruction
// clears it.
#pragma once

class CNSoundManager;
class CPShotManager;
class CPGameData;
class CPTextManager;
class CPLevel;
class CPActionMap;
class CPGlobalTimer;

extern CNSoundManager* g_SoundManager;
extern CPShotManager* g_ShotManager;
extern CPGameData* g_GameData;
extern CPTextManager* g_TextManager;
extern CPLevel* g_Level;
extern CPActionMap* g_ActionMap;
extern CPGlobalTimer* g_GlobalTimer;

CNSoundManager* GetSoundManager();
CPShotManager* GetShotManager();
CPGameData* GetGameData();
CPTextManager* GetTextManager();
CPLevel* GetLevel();
CPActionMap* GetActionMap();
CPGlobalTimer* GetGlobalTimer();
