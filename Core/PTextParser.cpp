#include "Core/PTextParser.h"

#include "Core/PUtils.h"

#include <cstring>

CPTextParser::CPTextParser(const void* data, int32_t size)
    : m_data(static_cast<const char*>(data))
    , m_size(data && size > 0 ? size : 0)
{
}

CPTextParser::~CPTextParser() = default;

void CPTextParser::ReadRawLine()
{
    if (m_position >= m_size)
        return;
    const char* start = m_data + m_position;
    const size_t left = static_cast<size_t>(m_size - m_position);
    const void* feed = std::memchr(start, '\n', left);
    const size_t upToFeed = feed ? static_cast<size_t>(static_cast<const char*>(feed) - start) : left;
    const void* zero = std::memchr(start, '\0', upToFeed);
    const size_t length = zero ? static_cast<size_t>(static_cast<const char*>(zero) - start) : upToFeed;

    m_line.append(start, length);
    m_position += static_cast<int32_t>(length);
    if (length < left) {
        // The terminator belongs to no line.
        if (!zero)
            ++m_lineCount;
        ++m_position;
    }
}

BYTE CPTextParser::NextLine()
{
    m_line.clear();
    for (;;) {
        ReadRawLine();
        // Every comment marker holds a slash: lines without one skip the checks.
        if (m_line.find('/') != std::string::npos) {
            if (m_line.find("//") != std::string::npos)
                m_line.clear();
            if (m_line.find("/*") != std::string::npos)
                m_inComment = 1;
            if (m_line.find("*/") != std::string::npos) {
                m_inComment = 0;
                m_line.clear();
            }
        }
        if (m_inComment)
            m_line.clear();
        TrimString(m_line);
        if (!m_line.empty() || m_position >= m_size)
            break;
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
