// The level and race script functions through the host's Lua state, on a
// level built in place: a closed rectangular centre path, a player, six
// opponents of both sides, two checkpoints, enemy sources and mission
// checkpoints, and an enemy registry read from the host's data file.
#include "Core/PFileReader.h"
#include "Core/PGlobals.h"
#include "Core/PObjUpdater.h"
#include "Core/PTaskManager.h"
#include "Host/PGameHost.h"
#include "Host/PScriptObject.h"
#include "Race/PAIVehicle.h"
#include "Race/PEnemyRegistry.h"
#include "Race/PGameData.h"
#include "Race/PShot.h"
#include "Race/PLevel.h"
#include "Race/PSpline.h"
#include "Platform/CRand.h"
#include "Script/ScriptBinding.h"
#include "Startup/PConfigVars.h"
#include "Vehicles/PPhysicManager.h"
#include "Vehicles/PPlayer.h"
#include "../Race/PathRecord.h"
#include "ScratchRoot.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace
{
const char kGameData[] = "[enemies]\n"
                         "scout, 5, 7, first, second, third\n"
                         "tank, 1.5, 2\n";

// Shared by every chunk: `check(fn, ...)` compares fn's results with the
// expected values (numbers to 1e-4), count included.
const char kPrelude[] = R"(
function check(what, fn, ...)
  local want = { n = select("#", ...), ... }
  local got = { n = 0 }
  local function keep(...) got = { n = select("#", ...), ... } end
  keep(fn())
  assert(got.n == want.n, what .. ": " .. got.n .. " results, expected " .. want.n)
  for i = 1, want.n do
    local a, b = got[i], want[i]
    local same = (type(a) == "number" and type(b) == "number") and math.abs(a - b) < 1e-4 or a == b
    assert(same, what .. ": result " .. i .. " is " .. tostring(a) .. ", expected " .. tostring(b))
  end
end
function commands(name)
  local target, out = HOST.script(name), {}
  while SetNextCommand(target) do
    out[#out + 1] = table.concat({ GetCurrentCommand(target), GetCurrentParams(target) }, ",")
  end
  return table.concat(out, ";")
end
)";

class LevelBindings : public ::testing::Test
{
protected:
    LevelBindings()
    {
        m_root.MakeFile("Data/gamedata.txt", kGameData);
        m_host = std::make_unique<CPGameHost>(m_root.Path());
        Run(kPrelude);
        m_level = new CPLevel();
        m_level->worldWidth = 200.0f;
        m_level->worldDepth = 100.0f;

        m_player = MakeVehicle(CPPlayer::kPlayerVehicle, 0.0f, D3DXVECTOR3(-30.0f, -30.0f, 0.0f));
        m_level->player = m_player;
        m_level->followedVehicle = m_player;
        // Dark vehicles wrecked but the sixth (which does not count), a light
        // one whole.
        for (int i = 0; i < 6; ++i) {
            const bool light = i == 2;
            const float damage = (light || i == 5) ? 40.0f : 100.0f;
            m_level->vehicles.push_back(
                MakeVehicle(light ? CPPlayer::kLightSide : CPPlayer::kDarkSide, damage, D3DXVECTOR3(0, 0, 0)));
        }

        for (int i = 0; i < 2; ++i) {
            m_objects.push_back(std::make_unique<CPGameObject>("chk"));
            m_objects.back()->SetVisible(false);
            CPLevelCheckpoint checkpoint;
            checkpoint.index = i;
            checkpoint.object = m_objects.back().get();
            m_level->checkpoints.push_back(checkpoint);
        }

        // The rectangle (-50, -30) .. (50, 30), counter-clockwise.
        const D3DXVECTOR3 corners[] = { D3DXVECTOR3(-50, -30, 0), D3DXVECTOR3(50, -30, 0), D3DXVECTOR3(50, 30, 0),
                                        D3DXVECTOR3(-50, 30, 0) };
        std::vector<PathSegmentPoints> segments;
        for (int i = 0; i < 4; ++i)
            segments.push_back(StraightSegment(corners[i], corners[(i + 1) % 4]));
        m_root.MakeFile("Data/Levels/path.lvl", PathRecord("c_path", true, segments));
        CPFileReader reader("Data\\Levels\\path.lvl");
        EXPECT_EQ(reader.Load(), S_OK);
        m_path = std::make_unique<CPSpline>();
        EXPECT_TRUE(m_path->Load(reader));
        m_level->centrePath = m_path.get();

        CPGameData& data = *GetGameData();
        data.m_timeCoeff = 1.5f;
        CPMissionCheckpoint mission;
        mission.enemyTypes = ParseWeightedList("jeep,100");
        data.m_checkpoints.push_back(mission);
        CPEnemySource near;
        near.position = D3DXVECTOR3(0.0f, -30.0f, 0.0f); // 30 from the player
        near.flag = 1;
        near.enemyTypes = ParseWeightedList("tank,100");
        CPEnemySource edge = near;
        edge.position = D3DXVECTOR3(-5.0f, -30.0f, 0.0f); // 25 exactly
        CPEnemySource far = near;
        far.position = D3DXVECTOR3(10.0f, -30.0f, 0.0f); // 40 exactly
        data.m_enemySources["3"] = { edge, near };
        data.m_enemySources["edge"] = { edge, far };
    }

    ~LevelBindings() override
    {
        delete GetLevel();
        m_objects.clear();
        m_path.reset();
        m_host.reset();
    }

    CPPlayer* MakeVehicle(uint32_t side, float damage, const D3DXVECTOR3& at)
    {
        auto vehicle = std::make_unique<CPPlayer>();
        vehicle->SetSideFlags(side);
        vehicle->m_damage = damage;
        vehicle->SetPosition(at);
        CPPlayer* made = vehicle.get();
        m_objects.push_back(std::move(vehicle));
        return made;
    }

    void Run(const std::string& source)
    {
        std::string error;
        EXPECT_TRUE(m_host->RunString(source, "level", error)) << error;
    }

    void SetGlobal(const char* name, const CPManagedObject* object)
    {
        ScriptPushObject(m_host->GetLuaState(), object);
        lua_setglobal(m_host->GetLuaState(), name);
    }

    ScratchRoot m_root;
    std::unique_ptr<CPGameHost> m_host;
    std::vector<std::unique_ptr<CPGameObject>> m_objects;
    std::unique_ptr<CPSpline> m_path;
    CPLevel* m_level = nullptr;
    CPPlayer* m_player = nullptr;
};
}

