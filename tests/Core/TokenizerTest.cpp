#include "Core/PTokenizer.h"
#include "tests/Core/TokenizerReference.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace
{
// The tokens through the view interface, each read before the next call.
std::vector<std::string> AllViewTokens(const std::string& text, const std::string& separator, BYTE quote)
{
    CPTokenizer tokenizer(std::string_view(text), separator, quote);
    std::vector<std::string> tokens;
    std::string_view token;
    while (tokenizer.NextToken(token))
        tokens.emplace_back(token);
    EXPECT_TRUE(token.empty());
    EXPECT_EQ(tokenizer.NextToken(token), 0);
    return tokens;
}

// The tokens through the string interface, checked against the view's.
std::vector<std::string> AllTokens(const std::string& text, const std::string& separator, BYTE quote)
{
    CPTokenizer tokenizer(text, separator, quote);
    std::vector<std::string> tokens;
    std::string token;
    while (tokenizer.NextToken(token))
        tokens.push_back(token);
    EXPECT_EQ(token, "");
    EXPECT_EQ(tokenizer.NextToken(token), 0); // stays used up
    EXPECT_EQ(AllViewTokens(text, separator, quote), tokens) << "view tokens of [" << text << "]";
    return tokens;
}
}

TEST(Tokenizer, TokensOfTable)
{
    const struct
    {
        const char* text;
        const char* separator;
        BYTE quote;
        std::vector<std::string> tokens;
    } cases[] = {
        // Blanks around every separator and at both ends.
        { "  a , b ,c  ", ",", 1, { "a", "b", "c" } },
        { "a,,b", ",", 1, { "a", "", "b" } },
        { "a,", ",", 1, { "a" } },
        { ",a", ",", 1, { "", "a" } },
        { "a , ,b", ",", 1, { "a", " ", "b" } },
        { "a,  ,b", ",", 1, { "a", "", "b" } },
        { "   ", ",", 1, {} },
        { "\ta\t;\r\nb", ";", 1, { "a", "b" } },
        // Quote grouping.
        { "\"x, y\",z", ",", 1, { "x, y", "z" } },
        { "\"say \"\"hi\"\"\",b", ",", 1, { "say \"hi\"", "b" } },
        { "ab\"c,d\"e,f", ",", 1, { "abc,de", "f" } },
        { "\"a,b", ",", 1, { "a,b" } },
        { "a \"b c\" d", " ", 1, { "a", "b c", "d" } },
        { "\"x,y\"", ",", 0, { "\"x", "y\"" } },
        // Separators matched as a whole.
        { "a::b::c", "::", 1, { "a", "b", "c" } },
        { "a:b::c", "::", 1, { "a:b", "c" } },
        { "ab:", "::", 1, { "ab" } },
        { "aab", "ab", 1, { "aab" } },
        { "xaab", "ab", 1, { "xaab" } },
        { "a  b", " ", 1, { "a", "", "b" } },
        { "a,b", "", 1, { "a,b" } },
    };
    for (const auto& c : cases)
        EXPECT_EQ(AllTokens(c.text, c.separator, c.quote), c.tokens)
            << "text [" << c.text << "] separator [" << c.separator << "]";
}

TEST(Tokenizer, SplitterIsTheSameTokenizer)
{
    CPSplitter splitter("k = v", "=", 1);
    std::string token;
    ASSERT_EQ(splitter.NextToken(token), 1);
    EXPECT_EQ(token, "k");
    ASSERT_EQ(splitter.NextToken(token), 1);
    EXPECT_EQ(token, "v");
}

