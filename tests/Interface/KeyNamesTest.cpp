#include "Interface/PKeyNames.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

TEST(KeyNames, CodesWithoutAKeyReadUndefined)
{
    // Every code from 0x00 to 0xD3 that has no key of its own.
    std::set<int> undefined = { 0x00, 0x7A, 0x7C, 0x8E, 0x8F, 0xB4, 0xB6, 0xC6, 0xCA, 0xCC, 0xCE };
    const int ranges[][2] = { { 0x54, 0x56 }, { 0x59, 0x63 }, { 0x67, 0x6F }, { 0x71, 0x78 },
                              { 0x7E, 0x8C }, { 0x98, 0x9B }, { 0x9E, 0xB2 }, { 0xB9, 0xC4 } };
    for (const auto& range : ranges) {
        for (int code = range[0]; code <= range[1]; ++code)
            undefined.insert(code);
    }
    ASSERT_EQ(undefined.size(), 94u);
    for (int code = 0; code < kKeyNameCount; ++code) {
        const bool isUndefined = std::string(KeyNames[code]) == "undefined key";
        EXPECT_EQ(isUndefined, undefined.count(code) == 1) << std::hex << code << " " << KeyNames[code];
    }
}

TEST(KeyNames, NamedCodes)
{
    const struct
    {
        int code;
        const char* name;
    } cases[] = {
        { 0x01, "Esc" }, { 0x02, "1" }, { 0x0B, "0" }, { 0x0E, "Backspace" }, { 0x1C, "Enter" },
        { 0x27, ";" }, { 0x28, "'" }, { 0x2B, "\\" }, { 0x37, "*" }, { 0x39, "Space" },
        { 0x47, "NumPad 7" }, { 0x53, "NumPad ." }, { 0x57, "F11" }, { 0x58, "F12" }, { 0x64, "F13" },
        { 0x70, "Kana" }, { 0x7D, "Yen" }, { 0x8D, "Numpad =" }, { 0x90, "CircumFlex" }, { 0x97, "Unlabeled" },
        { 0x9C, "NumPad Enter" }, { 0xB3, "Numpad ," }, { 0xB5, "Numpad /" }, { 0xB7, "SysRq" },
        { 0xC5, "Pause" }, { 0xC7, "Home" }, { 0xCB, "Left" }, { 0xD3, "Del" },
    };
    for (const auto& c : cases)
        EXPECT_STREQ(KeyNames[c.code], c.name) << std::hex << c.code;
}

TEST(KeyNames, LookupIsExactAndFindsTheFirstCode)
{
    EXPECT_EQ(FindKeyCode("Space"), 0x39);
    EXPECT_EQ(FindKeyCode("Enter"), 0x1C);
    EXPECT_EQ(FindKeyCode(";"), 0x27);
    EXPECT_EQ(FindKeyCode("Del"), 0xD3);
    EXPECT_EQ(FindKeyCode("undefined key"), 0);
    EXPECT_EQ(FindKeyCode("space"), -1);
    EXPECT_EQ(FindKeyCode("Space "), -1);
    EXPECT_EQ(FindKeyCode(""), -1);
    EXPECT_EQ(FindKeyCode(std::string("F1\0", 3)), -1);
}
