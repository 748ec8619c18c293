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