TEST(Tokenizer, QuirksOfTable)
{
    const std::string longWord(70, 'w');
    const struct
    {
        std::string text;
        const char* separator;
        BYTE quote;
        std::vector<std::string> tokens;
    } cases[] = {
        // A quote between the characters of a partial separator match.
        { "a:\"x\":b", "::", 1, { "ax", "b" } },
        { "a:\"x\"b", "::", 1, { "ax:b" } },
        { "a:\"x\"", "::", 1, { "ax" } },
        // Blanks and quotes: one space kept, other blanks trimmed away.
        { "a,\" \",b", ",", 1, { "a", " ", "b" } },
        { "a, \"\",b", ",", 1, { "a", " ", "b" } },
        { "a, \" \",b", ",", 1, { "a", "", "b" } },
        { "a,\t\"\",b", ",", 1, { "a", "", "b" } },
        { "a, \"x\" y ,b", ",", 1, { "a", "x y", "b" } },
        { "a, \"x\"\"y\" ,b", ",", 1, { "a", "x\"y", "b" } },
        { "a, \"x\"\"\" ,b", ",", 1, { "a", "x\"", "b" } },
        { "a, \"x\" \"y\" ,b", ",", 1, { "a", "x y", "b" } },
        { "a, \"x, y", ",", 1, { "a", "x, y" } },
        { "\"\"", ",", 1, { "" } },
        // The separator is the quote itself, with and without grouping.
        { "a\"b\"c", "\"", 1, { "abc" } },
        { "a\"b\"c", "\"", 0, { "a", "b", "c" } },
        // A broken match of a longer separator starts a new one.
        { "a:::b", "::", 1, { "a", ":b" } },
        { "a :: :: b", "::", 1, { "a", " ", "b" } },
        { "aab ab", "ab", 1, { "aab" } },
        // Texts shorter than sixteen characters, and tokens across 64.
        { "x", ",", 1, { "x" } },
        { longWord + "," + longWord + ", \"" + longWord + "\"", ",", 1, { longWord, longWord, longWord } },
        { longWord + longWord + "::" + longWord, "::", 1, { longWord + longWord, longWord } },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AllTokens(c.text, c.separator, c.quote), c.tokens)
            << "text [" << c.text << "] separator [" << c.separator << "]";
        EXPECT_EQ(ReferenceTokens(c.text, c.separator, c.quote != 0), c.tokens) << "reference, text [" << c.text << "]";
    }
}

TEST(Tokenizer, ViewsPointIntoTheTextUnlessAQuirkJoinsPieces)
{
    const std::string text = "plain , \"quoted, text\" ,ab\"c\"d";
    CPTokenizer tokenizer(std::string_view(text), ",", 1);
    std::string_view token;
    const auto inText = [&text](std::string_view view) {
        return view.data() >= text.data() && view.data() + view.size() <= text.data() + text.size();
    };
    ASSERT_EQ(tokenizer.NextToken(token), 1);
    EXPECT_EQ(token, "plain");
    EXPECT_TRUE(inText(token));
    ASSERT_EQ(tokenizer.NextToken(token), 1);
    EXPECT_EQ(token, "quoted, text");
    EXPECT_TRUE(inText(token));
    ASSERT_EQ(tokenizer.NextToken(token), 1);
    EXPECT_EQ(token, "abcd");
    EXPECT_FALSE(inText(token));
}

TEST(Tokenizer, RandomTextsSplitAsThePlainReading)
{
    // Few characters, so that separators, quotes and blanks meet often;
    // lengths reach past one block of stops.
    const char alphabet[] = { 'a', 'b', ' ', '\t', ',', ':', '"', 'x' };
    const char* const separators[] = { ",", "::", ":,", "\"", "", " ", "ab", "a:a" };
    std::mt19937 random(1234);
    for (int round = 0; round < 4000; ++round) {
        const size_t length = random() % 160;
        std::string text;
        for (size_t i = 0; i < length; ++i)
            text += alphabet[random() % sizeof(alphabet)];
        const std::string separator = separators[random() % (sizeof(separators) / sizeof(separators[0]))];
        const BYTE quote = static_cast<BYTE>(random() % 2);
        ASSERT_EQ(AllTokens(text, separator, quote), ReferenceTokens(text, separator, quote != 0))
            << "text [" << text << "] separator [" << separator << "] quote " << int(quote);
    }
}

TEST(Tokenizer, QuotedTokensAtEveryPlaceInABlock)
{
    // Quoted tokens of every common shape, shifted along so that each quote
    // and the stop after it meet the edge of a block of stops.
    const std::string fields = ", \"q, r\" , b,\"\",\" \", \" x \"\t   ,\"a\",\" y\"";
    for (size_t pad = 0; pad < 140; ++pad) {
        for (const std::string& text : { std::string(pad, 'a') + fields, fields + std::string(pad, 'b'),
                                         std::string(pad, ' ') + "\"" + std::string(pad, 'c') + "\" ,d" }) {
            ASSERT_EQ(AllTokens(text, ",", 1), ReferenceTokens(text, ",", true)) << "text [" << text << "]";
        }
    }
}
