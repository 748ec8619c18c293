// The full-screen display modes the game offers: those of the primary
// adapter of at least 1024 x 768, one entry per size in the adapter's order
// (only a repeat of the previous entry's size is left out), each with 32 bits
// per pixel. The options dialog lists exactly these.
#pragma once

#include <cstdint>
#include <vector>

// Height comes first; read the fields by name.
struct CPDisplayMode
{
    uint32_t height;
    uint32_t width;
    uint32_t bitsPerPixel;
};

extern std::vector<CPDisplayMode> DisplayModeList;

// Refills DisplayModeList from Direct3D; without Direct3D it stays empty.
void EnumerateDisplayModes();
