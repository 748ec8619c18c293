-- A whole race on the fixture level, driven from this script: the level is
-- made and started, the player's car holds back at the start while the
-- opponents pass it, then follows the inside of the ring road under the
-- script's throttle and steering at 60 frames a second and wins places back
-- on the shorter line, while the host drives the opponents; the race reports
-- its gates, laps, places and end through commands. The opponents settle
-- onto the road and race without ever being put back on the path, each on
-- its own line; neither is the player, waiting or driving, and its direction
-- arrows go out once a fixed step. Run twice from the same start, the race
-- must pass through the same states frame by frame.
-- game root: fixture level

local function eq(actual, expected, what)
  if actual ~= expected then
    error(string.format("%s: expected %s, got %s", what, tostring(expected), tostring(actual)), 2)
  end
end

local kFrames = 6060
local kRadius = 120
-- The player's line, inside the road's middle, and how far ahead on it the
-- car aims.
local kLine = kRadius - 4
local kLookAhead = 12
-- Frames the player waits at the start before going full throttle.
local kHoldBack = 180
-- A car put back on the path lands there from 3 units up: a jump no car
-- makes by driving in one frame.
local kJump = 1
-- Closer than this, two cars would share one pose.
local kApart = 1

local function wrap(a)
  while a > math.pi do a = a - 2 * math.pi end
  while a < -math.pi do a = a + 2 * math.pi end
  return a
end

-- How far round the ring a car is, in radians, counting whole laps from
-- where it was last seen.
local function around(was, x, y)
  local a = math.atan2(y, x)
  return was and was + wrap(a - was) or a
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
  StartLevel()
  SetUpdateTime(true)
  SetLevelStarted(true)
  SetLevelTime(300)
  SetPlaceToFinish(2)
  local car = HOST.player()
  assert(car, "the level has a player")
  local opponents = HOST.vehicles()
  eq(#opponents, 3, "opponents")

  -- The ring is longer than an opponent's lap slack of 50 lines, so an
  -- opponent counts a lap only after going round.
  local x1, y1 = GetSplineLinePoint(1)
  local lines = 1
  while lines < 1000 do
    local x, y = GetSplineLinePoint(1 + lines)
    if x == x1 and y == y1 then break end
    lines = lines + 1
  end
  assert(lines >= 50 and lines < 1000, "lines a lap: " .. lines)

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
  local playerRound = around(nil, px, py)
  local seen, rounds, starts = {}, {}, {}
  local passed = 0
  for frame = 1, kFrames do
    -- Aim at the player's line a little ahead; full throttle once the wait
    -- is over.
    local x, y, z = GetPosition(car)
    local speed = math.sqrt((x - px) ^ 2 + (y - py) ^ 2) * 60
    if speed > 1e-4 then heading = math.atan2(y - py, x - px) end
    px, py = x, y
    local ahead = math.atan2(y, x) + kLookAhead / kLine
    local err = wrap(math.atan2(kLine * math.sin(ahead) - y, kLine * math.cos(ahead) - x) - heading)
    HOST.set_controls(car, frame > kHoldBack and 1 or 0, math.max(-1, math.min(1, -2 * err)))
    HOST.frame(1 / 60)
    hashes[frame] = HOST.state_hash()
    collect(frame)

    -- The player is never put back: not while it waits at the start.
    local nx, ny, nz = GetPosition(car)
    assert((nx - x) ^ 2 + (ny - y) ^ 2 < kJump ^ 2 and nz - z < kJump,
           string.format("the player put back on the path at frame %d", frame))
    x, y = nx, ny
    playerRound = around(playerRound, x, y)
    local leading = 0
    for i, opponent in ipairs(opponents) do
      local ox, oy, oz = GetPosition(opponent)
      local last = seen[i]
      if last then
        local moved = (ox - last[1]) ^ 2 + (oy - last[2]) ^ 2
        assert(moved < kJump ^ 2 and oz - last[3] < kJump,
               string.format("opponent %d put back on the path at frame %d", i, frame))
      end
      for j = 1, i - 1 do
        assert((ox - seen[j][1]) ^ 2 + (oy - seen[j][2]) ^ 2 > kApart ^ 2,
               string.format("opponents %d and %d share a pose at frame %d", j, i, frame))
      end
      seen[i] = { ox, oy, oz }
      rounds[i] = around(rounds[i], ox, oy)
      starts[i] = starts[i] or rounds[i]
      if rounds[i] > playerRound then leading = leading + 1 end
    end
    passed = math.max(passed, leading)
  end

  eq(IsRaceStarted(), true, "started")
  eq(IsDamageMsg(), true, "the race is over for the player")
  eq(GetCurrentRound(), 3, "the player's laps")
  eq(passed, 3, "opponents that passed the waiting player")
  for i = 1, #opponents do
    assert(rounds[i] - starts[i] > 4 * math.pi, "opponent " .. i .. " went round twice")
  end
  StopLevel()
  eq(IsRaceStarted(), false, "stopped")
  DeleteLevel()
  eq(HOST.player(), nil, "no level left")
  eq(#HOST.vehicles(), 0, "no opponents left")
  return hashes, log
end

local hashes, log = race()

-- The race starts, the player passes the gates with time to spare, its first
-- lap of two is reported, and it finishes with a place among the opponents.
local text = "\n" .. table.concat(log, "\n") .. "\n"
for _, want in ipairs({
  "\n0 gamemenu set_money,0.00\n0 gamemenu init_game_interface\n",
  " game_interface checkpoint,checkpoint!,0\n", " game_interface checkpoint,checkpoint!,1\n",
  " game_interface show_message,posledniy_krug!\n", " game_interface place,",
  " game_interface show_message,finish!\n", " jeep game_over\n",
}) do
  assert(text:find(want, 1, true), "missing command " .. want .. " in" .. text)
end
assert(not text:find("timeout!", 1, true), "no gate ran out of time in" .. text)

-- One fixed step of the player's a frame at 60 frames a second, each with
-- its arrows.
local arrows = 0
for _, line in ipairs(log) do
  local frame = line:match("^(%d+) game_interface update_arrows,")
  if frame then
    arrows = arrows + 1
    eq(tonumber(frame), arrows, "the frame of arrows " .. arrows)
  end
end
eq(arrows, kFrames, "arrows")

-- The same race again passes through the same states, frame by frame.
local again, againLog = race()
for frame = 1, kFrames do
  eq(again[frame], hashes[frame], "state at frame " .. frame)
end
eq(table.concat(againLog, "\n"), table.concat(log, "\n"), "commands of the second race")
