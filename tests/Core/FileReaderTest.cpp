#include "Core/PFileReader.h"

#include "Core/PScramble.h"
#include "ScratchRoot.h"

#include <gtest/gtest.h>

namespace
{
std::string Scrambled(std::string bytes)
{
    ScrambleBuffer(reinterpret_cast<BYTE*>(&bytes[0]), bytes.size());
    return bytes;
}

// A reader over a file holding the given bytes.
class ReaderOver
{
public:
    ReaderOver(const ScratchRoot& root, const std::string& bytes)
        : reader("Data\\Test.bin")
    {
        root.MakeFile("Data/Test.bin", bytes);
        result = reader.Load();
    }
    CPFileReader reader;
    HRESULT result;
};

class FileReader : public ::testing::Test
{
protected:
    void TearDown() override { g_PackArchives.clear(); }
    ScratchRoot root;
};
}

TEST_F(FileReader, ReadsLittleEndianValuesAndStrings)
{
    ReaderOver over(root, ByteString({ 0x01, 0x02, 0x03, 0x04,              // int
                                  0x00, 0x00, 0xC0, 0xBF,              // -1.5f
                                  0x03, 0x00, 0x00, 0x00, 'A', 0, 'B', // "A", 7 bytes in all
                                  0x02, 0x00, 0x00, 0x00, 'h', 'i',    // "hi"
                                  0xFE, 0xFF, 0xFF, 0xFF }));          // -2
    ASSERT_EQ(over.result, S_OK);
    CPFileReader& reader = over.reader;
    EXPECT_EQ(reader.GetSize(), 25);
    EXPECT_EQ(reader.GetData()[0], 0x01);
    EXPECT_EQ(reader.ReadInt(), 0x04030201);
    EXPECT_EQ(reader.ReadFloat(), -1.5f);
    EXPECT_EQ(reader.ReadString(), "A");
    EXPECT_EQ(reader.ReadString(), "hi");
    EXPECT_EQ(reader.ReadInt(), -2);
}

TEST_F(FileReader, ReadsPastTheEndGiveZeros)
{
    ReaderOver over(root, ByteString({ 0xAA, 0xBB, 0xCC }));
    ASSERT_EQ(over.result, S_OK);
    CPFileReader& reader = over.reader;
    EXPECT_EQ(reader.ReadInt(), 0x00CCBBAA);
    EXPECT_EQ(reader.ReadInt(), 0);
    EXPECT_EQ(reader.ReadFloat(), 0.0f);
    EXPECT_EQ(reader.ReadString(), "");
    unsigned char buffer[8];
    std::memset(buffer, 0xFF, sizeof(buffer));
    EXPECT_EQ(reader.Read(buffer, sizeof(buffer)), S_OK);
    for (unsigned char b : buffer)
        EXPECT_EQ(b, 0);
}

