-- The shop, profile, progress and record functions against the game data of
-- the first run: each row is a call and the results it must give, the
-- out-of-range calls included.

local function show(value)
  if type(value) ~= "table" then
    if type(value) == "userdata" then
      return "@" .. PointerToString(value)
    end
    return type(value) .. ":" .. tostring(value)
  end
  local parts = {}
  for i = 1, table.getn(value) do
    parts[i] = show(value[i])
  end
  return "{" .. table.concat(parts, ",") .. "}"
end

local function pack(...)
  return { n = select("#", ...), ... }
end

local function run(rows)
  for _, row in ipairs(rows) do
    local name, args, want = row[1], row[2], row[3]
    local got = pack(_G[name](unpack(args, 1, args.n or table.getn(args))))
    local what = name .. "(" .. show(args):sub(2, -2) .. ")"
    if got.n ~= (want.n or table.getn(want)) then
      error(string.format("%s: %d results, expected %d", what, got.n, want.n or table.getn(want)), 2)
    end
    for i = 1, got.n do
      if show(got[i]) ~= show(want[i]) then
        error(string.format("%s result %d: expected %s, got %s", what, i, show(want[i]), show(got[i])), 2)
      end
    end
  end
end

local menu = HOST.script("gamemenu")
local function commands()
  local seen = {}
  while SetNextCommand(menu) do
    seen[table.getn(seen) + 1] = GetCurrentCommand(menu) .. "|" .. table.concat({ GetCurrentParams(menu) }, ",")
  end
  return table.concat(seen, " ")
end

