#include "Core/PTextParser.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace
{
struct Line
{
    std::string text;
    int plain;
    bool operator==(const Line& other) const { return text == other.text && plain == other.plain; }
};

void PrintTo(const Line& line, std::ostream* out)
{
    *out << '"' << line.text << "\" plain " << line.plain;
}

std::vector<Line> AllLines(const std::string& bytes)
{
    CPTextParser parser(bytes.data(), static_cast<int32_t>(bytes.size()));
    std::vector<Line> lines;
    while (parser.NextLine()) {
        // The view is the same line, read where it lies in the bytes.
        const std::string_view view = parser.GetLineView();
        EXPECT_TRUE(view.data() >= bytes.data() && view.data() + view.size() <= bytes.data() + bytes.size());
        lines.push_back({ parser.GetLine(), parser.IsPlainLine() });
        EXPECT_EQ(view, lines.back().text);
    }
    EXPECT_EQ(parser.GetLine(), "");
    EXPECT_TRUE(parser.GetLineView().empty());
    return lines;
}
}

TEST(TextParser, LinesOfTable)
{
    const struct
    {
        const char* name;
        std::string bytes;
        std::vector<Line> lines;
    } cases[] = {
        { "blank lines skipped, trimmed, // drops the whole line",
          "first\n\n   second  \nthird // note\n", { { "first", 1 }, { "second", 1 } } },
        { "a block comment drops its first and last line whole",
          "text /*\nplain\n*/ more\nlast\n", { { "last", 1 } } },
        { "section then ordinary line", "[Section]\nvalue\n", { { "Section", 0 }, { "value", 1 } } },
        { "section name keeps inner blanks", "  [ a b ]  \n", { { " a b ", 0 } } },
        { "unclosed bracket is text", "[open\nclosed]\n", { { "[open", 1 }, { "closed]", 1 } } },
        { "an empty section ends the text", "before\n[]\nafter\n", { { "before", 1 } } },
        { "no final line feed", "a\nb", { { "a", 1 }, { "b", 1 } } },
        { "CR LF line ends", "a\r\nb\r\n\r\n", { { "a", 1 }, { "b", 1 } } },
        { "a zero byte ends a line", std::string("a\0b\n", 4), { { "a", 1 }, { "b", 1 } } },
        { "both markers on one line open no block", "x /* y */ z\nnext\n", { { "next", 1 } } },
        { "a // line never opens a block", "// /*\nkept\n", { { "kept", 1 } } },
        { "a stray */ line is dropped", "*/ x\nkept\n", { { "kept", 1 } } },
        { "a // line never closes a block", "/*\n// */\nhidden\n*/\nshown\n", { { "shown", 1 } } },
        { "an unclosed block swallows the rest", "a\n/*\nb\nc", { { "a", 1 } } },
        { "empty text", "", {} },
        { "only blanks", "\n \t\n\r\n  ", {} },
    };
    for (const auto& c : cases)
        EXPECT_EQ(AllLines(c.bytes), c.lines) << c.name;
}

TEST(TextParser, ReadLineCopiesTheLineAndCountsLineFeeds)
{
    const std::string bytes = "one\n\ntwo";
    CPLineReader reader(bytes.data(), static_cast<int32_t>(bytes.size()));
    std::string line = "stale";
    EXPECT_EQ(reader.ReadLine(line), 1);
    EXPECT_EQ(line, "one");
    EXPECT_EQ(reader.ReadLine(line), 1);
    EXPECT_EQ(line, "two");
    EXPECT_EQ(reader.GetLineCount(), 2);
    EXPECT_EQ(reader.ReadLine(line), 0);
    EXPECT_EQ(line, "");
}

TEST(TextParser, NullOrNegativeSizeReadsNothing)
{
    CPTextParser none(nullptr, 10);
    EXPECT_EQ(none.NextLine(), 0);
    const char text[] = "abc";
    CPTextParser negative(text, -5);
    EXPECT_EQ(negative.NextLine(), 0);
}

TEST(TextParser, LineMadeForEachLineAskedFor)
{
    const std::string bytes = "one\n[two]\nthree\n";
    CPTextParser parser(bytes.data(), static_cast<int32_t>(bytes.size()));
    ASSERT_EQ(parser.NextLine(), 1);
    EXPECT_EQ(parser.GetLine(), "one");
    ASSERT_EQ(parser.NextLine(), 1); // this line's string never asked for
    ASSERT_EQ(parser.NextLine(), 1);
    EXPECT_EQ(parser.GetLineView(), "three");
    EXPECT_EQ(parser.GetLine(), "three");
    EXPECT_EQ(parser.GetLine(), "three");
    EXPECT_EQ(parser.NextLine(), 0);
    EXPECT_EQ(parser.GetLine(), "");
}
