#include "Platform/DSound.h"

#include "Platform/Clock.h"

#include <gtest/gtest.h>

namespace
{
WAVEFORMATEX Pcm(WORD channels, DWORD rate, WORD bits)
{
    WAVEFORMATEX f {};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    return f;
}

class DSound : public ::testing::Test
{
protected:
    void SetUp() override
    {
        PlatformDSound::Reset();
        PlatformClock::SetTime(1000);
        ASSERT_EQ(DirectSoundCreate8(nullptr, &m_device, nullptr), DS_OK);
    }
    void TearDown() override
    {
        m_device->Release();
        PlatformDSound::Reset();
        PlatformClock::UseRealClocks();
    }

    HRESULT Create(DWORD flags, DWORD bytes, WAVEFORMATEX format, IDirectSoundBuffer** buffer,
                   const GUID& algorithm = DS3DALG_DEFAULT)
    {
        DSBUFFERDESC desc {};
        desc.dwSize = sizeof(desc);
        desc.dwFlags = flags;
        desc.dwBufferBytes = bytes;
        desc.lpwfxFormat = &format;
        desc.guid3DAlgorithm = algorithm;
        return m_device->CreateSoundBuffer(&desc, buffer, nullptr);
    }

    IDirectSound8* m_device = nullptr;
};

constexpr DWORD kPlain = DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLVOLUME;
constexpr DWORD k3D = kPlain | DSBCAPS_CTRL3D;
}

TEST_F(DSound, BufferCreationAcceptsWhatDirectSoundAccepts)
{
    struct Case
    {
        const char* what;
        DWORD flags;
        DWORD bytes;
        WAVEFORMATEX format;
        GUID algorithm;
        HRESULT expected;
    };
    WAVEFORMATEX adpcm = Pcm(1, 22050, 4);
    adpcm.wFormatTag = 2;
    const Case cases[] = {
        { "mono 3D hrtf", k3D, 100, Pcm(1, 22050, 16), DS3DALG_HRTF_FULL, DS_OK },
        { "stereo plain", kPlain, 100, Pcm(2, 44100, 16), DS3DALG_DEFAULT, DS_OK },
        { "zero bytes", kPlain, 0, Pcm(1, 22050, 8), DS3DALG_DEFAULT, DSERR_INVALIDPARAM },
        { "stereo 3D", k3D, 100, Pcm(2, 22050, 16), DS3DALG_DEFAULT, DSERR_INVALIDPARAM },
        { "algorithm without 3D", kPlain, 100, Pcm(1, 22050, 16), DS3DALG_HRTF_LIGHT, DSERR_INVALIDPARAM },
        { "compressed", kPlain, 100, adpcm, DS3DALG_DEFAULT, DSERR_BADFORMAT },
        { "24-bit", kPlain, 100, Pcm(1, 22050, 24), DS3DALG_DEFAULT, DSERR_BADFORMAT },
        { "rate too low", kPlain, 100, Pcm(1, 50, 8), DS3DALG_DEFAULT, DSERR_BADFORMAT },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        IDirectSoundBuffer* buffer = reinterpret_cast<IDirectSoundBuffer*>(1);
        EXPECT_EQ(Create(c.flags, c.bytes, c.format, &buffer, c.algorithm), c.expected);
        if (SUCCEEDED(c.expected)) {
            ASSERT_NE(buffer, nullptr);
            EXPECT_EQ(PlatformDSound::RecordOf(buffer)->algorithm, c.algorithm);
            buffer->Release();
        } else {
            EXPECT_EQ(buffer, nullptr);
        }
    }
    DSBUFFERDESC wrongSize {};
    IDirectSoundBuffer* buffer = nullptr;
    EXPECT_EQ(m_device->CreateSoundBuffer(&wrongSize, &buffer, nullptr), DSERR_INVALIDPARAM);
}

