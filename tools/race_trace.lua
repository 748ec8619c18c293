-- Prints one whole race on the fixture level as text: the state hash of every
-- frame and every command the race sent, as "frame object command,params".
-- Two builds that print the same text ran the same race.
-- Usage: veltrix-host --data FIXTURE race_trace.lua [FRAMES]
local frames = tonumber((...)) or 6060
local kLine, kLookAhead, kHoldBack = 116, 12, 180

local function wrap(a)
  while a > math.pi do a = a - 2 * math.pi end
  while a < -math.pi do a = a + 2 * math.pi end
  return a
end

HOST.seed(1)
HOST.set_time_ms(1000)
ClearGameData()
SetPlayerName("buggy")
SetNumRounds(2)
InitLevel("level1", false)
ClearLevelTimers()
StartLevel()
SetUpdateTime(true)
SetLevelStarted(true)
SetLevelTime(300)
SetPlaceToFinish(2)
local car = HOST.player()

local function collect(frame)
  for _, name in ipairs({ "gamemenu", "game_interface", "jeep", "main" }) do
    for _, c in ipairs(HOST.commands(name)) do
      print(string.format("%d %s %s", frame, name, table.concat(c, ",")))
    end
  end
end
collect(0)
local px, py = GetPosition(car)
local heading = math.pi / 2
for frame = 1, frames do
  local x, y = GetPosition(car)
  local speed = math.sqrt((x - px) ^ 2 + (y - py) ^ 2) * 60
  if speed > 1e-4 then heading = math.atan2(y - py, x - px) end
  px, py = x, y
  local ahead = math.atan2(y, x) + kLookAhead / kLine
  local err = wrap(math.atan2(kLine * math.sin(ahead) - y, kLine * math.cos(ahead) - x) - heading)
  HOST.set_controls(car, frame > kHoldBack and 1 or 0, math.max(-1, math.min(1, -2 * err)))
  HOST.frame(1 / 60)
  print(string.format("%d hash %s", frame, tostring(HOST.state_hash())))
  collect(frame)
end
StopLevel()
DeleteLevel()
