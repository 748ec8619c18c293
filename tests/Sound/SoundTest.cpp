#include "Sound/NSound.h"

#include "SoundFixture.h"

#include <cmath>
#include <memory>

namespace
{
using Sound = SoundTest;

std::vector<uint8_t> Bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}
}

TEST(SoundVolume, FactorsMapToHundredthsOfADecibel)
{
    const struct
    {
        float factor;
        LONG volume;
    } cases[] = {
        { 1.0f, 0 }, { 0.5f, -437 }, { 0.25f, -2214 }, { 0.0f, -7000 },
        // Factors outside 0..1 are kept inside, so they stay in DirectSound's range.
        { 1.5f, 0 }, { 3.0f, 0 }, { -1.0f, -7000 }, { NAN, -7000 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(ToDirectSoundVolume(c.factor), c.volume) << c.factor;
}

TEST_F(Sound, MakesItsBufferFromTheWaveFile)
{
    const std::string samples = wav::Samples(300);
    const std::string path = WriteSound("engine.wav", wav::Pcm(1, 22050, 16, samples));
    struct Case
    {
        int32_t is3D;
        int32_t bitrate;
        DWORD flags;
        GUID algorithm;
    };
    const Case cases[] = {
        { 0, 16, 0xA0, DS3DALG_DEFAULT },
        { 2, 16, 0xA0, DS3DALG_DEFAULT }, // only 1 means 3D
        { 1, 16, 0xB0, DS3DALG_HRTF_FULL },
        { 1, 8, 0xB0, DS3DALG_HRTF_LIGHT },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.is3D * 100 + c.bitrate);
        g_CfgBitrate = c.bitrate;
        CNSound sound(m_device, path, c.is3D);
        ASSERT_TRUE(sound.IsReady());
        EXPECT_EQ(sound.GetTypeName(), "CNSound_Data\\Sounds\\engine.wav");
        EXPECT_EQ(sound.GetObjectSize(), static_cast<int32_t>(sizeof(CNSound)));
        EXPECT_EQ(sound.GetFrameStamp(), -1);
        EXPECT_EQ(g_SoundList.back(), &sound);
        const PlatformDSound::BufferRecord& record = Record(sound);
        EXPECT_EQ(record.flags, c.flags);
        EXPECT_EQ(record.algorithm, c.algorithm);
        EXPECT_EQ(record.memory, Bytes(samples));
        EXPECT_EQ(record.playCursor, 0u);
        EXPECT_EQ(record.volume, -7000); // the global factor is still 0
        EXPECT_EQ(sound.GetBaseFrequency(), 22050u);
        if (c.is3D == 1) {
            ASSERT_NE(sound.Get3DBuffer(), nullptr);
            EXPECT_EQ(record.setParameterCalls, 1);
            EXPECT_EQ(record.lastApply, DS3D_IMMEDIATE);
            EXPECT_EQ(record.parameters3D.dwMode, DS3DMODE_NORMAL);
            EXPECT_EQ(sound.Get3DParameters().dwSize, sizeof(DS3DBUFFER));
        } else {
            EXPECT_EQ(sound.Get3DBuffer(), nullptr);
        }
    }
    EXPECT_TRUE(g_SoundList.empty()); // each sound left the list as it went
    EXPECT_TRUE(PlatformDSound::Buffers().back()->released);
}

TEST_F(Sound, SoundWithoutABufferIsNotReadyAndDoesNothing)
{
    const std::string paths[] = {
        "Data\\Sounds\\missing.wav",
        WriteSound("empty.wav", wav::Pcm(1, 22050, 8, "")),
        WriteSound("adpcm.wav", wav::Riff({ wav::Chunk("fmt ", wav::Format(2, 1, 22050, 4) + wav::Le16(0)),
                                            wav::Chunk("data", wav::Samples(20)) })),
        WriteSound("stereo3d.wav", wav::Pcm(2, 22050, 16, wav::Samples(40))),
    };
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        m_reports.clear();
        CNSound sound(m_device, path, 1);
        EXPECT_FALSE(sound.IsReady());
        EXPECT_TRUE(g_SoundList.empty());
        EXPECT_EQ(ReportsFrom("Sound/NSound"), 1);
        EXPECT_EQ(sound.GetBuffer(), nullptr);
        EXPECT_EQ(sound.Play(0, DSBPLAY_LOOPING), 0);
        EXPECT_EQ(sound.Stop(), 0);
        EXPECT_EQ(sound.Rewind(), 0);
        EXPECT_FALSE(sound.IsPlaying());
        EXPECT_EQ(sound.SetFrequencyFactor(2.0f), 0);
        EXPECT_EQ(sound.SetVolume(1.0f), 0);
    }
}

