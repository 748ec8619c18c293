// Profile and record functions over state scripts cannot set themselves:
// lap times (the race update stores them), a loaded level, the player's
// vehicle and the player type.
#include "Core/PGlobals.h"
#include "Core/PLog.h"
#include "Host/PGameHost.h"
#include "Race/PGameData.h"
#include "Race/PLevel.h"
#include "ScratchRoot.h"
#include "Vehicles/PCar.h"
#include "Vehicles/PPlayer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace
{
class ProgressBindings : public ::testing::Test
{
protected:
    // The results of one call, joined by commas ("" for none).
    std::string Call(const std::string& call)
    {
        std::string error;
        const std::string source = "local r = { " + call
                                   + " } for i = 1, table.getn(r) do r[i] = tostring(r[i]) end "
                                     "RESULT = table.concat(r, ',')";
        EXPECT_TRUE(host.RunString(source, "test", error)) << error;
        lua_State* L = host.GetLuaState();
        lua_getglobal(L, "RESULT");
        const std::string result = lua_isstring(L, -1) ? lua_tostring(L, -1) : "<none>";
        lua_pop(L, 1);
        return result;
    }

    CPGameData& Data() { return *g_GameData; }

    ScratchRoot root;
    CPGameHost host { root.Path() };
};
}

TEST_F(ProgressBindings, TheBestLapOfTheRaceIsEntered)
{
    const struct
    {
        std::vector<float> laps;
        int32_t rounds;
        const char* entered;
    } cases[] = {
        { { 62.40f, 61.95f, 63.10f }, 3, "01:01:95" },
        { { 62.40f, 61.95f, 63.10f }, 1, "01:02:40" },
        { { 62.40f, 61.95f, 63.10f }, 0, "01:02:40" },
        { { 70.0f, 65.5f }, 2, "01:05:50" },
        // Laps past the stored times count as 0.
        { { 70.0f, 65.5f }, 1000000000, "00:00:00" },
        { {}, 1, "00:00:00" },
    };
    for (const auto& c : cases) {
        Data().m_recordTables.assign(12, {});
        Data().m_profileName = "Ann";
        Data().m_lapTimes = c.laps;
        Data().m_roundsCount = c.rounds;
        EXPECT_EQ(Call("CheckPlayerRecords(4)"), "true");
        EXPECT_EQ(Call("GetRecords(4)[1][1] .. ' ' .. GetRecords(4)[1][2]"), std::string("Ann ") + c.entered);
    }
}

TEST_F(ProgressBindings, LapTimesSplitIntoMinutesSecondsAndHundredths)
{
    Data().m_lapTimes = { 70.0f, 65.5f, 42.25f, 0.0f, 3725.75f };
    const struct
    {
        int32_t lap;
        const char* call;
        const char* expected;
    } cases[] = {
        { 3, "GetTimeBest()", "1,5,50" },
        { 1, "GetTimeBest()", "0,0,0" },
        { 6, "GetTimeBest()", "0,42,25" },
        { 2000000000, "GetTimeBest()", "0,42,25" },
        { 3, "GetTime()", "0,42,25" },
        { 5, "GetTime()", "62,5,75" },
        { 9, "GetTime()", "0,0,0" },
        { 0, "GetTime()", "" },
        { -3, "GetTime()", "" },
        { 3, "GetTimeAttack()", "1,10,0" },
        { 3, "tostring(select(2, UpdateRoundsTime())[12]) .. ',' .. tostring(select(2, UpdateRoundsTime())[16])",
          "true,false" },
        { 3,
          "select(2, UpdateRoundsTime())[9] .. ',' .. select(2, UpdateRoundsTime())[10] .. ',' "
          ".. select(2, UpdateRoundsTime())[11]",
          "0,42,25" },
        { 3, "select(2, UpdateRoundsTime())[37] .. ',' .. tostring(select(2, UpdateRoundsTime())[40])", "0,false" },
    };
    for (const auto& c : cases) {
        Data().m_currentLap = c.lap;
        EXPECT_EQ(Call(c.call), c.expected) << c.call << " during lap " << c.lap;
    }
    // No positive completed lap: 0.
    Data().m_lapTimes = { 0.0f, -4.0f };
    Data().m_currentLap = 3;
    EXPECT_EQ(Call("GetTimeBest()"), "0,0,0");
}

TEST_F(ProgressBindings, TimeAttackRecordsOfTheLevelAndByIndex)
{
    Data().m_levelRecords[0].bestTime = 65.5f;
    Data().m_levelRecords[11].bestTime = 42.25f;
    EXPECT_EQ(Call("GetBestTimeAttack()"), "");
    EXPECT_EQ(Call("GetBestTimeAttack2(0)"), "1,5,50");
    EXPECT_EQ(Call("GetBestTimeAttack2(11.9)"), "0,42,25");
    EXPECT_EQ(Call("GetBestTimeAttack2(12)"), "");

    auto level = std::make_unique<CPLevel>();
    const struct
    {
        int32_t levelIndex;
        const char* expected;
    } cases[] = { { 1, "1,5,50" }, { 12, "0,42,25" }, { 0, "" }, { 13, "" } };
    for (const auto& c : cases) {
        level->levelIndex = c.levelIndex;
        EXPECT_EQ(Call("GetBestTimeAttack()"), c.expected) << c.levelIndex;
    }
}

