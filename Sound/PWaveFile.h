// Reader of RIFF WAVE files for the sound buffers. It opens a game file, or a
// "WAVE" (then "WAV") resource of the program file of the same name, takes the
// wave format from the "fmt " chunk and reads the samples of the "data" chunk,
// from the start again after ResetFile. Chunks are searched inside the "RIFF"
// chunk, so their order does not matter and unknown chunks are skipped.
// The write mode creates a WAVE file with its headers and no samples.
#pragma once

#include "Platform/MMIO.h"
#include "Platform/Win32.h"

#include <cstdint>
#include <vector>

constexpr DWORD WAVEFILE_READ = 1;
constexpr DWORD WAVEFILE_WRITE = 2;

class CPWaveFile
{
public:
    CPWaveFile();
    ~CPWaveFile();
    CPWaveFile(const CPWaveFile&) = delete;
    CPWaveFile& operator=(const CPWaveFile&) = delete;

    // S_OK, E_FAIL when the file or resource cannot be opened (the log names
    // a file found neither way) or is no valid WAVE, E_INVALIDARG for a
    // missing name in read mode. `format` is used
    // only in write mode.
    HRESULT Open(const char* name, const WAVEFORMATEX* format, DWORD mode);
    // Finishes a written file and closes the handle.
    HRESULT Close();
    // Copies up to `size` bytes of sample data; at the end of the data it
    // copies none and succeeds.
    HRESULT Read(BYTE* destination, DWORD size, DWORD* sizeRead);
    // Back to the first sample; CO_E_NOTINITIALIZED without an open file.
    HRESULT ResetFile();

    // Bytes of sample data; 0 without an open file.
    DWORD GetSize() const { return m_size; }
    // The format read from the file, followed by its extra bytes; null until
    // a header was read.
    const WAVEFORMATEX* GetFormat() const;

private:
    HRESULT ReadHeader();
    HRESULT WriteHeader(const WAVEFORMATEX& format);
    HRESULT OpenResource(const char* name);
    void CloseHandle();

    std::vector<uint8_t> m_format; // WAVEFORMATEX and its extra bytes; empty when none
    HMMIO m_mmio;
    MMCKINFO m_ck;     // the "data" chunk; its size counts the bytes still unread
    MMCKINFO m_ckRiff; // the enclosing "RIFF" chunk
    DWORD m_size;
    MMIOINFO m_writeInfo;
    DWORD m_mode;
    std::vector<char> m_resourceCopy; // a resource's bytes while it is open as a memory file
};
