#include "Host/PHostSound.h"

#include "Core/PGlobals.h"
#include "Core/PLog.h"
#include "Core/PTaskManager.h"
#include "Host/PHostMusic.h"
#include "Platform/DSound.h"
#include "Sound/NSoundManager.h"
#include "Sound/PSoundCache.h"
#include "Startup/PConfigVars.h"

#include <string>
#include <vector>

namespace
{
const char* const kSource = "Host/PHostSound";

struct HostSound
{
    IDirectSound8* device = nullptr;
    IDirectSoundBuffer* primary = nullptr;
    IDirectSound3DListener* listener = nullptr;
    CPSoundCache* cache = nullptr;
    CNSoundManager* manager = nullptr;
    CPHostMusic* music = nullptr;
    // The sounds registered under names, owned here.
    std::vector<CNSound*> named;
};

HostSound g_HostSound;

// The sounds race vehicles play by name, each from "<name>.wav" under the
// sound directory; a missing file leaves its name without a sound.
const char* const kVehicleSounds[] = {
    "chik", "bonus_fast", "bonus_slow", "bonus_minus", "bonus_plus", "enter_sumrak", "undo_weapon", "change_weapon",
};

void RegisterVehicleSounds(HostSound& host)
{
    for (const char* name : kVehicleSounds) {
        if (const CPSmartPtr<CNSound> sound = host.manager->LoadSound(std::string(name) + ".wav", 1, false)) {
            host.manager->RegisterSound(name, sound.Get());
            host.named.push_back(sound.Get());
        }
    }
}


// The primary buffer carries the listener; its format is the mix format.
void CreatePrimary(HostSound& sound)
{
    DSBUFFERDESC desc {};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D;
    HRESULT hr = sound.device->CreateSoundBuffer(&desc, &sound.primary, nullptr);
    if (FAILED(hr)) {
        ReportDXError(kSource, __LINE__, hr);
        sound.primary = nullptr;
        return;
    }
    WAVEFORMATEX format {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(g_CfgChannels);
    format.nSamplesPerSec = static_cast<DWORD>(g_CfgFrequency);
    format.wBitsPerSample = static_cast<WORD>(g_CfgBitrate);
    format.nBlockAlign = static_cast<WORD>(format.nChannels * format.wBitsPerSample / 8);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    hr = sound.primary->SetFormat(&format);
    if (FAILED(hr))
        ReportDXError(kSource, __LINE__, hr);
    hr = sound.primary->QueryInterface(IID_IDirectSound3DListener, reinterpret_cast<void**>(&sound.listener));
    if (FAILED(hr)) {
        ReportDXError(kSource, __LINE__, hr);
        sound.listener = nullptr;
    }
}
}

bool CreateHostSound(HWND window)
{
    DestroyHostSound();
    HostSound& sound = g_HostSound;
    HRESULT hr = DirectSoundCreate8(nullptr, &sound.device, nullptr);
    if (FAILED(hr)) {
        ReportDXError(kSource, __LINE__, hr);
        sound.device = nullptr;
    } else {
        hr = sound.device->SetCooperativeLevel(window, DSSCL_PRIORITY);
        if (FAILED(hr))
            ReportDXError(kSource, __LINE__, hr);
        CreatePrimary(sound);
    }

    sound.cache = new CPSoundCache(sound.device);
    sound.manager = new CNSoundManager(sound.cache, sound.listener);
    g_SoundManager = sound.manager;
    sound.manager->SetSoundVolume(g_CfgSoundVolume);
    RegisterVehicleSounds(sound);

    sound.music = new CPHostMusic;
    sound.music->SetVolume(g_CfgMusicVolume);
    g_Music = sound.music;
    if (CPTaskManager* tasks = GetTaskManager())
        tasks->AddTask(sound.music);
    return sound.device != nullptr;
}

void KeepHostMusicListed()
{
    CPHostMusic* music = g_HostSound.music;
    CPTaskManager* tasks = GetTaskManager();
    // A listed task runs until the frame loop drops it, so one that does
    // not run is no longer listed.
    if (music && tasks && !music->IsRunning() && music->HasMusicToRun())
        tasks->AddTask(music);
}

void DestroyHostSound()
{
    HostSound& sound = g_HostSound;
    // The music task leaves the task manager's list as it is destroyed.
    if (g_Music == sound.music)
        g_Music = nullptr;
    delete sound.music;
    if (g_SoundManager == sound.manager)
        g_SoundManager = nullptr;
    delete sound.manager;
    for (CNSound* named : sound.named)
        delete named;
    delete sound.cache;
    SafeRelease(sound.listener);
    SafeRelease(sound.primary);
    SafeRelease(sound.device);
    sound = HostSound {};
}

