-- A whole race on the fixture level, driven from this script: the level is
-- made and started, the player's car follows the ring road under the
-- script's throttle and steering at 60 frames a second while the host
-- drives the opponents, and the race reports its laps, places and end
-- through commands. Run twice from the same start, the race must pass
-- through the same states frame by frame.
-- game root: fixture level

local function eq(actual, expected, what)
  if actual ~= expected then
    error(string.format("%s: expected %s, got %s", what, tostring(expected), tostring(actual)), 2)
  end
end

local kFrames = 6000
local kRadius = 60
local kCruise = 9

local function wrap(a)
  while a > math.pi do a = a - 2 * math.pi end
  while a < -math.pi do a = a + 2 * math.pi end
  return a
end

-- One race from a fresh start; returns the state hash of every frame and
-- the commands as "frame object command,params" lines.
local function race()
  HOST.seed(1)
  HOST.set_time_ms(1000)
  ClearGameData()
  SetPlayerName("buggy")
  SetNumRounds(2)
  InitLevel("level1", false)
  ClearLevelTimers()
  eq(IsRaceStarted(), false, "not started before StartLevel")
  -- The fixture's centre path runs the way the cars drive.
  SetReversed(true)
  StartLevel()
  SetUpdateTime(true)
  SetLevelStarted(true)
  SetLevelTime(300)
  SetPlaceToFinish(2)
  local car = HOST.player()
  assert(car, "the level has a player")

  local hashes, log = {}, {}
  local function collect(frame)
    for _, name in ipairs({ "gamemenu", "game_interface", "jeep", "main" }) do
      for _, c in ipairs(HOST.commands(name)) do
        log[#log + 1] = string.format("%d %s %s", frame, name, table.concat(c, ","))
      end
    end
  end
  collect(0)

  local px, py = GetPosition(car)
  local heading = math.pi / 2
  for frame = 1, kFrames do
    -- Aim at the road's middle a little ahead; coast above cruising speed.
    local x, y = GetPosition(car)
    local speed = math.sqrt((x - px) ^ 2 + (y - py) ^ 2) * 60
    if speed > 1e-4 then heading = math.atan2(y - py, x - px) end
    px, py = x, y
    local ahead = math.atan2(y, x) + 0.2
    local err = wrap(math.atan2(kRadius * math.sin(ahead) - y, kRadius * math.cos(ahead) - x) - heading)
    HOST.set_controls(car, speed < kCruise and 1 or 0, math.max(-1, math.min(1, -2 * err)))
    HOST.frame(1 / 60)
    hashes[frame] = HOST.state_hash()
    collect(frame)
  end

  eq(IsRaceStarted(), true, "started")
  eq(IsDamageMsg(), true, "the race is over for the player")
  eq(GetCurrentRound(), 3, "the player's laps")
  StopLevel()
  eq(IsRaceStarted(), false, "stopped")
  DeleteLevel()
  eq(HOST.player(), nil, "no level left")
  return hashes, log
end

local hashes, log = race()

-- The race starts, the player's first lap of two is reported, and the race
-- ends for the player once the three opponents have taken the places.
local text = "\n" .. table.concat(log, "\n") .. "\n"
for _, want in ipairs({
  "\n0 gamemenu set_money,0.00\n0 gamemenu init_game_interface\n",
  " game_interface show_message,lost!\n", " jeep game_over\n",
  " game_interface show_message,posledniy_krug!\n",
}) do
  assert(text:find(want, 1, true), "missing command " .. want .. " in" .. text)
end

-- The same race again passes through the same states, frame by frame.
local again, againLog = race()
for frame = 1, kFrames do
  eq(again[frame], hashes[frame], "state at frame " .. frame)
end
eq(table.concat(againLog, "\n"), table.concat(log, "\n"), "commands of the second race")
