#include "Core/PTokenizer.h"

#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace
{
// A token put together from stretches of the text. While every stretch
// follows the one before it in the text the token stays a view of the text;
// the first stretch that does not moves it into the buffer, which `buffer()`
// gives when first needed.
template <typename Buffer>
class TokenBuilder
{
public:
    TokenBuilder(const char* begin, const char* end, Buffer buffer)
        : m_begin(begin)
        , m_end(end)
        , m_getBuffer(buffer)
    {
    }

    void Append(const char* text, size_t length)
    {
        if (length == 0)
            return;
        if (!m_buffer) {
            if (text == m_end || m_begin == m_end) {
                if (m_begin == m_end)
                    m_begin = text;
                m_end = text + length;
                return;
            }
            m_buffer = &m_getBuffer();
            m_buffer->assign(m_begin, static_cast<size_t>(m_end - m_begin));
        }
        m_buffer->append(text, length);
    }

    std::string_view View() const
    {
        return m_buffer ? std::string_view(*m_buffer) : std::string_view(m_begin, static_cast<size_t>(m_end - m_begin));
    }

private:
    const char* m_begin;
    const char* m_end;
    Buffer m_getBuffer;
    std::string* m_buffer = nullptr;
};

inline std::string_view Trimmed(std::string_view view)
{
    const char* begin = view.data();
    const char* end = begin + view.size();
    TrimBounds(begin, end);
    return std::string_view(begin, static_cast<size_t>(end - begin));
}
}

CPTokenizer::CPTokenizer(std::string&& text, std::string_view separator, BYTE quote)
    : m_quote(quote)
{
    SetSeparator(separator);
    Storage& storage = Stored();
    storage.text = std::move(text);
    Begin(storage.text);
}

CPTokenizer::CPTokenizer(const char* text, std::string_view separator, BYTE quote)
    : CPTokenizer(std::string(text), separator, quote)
{
}

CPTokenizer::Storage& CPTokenizer::Stored()
{
    if (!m_storage)
        m_storage = std::make_unique<Storage>();
    return *m_storage;
}

size_t CPTokenizer::NextStop(size_t from)
{
    DropStopsBefore(from);
    return m_blockBits ? m_blockStart + static_cast<size_t>(__builtin_ctzll(m_blockBits)) : SeekStop(from);
}

void CPTokenizer::DropStopsBefore(size_t from)
{
    const size_t offset = from - m_blockStart;
    if (offset < m_blockCount)
        m_blockBits &= ~uint64_t(0) << offset;
    else
        m_blockBits = 0;
}

size_t CPTokenizer::SeekStop(size_t from)
{
    if (!m_hasStops)
        return m_length;
    const size_t blockEnd = m_blockStart + m_blockCount;
    size_t at = from >= m_blockStart && from < blockEnd ? blockEnd : from;
    while (at < m_length) {
        LoadBlock(at);
        if (m_blockBits)
            return at + static_cast<size_t>(__builtin_ctzll(m_blockBits));
        at += m_blockCount;
    }
    return m_length;
}

size_t CPTokenizer::NextQuote(size_t from) const
{
    const size_t offset = from - m_blockStart;
    if (offset < m_blockCount) {
        const uint64_t bits = m_quoteBits & (~uint64_t(0) << offset);
        if (bits)
            return m_blockStart + static_cast<size_t>(__builtin_ctzll(bits));
        from = m_blockStart + m_blockCount;
    }
    const void* quote = std::memchr(m_text + from, '"', m_length - from);
    return quote ? static_cast<size_t>(static_cast<const char*>(quote) - m_text) : m_length;
}

uint64_t CPTokenizer::StopBits(const char* text, size_t count, char stop) const
{
    uint64_t bits = 0;
    for (size_t i = 0; i < count; ++i) {
        if (text[i] == stop)
            bits |= uint64_t(1) << i;
    }
    return bits;
}

void CPTokenizer::LoadBlock(size_t at)
{
    const size_t count = m_length - at < 64 ? m_length - at : 64;
    m_blockStart = at;
    m_blockCount = count;
    uint64_t firstBits = 0;
    uint64_t secondBits = 0;
#if defined(__SSE2__)
    // Sixteen characters at a time. The last sixteen of a block are read
    // where they lie, overlapping the part before; a block shorter than
    // sixteen is read as the text's last sixteen characters where the text
    // has them, its bits shifted down.
    const __m128i first = _mm_set1_epi8(m_stops[0]);
    const __m128i second = _mm_set1_epi8(m_stops[1]);
    const char* const bytes = m_text + at;
    if (count >= 16) {
        for (size_t part = 0;; part += 16) {
            if (part + 16 > count)
                part = count - 16;
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + part));
            firstBits |= static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, first)))) << part;
            secondBits |= static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, second)))) << part;
            if (part + 16 == count)
                break;
        }
    } else if (m_length >= 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(m_text + m_length - 16));
        const unsigned firstHits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, first)));
        const unsigned secondHits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, second)));
        firstBits = firstHits >> (16 - count);
        secondBits = secondHits >> (16 - count);
    } else {
        firstBits = StopBits(bytes, count, m_stops[0]);
        secondBits = StopBits(bytes, count, m_stops[1]);
    }
