-- Commands sent by name, by category and read back through a script
-- object's queue: first in, first out, with their parameters.

local function eq(actual, expected, what)
  if actual ~= expected then
    error(string.format("%s: expected %s, got %s", what, tostring(expected), tostring(actual)), 2)
  end
end

local function drain(so)
  local seen = {}
  while SetNextCommand(so) do
    local entry = { GetCurrentCommand(so), GetCurrentParams(so) }
    seen[#seen + 1] = table.concat(entry, "|")
  end
  return table.concat(seen, " ")
end

local main = HOST.script("main")
local menu = HOST.script("gamemenu")
local display = HOST.script("game_interface")
local jeep = HOST.script("jeep")

-- An empty queue: false, and nothing is current.
eq(SetNextCommand(main), false, "empty queue")
eq(select("#", GetCurrentCommand(main)), 0, "no current command")
eq(select("#", GetCurrentParams(main)), 0, "no current params")

-- First in, first out; the fourth step finds nothing and leaves nothing current.
SendCommandByName("main", "a", "")
SendCommandByName("main", "b", "1")
SendCommandByName("main", "c", "x, \"y,z\" ,,w,")
eq(SetNextCommand(main), true, "first")
eq(GetCurrentCommand(main), "a", "first name")
eq(select("#", GetCurrentParams(main)), 0, "empty parameter text")
eq(SetNextCommand(main), true, "second")
eq(GetCurrentCommand(main), "b", "second name")
eq(SetNextCommand(main), true, "third")
eq(GetCurrentCommand(main), "c", "third name")
eq(table.concat({ GetCurrentParams(main) }, "|"), "x|y,z||w", "third params")
eq(SetNextCommand(main), false, "fourth")
eq(select("#", GetCurrentCommand(main)), 0, "nothing current after the last")

-- A command that arrives while one is current waits its turn.
SendCommandByName("main", "first", "")
eq(SetNextCommand(main), true, "first of two")
SendCommandByName("main", "second", "")
eq(GetCurrentCommand(main), "first", "current stays")
eq(drain(main), "second", "the later one")

-- Checked texts take numbers as their text.
SendCommandByName("main", 5, 2.5)
eq(drain(main), "5|2.5", "numbers as text")

-- Categories reach every member; unknown names and categories reach nobody.
SendCommandByCategory("interface", "mouse_move", "0.50,0.25")
SendCommandByCategory("level", "enemy_death", "src1")
SendCommandByCategory("nobody", "x", "")
SendCommandByName("nobody", "x", "")
eq(drain(menu), "mouse_move|0.50|0.25", "gamemenu is in interface")
eq(drain(display), "mouse_move|0.50|0.25", "game_interface is in interface")
eq(drain(jeep), "enemy_death|src1", "jeep is in level")
eq(drain(main), "", "main is in neither")
SendCommandByCategory("main", "level_failed", "")
eq(drain(main) .. "/" .. drain(menu), "level_failed/level_failed", "category main")

-- A script object made by the host on first use, in its own categories.
local extra = HOST.script("extra", { "interface", "radio" })
eq(HOST.script("extra"), extra, "same object on the second call")
SendCommandByCategory("radio", "hello", "")
eq(drain(extra), "hello", "new category")

-- Missing or wrong checked texts raise Lua's argument error.
for _, call in ipairs({
  function() SendCommandByName(nil, "x", "") end,
  function() SendCommandByName("main", {}, "") end,
  function() SendCommandByCategory("main", "x") end,
}) do
  local ok, message = pcall(call)
  eq(ok, false, "checked text")
  assert(string.find(message, "bad argument", 1, true), message)
end
eq(drain(main), "", "nothing sent by a failed call")

-- A killed task is dropped by the next frame and takes no more commands;
-- StopScript does the same for one script object.
StopScript(jeep)
SendCommandByName("jeep", "still_running", "")
eq(drain(jeep), "still_running", "stopped but not yet dropped")
HOST.frame(0.02)
SendCommandByName("jeep", "late", "")
eq(drain(jeep), "", "dropped after the frame")
SendCommandByName("main", "before", "")
KillAllTasks()
HOST.frame(0.02)
SendCommandByName("main", "after", "")
eq(drain(main), "before", "queue kept, new commands dropped")
