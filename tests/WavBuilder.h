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

inline std::string Be32(uint32_t value)
{
    return std::string { static_cast<char>(value >> 24), static_cast<char>((value >> 16) & 0xFF),
                         static_cast<char>((value >> 8) & 0xFF), static_cast<char>(value & 0xFF) };
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

// A tag list ("LIST" of type "INFO") holding one title tag ("INAM"); the
// tag's and the list's sizes can be declared larger than what they hold.
inline std::string InfoList(const std::string& title, int64_t declaredTag = -1, int64_t declaredList = -1)
{
    return Chunk("LIST", "INFO" + Chunk("INAM", title, declaredTag), declaredList);
}

// The RIFF file (a WAV or an AVI) with `chunk` put after its first chunk
// (the format of a WAV, the header list of an AVI), its size grown to match.
inline std::string InsertAfterFirst(const std::string& riff, const std::string& chunk)
{
    auto word = [&riff](size_t at) {
        return static_cast<uint32_t>(static_cast<uint8_t>(riff[at]))
            | static_cast<uint32_t>(static_cast<uint8_t>(riff[at + 1])) << 8
            | static_cast<uint32_t>(static_cast<uint8_t>(riff[at + 2])) << 16
            | static_cast<uint32_t>(static_cast<uint8_t>(riff[at + 3])) << 24;
    };
    const uint32_t first = word(16);
    const size_t after = 20 + first + (first & 1);
    return riff.substr(0, 4) + Le32(word(4) + static_cast<uint32_t>(chunk.size())) + riff.substr(8, after - 8) + chunk
        + riff.substr(after);
}

// The 10-byte header of an ID3v2.4 tag whose body claims `size` bytes (at
// most 2^28 - 1), followed by `body`.
inline std::string Id3(uint32_t size, const std::string& body = "")
{
    std::string header = "ID3\x04";
    header += std::string(2, '\0');
    for (int shift = 21; shift >= 0; shift -= 7)
        header += static_cast<char>((size >> shift) & 0x7F);
    return header + body;
}

// A 102-byte WAV that claims far more than it has: a sample rate of 1.5 GHz
// and, after its samples, a tag list of 640 MiB holding a title of 425 MiB.
inline std::string Overclaiming()
{
    return Riff({ PcmFormat(1, 1500000000, 16), Chunk("data", std::string(22, '\x11')),
                  InfoList("a title, or not?", int64_t { 425 } << 20, int64_t { 640 } << 20) });
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
