#include "Core/PTokenizer.h"

#include "Core/PUtils.h"

#include <cstring>

CPTokenizer::CPTokenizer(const std::string& text, const std::string& separator, BYTE quote)
    : m_text(text)
    , m_separator(separator)
    , m_quote(quote)
{
    TrimString(m_text);
}

CPTokenizer::~CPTokenizer() = default;

size_t CPTokenizer::PlainRunEnd(size_t from) const
{
    const char* text = m_text.data();
    const size_t length = m_text.size();
    if (m_separator.empty()) {
        if (!m_quote)
            return length;
        const void* quote = std::memchr(text + from, '"', length - from);
        return quote ? static_cast<size_t>(static_cast<const char*>(quote) - text) : length;
    }
    const char first = m_separator[0];
    if (!m_quote) {
        const void* stop = std::memchr(text + from, first, length - from);
        return stop ? static_cast<size_t>(static_cast<const char*>(stop) - text) : length;
    }
    size_t end = from;
    while (end < length && text[end] != first && text[end] != '"')
        ++end;
    return end;
}

BYTE CPTokenizer::NextToken(std::string& token)
{
    token.clear();
    const size_t length = m_text.size();
    if (m_position >= length)
        return 0;

    const char* text = m_text.data();
    const size_t separatorLength = m_separator.size();
    // The characters matched so far are the separator's first `matched`
    // characters, so the pending text needs no buffer of its own.
    size_t matched = 0;
    bool inQuotes = false;
    size_t position = m_position;
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

    if (token != " ")
        TrimString(token);
    return 1;
}
