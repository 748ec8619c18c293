#include "Startup/PDator.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace
{
template <class T>
struct ReadCase
{
    const char* text;
    T expected;
};

// SetFromText on a variable holding `before`, case by case.
template <class T, size_t N>
void ExpectReads(T before, const ReadCase<T> (&cases)[N])
{
    for (const ReadCase<T>& c : cases) {
        T value = before;
        CPDator<T> dator(&value);
        dator.SetFromText(c.text);
        EXPECT_EQ(value, c.expected) << '"' << c.text << '"';
    }
}
}

TEST(Dator, IntegerReadsTheNumberAtTheStartOrKeepsItsValue)
{
    const ReadCase<int32_t> cases[] = {
        { "1280", 1280 }, { "350=2", 350 }, { "1.9", 1 }, { "0x10", 0 },
        { "-5", -5 }, { "+7", 7 }, { "-2147483648", INT_MIN },
        // No number at the start: the old value stays.
        { "", 77 }, { " 5", 77 }, { "abc", 77 }, { "-", 77 }, { "2147483648", 77 },
        { "99999999999999999999", 77 },
    };
    ExpectReads<int32_t>(77, cases);
}

TEST(Dator, FloatReadsTheNumberAtTheStartOrKeepsItsValue)
{
    const ReadCase<float> cases[] = {
        { "0.75", 0.75f }, { "-.5", -0.5f }, { "1e3", 1000.0f }, { "2.5x", 2.5f },
        // No number at the start, or out of range: the old value stays.
        { "", 7.5f }, { "abc", 7.5f }, { "\t1", 7.5f }, { "1e999", 7.5f },
    };
    ExpectReads<float>(7.5f, cases);
}

TEST(Dator, TextIsTheStreamsDefaultForm)
{
    const struct
    {
        float value;
        const char* text;
    } floats[] = {
        { 0.5f, "0.5" }, { 0.2f, "0.2" }, { 0.0f, "0" }, { 25.0f, "25" },
        { -1.25f, "-1.25" }, { 1234567.0f, "1.23457e+06" }, { 0.0001f, "0.0001" },
    };
    for (const auto& f : floats) {
        float value = f.value;
        EXPECT_EQ(CPDator<float>(&value).ToText(), f.text);
    }
    int32_t integer = -1;
    CPDator<int32_t> dator(&integer);
    EXPECT_EQ(dator.ToText(), "-1");
    integer = 22050;
    EXPECT_EQ(dator.ToText(), "22050");
}

TEST(Dator, SavedTextReadsBackToTheSameValue)
{
    for (float original : { 0.1f, 0.2f, 1.0f / 3.0f, 123.456f, -0.000123f }) {
        float value = original;
        CPDator<float> dator(&value);
        const std::string text = dator.ToText();
        value = 99.0f;
        dator.SetFromText(text);
        EXPECT_EQ(dator.ToText(), text);
        EXPECT_NEAR(value, original, 5e-6f * std::abs(original)); // six significant digits
    }
}

TEST(Dator, AddAndRemoveMoveTheValue)
{
    int32_t psystems = 25;
    CPDator<int32_t> dator(&psystems);
    dator.AddText("5");
    EXPECT_EQ(psystems, 30);
    dator.RemoveText("10");
    EXPECT_EQ(psystems, 20);
    dator.AddText("many");
    dator.RemoveText("");
    EXPECT_EQ(psystems, 20);

    // Sums past the 32-bit range wrap round instead of overflowing.
    psystems = INT_MAX;
    dator.AddText("1");
    EXPECT_EQ(psystems, INT_MIN);
    dator.RemoveText("1");
    EXPECT_EQ(psystems, INT_MAX);

    float volume = 0.5f;
    CPDator<float> floatDator(&volume);
    floatDator.AddText("0.25");
    EXPECT_EQ(volume, 0.75f);
    floatDator.RemoveText("1");
    EXPECT_EQ(volume, -0.25f);
}

TEST(Dator, ComparesTextByteForByte)
{
    int32_t width = 640;
    CPDator<int32_t> dator(&width);
    EXPECT_TRUE(dator.EqualsText("640"));
    EXPECT_FALSE(dator.EqualsText("640.0"));
    EXPECT_FALSE(dator.EqualsText(" 640"));
    EXPECT_TRUE(dator.NotEqualsText("640.0"));
    EXPECT_FALSE(dator.NotEqualsText("640"));
}

TEST(Dator, DescribesItselfAndIsNoList)
{
    int32_t integer = 0;
    float real = 0.0f;
    CPDator<int32_t> intDator(&integer);
    CPDator<float> floatDator(&real);
    EXPECT_EQ(intDator.GetTypeName(), "CPDator");
    EXPECT_EQ(floatDator.GetTypeName(), "CPDator");
    EXPECT_EQ(intDator.GetObjectSize(), static_cast<int32_t>(sizeof(CPDator<int32_t>)));
    EXPECT_FALSE(intDator.IsList());
    EXPECT_FALSE(floatDator.IsList());
    EXPECT_EQ(intDator.GetValue(), &integer);
}
