// Buffered multimedia file I/O with RIFF chunk navigation, as the sound code
// calls it. A handle reads and writes a game file through the path layer, or
// works on a block of memory the caller owns (I/O procedure "MEM ").
//
// Every open file has one I/O buffer. mmioGetInfo hands its state out so the
// caller can copy bytes straight from it (pchNext up to pchEndRead) or into it
// (up to pchEndWrite); mmioAdvance moves the buffer on to the next stretch of
// the file, writing it first when the caller flagged it MMIO_DIRTY; mmioSetInfo
// hands the state back. A memory file's buffer is the whole memory block.
//
// Positions and sizes are 32-bit, as in RIFF files.
#pragma once

#include "Platform/Win32.h"

#include <cstdio> // SEEK_SET, SEEK_CUR, SEEK_END for mmioSeek

typedef DWORD FOURCC;
typedef struct MMIOFile__* HMMIO;
typedef UINT MMRESULT;

constexpr FOURCC mmioFOURCC(char a, char b, char c, char d)
{
    return static_cast<FOURCC>(static_cast<uint8_t>(a)) | static_cast<FOURCC>(static_cast<uint8_t>(b)) << 8
        | static_cast<FOURCC>(static_cast<uint8_t>(c)) << 16 | static_cast<FOURCC>(static_cast<uint8_t>(d)) << 24;
}

constexpr FOURCC FOURCC_RIFF = mmioFOURCC('R', 'I', 'F', 'F');
constexpr FOURCC FOURCC_LIST = mmioFOURCC('L', 'I', 'S', 'T');
constexpr FOURCC FOURCC_MEM = mmioFOURCC('M', 'E', 'M', ' ');

// Open flags: access mode in the low bits, then options.
constexpr DWORD MMIO_READ = 0x00000000;
constexpr DWORD MMIO_WRITE = 0x00000001;
constexpr DWORD MMIO_READWRITE = 0x00000002;
constexpr DWORD MMIO_CREATE = 0x00001000;
constexpr DWORD MMIO_ALLOCBUF = 0x00010000;
// State flags of MMIOINFO and MMCKINFO.
constexpr DWORD MMIO_DIRTY = 0x10000000;
// mmioDescend: what to search for; mmioCreateChunk: what to create.
constexpr UINT MMIO_FINDCHUNK = 0x0010;
constexpr UINT MMIO_FINDRIFF = 0x0020;
constexpr UINT MMIO_FINDLIST = 0x0040;
constexpr UINT MMIO_CREATERIFF = 0x0020;
constexpr UINT MMIO_CREATELIST = 0x0040;

// Size of the I/O buffer of a file opened with MMIO_ALLOCBUF and no buffer length.
constexpr LONG MMIO_DEFAULTBUFFER = 8192;

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT MMIOERR_FILENOTFOUND = 257;
constexpr MMRESULT MMIOERR_OUTOFMEMORY = 258;
constexpr MMRESULT MMIOERR_CANNOTOPEN = 259;
constexpr MMRESULT MMIOERR_CANNOTREAD = 261;
constexpr MMRESULT MMIOERR_CANNOTWRITE = 262;
constexpr MMRESULT MMIOERR_CANNOTSEEK = 263;
constexpr MMRESULT MMIOERR_CANNOTEXPAND = 264;
constexpr MMRESULT MMIOERR_CHUNKNOTFOUND = 265;

// The format of wave data: fixed fields as they stand in a "fmt " chunk,
// packed to 18 bytes; the cbSize bytes of a non-PCM format's extra
// information follow the record directly.
#pragma pack(push, 1)
struct WAVEFORMATEX
{
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18, "wave format record is 18 bytes");

constexpr WORD WAVE_FORMAT_PCM = 1;

// The I/O buffer state shared with the caller, and the open parameters.
struct MMIOINFO
{
    DWORD dwFlags;
    FOURCC fccIOProc;    // FOURCC_MEM for a memory file, 0 for a file
    UINT wErrorRet;      // why mmioOpenA failed
    LONG cchBuffer;      // buffer length in bytes
    char* pchBuffer;     // start of the buffer (a memory file's block)
    char* pchNext;       // next byte to read or write
    char* pchEndRead;    // one past the last byte that holds file data
    char* pchEndWrite;   // one past the last byte that may be written
    LONG lBufOffset;     // file offset of the buffer's first byte
    LONG lDiskOffset;    // file offset the next disk transfer starts from
    HMMIO hmmio;
};

// One chunk: its id, the size of its data, the form or list type of a
// "RIFF" or "LIST" chunk, and the file offset where its data starts (for
// "RIFF"/"LIST" that is where the type stands).
struct MMCKINFO
{
    FOURCC ckid;
    DWORD cksize;
    FOURCC fccType;
    DWORD dwDataOffset;
    DWORD dwFlags; // MMIO_DIRTY while a created chunk's size is unwritten
};

// Opens a game file (`name`) or, with info->fccIOProc == FOURCC_MEM, the
// memory block info->pchBuffer of info->cchBuffer bytes (the block stays the
// caller's and must outlive the handle; it does not grow). A file always gets
// its own I/O buffer of info->cchBuffer bytes, or MMIO_DEFAULTBUFFER when no
// length is given. MMIO_CREATE makes or empties the file. Null on failure,
// with the reason in info->wErrorRet when info is given.
HMMIO mmioOpenA(LPCSTR name, MMIOINFO* info, DWORD flags);
// Writes what the buffer holds and closes the handle.
MMRESULT mmioClose(HMMIO file, UINT flags);
// Copies up to `count` bytes; returns the number read (0 at the end), -1 on error.
LONG mmioRead(HMMIO file, char* destination, LONG count);
LONG mmioWrite(HMMIO file, const char* source, LONG count);
// Moves the file position (origin SEEK_SET, SEEK_CUR or SEEK_END); returns
// the new position or -1. Only a writable disk file can be positioned past
// its end (a write there fills the gap with zero bytes).
LONG mmioSeek(HMMIO file, LONG offset, int origin);
MMRESULT mmioGetInfo(HMMIO file, MMIOINFO* info, UINT flags);
MMRESULT mmioSetInfo(HMMIO file, const MMIOINFO* info, UINT flags);
// Takes the caller's buffer state (when info is given), writes the buffer if
// it is dirty, then fills it with the next part of the file (MMIO_READ) or
// makes it ready to receive more (MMIO_WRITE), and hands the new state back.
// At the end of the file it succeeds with pchNext == pchEndRead.
MMRESULT mmioAdvance(HMMIO file, MMIOINFO* info, UINT flags);
// Without flags, reads the chunk header at the current position; with
// MMIO_FINDCHUNK / MMIO_FINDRIFF / MMIO_FINDLIST, skips chunks until one with
// chunk->ckid (and, for the last two, chunk->fccType) is found, within
// `parent` when given, else up to the end of the file. Leaves the position at
// the start of the chunk's data (after the type of a "RIFF"/"LIST").
MMRESULT mmioDescend(HMMIO file, MMCKINFO* chunk, const MMCKINFO* parent, UINT flags);
// Moves past the end of the chunk (and its pad byte); a chunk made by
// mmioCreateChunk gets its size written first.
MMRESULT mmioAscend(HMMIO file, MMCKINFO* chunk, UINT flags);
// Writes a chunk header at the current position; the size is fixed by mmioAscend.
MMRESULT mmioCreateChunk(HMMIO file, MMCKINFO* chunk, UINT flags);
