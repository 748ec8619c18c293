// The best-lap tables: lap times as entries, the first seven in arrival
// order, the eighth against the sorted seven, the listing, and the score file
// written scrambled and read back through the scrambler.
#include "Race/PScoreTable.h"

#include "Core/PFileReader.h"
#include "ScratchRoot.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
CPRecordEntry Entry(const std::string& name, int32_t minutes, int32_t seconds, int32_t hundredths)
{
    CPRecordEntry entry;
    entry.name = name;
    entry.minutes = minutes;
    entry.seconds = seconds;
    entry.hundredths = hundredths;
    return entry;
}

std::string Names(const std::vector<CPRecordEntry>& table)
{
    std::string names;
    for (const CPRecordEntry& entry : table)
        names += entry.name;
    return names;
}

void PutInt(std::string& bytes, int32_t value)
{
    const uint32_t bits = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        bytes += static_cast<char>((bits >> shift) & 0xFF);
}

void PutRecord(std::string& bytes, int32_t table, const std::string& name, int32_t minutes, int32_t seconds,
               int32_t hundredths)
{
    PutInt(bytes, table);
    PutInt(bytes, static_cast<int32_t>(name.size()));
    bytes += name;
    PutInt(bytes, minutes);
    PutInt(bytes, seconds);
    PutInt(bytes, hundredths);
}

// The score file as the program reads it: unscrambled.
std::string ReadUnscrambled()
{
    CPFileReader reader(CPScoreTable::kFileName, 1);
    if (FAILED(reader.Load()))
        return "<missing>";
    const BYTE* data = reader.GetData();
    return data ? std::string(reinterpret_cast<const char*>(data), static_cast<size_t>(reader.GetSize())) : "";
}
}

TEST(ScoreTable, SplitsLapTimesIntoEntries)
{
    const struct
    {
        float lap;
        int32_t minutes;
        int32_t seconds;
        int32_t hundredths;
    } cases[] = {
        { 65.5f, 1, 5, 50 }, { 42.25f, 0, 42, 25 }, { 0.0f, 0, 0, 0 }, { 60.0f, 1, 0, 0 }, { 3725.75f, 62, 5, 75 },
    };
    for (const auto& c : cases) {
        const CPRecordEntry entry = CPScoreTable::MakeEntry("me", c.lap);
        EXPECT_EQ(entry.name, "me");
        EXPECT_EQ(entry.minutes, c.minutes) << c.lap;
        EXPECT_EQ(entry.seconds, c.seconds) << c.lap;
        EXPECT_EQ(entry.hundredths, c.hundredths) << c.lap;
    }
    EXPECT_TRUE(CPScoreTable::IsFaster(Entry("z", 1, 5, 30), Entry("a", 1, 5, 31)));
    EXPECT_TRUE(CPScoreTable::IsFaster(Entry("z", 1, 4, 99), Entry("a", 1, 5, 30)));
    EXPECT_TRUE(CPScoreTable::IsFaster(Entry("z", 0, 59, 99), Entry("a", 1, 0, 0)));
    EXPECT_FALSE(CPScoreTable::IsFaster(Entry("a", 1, 5, 30), Entry("z", 1, 5, 30)));
}

