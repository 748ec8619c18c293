#include "Platform/D3DX9Tex.h"

#include "Platform/ByteOrder.h"
#include "Platform/D3D9Device.h"

#include <stb_image.h>
#include <stb_image_resize.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace
{
int g_textureCreations = 0;

// --- DDS header -------------------------------------------------------------------

constexpr uint32_t kDdsMagic = 0x20534444; // "DDS "
constexpr uint32_t kDdsHeaderSize = 124;
constexpr uint32_t kDdsPixelFormatSize = 32;
constexpr uint32_t kDdsDataOffset = 4 + kDdsHeaderSize;
constexpr uint32_t kDdsMipMapCount = 0x20000;  // header flag: the mip count is given
constexpr uint32_t kDdpfAlphaPixels = 0x1;
constexpr uint32_t kDdpfAlpha = 0x2;
constexpr uint32_t kDdpfFourCC = 0x4;
constexpr uint32_t kDdpfRgb = 0x40;
constexpr uint32_t kDdpfLuminance = 0x20000;
constexpr uint32_t kCaps2CubeMap = 0x200;
constexpr uint32_t kCaps2AllFaces = 0xFC00;
constexpr uint32_t kCaps2Volume = 0x200000;
// Larger than any device takes; a bigger image is refused before decoding.
constexpr UINT kMaxImageSide = 8192;

uint32_t Word(const BYTE* bytes, size_t offset)
{
    return LoadLe32(bytes + offset);
}

uint16_t Half(const BYTE* bytes, size_t offset)
{
    return LoadLe16(bytes + offset);
}

struct Masks
{
    uint32_t bits, red, green, blue, alpha;
    D3DFORMAT format;
};

// Uncompressed layouts a DDS file can name by its channel masks.
const Masks kMaskFormats[] = {
    { 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000, D3DFMT_A8R8G8B8 },
    { 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0x00000000, D3DFMT_X8R8G8B8 },
    { 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000, D3DFMT_A8B8G8R8 },
    { 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0x00000000, D3DFMT_X8B8G8R8 },
    { 24, 0x00FF0000, 0x0000FF00, 0x000000FF, 0x00000000, D3DFMT_R8G8B8 },
    { 16, 0x0000F800, 0x000007E0, 0x0000001F, 0x00000000, D3DFMT_R5G6B5 },
    { 16, 0x00007C00, 0x000003E0, 0x0000001F, 0x00008000, D3DFMT_A1R5G5B5 },
    { 16, 0x00007C00, 0x000003E0, 0x0000001F, 0x00000000, D3DFMT_X1R5G5B5 },
    { 16, 0x00000F00, 0x000000F0, 0x0000000F, 0x0000F000, D3DFMT_A4R4G4B4 },
};

UINT FullChain(UINT width, UINT height)
{
    UINT levels = 1;
    for (UINT side = std::max(width, height); side > 1; side >>= 1)
        ++levels;
    return levels;
}

size_t LevelSize(D3DFORMAT format, UINT width, UINT height, UINT level)
{
    UINT pitch = 0;
    UINT rows = 0;
    PlatformD3D9::TextureLevelLayout(format, std::max(1u, width >> level), std::max(1u, height >> level), pitch,
                                     rows);
    return static_cast<size_t>(pitch) * rows;
}

struct DdsImage
{
    UINT width = 0;
    UINT height = 0;
    UINT levels = 1;
    UINT faces = 1; // 6 for a cube map
    D3DFORMAT format = D3DFMT_UNKNOWN;
};

D3DFORMAT DdsFormat(const BYTE* format)
{
    const uint32_t flags = Word(format, 4);
    if (flags & kDdpfFourCC) {
        const uint32_t code = Word(format, 8);
        if (code == D3DFMT_DXT1 || code == D3DFMT_DXT3 || code == D3DFMT_DXT5)
            return static_cast<D3DFORMAT>(code);
        return D3DFMT_UNKNOWN;
    }
    const uint32_t bits = Word(format, 12);
    const uint32_t alpha = flags & (kDdpfAlphaPixels | kDdpfAlpha) ? Word(format, 28) : 0;
    if (flags & kDdpfLuminance)
        return bits == 8 && alpha == 0 ? D3DFMT_L8 : D3DFMT_UNKNOWN;
    if (!(flags & kDdpfRgb))
        return (flags & kDdpfAlpha) && bits == 8 && alpha == 0xFF ? D3DFMT_A8 : D3DFMT_UNKNOWN;
    for (const Masks& masks : kMaskFormats) {
        if (masks.bits == bits && masks.red == Word(format, 16) && masks.green == Word(format, 20)
            && masks.blue == Word(format, 24) && masks.alpha == alpha)
            return masks.format;
    }
    return D3DFMT_UNKNOWN;
}

// The header of a DDS file whose data the file holds in full.
bool ReadDds(const BYTE* bytes, size_t size, DdsImage& image)
{
    if (size < kDdsDataOffset || Word(bytes, 0) != kDdsMagic || Word(bytes, 4) != kDdsHeaderSize
        || Word(bytes, 4 + 72) != kDdsPixelFormatSize)
        return false;
    const BYTE* header = bytes + 4;
    image.height = Word(header, 8);
    image.width = Word(header, 12);
    if (image.width == 0 || image.height == 0 || image.width > kMaxImageSide || image.height > kMaxImageSide)
        return false;
    const uint32_t caps2 = Word(header, 108);
    if (caps2 & kCaps2Volume)
        return false;
    if (caps2 & kCaps2CubeMap) {
        if ((caps2 & kCaps2AllFaces) != kCaps2AllFaces || image.width != image.height)
            return false;
        image.faces = 6;
    }
    const uint32_t mipCount = Word(header, 24);
    image.levels = (Word(header, 4) & kDdsMipMapCount) && mipCount > 0 ? mipCount : 1;
    if (image.levels > FullChain(image.width, image.height))
        return false;
    image.format = DdsFormat(header + 72);
    if (image.format == D3DFMT_UNKNOWN)
        return false;
    size_t data = 0;
    for (UINT level = 0; level < image.levels; ++level)
        data += LevelSize(image.format, image.width, image.height, level);
    return data * image.faces <= size - kDdsDataOffset;
}

// --- Images decoded whole -----------------------------------------------------------

bool StartsWith(const BYTE* bytes, size_t size, const char* magic, size_t length)
{
    return size >= length && std::memcmp(bytes, magic, length) == 0;
}

// Whether the file holds every byte its TGA header and packets promise. The
// decoder reads missing bytes as zeros, so a cut file is caught here.
bool TgaComplete(const BYTE* bytes, size_t size)
{
    if (size < 18)
        return false;
    const uint32_t type = bytes[2];
    const size_t mapEntries = Half(bytes, 5);
    const size_t mapBytes = bytes[1] ? mapEntries * ((bytes[7] + 7) / 8) : 0;
    const size_t width = Half(bytes, 12);
    const size_t height = Half(bytes, 14);
    const size_t pixelBytes = (bytes[16] + 7) / 8;
    size_t at = 18 + bytes[0] + mapBytes;
    if (at > size || pixelBytes == 0)
        return false;
    size_t pixels = width * height;
    if (type < 8)
        return pixels * pixelBytes <= size - at;
    while (pixels > 0) {
        if (at >= size)
            return false;
        const BYTE packet = bytes[at++];
        const size_t count = (packet & 0x7F) + 1u;
        const size_t packetBytes = packet & 0x80 ? pixelBytes : count * pixelBytes;
        if (packetBytes > size - at)
            return false;
        at += packetBytes;
        pixels -= std::min(pixels, count);
    }
    return true;
}

// Whether the pixel rows of an uncompressed BMP lie inside the file. The
// decoder allocates the image before it reads the rows and reads missing
// bytes as zeros.
bool BmpComplete(const BYTE* bytes, size_t size)
{
    constexpr uint32_t kCoreHeaderSize = 12; // 16-bit sides, no compression
    if (size < 30)
        return false;
    const uint32_t headerSize = Word(bytes, 14);
    int64_t width = 0;
    int64_t height = 0;
    int64_t bits = 0;
    if (headerSize == kCoreHeaderSize) {
        width = Half(bytes, 18);
        height = Half(bytes, 20);
        bits = Half(bytes, 24);
    } else if (headerSize < 40 || size < 34) {
        return true; // the decoder refuses other headers itself
    } else {
        const uint32_t compression = Word(bytes, 30);
        if (compression != 0 && compression != 3)
            return true;
        width = static_cast<int32_t>(Word(bytes, 18));
        height = std::abs(static_cast<int64_t>(static_cast<int32_t>(Word(bytes, 22))));
        bits = Half(bytes, 28);
    }
    // Pixels of no size would make rows of none.
    const bool knownBits = bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    if (!knownBits || width <= 0 || width > kMaxImageSide || height > kMaxImageSide)
        return false;
    const int64_t rowBytes = (width * bits + 31) / 32 * 4;
    const int64_t end = static_cast<int64_t>(Word(bytes, 10)) + rowBytes * height;
    return end <= static_cast<int64_t>(size);
}

uint32_t BigWord(const BYTE* bytes, size_t offset)
{
    return LoadBe32(bytes + offset);
}

// Whether every chunk of a PNG file up to its end chunk lies inside the
// file, and its image data could inflate to the pixels its header claims
// (deflate packs at most 1032 bytes into one). The decoder allocates what a
// chunk's length claims, and the inflated image its header claims, before it
// reads the bytes.
bool PngComplete(const BYTE* bytes, size_t size)
{
    constexpr uint64_t kMostInflated = 1032;
    constexpr size_t kChunkFrame = 12; // length, type and checksum
    size_t at = 8;
    uint64_t imageData = 0;
    uint64_t leastInflated = 0;
    bool header = false;
    while (size - at >= kChunkFrame) {
        const size_t length = BigWord(bytes, at);
        if (length > size - at - kChunkFrame)
            return false;
        const BYTE* type = bytes + at + 4;
        const BYTE* body = type + 4;
        if (std::memcmp(type, "IHDR", 4) == 0 && length >= 13) {
            const uint64_t width = BigWord(body, 0);
            const uint64_t height = BigWord(body, 4);
            if (width > kMaxImageSide || height > kMaxImageSide)
                return false;
            // Colour types 0, 2, 3, 4 and 6 have 1, 3, 1, 2 and 4 samples a pixel.
            const uint64_t samples[7] = { 1, 0, 3, 1, 2, 0, 4 };
            const uint64_t perPixel = body[9] < 7 ? samples[body[9]] * body[8] : 0;
            leastInflated = (width * perPixel + 7) / 8 * height;
            header = true;
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            imageData += length;
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            break;
        }
        at += kChunkFrame + length;
    }
    return header && imageData * kMostInflated >= leastInflated;
}

// Whether a JPEG file has the bytes its sizes need: every 8 x 8 block of its
// largest channel takes at least a bit. The decoder allocates every channel
// and the image before it reads them and decodes missing data as grey.
bool JpegComplete(size_t size, int width, int height)
{
    constexpr uint64_t kPixelsPerByte = 8 * 8 * 8;
    return static_cast<uint64_t>(size) * kPixelsPerByte >= static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
}

struct DecodedImage
{
    UINT width = 0;
    UINT height = 0;
    bool alpha = false;
    D3DXIMAGE_FILEFORMAT kind = D3DXIFF_TGA;
    std::unique_ptr<stbi_uc, void (*)(void*)> rgba{ nullptr, stbi_image_free };
};

// TGA, JPEG, PNG or BMP, decoded to 8-bit RGBA.
bool Decode(const BYTE* bytes, size_t size, DecodedImage& image)
{
    if (StartsWith(bytes, size, "\xFF\xD8\xFF", 3)) {
        image.kind = D3DXIFF_JPG;
    } else if (StartsWith(bytes, size, "\x89PNG\r\n\x1A\n", 8)) {
        image.kind = D3DXIFF_PNG;
        if (!PngComplete(bytes, size))
            return false;
    } else if (StartsWith(bytes, size, "BM", 2)) {
        image.kind = D3DXIFF_BMP;
        if (!BmpComplete(bytes, size))
            return false;
    } else {
        // A TGA file has no magic; its colour-map byte (0 or 1) and image
        // type set it apart from every other kind the decoder knows.
        image.kind = D3DXIFF_TGA;
        const bool known = size >= 18 && bytes[1] <= 1
            && (bytes[2] == 1 || bytes[2] == 2 || bytes[2] == 3 || bytes[2] == 9 || bytes[2] == 10 || bytes[2] == 11);
        if (!known || !TgaComplete(bytes, size))
            return false;
    }
    if (size > static_cast<size_t>(INT32_MAX))
        return false;
    int width = 0;
    int height = 0;
    int channels = 0;
    // Sizes are checked before the decoder allocates for them.
    if (!stbi_info_from_memory(bytes, static_cast<int>(size), &width, &height, &channels) || width <= 0
        || height <= 0 || width > static_cast<int>(kMaxImageSide) || height > static_cast<int>(kMaxImageSide))
        return false;
    if (image.kind == D3DXIFF_JPG && !JpegComplete(size, width, height))
        return false;
    image.rgba.reset(stbi_load_from_memory(bytes, static_cast<int>(size), &width, &height, &channels, 4));
    if (!image.rgba || width <= 0 || height <= 0 || width > static_cast<int>(kMaxImageSide)
        || height > static_cast<int>(kMaxImageSide))
        return false;
    image.width = static_cast<UINT>(width);
    image.height = static_cast<UINT>(height);
    image.alpha = channels == 2 || channels == 4;
    return true;
}

// --- Both kinds -----------------------------------------------------------------------

struct Image
{
    D3DXIMAGE_INFO info{};
    DdsImage dds;
    DecodedImage decoded;
};

HRESULT ReadImage(LPCVOID data, UINT size, Image& image)
{
    if (!data || size == 0)
        return D3DERR_INVALIDCALL;
    const BYTE* bytes = static_cast<const BYTE*>(data);
    D3DXIMAGE_INFO& info = image.info;
    info.Depth = 1;
    if (StartsWith(bytes, size, "DDS ", 4)) {
        if (!ReadDds(bytes, size, image.dds))
            return D3DXERR_INVALIDDATA;
        info.Width = image.dds.width;
        info.Height = image.dds.height;
        info.MipLevels = image.dds.levels;
        info.Format = image.dds.format;
        info.ResourceType = image.dds.faces == 6 ? D3DRTYPE_CUBETEXTURE : D3DRTYPE_TEXTURE;
        info.ImageFileFormat = D3DXIFF_DDS;
        return D3D_OK;
    }
    if (!Decode(bytes, size, image.decoded))
        return D3DXERR_INVALIDDATA;
    info.Width = image.decoded.width;
    info.Height = image.decoded.height;
    info.MipLevels = 1;
    info.Format = image.decoded.alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    info.ResourceType = D3DRTYPE_TEXTURE;
    info.ImageFileFormat = image.decoded.kind;
    return D3D_OK;
}

UINT NextPowerOfTwo(UINT value)
{
    UINT power = 1;
    while (power < value)
        power <<= 1;
    return power;
}

UINT Side(UINT requested, UINT fromFile)
{
    if (requested == D3DX_DEFAULT)
        return NextPowerOfTwo(fromFile);
    return requested == 0 ? fromFile : requested;
}

// Level 0 of a 2D texture in A8R8G8B8 or X8R8G8B8 from the decoded image,
// scaled to the texture's size; pixels of the colour key become transparent
// black.
void FillDecoded(IDirect3DTexture9* texture, const DecodedImage& image, D3DFORMAT format, D3DCOLOR colourKey)
{
    if (format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8)
        return;
    D3DSURFACE_DESC level{};
    D3DLOCKED_RECT locked{};
    if (FAILED(texture->GetLevelDesc(0, &level)) || FAILED(texture->LockRect(0, &locked, nullptr, 0)))
        return;
    std::vector<stbi_uc> scaled;
    const stbi_uc* source = image.rgba.get();
    if (level.Width != image.width || level.Height != image.height) {
        scaled.resize(static_cast<size_t>(level.Width) * level.Height * 4);
        stbir_resize_uint8(source, static_cast<int>(image.width), static_cast<int>(image.height), 0, scaled.data(),
                           static_cast<int>(level.Width), static_cast<int>(level.Height), 0, 4);
        source = scaled.data();
    }
    for (UINT y = 0; y < level.Height; ++y) {
        BYTE* row = static_cast<BYTE*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch;
        for (UINT x = 0; x < level.Width; ++x) {
            const stbi_uc* pixel = source + (static_cast<size_t>(y) * level.Width + x) * 4;
            D3DCOLOR colour = static_cast<D3DCOLOR>(pixel[3]) << 24 | static_cast<D3DCOLOR>(pixel[0]) << 16
                | static_cast<D3DCOLOR>(pixel[1]) << 8 | pixel[2];
            if (colourKey != 0 && colour == colourKey)
                colour = 0;
            std::memcpy(row + x * 4, &colour, 4);
        }
    }
    texture->UnlockRect(0);
}

// The file's levels into the texture's where format and size agree.
template <class Lock, class Unlock>
void FillDds(const BYTE* bytes, const DdsImage& image, D3DFORMAT format, UINT width, UINT height, UINT levels,
             UINT face, Lock lock, Unlock unlock)
{
    if (format != image.format || width != image.width || height != image.height)
        return;
    size_t at = kDdsDataOffset;
    for (UINT f = 0; f < face; ++f) {
        for (UINT level = 0; level < image.levels; ++level)
            at += LevelSize(image.format, image.width, image.height, level);
    }
    for (UINT level = 0; level < image.levels; ++level) {
        const size_t length = LevelSize(image.format, image.width, image.height, level);
        D3DLOCKED_RECT locked{};
        if (level < levels && SUCCEEDED(lock(level, &locked))) {
            std::memcpy(locked.pBits, bytes + at, length);
            unlock(level);
        }
        at += length;
    }
}

void RecordFilters(IDirect3DBaseTexture9* texture, DWORD filter, DWORD mipFilter)
{
    if (PlatformD3D9::ResourceRecord* record = PlatformD3D9::RecordOf(texture)) {
        record->filter = filter;
        record->mipFilter = mipFilter;
    }
}

UINT DeviceLevels(UINT mipLevels)
{
    return mipLevels == D3DX_DEFAULT ? 0 : mipLevels;
}
}

