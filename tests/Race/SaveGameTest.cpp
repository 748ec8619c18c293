// Save games: the exact bytes of a save file, loading one back, files that
// must not be loaded (empty, cut short, too long, hostile counts, names that
// leave the folder), the choice of slot, deleting, and a profile switch that
// leaves no ghost behind.
#include "Core/PFileReader.h"
#include "Platform/Clock.h"
#include "Race/PGameData.h"
#include "Race/PSaveGame.h"
#include "ScratchRoot.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{
const char* const kSlot0 = "data/saves/save0.sav";

// Little-endian fields, as the save file lays them out.
class Bytes
{
public:
    Bytes& Int(int32_t value)
    {
        const uint32_t bits = static_cast<uint32_t>(value);
        for (int shift = 0; shift < 32; shift += 8)
            m_bytes += static_cast<char>((bits >> shift) & 0xFF);
        return *this;
    }
    Bytes& Float(float value)
    {
        int32_t bits;
        std::memcpy(&bits, &value, sizeof(bits));
        return Int(bits);
    }
    Bytes& Word(uint16_t value)
    {
        m_bytes += static_cast<char>(value & 0xFF);
        m_bytes += static_cast<char>(value >> 8);
        return *this;
    }
    Bytes& Text(const std::string& text)
    {
        Int(static_cast<int32_t>(text.size()));
        m_bytes += text;
        return *this;
    }
    Bytes& Raw(const std::string& bytes)
    {
        m_bytes += bytes;
        return *this;
    }
    const std::string& Get() const { return m_bytes; }

private:
    std::string m_bytes;
};

SYSTEMTIME Stamp(uint16_t year, uint16_t month, uint16_t day, uint16_t hour, uint16_t minute, uint16_t second,
                 uint16_t dayOfWeek = 3, uint16_t milliseconds = 250)
{
    SYSTEMTIME time {};
    time.wYear = year;
    time.wMonth = month;
    time.wDayOfWeek = dayOfWeek;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    time.wMilliseconds = milliseconds;
    return time;
}

Bytes& PutStamp(Bytes& bytes, const SYSTEMTIME& time)
{
    return bytes.Word(time.wYear)
        .Word(time.wMonth)
        .Word(time.wDayOfWeek)
        .Word(time.wDay)
        .Word(time.wHour)
        .Word(time.wMinute)
        .Word(time.wSecond)
        .Word(time.wMilliseconds);
}

CPGhostSample Sample(float base)
{
    CPGhostSample sample;
    sample.position = D3DXVECTOR3(base, base + 1, base + 2);
    sample.rotation = D3DXQUATERNION(0.0f, 0.5f, 0.0f, 0.75f);
    sample.bikePartFlag = 1;
    sample.padding[0] = 0xAB;
    sample.riderRotation = D3DXQUATERNION(0.25f, 0.0f, -0.25f, 1.0f);
    sample.bodyRotation = D3DXQUATERNION(-1.0f, 2.0f, -3.0f, 4.0f);
    sample.sampleTime = base / 10.0f;
    return sample;
}

Bytes& PutSample(Bytes& bytes, const CPGhostSample& s)
{
    bytes.Float(s.position.x).Float(s.position.y).Float(s.position.z);
    bytes.Float(s.rotation.x).Float(s.rotation.y).Float(s.rotation.z).Float(s.rotation.w);
    bytes.Raw(std::string(1, static_cast<char>(s.bikePartFlag)));
    bytes.Raw(std::string(reinterpret_cast<const char*>(s.padding), 3));
    bytes.Float(s.riderRotation.x).Float(s.riderRotation.y).Float(s.riderRotation.z).Float(s.riderRotation.w);
    bytes.Float(s.bodyRotation.x).Float(s.bodyRotation.y).Float(s.bodyRotation.z).Float(s.bodyRotation.w);
    return bytes.Float(s.sampleTime);
}

// A fresh profile: every level record reset (no time, spare 4, no ghost).
std::string FreshSave(const std::string& profile, const std::string& player, const SYSTEMTIME& time)
{
    Bytes bytes;
    bytes.Text(profile).Text(player);
    PutStamp(bytes, time).Int(0).Int(0);
    for (int level = 0; level < CPGameData::kLevelCount; ++level)
        bytes.Float(0.0f).Int(4).Int(0);
    return bytes.Get();
}

