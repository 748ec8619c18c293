// The script functions of the profile, the mission and the race's progress
// (names, money, kills, points, checkpoints, difficulty, laps and their
// times, the bonus list, the play modes, the automatic set-up purchase) and
// of the save games. The registration tables list them.
#pragma once

#include <lua.hpp>

namespace ScriptApi
{
// Names and profile.
int SetPlayerName(lua_State* L);
int GetPlayerName(lua_State* L);
int SetProfileName(lua_State* L);
int GetProfileName(lua_State* L);
int InitPlayer(lua_State* L);

// Money, kills, points and races passed.
int SetMoney(lua_State* L);
int GetMoney(lua_State* L);
int SetKills(lua_State* L);
int GetNumRacesPassed(lua_State* L);
int SetNumRacesPassed(lua_State* L);
int GetPoints(lua_State* L);
int SetPoints(lua_State* L);
int AutoSetting(lua_State* L);

// Mission and difficulty. GetCurrentMission is also GetCurrentRace,
// SetCurrentMission also SetCurrentRace.
int LoadMissionInfo(lua_State* L);
int GetCheckPointsCount(lua_State* L);
int GetCheckPointInfo(lua_State* L);
int GetCurrentMission(lua_State* L);
int SetCurrentMission(lua_State* L);
int SetDifficulty(lua_State* L);
int GetDifficulty(lua_State* L);
int SetDifficult(lua_State* L);
int GetDifficult(lua_State* L);

// Laps and times.
int GetRoundsNumber(lua_State* L);
int SetNumRounds(lua_State* L);
int GetCurrentRound(lua_State* L);
int GetTime(lua_State* L);
int UpdateRoundsTime(lua_State* L);
int SetRoundTime(lua_State* L);
int GetRoundTime(lua_State* L);

// The bonus list and the race counters.
int AddBonus(lua_State* L);
int EraseBonus(lua_State* L);
int GetBonusesCount(lua_State* L);
int GetBonusList(lua_State* L);
int ClearBonuses(lua_State* L);
int ClearGameData(lua_State* L);

// Play modes and the player's vehicle.
int SetPlayerType(lua_State* L);
int SetSingle(lua_State* L);
int IsSingle(lua_State* L);
int SetTimeAttack(lua_State* L);
int IsTimeAttack(lua_State* L);
int GetStats(lua_State* L);

// Save games.
int SaveGame(lua_State* L);
int LoadGame(lua_State* L);
int GetSaves(lua_State* L);
int DeleteSave(lua_State* L);
int NewPlayer(lua_State* L);
}
