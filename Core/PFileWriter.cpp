#include "Core/PFileWriter.h"

#include "Core/PScramble.h"
#include "Platform/GamePath.h"

#include <climits>
#include <cstdio>
#include <cstring>

namespace
{
// Appended to the target's name for the file written before the rename.
const char kSaveTempSuffix[] = ".~save";
}

CPFileWriter::CPFileWriter(const std::string& path, BYTE scramble)
    : m_path(path)
    , m_scramble(scramble)
{
}

CPFileWriter::~CPFileWriter() = default;

HRESULT CPFileWriter::Write(const void* data, size_t count)
{
    if (count == 0)
        return S_OK;
    if (!data)
        return E_POINTER;
    const BYTE* bytes = static_cast<const BYTE*>(data);
    m_data.insert(m_data.end(), bytes, bytes + count);
    return S_OK;
}

HRESULT CPFileWriter::WriteInt(int32_t value)
{
    const uint32_t bits = static_cast<uint32_t>(value);
    const BYTE bytes[4] = { static_cast<BYTE>(bits), static_cast<BYTE>(bits >> 8),
                            static_cast<BYTE>(bits >> 16), static_cast<BYTE>(bits >> 24) };
    return Write(bytes, sizeof(bytes));
}

HRESULT CPFileWriter::WriteFloat(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return WriteInt(static_cast<int32_t>(bits));
}

HRESULT CPFileWriter::WriteString(const std::string& text)
{
    // A length field holds at most 2^31 - 1; a longer text is cut there.
    const size_t length = text.size() > INT32_MAX ? INT32_MAX : text.size();
    WriteInt(static_cast<int32_t>(length));
    return Write(text.data(), length);
}

HRESULT CPFileWriter::Save()
{
    std::string target;
    if (!GamePath::ResolveForWriting(m_path, target, GamePath::MissingDirs::Fail))
        return E_FAIL;
    const std::string temp = m_path + kSaveTempSuffix;
    FILE* file = GamePath::GameFOpen(temp, "wb", GamePath::MissingDirs::Fail);
    if (!file)
        return E_FAIL;

    std::vector<BYTE> scrambled;
    const std::vector<BYTE>* bytes = &m_data;
    if (m_scramble) {
        scrambled = m_data;
        ScrambleBuffer(scrambled.data(), scrambled.size());
        bytes = &scrambled;
    }
    bool written = std::fwrite(bytes->data(), 1, bytes->size(), file) == bytes->size();
    written = std::fflush(file) == 0 && written;
    written = std::fclose(file) == 0 && written;
    if (!written || !GamePath::RenameFile(temp, m_path)) {
        GamePath::RemoveFile(temp);
        return E_FAIL;
    }
    return S_OK;
}
