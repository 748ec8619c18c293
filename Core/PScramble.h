// Additive byte scrambling of data files. A fixed 1933-byte key is added to
// the bytes cyclically, starting at key byte 0 at the start of the buffer;
// the key's last byte is zero, so every 1933rd byte stays as it was. Files
// scrambled with this key read back only with this key, so it never changes.
#pragma once

#include "Platform/Win32.h"

#include <cstddef>

constexpr size_t kScrambleKeySize = 1933;

// byte i += key[i mod 1933] (mod 256)
void ScrambleBuffer(BYTE* data, size_t size);
// byte i -= key[i mod 1933] (mod 256)
void UnscrambleBuffer(BYTE* data, size_t size);
