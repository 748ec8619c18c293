// Arbitrary text split at an arbitrary separator, checked token by token
// against a plain character-at-a-time reading of the splitting rules, through
// both the string and the view interface. The first byte picks the
// separator's length (0 to 3) and quote grouping; the separator follows, the
// text is the rest.
#include "Core/PTokenizer.h"
#include "tests/Core/TokenizerReference.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

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
    CPTokenizer viewTokenizer(text, separator, quote);
    std::string token;
    std::string_view view;
    size_t index = 0;
    while (tokenizer.NextToken(token)) {
        if (index >= expected.size() || token != expected[index] || !viewTokenizer.NextToken(view) || view != token)
            std::abort();
        ++index;
    }
    if (index != expected.size() || !token.empty() || viewTokenizer.NextToken(view) || !view.empty())
        std::abort();
    return 0;
}
