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
#include <string>

class CPTokenizer
{
public:
    // An empty separator never matches: the whole text is one token.
    CPTokenizer(const std::string& text, const std::string& separator, BYTE quote);
    virtual ~CPTokenizer();

    // The next token; 0 (and an empty token) once the text is used up.
    BYTE NextToken(std::string& token);

private:
    // End of the run of plain characters from `from`: those that neither
    // start a separator nor, with grouping on, are a quote.
    size_t PlainRunEnd(size_t from) const;

    std::string m_text;
    std::string m_separator;
    BYTE m_quote;
    size_t m_position = 0;
};

// The sky loaders' name for the same tokenizer.
using CPSplitter = CPTokenizer;
