// The host's fonts: outline faces rasterised with FreeType into one glyph
// atlas per font (character codes 0 to 255, the upper half read as
// Windows-1251), cached as a texture under the font's name and drawn with
// the interface's material. The fonts file "Data\Interface\fonts.cfg" names
// them, one a line: name, face, pixel size. An empty face is the default
// face; any other face is a game path to a ".ttf" file.
#pragma once

#include "Core/PSmartPtr.h"
#include "Interface/PTextManager.h"

#include <cstdint>
#include <string>

// The face used when a font names none.
extern const char kHostDefaultFace[];

// Rasterises the face (a host path, or the bytes of a face file when
// faceBytes is not empty) at the pixel size into an atlas cached under the
// name, and makes the font around it. Null when the face cannot be read.
CPSmartPtr<CPFont> BuildHostFont(const std::string& name, const std::string& facePath, const std::string& faceBytes,
                                 int32_t pixelSize);
// Builds and registers every font of the fonts file; the number registered.
int32_t LoadHostFonts(CPTextManager& manager);
