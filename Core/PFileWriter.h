// Whole-file writer: bytes are collected in memory (integers and floats as 4
// bytes little-endian, strings as a 32-bit length and their bytes) and Save
// writes them out in one go, optionally scrambled, through
// GamePath::ReplaceFile: a temporary beside the target renamed over it, so a
// failed save leaves the old file as it was; a file the user could not have
// written, or one that is no regular file, is refused. The writer makes no
// directories: a path in a missing directory fails.
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
    // made, is not writable or not a regular file (a directory, a FIFO, a
    // device), the write, the flush or the close fails; the old file is then
    // left untouched, the log gets "cannot save <path>: <reason>" and errno
    // tells why. An existing file keeps its permission bits; a symbolic link
    // stays, and the file it leads to is replaced.
    HRESULT Save();

private:
    std::vector<BYTE> m_data;
    std::string m_path;
    BYTE m_scramble = 0;
};
