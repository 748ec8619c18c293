// Whole-file writer: bytes are collected in memory (integers and floats as 4
// bytes little-endian, strings as a 32-bit length and their bytes) and Save
// writes them out in one go, optionally scrambled. Save replaces the file only
// once every byte is safely on disk: it writes a temporary beside the target
// and renames it over, so a failed save leaves the old file as it was. The
// writer makes no directories: a path in a missing directory fails.
#pragma once

#include "Platform/Win32.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CPFileWriter
{
public:
    CPFileWriter(const std::string& path, BYTE scramble = 0);
    virtual ~CPFileWriter();

    // Appends `count` bytes.
    HRESULT Write(const void* data, size_t count);
    HRESULT WriteInt(int32_t value);
    // The float's 4 bytes, as WriteInt writes its integer.
    HRESULT WriteFloat(float value);
    // The length as a 32-bit integer, then the bytes.
    HRESULT WriteString(const std::string& text);

    // Writes the collected bytes (scrambled on a copy when scramble is set,
    // so saving again writes the same file). E_FAIL when the file cannot be
    // made, a directory stands at the path, the write is short or the close
    // fails; the old file is then left untouched.
    HRESULT Save();

private:
    std::vector<BYTE> m_data;
    std::string m_path;
    BYTE m_scramble = 0;
};
