#include "Platform/MMIO.h"

#include "Platform/ByteOrder.h"
#include "Platform/GamePath.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

// One open handle. `state` is the buffer state the caller sees; a disk file's
// buffer covers the file from state.lBufOffset, and the bytes up to
// state.pchEndRead hold file data (read from disk or written by the caller).
struct MMIOFile__
{
    FILE* file = nullptr; // null for a memory file
    bool writable = false;
    bool dirty = false;          // buffer holds bytes not yet on disk
    int64_t diskSize = 0;        // bytes on disk (a memory file: its block)
    std::vector<char> ownBuffer; // a disk file's I/O buffer
    MMIOINFO state {};
};

namespace
{
constexpr int64_t kLongMax = std::numeric_limits<LONG>::max();

bool IsMemory(const MMIOFile__& f) { return f.file == nullptr; }

int64_t BufferedBytes(const MMIOFile__& f) { return f.state.pchEndRead - f.state.pchBuffer; }

int64_t Position(const MMIOFile__& f) { return static_cast<int64_t>(f.state.lBufOffset) + (f.state.pchNext - f.state.pchBuffer); }

int64_t FileSize(const MMIOFile__& f)
{
    return std::max(f.diskSize, static_cast<int64_t>(f.state.lBufOffset) + BufferedBytes(f));
}

// Writes the buffered bytes of a dirty disk buffer back to the file.
bool Flush(MMIOFile__& f)
{
    if (!f.dirty || IsMemory(f))
        return true;
    const size_t count = static_cast<size_t>(BufferedBytes(f));
    if (fseek(f.file, f.state.lBufOffset, SEEK_SET) != 0 || fwrite(f.state.pchBuffer, 1, count, f.file) != count)
        return false;
    f.dirty = false;
    f.state.lDiskOffset = static_cast<LONG>(f.state.lBufOffset + static_cast<int64_t>(count));
    f.diskSize = std::max(f.diskSize, static_cast<int64_t>(f.state.lDiskOffset));
    return true;
}

// Points an empty disk buffer at `position`; the next read fills it.
void EmptyBufferAt(MMIOFile__& f, int64_t position)
{
    f.state.lBufOffset = static_cast<LONG>(position);
    f.state.pchNext = f.state.pchBuffer;
    f.state.pchEndRead = f.state.pchBuffer;
}

// Fills a disk buffer with the file's bytes from the current position on.
MMRESULT Fill(MMIOFile__& f)
{
    if (!Flush(f))
        return MMIOERR_CANNOTWRITE;
    const int64_t position = Position(f);
    EmptyBufferAt(f, position);
    if (position >= f.diskSize)
        return MMSYSERR_NOERROR;
    if (fseek(f.file, static_cast<long>(position), SEEK_SET) != 0)
        return MMIOERR_CANNOTSEEK;
    const size_t got = fread(f.state.pchBuffer, 1, static_cast<size_t>(f.state.cchBuffer), f.file);
    if (got == 0 && ferror(f.file)) {
        clearerr(f.file);
        return MMIOERR_CANNOTREAD;
    }
    f.state.pchEndRead = f.state.pchBuffer + got;
    f.state.lDiskOffset = static_cast<LONG>(position + static_cast<int64_t>(got));
    return MMSYSERR_NOERROR;
}

// Takes the caller's position in the buffer and its dirty flag.
MMRESULT TakeCallerState(MMIOFile__& f, const MMIOINFO& info)
{
    const char* end = f.state.pchBuffer + f.state.cchBuffer;
    if (info.pchNext < f.state.pchBuffer || info.pchNext > end)
        return MMSYSERR_INVALPARAM;
    f.state.pchNext = info.pchNext;
    if (info.dwFlags & MMIO_DIRTY) {
        if (!f.writable)
            return MMIOERR_CANNOTWRITE;
        f.dirty = true;
        f.state.pchEndRead = std::max(f.state.pchEndRead, f.state.pchNext);
    }
    return MMSYSERR_NOERROR;
}

void GiveState(const MMIOFile__& f, MMIOINFO* info)
{
    *info = f.state;
    info->dwFlags = (f.state.dwFlags & ~MMIO_DIRTY) | (f.dirty ? MMIO_DIRTY : 0);
}

bool ReadWord(HMMIO file, DWORD& value)
{
    uint8_t bytes[4];
    if (mmioRead(file, reinterpret_cast<char*>(bytes), 4) != 4)
        return false;
    value = LoadLe32(bytes);
    return true;
}

bool WriteWord(HMMIO file, DWORD value)
{
    const char bytes[4] = { static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF),
        static_cast<char>((value >> 16) & 0xFF), static_cast<char>((value >> 24) & 0xFF) };
    return mmioWrite(file, bytes, 4) == 4;
}

