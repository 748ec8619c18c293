-- Game objects through their handles: placement, the calling conventions on
-- numbers and booleans, lookups in the hierarchy, copies, commands to an
-- object's handler, activation and stale handles.

local function eq(actual, expected, what)
  if actual ~= expected then
    error(string.format("%s: expected %s, got %s", what, tostring(expected), tostring(actual)), 2)
  end
end

local function near(actual, expected, what)
  if math.abs(actual - expected) > 1e-5 then
    error(string.format("%s: expected %.6f, got %.6f", what, expected, actual), 2)
  end
end

local function drain(so)
  local seen = {}
  while SetNextCommand(so) do
    seen[#seen + 1] = table.concat({ GetCurrentCommand(so), GetCurrentParams(so) }, "|")
  end
  return table.concat(seen, " ")
end

local jeep = HOST.script("jeep")
local root = HOST.new_object("root", nil, jeep)
local body = HOST.new_object("body", root)
local wheel = HOST.new_object("wheel", body)
local spare = HOST.new_object("wheel", root)
local alsoRoot = HOST.new_object("root", wheel)

-- Floats are narrowed to 32 bits; numeric strings count, other values are 0.
SetPosition(root, 1.1, "2.5", "x")
local x, y, z = GetPosition(root)
eq(x, 1.100000023841858, "x narrowed to a float")
eq(y, 2.5, "numeric string")
eq(z, 0, "text that is no number")
eq(select("#", GetPosition(nil)), 0, "no result for nil")
eq(select("#", GetPosition(jeep)), 0, "no result for an object of another class")

-- The parent transform moves the world position, not the own position.
SetPTransformation(wheel, 1, 2, 3, 0, 0, 0)
x, y, z = GetPosition(wheel)
eq(x + y + z, 0, "own position unchanged")
local cx, cy, cz = GetBBoxInfo(wheel)
near(cx, 1, "world x")
near(cy, 2, "world y")
near(cz, 3, "world z")
eq(select("#", GetBBoxInfo(wheel)), 9, "centre, minimum, maximum")
eq(select("#", GetBBoxInfo(nil)), 0, "no bounds for nil")

-- FindObject looks below the object only, the nearer name first; a handle of
-- value 0 stands for "not found".
eq(FindObject(root, "wheel"), spare, "direct child first")
eq(FindObject(root, "body"), body, "child")
eq(FindObject(body, "root"), alsoRoot, "grandchild")
eq(PointerToString(FindObject(body, "body")), "0", "own name is not compared")
eq(PointerToString(FindObject(nil, "wheel")), "0", "nil object")
assert(FindObject(root, "none"), "a handle of value 0 is true")
assert(not pcall(FindObject, root, nil), "name is checked text")

-- GetChildObject walks the hierarchy depth first and may find the object
-- itself; a deeper match in an earlier child wins.
eq(GetChildObject(root, "root"), root, "itself")
eq(GetChildObject(root, "wheel"), wheel, "deeper match in the earlier child")
eq(PointerToString(GetChildObject(root, "Wheel")), "0", "case matters")
eq(PointerToString(GetChildObject(nil, "root")), "0", "nil object")
assert(not pcall(GetChildObject, root), "name is checked text")

eq(GetParentObject(wheel), body, "parent")
eq(PointerToString(GetParentObject(root)), "0", "no parent")
eq(PointerToString(GetParentObject(nil)), "0", "nil has no parent")

-- Commands to an object's handler; an object without one sends nothing, and
-- a nil object does not even read its texts.
SendCommandByObject(root, "hit", "1,2")
SendCommandByObject(body, "lost", "")
SendCommandByObject(nil, {}, {})
eq(drain(jeep), "hit|1|2", "to the handler")
assert(not pcall(SendCommandByObject, root, nil, ""), "texts are checked for a real object")

-- Activation: the handler joins the tasks with the order truncated toward
-- zero and hears "add_object" with the object's handle.
KillAllTasks()
HOST.frame(0.02)
eq(#HOST.tasks(), 0, "every task dropped")
ActivateObject(root, -2.7)
local tasks = HOST.tasks()
eq(#tasks, 1, "the handler runs")
eq(tasks[1][1], jeep, "the handler task")
eq(tasks[1][2], -2, "order truncated toward zero")
eq(drain(jeep), "add_object|" .. PointerToString(root), "add_object names the object")
ActivateObject(root, 5)
eq(drain(jeep), "", "a second activation does nothing")
DeactivateInterface(root)
eq(drain(jeep), "delete_object|" .. PointerToString(root), "deactivation by the main table's name")
DeactivateObject(root)
eq(drain(jeep), "", "deactivated once")

-- Clone: an independent copy without parent, named as the source.
SetPosition(body, 4, 5, 6)
local copy = Clone(body)
assert(copy ~= body, "a new object")
eq(PointerToString(GetParentObject(copy)), "0", "the copy has no parent")
x, y, z = GetPosition(copy)
eq(x .. "," .. y .. "," .. z, "4,5,6", "position copied")
local copiedWheel = FindObject(copy, "wheel")
assert(PointerToString(copiedWheel) ~= "0" and copiedWheel ~= wheel, "children copied deeply")
SetPosition(copy, 7, 8, 9)
SetPosition(copiedWheel, 1, 1, 1)
x, y, z = GetPosition(body)
eq(x .. "," .. y .. "," .. z, "4,5,6", "source unmoved")
x, y, z = GetPosition(wheel)
eq(x .. "," .. y .. "," .. z, "0,0,0", "source child unmoved")
eq(select("#", Clone(nil)), 0, "nothing to copy")

-- Booleans: 0 is true. No binding reads these flags back, so only calls
-- that must not fail are made here.
SetVisible(root, 0)
SetObjectVisible(root, nil)
SetCollision(root, false)

-- A handle whose object is gone reads as null.
local gone = HOST.new_object("gone", nil, jeep)
local goneText = PointerToString(gone)
assert(HOST.delete_object(gone), "deleted")
eq(select("#", GetPosition(gone)), 0, "stale handle")
eq(select("#", GetPosition(StringToPointer(goneText))), 0, "stale handle from text")
SetPosition(gone, 1, 2, 3)
SendCommandByObject(gone, "x", "")
ActivateObject(gone, 1)
eq(PointerToString(FindObject(gone, "x")), "0", "nothing found below a stale object")
eq(drain(jeep), "", "a stale object has no handler")
eq(HOST.delete_object(gone), false, "not twice")
