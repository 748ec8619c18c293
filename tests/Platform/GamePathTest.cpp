#include "Platform/GamePath.h"

#include "ScratchRoot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

namespace
{
std::string ReadAll(FILE* file)
{
    std::string text;
    char buffer[256];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0)
        text.append(buffer, got);
    std::fclose(file);
    return text;
}

bool WriteText(const std::string& gamePath, const std::string& text)
{
    FILE* file = GamePath::GameFOpen(gamePath, "wb");
    if (!file)
        return false;
    std::fwrite(text.data(), 1, text.size(), file);
    return std::fclose(file) == 0;
}
}

TEST(GamePath, ResolvesAcrossCaseSeparatorsAndDots)
{
    ScratchRoot root;
    root.MakeFile("Data/Levels/Track01.lvl", "t");
    root.MakeFile("Data/effects/skyscape_light.fx", "f");
    root.MakeFile("Data/Scripts/veltrix.exe", "x");
    root.MakeFile("config.cfg", "c");

    struct Case
    {
        const char* gamePath;
        const char* expected; // relative to the root; null when it must fail
    };
    const Case cases[] = {
        { "Data\\Levels\\Track01.lvl", "Data/Levels/Track01.lvl" },
        { "data\\levels\\track01.lvl", "Data/Levels/Track01.lvl" },
        { "DATA/LEVELS/TRACK01.LVL", "Data/Levels/Track01.lvl" },
        { "data/effects/skyscape_light.fx", "Data/effects/skyscape_light.fx" },
        { ".\\data\\scripts\\veltrix.exe", "Data/Scripts/veltrix.exe" },
        { "data\\\\levels//track01.lvl", "Data/Levels/Track01.lvl" },
        { "data\\levels\\..\\EFFECTS\\.\\skyscape_light.fx", "Data/effects/skyscape_light.fx" },
        { "..\\..\\config.cfg", "config.cfg" }, // ".." stops at the root
        { "\\Config.CFG", "config.cfg" },
        { "data\\levels\\", "Data/Levels" },
        { "", "" },
        { "data\\levels\\track02.lvl", nullptr },
        { "data\\levels\\track01.lvl\\more", nullptr },
        { "data\\levels\\track01.lvl\\..", nullptr },
        { "missing\\config.cfg", nullptr },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gamePath);
        std::string host;
        const bool found = GamePath::ResolveForReading(c.gamePath, host);
        ASSERT_EQ(found, c.expected != nullptr);
        if (c.expected) {
            EXPECT_EQ(host, root.Host(c.expected));
        }
    }
}

TEST(GamePath, NamesWithAZeroByteAreRefused)
{
    ScratchRoot root;
    root.MakeFile("config.cfg", "c");
    std::string host;
    EXPECT_FALSE(GamePath::ResolveForReading(std::string("config.cfg\0x", 12), host));
    EXPECT_FALSE(GamePath::ResolveForWriting(std::string("new\0dir\\f", 9), host));
    EXPECT_FALSE(GamePath::GameFOpen(std::string("a\0b", 3), "wb"));
    EXPECT_EQ(root.Names(""), std::vector<std::string> { "config.cfg" });
}

TEST(GamePath, ExactSpellingWinsThenByteOrder)
{
    ScratchRoot root;
    root.MakeFile("Readme.txt", "Readme");
    root.MakeFile("README.txt", "README");
    root.MakeFile("readme.txt", "readme");
    std::string host;
    ASSERT_TRUE(GamePath::ResolveForReading("readme.txt", host));
    EXPECT_EQ(host, root.Host("readme.txt"));
    ASSERT_TRUE(GamePath::ResolveForReading("Readme.txt", host));
    EXPECT_EQ(host, root.Host("Readme.txt"));
    ASSERT_TRUE(GamePath::ResolveForReading("ReadMe.TXT", host));
    EXPECT_EQ(host, root.Host("README.txt")); // 'E' sorts before 'e'
}