TEST_F(LevelBindings, RaceStateQueriesAndSetters)
{
    m_level->gateCountdown = 75.25f;
    m_level->singleMode = 1;
    SetGlobal("player", m_player);
    Run(R"(
check("size", GetLevelSize, 200, 100)
check("gate time", GetCheckpointTime, 1, 15, 25)
check("single", IsSingleMode, true)
check("time mode", IsTimeMode, false)
check("started", IsRaceStarted, false)
check("update on", function() SetUpdateTime(0) return IsRaceStarted() end, true)
check("level flag", function() SetLevelStarted(1) return IsLevelStarted() end, true)
check("level flag off", function() SetLevelStarted(nil) return IsLevelStarted() end, false)
check("dark left", IsDarkLeft, 0)
check("light left", IsLightLeft, 1)
check("no defeat", IsDamageMsg, false)
check("ai count", GetAICount)
check("weather", IsWeather, true)
check("enemy data", function() return GetEnemyData("scout") end, 5, "second", 7, "first", "third")
check("short record", function() return GetEnemyData("tank") end, 1.5, "", 2, "", "")
check("new name", function() return GetEnemyData("ghost") end, 0, "", 0, "", "")
check("no effect", function() return AddEnemy("scout", 1, 2) end)
check("checked text", function() return (pcall(GetEnemyData, {})) end, false)
SetLevelTime(100) SetPlaceToFinish(2.9) SetReversed(true) SetLevelTransportCount(-3.7) SetTimeBonus(player)
SetTimeBonus(nil)
)");
    EXPECT_FLOAT_EQ(m_level->timeLimit, 150.0f);
    EXPECT_EQ(m_level->worstFinishingPlace, 2);
    EXPECT_EQ(m_level->reversed, 1);
    EXPECT_EQ(GetGameData()->m_trafficCount, -3);
    EXPECT_FLOAT_EQ(m_player->m_bonusTime, 4.0f);
    EXPECT_EQ(GetEnemyRegistry()->GetCount(), 3u);

    m_level->gateCountdown = 59.999f;
    GetGameData()->m_raceTime = 12.0f;
    m_player->m_gameOver = 1;
    const int32_t weather = g_CfgWeather;
    g_CfgWeather = 0;
    Run(R"(
check("no weather", IsWeather, false)
check("gate time below a minute", GetCheckpointTime, 0, 59, 99)
check("defeat", IsDamageMsg, true)
ClearLevelTimers()
)");
    g_CfgWeather = weather;
    EXPECT_EQ(GetGameData()->m_raceTime, 0.0f);
}

