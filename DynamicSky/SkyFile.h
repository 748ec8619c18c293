// Reader of the sky's text files (skyscapes, cloud sets, cloud groups and
// cloud layers) under "Data\Clouds\". Every line is a label that is not
// examined, then its values separated by spaces (quotes group); meaning is by
// position only. A missing value reads as 0 or "". The counts in these files
// are not trusted: once the lines run out, Next reports it and every later
// value reads as missing, so loaders stop there.
#pragma once

#include "Core/PFileReader.h"
#include "Core/PTextParser.h"
#include "Platform/D3DX9Math.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CPSkyFile
{
public:
    // Reads "Data\Clouds\" + name whole.
    explicit CPSkyFile(const std::string& name);

    // False when the file could not be read.
    bool IsOpen() const { return m_open; }
    // Moves to the next line; false (and no values) once the lines are used up.
    bool Next();
    // True once a Next has found no line.
    bool Ended() const { return m_ended; }

    // Value `index` of the current line, the label not counted.
    float Float(size_t index = 0) const;
    int32_t Int(size_t index = 0) const;
    std::string String(size_t index = 0) const;
    D3DXVECTOR3 Vector() const { return D3DXVECTOR3(Float(0), Float(1), Float(2)); }

    // Next, then the first value.
    float NextFloat();
    int32_t NextInt();
    std::string NextString();
    D3DXVECTOR3 NextVector();

private:
    CPFileReader m_file;
    std::unique_ptr<CPLineReader> m_lines;
    std::vector<std::string> m_values;
    bool m_open = false;
    bool m_ended = false;
};

