#include "Core/PTokenizer.h"

#include "Core/PUtils.h"

#include <cstdint>
#include <cstring>
#include <utility>

namespace
{
// Trims the range, unless it is exactly one space.
void TrimToken(const char*& begin, const char*& end)
{
    if (end - begin == 1 && *begin == ' ')
        return;
    TrimBounds(begin, end);
}

void TrimToken(std::string& token)
{
    if (token.empty() || (token.size() == 1 && token[0] == ' '))
        return;
    if (IsSpace(token.front()) || IsSpace(token.back()))
        TrimString(token);
}
}

CPTokenizer::CPTokenizer(const std::string& text, const std::string& separator, BYTE quote)
    : m_separator(separator)
    , m_quote(quote)
{
    Begin(text);
}

CPTokenizer::CPTokenizer(std::string&& text, const std::string& separator, BYTE quote)
    : m_ownText(std::move(text))
    , m_separator(separator)
    , m_quote(quote)
{
    Begin(m_ownText);
}

void CPTokenizer::Begin(const std::string& text)
{
    const char* begin = text.data();
    const char* end = begin + text.size();
    TrimBounds(begin, end);
    m_text = begin;
    m_length = static_cast<size_t>(end - begin);

    m_hasStops = !m_separator.empty() || m_quote;
    const char first = m_separator.empty() ? '"' : m_separator[0];
    const char second = m_quote ? '"' : first;
    m_stopLanes[0] = 0x0101010101010101ull * static_cast<unsigned char>(first);
    m_stopLanes[1] = 0x0101010101010101ull * static_cast<unsigned char>(second);
}

CPTokenizer::~CPTokenizer() = default;

inline size_t CPTokenizer::PlainRunEnd(size_t from) const
{
    const char* text = m_text;
    const size_t length = m_length;
    if (!m_hasStops)
        return length;

    // Eight characters at a time (the machine is little-endian): a lane is
    // flagged when its byte is zero after the XOR with a stop character; the
    // lowest flag is exact.
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    constexpr uint64_t kHighs = 0x8080808080808080ull;
    size_t position = from;
    while (position + 8 <= length) {
        uint64_t word;
        std::memcpy(&word, text + position, sizeof(word));
        const uint64_t a = word ^ m_stopLanes[0];
        const uint64_t b = word ^ m_stopLanes[1];
        const uint64_t hits = ((a - kOnes) & ~a & kHighs) | ((b - kOnes) & ~b & kHighs);
        if (hits)
            return position + static_cast<size_t>(__builtin_ctzll(hits) / 8);
        position += 8;
    }
    const char first = static_cast<char>(m_stopLanes[0]);
    const char second = static_cast<char>(m_stopLanes[1]);
    while (position < length && text[position] != first && text[position] != second)
        ++position;
    return position;
}

BYTE CPTokenizer::NextToken(std::string& token)
{
    const size_t length = m_length;
    if (m_position >= length) {
        token.clear();
        return 0;
    }
    const char* text = m_text;
    const size_t separatorLength = m_separator.size();

    // The common token: plain text up to a one-character separator or the
    // end, taken in one copy.
    const size_t start = m_position;
    const size_t stop = PlainRunEnd(start);
    const bool quoteStop = stop < length && m_quote && text[stop] == '"';
    if (stop == length || (separatorLength == 1 && !quoteStop)) {
        const char* begin = text + start;
        const char* end = text + stop;
        TrimToken(begin, end);
        token.assign(begin, static_cast<size_t>(end - begin));
        m_position = stop < length ? stop + 1 : length;
        return 1;
    }

    // Quotes or a longer separator: character by character from the stop.
    // The blanks that lead the token are left out now rather than copied and
    // trimmed away later.
    const char* lead = text + start;
    const char* const plainEnd = text + stop;
    while (lead < plainEnd && IsSpace(*lead))
        ++lead;
    const size_t skipped = static_cast<size_t>(lead - (text + start));
    token.assign(lead, static_cast<size_t>(plainEnd - lead));
    // The characters matched so far are the separator's first `matched`
    // characters, so the pending text needs no buffer of its own.
    size_t matched = 0;
    bool inQuotes = false;
    size_t position = stop;
    while (position < length) {
        const char c = text[position];
        if (c == '"' && m_quote) {
            if (inQuotes && position + 1 < length && text[position + 1] == '"') {
                token += '"';
                ++position;
            } else {
                inQuotes = !inQuotes;
            }
            ++position;
        } else if (inQuotes) {
            const void* quote = std::memchr(text + position, '"', length - position);
            const size_t end = quote ? static_cast<size_t>(static_cast<const char*>(quote) - text) : length;
            token.append(text + position, end - position);
            position = end;
        } else if (separatorLength > 0 && c == m_separator[matched]) {
            ++matched;
            ++position;
            if (matched == separatorLength)
                break;
        } else {
            if (matched > 0) {
                token.append(m_separator, 0, matched);
                matched = 0;
            }
            // This character is text even when it starts a separator.
            const size_t end = PlainRunEnd(position + 1);
            token.append(text + position, end - position);
            position = end;
        }
    }
    m_position = position;
    if (skipped == 0)
        TrimToken(token);
    else if (token.empty() && skipped == 1 && text[start] == ' ')
        token.assign(1, ' '); // the whole token was one space
    else if (!token.empty() && (IsSpace(token.front()) || IsSpace(token.back())))
        TrimString(token);
    return 1;
}