// A profile that has raced: races passed, points, two level records, one
// with a ghost of two samples.
std::string PlayedSave(const SYSTEMTIME& time)
{
    Bytes bytes;
    bytes.Text("Ann").Text("scout");
    PutStamp(bytes, time).Int(3).Int(1250);
    for (int level = 0; level < CPGameData::kLevelCount; ++level) {
        if (level == 1) {
            bytes.Float(61.5f).Int(7).Int(2).Text("scout_469");
            PutSample(bytes, Sample(1.0f));
            PutSample(bytes, Sample(5.0f));
        } else if (level == 11) {
            bytes.Float(99.25f).Int(-2).Int(0);
        } else {
            bytes.Float(0.0f).Int(4).Int(0);
        }
    }
    return bytes.Get();
}

void MakePlayed(CPGameData& data)
{
    data.ResetForLoad("Ann");
    data.m_playerName = "scout";
    data.m_money = 5000.0f;
    data.m_currentMission = 4;
    data.m_racesPassed = 3;
    data.m_points = 1250;
    data.m_levelRecords[1].bestTime = 61.5f;
    data.m_levelRecords[1].spare = 7;
    data.m_levelRecords[1].ghostModel = "scout_469";
    data.m_levelRecords[1].ghost = { Sample(1.0f), Sample(5.0f) };
    data.m_levelRecords[11].bestTime = 99.25f;
    data.m_levelRecords[11].spare = -2;
}

// What a save or a load may change, in one comparable text.
std::string Snapshot(const CPGameData& data)
{
    std::string text = data.m_profileName + "|" + data.m_playerName + "|" + std::to_string(data.m_saveSlot) + "|"
                       + std::to_string(data.m_currentMission) + "|" + std::to_string(data.m_racesPassed) + "|"
                       + std::to_string(data.m_points);
    for (const CPLevelRecord& record : data.m_levelRecords) {
        text += "|" + std::to_string(record.bestTime) + "," + std::to_string(record.spare) + "," + record.ghostModel;
        for (const CPGhostSample& sample : record.ghost) {
            Bytes bytes;
            text += "," + PutSample(bytes, sample).Get();
        }
    }
    return text;
}

class SaveGames : public ::testing::Test
{
protected:
    void SetUp() override { PlatformClock::SetLocalTime(m_now); }
    void TearDown() override { PlatformClock::UseRealClocks(); }

    SYSTEMTIME m_now = Stamp(2026, 12, 10, 20, 15, 42, 4, 123);
    ScratchRoot m_root;
};
}

TEST_F(SaveGames, AFreshProfileIsWrittenByteForByteIntoTheFirstSlot)
{
    CPGameData data;
    data.ResetForLoad("Ann");
    data.m_playerName = "coupe_tt";
    ASSERT_FALSE(m_root.OnDisk("data"));

    data.SaveGame();
    EXPECT_EQ(data.m_saveSlot, 0);
    EXPECT_EQ(m_root.ReadFile(kSlot0), FreshSave("Ann", "coupe_tt", m_now));
    // A level record without a ghost takes exactly 12 bytes.
    EXPECT_EQ(m_root.ReadFile(kSlot0).size(), 4 + 3 + 4 + 8 + 16 + 8 + 12u * 12);

    // Its own slot again, even though that slot is taken now.
    data.m_playerName = "saloon";
    data.SaveGame();
    EXPECT_EQ(data.m_saveSlot, 0);
    EXPECT_EQ(m_root.ReadFile(kSlot0), FreshSave("Ann", "saloon", m_now));
    EXPECT_EQ(m_root.Names("data/saves"), std::vector<std::string> { "save0.sav" });
}

TEST_F(SaveGames, APlayedProfileRoundTripsWithItsGhost)
{
    CPGameData data;
    MakePlayed(data);
    ASSERT_EQ(data.WriteSave("save4.sav"), S_OK);
    const std::string expected = PlayedSave(m_now);
    EXPECT_EQ(m_root.ReadFile("data/saves/save4.sav"), expected);
    // The ghost's record: 12 bytes, the model name and 68 bytes a sample.
    EXPECT_EQ(expected.size(), 4 + 3 + 4 + 5 + 16 + 8 + 12u * 12 + 4 + 9 + 2 * 68);

    CPGameData loaded;
    loaded.m_racesPassed = 99;
    loaded.m_currentMission = 6;
    loaded.m_money = 12.0f;
    ASSERT_TRUE(loaded.LoadGame("save4.sav"));
    EXPECT_EQ(loaded.m_saveSlot, 4);
    EXPECT_EQ(loaded.m_currentMission, 1); // not saved
    EXPECT_EQ(loaded.m_money, 12.0f); // not saved
    data.m_saveSlot = 4;
    data.m_currentMission = 1;
    EXPECT_EQ(Snapshot(loaded), Snapshot(data));

    // Saving the loaded profile goes back to its slot, byte for byte.
    m_root.MakeFile("data/saves/save4.sav", "x");
    loaded.SaveGame();
    EXPECT_EQ(m_root.ReadFile("data/saves/save4.sav"), expected);
}

