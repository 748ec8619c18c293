-- A first race: two laps of the fixture level's ring road against three
-- computer-driven opponents, told as a player would see it. Run it with
--
--   build-release/make_fixture_level race-data
--   build-release/veltrix-host --data race-data examples/first_race.lua
--
-- The engine tells the race display what happens by sending commands to the
-- script object "game_interface", the end of the race to "jeep" and the end
-- of the level's time limit to the objects of category "main";
-- HOST.commands hands them to this script.

-- A lap's time in seconds: UpdateRoundsTime lists minutes, seconds,
-- hundredths and whether the lap has begun (the lap in progress too) for
-- each of the first ten laps.
local function lapTime(lap)
  local _, times = UpdateRoundsTime()
  local i = 4 * (lap - 1)
  return times[i + 1] * 60 + times[i + 2] + times[i + 3] / 100
end

local function clock(seconds)
  return string.format("%d:%05.2f", math.floor(seconds / 60), seconds % 60)
end

-- 1. The level: the player's vehicle, two laps, then load and start it.
SetPlayerName("buggy")
SetNumRounds(2)
InitLevel("level1", false)
local car = HOST.player()
if not car or GetPlayerMass() <= 0 then
  -- Nothing to drive: the game root lacks the level or the player's car.
  -- Without the car, "wrong.rdf" may stand in for it: a vehicle without a
  -- body (no mass) that never moves.
  DeleteLevel()
  io.stderr:write("No level to race: the game root holds no level \"level1\" with the car \"buggy\".\n",
    "Write the fixture level into a folder, then pass that folder with --data:\n",
    "  build-release/make_fixture_level race-data\n",
    "  build-release/veltrix-host --data race-data examples/first_race.lua\n")
  os.exit(1)
end
StartLevel()
SetUpdateTime(true)   -- the lap clock runs
SetLevelStarted(true) -- the race is open: the gate countdown runs
SetLevelTime(300)     -- the level's time limit in seconds (times the game data's time factor)
local opponents = HOST.vehicles()
print(string.format("Level1: %d laps against %d opponents. Go!", GetRoundsNumber(), #opponents))

-- 2. The steering rule: the ring's middle runs 120 units round (0, 0),
-- anticlockwise; aim a little ahead on a line just inside it.
local function wrap(a)
  while a > math.pi do a = a - 2 * math.pi end
  while a < -math.pi do a = a + 2 * math.pi end
  return a
end
local function steering(x, y, heading)
  local ahead = math.atan2(y, x) + 0.1
  local aim = math.atan2(116 * math.sin(ahead) - y, 116 * math.cos(ahead) - x)
  return math.max(-1, math.min(1, -2 * wrap(aim - heading)))
end

-- 3. Places: how far round each car has gone; a new place is told once it
-- has held for half a second.
local travelled = {}
local function progress(vehicle)
  local x, y = GetPosition(vehicle)
  local angle = math.atan2(y, x)
  local was = travelled[vehicle]
  travelled[vehicle] = was and was + wrap(angle - was) or angle
  return travelled[vehicle]
end
local place, told, held = 1, 1, 0

-- 4. Drive at 60 frames a second until the race is over.
local x, y = GetPosition(car)
local heading = math.pi / 2
local lap, final, over = 1, nil, false
for frame = 1, 60 * 180 do
  local nx, ny = GetPosition(car)
  if (nx - x) ^ 2 + (ny - y) ^ 2 > 1e-8 then heading = math.atan2(ny - y, nx - x) end
  x, y = nx, ny
  HOST.set_controls(car, 1, steering(x, y, heading))
  HOST.frame(1 / 60)

  local mine, now = progress(car), 1
  for _, opponent in ipairs(opponents) do
    if progress(opponent) > mine then now = now + 1 end
  end
  held = now == place and held + 1 or 0
  place = now
  if place ~= told and held == 30 then
    print(string.format("You are %s of %d", ({ "first", "second", "third", "fourth" })[place], #opponents + 1))
    told = place
  end

  for _, command in ipairs(HOST.commands("game_interface")) do
    local name, text = command[1], command[2]
    if name == "checkpoint" and text == "checkpoint!" then
      print("Checkpoint")
    elseif name == "checkpoint" and text == "timeout!" then
      print("Too late at the checkpoint")
    elseif name == "place" then
      final = text -- "1st", "2nd" or "3rd"; the race ends next
    elseif name == "show_message" and (text == "krug_proiden!" or text == "posledniy_krug!") then
      print(string.format("Lap %d in %s%s", lap, clock(lapTime(lap)), text == "posledniy_krug!" and ", last lap!" or ""))
      lap = lap + 1
    elseif name == "show_message" and text == "finish!" then
      local total = 0
      for i = 1, lap do total = total + lapTime(i) end
      print(string.format("Lap %d in %s", lap, clock(lapTime(lap))))
      print(string.format("Finish in %s place, race time %s", final or "no", clock(total)))
    elseif name == "show_message" and text == "lost!" then
      print("Race lost" .. (final and " in " .. final .. " place" or ""))
    end
  end
  for _, command in ipairs(HOST.commands("jeep")) do
    over = over or command[1] == "game_over"
  end
  -- The level's time limit ran out: the engine lets the race go on, but the
  -- level is failed, so the script ends it.
  for _, command in ipairs(HOST.commands("main")) do
    if command[1] == "level_failed" then
      print("Out of time: the level is failed")
      over = true
    end
  end
  if over then break end
end

StopLevel()
DeleteLevel()
if not over then error("the race did not end in three minutes") end