TEST_F(Sound, GlobalVolumeReachesEverySoundAndEveryNewOne)
{
    const std::string path = WriteSound("a.wav", wav::Pcm(1, 11025, 8, wav::Samples(50)));
    CNSound first(m_device, path, 0);
    CNSound second(m_device, path, 1);
    SetAllSoundsVolume(0.5f);
    EXPECT_EQ(g_SoundVolume, 0.5f);
    EXPECT_EQ(Record(first).volume, -437);
    EXPECT_EQ(Record(second).volume, -437);
    CNSound third(m_device, path, 0);
    EXPECT_EQ(Record(third).volume, -437);
    EXPECT_EQ(g_SoundList, (std::list<CNSound*> { &first, &second, &third }));

    // A factor beyond 1 plays at full volume and is kept as given.
    SetAllSoundsVolume(1.5f);
    EXPECT_EQ(g_SoundVolume, 1.5f);
    EXPECT_EQ(Record(third).volume, 0);
    EXPECT_EQ(ReportsFrom("Sound/NSound"), 0);
    EXPECT_EQ(third.SetVolume(0.25f), DS_OK);
    EXPECT_EQ(Record(third).volume, -2214);
}

TEST_F(Sound, PlayGoesOnFromWhereTheSoundIsAndEndsWithIt)
{
    // 100 ms at 11025 Hz, 8-bit.
    CNSound sound(m_device, WriteSound("beep.wav", wav::Pcm(1, 11025, 8, wav::Samples(1102))), 0);
    ASSERT_TRUE(sound.IsReady());
    ASSERT_EQ(sound.Play(0, 0), DS_OK);
    EXPECT_TRUE(sound.IsPlaying());
    PlatformClock::Advance(60);
    ASSERT_EQ(sound.Play(0, 0), DS_OK); // no restart
    PlatformClock::Advance(41);
    EXPECT_FALSE(sound.IsPlaying());

    ASSERT_EQ(sound.Play(0, DSBPLAY_LOOPING), DS_OK);
    PlatformClock::Advance(1000);
    EXPECT_TRUE(sound.IsPlaying());
    ASSERT_EQ(sound.Stop(), DS_OK);
    EXPECT_FALSE(sound.IsPlaying());
    EXPECT_NE(Record(sound).playCursor, 0u);
    ASSERT_EQ(sound.Rewind(), DS_OK);
    EXPECT_EQ(Record(sound).playCursor, 0u);
}

TEST_F(Sound, FrequencyFactorScalesTheWaveFormatsRateUntilTheNextPlay)
{
    CNSound sound(m_device, WriteSound("engine.wav", wav::Pcm(1, 22050, 16, wav::Samples(64))), 0);
    const struct
    {
        float factor;
        DWORD frequency;
    } cases[] = { { 1.5f, 33075 }, { 0.5f, 11025 }, { 100.0f, DSBFREQUENCY_MAX }, { 0.001f, DSBFREQUENCY_MIN },
                  { -2.0f, DSBFREQUENCY_MIN } };
    for (const auto& c : cases) {
        EXPECT_EQ(sound.SetFrequencyFactor(c.factor), DS_OK);
        EXPECT_EQ(Record(sound).frequency, c.frequency) << c.factor;
    }
    ASSERT_EQ(sound.SetFrequencyFactor(1.5f), DS_OK);
    ASSERT_EQ(sound.Play(0, 0), DS_OK);
    EXPECT_EQ(Record(sound).frequency, 22050u);

    // A refill after a lost buffer does not take the raised pitch as the
    // sound's own frequency.
    ASSERT_EQ(sound.SetFrequencyFactor(1.5f), DS_OK);
    PlatformDSound::LoseBuffers();
    ASSERT_EQ(sound.Play(0, 0), DS_OK);
    EXPECT_EQ(sound.GetBaseFrequency(), 22050u);
    ASSERT_EQ(sound.SetFrequencyFactor(1.5f), DS_OK);
    EXPECT_EQ(Record(sound).frequency, 33075u);
}