MMIOFile__* OpenMemory(MMIOINFO& info, DWORD flags)
{
    if (!info.pchBuffer || info.cchBuffer <= 0)
        return nullptr;
    auto* f = new MMIOFile__;
    f->writable = (flags & 3) != MMIO_READ;
    f->diskSize = info.cchBuffer;
    f->state.fccIOProc = FOURCC_MEM;
    f->state.cchBuffer = info.cchBuffer;
    f->state.pchBuffer = info.pchBuffer;
    f->state.pchNext = info.pchBuffer;
    f->state.pchEndRead = info.pchBuffer + info.cchBuffer;
    f->state.pchEndWrite = info.pchBuffer + info.cchBuffer;
    return f;
}

MMIOFile__* OpenDisk(const char* name, const MMIOINFO* info, DWORD flags, UINT& error)
{
    const DWORD access = flags & 3;
    const char* mode = (flags & MMIO_CREATE) ? "w+b" : (access == MMIO_READ ? "rb" : "r+b");
    FILE* file = GamePath::GameFOpen(name, mode);
    if (!file) {
        error = (flags & MMIO_CREATE) ? MMIOERR_CANNOTOPEN : MMIOERR_FILENOTFOUND;
        return nullptr;
    }
    long size = -1;
    if (fseek(file, 0, SEEK_END) == 0)
        size = ftell(file);
    if (size < 0 || size > kLongMax) {
        fclose(file);
        error = MMIOERR_CANNOTOPEN;
        return nullptr;
    }
    auto* f = new MMIOFile__;
    f->file = file;
    f->writable = (flags & MMIO_CREATE) || access != MMIO_READ;
    f->diskSize = size;
    const LONG length = (info && info->cchBuffer > 0) ? info->cchBuffer : MMIO_DEFAULTBUFFER;
    f->ownBuffer.assign(static_cast<size_t>(length), 0);
    f->state.cchBuffer = length;
    f->state.pchBuffer = f->ownBuffer.data();
    f->state.pchEndWrite = f->state.pchBuffer + length;
    EmptyBufferAt(*f, 0);
    return f;
}
}

HMMIO mmioOpenA(LPCSTR name, MMIOINFO* info, DWORD flags)
{
    UINT error = MMSYSERR_NOERROR;
    MMIOFile__* f = nullptr;
    if (info && info->fccIOProc == FOURCC_MEM) {
        f = OpenMemory(*info, flags);
        if (!f)
            error = MMSYSERR_INVALPARAM;
    } else if (!name) {
        error = MMIOERR_FILENOTFOUND;
    } else {
        f = OpenDisk(name, info, flags, error);
    }
    if (f)
        f->state.hmmio = f;
    if (info) {
        info->wErrorRet = error;
        info->hmmio = f;
    }
    return f;
}

MMRESULT mmioClose(HMMIO file, UINT)
{
    if (!file)
        return MMSYSERR_INVALHANDLE;
    const bool flushed = Flush(*file);
    if (file->file)
        fclose(file->file);
    delete file;
    return flushed ? MMSYSERR_NOERROR : MMIOERR_CANNOTWRITE;
}

LONG mmioRead(HMMIO file, char* destination, LONG count)
{
    if (!file || !destination || count < 0)
        return -1;
    LONG total = 0;
    while (total < count) {
        if (file->state.pchNext >= file->state.pchEndRead) {
            if (IsMemory(*file) || Fill(*file) != MMSYSERR_NOERROR)
                break;
            if (file->state.pchNext >= file->state.pchEndRead)
                break;
        }
        const LONG chunk = static_cast<LONG>(std::min<int64_t>(count - total, file->state.pchEndRead - file->state.pchNext));
        std::memcpy(destination + total, file->state.pchNext, static_cast<size_t>(chunk));
        file->state.pchNext += chunk;
        total += chunk;
    }
    return total;
}

