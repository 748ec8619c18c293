-- The HOST table's file, clock and shell functions, and the script's
-- arguments.

local function eq(actual, expected, what)
  if actual ~= expected then
    error(string.format("%s: expected %s, got %s", what, tostring(expected), tostring(actual)), 2)
  end
end

eq(#arg, 0, "no arguments")
eq(select("#", ...), 0, "no chunk arguments")

-- Files under the game root, through the path layer: any case, either
-- separator, directories made on writing, binary bytes kept.
local bytes = "a\0b\r\n" .. string.rep("x", 5000)
eq(HOST.write_file("Data\\Saves\\Test.BIN", bytes), true, "write")
eq(HOST.read_file("data/saves/test.bin"), bytes, "read back in another case")
eq(HOST.read_file("data/saves/missing.bin"), nil, "missing file")
eq(HOST.read_file("data/saves"), nil, "a directory is no file")
eq(HOST.write_file("data/saves", "x"), false, "a directory cannot be written")
eq(HOST.read_file("..\\..\\data\\saves\\test.bin"), bytes, "never above the root")

-- Nothing has been handed to the shell.
eq(#HOST.shell_log(), 0, "no shell calls")

-- Clocks and the seed take their values without complaint; no script
-- function reads them back, so the values they set are checked from C++
-- (GameHost.ClockAndSeedFunctionsSetWhatTheEngineReads).
HOST.set_time_ms(123456)
HOST.set_local_time(2024, 2, 4, 29, 23, 59, 58, 999)
HOST.seed(7)
HOST.frame(0.05, 3)
HOST.frame(0.05, 0)
assert(not pcall(HOST.frame), "a frame needs its length")

-- A time the clocks cannot take, or a count that is no whole number of 0 or
-- more, is an argument error naming HOST.frame, and no frame runs.
local before = GetFullTime()
for _, bad in ipairs({
  { -1, nil, "#1" }, { 0 / 0, nil, "#1" }, { math.huge, nil, "#1" }, { -math.huge, 2, "#1" },
  { 1e39, nil, "#1" }, { 0.05, -1, "#2" }, { 0.05, 1.5, "#2" }, { 0.05, 0 / 0, "#2" },
  { 0.05, math.huge, "#2" },
}) do
  local ok, message = pcall(HOST.frame, bad[1], bad[2])
  eq(ok, false, "HOST.frame(" .. tostring(bad[1]) .. ", " .. tostring(bad[2]) .. ")")
  assert(message:find("bad argument " .. bad[3] .. " to 'HOST.frame'", 1, true), message)
end
eq(GetFullTime(), before, "no frame ran for a refused call")
HOST.frame(0)
eq(GetFullTime(), before, "a frame of no time moves no clock")
HOST.frame(0.5)
assert(GetFullTime() > before, "a good frame still moves the clock")

-- Every argument error of a HOST function names it as scripts call it, also
-- through pcall or a local alias, where Lua alone would say '?' or the
-- alias: the type checks, the range checks, the categories of HOST.script
-- and the refused paths of the file functions. Each call is refused before
-- it does anything.
for _, bad in ipairs({
  { "frame", { "x" }, 1, "number expected, got string" },
  { "set_time_ms", { {} }, 1, "number expected, got table" },
  { "set_local_time", { 2024, 2, 4, 29, 23, 59, 58 }, 8, "number expected, got no value" },
  { "seed", { "seven" }, 1, "number expected, got string" },
  { "script", { nil, n = 1 }, 1, "string expected, got nil" },
  { "script", { "argcheck", { "interface", 5 } }, 2, "category names must be strings" },
  { "script", { "argcheck", true }, 2, "string expected, got boolean" },
  { "new_object", { {} }, 1, "string expected, got table" },
  { "read_file", {}, 1, "string expected, got no value" },
  { "read_file", { "a\0b" }, 1, 'refused path "a\\0b": it holds a NUL byte' },
  { "write_file", { "x.txt" }, 2, "string expected, got no value" },
  { "write_file", { "a\0b", "x" }, 1, 'refused path "a\\0b": it holds a NUL byte' },
  { "mouse_move", { 1 }, 2, "number expected, got no value" },
  { "click", { "left" }, 1, "number expected, got string" },
  { "key", { nil, true, n = 2 }, 1, "string expected, got nil" },
  { "key_down", { {} }, 1, "string expected, got table" },
  { "type", { false }, 1, "string expected, got boolean" },
  { "commands", {}, 1, "string expected, got no value" },
  { "set_controls", { nil, 1, n = 2 }, 3, "number expected, got no value" },
  { "attach_enemy", { nil, n = 1 }, 2, "string expected, got no value" },
}) do
  local name, args = bad[1], bad[2]
  local ok, message = pcall(HOST[name], unpack(args, 1, args.n or #args))
  eq(ok, false, "HOST." .. name .. " refused")
  eq(message, string.format("bad argument #%d to 'HOST.%s' (%s)", bad[3], name, bad[4]), "HOST." .. name .. "'s message")
end
eq(HOST.commands("argcheck"), nil, "a refused HOST.script makes no script object")
eq(HOST.read_file("x.txt"), nil, "a refused HOST.write_file writes nothing")
local seed = HOST.seed
local ok, message = pcall(function() seed("x") end)
eq(ok, false, "through an alias")
assert(message:find("^.*host%.lua:%d+: bad argument #1 to 'HOST%.seed' %(number expected, got string%)$"), message)
