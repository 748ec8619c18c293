// Whole-file reader: Load brings a file into memory, then it is handed out
// sequentially (integers and floats as 4 bytes little-endian, strings as a
// 32-bit length and that many bytes) or as one block. The path is lower-cased
// at construction; the path layer still finds it whatever its case on disk.
// A file missing on disk is looked up in the pack archives; one found in
// neither is reported to the log as "cannot open <path>: <reason>", with the
// path as the caller spelled it.
//
// Reads never leave the loaded bytes: what lies past the end reads as zeros,
// and the cursor still moves on by the count asked for (it stops at the
// largest 32-bit value), so every later read also yields zeros.
#pragma once

#include "Platform/Win32.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// Where a file's bytes lie inside an archive file; they are stored scrambled.
struct CPPackEntry
{
    uint32_t offset = 0;
    uint32_t size = 0;
};

// An archive: its file (a game path) and its index, keyed by the lower-cased
// game path a reader asks for.
struct CPPackArchive
{
    std::string path;
    std::unordered_map<std::string, CPPackEntry> index;
};

// The archives searched, in order, for a file missing on disk. Empty: the
// engine adds none; it is there for archives supplied from outside.
extern std::vector<CPPackArchive> g_PackArchives;

class CPFileReader
{
public:
    // No file access here; `descramble` unscrambles a file read from disk.
    CPFileReader(const std::string& path, BYTE descramble = 0);
    virtual ~CPFileReader();

    // Replaces the held bytes with the file's (the cursor stays where it
    // was). S_OK, or E_FAIL when the file is missing from disk and from every
    // archive (the log names it), cannot be measured, is larger than 2 GB or
    // reads short.
    HRESULT Load();
    // Replaces the held bytes with a copy of these, as Load would with a
    // file's (the cursor stays where it was).
    void SetData(const BYTE* bytes, int32_t size);

    // The first held byte (null when none are held) and their number.
    const BYTE* GetData() const { return m_data.get(); }
    int32_t GetSize() const { return m_size; }

    // Copies `count` bytes at the cursor into `destination` and moves on.
    HRESULT Read(void* destination, size_t count);
    int32_t ReadInt();
    float ReadFloat();
    // A 32-bit length n and n bytes; the text ends at the first zero byte. A
    // negative length gives "" (only the length is consumed); a length past
    // the end is cut to the bytes left.
    std::string ReadString();
    // The same into `text`, whose storage is reused.
    void ReadString(std::string& text);

    // Moves the cursor on as a Read of `count` bytes would, copying nothing.
    void Skip(size_t count)
    {
        const int64_t moved = static_cast<int64_t>(m_cursor) + static_cast<int64_t>(std::min<size_t>(count, INT32_MAX));
        m_cursor = static_cast<int32_t>(std::min<int64_t>(moved, INT32_MAX));
    }
    // The held byte at the cursor; only meaningful while GetRemaining() is
    // above 0.
    const BYTE* GetCursorData() const { return m_data.get() + m_cursor; }
    // True once the cursor has reached the end of the held bytes.
    bool IsAtEnd() const { return m_cursor >= m_size; }
    // Bytes held from the cursor to the end; 0 at or past the end. Readers of
    // counted records check a count against it before they allocate.
    int32_t GetRemaining() const { return m_cursor < m_size ? m_size - m_cursor : 0; }
    // True when a read asked for bytes past the end (they read as zeros).
    bool HasOverrun() const { return m_cursor > m_size; }

private:
    // The 32-bit value at the cursor; bytes past the end count as zero. All
    // inline and without calls, so a parsing loop keeps the cursor in a register.
    uint32_t ReadWord()
    {
        uint32_t word = 0;
        const int32_t left = m_size - m_cursor;
        if (left >= 4) {
            const BYTE* bytes = m_data.get() + m_cursor;
            word = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8
                | static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
            m_cursor += 4; // stays within the size
        } else {
            for (int32_t i = 0; i < left; ++i)
                word |= static_cast<uint32_t>(m_data[m_cursor + i]) << (8 * i);
            m_cursor = m_cursor > INT32_MAX - 4 ? INT32_MAX : m_cursor + 4;
        }
        return word;
    }
    HRESULT LoadFrom(FILE* file, int64_t size);
    bool IsInArchives() const;
    HRESULT LoadFromArchives();

    std::unique_ptr<BYTE[]> m_data;
    int32_t m_size = 0; // bytes held
    std::string m_path;      // lower-cased
    std::string m_givenPath; // as the caller spelled it, for the log
    BYTE m_descramble = 0;
    int32_t m_cursor = 0; // never negative
};

inline int32_t CPFileReader::ReadInt()
{
    return static_cast<int32_t>(ReadWord());
}

inline float CPFileReader::ReadFloat()
{
    const uint32_t bits = ReadWord();
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}
