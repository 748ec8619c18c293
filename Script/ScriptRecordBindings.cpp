#include "Script/ScriptRecordBindings.h"

#include "Script/ScriptBinding.h"

#include "Core/PGlobals.h"
#include "Race/PGameData.h"
#include "Race/PLevel.h"
#include "Race/PScoreTable.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace
{
// Above any lap time: no completed lap has been found yet.
constexpr float kNoBestLap = 100000.0f;

// The best time-attack time of the level record (from 0); nothing for an
// index outside the records.
int PushLevelRecord(lua_State* L, int32_t index)
{
    const CPGameData* data = GetGameData();
    if (!data || index < 0 || index >= CPGameData::kLevelCount)
        return 0;
    return ScriptPushTime(L, data->m_levelRecords[static_cast<size_t>(index)].bestTime);
}
}

namespace ScriptApi
{
// Enters the profile's fastest lap of the race (the earliest of equal ones)
// into the level's table; false for a level without a table.
int CheckPlayerRecords(lua_State* L)
{
    CPGameData* data = GetGameData();
    if (!data)
        return 0;
    const int32_t level = ScriptReadInt(L, 1);
    // Laps past the stored times count as 0; one of them stands for all.
    const int64_t stored = static_cast<int64_t>(data->m_lapTimes.size());
    const int32_t laps = static_cast<int32_t>(std::min<int64_t>(data->m_roundsCount, stored + 1));
    CPRecordEntry entry = CPScoreTable::MakeEntry(data->m_profileName, data->GetLapTime(0));
    for (int32_t lap = 1; lap < laps; ++lap) {
        const CPRecordEntry candidate = CPScoreTable::MakeEntry(data->m_profileName, data->GetLapTime(lap));
        if (CPScoreTable::IsFaster(candidate, entry))
            entry = candidate;
    }
    lua_pushboolean(L, data->CheckPlayerRecords(level, entry) ? 1 : 0);
    return 1;
}

// {i = {name, "mm:ss:hh"}} of the level's table in stored order; an empty
// table for a level without one.
int GetRecords(lua_State* L)
{
    const int32_t level = ScriptReadInt(L, 1);
    lua_settop(L, 0);
    std::vector<std::vector<ScriptValue>> records;
    if (CPGameData* data = GetGameData()) {
        for (auto& [name, time] : CPScoreTable(data->m_recordTables).GetListing(level))
            records.push_back({ ScriptValue(std::move(name)), ScriptValue(std::move(time)) });
    }
    return ScriptPushRecords(L, records, false);
}

int SaveScore(lua_State*)
{
    if (CPGameData* data = GetGameData())
        data->SaveScore();
    return 0;
}

// The fastest completed lap with a positive time; 0 before the first lap
// is completed.
int GetTimeBest(lua_State* L)
{
    const CPGameData* data = GetGameData();
    if (!data)
        return 0;
    float best = kNoBestLap;
    const int64_t completed =
        std::min<int64_t>(static_cast<int64_t>(data->m_currentLap) - 1, static_cast<int64_t>(data->m_lapTimes.size()));
    for (int32_t lap = 0; lap < completed; ++lap) {
        const float time = data->GetLapTime(lap);
        if (time > 0.0f && time < best)
            best = time;
    }
    return ScriptPushTime(L, best == kNoBestLap ? 0.0f : best);
}

int GetTimeAttack(lua_State* L)
{
    const CPGameData* data = GetGameData();
    return data ? ScriptPushTime(L, data->GetLapTime(0)) : 0;
}

// The record of the current level; nothing without a level.
int GetBestTimeAttack(lua_State* L)
{
    const CPLevel* level = GetLevel();
    return level ? PushLevelRecord(L, level->levelIndex - 1) : 0;
}

int GetBestTimeAttack2(lua_State* L)
{
    return PushLevelRecord(L, ScriptReadInt(L, 1));
}

int GetScore(lua_State* L)
{
    const CPGameData* data = GetGameData();
    if (!data)
        return 0;
    lua_pushnumber(L, data->m_kills);
    return 1;
}
}