TEST(GamePath, WrittenFileIsReadBackInAnotherCase)
{
    ScratchRoot root;
    ASSERT_TRUE(WriteText("DATA\\Saves\\save0.sav", "first"));
    EXPECT_EQ(root.ReadFile("DATA/Saves/save0.sav"), "first");

    FILE* file = GamePath::GameFOpen("data\\saves\\SAVE0.SAV", "rb");
    ASSERT_TRUE(file);
    EXPECT_EQ(ReadAll(file), "first");

    // Writing in yet another case reuses the file and directories on disk.
    ASSERT_TRUE(WriteText("data/saves/Save0.sav", "second"));
    EXPECT_EQ(root.Names(""), std::vector<std::string> { "DATA" });
    EXPECT_EQ(root.Names("DATA/Saves"), std::vector<std::string> { "save0.sav" });
    EXPECT_EQ(root.ReadFile("DATA/Saves/save0.sav"), "second");

    ASSERT_TRUE(WriteText("data/saves/save0.sav", "")); // truncation, as a deleted save
    EXPECT_EQ(root.ReadFile("DATA/Saves/save0.sav"), "");
}

TEST(GamePath, AppendModeOpensForWriting)
{
    ScratchRoot root;
    root.MakeFile("Data/log.txt", "a");
    FILE* file = GamePath::GameFOpen("data\\LOG.TXT", "ab");
    ASSERT_TRUE(file);
    std::fputs("b", file);
    std::fclose(file);
    EXPECT_EQ(root.ReadFile("Data/log.txt"), "ab");
}

TEST(GamePath, WritingRefusesDirectoryAtFileAndFileAtDirectory)
{
    ScratchRoot root;
    root.MakeDirectory("Data/Saves");
    root.MakeFile("Data/scores.dat", "s");
    std::string host;
    EXPECT_FALSE(GamePath::ResolveForWriting("data\\saves", host));
    EXPECT_FALSE(GamePath::ResolveForWriting("data\\saves\\", host));
    EXPECT_FALSE(GamePath::ResolveForWriting("", host));
    EXPECT_FALSE(GamePath::ResolveForWriting("data\\saves\\..", host));
    EXPECT_FALSE(GamePath::GameFOpen("DATA\\SAVES", "wb"));
    EXPECT_FALSE(GamePath::GameFOpen("data\\scores.dat\\x", "wb"));
    // Reading a directory as a file is refused too.
    EXPECT_FALSE(GamePath::GameFOpen("data\\saves", "rb"));
    EXPECT_EQ(root.ReadFile("Data/scores.dat"), "s");
}

TEST(GamePath, MissingDirectoriesAreMadeAsSpelledOrRefused)
{
    ScratchRoot root;
    root.MakeDirectory("Data");
    std::string host;
    EXPECT_FALSE(GamePath::ResolveForWriting("data\\New\\Deeper\\f.txt", host, GamePath::MissingDirs::Fail));
    EXPECT_FALSE(root.OnDisk("Data/New"));
    EXPECT_FALSE(GamePath::GameFOpen("data\\New\\f.txt", "wb", GamePath::MissingDirs::Fail));
    EXPECT_FALSE(root.OnDisk("Data/New"));

    ASSERT_TRUE(GamePath::ResolveForWriting("data\\New\\Deeper\\f.txt", host));
    EXPECT_EQ(host, root.Host("Data/New/Deeper/f.txt"));
    EXPECT_TRUE(GamePath::IsDirectory("DATA/NEW/DEEPER"));
    EXPECT_FALSE(root.OnDisk("Data/New/Deeper/f.txt")); // resolving makes no file

    // An existing file is resolved to its own spelling.
    root.MakeFile("Data/New/Deeper/F.TXT", "");
    ASSERT_TRUE(GamePath::ResolveForWriting("data\\new\\deeper\\f.txt", host, GamePath::MissingDirs::Fail));
    EXPECT_EQ(host, root.Host("Data/New/Deeper/F.TXT"));
}

TEST(GamePath, NothingIsWrittenAboveTheRoot)
{
    ScratchRoot root;
    root.MakeDirectory("inner");
    GamePath::SetRoot(root.Host("inner"));
    ASSERT_TRUE(WriteText("..\\..\\..\\escape.txt", "x"));
    EXPECT_TRUE(root.OnDisk("inner/escape.txt"));
    EXPECT_FALSE(root.OnDisk("escape.txt"));
}

