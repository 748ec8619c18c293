#include "Render/PAVIPlayer1.h"

CPAVIPlayer* g_AVIPlayer1 = nullptr;

namespace
{
// The checked steps of Play1, in the order of the first player's.
const int kLines1[] = { 78, 79, 80, 83, 88, 96, 125, 128, 129, 130, 131, 134, 136 };
const CPAVIPlayer::Variant kSecond = { "Render/PAVIPlayer1", "video1", "VIDEO1", kLines1, &CPAVIPlayer::Restart1 };
}

CPAVIPlayer* GetAVIPlayer1()
{
    return g_AVIPlayer1;
}

HRESULT CPAVIPlayer::Play1(const std::string& name)
{
    return PlayVariant(kSecond, name, true);
}

HRESULT CPAVIPlayer::OpenStream1()
{
    return OpenVariant(kSecond, true);
}

HRESULT CPAVIPlayer::Restart1()
{
    ReleaseAll();
    const HRESULT hr = OpenStream1();
    if (FAILED(hr))
        ReleaseAll();
    return hr;
}
