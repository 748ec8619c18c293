#include "Sound/PWaveFile.h"

#include "Core/PLog.h"
#include "Platform/COM.h"
#include "Platform/ResourceData.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace
{
constexpr FOURCC kWave = mmioFOURCC('W', 'A', 'V', 'E');
constexpr FOURCC kFormat = mmioFOURCC('f', 'm', 't', ' ');
constexpr FOURCC kData = mmioFOURCC('d', 'a', 't', 'a');
constexpr FOURCC kFact = mmioFOURCC('f', 'a', 'c', 't');
// Bytes of a "fmt " chunk's fixed part, before a non-PCM format's extra size.
constexpr LONG kFormatFixedBytes = 16;
// The resource types a sound may be stored under, in the order they are tried.
const char* const kResourceTypes[] = { "WAVE", "WAV" };

uint16_t Get16(const uint8_t* bytes)
{
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

uint32_t Get32(const uint8_t* bytes)
{
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8
        | static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void Put16(std::vector<char>& out, uint16_t value)
{
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

void Put32(std::vector<char>& out, uint32_t value)
{
    Put16(out, static_cast<uint16_t>(value & 0xFFFF));
    Put16(out, static_cast<uint16_t>(value >> 16));
}

bool WriteBytes(HMMIO file, const std::vector<char>& bytes)
{
    return mmioWrite(file, bytes.data(), static_cast<LONG>(bytes.size())) == static_cast<LONG>(bytes.size());
}
}

CPWaveFile::CPWaveFile()
    : m_mmio(nullptr)
    , m_ck {}
    , m_ckRiff {}
    , m_size(0)
    , m_writeInfo {}
    , m_mode(WAVEFILE_READ)
{
}

CPWaveFile::~CPWaveFile()
{
    Close();
}

const WAVEFORMATEX* CPWaveFile::GetFormat() const
{
    return m_format.empty() ? nullptr : reinterpret_cast<const WAVEFORMATEX*>(m_format.data());
}

HRESULT CPWaveFile::Open(const char* name, const WAVEFORMATEX* format, DWORD mode)
{
    CloseHandle();
    m_mode = mode;
    m_size = 0;
    if (mode == WAVEFILE_READ) {
        if (!name)
            return E_INVALIDARG;
        m_format.clear();
        errno = 0;
        m_mmio = mmioOpenA(name, nullptr, MMIO_ALLOCBUF | MMIO_READ);
        if (!m_mmio) {
            // A path that leads nowhere may fail without a system call to say so.
            const int openError = errno != 0 ? errno : ENOENT;
            if (FAILED(OpenResource(name))) {
                GetLog().Print(0, "cannot open %s: %s\n", name, std::strerror(openError));
                return E_FAIL;
            }
        }
        if (FAILED(ReadHeader()) || FAILED(ResetFile())) {
            CloseHandle();
            return E_FAIL;
        }
        m_size = m_ck.cksize;
        return S_OK;
    }

    if (!name || !format)
        return E_FAIL;
    m_mmio = mmioOpenA(name, nullptr, MMIO_ALLOCBUF | MMIO_READWRITE | MMIO_CREATE);
    if (!m_mmio)
        return E_FAIL;
    if (FAILED(WriteHeader(*format)) || FAILED(ResetFile())) {
        CloseHandle();
        return E_FAIL;
    }
    return S_OK;
}

HRESULT CPWaveFile::OpenResource(const char* name)
{
    HRSRC resource = nullptr;
    for (const char* type : kResourceTypes) {
        resource = FindResourceA(nullptr, name, type);
        if (resource)
            break;
    }
    if (!resource)
        return E_FAIL;
    HGLOBAL loaded = LoadResource(nullptr, resource);
    if (!loaded)
        return E_FAIL;
    const DWORD size = SizeofResource(nullptr, resource);
    if (size == 0 || size > static_cast<DWORD>(INT32_MAX))
        return E_FAIL;
    const char* bytes = static_cast<const char*>(LockResource(loaded));
    if (!bytes)
        return E_FAIL;
    m_resourceCopy.assign(bytes, bytes + size);

    MMIOINFO info {};
    info.fccIOProc = FOURCC_MEM;
    info.pchBuffer = m_resourceCopy.data();
    info.cchBuffer = static_cast<LONG>(size);
    m_mmio = mmioOpenA(nullptr, &info, MMIO_ALLOCBUF | MMIO_READ);
    if (!m_mmio) {
        m_resourceCopy.clear();
        return E_FAIL;
    }
    return S_OK;
}

HRESULT CPWaveFile::ReadHeader()
{
    if (mmioDescend(m_mmio, &m_ckRiff, nullptr, 0) != MMSYSERR_NOERROR)
        return E_FAIL;
    if (m_ckRiff.ckid != FOURCC_RIFF || m_ckRiff.fccType != kWave)
        return E_FAIL;

    MMCKINFO ckIn {};
    ckIn.ckid = kFormat;
    if (mmioDescend(m_mmio, &ckIn, &m_ckRiff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR)
        return E_FAIL;
    uint8_t fixed[kFormatFixedBytes];
    if (ckIn.cksize < static_cast<DWORD>(kFormatFixedBytes)
        || mmioRead(m_mmio, reinterpret_cast<char*>(fixed), kFormatFixedBytes) != kFormatFixedBytes)
        return E_FAIL;

    WAVEFORMATEX header {};
    header.wFormatTag = Get16(fixed);
    header.nChannels = Get16(fixed + 2);
    header.nSamplesPerSec = Get32(fixed + 4);
    header.nAvgBytesPerSec = Get32(fixed + 8);
    header.nBlockAlign = Get16(fixed + 12);
    header.wBitsPerSample = Get16(fixed + 14);
    header.cbSize = 0;

    if (header.wFormatTag != WAVE_FORMAT_PCM) {
        uint8_t extraSize[2];
        if (mmioRead(m_mmio, reinterpret_cast<char*>(extraSize), 2) != 2)
            return E_FAIL;
        header.cbSize = Get16(extraSize);
    }
    m_format.assign(sizeof(WAVEFORMATEX) + header.cbSize, 0);
    std::memcpy(m_format.data(), &header, sizeof(header));
    const LONG extra = header.cbSize;
    if (extra > 0 && mmioRead(m_mmio, reinterpret_cast<char*>(m_format.data() + sizeof(header)), extra) != extra) {
        m_format.clear();
        return E_FAIL;
    }
    if (mmioAscend(m_mmio, &ckIn, 0) != MMSYSERR_NOERROR) {
        m_format.clear();
        return E_FAIL;
    }
    return S_OK;
}

HRESULT CPWaveFile::WriteHeader(const WAVEFORMATEX& format)
{
    m_ckRiff = {};
    m_ckRiff.fccType = kWave;
    if (mmioCreateChunk(m_mmio, &m_ckRiff, MMIO_CREATERIFF) != MMSYSERR_NOERROR)
        return E_FAIL;

    MMCKINFO ck {};
    ck.ckid = kFormat;
    ck.cksize = kFormatFixedBytes;
    if (mmioCreateChunk(m_mmio, &ck, 0) != MMSYSERR_NOERROR)
        return E_FAIL;
    std::vector<char> bytes;
    Put16(bytes, format.wFormatTag);
    Put16(bytes, format.nChannels);
    Put32(bytes, format.nSamplesPerSec);
    Put32(bytes, format.nAvgBytesPerSec);
    Put16(bytes, format.nBlockAlign);
    Put16(bytes, format.wBitsPerSample);
    if (format.wFormatTag != WAVE_FORMAT_PCM) {
        Put16(bytes, format.cbSize);
        const char* extra = reinterpret_cast<const char*>(&format) + sizeof(WAVEFORMATEX);
        bytes.insert(bytes.end(), extra, extra + format.cbSize);
    }
    if (!WriteBytes(m_mmio, bytes) || mmioAscend(m_mmio, &ck, 0) != MMSYSERR_NOERROR)
        return E_FAIL;

    // The sample count, unknown until the file is closed.
    ck = {};
    ck.ckid = kFact;
    if (mmioCreateChunk(m_mmio, &ck, 0) != MMSYSERR_NOERROR)
        return E_FAIL;
    std::vector<char> count;
    Put32(count, 0xFFFFFFFFu);
    if (!WriteBytes(m_mmio, count) || mmioAscend(m_mmio, &ck, 0) != MMSYSERR_NOERROR)
        return E_FAIL;
    return S_OK;
}

HRESULT CPWaveFile::ResetFile()
{
    if (!m_mmio)
        return CO_E_NOTINITIALIZED;
    if (m_mode == WAVEFILE_READ) {
        if (mmioSeek(m_mmio, static_cast<LONG>(m_ckRiff.dwDataOffset + sizeof(FOURCC)), SEEK_SET) == -1)
            return E_FAIL;
        m_ck.ckid = kData;
        if (mmioDescend(m_mmio, &m_ck, &m_ckRiff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR)
            return E_FAIL;
        // A header that promises more samples than the file holds keeps the
        // ones that are there.
        const LONG end = mmioSeek(m_mmio, 0, SEEK_END);
        if (end == -1 || mmioSeek(m_mmio, static_cast<LONG>(m_ck.dwDataOffset), SEEK_SET) == -1)
            return E_FAIL;
        m_ck.cksize = std::min<DWORD>(m_ck.cksize, static_cast<DWORD>(end) - m_ck.dwDataOffset);
        return S_OK;
    }

    m_ck = {};
    m_ck.ckid = kData;
    if (mmioCreateChunk(m_mmio, &m_ck, 0) != MMSYSERR_NOERROR)
        return E_FAIL;
    if (mmioGetInfo(m_mmio, &m_writeInfo, 0) != MMSYSERR_NOERROR)
        return E_FAIL;
    return S_OK;
}

HRESULT CPWaveFile::Read(BYTE* destination, DWORD size, DWORD* sizeRead)
{
    if (!m_mmio)
        return CO_E_NOTINITIALIZED;
    if (!destination || !sizeRead)
        return E_INVALIDARG;
    *sizeRead = 0;

    MMIOINFO info {};
    if (mmioGetInfo(m_mmio, &info, 0) != MMSYSERR_NOERROR)
        return E_FAIL;
    const DWORD wanted = std::min(size, m_ck.cksize);
    m_ck.cksize -= wanted;
    DWORD copied = 0;
    while (copied < wanted) {
        if (info.pchNext >= info.pchEndRead) {
            if (mmioAdvance(m_mmio, &info, MMIO_READ) != MMSYSERR_NOERROR || info.pchNext >= info.pchEndRead)
                return E_FAIL;
        }
        const DWORD run = static_cast<DWORD>(std::min<int64_t>(wanted - copied, info.pchEndRead - info.pchNext));
        std::memcpy(destination + copied, info.pchNext, run);
        info.pchNext += run;
        copied += run;
    }
    if (mmioSetInfo(m_mmio, &info, 0) != MMSYSERR_NOERROR)
        return E_FAIL;
    *sizeRead = wanted;
    return S_OK;
}

HRESULT CPWaveFile::Close()
{
    if (!m_mmio)
        return S_OK;
    if (m_mode == WAVEFILE_READ) {
        CloseHandle();
        return S_OK;
    }

    // Hand the data chunk's buffer back, fix the chunk sizes and zero the
    // sample count, which nothing was written for.
    HRESULT hr = S_OK;
    m_writeInfo.dwFlags |= MMIO_DIRTY;
    MMCKINFO ck {};
    ck.ckid = kFact;
    uint8_t zero[4] = {};
    if (mmioSetInfo(m_mmio, &m_writeInfo, 0) != MMSYSERR_NOERROR || mmioAscend(m_mmio, &m_ck, 0) != MMSYSERR_NOERROR
        || mmioAscend(m_mmio, &m_ckRiff, 0) != MMSYSERR_NOERROR || mmioSeek(m_mmio, 0, SEEK_SET) == -1
        || mmioDescend(m_mmio, &m_ckRiff, nullptr, 0) != MMSYSERR_NOERROR
        || mmioDescend(m_mmio, &ck, &m_ckRiff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR
        || mmioWrite(m_mmio, reinterpret_cast<char*>(zero), 4) != 4 || mmioAscend(m_mmio, &ck, 0) != MMSYSERR_NOERROR
        || mmioAscend(m_mmio, &m_ckRiff, 0) != MMSYSERR_NOERROR)
        hr = E_FAIL;
    // The handle is closed even when finishing failed, so it never leaks.
    CloseHandle();
    return hr;
}

void CPWaveFile::CloseHandle()
{
    if (m_mmio)
        mmioClose(m_mmio, 0);
    m_mmio = nullptr;
    m_resourceCopy.clear();
    m_size = 0;
}