TEST(GamePath, RootIsUsedAsGiven)
{
    ScratchRoot root;
    root.MakeFile("Data/a.txt", "a");
    GamePath::SetRoot(root.Path() + "/");
    EXPECT_EQ(GamePath::GetRoot(), root.Path() + "/");
    std::string host;
    ASSERT_TRUE(GamePath::ResolveForReading("DATA\\A.TXT", host));
    EXPECT_EQ(host, root.Host("Data/a.txt"));
    ASSERT_TRUE(GamePath::ResolveForReading("", host));
    EXPECT_EQ(host, root.Path());

    GamePath::SetRoot(root.Host("nowhere"));
    EXPECT_FALSE(GamePath::ResolveForReading("", host));
    EXPECT_FALSE(GamePath::ResolveForReading("data\\a.txt", host));
    EXPECT_FALSE(GamePath::ResolveForWriting("data\\b.txt", host));
}

TEST(GamePath, CachedPathsReadNoDirectory)
{
    ScratchRoot root;
    root.MakeFile("Data/Levels/Track01.lvl", "t");
    std::string host;
    ASSERT_TRUE(GamePath::ResolveForReading("data\\levels\\track01.lvl", host));
    const uint64_t reads = GamePath::DirectoryReadCount();
    ASSERT_TRUE(GamePath::ResolveForReading("DATA\\Levels\\TRACK01.LVL", host));
    EXPECT_EQ(GamePath::DirectoryReadCount(), reads);

    // A write through the layer keeps the cache current: the new file and
    // directory resolve without reading a directory again.
    ASSERT_TRUE(WriteText("data\\levels\\New\\track02.lvl", "n"));
    const uint64_t afterWrite = GamePath::DirectoryReadCount();
    ASSERT_TRUE(GamePath::ResolveForReading("data\\levels\\new\\TRACK02.LVL", host));
    EXPECT_EQ(host, root.Host("Data/Levels/New/track02.lvl"));
    EXPECT_EQ(GamePath::DirectoryReadCount(), afterWrite);
}

TEST(GamePath, ChangesMadeByOthersAreSeen)
{
    ScratchRoot root;
    root.MakeFile("Data/a.txt", "old");
    std::string host;
    ASSERT_TRUE(GamePath::ResolveForReading("data\\a.txt", host));

    // A new file: the miss reads the directory again.
    root.MakeFile("Data/B.txt", "b");
    EXPECT_TRUE(GamePath::ResolveForReading("data\\b.txt", host));

    // A cached file replaced by another spelling: the open fails through the
    // cache and is retried with the directory read afresh.
    std::filesystem::remove(root.Host("Data/a.txt"));
    root.MakeFile("Data/A.TXT", "new");
    FILE* file = GamePath::GameFOpen("data\\a.txt", "rb");
    ASSERT_TRUE(file);
    EXPECT_EQ(ReadAll(file), "new");

    // The same through a remembered answer.
    root.MakeFile("Data/c.txt", "old");
    ASSERT_TRUE(GamePath::ResolveForReading("data\\c.txt", host));
    ASSERT_TRUE(GamePath::ResolveForReading("data\\c.txt", host));
    std::filesystem::remove(root.Host("Data/c.txt"));
    root.MakeFile("Data/C.TXT", "new");
    file = GamePath::GameFOpen("data\\c.txt", "rb");
    ASSERT_TRUE(file);
    EXPECT_EQ(ReadAll(file), "new");

    // A file removed by others is no longer reported.
    std::filesystem::remove(root.Host("Data/B.txt"));
    EXPECT_FALSE(GamePath::Exists("data\\b.txt"));

    // A file that became a directory.
    std::filesystem::remove(root.Host("Data/A.TXT"));
    root.MakeFile("Data/A.TXT/inner.txt", "i");
    EXPECT_TRUE(GamePath::IsDirectory("data\\a.txt"));
    EXPECT_TRUE(GamePath::ResolveForReading("data\\a.txt\\inner.txt", host));
}

