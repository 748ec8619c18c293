-- The options screen and the media functions through the host program, on a
-- game root without sounds, music or videos: each row is a call and the
-- results it must give.

local function eq(actual, expected, what)
  if actual ~= expected then
    error(string.format("%s: expected %s, got %s", what, tostring(expected), tostring(actual)), 2)
  end
end

local function pack(...)
  return { n = select("#", ...), ... }
end

HOST.write_file("Keys.cfg", "fire;Fire;Space;false\njump;Jump;Enter;false\nleft;Left;A;false\n" ..
                            "pad;Pad;7;true\nright;Right;D;false\n")

local rows = {
  { "SetSoundVolume", { 0.25 }, {} },
  { "GetSoundVolume", {}, { 0.25 } },
  { "SetMusicVolume", { 0.75 }, {} },
  { "GetMusicVolume", {}, { 0.75 } },
  { "SetMouse", { 2 }, {} },
  { "GetMouse", {}, { 2 } },
  { "SaveLog", { "anything" }, {} },
  -- Sounds nobody registered: nothing happens, and the 3D call says it started.
  { "PlaySpecialSound", { "none" }, {} },
  { "StopSpecialSound", { "none" }, {} },
  { "PlaySpecialSound3D", { "none", 1, 2, 3, true, true }, { true } },
  { "IsSpecialSoundPlaying", { "none" }, { false } },
  { "UpdateSoundPosition", { "none", 1, 2, 3 }, {} },
  { "StopSounds", {}, {} },
  -- Music that is not there keeps its name; stopping is always allowed.
  { "PlayMusic", { "missing.ogg" }, {} },
  { "GetMusicName", {}, { "missing.ogg" } },
  { "PlayMusicNoLoop", { "other.ogg" }, {} },
  { "GetMusicName", {}, { "other.ogg" } },
  { "StopMusic", {}, {} },
  { "StopPlayingMusic", {}, {} },
  -- A video that is not there; stopping players that do not run.
  { "StopVideo", {}, {} },
  { "StopVideo1", {}, {} },
  { "PlayVideo", { "missing.avi", true }, {} },
  { "PlayVideoNoSound", { "missing.avi" }, {} },
  { "PlayVideo1", { "missing.avi" }, {} },
  { "LoadActions", { "Keys.cfg" }, {} },
  { "SetAssignKey", {}, {} },
}
for _, row in ipairs(rows) do
  local name, args, want = row[1], row[2], row[3]
  local got = pack(_G[name](unpack(args)))
  eq(got.n, #want, name .. " result count")
  for i = 1, #want do
    eq(got[i], want[i], name .. " result " .. i)
  end
end

-- Checked names refuse a table.
for _, name in ipairs({ "StopSpecialSound", "PlaySpecialSound", "PlaySpecialSound3D", "IsSpecialSoundPlaying",
                        "PlayVideo1" }) do
  eq(pcall(_G[name], {}), false, name .. " checks its name")
end

-- The bindings in file order, rebound by label, saved and read back.
local n, keys, labels = GetActionNames()
eq(n, 5, "bindings")
eq(table.concat(keys, ","), "Space,Enter,A,7,D", "keys")
eq(table.concat(labels, ","), "Fire,Jump,Left,Pad,Right", "labels")
SetAction("Jump", "Space", true)
n, keys = GetActionNames()
eq(table.concat(keys, ","), "undefined key,Space,A,7,D", "rebound")
eq(HOST.read_file("Actions.cfg"), nil, "not saved yet")
SaveActions()
assert(HOST.read_file("Actions.cfg"):find("jump;Jump;Space;false", 1, true), "saved")
UpdateActions()
n, keys = GetActionNames()
eq(table.concat(keys, ","), "undefined key,Space,A,7,D", "reloaded")

-- The failed videos stop their tasks at the next frame.
HOST.frame(0.05)