TEST_F(ProgressBindings, StatsOfTheFollowedVehicle)
{
    EXPECT_EQ(Call("GetStats()"), "0,0,0,0");
    auto level = std::make_unique<CPLevel>();
    level->playerSpeed = 12.5f;
    EXPECT_EQ(Call("GetStats()"), "0,0,12.5,0");

    // The player goes first, while the car it counts is still there.
    std::unique_ptr<CPCar> car;
    CPPlayer player;
    car = std::make_unique<CPCar>(&player);
    player.SetCar(car.get());
    car->m_riderYawDegrees = 10.5f;
    car->m_riderPitchDegrees = -3.25f;
    car->m_crashRoll = 1.0f;
    level->followedVehicle = &player;
    // The roll in degrees as the float it is, printed as Lua prints numbers.
    char roll[32];
    std::snprintf(roll, sizeof(roll), "%.14g", static_cast<double>(1.0f * CPCar::kRadiansToDegrees));
    EXPECT_EQ(Call("GetStats()"), std::string("10.5,-3.25,12.5,") + roll);
    level->followedVehicle = nullptr;
}

TEST_F(ProgressBindings, PlayerTypeFromAnyTrueValue)
{
    const struct
    {
        const char* argument;
        int32_t type;
    } cases[] = { { "0", 10 }, { "false", 9 }, { "''", 10 }, { "nil", 9 }, { "true", 10 } };
    for (const auto& c : cases) {
        Call(std::string("SetPlayerType(") + c.argument + ")");
        EXPECT_EQ(Data().m_playerType, c.type) << c.argument;
    }
}

TEST_F(ProgressBindings, FailedSavesAreLoggedOnceWithTheirPathAndTheScriptGoesOn)
{
    // Nothing can be written anywhere: every save fails, reports nothing to
    // the script, and tells the log the file and the reason.
    root.MakeDirectory("Data/Saves");
    for (const char* directory : { "Data/Saves", "Data", "" })
        chmod(root.Host(directory).c_str(), 0555);
    const struct
    {
        const char* call;
        const char* line;
    } cases[] = {
        { "SaveGame()", "cannot save DATA\\Saves\\save0.sav: Permission denied\n" },
        { "NewPlayer('Ann')", "cannot save DATA\\Saves\\save0.sav: Permission denied\n" },
        { "DeleteSave('save1.sav')", "cannot save data\\saves\\save1.sav: Permission denied\n" },
        { "SaveScore()", "cannot save Data\\scores.dat: Permission denied\n" },
        { "SaveActions()", "cannot save Actions.cfg: Permission denied\n" },
    };
    // The save lines of the log (a save may first read what is there).
    std::vector<std::string> saves;
    GetLog().SetSink([&saves](int32_t, const std::string& text) {
        if (text.rfind("cannot save ", 0) == 0)
            saves.push_back(text);
    });
    for (const auto& c : cases) {
        saves.clear();
        EXPECT_EQ(Call(c.call), "") << c.call;
        EXPECT_EQ(saves, std::vector<std::string> { c.line }) << c.call;
    }
    GetLog().SetSink(nullptr);
    for (const char* directory : { "", "Data", "Data/Saves" })
        chmod(root.Host(directory).c_str(), 0755);
    EXPECT_EQ(root.Names("Data/Saves"), std::vector<std::string> {});
}

// Objects end when their owner deletes them, bonus list or not: an entry
// whose object has ended reads as one without an object, and nothing the
// list does touches the object again (the sanitizer build catches a touch).
TEST_F(ProgressBindings, ABonusWhoseObjectEndedReadsAsOneWithoutAnObject)
{
    Call("(function() A = HOST.new_object('pickup') B = HOST.new_object('crate') "
         "AddBonus(A, 4) AddBonus(B, 1) AddBonus(A, 2) end)()");
    EXPECT_EQ(Call("HOST.delete_object(A)"), "true");
    EXPECT_EQ(Call("GetBonusesCount()"), "3");
    const std::string list = "local s = '' for i, e in ipairs(GetBonusList()) do "
                             "s = s .. (PointerToString(e[1]) == PointerToString(B) and 'B' or PointerToString(e[1])) "
                             ".. ':' .. e[2] .. ' ' end return s";
    EXPECT_EQ(Call("(function() " + list + " end)()"), "0:4 B:1 0:2 ");

    // A handle of none erases the first entry without an object.
    Call("EraseBonus(nil)");
    EXPECT_EQ(Call("(function() " + list + " end)()"), "B:1 0:2 ");
    Call("ClearBonuses()");
    EXPECT_EQ(Call("GetBonusesCount()"), "0");
}