TEST(ScoreTable, SevenArriveInOrderThenTheEighthMustBeatOne)
{
    CPRecordTables tables(2);
    CPScoreTable scores(tables);
    // Seven laps, slow and fast mixed, with C and F tied: kept as they came.
    const CPRecordEntry seven[] = { Entry("A", 1, 30, 0), Entry("B", 1, 10, 0), Entry("C", 1, 20, 0),
                                    Entry("D", 1, 40, 0), Entry("E", 1, 5, 0),  Entry("F", 1, 20, 0),
                                    Entry("G", 1, 50, 0) };
    for (const CPRecordEntry& entry : seven)
        EXPECT_TRUE(scores.CheckPlayerRecords(2, entry));
    EXPECT_EQ(Names(tables[1]), "ABCDEFG");
    EXPECT_TRUE(tables[0].empty());

    // Not faster than the slowest: refused, the seven now sorted, the tie in
    // arrival order.
    EXPECT_FALSE(scores.CheckPlayerRecords(2, Entry("H", 1, 50, 0)));
    EXPECT_EQ(Names(tables[1]), "EBCFADG");
    // Faster than some: in before the first slower one, the slowest gone.
    EXPECT_TRUE(scores.CheckPlayerRecords(2, Entry("I", 1, 20, 0)));
    EXPECT_EQ(Names(tables[1]), "EBCFIAD");
    EXPECT_TRUE(scores.CheckPlayerRecords(2, Entry("J", 0, 59, 0)));
    EXPECT_EQ(Names(tables[1]), "JEBCFIA");
    EXPECT_EQ(tables[1].size(), CPScoreTable::kFilledSize);

    // A level without a table enters nothing.
    for (int32_t level : { 0, -1, 3, 1000 })
        EXPECT_FALSE(scores.CheckPlayerRecords(level, Entry("K", 0, 1, 0))) << level;
    EXPECT_TRUE(tables[0].empty());
    EXPECT_EQ(tables.size(), 2u);
}

TEST(ScoreTable, ListsNamesWithTheirTimes)
{
    CPRecordTables tables(3);
    tables[2] = { Entry("A", 1, 5, 7), Entry("B", 0, 59, 3), Entry("", 2, 0, 0), Entry("C", 12, 0, 99) };
    const CPScoreTable scores(tables);
    const std::vector<std::pair<std::string, std::string>> expected = {
        { "A", "01:05:07" }, { "B", "00:59:03" }, { "", "" }, { "C", "12:00:99" } };
    EXPECT_EQ(scores.GetListing(3), expected);
    EXPECT_TRUE(scores.GetListing(1).empty());
    EXPECT_TRUE(scores.GetListing(0).empty());
    EXPECT_TRUE(scores.GetListing(4).empty());
}

TEST(ScoreTable, WritesEveryEntryScrambled)
{
    ScratchRoot root;
    root.MakeDirectory("DATA");
    CPRecordTables tables(4);
    CPScoreTable scores(tables);

    // No entries at all: an empty file.
    ASSERT_EQ(scores.SaveScore(), S_OK);
    EXPECT_TRUE(root.OnDisk("DATA/scores.dat"));
    EXPECT_EQ(root.ReadFile("DATA/scores.dat"), "");

    tables[0] = { Entry("Ann", 1, 2, 3) };
    tables[2] = { Entry("", 0, 59, 99), Entry("Bo", 10, 0, 1) };
    ASSERT_EQ(scores.SaveScore(), S_OK);
    std::string expected;
    PutRecord(expected, 0, "Ann", 1, 2, 3);
    PutRecord(expected, 2, "", 0, 59, 99);
    PutRecord(expected, 2, "Bo", 10, 0, 1);
    EXPECT_EQ(ReadUnscrambled(), expected);
    const std::string onDisk = root.ReadFile("DATA/scores.dat");
    EXPECT_EQ(onDisk.size(), expected.size());
    EXPECT_NE(onDisk, expected);

    // Saving again rewrites the file from the tables.
    tables[2].clear();
    ASSERT_EQ(scores.SaveScore(), S_OK);
    expected.clear();
    PutRecord(expected, 0, "Ann", 1, 2, 3);
    EXPECT_EQ(ReadUnscrambled(), expected);
}

TEST(ScoreTable, AFileThatCannotBeWrittenChangesNothing)
{
    ScratchRoot root;
    CPRecordTables tables(1);
    tables[0] = { Entry("Ann", 1, 2, 3) };
    const CPScoreTable scores(tables);
    // No data directory: nothing is written.
    EXPECT_EQ(scores.SaveScore(), E_FAIL);
    EXPECT_FALSE(root.OnDisk("Data"));
    // A directory where the file belongs.
    root.MakeDirectory("Data/Scores.dat");
    EXPECT_EQ(scores.SaveScore(), E_FAIL);
    EXPECT_EQ(tables[0].size(), 1u);
}
