// Arbitrary text split at an arbitrary separator, checked token by token
// against a plain character-at-a-time reading of the splitting rules. The
// first byte picks the separator's length (0 to 3) and quote grouping; the
// separator follows, the text is the rest.
#include "Core/PTokenizer.h"
#include "Core/PUtils.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{
std::vector<std::string> ReferenceTokens(std::string text, const std::string& separator, bool quote)
{
    TrimString(text);
    std::vector<std::string> tokens;
    size_t position = 0;
    while (position < text.size()) {
        std::string token;
        std::string pending;
        size_t matched = 0;
        bool inQuotes = false;
        bool complete = false;
        while (position < text.size() && !complete) {
            const char c = text[position];
            if (c == '"' && quote) {
                if (inQuotes && position + 1 < text.size() && text[position + 1] == '"') {
                    token += '"';
                    ++position;
                } else {
                    inQuotes = !inQuotes;
                }
            } else if (inQuotes) {
                token += c;
            } else if (!separator.empty() && c == separator[matched]) {
                ++matched;
                if (matched == separator.size())
                    complete = true;
                else
                    pending += c;
            } else {
                if (matched > 0) {
                    token += pending;
                    pending.clear();
                    matched = 0;
                }
                token += c;
            }
            ++position;
        }
        if (token != " ")
            TrimString(token);
        tokens.push_back(token);
    }
    return tokens;
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t separatorLength = data[0] & 3;
    const BYTE quote = (data[0] & 4) ? 1 : 0;
    if (size < 1 + separatorLength)
        return 0;
    const std::string separator(reinterpret_cast<const char*>(data + 1), separatorLength);
    const std::string text(reinterpret_cast<const char*>(data + 1 + separatorLength), size - 1 - separatorLength);

    const std::vector<std::string> expected = ReferenceTokens(text, separator, quote != 0);
    CPTokenizer tokenizer(text, separator, quote);
    std::string token;
    size_t index = 0;
    while (tokenizer.NextToken(token)) {
        if (index >= expected.size() || token != expected[index])
            std::abort();
        ++index;
    }
    if (index != expected.size() || !token.empty())
        std::abort();
    return 0;
}
