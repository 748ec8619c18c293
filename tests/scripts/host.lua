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