TEST_F(DSound, LockShowsMemoryAndWrapsAround)
{
    IDirectSoundBuffer* buffer = nullptr;
    ASSERT_EQ(Create(kPlain, 8, Pcm(1, 22050, 8), &buffer), DS_OK);
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD b1 = 0, b2 = 0;
    ASSERT_EQ(buffer->Lock(6, 4, &p1, &b1, &p2, &b2, 0), DS_OK);
    EXPECT_EQ(b1, 2u);
    EXPECT_EQ(b2, 2u);
    EXPECT_EQ(static_cast<uint8_t*>(p1)[0], PlatformDSound::kUnwrittenByte);
    static_cast<uint8_t*>(p1)[0] = 1;
    static_cast<uint8_t*>(p2)[1] = 2;
    EXPECT_EQ(buffer->Unlock(p1, b1, p2, b2), DS_OK);
    const std::vector<uint8_t> expected = { 0xCD, 2, 0xCD, 0xCD, 0xCD, 0xCD, 1, 0xCD };
    EXPECT_EQ(PlatformDSound::RecordOf(buffer)->memory, expected);
    EXPECT_EQ(buffer->Unlock(p1, b1, p2, b2), DSERR_INVALIDPARAM); // already unlocked
    EXPECT_EQ(buffer->Lock(8, 1, &p1, &b1, &p2, &b2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Lock(0, 9, &p1, &b1, &p2, &b2, 0), DSERR_INVALIDPARAM);
    buffer->Release();
}

TEST_F(DSound, FrequencyAndVolumeKeepToTheirRanges)
{
    IDirectSoundBuffer* buffer = nullptr;
    ASSERT_EQ(Create(kPlain, 100, Pcm(1, 22050, 16), &buffer), DS_OK);
    DWORD frequency = 0;
    EXPECT_EQ(buffer->SetFrequency(99), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->SetFrequency(200001), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->SetFrequency(200000), DS_OK);
    EXPECT_EQ(buffer->SetFrequency(DSBFREQUENCY_ORIGINAL), DS_OK);
    ASSERT_EQ(buffer->GetFrequency(&frequency), DS_OK);
    EXPECT_EQ(frequency, 22050u);
    LONG volume = 1;
    EXPECT_EQ(buffer->SetVolume(1), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->SetVolume(-10001), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->SetVolume(-10000), DS_OK);
    ASSERT_EQ(buffer->GetVolume(&volume), DS_OK);
    EXPECT_EQ(volume, -10000);
    buffer->Release();

    ASSERT_EQ(Create(0, 100, Pcm(1, 22050, 16), &buffer), DS_OK);
    EXPECT_EQ(buffer->SetFrequency(22050), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(buffer->SetVolume(0), DSERR_CONTROLUNAVAIL);
    buffer->Release();
}

TEST_F(DSound, PlayedSoundEndsWhenItsBytesHavePlayed)
{
    // 100 ms of 16-bit mono at 22050 Hz.
    IDirectSoundBuffer* buffer = nullptr;
    ASSERT_EQ(Create(kPlain, 4410, Pcm(1, 22050, 16), &buffer), DS_OK);
    DWORD status = 0;
    DWORD play = 0;
    EXPECT_EQ(buffer->Play(0, 1, 0), DSERR_INVALIDPARAM); // priority needs a deferred buffer
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    PlatformClock::Advance(50);
    ASSERT_EQ(buffer->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, DSBSTATUS_PLAYING);
    ASSERT_EQ(buffer->GetCurrentPosition(&play, nullptr), DS_OK);
    EXPECT_EQ(play, 2204u);
    // Playing again does not restart it; twice the frequency halves the rest.
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    ASSERT_EQ(buffer->SetFrequency(44100), DS_OK);
    PlatformClock::Advance(24);
    ASSERT_EQ(buffer->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, DSBSTATUS_PLAYING);
    PlatformClock::Advance(2);
    ASSERT_EQ(buffer->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, 0u);
    ASSERT_EQ(buffer->GetCurrentPosition(&play, nullptr), DS_OK);
    EXPECT_EQ(play, 0u);

    // Looping wraps around and keeps playing until stopped.
    ASSERT_EQ(buffer->SetFrequency(22050), DS_OK);
    ASSERT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    PlatformClock::Advance(250);
    ASSERT_EQ(buffer->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
    ASSERT_EQ(buffer->GetCurrentPosition(&play, nullptr), DS_OK);
    EXPECT_EQ(play, 2204u); // 5512 frames, 11024 bytes, two wraps of 4410
    ASSERT_EQ(buffer->Stop(), DS_OK);
    PlatformClock::Advance(10);
    ASSERT_EQ(buffer->GetCurrentPosition(&play, nullptr), DS_OK);
    EXPECT_EQ(play, 2204u);
    buffer->Release();
}

TEST_F(DSound, LostBufferRefusesWorkUntilRestored)
{
    IDirectSoundBuffer* buffer = nullptr;
    ASSERT_EQ(Create(kPlain, 4, Pcm(1, 22050, 8), &buffer), DS_OK);
    PlatformDSound::RecordOf(buffer)->memory.assign(4, 7);
    ASSERT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    PlatformDSound::LoseBuffers();
    DWORD status = 0;
    ASSERT_EQ(buffer->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, DSBSTATUS_BUFFERLOST);
    EXPECT_EQ(buffer->Play(0, 0, 0), DSERR_BUFFERLOST);
    void* p1 = nullptr;
    DWORD b1 = 0;
    EXPECT_EQ(buffer->Lock(0, 4, &p1, &b1, nullptr, nullptr, 0), DSERR_BUFFERLOST);

    PlatformDSound::SetRestoreFailures(2);
    EXPECT_EQ(buffer->Restore(), DSERR_BUFFERLOST);
    EXPECT_EQ(buffer->Restore(), DSERR_BUFFERLOST);
    EXPECT_EQ(buffer->Restore(), DS_OK);
    ASSERT_EQ(buffer->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, 0u);
    // The samples did not survive.
    EXPECT_EQ(PlatformDSound::RecordOf(buffer)->memory, std::vector<uint8_t>(4, PlatformDSound::kUnwrittenByte));
    EXPECT_EQ(buffer->Play(0, 0, 0), DS_OK);
    buffer->Release();
}

TEST_F(DSound, ThreeDRecordsStartAtTheDefaultsAndCheckWhatIsSet)
{
    IDirectSoundBuffer* plain = nullptr;
    ASSERT_EQ(Create(kPlain, 100, Pcm(1, 22050, 16), &plain), DS_OK);
    void* none = nullptr;
    EXPECT_EQ(plain->QueryInterface(IID_IDirectSound3DBuffer, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    plain->Release();

    IDirectSoundBuffer* buffer = nullptr;
    ASSERT_EQ(Create(k3D, 100, Pcm(1, 22050, 16), &buffer), DS_OK);
    IDirectSound3DBuffer* positioned = nullptr;
    ASSERT_EQ(buffer->QueryInterface(IID_IDirectSound3DBuffer, reinterpret_cast<void**>(&positioned)), S_OK);
    DS3DBUFFER p {};
    EXPECT_EQ(positioned->GetAllParameters(&p), DSERR_INVALIDPARAM); // size field unset
    p.dwSize = sizeof(p);
    ASSERT_EQ(positioned->GetAllParameters(&p), DS_OK);
    EXPECT_EQ(p.dwInsideConeAngle, 360u);
    EXPECT_EQ(p.dwOutsideConeAngle, 360u);
    EXPECT_EQ(p.vConeOrientation.z, 1.0f);
    EXPECT_EQ(p.flMinDistance, 1.0f);
    EXPECT_EQ(p.flMaxDistance, 1e9f);
    EXPECT_EQ(p.dwMode, DS3DMODE_NORMAL);
    DS3DBUFFER bad = p;
    bad.dwMode = 3;
    EXPECT_EQ(positioned->SetAllParameters(&bad, DS3D_IMMEDIATE), DSERR_INVALIDPARAM);
    bad = p;
    bad.flMinDistance = 0.0f;
    EXPECT_EQ(positioned->SetAllParameters(&bad, DS3D_IMMEDIATE), DSERR_INVALIDPARAM);
    p.vPosition = { 1, 2, 3 };
    ASSERT_EQ(positioned->SetAllParameters(&p, DS3D_IMMEDIATE), DS_OK);
    EXPECT_EQ(PlatformDSound::RecordOf(positioned)->parameters3D.vPosition.y, 2.0f);
    EXPECT_EQ(PlatformDSound::RecordOf(positioned)->setParameterCalls, 1);
    // The 3D interface holds the buffer: releasing the buffer first frees nothing.
    EXPECT_EQ(buffer->Release(), 1u);
    EXPECT_FALSE(PlatformDSound::RecordOf(positioned)->released);
    EXPECT_EQ(positioned->Release(), 0u);
}

TEST_F(DSound, PrimaryBufferCarriesTheListener)
{
    DSBUFFERDESC desc {};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D;
    IDirectSoundBuffer* primary = nullptr;
    ASSERT_EQ(m_device->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
    const WAVEFORMATEX format = Pcm(2, 44100, 16);
    EXPECT_EQ(primary->SetFormat(&format), DSERR_PRIOLEVELNEEDED);
    ASSERT_EQ(m_device->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
    EXPECT_EQ(primary->SetFormat(&format), DS_OK);

    IDirectSound3DListener* listener = nullptr;
    ASSERT_EQ(primary->QueryInterface(IID_IDirectSound3DListener, reinterpret_cast<void**>(&listener)), S_OK);
    DS3DLISTENER l {};
    l.dwSize = sizeof(l);
    ASSERT_EQ(listener->GetAllParameters(&l), DS_OK);
    EXPECT_EQ(l.vOrientFront.z, 1.0f);
    EXPECT_EQ(l.vOrientTop.y, 1.0f);
    EXPECT_EQ(l.flDistanceFactor, 1.0f);
    EXPECT_EQ(l.flRolloffFactor, 1.0f);
    EXPECT_EQ(l.flDopplerFactor, 1.0f);
    l.flRolloffFactor = 11.0f;
    EXPECT_EQ(listener->SetAllParameters(&l, DS3D_IMMEDIATE), DSERR_INVALIDPARAM);
    listener->Release();
    primary->Release();
}
