// The registration tables: every registered name stands in its table's
// place of the full lists below (functions that are still to be written are
// simply absent), names that share one function share it, and the names
// that two tables carry with different functions keep them apart.
#include "Script/ScriptTables.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace
{
const char* const kMainNames[] = {
    "SetPlayerName", "ChangeGameCamera", "GetPlayerName", "PlayerApplyImpulse", "PlayerNitro",
    "SetTemp", "SetFOV", "GetPlayerSpeed", "SetMotionBlur", "SetCamera", "SetKills", "GetAICount",
    "InitPlayer", "Shot", "GetEnemyData", "StopScript", "CrossPlayerRay", "ClearTimer", "SetActions",
    "PlaySpecialSound3D", "PlaySpecialSound", "UpdateInterface", "CreateInterface", "ActivateInterface",
    "DeactivateInterface", "SetDefaultCamera", "InitLevel", "StartLevel", "StopLevel", "DeleteLevel",
    "SetCameraPos", "SetCameraZAngle", "SetCarParams", "SetWeaponPos", "CrossInterfaceRay",
    "GetWeaponInfo", "GetMineInfo", "GetSuperWeaponInfo", "GetBumperInfo", "GetEquipmentInfo",
    "GetArmorInfo", "GetEngineInfo", "GetWeaponNames", "GetMineNames", "GetSuperWeaponNames",
    "GetBumperNames", "GetEquipmentNames", "GetArmorNames", "GetEngineNames", "SetWindowVisible",
    "SetWindowPosition", "GetWindowPosition", "SetText", "SetTextString", "SaveLog", "GetCarInfo",
    "SetCarInfo", "SetMoney", "GetMoney", "IsValidGameDataName", "AddEnemy", "GetPlayerPosition",
    "GetPositionForEnemy", "GetEnemyType", "LoadMissionInfo", "GetCheckPointInfo", "IsEnemySourceNear",
    "GetCheckPointsCount", "UpdateInterfaceBuffers", "SetLevelTime", "SetBonus", "CommitCarSettings",
    "SmartBomb", "SetWindowPositionShop", "StopSounds", "PlayMusicNoLoop", "GetSoundVolume",
    "SetSoundVolume", "GetMusicVolume", "SetMusicVolume", "GetMouse", "SetMouse", "GetBrightness",
    "SetBrightness", "GetMusicName", "GetActionNames", "SetCursor", "SetAssignKey", "SetAction",
    "GetCurrentMission", "SetCurrentMission", "SaveGame", "LoadGame", "GetSaves", "DeleteSave",
    "ChangeCheckpointPosition", "AutoSetting", "GetCurrentResolution", "DumpAIInfo", "SetDifficulty",
    "GetDifficult", "GetActiveCar", "ActivateAbilities", "SetPlayersPanel", "NewPlayer", "IMenuRight",
    "IMenuLeft", "GetRoundsNumber", "GetCurrentRound", "SetNumRounds", "SetEditBoxText",
    "EditBoxTextLength", "EditBoxProcessKey", "GetEditBoxText", "UpdateRoundsTime", "GetTime",
    "CreateArrow", "DrawArrow", "GetAIPositions", "SaveActions", "LoadActions", "SetPosition",
    "GetPosition", "SetRotation", "GetBBoxInfo", "Explosion", "GetLevelSize", "CheckVisible", "SetFont",
    "SetFontString", "DeselectCurrentButton", "GetCameraPositions", "GetCameraZAngle",
    "IsPlayerMoveForward", "GetLight", "SetLight", "SilentActivateInterface", "GetPlayerSplineAngle",
    "SetProfileName", "GetProfileName", "UpdateSoundPosition", "GetSplineLinePoint",
    "GetSplineLineCount", "AddBonus", "EraseBonus", "GetBonusList", "GetClosestLineCenter",
    "DirectionalExplosion", "StartLighting", "UpdateTrasser", "DrawLine", "StopPlayerCar",
    "GetPlayerDirection", "GetPlayerMass", "SetAbilitiesCount", "LockPlayers", "LockPlayer",
    "CheckIntersection", "ThrowPlayer", "GetNearestTalmorPlayer", "GetNearestKrevanPlayer",
    "ApplyImpulse", "GetBonusesCount", "ClearBonuses", "ClearLevelTimers", "SetUpdateTime",
    "SetPlayerType", "GetNumRacesPassed", "SetNumRacesPassed", "ClearGameData", "GetRecords",
    "GetCurrentRace", "SetCurrentRace", "CheckPlayerRecords", "SaveScore", "SetRoundTime",
    "GetRoundTime", "SetWindowSize", "GetPlayerDamage", "GetAIDamage", "SetMaxAbilityCount",
    "GetPlayerMana", "SetPlayerMana", "Clone", "IsPlayerDead", "GetHelthBarCoord", "SetLevelStarted",
    "SetLensFlare", "SetTimeBonus", "GetFullTime", "Pup", "Pdown", "Pleft", "Pright", "GetObjectSpeed",
    "StopSpecialSound", "IsSpecialSoundPlaying", "IsRaceStarted", "IsWeather", "IsLightLeft",
    "IsDarkLeft", "GetTemp", "IsPlayerMovingBackwards", "SetLevelTransportCount", "StopPlayingMusic",
    "IsDead", "UpdateActions", "IsInGloom", "IsDamageMsg", "GetPlayerSlide", "InitWarning", "GetNitro",
    "IsNitro", "SetReversed", "IsLevelStarted", "SetPlaceToFinish", "GetTimeBest", "GetCheckpointTime",
    "GetPoints", "SetPoints", "GetTextPosition", "SetTextPosition", "IsSingleMode", "IsFileExists",
    "GetTextureSize", "GoURL", "IsTimeMode", "GetBestTimeAttack", "GetTimeAttack", "GoURLlink",
    "SetSingle", "IsSingle", "SetTimeAttack", "IsTimeAttack", "GetBestTimeAttack2", "StopMusic",
    "GetStats", "GetPlayerMapPosition", "GetScreenSize"
};

const char* const kRaceNames[] = {
    "SetRadialBlur", "SetCameraPlayer", "SetBrake", "SetStop", "AddScore", "GetScore", "IsInTable",
    "SetScoreLine", "GetScoreLine", "PlayerShot", "Jump", "SetCursor", "EngineState", "GetCursor",
    "PlayVideo", "PlayVideoNoSound", "PlayVideo1", "StopVideo", "StopVideo1", "UpdateScore",
    "UpdateTime", "ShowCheckPoint", "KillPlayer", "DamagePlayer", "SetShot", "SetMineShot", "IsRigid",
    "StartAnimation", "FindObject", "SetCurrentWeapon", "SetPrevWeapon", "SetNextWeapon",
    "GetRealCarInfo", "GetWindowPosition", "InitGameInterface", "UpdateGameInterface",
    "StopGlobalTimer", "StartGlobalTimer", "ClearGlobalTimer", "SetDifficult", "GetDifficulty",
    "SetObjectVisible", "ActivateAbilitiesAI", "GetPlayerSpeedAI", "PlayerNitroAI",
    "SetAbilitiesCountAI", "GetPlayerDirectionAI", "SetLightCoeff", "GetCameraPlayer", "Spawn",
    "GetFov1", "GetFov2", "SetBrake2"
};

const char* const kObjectNames[] = {
    "GetDeltaTime", "AddRef", "DumpObjects", "Release", "SendCommandByName", "SendCommandByObject",
    "SendCommandByCategory", "SetNextCommand", "GetCurrentCommand", "GetCurrentParams",
    "PointerToString", "StringToPointer", "SetPTransformation", "CheckString", "GetChildObject",
    "SetVisible", "SetCollision", "SplitString", "LoadRenderObject", "DrawDynamicObject",
    "SetAnimation", "GetParentObject", "ActivateObject", "DeactivateObject", "SetFade", "LockButton",
    "UnlockButton", "KillAllTasks", "ToInt", "PlayMusic"
};

// Runs the registered names against the full list: each must be in it, in
// order, once.
void ExpectInOrder(const luaL_reg* table, const char* const* all, size_t count)
{
    size_t position = 0;
    std::set<std::string> seen;
    for (; table->name; ++table) {
        EXPECT_NE(table->func, nullptr) << table->name;
        EXPECT_TRUE(seen.insert(table->name).second) << table->name << " registered twice";
        size_t found = position;
        while (found < count && std::strcmp(all[found], table->name) != 0)
            ++found;
        EXPECT_LT(found, count) << table->name << " is out of order or not a function of this table";
        if (found < count)
            position = found + 1;
    }
    EXPECT_EQ(table->func, nullptr);
}

lua_CFunction Find(const luaL_reg* table, const char* name)
{
    for (; table->name; ++table) {
        if (std::strcmp(table->name, name) == 0)
            return table->func;
    }
    return nullptr;
}
}