TEST_F(Sound, PlayRestoresAndRefillsALostBuffer)
{
    const std::string samples = wav::Samples(500);
    CNSound sound(m_device, WriteSound("horn.wav", wav::Pcm(1, 22050, 8, samples)), 0);
    ASSERT_EQ(sound.Play(0, DSBPLAY_LOOPING), DS_OK);
    PlatformClock::Advance(10);
    PlatformDSound::LoseBuffers();
    EXPECT_FALSE(sound.IsPlaying());

    // The device comes back after three tries, 10 ms apart.
    PlatformDSound::SetRestoreFailures(3);
    const DWORD before = timeGetTime();
    ASSERT_EQ(sound.Play(0, DSBPLAY_LOOPING), DS_OK);
    EXPECT_EQ(timeGetTime() - before, 30u);
    EXPECT_TRUE(sound.IsPlaying());
    EXPECT_EQ(Record(sound).memory, Bytes(samples));
    EXPECT_EQ(Record(sound).playCursor, 0u);
    EXPECT_EQ(ReportsFrom("Sound/NSound"), 0);
}

TEST_F(Sound, ALostBufferThatStaysLostIsGivenUp)
{
    CNSound sound(m_device, WriteSound("horn.wav", wav::Pcm(1, 22050, 8, wav::Samples(500))), 0);
    PlatformDSound::LoseBuffers();
    PlatformDSound::SetRestoreFailures(-1);
    const DWORD before = timeGetTime();
    EXPECT_EQ(sound.Play(0, 0), DSERR_BUFFERLOST);
    EXPECT_EQ(timeGetTime() - before, 2000u);
    EXPECT_EQ(Record(sound).restoreCalls, 200);
    EXPECT_GE(ReportsFrom("Sound/NSound"), 2); // the restore and the play
    EXPECT_FALSE(sound.IsPlaying());

    // Once the device is back the next play works.
    PlatformDSound::SetRestoreFailures(0);
    EXPECT_EQ(sound.Play(0, 0), DS_OK);
}

TEST_F(Sound, RegionTheFileNoLongerFillsBecomesSilence)
{
    // Larger than the reader's I/O buffer, so the refill goes back to the disk.
    struct Case
    {
        uint16_t bits;
        uint8_t silence;
    };
    const Case cases[] = { { 8, 0x80 }, { 16, 0x00 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits);
        const std::string wave = wav::Pcm(1, 22050, c.bits, wav::Samples(20000));
        CNSound sound(m_device, WriteSound("cut.wav", wave), 0);
        ASSERT_TRUE(sound.IsReady());
        m_root.MakeFile("Data/Sounds/cut.wav", wave.substr(0, 300));
        PlatformDSound::LoseBuffers();
        ASSERT_EQ(sound.Play(0, 0), DS_OK);
        EXPECT_EQ(Record(sound).memory, std::vector<uint8_t>(20000, c.silence));
    }
}

TEST_F(Sound, RepeatedFillReadsTheDataAgainUntilTheBufferIsFull)
{
    // The file is rewritten under the open reader with the same length but a
    // data chunk that now declares 700 bytes: each pass of the reader then
    // delivers 700 of the buffer's 20000 bytes. (Larger than the reader's I/O
    // buffer, so the refill goes back to the disk.)
    const std::string samples = wav::Samples(20000);
    const std::string head = samples.substr(0, 700);
    std::string looped;
    while (looped.size() + head.size() <= samples.size())
        looped += head;
    looped += head.substr(0, samples.size() - looped.size());
    struct Case
    {
        uint16_t bits;
        bool repeat;
        std::string expected;
    };
    const Case cases[] = {
        { 8, true, looped },
        { 16, true, looped },
        { 8, false, head + std::string(samples.size() - head.size(), '\x80') },
        { 16, false, head + std::string(samples.size() - head.size(), '\0') },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits * 10 + c.repeat);
        const std::string wave = wav::Pcm(1, 22050, c.bits, samples);
        CNSound sound(m_device, WriteSound("loop.wav", wave), 0);
        ASSERT_TRUE(sound.IsReady());
        ASSERT_EQ(Record(sound).memory, Bytes(samples));
        const size_t dataSize = wave.size() - samples.size() - 4;
        m_root.MakeFile("Data/Sounds/loop.wav", wave.substr(0, dataSize) + wav::Le32(700) + wave.substr(dataSize + 4));
        EXPECT_EQ(sound.FillBuffer(sound.GetBuffer(), c.repeat), DS_OK);
        EXPECT_EQ(Record(sound).memory, Bytes(c.expected));
        EXPECT_EQ(sound.GetBaseFrequency(), 22050u);
    }
    EXPECT_EQ(ReportsFrom("Sound/NSound"), 0);
}
