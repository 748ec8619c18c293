-- Object handles as text and back, through a command's parameters too, and
-- handles that name nothing live.

local function eq(actual, expected, what)
  if actual ~= expected then
    error(string.format("%s: expected %s, got %s", what, tostring(expected), tostring(actual)), 2)
  end
end

eq(PointerToString(StringToPointer("1234")), "1234", "round trip of a number")
eq(PointerToString(StringToPointer("abc")), "0", "no digits")
eq(PointerToString(StringToPointer("  -42xyz")), "-42", "atoi rules")
eq(PointerToString(nil), "0", "nil")
eq(PointerToString(12), "0", "a number is no handle")
eq(type(StringToPointer("0")), "userdata", "a zero handle is userdata")
assert(StringToPointer("0"), "a zero handle is true")
eq(StringToPointer(77), StringToPointer("77"), "a number as checked text")
assert(not pcall(StringToPointer), "checked text")

-- A real object's handle: all 64 bits survive the text form, both ways.
local main = HOST.script("main")
local text = PointerToString(main)
assert(string.match(text, "^%d+$"), text)
eq(StringToPointer(text), main, "handle from its text")
SendCommandByName("gamemenu", "add_object", text .. ",second")
local menu = HOST.script("gamemenu")
eq(SetNextCommand(menu), true, "command delivered")
local param = GetCurrentParams(menu)
eq(param, text, "handle text as a parameter")
SendCommandByName(PointerToString(StringToPointer(param)) == text and "main" or "nobody", "echo", "")
eq(SetNextCommand(StringToPointer(param)), true, "handle from a parameter works")
eq(GetCurrentCommand(main), "echo", "command reached the object")
eq(SetNextCommand(main), false, "queue drained")

-- Handles that name no live object, or no script object, read as null.
local gone = HOST.new_object("gone")
local goneText = PointerToString(gone)
assert(HOST.delete_object(gone), "deleted")
HOST.new_object("after") -- a new object never takes the old one's handle
for _, forged in ipairs({ StringToPointer("123456789"), StringToPointer("0"), StringToPointer("-8"),
                           StringToPointer(text .. "0000000"), gone, StringToPointer(goneText) }) do
  eq(SetNextCommand(forged), false, "forged handle")
  eq(select("#", GetCurrentCommand(forged)), 0, "forged handle has no command")
  eq(select("#", GetCurrentParams(forged)), 0, "forged handle has no params")
  AddRef(forged)
  Release(forged)
  StopScript(forged)
end
eq(SetNextCommand(nil), false, "nil handle")
eq(SetNextCommand("main"), false, "a string is no handle")
