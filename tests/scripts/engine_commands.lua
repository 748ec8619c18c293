-- Every command the engine sends in two races on the fixture level must be
-- listed in the section "Commands the engine sends" of docs/scripting.md.
-- The first race has a drift at the start, a money change, three laps and a
-- finish; in the second the level's time limit runs out and the player stops
-- after the first gate until the gate countdown runs out. The commands of
-- every script object the host made are collected (between them they make up
-- every category the engine sends to), and the scripted events' commands must
-- all have arrived. The document's path comes as the script's argument or in
-- VELTRIX_SCRIPTING_DOC.
-- game root: fixture level

local kObjects = { "gamemenu", "game_interface", "jeep", "main" }
-- Commands whose first parameter names the event: the section must list it.
local kNamedEvents = { show_message = true, checkpoint = true, place = true }
-- The player's line round the ring road and how far ahead on it the car aims.
local kLine, kLookAhead = 116, 12
local kDriftFrames, kWaitFrames = 60, 30
local kMoney = 1234.5

-- The section's commands, each with the parameter cells of its rows.
local function documentedCommands(path)
  local file = assert(io.open(path, "r"), "cannot read " .. path)
  local text = file:read("*a")
  file:close()
  local section = (text .. "\n## "):match("\n## Commands the engine sends\n(.-)\n## ")
  assert(section, path .. " has no section \"Commands the engine sends\"")
  local commands = {}
  for line in section:gmatch("[^\n]+") do
    local first, params = line:match("^|([^|]*)|[^|]*|([^|]*)|")
    if first then
      for name in first:gmatch('"([^"]+)"') do
        commands[name] = (commands[name] or "") .. params
      end
    end
  end
  assert(next(commands), "the section lists no command")
  return commands
end

local function wrap(a)
  while a > math.pi do a = a - 2 * math.pi end
  while a < -math.pi do a = a + 2 * math.pi end
  return a
end

local received = {}
local function collect()
  for _, name in ipairs(kObjects) do
    for _, command in ipairs(HOST.commands(name)) do
      received[#received + 1] = { object = name, command = command[1], first = command[2],
                                  text = name .. " " .. table.concat(command, ",") }
    end
  end
end

-- A fresh race of the given laps on the fixture level.
local function startRace(laps)
  HOST.seed(1)
  HOST.set_time_ms(1000)
  ClearGameData()
  SetPlayerName("buggy")
  SetNumRounds(laps)
  InitLevel("level1", false)
  ClearLevelTimers()
  StartLevel()
  SetUpdateTime(true)
  SetLevelStarted(true)
  SetPlaceToFinish(2)
  return HOST.player()
end

-- Drives the player's car round the inside of the ring for one frame; the
-- throttle is given, the steering follows the line.
local function drive(car, state, throttle)
  local x, y = GetPosition(car)
  if (x - state.x) ^ 2 + (y - state.y) ^ 2 > 1e-8 then state.heading = math.atan2(y - state.y, x - state.x) end
  state.x, state.y = x, y
  local ahead = math.atan2(y, x) + kLookAhead / kLine
  local err = wrap(math.atan2(kLine * math.sin(ahead) - y, kLine * math.cos(ahead) - x) - state.heading)
  HOST.set_controls(car, throttle, math.max(-1, math.min(1, -2 * err)))
  HOST.frame(1 / 60)
  collect()
end

-- Frames run until a command arrives that the test says ends the wait.
local function runUntil(limit, step, done)
  local from = #received + 1
  for _ = 1, limit do
    step()
    for i = from, #received do
      if done(received[i]) then return true end
    end
    from = #received + 1
  end
  return false
end

local function isEvent(entry, object, command, first)
  return entry.object == object and entry.command == command and (first == nil or entry.first == first)
end

collect()

-- 1. A drift standing at the start (brake held, wheels turned), a money
-- change, then three laps to the finish.
local car = startRace(3)
local state = { heading = math.pi / 2 }
state.x, state.y = GetPosition(car)
local function stand(frames, steering)
  for _ = 1, frames do
    HOST.set_controls(car, 0, steering)
    HOST.frame(1 / 60)
    collect()
  end
end
SetBrake(car, true)
stand(kDriftFrames, 1)
SetBrake(car, false)
stand(kWaitFrames, 0)
SetMoney(kMoney)
assert(runUntil(60 * 300, function() drive(car, state, 1) end,
              function(e) return isEvent(e, "jeep", "game_over") end),
       "the first race did not end")
StopLevel()
DeleteLevel()

-- 2. The level's time limit runs out on the way to the first gate; there the
-- player stops, and the gate countdown runs out.
car = startRace(3)
SetLevelTime(1)
state = { heading = math.pi / 2 }
state.x, state.y = GetPosition(car)
assert(runUntil(60 * 120, function() drive(car, state, 1) end,
              function(e) return isEvent(e, "game_interface", "checkpoint", "checkpoint!") end),
       "the second race reached no gate")
SetBrake(car, true)
assert(runUntil(60 * 300, function() drive(car, state, 0) end,
              function(e) return isEvent(e, "game_interface", "checkpoint", "timeout!") end),
       "the gate countdown did not run out")
StopLevel()
DeleteLevel()

-- Every command received is in the section; so is the event a command names.
local documented = documentedCommands((...) or os.getenv("VELTRIX_SCRIPTING_DOC")
                                      or error("give the path of docs/scripting.md"))
local missing, seen = {}, {}
for _, entry in ipairs(received) do
  local params = documented[entry.command]
  local key
  if not params then
    key = entry.command
  elseif kNamedEvents[entry.command] and not params:find('"' .. tostring(entry.first) .. '"', 1, true) then
    key = entry.command .. " " .. tostring(entry.first)
  end
  if key and not seen[key] then
    seen[key] = true
    missing[#missing + 1] = entry.text
  end
end
if #missing > 0 then
  error("commands the section \"Commands the engine sends\" lacks:\n  " .. table.concat(missing, "\n  "))
end

-- The scripted events' commands all arrived.
local expected = {
  { "game_interface", "bonus_points2", "time" },
  { "gamemenu", "change_money", string.format("%.2f", kMoney) },
  { "game_interface", "show_message", "krug_proiden!" },
  { "game_interface", "show_message", "posledniy_krug!" },
  { "game_interface", "place" },
  { "game_interface", "show_message", "finish!" },
  { "main", "level_failed" },
  { "gamemenu", "level_failed" },
  { "game_interface", "checkpoint", "checkpoint!" },
  { "game_interface", "checkpoint", "timeout!" },
  { "game_interface", "show_message", "lost!" },
  { "jeep", "game_over" },
}
for _, want in ipairs(expected) do
  local found = false
  for _, entry in ipairs(received) do
    found = found or isEvent(entry, want[1], want[2], want[3])
  end
  assert(found, "no " .. table.concat(want, " ") .. " among the " .. #received .. " commands received")
end
