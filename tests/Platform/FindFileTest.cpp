#include "Platform/FindFile.h"

#include "ScratchRoot.h"

#include <gtest/gtest.h>

namespace
{
// Every name a search reports, in order; empty when it finds nothing.
std::vector<std::string> FindAll(const char* pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(pattern, &data);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        names.push_back(data.cFileName);
    } while (FindNextFileA(search, &data));
    EXPECT_TRUE(FindClose(search));
    return names;
}

void MakeSaves(const ScratchRoot& root)
{
    root.MakeFile("Data/Saves/save0.sav", "12345");
    root.MakeFile("Data/Saves/SAVE1.SAV", "");
    root.MakeFile("Data/Saves/save10.sav", "");
    root.MakeFile("Data/Saves/notes.txt", "");
    root.MakeDirectory("Data/Saves/Sub");
}
}

TEST(FindFile, PatternsMatchTheLastComponentInAnyCase)
{
    ScratchRoot root;
    MakeSaves(root);
    using Names = std::vector<std::string>;
    struct Case
    {
        const char* pattern;
        Names expected;
    };
    const Case cases[] = {
        { "data\\saves\\*.sav", { "SAVE1.SAV", "save0.sav", "save10.sav" } },
        { "DATA\\SAVES\\save?.sav", { "SAVE1.SAV", "save0.sav" } },
        { "data/saves/s*0*", { "save0.sav", "save10.sav" } },
        { "data\\saves\\*", { "SAVE1.SAV", "Sub", "notes.txt", "save0.sav", "save10.sav" } },
        { "data\\saves\\NOTES.txt", { "notes.txt" } },
        { "data\\saves\\*.*x*", { "notes.txt" } },
        { "data\\*", { "Saves" } },
        { "data\\saves\\*.dat", {} },
        { "data\\saves\\save?", {} },
        { "data\\saves\\", {} },
        { "data\\missing\\*", {} },
        { "data\\saves\\notes.txt\\*", {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(FindAll(c.pattern), c.expected);
    }
}

TEST(FindFile, ReportsAttributesAndSize)
{
    ScratchRoot root;
    MakeSaves(root);
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA("data\\saves\\SAVE0.sav", &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_EQ(data.nFileSizeHigh, 0u);
    EXPECT_FALSE(FindNextFileA(search, &data));
    EXPECT_TRUE(FindClose(search));

    search = FindFirstFileA("data\\saves\\sub", &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_STREQ(data.cFileName, "Sub");
    EXPECT_TRUE(FindClose(search));

    EXPECT_FALSE(FindClose(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(FindNextFileA(INVALID_HANDLE_VALUE, &data));
}

TEST(FindFile, SeesFilesMadeSinceTheLastSearch)
{
    ScratchRoot root;
    MakeSaves(root);
    EXPECT_EQ(FindAll("data\\saves\\*.txt"), std::vector<std::string> { "notes.txt" });
    root.MakeFile("Data/Saves/more.txt", "");
    EXPECT_EQ(FindAll("data\\saves\\*.txt"), (std::vector<std::string> { "more.txt", "notes.txt" }));
}
