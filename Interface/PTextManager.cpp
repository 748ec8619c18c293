#include "Interface/PTextManager.h"

#include "Core/PGameObject.h"
#include "Core/PGlobals.h"
#include "Render/PMaterial.h"
#include "Render/PRenderObject.h"
#include "Startup/PConfigVars.h"

namespace
{
const unsigned char kLineBreak = '^';
constexpr float kDesignWidth = 1024.0f;
}

int32_t CPFont::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPFont));
}

std::string CPFont::GetTypeName() const
{
    return "CPFont";
}

CPSmartPtr<CPRenderObject> CPTextManager::GetTextObject(const CPSmartPtr<CPGameObject>& owner, float x, float y,
                                                        const std::string& fontName, const std::string& text)
{
    if (!owner || owner->GetKind() != kBodyRenderObject || !owner->GetBody())
        return CPSmartPtr<CPRenderObject>();
    const auto found = fonts.find(fontName);
    if (found == fonts.end() || !found->second)
        return CPSmartPtr<CPRenderObject>();
    const CPFont& font = *found->second;

    auto* body = static_cast<CPRenderObject*>(owner->GetBody().Get());
    std::vector<CPVertex>& vertices = body->GetLocalVertices();
    std::vector<uint16_t>& indices = body->GetIndices();
    vertices.clear();
    indices.clear();
    body->SetMaterial(font.material);

    const float scale = static_cast<float>(g_CfgScreenWidth) / kDesignWidth;
    const float height = font.lineHeight * scale;
    float cx = x;
    float cy = y;
    uint16_t base = 0;
    for (const char byte : text) {
        const unsigned char code = static_cast<unsigned char>(byte);
        if (code == kLineBreak) {
            cx = x;
            cy += height;
            continue;
        }
        const float width = font.advances[code] * scale;
        const CPGlyph& glyph = font.glyphs[code];
        const float corners[4][4] = {
            { cx, cy, glyph.ua, glyph.va },
            { cx + width, cy, glyph.ub, glyph.va },
            { cx + width, cy + height, glyph.ub, glyph.vb },
            { cx, cy + height, glyph.ua, glyph.vb },
        };
        for (const auto& corner : corners) {
            CPVertex vertex;
            vertex.position = D3DXVECTOR3(corner[0], corner[1], 0.0f);
            vertex.u1 = corner[2];
            vertex.v1 = corner[3];
            vertices.push_back(vertex);
        }
        for (const uint16_t offset : { 0, 1, 2, 0, 2, 3 })
            indices.push_back(static_cast<uint16_t>(base + offset));
        base = static_cast<uint16_t>(base + 4);
        cx += (font.advances[code] - font.advanceTrim - font.halfAdvanceTrim * 0.5f) * scale;
    }
    body->GetWorldVertices() = vertices;
    return CPSmartPtr<CPRenderObject>(body);
}
