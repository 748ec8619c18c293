#include "Platform/COM.h"

#include <gtest/gtest.h>

TEST(Com, InitialisationsAreCountedAndOleIncludesCom)
{
    PlatformCom::Reset();
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(OleInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    EXPECT_EQ(PlatformCom::ComInitCount(), 3);
    EXPECT_EQ(PlatformCom::OleInitCount(), 1);
    int reserved = 0;
    EXPECT_EQ(CoInitialize(&reserved), E_INVALIDARG);

    OleUninitialize();
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(PlatformCom::ComInitCount(), 0);
    EXPECT_EQ(PlatformCom::OleInitCount(), 0);
    EXPECT_EQ(PlatformCom::UnmatchedUninitializeCount(), 0);
    OleUninitialize();
    CoUninitialize();
    EXPECT_EQ(PlatformCom::UnmatchedUninitializeCount(), 2);
    PlatformCom::Reset();
}

TEST(Com, StringsAndVariants)
{
    WCHAR wide[8] = {};
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, "ab\xE9", -1, nullptr, 0), 4);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, "ab\xE9", -1, wide, 3), 0); // too little room
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, "ab\xE9", -1, wide, 8), 4);
    EXPECT_EQ(std::u16string(wide), u"ab\u00E9");

    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(wide);
    EXPECT_EQ(SysStringLen(value.bstrVal), 3u);
    EXPECT_EQ(std::u16string(value.bstrVal), u"ab\u00E9");
    EXPECT_EQ(VariantClear(&value), S_OK);
    EXPECT_EQ(value.vt, VT_EMPTY);
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
}
