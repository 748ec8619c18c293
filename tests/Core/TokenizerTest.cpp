#include "Core/PTokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
std::vector<std::string> AllTokens(const std::string& text, const std::string& separator, BYTE quote)
{
    CPTokenizer tokenizer(text, separator, quote);
    std::vector<std::string> tokens;
    std::string token;
    while (tokenizer.NextToken(token))
        tokens.push_back(token);
    EXPECT_EQ(token, "");
    EXPECT_EQ(tokenizer.NextToken(token), 0); // stays used up
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
