#include "Platform/WideChar.h"

#include <gtest/gtest.h>

TEST(WideChar, ConvertsWholeTextsOrNothing)
{
    // Widening, as the music player relies on it: a text without room for
    // its terminating zero is refused, not cut.
    WCHAR wide[8] = {};
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, "a\xE9z", -1, wide, 8), 4);
    EXPECT_EQ(std::u16string(wide), u"a\u00e9z");
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abcdefgh", -1, wide, 8), 0);

    char narrow[8] = {};
    BOOL lossy = FALSE;
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"a\u00e9\u4e50", -1, nullptr, 0, nullptr, nullptr), 4);
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, u"a\u00e9\u4e50", -1, narrow, 8, nullptr, &lossy), 4);
    EXPECT_STREQ(narrow, "a\xE9?");
    EXPECT_TRUE(lossy);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"abcdefgh", -1, narrow, 8, nullptr, nullptr), 0);
}
