#include "Sound/NSound.h"

#include "Core/PLog.h"
#include "Platform/Clock.h"
#include "Sound/PWaveFile.h"
#include "Startup/PConfigVars.h"

#include <cmath>
#include <cstring>

std::list<CNSound*> g_SoundList;
float g_SoundVolume = 0.0f;

namespace
{
const char* const kSource = "Sound/NSound";
// Attenuation of a silent factor, in hundredths of a decibel.
constexpr float kQuietest = -7000.0f;
// Restore tries before a lost buffer is given up: about two seconds of
// 10 ms waits while the device stays taken.
constexpr int kRestoreTries = 200;
constexpr DWORD kRestoreWaitMs = 10;
// The bitrate at which 3D sounds get the full head-related processing.
constexpr int32_t kFullHrtfBitrate = 16;

void Report(int line, HRESULT hr)
{
    ReportDXError(kSource, line, hr);
}
}

LONG ToDirectSoundVolume(float factor)
{
    if (!(factor > 0.0f))
        factor = 0.0f; // also a factor that is not a number
    else if (factor > 1.0f)
        factor = 1.0f;
    const float quiet = 1.0f - factor;
    return static_cast<LONG>(quiet * quiet * quiet * quiet * kQuietest);
}

void SetAllSoundsVolume(float factor)
{
    g_SoundVolume = factor;
    for (CNSound* sound : g_SoundList)
        sound->ApplyGlobalVolume();
}

CNSound::CNSound(IDirectSound8* device, const std::string& path, int32_t is3D)
    : m_buffer(nullptr)
    , m_bufferSize(0)
    , m_waveFile(std::make_unique<CPWaveFile>())
    , m_is3D(is3D)
    , m_baseFrequency(0)
    , m_path(path)
    , m_ready(0)
    , m_frameStamp(-1)
    , m_buffer3D(nullptr)
    , m_parameters3D {}
{
    m_waveFile->Open(m_path.c_str(), nullptr, WAVEFILE_READ);
    m_bufferSize = m_waveFile->GetSize();

    const bool positioned = m_is3D == 1;
    DSBUFFERDESC desc {};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLVOLUME | (positioned ? DSBCAPS_CTRL3D : 0);
    desc.dwBufferBytes = m_bufferSize;
    desc.lpwfxFormat = m_waveFile->GetFormat();
    desc.guid3DAlgorithm = !positioned ? DS3DALG_DEFAULT
        : g_CfgBitrate == kFullHrtfBitrate ? DS3DALG_HRTF_FULL
                                           : DS3DALG_HRTF_LIGHT;
    const HRESULT created = device ? device->CreateSoundBuffer(&desc, &m_buffer, nullptr) : DSERR_INVALIDPARAM;
    if (FAILED(created)) {
        Report(__LINE__, created);
        m_buffer = nullptr;
        return;
    }

    FillBuffer(m_buffer, false);
    m_buffer->SetCurrentPosition(0);

    m_buffer->QueryInterface(IID_IDirectSound3DBuffer, reinterpret_cast<void**>(&m_buffer3D));
    if (positioned && m_buffer3D) {
        m_parameters3D.dwSize = sizeof(m_parameters3D);
        HRESULT hr = m_buffer3D->GetAllParameters(&m_parameters3D);
        if (FAILED(hr))
            Report(__LINE__, hr);
        m_parameters3D.dwMode = DS3DMODE_NORMAL;
        hr = m_buffer3D->SetAllParameters(&m_parameters3D, DS3D_IMMEDIATE);
        if (FAILED(hr))
            Report(__LINE__, hr);
    }

    g_SoundList.push_back(this);
    m_ready = 1;
    ApplyGlobalVolume();
}

CNSound::~CNSound()
{
    if (m_buffer3D)
        m_buffer3D->Release();
    if (m_buffer)
        m_buffer->Release();
    m_waveFile.reset();
    if (m_ready)
        g_SoundList.remove(this);
}

int32_t CNSound::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CNSound));
}

std::string CNSound::GetTypeName() const
{
    return "CNSound_" + m_path;
}