-- The shop catalogue: numbers in record order, texts by key ("" for a key
-- without a text), nothing for a name the catalogue lacks.
run({
  { "GetWeaponInfo", { "gun" }, { "Gun", 100, 1, 2.5, 3, 4.5, 5.5, 6, 7.5, 8.5, "A small gun", 1 } },
  { "GetWeaponInfo", { "rocket" }, { "", 300, 2, 1.5, 1, 0.25, 0.75, 2, 1.25, 1.75, "", 3 } },
  { "GetWeaponInfo", { "Gun" }, {} },
  { "GetMineInfo", { "spike" }, { "", 50, 1, 0.5, 1.5, 2, 2.5, 3.5, 4.5, "", 1 } },
  { "GetMineInfo", { "gun" }, {} },
  { "GetSuperWeaponInfo", { "nuke" }, { "Nuke", 1000, "", 2 } },
  { "GetBumperInfo", { "ram" }, { "", 80, 1.25, "", 1 } },
  { "GetEquipmentInfo", { "jammer" }, { "", 60, 0.75, "", 2 } },
  { "GetArmorInfo", { "plate" }, { "", 200, 10, "", 3 } },
  { "GetEngineInfo", { "v8" }, { "", 400, 1, 2, 3, 4.5, 5, "", 2 } },
  { "IsValidGameDataName", { "gun" }, { true } },
  { "IsValidGameDataName", { "v8" }, { true } },
  { "IsValidGameDataName", { "nuke" }, { true } },
  { "IsValidGameDataName", { "Gun" }, { false } },
  { "IsValidGameDataName", { "gu" }, { false } },
  { "IsValidGameDataName", { "" }, { false } },

  -- What is offered: items up to the mission, up to 15 while difficult.
  { "GetCurrentMission", {}, { 1 } },
  { "GetWeaponNames", {}, { 1, { "gun" } } },
  { "SetCurrentMission", { 3.9 }, {} },
  { "GetCurrentRace", {}, { 3 } },
  { "GetWeaponNames", {}, { 2, { "gun", "rocket" } } },
  { "SetCurrentRace", { 1 }, {} },
  { "GetCurrentMission", {}, { 1 } },
  { "GetDifficult", {}, { 0 } },
  { "SetDifficult", { 0 }, {} },
  { "GetDifficult", {}, { 1 } },
  { "GetWeaponNames", {}, { 3, { "gun", "rocket", "laser" } } },
  { "GetEquipmentNames", {}, { 2, { "radar", "jammer" } } },

  -- Fitted items are left out; the real set-up changes only on commit.
  { "SetCarInfo", { "gun", "", "laser", "radar", "", "ram", "v8", "plate", "nuke", 2.9, "spike" }, {} },
  { "GetCarInfo", {}, { "gun", "", "laser", "radar", "", "ram", "v8", "plate", "nuke", 2, "spike" } },
  { "GetRealCarInfo", {}, { "", "", "", "", "", "", "", "", "", 0, "" } },
  { "GetWeaponNames", {}, { 1, { "rocket" } } },
  { "GetEquipmentNames", {}, { 1, { "jammer" } } },
  { "GetMineNames", {}, { 0, {} } },
  { "GetBumperNames", {}, { 0, {} } },
  { "GetArmorNames", {}, { 0, {} } },
  { "GetEngineNames", {}, { 0, {} } },
  { "GetSuperWeaponNames", {}, { 1, { "nuke" } } },
  { "SetCarInfo", { "", "", "rocket", "", "", "", "", "", "", 3, "" }, {} },
  { "GetSuperWeaponNames", {}, { 0, {} } },
  { "GetWeaponNames", {}, { 2, { "gun", "laser" } } },
  { "CommitCarSettings", {}, {} },
  { "GetRealCarInfo", {}, { "", "", "rocket", "", "", "", "", "", "", 3, "" } },
  { "SetDifficult", { false }, {} },
  { "GetDifficult", {}, { 0 } },
  { "SetDifficult", { nil }, {} },
  { "GetDifficult", {}, { 0 } },

  -- Names: the vehicle key of the player's name.
  { "SetPlayerName", { "truck_130" }, {} },
  { "GetActiveCar", {}, { "truck_130" } },
  { "SetPlayerName", { "truck_130_" }, {} },
  { "GetActiveCar", {}, { "truck_130" } },
  { "SetPlayerName", { "saloon" }, {} },
  { "GetActiveCar", {}, { "saloon_i745" } },
  { "SetPlayerName", { "scout" }, {} },
  { "GetActiveCar", {}, { "scout_469" } },
  { "GetPlayerName", {}, { "scout" } },
  { "GetPlayerName", { n = 1 }, { "" } },
  { "GetPlayerName", { HOST.new_object("not a vehicle") }, { "" } },
  { "SetProfileName", { "Ann" }, {} },
  { "GetProfileName", {}, { "Ann" } },

  -- Counters and switches.
  { "SetKills", { 4.9 }, {} },
  { "GetScore", {}, { 4 } },
  { "SetKills", { -4.9 }, {} },
  { "GetScore", {}, { -4 } },
  { "SetNumRacesPassed", { 2.5 }, {} },
  { "GetNumRacesPassed", {}, { 2 } },
  { "SetPoints", { -7.9 }, {} },
  { "GetPoints", {}, { -7 } },
  { "SetDifficulty", { 3.7 }, {} },
  { "GetDifficulty", {}, { 3 } },
  { "SetDifficulty", { 0 }, {} },
  { "SetSingle", { 0 }, {} },
  { "IsSingle", {}, { true } },
  { "SetSingle", { false }, {} },
  { "IsSingle", {}, { false } },
  { "SetTimeAttack", { "" }, {} },
  { "IsTimeAttack", {}, { true } },
  { "SetTimeAttack", { n = 1 }, {} },
  { "IsTimeAttack", {}, { false } },
  { "SetPlayerType", { 0 }, {} },
  { "SetRoundTime", { 0.1 }, {} },
  { "GetRoundTime", {}, { 0.10000000149011612 } },
  { "GetStats", {}, { 0, 0, 0, 0 } },

  -- The mission file's checkpoints; nothing outside the list.
  { "LoadMissionInfo", { "m1.txt" }, {} },
  { "GetCheckPointsCount", {}, { 2 } },
  { "GetCheckPointInfo", { 0 }, { 7, 8, 9, 2.5 } },
  { "GetCheckPointInfo", { 1.7 }, { -1, 0, 3, -1.25 } },
  { "GetCheckPointInfo", { 2 }, {} },
  { "GetCheckPointInfo", { -1 }, {} },
  { "LoadMissionInfo", { "missing.txt" }, {} },
  { "GetCheckPointsCount", {}, { 0 } },

  -- Laps before any are stored, then after ClearGameData.
  { "GetCurrentRound", {}, { 1 } },
  { "GetTime", {}, { 0, 0, 0 } },
  { "GetTimeBest", {}, { 0, 0, 0 } },
  { "GetTimeAttack", {}, { 0, 0, 0 } },
  { "ClearGameData", {}, {} },
  { "SetNumRounds", { 3.5 }, {} },
  { "GetRoundsNumber", {}, { 3 } },
  { "UpdateRoundsTime", {}, { 40, { 0, 0, 0, true, 0, 0, 0, false, 0, 0, 0, false, 0, 0, 0, false, 0, 0, 0, false,
                                     0, 0, 0, false, 0, 0, 0, false, 0, 0, 0, false, 0, 0, 0, false, 0, 0, 0, false } } },

  -- Records: level 1 holds A and B in arrival order; unknown levels give
  -- false and empty lists; best time-attack times of levels 0 to 11 only.
  { "GetRecords", { 1 }, { { { "A", "01:05:07" }, { "B", "00:59:03" } } } },
  { "CheckPlayerRecords", { 1 }, { true } },
  { "GetRecords", { 1.9 }, { { { "A", "01:05:07" }, { "B", "00:59:03" }, { "Ann", "00:00:00" } } } },
  { "GetRecords", { 2 }, { {} } },
  { "CheckPlayerRecords", { 13 }, { false } },
  { "GetRecords", { 13 }, { {} } },
  { "CheckPlayerRecords", { 0 }, { false } },
  { "GetRecords", { 0 }, { {} } },
  { "GetBestTimeAttack2", { 0 }, { 0, 0, 0 } },
  { "GetBestTimeAttack2", { 11 }, { 0, 0, 0 } },
  { "GetBestTimeAttack2", { 12 }, {} },
  { "GetBestTimeAttack2", { -1 }, {} },
  { "GetBestTimeAttack", {}, {} },
  { "AddScore", { 5 }, { 5 } },
  { "AddScore", {}, { n = 1 } },
  { "IsInTable", { 3 }, { false } },
  { "SetScoreLine", { "A", 1, 2 }, {} },
  { "GetScoreLine", { 2 }, { "", 0 } },
  { "SaveScore", {}, {} },
})
-- Two entries of one byte names and one of three, 21 bytes and 23.
assert(string.len(HOST.read_file("Data/scores.dat")) == 65, "score file length")

