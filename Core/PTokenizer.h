// Splits a line or a value into tokens at a separator string. The separator
// is matched as a whole: a character that breaks a partial match is text,
// and a partial match left at the end of the text is dropped. With quote
// grouping on, double quotes open and close a stretch in which separators
// are text ("" inside it stands for one quote). Each token is trimmed, except
// a token that is exactly one space. The text is trimmed when the tokenizer
// is built, so a trailing separator adds no empty last token.
#pragma once

#include "Core/PUtils.h"
#include "Platform/Win32.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class CPTokenizer
{
public:
    // An empty separator never matches: the whole text is one token. The
    // tokenizer reads the caller's text where it lies: it must outlive the
    // tokenizer unchanged (tokens are not to be read into it).
    CPTokenizer(std::string_view text, std::string_view separator, BYTE quote);
    // A temporary text, or a C string, is kept by the tokenizer itself.
    CPTokenizer(std::string&& text, std::string_view separator, BYTE quote);
    CPTokenizer(const char* text, std::string_view separator, BYTE quote);
    ~CPTokenizer() = default;
    CPTokenizer(const CPTokenizer&) = delete;
    CPTokenizer& operator=(const CPTokenizer&) = delete;

    // The next token; 0 (and an empty token) once the text is used up.
    BYTE NextToken(std::string& token);
    // The same token as a view, without a copy. It points into the text when
    // the token is one stretch of it, else into the tokenizer; either way it
    // stays valid until the next call or the tokenizer's end.
    BYTE NextToken(std::string_view& token);

private:
    // Trims the text to split and prepares the stops.
    void Begin(std::string_view text);
    // Position of the first stop at or after `from` (`m_length` when none):
    // a character that starts a separator or, with grouping on, a quote.
    // Positions asked for never go back.
    size_t NextStop(size_t from);
    // Forgets the stops before `from`.
    void DropStopsBefore(size_t from);
    // NextStop once the block holds no stop at or after `from`: reads the
    // blocks that follow until one holds a stop.
    size_t SeekStop(size_t from);
    // Position of the first quote at or after `from` (`m_length` when none).
    size_t NextQuote(size_t from) const;
    // Finds the stops among the 64 characters from `at` (fewer at the end).
    void LoadBlock(size_t at);
    // One bit per stop among `count` characters (at most 64), one at a time.
    uint64_t StopBits(const char* text, size_t count, char stop) const;
    // The token from `start` when a quote or a longer separator is met at
    // `stop`: character by character from there.
    std::string_view NextQuirkToken(size_t start, size_t stop);
    // The common quoted token, only blanks around one quoted stretch without
    // inner quotes, read at once from the block's bits when its closing quote
    // lies in the block; a view without data for any other shape (a token always
    // points somewhere). `quote` is the bit of the opening quote, the
    // block's lowest stop.
    std::string_view QuotedToken(size_t start, uint64_t quote);

    // What few tokenizers need, made on first use, so that building one for
    // a line stores little: a text kept for the caller, a separator longer
    // than one character, and the buffer of a token that is not one stretch
    // of the text.
    struct Storage
    {
        std::string text;
        std::string separator;
        std::string buffer;
    };
    Storage& Stored();
    // Keeps the separator: a single character here, a longer one in the
    // storage.
    void SetSeparator(std::string_view separator);

    std::unique_ptr<Storage> m_storage;
    // The trimmed text to split.
    const char* m_text;
    size_t m_length;
    size_t m_position = 0;
    std::string_view m_separator;
    char m_separatorChar;
    BYTE m_quote;
    // The stop that ends a token at once: a one-character separator that is
    // not also the quote; -1 when there is none.
    int m_plainStop;
    // The characters that are stops (both the same when only one kind of
    // stop exists); none at all when there is no separator and no grouping.
    bool m_hasStops;
    char m_stops[2];
    // The stops not yet passed among the m_blockCount characters from
    // m_blockStart, one bit per character, and the quotes among them.
    size_t m_blockStart;
    size_t m_blockCount;
    uint64_t m_blockBits;
    uint64_t m_quoteBits;
};

// Built once per line by the line loops, so kept where the caller can inline it.
inline CPTokenizer::CPTokenizer(std::string_view text, std::string_view separator, BYTE quote)
    : m_quote(quote)
{
    SetSeparator(separator);
    Begin(text);
}

inline void CPTokenizer::SetSeparator(std::string_view separator)
{
    if (separator.size() > 1) {
        m_separator = Stored().separator.assign(separator);
        return;
    }
    m_separatorChar = separator.empty() ? '\0' : separator[0];
    m_separator = std::string_view(&m_separatorChar, separator.size());
}

inline void CPTokenizer::Begin(std::string_view text)
{
    const char* begin = text.data();
    const char* end = begin + text.size();
    TrimBounds(begin, end);
    m_text = begin;
    m_length = static_cast<size_t>(end - begin);

    m_hasStops = !m_separator.empty() || m_quote;
    m_stops[0] = m_separator.empty() ? '"' : m_separator[0];
    m_stops[1] = m_quote ? '"' : m_stops[0];
    const bool plain = m_separator.size() == 1 && !(m_quote && m_separator[0] == '"');
    m_plainStop = plain ? static_cast<unsigned char>(m_separator[0]) : -1;
    if (m_hasStops && m_length > 0) {
        LoadBlock(0);
        return;
    }
    m_blockStart = 0;
    m_blockCount = 0;
    m_blockBits = 0;
    m_quoteBits = 0;
}

inline BYTE CPTokenizer::NextToken(std::string_view& token)
{
    const size_t start = m_position;
    if (start >= m_length) {
        token = std::string_view();
        return 0;
    }
    // The common token: plain text up to a one-character separator or the
    // end, trimmed where it lies. Once a block is loaded its lowest stop bit
    // is the next stop; with a plain stop every other stop is a quote.
    uint64_t bits = m_blockBits;
    if (!bits && m_blockStart + m_blockCount < m_length) {
        SeekStop(start);
        bits = m_blockBits;
    }
    size_t stop = m_length; // no stops left when the block reaches the end
    if (bits) {
        const uint64_t lowest = bits & (0 - bits);
        stop = m_blockStart + static_cast<size_t>(__builtin_ctzll(bits));
        if (m_plainStop < 0 || (m_quoteBits & lowest)) {
            // With a plain stop any other stop is a quote.
            token = m_plainStop >= 0 ? QuotedToken(start, lowest) : std::string_view();
            if (!token.data())
                token = NextQuirkToken(start, stop);
            return 1;
        }
        m_blockBits = bits ^ lowest; // the separator is passed
    }
    const char* begin = m_text + start;
    const char* end = m_text + stop;
    if (end - begin != 1 || *begin != ' ')
        TrimBounds(begin, end);
    token = std::string_view(begin, static_cast<size_t>(end - begin));
    m_position = stop + 1;
    return 1;
}

inline BYTE CPTokenizer::NextToken(std::string& token)
{
    std::string_view view;
    const BYTE found = NextToken(view);
    token.assign(view.data(), view.size());
    return found;
}

// The sky loaders' name for the same tokenizer.
using CPSplitter = CPTokenizer;
