// Line reader for the game's text data files. It cuts a block of text into
// meaningful lines: any line holding "//" is dropped whole, and so is every
// line from one holding "/*" through the next one holding "*/" (text before
// and after the markers included); lines are trimmed, blank ones skipped, and
// a line "[name]" is a section line whose text is the bare name.
#pragma once

#include "Platform/Win32.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class CPTextParser
{
public:
    // The text is not copied: it must outlive the parser.
    CPTextParser(const void* data, int32_t size);
    virtual ~CPTextParser();

    // Moves to the next non-empty line; 0 when the text is used up. A section
    // line "[]" has no name and also gives 0, however much text follows.
    BYTE NextLine();
    // 1 for an ordinary line, 0 for a section line.
    BYTE IsPlainLine() const { return m_plain ? 1 : 0; }
    // NextLine, then copies the current line (empty when there was none).
    BYTE ReadLine(std::string& line);

    // The current line where it lies in the text, valid until the next
    // NextLine (the trimmed text, or the name of a section line).
    std::string_view GetLineView() const { return m_lineView; }
    // The current line as a string, made on the first call for each line.
    const std::string& GetLine() const;
    // Line feeds consumed so far.
    int32_t GetLineCount() const { return m_lineCount; }

private:
    const char* m_data;
    int32_t m_size;
    int32_t m_position = 0;
    std::string_view m_lineView;
    mutable std::string m_line;
    mutable bool m_lineMade = true;
    int32_t m_lineCount = 0;
    BYTE m_inComment = 0;
    int32_t m_plain = 1;
};

// The sky loaders' name for the same reader.
using CPLineReader = CPTextParser;