HRESULT D3DXGetImageInfoFromFileInMemory(LPCVOID data, UINT size, D3DXIMAGE_INFO* info)
{
    Image image;
    const HRESULT result = ReadImage(data, size, image);
    if (SUCCEEDED(result) && info)
        *info = image.info;
    return result;
}

HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice9* device, LPCVOID data, UINT size, UINT width,
                                            UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                            DWORD filter, DWORD mipFilter, D3DCOLOR colourKey,
                                            D3DXIMAGE_INFO* info, PALETTEENTRY* /*palette*/,
                                            IDirect3DTexture9** texture)
{
    if (texture)
        *texture = nullptr;
    if (!device || !texture)
        return D3DERR_INVALIDCALL;
    Image image;
    const HRESULT read = ReadImage(data, size, image);
    if (FAILED(read))
        return read;
    const UINT textureWidth = Side(width, image.info.Width);
    const UINT textureHeight = Side(height, image.info.Height);
    const D3DFORMAT textureFormat = format == D3DFMT_UNKNOWN ? image.info.Format : format;
    IDirect3DTexture9* made = nullptr;
    const HRESULT result = device->CreateTexture(textureWidth, textureHeight, DeviceLevels(mipLevels), usage,
                                                 textureFormat, pool, &made, nullptr);
    if (FAILED(result))
        return result;
    if (image.info.ImageFileFormat == D3DXIFF_DDS) {
        FillDds(static_cast<const BYTE*>(data), image.dds, textureFormat, textureWidth, textureHeight,
                made->GetLevelCount(), 0,
                [made](UINT level, D3DLOCKED_RECT* locked) { return made->LockRect(level, locked, nullptr, 0); },
                [made](UINT level) { made->UnlockRect(level); });
    } else {
        FillDecoded(made, image.decoded, textureFormat, colourKey);
    }
    RecordFilters(made, filter, mipFilter);
    if (info)
        *info = image.info;
    *texture = made;
    ++g_textureCreations;
    return D3D_OK;
}

