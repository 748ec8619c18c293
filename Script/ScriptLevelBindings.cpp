#include "Script/ScriptLevelBindings.h"

#include "Script/ScriptBinding.h"

#include "Core/PCommandDispatcher.h"
#include "Core/PGameObject.h"
#include "Core/PGlobals.h"
#include "Platform/CRand.h"
#include "Platform/Clock.h"
#include "Race/PEnemyRegistry.h"
#include "Race/PGameData.h"
#include "Race/PLevel.h"
#include "Race/PShot.h"
#include "Race/PSpline.h"
#include "Render/PParticleManager.h"
#include "Startup/PConfigVars.h"
#include "Vehicles/PPlayer.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace
{
constexpr float kTwoPi = 6.2831855f;
constexpr float kHalfPi = 1.5707964f;
// Search window of the centre-path queries.
constexpr float kLineSearchRadius = 20.0f;
// A line centre this close (squared: 20 units) to the point is near it.
constexpr float kNearLineSquared = 400.0f;
// Side of the square around the followed vehicle where enemies appear.
constexpr float kEnemySpread = 40.0f;
// Enemies come out of sources farther than this and nearer than the next.
constexpr float kSourceNear = 25.0f;
constexpr float kSourceFar = 40.0f;
constexpr float kBonusTime = 4.0f;
// How many of the first vehicles count for IsDarkLeft and IsLightLeft.
constexpr size_t kSideVehicles = 5;
constexpr float kWreckedDamage = 100.0f;
// The speed value of shots that scripts drop into the world.
constexpr float kDroppedShotValue = -1.0f;
const char* const kSuperShot = "super";
const char* const kMenuObject = "gamemenu";
const char* const kUpdateGameInterface = "update_game_interface";

// The line GetPlayerSplineAngle starts its searches from, and the path it
// belongs to (by id, never reused): a cache of another path, or of a path
// that has ended, is never used.
struct PathCache
{
    uint64_t pathId = 0;
    CPLine* line = nullptr;
};
PathCache g_PathCache;

void ClearPathCache()
{
    g_PathCache = PathCache();
}

// The started level: it has its race-update task until it stops.
bool IsRunning(const CPLevel& level)
{
    return level.updateTask.Get() != nullptr;
}

// The centre path of the level, null without a level or a path.
CPSpline* GetCentrePath()
{
    CPLevel* level = GetLevel();
    return level ? level->centrePath.Get() : nullptr;
}

// The line `steps` links away along next (forward) or previous links; null
// where a link is missing. Going round a closed ring counts modulo its
// length, so any step count ends quickly.
CPLine* Advance(CPLine* from, int64_t steps, bool forward, size_t lineCount)
{
    if (!from || steps <= 0)
        return from;
    CPLine* line = from;
    for (size_t walked = 1; walked <= lineCount + 1; ++walked) {
        line = forward ? line->next : line->previous;
        if (!line)
            return nullptr;
        if (static_cast<int64_t>(walked) == steps)
            return line;
        if (line == from)
            return Advance(from, steps % static_cast<int64_t>(walked), forward, lineCount);
    }
    return nullptr;
}

// The name of the weighted entry that covers r; empty when none does.
std::string PickWeighted(const std::vector<CPWeightedName>& entries, int32_t r)
{
    for (const CPWeightedName& entry : entries) {
        if (entry.from <= r && r < entry.to)
            return entry.name;
    }
    return std::string();
}

// Whether the source belongs to the side and lies at spawn distance from
// the point.
bool IsSpawnSource(const CPEnemySource& source, bool side, const D3DXVECTOR3& from)
{
    if (source.flag != (side ? 1 : 0))
        return false;
    const D3DXVECTOR3 away = source.position - from;
    const float distance = std::sqrt(away.x * away.x + away.y * away.y + away.z * away.z);
    return distance > kSourceNear && distance < kSourceFar;
}

// 1 when one of the first vehicles is of the side and not wrecked.
int PushSideLeft(lua_State* L, uint32_t sideBit)
{
    int32_t left = 0;
    if (const CPLevel* level = GetLevel()) {
        for (size_t i = 0; i < level->vehicles.size() && i < kSideVehicles; ++i) {
            const CPPlayer* vehicle = level->vehicles[i].Get();
            if (vehicle && (vehicle->GetSideFlags() & sideBit) && vehicle->m_damage < kWreckedDamage) {
                left = 1;
                break;
            }
        }
    }
    lua_pushnumber(L, left);
    return 1;
}

// A candidate spawn offset around the vehicle: mostly ahead of it when it
// moves, else on the border of the square of the spread around it.
D3DXVECTOR3 SpawnOffset(const CPLevel& level, const CPPlayer& vehicle)
{
    const float spread = kEnemySpread;
    const float half = spread / 2.0f;
    if (level.playerSpeed > 2.0f && crt::rand() % 5 > 0) {
        const int32_t sideRange = static_cast<int32_t>(spread / 4.0f);
        const float side = static_cast<float>(crt::rand() % sideRange) - spread / 8.0f;
        D3DXMATRIX rotation;
        D3DXMatrixRotationQuaternion(&rotation, &vehicle.GetRotation());
        const D3DXVECTOR3 ahead(side, -half, 0.0f);
        D3DXVECTOR3 turned;
        D3DXVec3TransformCoord(&turned, &ahead, &rotation);
        D3DXVec3Normalize(&turned, &turned);
        return turned * half;
    }
    const int32_t borderRange = static_cast<int32_t>(spread);
    D3DXVECTOR3 offset(0.0f, 0.0f, 0.0f);
    if (crt::rand() % 2 != 0) {
        offset.x = static_cast<float>(crt::rand() % borderRange) - half;
        offset.y = crt::rand() % 2 != 0 ? -half : half;
    } else {
        offset.y = static_cast<float>(crt::rand() % borderRange) - half;
        offset.x = crt::rand() % 2 != 0 ? -half : half;
    }
    return offset;
}
}

