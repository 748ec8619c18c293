#include "Core/PTextParser.h"

#include "Core/PUtils.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

CPTextParser::CPTextParser(const void* data, int32_t size)
    : m_data(static_cast<const char*>(data))
    , m_size(data && size > 0 ? size : 0)
{
}

CPTextParser::~CPTextParser() = default;

namespace
{
// The end of the raw line that starts at `line`: its first line feed or zero
// byte, else `end`. `slash` tells whether a '/' comes before it, so that a
// line without one is scanned once. Thirty-two bytes at a time where the
// machine has them.
const char* FindLineEnd(const char* line, const char* end, bool& slash)
{
    const char* p = line;
#if defined(__SSE2__)
    const __m128i feed = _mm_set1_epi8('\n');
    const __m128i zero = _mm_setzero_si128();
    const __m128i slashes = _mm_set1_epi8('/');
    while (end - p >= 32) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
        const uint32_t stops =
            static_cast<uint32_t>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(low, feed), _mm_cmpeq_epi8(low, zero))))
            | static_cast<uint32_t>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(high, feed), _mm_cmpeq_epi8(high, zero))))
                << 16;
        const uint32_t found = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(low, slashes)))
                               | static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(high, slashes))) << 16;
        if (stops) {
            const unsigned at = static_cast<unsigned>(__builtin_ctz(stops));
            slash = slash || (found & ((uint32_t(1) << at) - 1)) != 0;
            return p + at;
        }
        slash = slash || found != 0;
        p += 32;
    }
#endif
    for (; p < end; ++p) {
        if (*p == '\n' || *p == '\0')
            return p;
        if (*p == '/')
            slash = true;
    }
    return end;
}
}

BYTE CPTextParser::NextLine()
{
    const char* const dataEnd = m_data + m_size;
    while (m_position < m_size) {
        const char* line = m_data + m_position;
        bool slash = false;
        const char* end = FindLineEnd(line, dataEnd, slash);
        m_position += static_cast<int32_t>(end - line);
        if (end < dataEnd) {
            // The terminator belongs to no line; a zero byte is no line feed.
            if (*end == '\n')
                ++m_lineCount;
            ++m_position;
        }

        if (slash) {
            // The comment markers, found in one pass over the line's slashes.
            // A line with "//" is dropped before the others are looked for.
            bool doubleSlash = false;
            bool opens = false;
            bool closes = false;
            for (const char* at = line; at < end; ++at) {
                at = static_cast<const char*>(std::memchr(at, '/', static_cast<size_t>(end - at)));
                if (!at)
                    break;
                if (at + 1 < end && at[1] == '/')
                    doubleSlash = true;
                if (at + 1 < end && at[1] == '*')
                    opens = true;
                if (at > line && at[-1] == '*')
                    closes = true;
            }
            if (doubleSlash)
                continue;
            if (opens)
                m_inComment = 1;
            if (closes) {
                m_inComment = 0;
                continue;
            }
        }
        if (m_inComment)
            continue;

        TrimBounds(line, end);
        const size_t length = static_cast<size_t>(end - line);
        if (length == 0)
            continue;
        m_lineMade = false;
        if (length >= 2 && line[0] == '[' && end[-1] == ']') {
            m_lineView = std::string_view(line + 1, length - 2);
            m_plain = 0;
            return m_lineView.empty() ? 0 : 1;
        }
        m_lineView = std::string_view(line, length);
        m_plain = 1;
        return 1;
    }
    m_lineView = std::string_view();
    m_lineMade = false;
    m_plain = 1;
    return 0;
}

BYTE CPTextParser::ReadLine(std::string& line)
{
    const BYTE found = NextLine();
    line.assign(m_lineView.data(), m_lineView.size());
    return found;
}

const std::string& CPTextParser::GetLine() const
{
    if (!m_lineMade) {
        m_line.assign(m_lineView.data(), m_lineView.size());
        m_lineMade = true;
    }
    return m_line;
}
