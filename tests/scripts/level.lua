-- The level's life from a script on the fixture level: without a level, a
-- level made in each mode, one made over another, started, stopped and
-- deleted in any order, and the level queries on the loaded track.
-- game root: fixture level

local function eq(actual, expected, what)
  if actual ~= expected then
    error(string.format("%s: expected %s, got %s", what, tostring(expected), tostring(actual)), 2)
  end
end

local function pack(...)
  return { n = select("#", ...), ... }
end

-- Each row: a function name, its arguments and its results (numbers to 1e-4).
local function run(rows)
  for _, row in ipairs(rows) do
    local name, args, want = row[1], row[2], row[3]
    local got = pack(_G[name](unpack(args, 1, args.n or #args)))
    eq(got.n, want.n or #want, name .. " result count")
    for i = 1, want.n or #want do
      local a, b = got[i], want[i]
      if type(a) == "number" and type(b) == "number" then
        assert(math.abs(a - b) < 1e-4, string.format("%s result %d: expected %s, got %s", name, i, b, a))
      else
        eq(a, b, name .. " result " .. i)
      end
    end
  end
end

local function said(name)
  local out = {}
  for _, c in ipairs(HOST.commands(name)) do out[#out + 1] = table.concat(c, ",") end
  return table.concat(out, ";")
end

-- Orders of the race's tasks in the task list.
local function raceTasks()
  local out = {}
  for _, task in ipairs(HOST.tasks()) do
    if task[2] == 100 or task[2] == 400 or task[2] == 500 then out[#out + 1] = task[2] end
  end
  return table.concat(out, " ")
end

SetPlayerName("buggy")

-- Without a level: nothing to report, defaults where a function has them.
StartLevel() StopLevel() DeleteLevel() ShowCheckPoint() ChangeCheckpointPosition(1, 2)
run({
  { "GetLevelSize", {}, {} },
  { "IsRaceStarted", {}, {} },
  { "GetCheckpointTime", {}, {} },
  { "GetSplineLineCount", {}, {} },
  { "IsDamageMsg", {}, { false } },
  { "IsDarkLeft", {}, { 0 } },
  { "IsLightLeft", {}, { 0 } },
  { "GetAICount", {}, {} },
  { "CrossPlayerRay", { 0, 0, 1, 3, 0, 4 }, { false, 0.6, 0, 0.8 } },
  { "CrossPlayerRay", { 0, 0, 1, 0, 0, 0 }, { true, 0, 0, 0 } },
  { "GetEnemyData", { "scout" }, { 0, "", 0, "", "" } },
})

-- The modes come from InitLevel's arguments; time mode only from a third.
InitLevel("level1", true)
run({ { "IsSingleMode", {}, { true } }, { "IsTimeMode", {}, { false } } })
local first = HOST.player()
assert(first, "the player is built")
InitLevel("level1", 0, true)
run({ { "IsSingleMode", {}, { true } }, { "IsTimeMode", {}, { true } } })
assert(HOST.player() ~= first, "a new level replaces the old one")
InitLevel("level1", false)
run({ { "IsSingleMode", {}, { false } }, { "IsTimeMode", {}, { false } }, { "IsRaceStarted", {}, { false } } })

-- The loaded track.
local width, depth = GetLevelSize()
assert(width > 0 and depth > 0, "world size")
run({
  { "GetSplineLineCount", {}, { 1 } },
  { "GetClosestLineCenter", { 500, 500, 0, 0 }, {} },
  { "GetPositionForEnemy", { "e", 1, "tag", 10, -5 }, { true, 12, -3 } },
})
eq(select("#", GetSplineLinePoint(1)), 3, "a line centre")
local fx, fy, fz = GetSplineLinePoint(0)
local bx, by, bz = GetSplineLinePoint(-2)
assert(fx and fx == bx and fy == by and fz == bz, "no steps for an index of 0 or less: the first line")
assert((fx - 120) ^ 2 + fy ^ 2 < 100, "the first line starts the ring at the start")
local cx, cy, half = GetClosestLineCenter(120, 10, 0, 0)
assert(half == 0.5 and (cx - 120) ^ 2 + (cy - 10) ^ 2 < 400, "a centre within 20 units")
local heading, direction = GetPlayerSplineAngle()
assert(direction >= 0 and direction <= 6.2831855, "path direction in one turn")

-- Checkpoints show only once the level runs; the first one every time.
said("main")
ShowCheckPoint()
ChangeCheckpointPosition(5, 6)
eq(said("main"), "", "nothing shown before the start")
eq(raceTasks(), "", "no race tasks before the start")
StartLevel()
eq(raceTasks(), "100 400 500", "opponents, physics, race update")
ShowCheckPoint()
ShowCheckPoint()
eq(said("main"), "say_show;say_show", "the checkpoint shown twice")

-- Stopping twice, starting again, deleting a running level.
StopLevel()
StopLevel()
HOST.frame(1 / 60)
eq(raceTasks(), "", "a stopped level runs nothing")
run({ { "IsRaceStarted", {}, { false } }, { "GetPlayerSplineAngle", {}, {} } })
StartLevel()
ShowCheckPoint()
HOST.frame(1 / 60)
StartLevel()
DeleteLevel()
HOST.frame(1 / 60)
eq(raceTasks(), "", "a deleted level runs nothing")
eq(HOST.player(), nil, "no level")
DeleteLevel()

-- A level whose file is missing is made empty and has no player.
InitLevel("nowhere", false)
eq(HOST.player(), nil, "no player without a level file")
StartLevel()
HOST.frame(1 / 60)
StopLevel()
DeleteLevel()
