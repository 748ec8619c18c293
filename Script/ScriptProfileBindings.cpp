#include "Script/ScriptProfileBindings.h"

#include "Script/ScriptBinding.h"

#include "Core/PGameObject.h"
#include "Core/PGlobals.h"
#include "Race/PGameData.h"
#include "Race/PLevel.h"
#include "Race/PSaveGame.h"
#include "Startup/PConfigVars.h"
#include "Vehicles/PCar.h"
#include "Vehicles/PPlayer.h"

#include <algorithm>
#include <string>
#include <vector>

namespace
{
constexpr int32_t kPlayerTypeOn = 10;
constexpr int32_t kPlayerTypeOff = 9;
constexpr int32_t kListedLaps = 10;

int PushNumber(lua_State* L, double value)
{
    lua_pushnumber(L, value);
    return 1;
}

int PushBoolean(lua_State* L, bool value)
{
    lua_pushboolean(L, value ? 1 : 0);
    return 1;
}
}

namespace ScriptApi
{
int SetPlayerName(lua_State* L)
{
    if (CPGameData* data = GetGameData())
        data->m_playerName = ScriptReadText(L, 1);
    return 0;
}

// With an argument, the model name of that vehicle ("" for no vehicle);
// without one, the player's name.
int GetPlayerName(lua_State* L)
{
    if (lua_gettop(L) >= 1) {
        const CPPlayer* player = ScriptReadObject<CPPlayer>(L, 1);
        lua_pushstring(L, player ? player->GetModelName().c_str() : "");
        return 1;
    }
    const CPGameData* data = GetGameData();
    lua_pushstring(L, data ? data->m_playerName.c_str() : "");
    return 1;
}

int SetProfileName(lua_State* L)
{
    if (CPGameData* data = GetGameData())
        data->ResetForLoad(ScriptReadText(L, 1));
    return 0;
}

int GetProfileName(lua_State* L)
{
    const CPGameData* data = GetGameData();
    if (!data)
        return 0;
    lua_pushstring(L, data->m_profileName.c_str());
    return 1;
}

int InitPlayer(lua_State*)
{
    if (CPGameData* data = GetGameData())
        data->InitPlayer();
    return 0;
}

int SetMoney(lua_State* L)
{
    if (CPGameData* data = GetGameData())
        data->SetMoney(ScriptReadFloat(L, 1));
    return 0;
}

int GetMoney(lua_State* L)
{
    const CPGameData* data = GetGameData();
    return data ? PushNumber(L, data->m_money) : 0;
}

int SetKills(lua_State* L)
{
    if (CPGameData* data = GetGameData())
        data->m_kills = ScriptReadInt(L, 1);
    return 0;
}

int GetNumRacesPassed(lua_State* L)
{
    const CPGameData* data = GetGameData();
    return data ? PushNumber(L, data->m_racesPassed) : 0;
}

int SetNumRacesPassed(lua_State* L)
{
    if (CPGameData* data = GetGameData())
        data->m_racesPassed = ScriptReadInt(L, 1);
    return 0;
}

int GetPoints(lua_State* L)
{
    const CPGameData* data = GetGameData();
    return data ? PushNumber(L, data->m_points) : 0;
}

int SetPoints(lua_State* L)
{
    if (CPGameData* data = GetGameData())
        data->m_points = ScriptReadInt(L, 1);
    return 0;
}

// Buys the highest preset the mission allows that the money plus the value
// of the edited set-up pays for; presets the list lacks are skipped.
int AutoSetting(lua_State*)
{
    CPGameData* data = GetGameData();
    if (!data)
        return 0;
    const float budget = data->m_money + data->GetCarValue(data->m_carInfo);
    // The walk starts at the last preset the list has: a mission far past
    // the list would otherwise count down through billions of missing ones.
    const int64_t last = static_cast<int64_t>(data->m_carPresets.size()) - 1;
    const int64_t highest = std::min(static_cast<int64_t>(data->m_currentMission) * 3 - 1, last);
    for (int64_t n = highest; n >= 0; --n) {
        const CPCarRecord& preset = data->m_carPresets[static_cast<size_t>(n)];
        if (data->GetCarValue(preset) > budget)
            continue;
        data->m_carInfo = preset;
        data->SetMoney(budget - data->GetCarValue(data->m_carInfo));
        return 0;
    }
    return 0;
}

int LoadMissionInfo(lua_State* L)
{
    if (CPGameData* data = GetGameData())
        data->LoadMissionInfo(ScriptReadText(L, 1));
    return 0;
}

int GetCheckPointsCount(lua_State* L)
{
    const CPGameData* data = GetGameData();
    return data ? PushNumber(L, static_cast<double>(data->m_checkpoints.size())) : 0;
}

// The three parameters and the value of a checkpoint; nothing for an index
// outside the list.
int GetCheckPointInfo(lua_State* L)
{
    const CPGameData* data = GetGameData();
    if (!data)
        return 0;
    const int32_t index = ScriptReadInt(L, 1);
    if (index < 0 || static_cast<size_t>(index) >= data->m_checkpoints.size())
        return 0;
    const CPMissionCheckpoint& checkpoint = data->m_checkpoints[static_cast<size_t>(index)];
    lua_pushnumber(L, checkpoint.param1);
    lua_pushnumber(L, checkpoint.param2);
    lua_pushnumber(L, checkpoint.param3);
    lua_pushnumber(L, checkpoint.value);
    return 4;
}

int GetCurrentMission(lua_State* L)
{
    const CPGameData* data = GetGameData();
    return data ? PushNumber(L, data->m_currentMission) : 0;
}

int SetCurrentMission(lua_State* L)
{
    if (CPGameData* data = GetGameData())
        data->m_currentMission = ScriptReadInt(L, 1);
    return 0;
}

int SetDifficulty(lua_State* L)
{
    g_CfgCamSpeed = ScriptReadInt(L, 1);
    return 0;
}

int GetDifficulty(lua_State* L)
{
    return PushNumber(L, g_CfgCamSpeed);
}

int SetDifficult(lua_State* L)
{
    CPGameData* data = GetGameData();
    if (!data)
        return 0;
    data->m_difficult = ScriptReadBool(L, 1) ? 1 : 0;
    data->SetDifficult();
    return 0;
}

// The number 1 or 0, not a boolean.
int GetDifficult(lua_State* L)
{
    const CPGameData* data = GetGameData();
    return data ? PushNumber(L, data->m_difficult ? 1 : 0) : 0;
}

int GetRoundsNumber(lua_State* L)
{
    const CPGameData* data = GetGameData();
    return data ? PushNumber(L, data->m_roundsCount) : 0;
}

int SetNumRounds(lua_State* L)
{
    if (CPGameData* data = GetGameData())
        data->m_roundsCount = ScriptReadInt(L, 1);
    return 0;
}

int GetCurrentRound(lua_State* L)
{
    const CPGameData* data = GetGameData();
    return data ? PushNumber(L, data->m_currentLap) : 0;
}

// The time of the lap in progress; nothing before lap 1.
int GetTime(lua_State* L)
{
    const CPGameData* data = GetGameData();
    if (!data || data->m_currentLap < 1)
        return 0;
    return ScriptPushTime(L, data->GetLapTime(data->m_currentLap - 1));
}

// Laps 1 to 10: minutes, seconds, hundredths and whether the lap has begun.
int UpdateRoundsTime(lua_State* L)
{
    const CPGameData* data = GetGameData();
    if (!data)
        return 0;
    std::vector<ScriptValue> items;
    for (int32_t lap = 1; lap <= kListedLaps; ++lap) {
        const ScriptTime split = SplitTime(data->GetLapTime(lap - 1));
        items.emplace_back(split.minutes);
        items.emplace_back(split.seconds);
        items.emplace_back(split.hundredths);
        items.emplace_back(data->m_currentLap >= lap);
    }
    return ScriptPushList(L, items, true);
}

int SetRoundTime(lua_State* L)
{
    if (CPGameData* data = GetGameData())
        data->m_roundTime = ScriptReadFloat(L, 1);
    return 0;
}

int GetRoundTime(lua_State* L)
{
    const CPGameData* data = GetGameData();
    return data ? PushNumber(L, data->m_roundTime) : 0;
}

// A null object is entered too, as an entry without an object.
int AddBonus(lua_State* L)
{
    if (CPGameData* data = GetGameData())
        data->AddBonus(ScriptReadObject<CPGameObject>(L, 1), ScriptReadInt(L, 2));
    return 0;
}

int EraseBonus(lua_State* L)
{
    if (CPGameData* data = GetGameData())
        data->EraseBonus(ScriptReadObject<CPGameObject>(L, 1));
    return 0;
}

int GetBonusesCount(lua_State* L)
{
    const CPGameData* data = GetGameData();
    return data ? PushNumber(L, static_cast<double>(data->m_bonuses.size())) : 0;
}

// {i = {object, value}} in list order.
int GetBonusList(lua_State* L)
{
    const CPGameData* data = GetGameData();
    if (!data)
        return 0;
    std::vector<std::vector<ScriptValue>> records;
    for (const CPBonusEntry& entry : data->m_bonuses)
        records.push_back(
            { ScriptValue(static_cast<const CPManagedObject*>(entry.object.Get())), ScriptValue(entry.value) });
    return ScriptPushRecords(L, records, false);
}

int ClearBonuses(lua_State*)
{
    if (CPGameData* data = GetGameData())
        data->m_bonuses.clear();
    return 0;
}

int ClearGameData(lua_State*)
{
    if (CPGameData* data = GetGameData())
        data->ClearGameData();
    return 0;
}

int SetPlayerType(lua_State* L)
{
    if (CPGameData* data = GetGameData())
        data->m_playerType = ScriptReadBool(L, 1) ? kPlayerTypeOn : kPlayerTypeOff;
    return 0;
}

int SetSingle(lua_State* L)
{
    if (CPGameData* data = GetGameData())
        data->m_single = ScriptReadBool(L, 1) ? 1 : 0;
    return 0;
}

int IsSingle(lua_State* L)
{
    const CPGameData* data = GetGameData();
    return data ? PushBoolean(L, data->m_single != 0) : 0;
}

int SetTimeAttack(lua_State* L)
{
    if (CPGameData* data = GetGameData())
        data->m_timeAttack = ScriptReadBool(L, 1) ? 1 : 0;
    return 0;
}

int IsTimeAttack(lua_State* L)
{
    const CPGameData* data = GetGameData();
    return data ? PushBoolean(L, data->m_timeAttack != 0) : 0;
}

// The followed vehicle's two rider angles in degrees, the level's player
// speed and the crash roll in degrees; all 0 without a level, a followed
// vehicle or its car.
int GetStats(lua_State* L)
{
    float yaw = 0.0f;
    float pitch = 0.0f;
    float speed = 0.0f;
    float roll = 0.0f;
    if (const CPLevel* level = GetLevel()) {
        speed = level->playerSpeed;
        if (const CPPlayer* vehicle = level->followedVehicle) {
            const CPSmartPtr<CPCar> car = vehicle->GetCar();
            if (car.Get()) {
                yaw = car->m_riderYawDegrees;
                pitch = car->m_riderPitchDegrees;
                roll = car->m_crashRoll * CPCar::kRadiansToDegrees;
            }
        }
    }
    lua_pushnumber(L, yaw);
    lua_pushnumber(L, pitch);
    lua_pushnumber(L, speed);
    lua_pushnumber(L, roll);
    return 4;
}

int SaveGame(lua_State*)
{
    if (CPGameData* data = GetGameData())
        data->SaveGame();
    return 0;
}

int LoadGame(lua_State* L)
{
    if (CPGameData* data = GetGameData())
        data->LoadGame(ScriptReadText(L, 1));
    return 0;
}

// 6, then the profile names of the slots, "" for a free one.
int GetSaves(lua_State* L)
{
    const CPGameData* data = GetGameData();
    if (!data)
        return 0;
    std::vector<ScriptValue> items;
    for (const std::string& name : data->GetSaves())
        items.emplace_back(name);
    return ScriptPushList(L, items, true);
}

int DeleteSave(lua_State* L)
{
    if (CPGameData* data = GetGameData())
        data->DeleteSave(ScriptReadText(L, 1));
    return 0;
}

// The player's name, then the profile into the first slot's file; the
// profile keeps its slot.
int NewPlayer(lua_State* L)
{
    CPGameData* data = GetGameData();
    if (!data)
        return 0;
    data->m_playerName = ScriptReadText(L, 1);
    data->WriteSave(SaveFile::SlotFileName(0));
    return 0;
}
}