-- Money goes to the menu as text with two decimals.
commands()
run({
  { "SetMoney", { 100 }, {} },
  { "GetMoney", {}, { 100 } },
  { "SetMoney", { 2.5 }, {} },
  { "SetMoney", { 0.1 }, {} },
  { "GetMoney", {}, { 0.10000000149011612 } },
})
assert(commands() == "change_money|100.00 change_money|2.50 change_money|0.10", "money commands")

-- The automatic purchase: the highest preset the mission allows that the
-- money plus the edited set-up pays for; presets the list lacks are skipped.
run({
  { "SetCarInfo", { "", "", "", "", "", "", "", "", "", 0, "" }, {} },
  { "SetCurrentMission", { 2 }, {} },
  { "SetMoney", { 450 }, {} },
  { "AutoSetting", {}, {} },
  { "GetCarInfo", {}, { "gun", "rocket", "", "", "", "", "", "", "", 0, "" } },
  { "GetMoney", {}, { 50 } },
  { "SetMoney", { 100 }, {} },
  { "AutoSetting", {}, {} },
  { "GetCarInfo", {}, { "gun", "", "", "", "", "", "v8", "", "", 0, "" } },
  { "GetMoney", {}, { 0 } },
  { "GetRealCarInfo", {}, { "", "", "rocket", "", "", "", "", "", "", 3, "" } },
  { "SetCarInfo", { "", "", "", "", "", "", "", "", "", 0, "" }, {} },
  { "SetMoney", { 99 }, {} },
  { "AutoSetting", {}, {} },
  { "GetMoney", {}, { 99 } },
  { "SetCurrentMission", { 9 }, {} },
  { "SetMoney", { 2000 }, {} },
  { "AutoSetting", {}, {} },
  { "GetCarInfo", {}, { "laser", "", "", "", "", "", "", "", "nuke", 1, "" } },
  { "GetMoney", {}, { 500 } },
  -- A mission far past the list buys the same as any other past it.
  { "SetCurrentMission", { 2147483647 }, {} },
  { "AutoSetting", {}, {} },
  { "GetCarInfo", {}, { "laser", "", "", "", "", "", "", "", "nuke", 1, "" } },
  { "GetMoney", {}, { 500 } },
  { "SetCurrentMission", { 0 }, {} },
  { "AutoSetting", {}, {} },
  { "GetMoney", {}, { 500 } },
})
assert(commands() == "change_money|450.00 change_money|50.00 change_money|100.00 change_money|0.00 "
  .. "change_money|99.00 change_money|2000.00 change_money|500.00 change_money|500.00", "purchase commands")

-- The bonus list: counted entries in order; erasing drops the first match.
local a = HOST.new_object("a")
local b = HOST.new_object("b")
run({
  { "AddBonus", { a, 5.9 }, {} },
  { "AddBonus", { b, 2 }, {} },
  { "AddBonus", { a, 3 }, {} },
  { "AddBonus", { nil, 7 }, {} },
  { "GetBonusesCount", {}, { 4 } },
  { "GetBonusList", {}, { { { a, 5 }, { b, 2 }, { a, 3 }, { StringToPointer("0"), 7 } } } },
  { "EraseBonus", { a }, {} },
  { "EraseBonus", { nil }, {} },
  { "GetBonusList", {}, { { { b, 2 }, { a, 3 } } } },
  { "EraseBonus", { HOST.new_object("c") }, {} },
  { "GetBonusesCount", {}, { 2 } },
  { "ClearBonuses", {}, {} },
  { "GetBonusList", {}, { {} } },
  { "AddBonus", { a, 1 }, {} },
  { "ClearGameData", {}, {} },
  { "GetBonusesCount", {}, { 0 } },
})
