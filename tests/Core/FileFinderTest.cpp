#include "Core/PFileFinder.h"

#include "ScratchRoot.h"

#include <gtest/gtest.h>

TEST(FileFinder, NamesTheFirstMatchOrFails)
{
    ScratchRoot root;
    root.MakeFile("Data/Saves/save1.sav", "");
    root.MakeFile("Data/Saves/save0.sav", "");

    CPFileFinder finder("DATA\\SAVES\\*.SAV");
    ASSERT_EQ(finder.FindFirst(), S_OK);
    EXPECT_EQ(finder.GetName(), "save0.sav");
    EXPECT_EQ(finder.GetFindData().dwFileAttributes, FILE_ATTRIBUTE_NORMAL);
    ASSERT_EQ(finder.FindFirst(), S_OK); // again, without leaking the first search
    EXPECT_EQ(finder.GetName(), "save0.sav");

    CPFileFinder none("data\\saves\\*.dat");
    EXPECT_EQ(none.FindFirst(), E_FAIL);
    EXPECT_EQ(none.GetName(), "");

    CPFileFinder missingDirectory("data\\levels\\*");
    EXPECT_EQ(missingDirectory.FindFirst(), E_FAIL);
}
