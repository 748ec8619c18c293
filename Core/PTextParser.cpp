#include "Core/PTextParser.h"

#include "Core/PUtils.h"

#include <cstring>

CPTextParser::CPTextParser(const void* data, int32_t size)
    : m_data(static_cast<const char*>(data))
    , m_size(data && size > 0 ? size : 0)
{
}

CPTextParser::~CPTextParser() = default;

const char* CPTextParser::ReadRawLine(size_t& length)
{
    const char* start = m_data + m_position;
    const size_t left = static_cast<size_t>(m_size - m_position);
    const void* feed = std::memchr(start, '\n', left);
    const size_t upToFeed = feed ? static_cast<size_t>(static_cast<const char*>(feed) - start) : left;
    const void* zero = std::memchr(start, '\0', upToFeed);
    length = zero ? static_cast<size_t>(static_cast<const char*>(zero) - start) : upToFeed;

    m_position += static_cast<int32_t>(length);
    if (length < left) {
        // The terminator belongs to no line.
        if (!zero)
            ++m_lineCount;
        ++m_position;
    }
    return start;
}

BYTE CPTextParser::NextLine()
{
    m_line.clear();
    while (m_position < m_size) {
        size_t length = 0;
        const char* line = ReadRawLine(length);

        // The comment markers, found in one pass over the line's slashes. A
        // line with "//" is dropped before the others are looked for.
        bool doubleSlash = false;
        bool opens = false;
        bool closes = false;
        const char* end = line + length;
        for (const char* slash = line; slash < end; ++slash) {
            slash = static_cast<const char*>(std::memchr(slash, '/', static_cast<size_t>(end - slash)));
            if (!slash)
                break;
            if (slash + 1 < end && slash[1] == '/')
                doubleSlash = true;
            if (slash + 1 < end && slash[1] == '*')
                opens = true;
            if (slash > line && slash[-1] == '*')
                closes = true;
        }
        bool dropped = doubleSlash;
        if (!doubleSlash) {
            if (opens)
                m_inComment = 1;
            if (closes) {
                m_inComment = 0;
                dropped = true;
            }
        }
        if (dropped || m_inComment)
            continue;

        // Trimmed as it is copied.
        TrimBounds(line, end);
        if (line < end) {
            m_line.assign(line, static_cast<size_t>(end - line));
            break;
        }
    }

    const size_t length = m_line.size();
    if (length >= 2 && m_line[0] == '[' && m_line[length - 1] == ']') {
        m_line.pop_back();
        m_line.erase(0, 1);
        m_plain = 0;
    } else {
        m_plain = 1;
    }
    return m_line.empty() ? 0 : 1;
}

BYTE CPTextParser::ReadLine(std::string& line)
{
    const BYTE found = NextLine();
    line = m_line;
    return found;
}
