// Arbitrary bytes as a text data file, cut into lines and checked line by
// line against a plain reading of the line rules (raw line, comment markers,
// trimming, section brackets) that builds each line character by character.
#include "Core/PTextParser.h"
#include "Core/PUtils.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace
{
class ReferenceParser
{
public:
    ReferenceParser(const uint8_t* data, size_t size)
        : m_data(data)
        , m_size(size)
    {
    }

    bool NextLine()
    {
        line.clear();
        for (;;) {
            while (m_position < m_size) {
                const char c = static_cast<char>(m_data[m_position++]);
                if (c == '\0' || c == '\n')
                    break;
                line += c;
            }
            if (line.find("//") != std::string::npos)
                line.clear();
            if (line.find("/*") != std::string::npos)
                m_inComment = true;
            if (line.find("*/") != std::string::npos) {
                m_inComment = false;
                line.clear();
            }
            if (m_inComment)
                line.clear();
            TrimString(line);
            if (!line.empty() || m_position >= m_size)
                break;
        }
        plain = !(line.size() >= 2 && line.front() == '[' && line.back() == ']');
        if (!plain)
            line = line.substr(1, line.size() - 2);
        return !line.empty();
    }

    std::string line;
    bool plain = true;

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_position = 0;
    bool m_inComment = false;
};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CPTextParser parser(data, static_cast<int32_t>(size));
    ReferenceParser reference(data, size);
    // Past an empty section line the reading goes on, as callers may do; two
    // empty results in a row end the comparison.
    int emptyInRow = 0;
    for (int calls = 0; calls < 4096 && emptyInRow < 2; ++calls) {
        const bool found = parser.NextLine() != 0;
        if (found != reference.NextLine() || parser.GetLine() != reference.line
            || (parser.IsPlainLine() != 0) != reference.plain)
            std::abort();
        emptyInRow = found ? 0 : emptyInRow + 1;
    }
    return 0;
}