TEST_F(FileReader, StringLengthsAreBoundedByTheData)
{
    struct Case
    {
        const char* name;
        std::string bytes;
        std::string text;
        int32_t next; // the integer read after the string
    };
    const Case cases[] = {
        { "empty", ByteString({ 0, 0, 0, 0, 7, 0, 0, 0 }), "", 7 },
        { "no terminator", ByteString({ 2, 0, 0, 0, 'o', 'k', 7, 0, 0, 0 }), "ok", 7 },
        { "zero inside", ByteString({ 4, 0, 0, 0, 'a', 0, 'b', 'c', 7, 0, 0, 0 }), "a", 7 },
        { "negative length", ByteString({ 0xFF, 0xFF, 0xFF, 0xFF, 7, 0, 0, 0 }), "", 7 },
        { "most negative", ByteString({ 0, 0, 0, 0x80, 7, 0, 0, 0 }), "", 7 },
        { "past the end", ByteString({ 0xFF, 0xFF, 0xFF, 0x7F, 'h', 'e', 'y' }), "hey", 0 },
        { "one byte too long", ByteString({ 4, 0, 0, 0, 'a', 'b', 'c' }), "abc", 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReaderOver over(root, c.bytes);
        ASSERT_EQ(over.result, S_OK);
        EXPECT_EQ(over.reader.ReadString(), c.text);
        EXPECT_EQ(over.reader.ReadInt(), c.next);
    }
}

TEST_F(FileReader, FindsTheFileWhateverItsCaseOnDisk)
{
    root.MakeFile("Data/Levels/Track.LVL", ByteString({ 5, 0, 0, 0 }));
    CPFileReader reader("DATA\\levels\\track.lvl");
    ASSERT_EQ(reader.Load(), S_OK);
    EXPECT_EQ(reader.ReadInt(), 5);
}

TEST_F(FileReader, MissingAndEmptyFiles)
{
    CPFileReader missing("Data\\nothing.dat");
    EXPECT_EQ(missing.Load(), E_FAIL);
    EXPECT_EQ(missing.GetSize(), 0);
    EXPECT_EQ(missing.GetData(), nullptr);
    EXPECT_EQ(missing.ReadInt(), 0);

    ReaderOver empty(root, "");
    EXPECT_EQ(empty.result, S_OK);
    EXPECT_EQ(empty.reader.GetSize(), 0);
    EXPECT_EQ(empty.reader.GetData(), nullptr);

    // A directory is not a file.
    root.MakeDirectory("Data/Dir");
    CPFileReader directory("data\\dir");
    EXPECT_EQ(directory.Load(), E_FAIL);
    EXPECT_EQ(directory.GetSize(), 0);

    // A failed load drops what an earlier one held.
    ReaderOver reloaded(root, ByteString({ 1, 2, 3, 4 }));
    std::filesystem::remove(root.Host("Data/Test.bin"));
    EXPECT_EQ(reloaded.reader.Load(), E_FAIL);
    EXPECT_EQ(reloaded.reader.GetSize(), 0);
    EXPECT_EQ(reloaded.reader.GetData(), nullptr);
}

TEST_F(FileReader, DescramblesOnlyWhenAsked)
{
    const std::string plain = ByteString({ 9, 0, 0, 0, 3, 0, 0, 0, 'a', 'b', 'c' });
    root.MakeFile("Data/scores.dat", Scrambled(plain));
    CPFileReader descrambled("Data\\scores.dat", 1);
    ASSERT_EQ(descrambled.Load(), S_OK);
    EXPECT_EQ(descrambled.ReadInt(), 9);
    EXPECT_EQ(descrambled.ReadString(), "abc");

    CPFileReader raw("Data\\scores.dat");
    ASSERT_EQ(raw.Load(), S_OK);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(raw.GetData()), raw.GetSize()), Scrambled(plain));
}

TEST_F(FileReader, ReadsFromArchivesWhenMissingOnDisk)
{
    const std::string entry = ByteString({ 42, 0, 0, 0 });
    root.MakeFile("Packs/one.pak", "junk" + Scrambled(entry));
    CPPackArchive unreadable;
    unreadable.path = "Packs\\missing.pak";
    unreadable.index["data\\levels\\packed.lvl"] = CPPackEntry { 0, 4 };
    CPPackArchive archive;
    archive.path = "PACKS\\ONE.PAK";
    archive.index["data\\levels\\packed.lvl"] = CPPackEntry { 4, 4 };
    archive.index["data\\short.lvl"] = CPPackEntry { 6, 4 };
    g_PackArchives = { unreadable, archive };

    // The key is the lower-cased path as given; the archive that cannot be
    // opened is passed over. Entries are unscrambled whatever the flag says.
    CPFileReader reader("Data\\Levels\\Packed.lvl");
    ASSERT_EQ(reader.Load(), S_OK);
    EXPECT_EQ(reader.GetSize(), 4);
    EXPECT_EQ(reader.ReadInt(), 42);

    // An entry running past the archive's end reads short: E_FAIL, with the
    // full length held and nothing read beyond the file.
    CPFileReader cut("data\\short.lvl");
    EXPECT_EQ(cut.Load(), E_FAIL);
    EXPECT_EQ(cut.GetSize(), 4);

    CPFileReader other("data\\levels\\other.lvl");
    EXPECT_EQ(other.Load(), E_FAIL);

    // A file on disk comes before the archives.
    root.MakeFile("Data/Levels/packed.lvl", ByteString({ 7, 0, 0, 0 }));
    CPFileReader fromDisk("Data\\Levels\\Packed.lvl");
    ASSERT_EQ(fromDisk.Load(), S_OK);
    EXPECT_EQ(fromDisk.ReadInt(), 7);
}
