#include "Core/PScramble.h"

#include <array>

namespace
{
// The key: 1932 printable characters ('!' to '~') from a fixed quadratic
// sequence, then one zero byte. Computed at compile time, so it is the same
// table in every build.
constexpr std::array<BYTE, kScrambleKeySize> MakeKey()
{
    std::array<BYTE, kScrambleKeySize> key {};
    for (size_t i = 0; i + 1 < kScrambleKeySize; ++i)
        key[i] = static_cast<BYTE>('!' + (i * 61 + (i * i) % 97 + 7) % 94);
    key[kScrambleKeySize - 1] = 0;
    return key;
}

constexpr std::array<BYTE, kScrambleKeySize> kScrambleKey = MakeKey();

// Adds (sign 1) or subtracts (sign -1) the key cyclically.
void ApplyKey(BYTE* data, size_t size, int sign)
{
    size_t k = 0;
    for (size_t i = 0; i < size; ++i) {
        data[i] = static_cast<BYTE>(data[i] + sign * kScrambleKey[k]);
        if (++k == kScrambleKeySize)
            k = 0;
    }
}
}

void ScrambleBuffer(BYTE* data, size_t size)
{
    ApplyKey(data, size, 1);
}

void UnscrambleBuffer(BYTE* data, size_t size)
{
    ApplyKey(data, size, -1);
}
