#include "Core/PGameObject.h"
#include "Host/PHostGameData.h"
#include "Race/PGameData.h"
#include "ScratchRoot.h"
#include "Startup/PConfigVars.h"

#include <gtest/gtest.h>

namespace
{
class GameDataFiles : public ::testing::Test
{
protected:
    void TearDown() override { g_CfgCamSpeed = 0; }

    static void ExpectList(const std::vector<CPWeightedName>& list,
                           const std::vector<std::tuple<std::string, int, int>>& expected)
    {
        ASSERT_EQ(list.size(), expected.size());
        for (size_t i = 0; i < list.size(); ++i) {
            EXPECT_EQ(list[i].name, std::get<0>(expected[i]));
            EXPECT_EQ(list[i].from, std::get<1>(expected[i]));
            EXPECT_EQ(list[i].to, std::get<2>(expected[i]));
        }
    }

    ScratchRoot m_root;
    CPGameData m_data;
};

TEST_F(GameDataFiles, MissionFileFillsCheckpoints)
{
    m_root.MakeFile("data/levels/m1.txt", "// mission one\n"
                                          "2.5 1 2 3 a,30;b,70 40 hp,50\n"
                                          "7 -4 0 9  15 nitro,100\n"
                                          "sources\n"
                                          "gate1 east 1 2.0 a,100\n");
    m_data.m_enemySources["old"].push_back(CPEnemySource());
    m_data.LoadMissionInfo("m1.txt");
    ASSERT_EQ(m_data.m_checkpoints.size(), 2u);
    const CPMissionCheckpoint& first = m_data.m_checkpoints[0];
    EXPECT_FLOAT_EQ(first.value, 2.5f);
    EXPECT_EQ(first.param1, 1);
    EXPECT_EQ(first.param2, 2);
    EXPECT_EQ(first.param3, 3);
    ExpectList(first.enemyTypes, { { "a", 0, 30 }, { "b", 30, 100 } });
    EXPECT_EQ(first.bonusChance, 40);
    ExpectList(first.bonusTypes, { { "hp", 0, 50 } });
    // Two blanks make an empty fifth field, an empty list.
    const CPMissionCheckpoint& second = m_data.m_checkpoints[1];
    EXPECT_EQ(second.param1, -4);
    EXPECT_TRUE(second.enemyTypes.empty());
    EXPECT_EQ(second.bonusChance, 15);
    ExpectList(second.bonusTypes, { { "nitro", 0, 100 } });
    // Without a level no source key is known: the sources are emptied.
    EXPECT_TRUE(m_data.m_enemySources.empty());
}

TEST_F(GameDataFiles, SourcesLineSplitsTheSections)
{
    struct Case
    {
        const char* text;
        size_t checkpoints;
    };
    for (const Case& c : { Case{ "1 1 1 1 a,1 0 b,1\n2 2 2 2 a,1 0 b,1\n", 2 }, Case{ "sources\n1 1 1 1 a,1 0 b,1\n", 0 } }) {
        m_root.MakeFile("data/levels/m.txt", c.text);
        m_data.LoadMissionInfo("m.txt");
        EXPECT_EQ(m_data.m_checkpoints.size(), c.checkpoints) << c.text;
    }
}

TEST_F(GameDataFiles, MissingMissionFileEmptiesOnlyTheCheckpoints)
{
    m_data.m_checkpoints.resize(3);
    m_data.m_enemySources["west"].push_back(CPEnemySource());
    m_data.LoadMissionInfo("absent.txt");
    EXPECT_TRUE(m_data.m_checkpoints.empty());
    EXPECT_EQ(m_data.m_enemySources.count("west"), 1u);
}

TEST_F(GameDataFiles, PlayerFileSetsBothSetUps)
{
    m_root.MakeFile("data/player.dat", "none\nmgun\nrlauncher\nmine1\narmor2\nbumper1\nengine3\nnuke\n3\nradar\nnone\n");
    m_data.InitPlayer();
    const CPCarRecord& car = m_data.m_activeCar;
    EXPECT_EQ(car.weapons[0], "");
    EXPECT_EQ(car.weapons[1], "mgun");
    EXPECT_EQ(car.weapons[2], "rlauncher");
    EXPECT_EQ(car.mine, "mine1");
    EXPECT_EQ(car.armor, "armor2");
    EXPECT_EQ(car.bumper, "bumper1");
    EXPECT_EQ(car.engine, "engine3");
    EXPECT_EQ(car.superWeapon, "nuke");
    EXPECT_EQ(car.superWeaponCount, 3);
    EXPECT_EQ(car.equipment[0], "radar");
    EXPECT_EQ(car.equipment[1], "");
    EXPECT_EQ(m_data.m_carInfo.weapons[1], "mgun");
}

TEST_F(GameDataFiles, ShortOrMissingPlayerFileLeavesTheRestEmpty)
{
    m_data.m_carInfo.engine = "old";
    m_data.m_activeCar.mine = "old";
    m_data.InitPlayer();
    EXPECT_EQ(m_data.m_carInfo.engine, "");
    EXPECT_EQ(m_data.m_activeCar.mine, "");

    m_root.MakeFile("data/player.dat", "lgun\nmgun\n");
    m_data.InitPlayer();
    EXPECT_EQ(m_data.m_activeCar.weapons[1], "mgun");
    EXPECT_EQ(m_data.m_activeCar.weapons[2], "");
    EXPECT_EQ(m_data.m_activeCar.superWeaponCount, 0);
}

TEST_F(GameDataFiles, DifficultyCoefficients)
{
    struct Case
    {
        int camSpeed;
        uint8_t difficult;
        const char* file; // null: no file
        float expected[4];
    };
    const Case cases[] = {
        { 0, 1, "0.5\n2\n3\n4\n", { 0.5f, 2.0f, 3.0f, 4.0f } },
        { 2, 0, "0.5\n2\n3\n4\n", { 0.5f, 2.0f, 3.0f, 4.0f } },
        { 3, 1, "0.5\n2\n3\n4\n", { 1.0f, 1.0f, 1.0f, 1.0f } },
        { 0, 0, "0.5\nx\n", { 0.5f, 0.0f, 9.0f, 9.0f } },
        { 0, 0, nullptr, { 9.0f, 9.0f, 9.0f, 9.0f } },
    };
    for (const Case& c : cases) {
        if (c.file)
            m_root.MakeFile("data/coeff.dat", c.file);
        else
            std::remove(m_root.Host("data/coeff.dat").c_str());
        g_CfgCamSpeed = c.camSpeed;
        m_data.m_difficult = c.difficult;
        m_data.m_spareCoeff = m_data.m_damageCoeff = m_data.m_bonusChanceCoeff = m_data.m_timeCoeff = 9.0f;
        m_data.SetDifficult();
        EXPECT_FLOAT_EQ(m_data.m_spareCoeff, c.expected[0]) << c.camSpeed << (c.file ? c.file : "none");
        EXPECT_FLOAT_EQ(m_data.m_damageCoeff, c.expected[1]);
        EXPECT_FLOAT_EQ(m_data.m_bonusChanceCoeff, c.expected[2]);
        EXPECT_FLOAT_EQ(m_data.m_timeCoeff, c.expected[3]);
    }
}

template <class Item>
Item Priced(int32_t price)
{
    Item item;
    item.price = price;
    return item;
}

TEST(GameData, CarValueSumsPricesAndCountsSuperWeaponCharges)
{
    CPGameData data;
    data.m_weapons.Add("mgun", Priced<CPWeaponItem>(100));
    data.m_superWeapons.Add("nuke", Priced<CPSuperWeaponItem>(50));
    data.m_engines.Add("v8", Priced<CPEngineItem>(1000));
    data.m_equipment.Add("radar", Priced<CPPartItem>(7));
    EXPECT_EQ(data.GetCarValue(CPCarRecord()), 0.0f);
    CPCarRecord car;
    car.weapons[0] = car.weapons[2] = "mgun";
    car.engine = "v8";
    car.equipment[1] = "radar";
    car.superWeapon = "nuke";
    car.superWeaponCount = 3;
    car.armor = "unknown";
    EXPECT_EQ(data.GetCarValue(car), 1357.0f);
    EXPECT_EQ(data.m_armor.items.count("unknown"), 0u);
}

TEST(GameData, ClearGameDataResetsTheRaceCounters)
{
    CPGameData data;
    data.m_currentLap = 4;
    data.m_trackProgress = 77;
    data.m_lapTimes = { 1.0f, 2.0f };
    data.m_money = 12.0f;
    data.m_aiPositions["0"] = { 1.0f, 2.0f };
    data.m_opponentProgress["1"] = CPRaceRecord();
    CPGameObject pickup("pickup");
    data.m_bonuses.push_back({ &pickup, 3 });
    data.ClearGameData();
    EXPECT_EQ(data.m_currentLap, 1);
    EXPECT_EQ(data.m_trackProgress, -1);
    EXPECT_EQ(data.m_lapTimes, std::vector<float>(20, 0.0f));
    EXPECT_TRUE(data.m_aiPositions.empty());
    EXPECT_TRUE(data.m_opponentProgress.empty());
    EXPECT_TRUE(data.m_bonuses.empty());
    EXPECT_EQ(data.m_money, 12.0f);
}

TEST(GameData, SetLapTimeWritesTheCurrentLapOrAppends)
{
    struct Case
    {
        int32_t lap;
        std::vector<float> before;
        std::vector<float> after;
    };
    const Case cases[] = {
        { 1, {}, { 9.0f } },
        { 1, { 1.0f, 2.0f }, { 9.0f, 2.0f } },
        { 2, { 1.0f, 2.0f }, { 1.0f, 9.0f } },
        { 3, { 1.0f, 2.0f }, { 1.0f, 2.0f, 9.0f } },
        { 7, { 1.0f }, { 1.0f, 9.0f } },
        // A lap below 1 has no entry: never an index before the first.
        { 0, { 1.0f }, { 1.0f, 9.0f } },
        { -3, { 1.0f }, { 1.0f, 9.0f } },
    };
    for (const Case& c : cases) {
        CPGameData data;
        data.m_lapTimes = c.before;
        data.SetCurrentLap(c.lap);
        data.SetLapTime(9.0f);
        EXPECT_EQ(data.m_lapTimes, c.after) << c.lap;
        EXPECT_EQ(data.m_currentLap, c.lap);
    }
}

TEST(GameData, SetCarInfoCopiesAndApplyCommits)
{
    CPGameData data;
    CPCarRecord car;
    car.mine = "m";
    data.SetCarInfo(car);
    data.SetCarInfo(data.m_carInfo);
    EXPECT_EQ(data.m_carInfo.mine, "m");
    EXPECT_EQ(data.m_activeCar.mine, "");
    data.ApplyCarInfo();
    EXPECT_EQ(data.m_activeCar.mine, "m");
}

TEST_F(GameDataFiles, HostFileFillsCataloguesTextsPresetsAndRecords)
{
    m_root.MakeFile("data/gamedata.txt",
                    "// shop\n"
                    "[weapons]\n"
                    "mgun, t_mgun, 100, 1, 2.5, 3, 4, 5, 6, 7, 8, d_mgun, 2\n"
                    "lgun, t_lgun, 50\n"
                    "[superweapons]\n"
                    "nuke, t_nuke, 900, d_nuke, 5\n"
                    "[armor]\n"
                    "plate, t_plate, 30, 0.5, d_plate, 1\n"
                    "[texts]\n"
                    "t_mgun, \"Machine gun, twin\"\n"
                    "[presets]\n"
                    "mgun, , , radar, , bumper1, v8, plate, nuke, 2, mine1\n"
                    "[records]\n"
                    "3, Ann, 1, 2, 3\n"
                    "99, Bob, 0, 0, 0\n"
                    "[unknown]\n"
                    "x, y\n");
    m_data.m_timeCoeff = 5.0f;
    ASSERT_TRUE(LoadHostGameData(m_data));
    ASSERT_EQ(m_data.m_weapons.list.size(), 2u);
    EXPECT_EQ(m_data.m_weapons.list[0].first, "mgun");
    const CPWeaponItem& mgun = m_data.m_weapons.items["mgun"];
    EXPECT_EQ(mgun.displayKey, "t_mgun");
    EXPECT_EQ(mgun.price, 100);
    EXPECT_FLOAT_EQ(mgun.value2, 2.5f);
    EXPECT_FLOAT_EQ(mgun.value8, 8.0f);
    EXPECT_EQ(mgun.descriptionKey, "d_mgun");
    EXPECT_EQ(mgun.level, 2);
    EXPECT_EQ(m_data.m_weapons.items["lgun"].level, 0);
    EXPECT_EQ(m_data.m_superWeapons.items["nuke"].price, 900);
    EXPECT_FLOAT_EQ(m_data.m_armor.items["plate"].value1, 0.5f);
    EXPECT_EQ(m_data.m_texts["t_mgun"], "Machine gun, twin");
    ASSERT_EQ(m_data.m_carPresets.size(), 1u);
    EXPECT_EQ(m_data.m_carPresets[0].equipment[0], "radar");
    EXPECT_EQ(m_data.m_carPresets[0].superWeaponCount, 2);
    EXPECT_EQ(m_data.m_carPresets[0].mine, "mine1");
    ASSERT_EQ(m_data.m_recordTables.size(), 12u);
    ASSERT_EQ(m_data.m_recordTables[2].size(), 1u);
    EXPECT_EQ(m_data.m_recordTables[2][0].name, "Ann");
    EXPECT_EQ(m_data.m_recordTables[2][0].hundredths, 3);
    EXPECT_FLOAT_EQ(m_data.m_timeCoeff, 1.0f);
}

TEST_F(GameDataFiles, MissingHostFileLeavesEmptyCatalogues)
{
    EXPECT_FALSE(LoadHostGameData(m_data));
    EXPECT_TRUE(m_data.m_weapons.list.empty());
    EXPECT_EQ(m_data.m_recordTables.size(), 12u);
    EXPECT_FLOAT_EQ(m_data.m_damageCoeff, 1.0f);
}
}
