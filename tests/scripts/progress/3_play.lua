-- A new profile plays a mission as far as the menus take it (no level is
-- loaded): it buys a set-up, races, earns points and a best lap, and saves.
local function eq(actual, expected, what)
  if actual ~= expected then
    error(string.format("%s: expected %s, got %s", what, tostring(expected), tostring(actual)), 2)
  end
end

local function saves()
  local count, names = GetSaves()
  eq(count, 6, "slot count")
  return table.concat(names, "|")
end

HOST.set_local_time(2026, 12, 4, 10, 20, 15, 42, 123)
eq(saves(), "|||||", "no saves yet")

SetProfileName("Ann")
NewPlayer("scout")
eq(saves(), "Ann|||||", "the new player's file")
eq(HOST.read_file("data/saves/save0.sav") ~= nil, true, "written under data/saves")

-- The shop: the starting set-up, then the best one the money buys.
InitPlayer()
SetCurrentMission(2)
SetMoney(400)
AutoSetting()
CommitCarSettings()
eq(GetMoney(), 170, "money left: 400 and the starting set-up's 270, less 500")
eq(table.concat({ GetRealCarInfo() }, ","), "gun,,,,,,v8,,,0,", "the race's set-up")

-- The race.
LoadMissionInfo("m1.txt")
eq(GetCheckPointsCount(), 2, "checkpoints")
ClearGameData()
SetNumRounds(3)
SetKills(6)
SetPoints(GetPoints() + 10 * GetScore())
SetNumRacesPassed(GetNumRacesPassed() + 1)
SetCurrentMission(GetCurrentMission() + 1)
eq(CheckPlayerRecords(1), true, "best lap entered")
SaveScore()

-- The first free slot: save0.sav is taken by the new player's file.
SaveGame()
eq(saves(), "Ann|Ann||||", "saved into slot 1")

-- Another profile takes the next slot and is deleted again.
SetProfileName("Bob")
SaveGame()
eq(saves(), "Ann|Ann|Bob|||", "Bob in slot 2")
DeleteSave("save2.sav")
eq(saves(), "Ann|Ann||||", "Bob deleted")
eq(HOST.read_file("data/saves/save2.sav"), "", "a deleted save is an empty file")
