#include "Core/PFileReader.h"

#include "Core/PLog.h"
#include "Core/PScramble.h"
#include "Core/PUtils.h"
#include "Platform/GamePath.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

std::vector<CPPackArchive> g_PackArchives;

CPFileReader::CPFileReader(const std::string& path, BYTE descramble)
    : m_path(path)
    , m_givenPath(path)
    , m_descramble(descramble)
{
    ToLowerString(m_path);
}

CPFileReader::~CPFileReader() = default;

HRESULT CPFileReader::Load()
{
    m_data.reset();
    m_size = 0;
    errno = 0;
    FILE* file = GamePath::GameFOpen(m_path, "rb");
    if (!file) {
        // A path that leads nowhere may fail without a system call to say so.
        const int openError = errno != 0 ? errno : ENOENT;
        if (IsInArchives())
            return LoadFromArchives();
        GetLog().Print(0, "cannot open %s: %s\n", m_givenPath.c_str(), std::strerror(openError));
        return E_FAIL;
    }

    // The whole file goes to the data in one read: the stream keeps no
    // buffer of its own, so neither the seeks nor the read fill one.
    std::setvbuf(file, nullptr, _IONBF, 0);
    HRESULT result = E_FAIL;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        if (size >= 0 && std::fseek(file, 0, SEEK_SET) == 0) {
            result = LoadFrom(file, size);
            if (SUCCEEDED(result) && m_descramble)
                UnscrambleBuffer(m_data.get(), static_cast<size_t>(m_size));
        }
    }
    std::fclose(file);
    return result;
}

void CPFileReader::SetData(const BYTE* bytes, int32_t size)
{
    m_size = std::max(size, 0);
    m_data.reset(m_size > 0 ? new BYTE[static_cast<size_t>(m_size)] : nullptr);
    if (m_size > 0)
        std::memcpy(m_data.get(), bytes, static_cast<size_t>(m_size));
}

// Reads `size` bytes from the file's current position into fresh data. A
// short read keeps the full length, the missing bytes zero.
HRESULT CPFileReader::LoadFrom(FILE* file, int64_t size)
{
    if (size < 0 || size > INT32_MAX)
        return E_FAIL;
    m_size = static_cast<int32_t>(size);
    m_data.reset(m_size > 0 ? new BYTE[static_cast<size_t>(m_size)] : nullptr);
    const size_t got = m_size > 0 ? std::fread(m_data.get(), 1, static_cast<size_t>(m_size), file) : 0;
    if (got < static_cast<size_t>(m_size)) {
        std::memset(m_data.get() + got, 0, static_cast<size_t>(m_size) - got);
        return E_FAIL;
    }
    return S_OK;
}

bool CPFileReader::IsInArchives() const
{
    for (const CPPackArchive& archive : g_PackArchives) {
        if (archive.index.count(m_path) != 0)
            return true;
    }
    return false;
}

// The first archive whose index holds the path supplies the bytes, which are
// always unscrambled. An archive file that cannot be opened is passed over.
HRESULT CPFileReader::LoadFromArchives()
{
    for (const CPPackArchive& archive : g_PackArchives) {
        const auto entry = archive.index.find(m_path);
        if (entry == archive.index.end())
            continue;
        FILE* file = GamePath::GameFOpen(archive.path, "rb");
        if (!file)
            continue;
        std::setvbuf(file, nullptr, _IONBF, 0);
        HRESULT result = E_FAIL;
        if (std::fseek(file, static_cast<long>(entry->second.offset), SEEK_SET) == 0) {
            result = LoadFrom(file, entry->second.size);
            UnscrambleBuffer(m_data.get(), static_cast<size_t>(m_size));
        }
        std::fclose(file);
        return result;
    }
    return E_FAIL;
}

HRESULT CPFileReader::Read(void* destination, size_t count)
{
    if (count == 0)
        return S_OK;
    if (!destination)
        return E_POINTER;
    BYTE* out = static_cast<BYTE*>(destination);
    const size_t left = m_cursor < m_size ? static_cast<size_t>(m_size - m_cursor) : 0;
    const size_t copied = std::min(count, left);
    if (copied > 0)
        std::memcpy(out, m_data.get() + m_cursor, copied);
    if (count > copied)
        std::memset(out + copied, 0, count - copied);
    const int64_t moved = static_cast<int64_t>(m_cursor) + static_cast<int64_t>(std::min<size_t>(count, INT32_MAX));
    m_cursor = static_cast<int32_t>(std::min<int64_t>(moved, INT32_MAX));
    return S_OK;
}

std::string CPFileReader::ReadString()
{
    std::string text;
    ReadString(text);
    return text;
}

void CPFileReader::ReadString(std::string& text)
{
    text.clear();
    const int32_t length = ReadInt();
    if (length <= 0)
        return;
    const int32_t left = m_cursor < m_size ? m_size - m_cursor : 0;
    const int32_t taken = std::min(length, left);
    if (taken == 0)
        return;
    const char* bytes = reinterpret_cast<const char*>(m_data.get() + m_cursor);
    m_cursor += taken;
    const void* zero = std::memchr(bytes, 0, static_cast<size_t>(taken));
    text.assign(bytes, zero ? static_cast<size_t>(static_cast<const char*>(zero) - bytes) : static_cast<size_t>(taken));
}