TEST_F(LevelBindings, EnemySpawnPointsAndSources)
{
    Run(R"(
-- A tagged call offsets the given point; 20 units from the world's edges.
check("tagged", function() return GetPositionForEnemy("e", 1, "tag", 10, -5) end, true, 12, -3)
check("tagged number", function() return GetPositionForEnemy("e", 1, 7, 78, 28) end, true, 80, 30)
check("outside", function() return GetPositionForEnemy("e", 1, "tag", 79, 0) end, false, 81, 2)
-- Untagged at rest: a point on the square of half size 20 around the player.
for i = 1, 20 do
  local inside, x, y = GetPositionForEnemy("e", 1)
  local dx, dy = math.abs(x + 30), math.abs(y + 30)
  assert(dx == 20 and dy <= 20 or dy == 20 and dx <= 20, "border point " .. x .. " " .. y)
  assert(inside == (x >= -80 and x <= 80 and y >= -30 and y <= 30), "inside flag")
end
check("source near", function() return IsEnemySourceNear(true, "3") end, true)
check("other side", function() return IsEnemySourceNear(false, "3") end, false)
check("25 and 40 are out", function() return IsEnemySourceNear(true, "edge") end, false)
check("unknown group", function() return IsEnemySourceNear(true, "none") end, false)
check("from a source", function() return GetEnemyType(3, true) end, "tank", true, 0, -30)
check("from the mission", function() return GetEnemyType(1, false) end, "jeep", false, -30, -30)
check("mission out of range", function() return GetEnemyType(2, false) end)
check("mission zero", function() return GetEnemyType(0, false) end)
)");
}

TEST_F(LevelBindings, CentrePathQueries)
{
    Run(R"(
check("count", GetSplineLineCount, 1)
-- An index of 0 or less takes no step: the first line's centre, 5.25 of the
-- first side's 90 length units along its 100.
local fx, fy, fz = GetSplineLinePoint(0)
assert(fy == -30 and math.abs(fx - (-50 + 5.25 * 100 / 90)) < 1e-3, "the first line " .. fx .. " " .. fy)
check("index below 0", function() return GetSplineLinePoint(-7) end, fx, fy, fz)
local x, y, z = GetSplineLinePoint(1)
assert(y == -30 and x > fx and x < -30, "first line after the start " .. x .. " " .. y)
check("round the ring", function() return select("#", GetSplineLinePoint(2000000000)) end, 3)
check("far from every line", function() return GetClosestLineCenter(0, 0, 0, 0) end)
local cx, cy, half, angle = GetClosestLineCenter(10, -30, 0, 0)
-- The first line on from the start that is within 20 units, not the nearest.
assert(math.abs(cy + 30) < 1e-4 and cx < 10 - 10.5 / 2 and cx > -10 and half == 0.5, "first centre in reach")
assert(math.abs(angle - 1.5707964) < 1e-3, "angle of the line less a quarter turn " .. angle)
local bx = GetClosestLineCenter(10, -30, 0, 1)
local fx = GetClosestLineCenter(10, -30, 0, -1)
assert(bx < cx and fx > cx, "n lines back along previous links, -n along next links")
local heading, direction = GetPlayerSplineAngle()
assert(direction >= 0 and direction <= 6.2831855, "wrapped direction")
local _, again = GetPlayerSplineAngle(true)
assert(again == direction, "a reset searches again from the path's line")
)");
}

