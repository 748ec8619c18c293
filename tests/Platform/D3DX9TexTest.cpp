#include "AllocationWatch.h"
#include "ImageBuilder.h"
#include "Platform/D3D9Device.h"
#include "Platform/D3DX9Tex.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

using PlatformD3D9::RecordOf;

namespace
{
class D3DX9Tex : public ::testing::Test
{
protected:
    void SetUp() override { m_device = PlatformD3D9::CreateRecordingDevice(D3DPRESENT_PARAMETERS{}); }
    void TearDown() override
    {
        m_device->Release();
        EXPECT_EQ(PlatformD3D9::LiveResourceCount(), 0);
    }

    HRESULT Create(const std::string& file, IDirect3DTexture9** texture, UINT side = D3DX_DEFAULT,
                   UINT levels = D3DX_DEFAULT, D3DXIMAGE_INFO* info = nullptr)
    {
        return D3DXCreateTextureFromFileInMemoryEx(m_device, file.data(), static_cast<UINT>(file.size()), side, side,
                                                   levels, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                                   D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER, 0, info, nullptr,
                                                   texture);
    }
    HRESULT CreateCube(const std::string& file, IDirect3DCubeTexture9** texture, UINT levels = D3DX_DEFAULT)
    {
        return D3DXCreateCubeTextureFromFileInMemoryEx(m_device, file.data(), static_cast<UINT>(file.size()),
                                                       D3DX_DEFAULT, levels, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                                       D3DX_DEFAULT, D3DX_FILTER_TRIANGLE, 0, nullptr, nullptr,
                                                       texture);
    }

    PlatformD3D9::RecordingDevice* m_device = nullptr;
};

struct ImageCase
{
    const char* kind;
    std::string file;
    D3DXIMAGE_FILEFORMAT fileFormat;
    D3DFORMAT format;
};

TEST_F(D3DX9Tex, EachImageKindIsReadWithItsSizeAndFormat)
{
    const std::vector<uint32_t> pixels = image::Fill(3, 5, 0x80FF0000);
    std::string bmp;
    stbi_write_bmp_to_func(image::Append, &bmp, 3, 5, 3, image::Rgba(pixels).data());
    const ImageCase cases[] = {
        { "tga", image::Tga(3, 5, pixels), D3DXIFF_TGA, D3DFMT_A8R8G8B8 },
        { "png", image::Png(3, 5, pixels), D3DXIFF_PNG, D3DFMT_A8R8G8B8 },
        { "jpg", image::Jpg(3, 5, pixels), D3DXIFF_JPG, D3DFMT_X8R8G8B8 },
        { "bmp", bmp, D3DXIFF_BMP, D3DFMT_X8R8G8B8 },
        { "dds", image::Dds(3, 5, 1, false), D3DXIFF_DDS, D3DFMT_A8R8G8B8 },
    };
    for (const ImageCase& c : cases) {
        SCOPED_TRACE(c.kind);
        D3DXIMAGE_INFO info{};
        ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(c.file.data(), static_cast<UINT>(c.file.size()), &info), D3D_OK);
        EXPECT_EQ(info.Width, 3u);
        EXPECT_EQ(info.Height, 5u);
        EXPECT_EQ(info.ImageFileFormat, c.fileFormat);
        EXPECT_EQ(info.Format, c.format);
        EXPECT_EQ(info.ResourceType, D3DRTYPE_TEXTURE);

        // Default sizes round up to powers of two; the full chain of 4 x 8.
        IDirect3DTexture9* texture = nullptr;
        ASSERT_EQ(Create(c.file, &texture), D3D_OK);
        D3DSURFACE_DESC top{};
        texture->GetLevelDesc(0, &top);
        EXPECT_EQ(top.Width, 4u);
        EXPECT_EQ(top.Height, 8u);
        EXPECT_EQ(top.Format, c.format);
        EXPECT_EQ(texture->GetLevelCount(), 4u);
        texture->Release();
    }
}

TEST_F(D3DX9Tex, BrokenImagesFailAsInvalidData)
{
    const std::string tga = image::Tga(2, 2, image::Fill(2, 2, 0xFF00FF00));
    ASSERT_EQ(tga.size(), 34u);
    const std::string png = image::Png(4, 4, image::Fill(4, 4, 0xFF123456));
    const std::string dds = image::Dds(4, 4, 3, false);
    std::string gif = "GIF89a";
    gif.append(40, '\0');
    std::string badMagic = dds;
    badMagic[3] = 'X';
    const std::pair<const char*, std::string> cases[] = {
        { "tga cut short", tga.substr(0, 30) },
        { "png cut short", png.substr(0, png.size() / 2) },
        { "png with a broken chunk", png.substr(0, 20) + std::string(png.size() - 20, 'x') },
        { "dds cut short", dds.substr(0, dds.size() - 1) },
        { "dds header only", dds.substr(0, 100) },
        { "not an image kind", gif },
        { "text", "hello, this is not an image at all" },
        { "no DDS magic", badMagic },
    };
    const int made = PlatformD3DX::TextureCreationCount();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(this);
        EXPECT_EQ(Create(c.second, &texture), D3DXERR_INVALIDDATA);
        EXPECT_EQ(texture, nullptr);
    }
    EXPECT_EQ(PlatformD3DX::TextureCreationCount(), made);
    EXPECT_TRUE(m_device->CallsOf("CreateTexture").empty());
}

