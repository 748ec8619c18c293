// Builds RIFF WAVE files for tests, chunk by chunk, so a test can put chunks
// in any order, declare sizes that do not match, or leave parts out.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

namespace wav
{
inline std::string Le16(uint32_t value)
{
    return std::string { static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF) };
}

inline std::string Le32(uint32_t value)
{
    return Le16(value & 0xFFFF) + Le16(value >> 16);
}

// A chunk with its header and pad byte; `declared` overrides the size field.
inline std::string Chunk(const std::string& id, const std::string& body, int64_t declared = -1)
{
    const uint32_t size = declared >= 0 ? static_cast<uint32_t>(declared) : static_cast<uint32_t>(body.size());
    std::string chunk = id + Le32(size) + body;
    if (body.size() % 2)
        chunk += '\0';
    return chunk;
}

// The 16 fixed bytes of a "fmt " chunk.
inline std::string Format(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits)
{
    const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    return Le16(tag) + Le16(channels) + Le32(rate) + Le32(rate * align) + Le16(align) + Le16(bits);
}

inline std::string PcmFormat(uint16_t channels, uint32_t rate, uint16_t bits)
{
    return Chunk("fmt ", Format(1, channels, rate, bits));
}

// A "RIFF" file of form `form` holding the given chunks.
inline std::string Riff(std::initializer_list<std::string> chunks, const std::string& form = "WAVE")
{
    std::string body = form;
    for (const std::string& c : chunks)
        body += c;
    return "RIFF" + Le32(static_cast<uint32_t>(body.size())) + body;
}

// `count` sample bytes in 1..120: never a silence byte (0 or 0x80) nor the
// sound device's unwritten-memory byte.
inline std::string Samples(size_t count, int seed = 1)
{
    std::string bytes;
    for (size_t i = 0; i < count; ++i)
        bytes += static_cast<char>(1 + (i * 7 + static_cast<size_t>(seed) * 13) % 120);
    return bytes;
}

// A plain PCM file: format, then data.
inline std::string Pcm(uint16_t channels, uint32_t rate, uint16_t bits, const std::string& samples)
{
    return Riff({ PcmFormat(channels, rate, bits), Chunk("data", samples) });
}
}
