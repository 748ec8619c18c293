// Arbitrary text split at an arbitrary separator. The first byte picks the
// separator's length (0 to 3) and quote grouping; the separator follows, the
// text is the rest. Tokens must come out trimmed (or be one space) and never
// outnumber the text's characters plus one.
#include "Core/PTokenizer.h"
#include "Core/PUtils.h"

#include <cstdint>
#include <cstdlib>
#include <string>

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

    CPTokenizer tokenizer(text, separator, quote);
    std::string token;
    size_t tokens = 0;
    while (tokenizer.NextToken(token)) {
        if (token != " " && !token.empty() && (IsSpace(token.front()) || IsSpace(token.back())))
            std::abort();
        if (token.size() > text.size())
            std::abort();
        if (++tokens > text.size() + 1)
            std::abort();
    }
    return 0;
}
