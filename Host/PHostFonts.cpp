#include "Host/PHostFonts.h"

#include "Core/PFileReader.h"
#include "Core/PTextParser.h"
#include "Core/PTokenizer.h"
#include "Render/PMaterialManager.h"
#include "Render/PRender.h"
#include "Render/PTexture.h"
#include "Render/PTextureManager.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

const char kHostDefaultFace[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

namespace
{
const char kFontsFile[] = "Data\\Interface\\fonts.cfg";
const char kFontEffect[] = "interface.fx";
constexpr int32_t kFontLayer = 200;
constexpr int kAtlasColumns = 16;
constexpr int32_t kMinPixelSize = 4;
constexpr int32_t kMaxPixelSize = 128;

// Unicode of the Windows-1251 codes 0x80 to 0xBF; 0 where the code page has
// no character. 0xC0 to 0xFF are U+0410 to U+044F.
const uint16_t kCp1251Upper[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0000, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

FT_ULong CharacterOf(int code)
{
    if (code < 0x20)
        return 0; // control codes draw nothing
    if (code < 0x80)
        return static_cast<FT_ULong>(code);
    if (code < 0xC0)
        return kCp1251Upper[code - 0x80];
    return static_cast<FT_ULong>(0x0410 + (code - 0xC0));
}

class FaceHolder
{
public:
    ~FaceHolder()
    {
        if (face)
            FT_Done_Face(face);
        if (library)
            FT_Done_FreeType(library);
    }
    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

// The atlas as a device texture, white with the coverage as alpha.
IDirect3DTexture9* MakeAtlasTexture(const std::vector<uint8_t>& coverage, uint32_t width, uint32_t height)
{
    CPRender* render = GetRender();
    IDirect3DDevice9* device = render ? render->m_device : nullptr;
    if (!device)
        return nullptr;
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(device->CreateTexture(width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr)))
        return nullptr;
    D3DLOCKED_RECT locked {};
    if (SUCCEEDED(texture->LockRect(0, &locked, nullptr, 0)) && locked.pBits) {
        for (uint32_t row = 0; row < height; ++row) {
            auto* line = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + row * locked.Pitch);
            for (uint32_t column = 0; column < width; ++column)
                line[column] = (static_cast<uint32_t>(coverage[row * width + column]) << 24) | 0x00FFFFFFu;
        }
        texture->UnlockRect(0);
    }
    return texture;
}
}

CPSmartPtr<CPFont> BuildHostFont(const std::string& name, const std::string& facePath, const std::string& faceBytes,
                                 int32_t pixelSize)
{
    FaceHolder holder;
    if (FT_Init_FreeType(&holder.library) != 0)
        return CPSmartPtr<CPFont>();
    const FT_Error opened = faceBytes.empty()
        ? FT_New_Face(holder.library, facePath.c_str(), 0, &holder.face)
        : FT_New_Memory_Face(holder.library, reinterpret_cast<const FT_Byte*>(faceBytes.data()),
                             static_cast<FT_Long>(faceBytes.size()), 0, &holder.face);
    if (opened != 0)
        return CPSmartPtr<CPFont>();
    FT_Face face = holder.face;
    pixelSize = std::clamp(pixelSize, kMinPixelSize, kMaxPixelSize);
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize)) != 0)
        return CPSmartPtr<CPFont>();

    const int lineHeight = std::max(1, static_cast<int>((face->size->metrics.height + 63) >> 6));
    const int ascender = static_cast<int>((face->size->metrics.ascender + 63) >> 6);
    float advances[CPFont::kGlyphCount] = {};
    int cellWidth = 1;
    for (int code = 0; code < CPFont::kGlyphCount; ++code) {
        const FT_ULong character = CharacterOf(code);
        const FT_UInt index = character ? FT_Get_Char_Index(face, character) : 0;
        if (!index || FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0)
            continue;
        advances[code] = static_cast<float>((face->glyph->advance.x + 63) >> 6);
        cellWidth = std::max(cellWidth, static_cast<int>(advances[code]));
    }
    const uint32_t atlasWidth = static_cast<uint32_t>(cellWidth * kAtlasColumns);
    const uint32_t atlasHeight = static_cast<uint32_t>(lineHeight * (CPFont::kGlyphCount / kAtlasColumns));
    std::vector<uint8_t> coverage(static_cast<size_t>(atlasWidth) * atlasHeight, 0);

    CPSmartPtr<CPFont> font = new CPFont();
    font->lineHeight = static_cast<float>(lineHeight);
    for (int code = 0; code < CPFont::kGlyphCount; ++code) {
        const int cellX = (code % kAtlasColumns) * cellWidth;
        const int cellY = (code / kAtlasColumns) * lineHeight;
        font->advances[code] = advances[code];
        font->glyphs[code] = { static_cast<float>(cellX) / atlasWidth, static_cast<float>(cellY) / atlasHeight,
                               (cellX + advances[code]) / atlasWidth,
                               static_cast<float>(cellY + lineHeight) / atlasHeight };
        const FT_ULong character = CharacterOf(code);
        const FT_UInt index = character ? FT_Get_Char_Index(face, character) : 0;
        if (!index || FT_Load_Glyph(face, index, FT_LOAD_RENDER) != 0)
            continue;
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY)
            continue;
        const int left = cellX + face->glyph->bitmap_left;
        const int top = cellY + ascender - face->glyph->bitmap_top;
        for (int row = 0; row < static_cast<int>(bitmap.rows); ++row) {
            const int y = top + row;
            if (y < cellY || y >= cellY + lineHeight)
                continue;
            for (int column = 0; column < static_cast<int>(bitmap.width); ++column) {
                const int x = left + column;
                if (x < cellX || x >= cellX + cellWidth)
                    continue;
                coverage[static_cast<size_t>(y) * atlasWidth + x] = bitmap.buffer[row * bitmap.pitch + column];
            }
        }
    }

    if (CPTextureManager* textures = GetTextureManager()) {
        if (IDirect3DTexture9* atlas = MakeAtlasTexture(coverage, atlasWidth, atlasHeight)) {
            CPSmartPtr<CPTexture> texture = new CPTexture();
            texture->Adopt(name, atlas, atlasWidth, atlasHeight);
            textures->InsertTexture(name, texture.Get());
            if (CPMaterialManager* materials = GetMaterialManager())
                font->material = materials->GetMaterial(kFontLayer, kFontEffect, { name });
        }
    }
    return font;
}

int32_t LoadHostFonts(CPTextManager& manager)
{
    CPFileReader file(kFontsFile);
    if (FAILED(file.Load()) || !file.GetData())
        return 0;
    CPTextParser parser(file.GetData(), file.GetSize());
    int32_t count = 0;
    std::string line;
    while (parser.ReadLine(line)) {
        CPTokenizer fields(line, ",", 1);
        std::string name, face, size;
        fields.NextToken(name);
        fields.NextToken(face);
        fields.NextToken(size);
        std::string bytes;
        // A blank face (the tokenizer keeps a lone blank) is the default one.
        if (face.find_first_not_of(' ') != std::string::npos) {
            CPFileReader faceFile(face);
            if (FAILED(faceFile.Load()) || !faceFile.GetData())
                continue;
            bytes.assign(reinterpret_cast<const char*>(faceFile.GetData()), static_cast<size_t>(faceFile.GetSize()));
        }
        const CPSmartPtr<CPFont> font = BuildHostFont(name, kHostDefaultFace, bytes, std::atoi(size.c_str()));
        if (!font)
            continue;
        manager.fonts[name] = font;
        ++count;
    }
    return count;
}