TEST_F(SaveGames, FilesThatAreNotWholeSavesChangeNothing)
{
    const std::string whole = PlayedSave(m_now);
    std::vector<std::pair<std::string, std::string>> files = {
        { "empty", "" },
        { "one byte too many", whole + "x" },
        { "ends after the first level record", FreshSave("Bob", "p", m_now).substr(0, 48) },
    };
    // Every prefix of a whole file is a file cut short.
    for (size_t length = 1; length < whole.size(); length += (length < 60 ? 1 : 29))
        files.emplace_back("cut at " + std::to_string(length), whole.substr(0, length));

    const std::string head = Bytes().Text("Bob").Text("p").Get() + std::string(16 + 8, '\0');
    auto records = [](int32_t firstCount, const std::string& rest) {
        Bytes bytes;
        bytes.Float(1.0f).Int(4).Int(firstCount).Raw(rest);
        for (int level = 1; level < CPGameData::kLevelCount; ++level)
            bytes.Float(0.0f).Int(4).Int(0);
        return bytes.Get();
    };
    files.emplace_back("negative ghost count", head + records(-1, ""));
    files.emplace_back("ghost count of 2^31 - 1", head + records(0x7FFFFFFF, Bytes().Text("m").Get()));
    files.emplace_back("ghost count one sample too many",
                       head + records(2, Bytes().Text("m").Raw(std::string(68, '\0')).Get()));
    files.emplace_back("model length past the end", head + records(1, Bytes().Int(1 << 30).Get()));
    files.emplace_back("negative name length", Bytes().Int(-5).Raw(whole.substr(7)).Get());
    files.emplace_back("name length past the end", Bytes().Int(0x7FFFFFF0).Raw(whole.substr(4)).Get());

    for (const auto& [what, bytes] : files) {
        m_root.MakeFile("data/saves/save1.sav", bytes);
        CPGameData data;
        MakePlayed(data);
        data.m_saveSlot = 2;
        const std::string before = Snapshot(data);
        EXPECT_FALSE(data.LoadGame("save1.sav")) << what;
        EXPECT_EQ(Snapshot(data), before) << what;
    }
}

TEST_F(SaveGames, NamesOutsideTheSaveFolderAreRefused)
{
    m_root.MakeFile("data/saves/save1.sav", PlayedSave(m_now));
    m_root.MakeFile("data/save1.sav", PlayedSave(m_now));
    m_root.MakeFile("data/saves/sub/save1.sav", PlayedSave(m_now));
    for (const char* name : { "..\\save1.sav", "../save1.sav", "sub\\save1.sav", "sub/save1.sav", "..", "" }) {
        CPGameData data;
        data.ResetForLoad("Zed");
        EXPECT_FALSE(data.LoadGame(name)) << name;
        EXPECT_EQ(data.m_profileName, "Zed") << name;
        data.DeleteSave(name);
    }
    EXPECT_EQ(m_root.ReadFile("data/save1.sav"), PlayedSave(m_now));
    EXPECT_EQ(m_root.ReadFile("data/saves/sub/save1.sav"), PlayedSave(m_now));
}

