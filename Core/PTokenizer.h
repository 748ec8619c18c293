// Splits a line or a value into tokens at a separator string. The separator
// is matched as a whole: a character that breaks a partial match is text,
// and a partial match left at the end of the text is dropped. With quote
// grouping on, double quotes open and close a stretch in which separators
// are text ("" inside it stands for one quote). Each token is trimmed, except
// a token that is exactly one space. The text is trimmed when the tokenizer
// is built, so a trailing separator adds no empty last token.
#pragma once

#include "Platform/Win32.h"

#include <cstddef>
#include <cstdint>
#include <string>

class CPTokenizer
{
public:
    // An empty separator never matches: the whole text is one token. The
    // tokenizer reads the caller's text where it lies: it must outlive the
    // tokenizer unchanged (tokens are not to be read into it).
    CPTokenizer(const std::string& text, const std::string& separator, BYTE quote);
    // A temporary text is kept by the tokenizer itself.
    CPTokenizer(std::string&& text, const std::string& separator, BYTE quote);
    virtual ~CPTokenizer();
    CPTokenizer(const CPTokenizer&) = delete;
    CPTokenizer& operator=(const CPTokenizer&) = delete;

    // The next token; 0 (and an empty token) once the text is used up.
    BYTE NextToken(std::string& token);

private:
    // Trims the text to split and prepares the stops.
    void Begin(const std::string& text);
    // End of the run of plain characters from `from`: those that neither
    // start a separator nor, with grouping on, are a quote.
    size_t PlainRunEnd(size_t from) const;

    // The text of a temporary, kept here.
    std::string m_ownText;
    // The trimmed text to split.
    const char* m_text;
    size_t m_length;
    std::string m_separator;
    BYTE m_quote;
    size_t m_position = 0;
    // The characters that end a plain run, each repeated in all eight bytes
    // (both the same when only one kind of stop exists); no stops at all
    // when there is no separator and no grouping.
    bool m_hasStops;
    uint64_t m_stopLanes[2];
};

// The sky loaders' name for the same tokenizer.
using CPSplitter = CPTokenizer;