TEST_F(LevelBindings, RayAgainstTheLevel)
{
    Run(R"(
check("free segment", function() return CrossPlayerRay(0, 0, 1, 3, 0, 4) end, true, 3, 0, 4)
check("zero direction", function() return CrossPlayerRay(1, 2, 3, 0, 0, 0) end, true, 0, 0, 0)
DeleteLevel()
check("no level", function() return CrossPlayerRay(0, 0, 1, 3, 0, 4) end, false, 0.6, 0, 0.8)
)");
}

TEST_F(LevelBindings, StartLevelResetsTheRaceAndOrdersTheTasks)
{
    CPGameData& data = *GetGameData();
    data.m_money = 12.5f;
    data.m_currentLap = 3;
    data.m_lapTimes = { 1.0f, 2.0f };
    data.m_roundTime = 9.0f;
    data.m_opponentProgress["rival"].lapTimes.assign(6, 1.0f);
    m_level->worstFinishingPlace = 4;
    m_level->firstPlace = 2;
    m_level->ended = 1;
    Run(R"(
commands("gamemenu")
SetLevelTime(100)
StartLevel()
check("commands", function() return commands("gamemenu") end, "set_money,12.50;init_game_interface")
)");
    EXPECT_FLOAT_EQ(m_level->timeLimit, 600.0f);
    EXPECT_EQ(m_level->worstFinishingPlace, 0);
    EXPECT_EQ(m_level->firstPlace, -1);
    EXPECT_EQ(m_level->ended, 0);
    EXPECT_EQ(data.m_lapTimes, std::vector<float>({ 1.0f, 2.0f, 0.0f }));
    EXPECT_EQ(data.m_opponentProgress["rival"].lapTimes,
              std::vector<float>({ 9.0f, 9.0f, 9.0f, 9.0f, 9.0f, 1.0f }));

    // The opponents' driving, then the physics, then the race update.
    std::vector<int32_t> orders;
    for (const auto& task : GetTaskManager()->GetTasks()) {
        if (task.Get() == GetAIVehicleManager() || task.Get() == g_PhysicManager
            || task.Get() == m_level->updateTask.Get())
            orders.push_back(task->GetOrder());
    }
    EXPECT_EQ(orders, std::vector<int32_t>({ 100, 400, 500 }));

    data.m_lapTimes = { 1.0f, 2.0f, 3.0f, 4.0f };
    Run("StartLevel()");
    EXPECT_EQ(data.m_lapTimes, std::vector<float>({ 1.0f, 2.0f, 0.0f, 4.0f }));
}

TEST_F(LevelBindings, CheckpointsShowOnlyOnAStartedLevel)
{
    CPGameObject* first = m_level->checkpoints.front().object.Get();
    Run(R"(
commands("main")
ShowCheckPoint()
ChangeCheckpointPosition(5, 6)
check("nothing before the start", function() return commands("main") end, "")
)");
    EXPECT_EQ(m_level->currentCheckpoint.Get(), nullptr);
    EXPECT_FALSE(first->IsVisible());

    Run(R"(
StartLevel()
ShowCheckPoint()
ShowCheckPoint()
ChangeCheckpointPosition(5, 6)
check("shown twice", function() return commands("main") end, "say_show;say_show")
)");
    EXPECT_EQ(m_level->currentCheckpoint.Get(), first);
    EXPECT_TRUE(first->IsVisible());
    EXPECT_EQ(first->GetPosition(), D3DXVECTOR3(5.0f, 6.0f, 0.0f));

    // Without checkpoints the target is cleared and nothing is said.
    m_level->checkpoints.clear();
    Run(R"(
StartLevel()
ShowCheckPoint()
check("no checkpoints", function() return commands("main") end, "")
)");
    EXPECT_EQ(m_level->currentCheckpoint.Get(), nullptr);
}