TEST_F(SaveGames, SlotNumbersComeFromWellFormedNamesOnly)
{
    const struct
    {
        const char* name;
        int32_t slot;
    } cases[] = {
        { "save0.sav", 0 },  { "save5.sav", 5 },   { "SAVE3.SAV", 3 },      { "save03.sav", 3 },
        { "save6.sav", -1 }, { "save-1.sav", -1 }, { "save.sav", -1 },      { "save1.dat", -1 },
        { "xave1.sav", -1 }, { "save1x.sav", -1 }, { "save1.sav.bak", -1 }, { "save99999999999.sav", -1 },
        { "", -1 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(SaveFile::SlotOfFileName(c.name), c.slot) << c.name;

    // A file loaded under another name has no slot: the next save looks for one.
    m_root.MakeFile("data/saves/backup.sav", PlayedSave(m_now));
    CPGameData data;
    ASSERT_TRUE(data.LoadGame("backup.sav"));
    EXPECT_EQ(data.m_saveSlot, -1);
    EXPECT_EQ(data.m_profileName, "Ann");
}

TEST_F(SaveGames, ANewProfileTakesTheFirstFreeSlotElseTheOldest)
{
    const SYSTEMTIME monthEnd = Stamp(2026, 3, 31, 23, 59, 59, 2, 999);
    const SYSTEMTIME nextMonth = Stamp(2026, 4, 1, 0, 0, 0, 3, 0);
    const SYSTEMTIME later = Stamp(2026, 5, 1, 0, 0, 0);
    const SYSTEMTIME sameSecond = Stamp(2026, 5, 1, 0, 0, 0, 1, 0);
    const struct
    {
        const char* what;
        std::vector<const SYSTEMTIME*> slots; // null: a missing slot
        bool emptySlot2;
        int32_t chosen;
    } cases[] = {
        { "none saved", {}, false, 0 },
        { "slots 0 to 2 used", { &later, &later, &later }, false, 3 },
        { "slot 2 deleted", { &later, &later, &later }, true, 2 },
        { "all used, slot 4 oldest", { &later, &later, &nextMonth, &later, &monthEnd, &nextMonth }, false, 4 },
        { "equal oldest: the lower slot", { &later, &monthEnd, &later, &monthEnd, &later, &later }, false, 1 },
        { "slot 0 oldest", { &monthEnd, &later, &later, &later, &later, &later }, false, 0 },
        { "milliseconds and weekday do not count", { &later, &later, &later, &sameSecond, &later, &later }, false, 0 },
    };
    for (const auto& c : cases) {
        m_root.Clear();
        for (size_t slot = 0; slot < c.slots.size(); ++slot)
            m_root.MakeFile("data/saves/" + SaveFile::SlotFileName(static_cast<int32_t>(slot)),
                            FreshSave("old" + std::to_string(slot), "p", *c.slots[slot]));
        if (c.emptySlot2)
            m_root.MakeFile("data/saves/save2.sav", "");
        CPGameData data;
        data.ResetForLoad("New");
        data.SaveGame();
        EXPECT_EQ(data.m_saveSlot, c.chosen) << c.what;
        EXPECT_EQ(m_root.ReadFile("data/saves/" + SaveFile::SlotFileName(c.chosen)), FreshSave("New", "", m_now))
            << c.what;
    }
}

TEST_F(SaveGames, DeletingEmptiesTheFileAndFreesTheSlot)
{
    CPGameData data;
    for (const char* profile : { "A", "B", "C" }) {
        data.ResetForLoad(profile);
        data.SaveGame();
    }
    EXPECT_EQ(data.GetSaves(), (std::vector<std::string> { "A", "B", "C", "", "", "" }));
    data.DeleteSave("save1.sav");
    EXPECT_TRUE(m_root.OnDisk("data/saves/save1.sav"));
    EXPECT_EQ(m_root.ReadFile("data/saves/save1.sav"), "");
    EXPECT_EQ(data.GetSaves(), (std::vector<std::string> { "A", "", "C", "", "", "" }));
    EXPECT_FALSE(data.LoadGame("save1.sav"));
    EXPECT_EQ(data.m_profileName, "C");
}

TEST_F(SaveGames, AProfileSwitchLeavesNoGhostBehind)
{
    m_root.MakeFile("data/saves/save3.sav", PlayedSave(m_now));
    CPGameData data;
    ASSERT_TRUE(data.LoadGame("save3.sav"));
    ASSERT_EQ(data.m_levelRecords[1].ghost.size(), 2u);
    data.m_racesPassed = 8;

    data.ResetForLoad("Bob");
    EXPECT_EQ(data.m_saveSlot, -1);
    EXPECT_EQ(data.m_racesPassed, 8); // kept
    for (const CPLevelRecord& record : data.m_levelRecords) {
        EXPECT_TRUE(record.ghost.empty());
        EXPECT_TRUE(record.ghostModel.empty());
        EXPECT_EQ(record.spare, 4);
        EXPECT_EQ(record.bestTime, 0.0f);
    }
    data.m_playerName = "p";
    data.SaveGame();
    EXPECT_EQ(data.m_saveSlot, 0);
    std::string expected = FreshSave("Bob", "p", m_now);
    expected.replace(4 + 3 + 4 + 1 + 16, 4, Bytes().Int(8).Get());
    EXPECT_EQ(m_root.ReadFile(kSlot0), expected);

    // Loading a profile without ghosts after one with them: none survives.
    ASSERT_TRUE(data.LoadGame("save3.sav"));
    ASSERT_TRUE(data.LoadGame("save0.sav"));
    for (const CPLevelRecord& record : data.m_levelRecords)
        EXPECT_TRUE(record.ghost.empty());
}

TEST_F(SaveGames, AFailedWriteKeepsTheOldSaveAndTheChosenSlot)
{
    m_root.MakeFile(kSlot0, FreshSave("Old", "p", m_now));
    m_root.MakeDirectory("data/saves/save1.sav");
    CPGameData data;
    data.ResetForLoad("New");
    data.SaveGame();
    EXPECT_EQ(data.m_saveSlot, 1);
    EXPECT_EQ(m_root.ReadFile(kSlot0), FreshSave("Old", "p", m_now));
    EXPECT_EQ(data.WriteSave("save1.sav"), E_FAIL);
}