HRESULT D3DXCreateCubeTextureFromFileInMemoryEx(IDirect3DDevice9* device, LPCVOID data, UINT size, UINT edgeLength,
                                                UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                                DWORD filter, DWORD mipFilter, D3DCOLOR /*colourKey*/,
                                                D3DXIMAGE_INFO* info, PALETTEENTRY* /*palette*/,
                                                IDirect3DCubeTexture9** texture)
{
    if (texture)
        *texture = nullptr;
    if (!device || !texture)
        return D3DERR_INVALIDCALL;
    Image image;
    const HRESULT read = ReadImage(data, size, image);
    if (FAILED(read))
        return read;
    if (image.info.ResourceType != D3DRTYPE_CUBETEXTURE)
        return D3DXERR_INVALIDDATA;
    const UINT edge = Side(edgeLength, image.info.Width);
    const D3DFORMAT textureFormat = format == D3DFMT_UNKNOWN ? image.info.Format : format;
    IDirect3DCubeTexture9* made = nullptr;
    const HRESULT result = device->CreateCubeTexture(edge, DeviceLevels(mipLevels), usage, textureFormat, pool, &made,
                                                     nullptr);
    if (FAILED(result))
        return result;
    for (UINT face = 0; face < 6; ++face) {
        const auto cubeFace = static_cast<D3DCUBEMAP_FACES>(face);
        FillDds(
            static_cast<const BYTE*>(data), image.dds, textureFormat, edge, edge, made->GetLevelCount(), face,
            [made, cubeFace](UINT level, D3DLOCKED_RECT* locked) {
                return made->LockRect(cubeFace, level, locked, nullptr, 0);
            },
            [made, cubeFace](UINT level) { made->UnlockRect(cubeFace, level); });
    }
    RecordFilters(made, filter, mipFilter);
    if (info)
        *info = image.info;
    *texture = made;
    ++g_textureCreations;
    return D3D_OK;
}

namespace PlatformD3DX
{
int TextureCreationCount()
{
    return g_textureCreations;
}
}
