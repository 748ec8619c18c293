// Text manager: the fonts of the interface and the one operation that turns a
// string into glyph quads. A text is drawn as one textured quad per byte, cut
// from the font's texture, laid out from a start point in screen pixels;
// "^" starts a new line. The host builds the fonts and registers them here.
#pragma once

#include "Core/PGameObject.h"
#include "Core/PManagedObject.h"
#include "Core/PSmartPtr.h"
#include "Render/PMaterial.h"

#include <string>
#include <unordered_map>

class CPRenderObject;

// A named text of a screen: its own game object (named "text", kind 0) whose
// render body receives the quads, the font name and the screen position.
struct CPTextEntry
{
    CPSmartPtr<CPGameObject> object;
    std::string font;
    float x = 0.0f;
    float y = 0.0f;
    // The text a script last showed through the entry.
    std::string text;
};

// One texture rectangle: top-left (ua, va), bottom-right (ub, vb).
struct CPGlyph
{
    float ua = 0.0f;
    float va = 0.0f;
    float ub = 0.0f;
    float vb = 0.0f;
};

// A font: lengths are in pixels of the 1024-pixel-wide design space.
class CPFont : public CPManagedObject
{
public:
    static constexpr int kGlyphCount = 256;

    int32_t GetObjectSize() const override;
    // "CPFont".
    std::string GetTypeName() const override;

    CPSmartPtr<CPMaterial> material;
    CPGlyph glyphs[kGlyphCount];
    // Width of each character's quad.
    float advances[kGlyphCount] = {};
    // Height of every quad and the distance between lines.
    float lineHeight = 0.0f;
    // Both taken off each advance when stepping to the next character, the
    // second at half weight.
    float advanceTrim = 0.0f;
    float halfAdvanceTrim = 0.0f;
};

class CPTextManager
{
public:
    CPTextManager() = default;
    CPTextManager(const CPTextManager&) = delete;
    CPTextManager& operator=(const CPTextManager&) = delete;

    // Fills the owner's render body with the text's quads at (x, y) and gives
    // it the font's material; returns the body. Null, with nothing touched,
    // when the owner's body is not a render object or the font is unknown.
    CPSmartPtr<CPRenderObject> GetTextObject(const CPSmartPtr<CPGameObject>& owner, float x, float y,
                                             const std::string& fontName, const std::string& text);

    std::unordered_map<std::string, CPSmartPtr<CPFont>> fonts;
};