LONG mmioWrite(HMMIO file, const char* source, LONG count)
{
    if (!file || !source || count < 0 || !file->writable)
        return -1;
    LONG total = 0;
    while (total < count) {
        if (file->state.pchNext >= file->state.pchEndWrite) {
            if (IsMemory(*file))
                return total > 0 ? total : -1;
            if (!Flush(*file))
                return -1;
            EmptyBufferAt(*file, Position(*file));
        }
        // A position past the buffered bytes (set through mmioSetInfo) starts
        // a new buffer there, so a flush never writes the stale bytes between.
        if (!IsMemory(*file) && file->state.pchNext > file->state.pchEndRead) {
            if (!Flush(*file))
                return -1;
            EmptyBufferAt(*file, Position(*file));
        }
        const LONG chunk = static_cast<LONG>(std::min<int64_t>(count - total, file->state.pchEndWrite - file->state.pchNext));
        std::memcpy(file->state.pchNext, source + total, static_cast<size_t>(chunk));
        file->state.pchNext += chunk;
        file->state.pchEndRead = std::max(file->state.pchEndRead, file->state.pchNext);
        file->dirty = true;
        total += chunk;
    }
    return total;
}

LONG mmioSeek(HMMIO file, LONG offset, int origin)
{
    if (!file)
        return -1;
    int64_t base = 0;
    if (origin == SEEK_CUR)
        base = Position(*file);
    else if (origin == SEEK_END)
        base = FileSize(*file);
    else if (origin != SEEK_SET)
        return -1;
    const int64_t target = base + offset;
    if (target < 0 || target > kLongMax)
        return -1;
    if (IsMemory(*file)) {
        if (target > file->state.cchBuffer)
            return -1;
        file->state.pchNext = file->state.pchBuffer + target;
        return static_cast<LONG>(target);
    }
    if (target > FileSize(*file) && !file->writable)
        return -1;
    const int64_t start = file->state.lBufOffset;
    if (target >= start && target <= start + BufferedBytes(*file)) {
        file->state.pchNext = file->state.pchBuffer + (target - start);
        return static_cast<LONG>(target);
    }
    if (!Flush(*file))
        return -1;
    EmptyBufferAt(*file, target);
    return static_cast<LONG>(target);
}

MMRESULT mmioGetInfo(HMMIO file, MMIOINFO* info, UINT)
{
    if (!file)
        return MMSYSERR_INVALHANDLE;
    if (!info)
        return MMSYSERR_INVALPARAM;
    GiveState(*file, info);
    return MMSYSERR_NOERROR;
}

MMRESULT mmioSetInfo(HMMIO file, const MMIOINFO* info, UINT)
{
    if (!file)
        return MMSYSERR_INVALHANDLE;
    if (!info)
        return MMSYSERR_INVALPARAM;
    return TakeCallerState(*file, *info);
}

MMRESULT mmioAdvance(HMMIO file, MMIOINFO* info, UINT flags)
{
    if (!file)
        return MMSYSERR_INVALHANDLE;
    if (info) {
        const MMRESULT taken = TakeCallerState(*file, *info);
        if (taken != MMSYSERR_NOERROR)
            return taken;
    }
    if (!IsMemory(*file)) {
        MMRESULT result = MMSYSERR_NOERROR;
        if (flags & MMIO_WRITE) {
            if (!file->writable)
                return MMIOERR_CANNOTWRITE;
            if (!Flush(*file))
                return MMIOERR_CANNOTWRITE;
            EmptyBufferAt(*file, Position(*file));
        } else {
            result = Fill(*file);
        }
        if (result != MMSYSERR_NOERROR)
            return result;
    } else if ((flags & MMIO_WRITE) && file->state.pchNext >= file->state.pchEndWrite) {
        return MMIOERR_CANNOTEXPAND;
    }
    if (info)
        GiveState(*file, info);
    return MMSYSERR_NOERROR;
}