TEST(RegistrationTables, NamesStandInTableOrder)
{
    ExpectInOrder(g_ScriptMainTable, kMainNames, sizeof(kMainNames) / sizeof(kMainNames[0]));
    ExpectInOrder(g_ScriptRaceTable, kRaceNames, sizeof(kRaceNames) / sizeof(kRaceNames[0]));
    ExpectInOrder(g_ScriptObjectTable, kObjectNames, sizeof(kObjectNames) / sizeof(kObjectNames[0]));
}

TEST(RegistrationTables, SharedAndSeparateFunctions)
{
    struct Pair
    {
        const luaL_reg* firstTable;
        const char* first;
        const luaL_reg* secondTable;
        const char* second;
        bool same;
    };
    const Pair pairs[] = {
        { g_ScriptMainTable, "ClearTimer", g_ScriptRaceTable, "ClearGlobalTimer", true },
        { g_ScriptMainTable, "DeactivateInterface", g_ScriptObjectTable, "DeactivateObject", true },
        { g_ScriptMainTable, "SetBrightness", g_ScriptMainTable, "DumpAIInfo", true },
        { g_ScriptMainTable, "GetCurrentMission", g_ScriptMainTable, "GetCurrentRace", true },
        { g_ScriptMainTable, "SetCurrentMission", g_ScriptMainTable, "SetCurrentRace", true },
        { g_ScriptMainTable, "StopPlayingMusic", g_ScriptMainTable, "StopMusic", true },
        { g_ScriptMainTable, "SetCursor", g_ScriptRaceTable, "SetCursor", false },
        { g_ScriptMainTable, "GetWindowPosition", g_ScriptRaceTable, "GetWindowPosition", false },
    };
    for (const Pair& pair : pairs) {
        const lua_CFunction first = Find(pair.firstTable, pair.first);
        const lua_CFunction second = Find(pair.secondTable, pair.second);
        // A name built before its partner stands alone until the partner comes.
        if (!first || !second)
            continue;
        EXPECT_EQ(first == second, pair.same) << pair.first << " / " << pair.second;
    }
}
