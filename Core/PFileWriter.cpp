#include "Core/PFileWriter.h"

#include "Core/PLog.h"
#include "Core/PScramble.h"
#include "Platform/GamePath.h"

#include <cerrno>
#include <climits>
#include <cstring>

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
    std::vector<BYTE> scrambled;
    const std::vector<BYTE>* bytes = &m_data;
    if (m_scramble) {
        scrambled = m_data;
        ScrambleBuffer(scrambled.data(), scrambled.size());
        bytes = &scrambled;
    }
    if (GamePath::ReplaceFile(m_path, bytes->data(), bytes->size()))
        return S_OK;
    // Every save of the game ends here, so a failed one is logged here, once;
    // errno still tells the caller why.
    const int error = errno;
    GetLog().Print(0, "cannot save %s: %s\n", m_path.c_str(), std::strerror(error));
    errno = error;
    return E_FAIL;
}