MMRESULT mmioDescend(HMMIO file, MMCKINFO* chunk, const MMCKINFO* parent, UINT flags)
{
    if (!file)
        return MMSYSERR_INVALHANDLE;
    if (!chunk)
        return MMSYSERR_INVALPARAM;
    const int64_t end = parent ? static_cast<int64_t>(parent->dwDataOffset) + parent->cksize : FileSize(*file);
    const FOURCC wantedId = (flags & MMIO_FINDRIFF) ? FOURCC_RIFF : (flags & MMIO_FINDLIST) ? FOURCC_LIST : chunk->ckid;
    const bool byType = (flags & (MMIO_FINDRIFF | MMIO_FINDLIST)) != 0;
    const bool search = (flags & (MMIO_FINDCHUNK | MMIO_FINDRIFF | MMIO_FINDLIST)) != 0;
    for (;;) {
        const int64_t start = Position(*file);
        if (start + 8 > end)
            return MMIOERR_CHUNKNOTFOUND;
        MMCKINFO found {};
        if (!ReadWord(file, found.ckid) || !ReadWord(file, found.cksize))
            return MMIOERR_CHUNKNOTFOUND;
        found.dwDataOffset = static_cast<DWORD>(start + 8);
        const bool isList = found.ckid == FOURCC_RIFF || found.ckid == FOURCC_LIST;
        if (isList && !ReadWord(file, found.fccType))
            return MMIOERR_CHUNKNOTFOUND;
        const bool matches = !search || (found.ckid == wantedId && (!byType || found.fccType == chunk->fccType));
        if (matches) {
            *chunk = found;
            return MMSYSERR_NOERROR;
        }
        const int64_t next = static_cast<int64_t>(found.dwDataOffset) + found.cksize + (found.cksize & 1);
        if (next > kLongMax || mmioSeek(file, static_cast<LONG>(next), SEEK_SET) < 0)
            return MMIOERR_CHUNKNOTFOUND;
    }
}

MMRESULT mmioAscend(HMMIO file, MMCKINFO* chunk, UINT)
{
    if (!file)
        return MMSYSERR_INVALHANDLE;
    if (!chunk)
        return MMSYSERR_INVALPARAM;
    if (chunk->dwFlags & MMIO_DIRTY) {
        const int64_t size = Position(*file) - static_cast<int64_t>(chunk->dwDataOffset);
        if (size < 0 || chunk->dwDataOffset < 4)
            return MMIOERR_CANNOTSEEK;
        if ((size & 1) && mmioWrite(file, "", 1) != 1)
            return MMIOERR_CANNOTWRITE;
        if (static_cast<DWORD>(size) != chunk->cksize) {
            if (mmioSeek(file, static_cast<LONG>(chunk->dwDataOffset - 4), SEEK_SET) < 0)
                return MMIOERR_CANNOTSEEK;
            if (!WriteWord(file, static_cast<DWORD>(size)))
                return MMIOERR_CANNOTWRITE;
            chunk->cksize = static_cast<DWORD>(size);
        }
        chunk->dwFlags &= ~MMIO_DIRTY;
    }
    const int64_t end = static_cast<int64_t>(chunk->dwDataOffset) + chunk->cksize + (chunk->cksize & 1);
    if (end > kLongMax || mmioSeek(file, static_cast<LONG>(end), SEEK_SET) < 0)
        return MMIOERR_CANNOTSEEK;
    return MMSYSERR_NOERROR;
}

MMRESULT mmioCreateChunk(HMMIO file, MMCKINFO* chunk, UINT flags)
{
    if (!file)
        return MMSYSERR_INVALHANDLE;
    if (!chunk)
        return MMSYSERR_INVALPARAM;
    const int64_t start = Position(*file);
    if (flags & MMIO_CREATERIFF)
        chunk->ckid = FOURCC_RIFF;
    else if (flags & MMIO_CREATELIST)
        chunk->ckid = FOURCC_LIST;
    const bool isList = (flags & (MMIO_CREATERIFF | MMIO_CREATELIST)) != 0;
    if (!WriteWord(file, chunk->ckid) || !WriteWord(file, chunk->cksize) || (isList && !WriteWord(file, chunk->fccType)))
        return MMIOERR_CANNOTWRITE;
    chunk->dwDataOffset = static_cast<DWORD>(start + 8);
    chunk->dwFlags = MMIO_DIRTY;
    return MMSYSERR_NOERROR;
}
