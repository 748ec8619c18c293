// Builds small image files for tests: uncompressed TGA, PNG and JPEG through
// the image writer, and DDS files with a chosen pixel format, size, level
// count and cube faces. Pixels are given as 0xAARRGGBB, row by row from the top.
#pragma once

#include <stb_image_write.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace image
{
inline void Put16(std::string& out, uint32_t value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

inline void Put32(std::string& out, uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// Every pixel the same colour.
inline std::vector<uint32_t> Fill(int width, int height, uint32_t argb)
{
    return std::vector<uint32_t>(static_cast<size_t>(width) * height, argb);
}

// 32-bit uncompressed, top-left origin: 18 + 4 x width x height bytes.
inline std::string Tga(int width, int height, const std::vector<uint32_t>& pixels)
{
    std::string out;
    out += '\0';       // no image id
    out += '\0';       // no colour map
    out += '\x02';     // true colour
    out.append(5, '\0');
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<uint32_t>(width));
    Put16(out, static_cast<uint32_t>(height));
    out += '\x20';     // 32 bits per pixel
    out += '\x28';     // 8 alpha bits, top-left origin
    for (uint32_t argb : pixels)
        Put32(out, argb); // stored B, G, R, A
    return out;
}

inline std::vector<unsigned char> Rgba(const std::vector<uint32_t>& pixels)
{
    std::vector<unsigned char> rgba;
    for (uint32_t argb : pixels) {
        rgba.push_back(static_cast<unsigned char>(argb >> 16));
        rgba.push_back(static_cast<unsigned char>(argb >> 8));
        rgba.push_back(static_cast<unsigned char>(argb));
        rgba.push_back(static_cast<unsigned char>(argb >> 24));
    }
    return rgba;
}

inline void Append(void* context, void* data, int size)
{
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<size_t>(size));
}

inline std::string Png(int width, int height, const std::vector<uint32_t>& pixels)
{
    std::string out;
    const std::vector<unsigned char> rgba = Rgba(pixels);
    stbi_write_png_to_func(Append, &out, width, height, 4, rgba.data(), width * 4);
    return out;
}

// Opaque colour only.
inline std::string Jpg(int width, int height, const std::vector<uint32_t>& pixels)
{
    std::string out;
    const std::vector<unsigned char> rgba = Rgba(pixels);
    stbi_write_jpg_to_func(Append, &out, width, height, 4, rgba.data(), 90);
    return out;
}

enum class DdsFormat { kA8R8G8B8, kDxt1 };

// A DDS file with every level of every face present (zero bytes as pixels).
inline std::string Dds(uint32_t width, uint32_t height, uint32_t levels, bool cube,
                       DdsFormat format = DdsFormat::kA8R8G8B8)
{
    std::string out = "DDS ";
    Put32(out, 124);
    Put32(out, 0x1007 | (levels > 1 ? 0x20000u : 0u)); // caps, height, width, pixel format, mip count
    Put32(out, height);
    Put32(out, width);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, levels);
    out.append(44, '\0');
    Put32(out, 32); // pixel format
    if (format == DdsFormat::kDxt1) {
        Put32(out, 0x4);
        out += "DXT1";
        out.append(20, '\0');
    } else {
        Put32(out, 0x41); // RGB with alpha
        Put32(out, 0);
        Put32(out, 32);
        Put32(out, 0x00FF0000);
        Put32(out, 0x0000FF00);
        Put32(out, 0x000000FF);
        Put32(out, 0xFF000000);
    }
    Put32(out, 0x1000 | (cube ? 0x8u : 0u) | (levels > 1 ? 0x400008u : 0u));
    Put32(out, cube ? 0xFE00u : 0u); // cube map with all six faces
    out.append(12, '\0');
    size_t data = 0;
    for (uint32_t level = 0; level < levels; ++level) {
        const uint32_t w = std::max(1u, width >> level);
        const uint32_t h = std::max(1u, height >> level);
        data += format == DdsFormat::kDxt1 ? ((w + 3) / 4) * ((h + 3) / 4) * 8 : w * h * 4;
    }
    out.append(data * (cube ? 6 : 1), '\0');
    return out;
}
}