// The file with the 32-bit big-endian word at `at` set to `value`.
std::string WithBigWord(std::string file, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        file[at + i] = static_cast<char>(value >> (24 - 8 * i));
    return file;
}

// A BMP with the 12-byte header of 16-bit sides: 2 x 2 pixels of 24 bits.
std::string CoreBmp()
{
    std::string core = "BM";
    image::Put32(core, 42);
    image::Put32(core, 0);
    image::Put32(core, 26);
    image::Put32(core, 12);
    image::Put16(core, 2);
    image::Put16(core, 2);
    image::Put16(core, 1);
    image::Put16(core, 24);
    return core + std::string("\x10\x20\x30\x40\x50\x60\0\0\x70\x80\x90\xA0\xB0\xC0\0\0", 16);
}

// Images whose chunks or sides claim far more than their bytes hold. The
// decoder allocates what a PNG chunk's length claims, and every image the
// header's sizes claim, before it reads the bytes.
std::vector<std::pair<const char*, std::string>> OverclaimingImages()
{
    const std::string png = image::Png(3, 3, image::Fill(3, 3, 0xFF0A141E));
    const size_t idat = png.find("IDAT") - 4;
    const std::string text = std::string("\0\0\0\x05tEXtTitle", 13) + "\x12\x34\x56\x78";
    const std::string jpg = image::Jpg(3, 5, image::Fill(3, 5, 0xFF808080));
    const size_t frame = jpg.find("\xFF\xC0") + 5; // height, then width, 16 bits each
    std::string bigJpg = jpg;
    bigJpg.replace(frame, 4, std::string("\x20\x00\x20\x00", 4));
    // The BMP's first row only, its sides set to 8192.
    std::string bigCore = CoreBmp().substr(0, 34);
    bigCore.replace(18, 4, std::string("\x00\x20\x00\x20", 4));
    std::string noBits = bigCore;
    noBits.replace(24, 2, std::string("\0\0", 2));
    return {
        { "png image data claiming 1 GB", WithBigWord(png, idat, 1u << 30) },
        { "png text chunk claiming more than the file", WithBigWord(png.substr(0, idat) + text + png.substr(idat),
                                                                   idat, 1u << 20) },
        { "png of 8192 x 8192 holding 3 x 3", WithBigWord(WithBigWord(png, 16, 8192), 20, 8192) },
        { "jpg of 8192 x 8192 holding 3 x 5", bigJpg },
        { "bmp of 8192 x 8192 holding a row of 2", bigCore },
        { "bmp of 8192 x 8192 with pixels of no bits", noBits },
    };
}

TEST_F(D3DX9Tex, ImagesClaimingMoreThanTheirBytesHoldAreRefused)
{
    // Such a file is refused as invalid; images that hold their bytes,
    // however well they compress, still read.
    for (const auto& c : OverclaimingImages()) {
        SCOPED_TRACE(c.first);
        D3DXIMAGE_INFO info{};
        EXPECT_EQ(D3DXGetImageInfoFromFileInMemory(c.second.data(), static_cast<UINT>(c.second.size()), &info),
                  D3DXERR_INVALIDDATA);
    }
    const std::pair<const char*, std::string> read[] = {
        { "flat png", image::Png(1024, 1024, image::Fill(1024, 1024, 0xFF336699)) },
        { "flat jpg", image::Jpg(1024, 1024, image::Fill(1024, 1024, 0xFF336699)) },
        { "bmp with the 12-byte header", CoreBmp() },
    };
    for (const auto& c : read) {
        SCOPED_TRACE(c.first);
        D3DXIMAGE_INFO info{};
        EXPECT_EQ(D3DXGetImageInfoFromFileInMemory(c.second.data(), static_cast<UINT>(c.second.size()), &info),
                  D3D_OK);
    }
}

TEST_F(D3DX9Tex, ImagesClaimingMoreThanTheirBytesHoldAllocateLittle)
{
    // The refusal comes before the decoder allocates.
    if (!AllocationWatch::Watch())
        GTEST_SKIP() << AllocationWatch::kUnwatched;
    for (const auto& c : OverclaimingImages()) {
        SCOPED_TRACE(c.first);
        D3DXIMAGE_INFO info{};
        AllocationWatch::Watch();
        D3DXGetImageInfoFromFileInMemory(c.second.data(), static_cast<UINT>(c.second.size()), &info);
        AllocationWatch::Stop();
        EXPECT_LT(AllocationWatch::Largest(), size_t { 1 } << 20);
        EXPECT_LT(AllocationWatch::Total(), size_t { 4 } << 20);
    }
}