TEST(GamePath, MissesInAnUnchangedDirectoryReadNothing)
{
    ScratchRoot root;
    root.MakeFile("Data/a.txt", "a");
    // Past the time the kernel's change stamps can lag behind.
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    std::string host;
    ASSERT_TRUE(GamePath::ResolveForReading("data\\a.txt", host));
    const uint64_t reads = GamePath::DirectoryReadCount();
    EXPECT_FALSE(GamePath::ResolveForReading("data\\missing.txt", host));
    EXPECT_FALSE(GamePath::Exists("data\\missing.txt"));
    if (GamePath::TrustsChangeTimes(root.Path())) {
        EXPECT_EQ(GamePath::DirectoryReadCount(), reads);
    }

    // Yet what others make, remove or put in the directory's place is seen.
    root.MakeFile("Data/B.txt", "b");
    ASSERT_TRUE(GamePath::ResolveForReading("data\\b.txt", host));
    EXPECT_EQ(host, root.Host("Data/B.txt"));
    std::filesystem::rename(root.Host("Data"), root.Host("Old"));
    root.MakeFile("Data/c.txt", "c");
    ASSERT_TRUE(GamePath::ResolveForReading("data\\c.txt", host));
    EXPECT_EQ(host, root.Host("Data/c.txt"));
}

TEST(GamePath, RemoveAndRenameKeepTheCacheCurrent)
{
    ScratchRoot root;
    ASSERT_TRUE(WriteText("Data\\one.txt", "1"));
    ASSERT_TRUE(WriteText("Data\\Two.txt", "2"));

    EXPECT_FALSE(GamePath::RemoveFile("data"));
    EXPECT_FALSE(GamePath::RemoveFile("data\\none.txt"));
    ASSERT_TRUE(GamePath::RemoveFile("DATA\\ONE.TXT"));
    EXPECT_FALSE(root.OnDisk("Data/one.txt"));
    EXPECT_FALSE(GamePath::Exists("data\\one.txt"));

    ASSERT_TRUE(WriteText("Data\\three.txt", "3"));
    // Renaming onto an existing file replaces it under its own spelling.
    ASSERT_TRUE(GamePath::RenameFile("data\\three.txt", "DATA\\TWO.TXT"));
    EXPECT_EQ(root.Names("Data"), std::vector<std::string> { "Two.txt" });
    EXPECT_EQ(root.ReadFile("Data/Two.txt"), "3");
    EXPECT_FALSE(GamePath::Exists("data\\three.txt"));
    // Onto a new name, spelled as given.
    ASSERT_TRUE(GamePath::RenameFile("data\\two.txt", "data\\Four.txt"));
    EXPECT_EQ(root.Names("Data"), std::vector<std::string> { "Four.txt" });
    EXPECT_TRUE(GamePath::Exists("DATA\\FOUR.TXT"));
    EXPECT_FALSE(GamePath::Exists("data\\two.txt"));
    // Neither a missing source nor a missing target directory is accepted.
    EXPECT_FALSE(GamePath::RenameFile("data\\none.txt", "data\\x.txt"));
    EXPECT_FALSE(GamePath::RenameFile("data\\four.txt", "data\\sub\\x.txt"));
    EXPECT_FALSE(root.OnDisk("Data/sub"));
}

TEST(GamePath, ListsEntriesInByteOrder)
{
    ScratchRoot root;
    root.MakeFile("Data/b.txt", "12345");
    root.MakeFile("Data/B.txt", "");
    root.MakeDirectory("Data/a");
    std::vector<GamePath::Entry> entries;
    ASSERT_TRUE(GamePath::ListDirectory("DATA", entries));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, "B.txt");
    EXPECT_FALSE(entries[0].isDirectory);
    EXPECT_EQ(entries[1].name, "a");
    EXPECT_TRUE(entries[1].isDirectory);
    EXPECT_EQ(entries[2].name, "b.txt");
    EXPECT_EQ(entries[2].size, 5u);

    root.MakeFile("Data/c.txt", "");
    ASSERT_TRUE(GamePath::ListDirectory("data\\", entries));
    EXPECT_EQ(entries.size(), 4u); // read afresh

    EXPECT_FALSE(GamePath::ListDirectory("data\\b.txt", entries));
    EXPECT_FALSE(GamePath::ListDirectory("nothing", entries));
    EXPECT_TRUE(entries.empty());
}
