// Arbitrary bytes as a text data file, cut into lines. Every line handed out
// must be non-empty and free of line feeds, zero bytes and "//"; an ordinary
// line is trimmed (a section name keeps the blanks inside its brackets).
#include "Core/PTextParser.h"
#include "Core/PUtils.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CPTextParser parser(data, static_cast<int32_t>(size));
    size_t lines = 0;
    while (parser.NextLine()) {
        const std::string& line = parser.GetLine();
        if (line.empty())
            std::abort();
        if (parser.IsPlainLine() && (IsSpace(line.front()) || IsSpace(line.back())))
            std::abort();
        if (line.find('\n') != std::string::npos || line.find('\0') != std::string::npos)
            std::abort();
        if (line.find("//") != std::string::npos)
            std::abort();
        if (++lines > size)
            std::abort();
    }
    return 0;
}