TEST_F(D3DX9Tex, SizesLevelsAndFiltersAreKept)
{
    const std::string tga = image::Tga(2, 2, image::Fill(2, 2, 0xFF00FF00));
    IDirect3DTexture9* one = nullptr;
    ASSERT_EQ(Create(tga, &one, D3DX_DEFAULT, 1), D3D_OK);
    EXPECT_EQ(one->GetLevelCount(), 1u);
    IDirect3DTexture9* chain = nullptr;
    ASSERT_EQ(Create(tga, &chain, 16, 0), D3D_OK);
    EXPECT_EQ(chain->GetLevelCount(), 5u);

    const PlatformD3D9::ResourceRecord* record = RecordOf(chain);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->pool, D3DPOOL_MANAGED);
    EXPECT_EQ(record->filter, D3DX_DEFAULT);
    EXPECT_EQ(record->mipFilter, D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER);
    EXPECT_EQ(m_device->CallsOf("CreateTexture").size(), 2u);

    // Level of detail: managed textures only, clamped to the last level.
    EXPECT_EQ(chain->SetLOD(2), 0u);
    EXPECT_EQ(chain->SetLOD(9), 2u);
    EXPECT_EQ(chain->GetLOD(), 4u);
    one->Release();
    chain->Release();
}

TEST_F(D3DX9Tex, DecodedPixelsLandInTheTopLevel)
{
    const std::vector<uint32_t> pixels = { 0xFF0000FF, 0x80FF0000, 0x00000000, 0xFFFFFFFF };
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(Create(image::Tga(2, 2, pixels), &texture), D3D_OK);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(locked.Pitch, 8);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 2; ++x) {
            uint32_t texel = 0;
            std::memcpy(&texel, static_cast<const char*>(locked.pBits) + y * locked.Pitch + x * 4, 4);
            EXPECT_EQ(texel, pixels[static_cast<size_t>(y * 2 + x)]) << x << "," << y;
        }
    }
    EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
    EXPECT_EQ(texture->UnlockRect(0), D3DERR_INVALIDCALL);
    texture->Release();
}

TEST_F(D3DX9Tex, CubeTexturesComeOnlyFromCubeMaps)
{
    const std::string cube = image::Dds(4, 4, 1, true);
    ASSERT_EQ(cube.size(), 512u);
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(cube.data(), static_cast<UINT>(cube.size()), &info), D3D_OK);
    EXPECT_EQ(info.ResourceType, D3DRTYPE_CUBETEXTURE);

    IDirect3DCubeTexture9* texture = nullptr;
    ASSERT_EQ(CreateCube(cube, &texture, 1), D3D_OK);
    D3DSURFACE_DESC face{};
    texture->GetLevelDesc(0, &face);
    EXPECT_EQ(face.Width, 4u);
    EXPECT_EQ(texture->GetLevelCount(), 1u);
    EXPECT_EQ(RecordOf(texture)->kind, PlatformD3D9::ResourceRecord::kCubeTexture);
    texture->Release();

    const std::string notCubes[] = { image::Dds(4, 4, 1, false), image::Tga(2, 2, image::Fill(2, 2, 0)),
                                     cube.substr(0, 511) };
    for (const std::string& file : notCubes) {
        IDirect3DCubeTexture9* none = nullptr;
        EXPECT_EQ(CreateCube(file, &none), D3DXERR_INVALIDDATA);
        EXPECT_EQ(none, nullptr);
    }
    EXPECT_EQ(m_device->CallsOf("CreateCubeTexture").size(), 1u);
}

TEST_F(D3DX9Tex, BlockCompressedDdsChecksItsLevels)
{
    const std::string dxt = image::Dds(8, 8, 4, false, image::DdsFormat::kDxt1);
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(Create(dxt, &texture, D3DX_DEFAULT, 1), D3D_OK);
    D3DSURFACE_DESC top{};
    texture->GetLevelDesc(0, &top);
    EXPECT_EQ(top.Format, D3DFMT_DXT1);
    texture->Release();
    // Four levels of 8 x 8 DXT1 hold 32 + 8 + 8 + 8 bytes.
    EXPECT_EQ(dxt.size(), 128u + 56u);
    EXPECT_EQ(Create(dxt.substr(0, dxt.size() - 8), &texture), D3DXERR_INVALIDDATA);
}

TEST_F(D3DX9Tex, DeviceFailuresComeBackUnchanged)
{
    m_device->FailCall("CreateTexture", 1, D3DERR_OUTOFVIDEOMEMORY);
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(Create(image::Tga(2, 2, image::Fill(2, 2, 0)), &texture), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(D3DXCreateTextureFromFileInMemoryEx(nullptr, "x", 1, 0, 0, 0, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, 0, 0,
                                                  0, nullptr, nullptr, &texture),
              D3DERR_INVALIDCALL);
}
}
