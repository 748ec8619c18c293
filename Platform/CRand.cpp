#include "Platform/CRand.h"

namespace
{
uint32_t g_RandSeed = 1;
}

namespace crt
{
int rand()
{
    g_RandSeed = g_RandSeed * 214013u + 2531011u;
    return static_cast<int>((g_RandSeed >> 16) & 0x7FFFu);
}

void srand(uint32_t seed)
{
    g_RandSeed = seed;
}
}