#else
    firstBits = StopBits(m_text + at, count, m_stops[0]);
    secondBits = StopBits(m_text + at, count, m_stops[1]);
#endif
    m_blockBits = firstBits | secondBits;
    // With grouping on the second stop is the quote.
    m_quoteBits = m_quote ? secondBits : 0;
}

std::string_view CPTokenizer::QuotedToken(size_t start, uint64_t quote)
{
    // The closing quote must be in the block. With no stop after it in the
    // block the token runs to the end of the text, which then holds only
    // blanks after the quote (the text is trimmed, so only when the quote
    // ends it). The members are read before any character, which could
    // otherwise stand for them.
    const char* const text = m_text;
    const char* const block = text + m_blockStart;
    const char* const textEnd = text + m_length;
    const uint64_t passed = (quote << 1) - 1;
    const uint64_t quotes = m_quoteBits & ~passed;
    if (!quotes)
        return std::string_view();
    const uint64_t closing = quotes & (0 - quotes);
    const char* const close = block + __builtin_ctzll(closing);
    uint64_t after = m_blockBits & ~((closing << 1) - 1);
    const char* end = textEnd;
    if (after) {
        end = block + __builtin_ctzll(after);
        if (*end == '"')
            return std::string_view();
    }
    const char* const first = text + start;
    const char* const open = block + __builtin_ctzll(quote);
    for (const char* at = first; at < open; ++at) {
        if (!IsSpace(*at))
            return std::string_view();
    }
    for (const char* at = close + 1; at < end; ++at) {
        if (!IsSpace(*at))
            return std::string_view();
    }
    // Blanks, the quoted text, blanks: the token is the quoted text trimmed,
    // unless the whole of it, quotes aside, is one space.
    const char* begin = open + 1;
    const char* stop = close;
    if (end - first == 3) {
        const char* single = open > first ? first : close > open + 1 ? open + 1 : close + 1;
        if (*single == ' ') {
            begin = single;
            stop = single + 1;
        } else {
            TrimBounds(begin, stop);
        }
    } else {
        TrimBounds(begin, stop);
    }
    m_position = static_cast<size_t>(end - text) + 1;
    m_blockBits = after & (after - 1);
    return std::string_view(begin, static_cast<size_t>(stop - begin));
}

std::string_view CPTokenizer::NextQuirkToken(size_t start, size_t stop)
{
    const char* const text = m_text;
    const size_t length = m_length;
    const size_t separatorLength = m_separator.size();

    // The blanks that lead the token are left out now, so that a quoted
    // token after a separator and a blank stays one stretch of the text.
    const char* lead = text + start;
    const char* const plainEnd = text + stop;
    while (lead < plainEnd && IsSpace(*lead))
        ++lead;
    const size_t skipped = static_cast<size_t>(lead - (text + start));
    TokenBuilder builder(lead, plainEnd, [this]() -> std::string& { return Stored().buffer; });
    // The characters matched so far are the separator's first `matched`
    // characters; while no quote came between them they are also the text
    // just before `position`.
    size_t matched = 0;
    size_t matchStart = 0;
    bool inQuotes = false;
    size_t position = stop;
    while (position < length) {
        const char c = text[position];
        if (c == '"' && m_quote) {
            if (inQuotes && position + 1 < length && text[position + 1] == '"') {
                builder.Append(text + position, 1);
                ++position;
            } else {
                inQuotes = !inQuotes;
            }
            ++position;
        } else if (inQuotes) {
            const size_t end = NextQuote(position);
            builder.Append(text + position, end - position);
            position = end;
        } else if (separatorLength > 0 && c == m_separator[matched]) {
            if (matched == 0)
                matchStart = position;
            ++matched;
            ++position;
            if (matched == separatorLength)
                break;
        } else {
            if (matched > 0) {
                if (position - matchStart == matched)
                    builder.Append(text + matchStart, matched);
                else
                    builder.Append(m_separator.data(), matched);
                matched = 0;
            }
            // This character is text even when it starts a separator.
            const size_t end = NextStop(position + 1);
            builder.Append(text + position, end - position);
            position = end;
        }
    }
    m_position = position;
    DropStopsBefore(position);

    std::string_view result = builder.View();
    if (skipped == 0) {
        if (result.size() != 1 || result[0] != ' ')
            result = Trimmed(result);
    } else if (result.empty() && skipped == 1 && text[start] == ' ') {
        result = std::string_view(text + start, 1); // the whole token was one space
    } else {
        result = Trimmed(result);
    }
    return result;
}
