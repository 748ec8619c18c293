-- A new run of the host finds the saves, loads the profile and sees it as
-- it was saved; saving it again writes the same file into the same slot.
local function eq(actual, expected, what)
  if actual ~= expected then
    error(string.format("%s: expected %s, got %s", what, tostring(expected), tostring(actual)), 2)
  end
end

HOST.set_local_time(2026, 12, 4, 10, 20, 15, 42, 123)
local count, names = GetSaves()
eq(count, 6, "slot count")
eq(table.concat(names, "|"), "Ann|Ann||||", "the saves of the last run")
eq(GetProfileName(), "", "no profile before loading")

-- A deleted slot and a name outside the folder load nothing.
LoadGame("save2.sav")
LoadGame("..\\save1.sav")
eq(GetProfileName(), "", "nothing loaded")

LoadGame("save1.sav")
eq(GetProfileName(), "Ann", "profile")
eq(GetPlayerName(), "scout", "player")
eq(GetPoints(), 60, "points")
eq(GetNumRacesPassed(), 1, "races passed")
eq(GetCurrentMission(), 1, "the mission is not saved")
eq(GetBestTimeAttack2(1), 0, "no time-attack record")

local before = HOST.read_file("data/saves/save1.sav")
SaveGame()
eq(HOST.read_file("data/saves/save1.sav"), before, "saved back into its slot")
eq(table.concat(({ GetSaves() })[2], "|"), "Ann|Ann||||", "no other slot taken")