TEST_F(LevelBindings, StopAndDeleteAreSafeInAnyOrder)
{
    Run(R"(
StartLevel()
GetPlayerSplineAngle()
StopLevel()
StopLevel()
check("no path after a stop", function() return GetPlayerSplineAngle() end)
StartLevel()
DeleteLevel()
DeleteLevel()
for _, name in ipairs({ "GetLevelSize", "GetCheckpointTime", "IsRaceStarted", "IsSingleMode", "IsTimeMode",
                         "GetPlayerSplineAngle", "GetSplineLineCount", "GetSplineLinePoint",
                         "GetClosestLineCenter", "GetEnemyType", "IsEnemySourceNear" }) do
  check(name .. " without a level", function() return _G[name](1, 2, 3, 4) end)
end
check("no level: no position", function() return GetPositionForEnemy("e", 1, "tag", 10, -5) end)
check("no defeat without a level", IsDamageMsg, false)
check("no side without a level", IsDarkLeft, 0)
StartLevel() StopLevel() ShowCheckPoint() ChangeCheckpointPosition(1, 2) SetLevelTime(5) SetPlaceToFinish(1)
SetReversed(true) SetUpdateTime(true) ClearLevelTimers()
)");
    EXPECT_EQ(GetLevel(), nullptr);
}

namespace
{
// A millisecond time whose seed makes the generator's first value modulo
// 100 equal `first`; `second` receives the next value modulo 100.
uint32_t TimeForFirstRoll(int first, int& second)
{
    for (uint32_t time = 1;; ++time) {
        crt::srand(time);
        if (crt::rand() % 100 == first) {
            second = crt::rand() % 100;
            return time;
        }
    }
}
}

TEST_F(LevelBindings, BonusDropsAndTheSuperWeaponFireShots)
{
    struct Firing
    {
        std::string type;
        D3DXVECTOR3 position;
        D3DXVECTOR3 direction;
        float value;
        bool owned;
    };
    std::vector<Firing> fired;
    GetShotManager()->SetFireObserver([&fired](const std::string& type, const D3DXVECTOR3& position,
                                               const D3DXVECTOR3& direction, float value,
                                               const CPSmartPtr<CPGameObject>& owner, const float*) {
        fired.push_back({ type, position, direction, value, owner.Get() != nullptr });
    });
    CPGameData& data = *GetGameData();
    // A chance of 0 still drops on a roll of 0, never on a roll of 1.
    data.m_checkpoints[0].bonusChance = 0;
    data.m_checkpoints[0].bonusTypes = ParseWeightedList("health,50;ammo,50");
    int kind = 0;
    const uint32_t dropTime = TimeForFirstRoll(0, kind);
    int ignored = 0;
    const uint32_t missTime = TimeForFirstRoll(1, ignored);
    Run("HOST.set_time_ms(" + std::to_string(dropTime) + ") SetBonus(3, -4, 0) SetBonus(3, -4, 1) SetBonus(3, -4, -1) "
        "HOST.set_time_ms(" + std::to_string(missTime) + ") SetBonus(3, -4, 0.9)");
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0].type, kind < 50 ? "health" : "ammo");
    EXPECT_EQ(fired[0].position, D3DXVECTOR3(3.0f, -4.0f, 0.0f));
    EXPECT_EQ(fired[0].direction, D3DXVECTOR3(3.0f, -4.0f, 0.0f));
    EXPECT_EQ(fired[0].value, -1.0f);
    EXPECT_FALSE(fired[0].owned);

    // One charge: one super shot and one display update, then nothing.
    fired.clear();
    data.m_activeCar.superWeaponCount = 1;
    Run(R"(
commands("gamemenu")
SmartBomb()
SmartBomb()
check("display update", function() return commands("gamemenu") end, "update_game_interface")
)");
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0].type, "super");
    EXPECT_EQ(fired[0].position, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(fired[0].direction, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(data.m_activeCar.superWeaponCount, 0);
    GetShotManager()->SetFireObserver(nullptr);
}