HRESULT CNSound::FillBuffer(IDirectSoundBuffer* buffer, bool repeat)
{
    if (!buffer)
        return S_OK;
    RestoreBuffer(buffer, nullptr);

    void* locked = nullptr;
    DWORD lockedBytes = 0;
    HRESULT hr = buffer->Lock(0, m_bufferSize, &locked, &lockedBytes, nullptr, nullptr, 0);
    if (FAILED(hr)) {
        Report(__LINE__, hr);
        return hr;
    }

    BYTE* bytes = static_cast<BYTE*>(locked);
    const WAVEFORMATEX* format = m_waveFile->GetFormat();
    const int silence = (format && format->wBitsPerSample == 8) ? 0x80 : 0;
    DWORD read = 0;
    m_waveFile->ResetFile();
    m_waveFile->Read(bytes, lockedBytes, &read);
    if (read == 0) {
        std::memset(bytes, silence, lockedBytes);
    } else if (read < lockedBytes) {
        DWORD filled = read;
        while (repeat && filled < lockedBytes) {
            DWORD more = 0;
            m_waveFile->ResetFile();
            m_waveFile->Read(bytes + filled, lockedBytes - filled, &more);
            if (more == 0)
                break;
            filled += more;
        }
        std::memset(bytes + filled, silence, lockedBytes - filled);
    }

    hr = buffer->Unlock(locked, lockedBytes, nullptr, 0);
    if (FAILED(hr))
        Report(__LINE__, hr);
    // The wave format, not the buffer, says the sound's own frequency, so a
    // refill never takes over a pitch set by SetFrequencyFactor.
    if (format)
        m_baseFrequency = format->nSamplesPerSec;
    return hr;
}

int32_t CNSound::RestoreBuffer(IDirectSoundBuffer* buffer, bool* restored)
{
    if (!buffer)
        return 0;
    if (restored)
        *restored = false;
    DWORD status = 0;
    HRESULT hr = buffer->GetStatus(&status);
    if (FAILED(hr)) {
        Report(__LINE__, hr);
        return 0;
    }
    if (!(status & DSBSTATUS_BUFFERLOST))
        return 1;

    // The device may stay with another program for a while; give up after a
    // bounded time rather than wait for ever.
    for (int tries = 0; tries < kRestoreTries; ++tries) {
        hr = buffer->Restore();
        if (SUCCEEDED(hr)) {
            if (restored)
                *restored = true;
            return 0;
        }
        if (hr == DSERR_BUFFERLOST)
            Sleep(kRestoreWaitMs);
    }
    Report(__LINE__, hr);
    return 0;
}

HRESULT CNSound::Play(DWORD priority, DWORD flags)
{
    if (!m_buffer)
        return S_OK;
    bool restored = false;
    RestoreBuffer(m_buffer, &restored);
    if (restored) {
        FillBuffer(m_buffer, false);
        Rewind();
    }
    HRESULT hr = m_buffer->SetFrequency(static_cast<DWORD>(m_baseFrequency * 1.0));
    if (FAILED(hr)) {
        Report(__LINE__, hr);
        return hr;
    }
    hr = m_buffer->Play(0, priority, flags);
    if (FAILED(hr))
        Report(__LINE__, hr);
    return hr;
}

HRESULT CNSound::Stop()
{
    if (!m_buffer)
        return S_OK;
    const HRESULT hr = m_buffer->Stop();
    if (FAILED(hr))
        Report(__LINE__, hr);
    return hr;
}

HRESULT CNSound::Rewind()
{
    if (!m_buffer)
        return S_OK;
    const HRESULT hr = m_buffer->SetCurrentPosition(0);
    if (FAILED(hr))
        Report(__LINE__, hr);
    return hr;
}

bool CNSound::IsPlaying()
{
    if (!m_buffer)
        return false;
    DWORD status = 0;
    const HRESULT hr = m_buffer->GetStatus(&status);
    if (FAILED(hr)) {
        Report(__LINE__, hr);
        return false;
    }
    return (status & DSBSTATUS_PLAYING) != 0;
}

HRESULT CNSound::SetFrequencyFactor(float factor)
{
    if (!m_buffer)
        return S_OK;
    double frequency = std::trunc(m_baseFrequency * static_cast<double>(factor));
    if (!(frequency >= DSBFREQUENCY_MIN))
        frequency = DSBFREQUENCY_MIN; // also a factor that is not a number
    else if (frequency > DSBFREQUENCY_MAX)
        frequency = DSBFREQUENCY_MAX;
    const HRESULT hr = m_buffer->SetFrequency(static_cast<DWORD>(frequency));
    if (FAILED(hr))
        Report(__LINE__, hr);
    return hr;
}

HRESULT CNSound::ApplyGlobalVolume()
{
    return SetVolume(g_SoundVolume);
}

HRESULT CNSound::SetVolume(float factor)
{
    if (!m_buffer)
        return S_OK;
    const HRESULT hr = m_buffer->SetVolume(ToDirectSoundVolume(factor));
    if (FAILED(hr))
        Report(__LINE__, hr);
    return hr;
}
