-- The system, clock, scratch-value and utility functions and the race
-- display's score queries through the host program: each row is a call and
-- the results it must give.

local function eq(actual, expected, what)
  if actual ~= expected then
    error(string.format("%s: expected %s, got %s", what, tostring(expected), tostring(actual)), 2)
  end
end

local function near(actual, expected, what)
  if type(actual) ~= "number" or math.abs(actual - expected) > 1e-6 then
    error(string.format("%s: expected %s, got %s", what, tostring(expected), tostring(actual)), 2)
  end
end

local function pack(...)
  return { n = select("#", ...), ... }
end

local function run(rows)
  for _, row in ipairs(rows) do
    local name, args, want = row[1], row[2], row[3]
    local got = pack(_G[name](unpack(args, 1, args.n or #args)))
    local count = want.n or #want
    eq(got.n, count, name .. " result count")
    for i = 1, count do
      eq(got[i], want[i], name .. " result " .. i)
    end
  end
end

-- A 3 x 2 uncompressed true-colour image, and a file that is no image.
local function image(width, height)
  local header = string.char(0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                             width % 256, math.floor(width / 256), height % 256, math.floor(height / 256), 24, 0)
  return header .. string.rep(string.char(10, 20, 30), width * height)
end
HOST.write_file("Data/Images/Sign.tga", image(3, 2))
HOST.write_file("Data/Images/Broken.tga", "not an image")
HOST.write_file("Docs/Guide.TXT", "read me")

run({
  -- The scratch value starts at 1 and keeps what SetTemp stores, as a float.
  { "GetTemp", {}, { 1 } },
  { "SetTemp", { 0 }, {} },
  { "GetTemp", {}, { 0 } },
  { "SetTemp", { "2.5" }, {} },
  { "GetTemp", {}, { 2.5 } },
  { "SetTemp", { 0.1 }, {} },
  { "GetTemp", {}, { 0.10000000149011612 } },
  -- Truncation toward zero; anything that is no number reads as 0.
  { "ToInt", { 3.7 }, { 3 } },
  { "ToInt", { -3.7 }, { -3 } },
  { "ToInt", { "12.9" }, { 12 } },
  { "ToInt", { {} }, { 0 } },
  -- CheckString hands back its last argument, a number turned into text.
  { "CheckString", { 12 }, { "12" } },
  { "CheckString", { "text" }, { "text" } },
  { "CheckString", { "a", 5 }, { 5 } },
  -- Every token, trimmed, in order; quotes group.
  { "SplitString", { "one, two ,three", "," }, { "one", "two", "three" } },
  { "SplitString", { "a::b", "::" }, { "a", "b" } },
  { "SplitString", { '"x,y",z', "," }, { "x,y", "z" } },
  { "SplitString", { "", "," }, {} },
  { "DumpObjects", {}, {} },
  -- Files: separators and letter case go through the path layer.
  { "IsFileExists", { "docs\\guide.txt" }, { true } },
  { "IsFileExists", { "DOCS/GUIDE.TXT" }, { true } },
  { "IsFileExists", { "docs\\missing.txt" }, { false } },
  { "IsFileExists", { 42 }, { false } },
  { "GetTextureSize", { "data\\images\\sign.tga" }, { 3, 2 } },
  { "GetTextureSize", { "data\\images\\broken.tga" }, { 0, 0 } },
  { "GetTextureSize", { "data\\images\\missing.tga" }, { 0, 0 } },
  -- Score queries of the race display.
  { "AddScore", { 7 }, { 7 } },
  { "AddScore", { "9" }, { "9" } },
  { "AddScore", {}, { n = 1 } },
  { "IsInTable", { 3 }, { false } },
  { "SetScoreLine", { "name", 1, 2 }, {} },
  { "GetScoreLine", { 4 }, { "", 0 } },
  { "GetScoreLine", { -1 }, { "", 0 } },
})

-- Checked texts refuse what is neither text nor a number.
for _, name in ipairs({ "CheckString", "SplitString", "IsFileExists", "GetTextureSize", "GoURL", "GoURLlink" }) do
  eq(pcall(_G[name], {}), false, name .. " checks its text")
end
eq(pcall(CheckString), false, "CheckString needs an argument")
eq(pcall(SplitString, "a,b"), false, "SplitString needs a separator")

-- Addresses go to the shell's "open" as they are; a document only when it
-- can be opened.
GoURLlink("http://example.org/a b;c")
GoURL("DOCS\\guide.txt")
GoURL("docs\\missing.txt")
local log = HOST.shell_log()
eq(#log, 2, "shell calls")
eq(table.concat(log[1], "|"), "open|http://example.org/a b;c|||SW_SHOWNORMAL", "web address")
eq(table.concat(log[2], "|"), "open|DOCS\\guide.txt|||SW_SHOWNORMAL", "document")

-- The frame time: the host writes it, the clearing functions reset it.
HOST.frame(0.05)
near(GetDeltaTime(), 0.05, "frame time")
local full = GetFullTime()
HOST.frame(0.25)
near(GetFullTime() - full, 0.25, "full time")
for _, clear in ipairs({ "ClearTimer", "ClearGlobalTimer", "StopGlobalTimer" }) do
  HOST.frame(0.05)
  _G[clear]()
  eq(GetDeltaTime(), 0, clear .. " clears the frame time")
end
HOST.frame(0.05)
SetActions(false)
eq(GetDeltaTime(), 0, "SetActions clears the frame time")
eq(GetFullTime() > full, true, "the full time is kept")

-- The global timer joins the task list once and leaves it after a stop.
local before = #HOST.tasks()
StartGlobalTimer()
eq(#HOST.tasks(), before + 1, "timer listed")
StartGlobalTimer()
eq(#HOST.tasks(), before + 1, "a running timer is not listed twice")
HOST.frame(0.05)
StopGlobalTimer()
HOST.frame(0.05)
eq(#HOST.tasks(), before, "stopped timer dropped")
StartGlobalTimer()
eq(#HOST.tasks(), before + 1, "timer started again")
StopGlobalTimer()
