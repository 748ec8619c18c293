// Arbitrary bytes as a WAV file: read by the wave reader once from the disk
// and once from a program resource, which must agree byte for byte and
// deliver no more than the input holds, then made into a sound that plays
// on a sound device of its own, which keeps the records of its buffers until
// it goes with the input.
#include "Platform/DSound.h"
#include "Platform/GamePath.h"
#include "Platform/ResourceData.h"
#include "Sound/NSound.h"
#include "Sound/PWaveFile.h"
#include "tests/ScratchRoot.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
// Every data byte, read in pieces of `step` bytes.
std::string ReadAll(CPWaveFile& file, DWORD step)
{
    std::string all;
    std::vector<BYTE> buffer(step);
    for (;;) {
        DWORD got = 0;
        if (FAILED(file.Read(buffer.data(), step, &got)) || got == 0)
            return all;
        all.append(reinterpret_cast<const char*>(buffer.data()), got);
    }
}

size_t FormatBytes(const WAVEFORMATEX* format)
{
    return format ? sizeof(WAVEFORMATEX) + format->cbSize : 0;
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ScratchRoot root;
    GamePath::SetRoot(root.Path());
    PlatformDSound::Reset();

    const std::string bytes(reinterpret_cast<const char*>(data), size);
    root.MakeFile("Data/Sounds/fuzz.wav", bytes);
    PlatformResources::Clear();
    PlatformResources::Add("inside.wav", "WAVE", bytes);

    CPWaveFile fromFile;
    CPWaveFile fromResource;
    const HRESULT fileResult = fromFile.Open("Data\\Sounds\\fuzz.wav", nullptr, WAVEFILE_READ);
    const HRESULT resourceResult = fromResource.Open("inside.wav", nullptr, WAVEFILE_READ);
    if (fileResult != resourceResult)
        std::abort();
    if (SUCCEEDED(fileResult) && SUCCEEDED(resourceResult)) {
        if (fromFile.GetSize() != fromResource.GetSize() || fromFile.GetSize() > size)
            std::abort();
        const size_t formatBytes = FormatBytes(fromFile.GetFormat());
        if (formatBytes != FormatBytes(fromResource.GetFormat())
            || std::memcmp(fromFile.GetFormat(), fromResource.GetFormat(), formatBytes) != 0)
            std::abort();
        const DWORD step = size > 0 ? 1 + data[size - 1] * 37u : 1;
        const std::string samples = ReadAll(fromFile, step);
        if (samples.size() != fromFile.GetSize() || ReadAll(fromResource, 4096) != samples)
            std::abort();
        if (FAILED(fromFile.ResetFile()) || ReadAll(fromFile, 4096) != samples)
            std::abort();
    }

    IDirectSound8* device = nullptr;
    DirectSoundCreate8(nullptr, &device, nullptr);
    {
        CNSound sound(device, "Data\\Sounds\\fuzz.wav", static_cast<int32_t>(size % 2));
        if (sound.IsReady()) {
            sound.Play(0, 0);
            sound.SetFrequencyFactor(1.5f);
            sound.Stop();
        }
    }
    if (device)
        device->Release();
    PlatformResources::Clear();
    return 0;
}