namespace ScriptApi
{
// --- Level life -------------------------------------------------------------

// A level already there is stopped and deleted first: the new one takes its
// place as the one level.
int InitLevel(lua_State* L)
{
    const std::string name = ScriptReadText(L, 1);
    const bool single = ScriptReadBool(L, 2);
    const bool time = lua_gettop(L) >= 3 && ScriptReadBool(L, 3);
    if (CPLevel* previous = GetLevel()) {
        previous->Stop();
        delete previous;
    }
    ClearPathCache();
    CPLevel* level = new CPLevel();
    level->Load(name, single, time);
    return 0;
}

int StartLevel(lua_State*)
{
    if (CPLevel* level = GetLevel())
        level->StartLevelTasks();
    return 0;
}

int StopLevel(lua_State*)
{
    CPLevel* level = GetLevel();
    if (!level)
        return 0;
    if (CPParticleManager* particles = GetParticleManager())
        particles->Reset();
    level->Stop();
    ClearPathCache();
    return 0;
}

int DeleteLevel(lua_State*)
{
    CPLevel* level = GetLevel();
    if (!level)
        return 0;
    if (IsRunning(*level))
        level->Stop();
    delete level;
    ClearPathCache();
    return 0;
}

int SetLevelTransportCount(lua_State* L)
{
    const int32_t count = ScriptReadInt(L, 1);
    if (CPGameData* data = GetGameData())
        data->m_trafficCount = count;
    return 0;
}

// --- Race state -------------------------------------------------------------

int SetLevelTime(lua_State* L)
{
    const float seconds = ScriptReadFloat(L, 1);
    CPLevel* level = GetLevel();
    if (!level)
        return 0;
    const CPGameData* data = GetGameData();
    level->timeLimit = seconds * (data ? data->m_timeCoeff : 1.0f);
    return 0;
}

int SetPlaceToFinish(lua_State* L)
{
    const int32_t place = ScriptReadInt(L, 1);
    if (CPLevel* level = GetLevel())
        level->worstFinishingPlace = place;
    return 0;
}

int SetUpdateTime(lua_State* L)
{
    const bool started = ScriptReadBool(L, 1);
    if (CPLevel* level = GetLevel())
        level->raceStarted = started ? 1 : 0;
    return 0;
}

int IsRaceStarted(lua_State* L)
{
    const CPLevel* level = GetLevel();
    if (!level)
        return 0;
    lua_pushboolean(L, level->raceStarted != 0);
    return 1;
}

int SetReversed(lua_State* L)
{
    const bool reversed = ScriptReadBool(L, 1);
    if (CPLevel* level = GetLevel())
        level->reversed = reversed ? 1 : 0;
    return 0;
}

int IsSingleMode(lua_State* L)
{
    const CPLevel* level = GetLevel();
    if (!level)
        return 0;
    lua_pushboolean(L, level->singleMode != 0);
    return 1;
}

int IsTimeMode(lua_State* L)
{
    const CPLevel* level = GetLevel();
    if (!level)
        return 0;
    lua_pushboolean(L, level->timeMode != 0);
    return 1;
}

int GetLevelSize(lua_State* L)
{
    const CPLevel* level = GetLevel();
    if (!level)
        return 0;
    lua_pushnumber(L, level->worldWidth);
    lua_pushnumber(L, level->worldDepth);
    return 2;
}

int GetCheckpointTime(lua_State* L)
{
    const CPLevel* level = GetLevel();
    if (!level)
        return 0;
    return ScriptPushTime(L, level->gateCountdown);
}

int ClearLevelTimers(lua_State*)
{
    CPGameData* data = GetGameData();
    if (GetLevel() && data)
        data->m_raceTime = 0.0f;
    return 0;
}

int SetLevelStarted(lua_State* L)
{
    const bool started = ScriptReadBool(L, 1);
    if (CPGameData* data = GetGameData())
        data->m_levelStarted = started ? 1 : 0;
    return 0;
}

int IsLevelStarted(lua_State* L)
{
    const CPGameData* data = GetGameData();
    lua_pushboolean(L, data && data->m_levelStarted != 0);
    return 1;
}

int IsWeather(lua_State* L)
{
    lua_pushboolean(L, g_CfgWeather != 0);
    return 1;
}

int IsDamageMsg(lua_State* L)
{
    const CPLevel* level = GetLevel();
    bool defeated = false;
    if (level)
        defeated = level->gameOver != 0 || (level->player && level->player->m_gameOver != 0);
    lua_pushboolean(L, defeated);
    return 1;
}

int IsDarkLeft(lua_State* L)
{
    return PushSideLeft(L, CPPlayer::kDarkSide);
}

int IsLightLeft(lua_State* L)
{
    return PushSideLeft(L, CPPlayer::kLightSide);
}

int GetAICount(lua_State*)
{
    return 0;
}

int SetTimeBonus(lua_State* L)
{
    if (CPPlayer* vehicle = ScriptReadObject<CPPlayer>(L, 1))
        vehicle->m_bonusTime = kBonusTime;
    return 0;
}

int ShowCheckPoint(lua_State*)
{
    if (CPLevel* level = GetLevel())
        level->ShowCheckPoint();
    return 0;
}

int ChangeCheckpointPosition(lua_State* L)
{
    const float x = ScriptReadFloat(L, 1);
    const float y = ScriptReadFloat(L, 2);
    CPLevel* level = GetLevel();
    if (!level || !level->currentCheckpoint)
        return 0;
    level->currentCheckpoint->SetPosition(D3DXVECTOR3(x, y, 0.0f));
    level->currentCheckpoint->UpdateTransform();
    return 0;
}

// True when the segment from the point along the direction is free; the
// vector reaches the hit point, or spans the whole segment when free. A
// zero direction is a free segment of no length.
int CrossPlayerRay(lua_State* L)
{
    const D3DXVECTOR3 origin(ScriptReadFloat(L, 1), ScriptReadFloat(L, 2), ScriptReadFloat(L, 3));
    const D3DXVECTOR3 direction(ScriptReadFloat(L, 4), ScriptReadFloat(L, 5), ScriptReadFloat(L, 6));
    const float length
        = std::sqrt(direction.x * direction.x + direction.y * direction.y + direction.z * direction.z);
    bool free = true;
    D3DXVECTOR3 vector(0.0f, 0.0f, 0.0f);
    if (length > 0.0f) {
        const D3DXVECTOR3 unit = direction / length;
        CPRayQuery query;
        query.origin = origin;
        query.direction = unit;
        query.distance = length;
        CPLevel* level = GetLevel();
        free = level && !level->CrossPlayerRay(query);
        vector = free ? unit * query.distance : unit;
    }
    lua_pushboolean(L, free);
    lua_pushnumber(L, vector.x);
    lua_pushnumber(L, vector.y);
    lua_pushnumber(L, vector.z);
    return 4;
}

// --- Enemies, bonuses and the super weapon ------------------------------------

// The record's fields in the order scripts take them: first number, second
// text, second number, first text, third text.
int GetEnemyData(lua_State* L)
{
    const std::string name = ScriptCheckText(L, 1);
    CPEnemyRecord empty;
    CPEnemyRegistry* registry = GetEnemyRegistry();
    const CPEnemyRecord& record = registry ? registry->Get(name) : empty;
    lua_pushnumber(L, record.number1);
    lua_pushstring(L, record.text2.c_str());
    lua_pushnumber(L, record.number2);
    lua_pushstring(L, record.text1.c_str());
    lua_pushstring(L, record.text3.c_str());
    return 5;
}

int AddEnemy(lua_State* L)
{
    ScriptReadText(L, 1);
    ScriptReadNumber(L, 2);
    ScriptReadNumber(L, 3);
    return 0;
}

// With a third argument the point is (x + 2, y + 2); otherwise a point near
// the followed vehicle. Two tries to land inside the world, 20 units from its
// edges.
int GetPositionForEnemy(lua_State* L)
{
    ScriptReadText(L, 1);
    ScriptReadNumber(L, 2);
    const bool tagged = lua_isstring(L, 3) != 0;
    const float x = ScriptReadFloat(L, 4);
    const float y = ScriptReadFloat(L, 5);
    const CPLevel* level = GetLevel();
    if (!level || (!tagged && !level->followedVehicle))
        return 0;
    const float halfWidth = level->worldWidth * 0.5f - 20.0f;
    const float halfDepth = level->worldDepth * 0.5f - 20.0f;
    bool inside = false;
    float px = 0.0f;
    float py = 0.0f;
    for (int attempt = 0; attempt < 2 && !inside; ++attempt) {
        if (tagged) {
            px = x + 2.0f;
            py = y + 2.0f;
        } else {
            const D3DXVECTOR3& at = level->followedVehicle->GetPosition();
            const D3DXVECTOR3 offset = SpawnOffset(*level, *level->followedVehicle);
            px = at.x + offset.x;
            py = at.y + offset.y;
        }
        inside = -halfWidth <= px && px <= halfWidth && -halfDepth <= py && py <= halfDepth;
    }
    lua_pushboolean(L, inside);
    lua_pushnumber(L, px);
    lua_pushnumber(L, py);
    return 3;
}

int GetEnemyType(lua_State* L)
{
    const double mission = ScriptReadNumber(L, 1);
    const bool side = ScriptReadBool(L, 2);
    const std::string group = ScriptReadText(L, 1);
    const CPLevel* level = GetLevel();
    const CPGameData* data = GetGameData();
    if (!level || !level->followedVehicle || !data)
        return 0;
    const D3DXVECTOR3& at = level->followedVehicle->GetPosition();

    std::vector<const CPEnemySource*> candidates;
    const auto sources = data->m_enemySources.find(group);
    if (sources != data->m_enemySources.end()) {
        for (const CPEnemySource& source : sources->second) {
            if (IsSpawnSource(source, side, at))
                candidates.push_back(&source);
        }
    }

    std::string type;
    bool found = false;
    float x = at.x;
    float y = at.y;
    if (!candidates.empty()) {
        const CPEnemySource& source = *candidates[static_cast<size_t>(crt::rand()) % candidates.size()];
        type = PickWeighted(source.enemyTypes, crt::rand() % 100);
        found = true;
        x = source.position.x;
        y = source.position.y;
    } else {
        const double index = std::trunc(mission - 1.0);
        if (!(index >= 0.0 && index < static_cast<double>(data->m_checkpoints.size())))
            return 0;
        type = PickWeighted(data->m_checkpoints[static_cast<size_t>(index)].enemyTypes, crt::rand() % 100);
    }
    lua_pushstring(L, type.c_str());
    lua_pushboolean(L, found);
    lua_pushnumber(L, x);
    lua_pushnumber(L, y);
    return 4;
}

int IsEnemySourceNear(lua_State* L)
{
    const bool side = ScriptReadBool(L, 1);
    const std::string group = ScriptReadText(L, 2);
    const CPLevel* level = GetLevel();
    if (!level || !level->followedVehicle)
        return 0;
    bool near = false;
    if (const CPGameData* data = GetGameData()) {
        const auto sources = data->m_enemySources.find(group);
        if (sources != data->m_enemySources.end()) {
            for (const CPEnemySource& source : sources->second)
                near = near || IsSpawnSource(source, side, level->followedVehicle->GetPosition());
        }
    }
    lua_pushboolean(L, near);
    return 1;
}

int SetBonus(lua_State* L)
{
    const float x = ScriptReadFloat(L, 1);
    const float y = ScriptReadFloat(L, 2);
    const int32_t index = ScriptReadInt(L, 3);
    const CPGameData* data = GetGameData();
    if (!data || index < 0 || static_cast<size_t>(index) >= data->m_checkpoints.size())
        return 0;
    const CPMissionCheckpoint& record = data->m_checkpoints[static_cast<size_t>(index)];
    const int32_t chance = static_cast<int32_t>(static_cast<float>(record.bonusChance) * data->m_bonusChanceCoeff);
    crt::srand(timeGetTime());
    if (crt::rand() % 100 > chance)
        return 0;
    const std::string kind = PickWeighted(record.bonusTypes, crt::rand() % 100);
    CPShotManager* shots = GetShotManager();
    if (kind.empty() || !shots)
        return 0;
    const D3DXVECTOR3 at(x, y, 0.0f);
    shots->Fire(kind, at, at, kDroppedShotValue, nullptr);
    return 0;
}

// The super shot gets a zero vector as both its position and its direction.
int SmartBomb(lua_State*)
{
    CPGameData* data = GetGameData();
    CPShotManager* shots = GetShotManager();
    if (!data || !shots || data->m_activeCar.superWeaponCount <= 0)
        return 0;
    const D3DXVECTOR3 zero(0.0f, 0.0f, 0.0f);
    shots->Fire(kSuperShot, zero, zero, kDroppedShotValue, nullptr);
    --data->m_activeCar.superWeaponCount;
    if (CPCommandDispatcher* dispatcher = GetCommandDispatcher())
        dispatcher->SendCommandByName(kMenuObject, kUpdateGameInterface, "");
    return 0;
}

// --- The centre path ------------------------------------------------------------

int GetPlayerSplineAngle(lua_State* L)
{
    const bool reset = lua_gettop(L) >= 1 && ScriptReadBool(L, 1);
    CPLevel* level = GetLevel();
    CPSpline* path = GetCentrePath();
    if (!path || !level->followedVehicle)
        return 0;
    if (reset || !g_PathCache.line || g_PathCache.pathId != path->GetId()) {
        g_PathCache.pathId = path->GetId();
        g_PathCache.line = path->GetCurrentLine();
    }
    float radius = kLineSearchRadius;
    float direction = path->FindNearestLine(level->followedVehicle->GetPosition(), radius, 0, g_PathCache.line);
    if (!std::isfinite(direction))
        direction = 0.0f;
    while (direction > kTwoPi)
        direction -= kTwoPi;
    while (direction < 0.0f)
        direction += kTwoPi;
    lua_pushnumber(L, level->playerHeading);
    lua_pushnumber(L, direction);
    return 2;
}

int GetSplineLineCount(lua_State* L)
{
    if (!GetCentrePath())
        return 0;
    lua_pushnumber(L, 1);
    return 1;
}

int GetSplineLinePoint(lua_State* L)
{
    const int32_t index = ScriptReadInt(L, 1);
    const CPSpline* path = GetCentrePath();
    if (!path)
        return 0;
    // An index of 0 or less takes no step: the first line's centre.
    const CPLine* line = Advance(path->GetFirstLine(), index, true, path->GetLines().size());
    if (!line)
        return 0;
    lua_pushnumber(L, line->centre.x);
    lua_pushnumber(L, line->centre.y);
    lua_pushnumber(L, line->centre.z);
    return 3;
}

int GetClosestLineCenter(lua_State* L)
{
    const float x = ScriptReadFloat(L, 1);
    const float y = ScriptReadFloat(L, 2);
    const int32_t steps = ScriptReadInt(L, 4);
    CPSpline* path = GetCentrePath();
    if (!path || !path->GetFirstLine())
        return 0;
    CPLine* const first = path->GetFirstLine();
    const size_t lineCount = path->GetLines().size();
    CPLine* line = first->next;
    bool found = false;
    for (size_t walked = 0; line && line != first && walked <= lineCount && !found; ++walked) {
        const float dx = line->centre.x - x;
        const float dy = line->centre.y - y;
        found = dx * dx + dy * dy < kNearLineSquared;
        if (!found)
            line = line->next;
    }
    if (!found)
        return 0;
    const int64_t count = steps;
    line = Advance(line, count < 0 ? -count : count, count < 0, lineCount);
    if (!line)
        return 0;
    CPLine* hint = line;
    float radius = kLineSearchRadius;
    const float angle = path->FindNearestLine(line->centre, radius, 0, hint) - kHalfPi;
    lua_pushnumber(L, line->centre.x);
    lua_pushnumber(L, line->centre.y);
    lua_pushnumber(L, 0.5);
    lua_pushnumber(L, angle);
    return 4;
}
}
