#include "Sound/PWaveFile.h"

#include "Platform/COM.h"
#include "Platform/ResourceData.h"
#include "ScratchRoot.h"
#include "WavBuilder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace
{
const char* const kPath = "Data\\Sounds\\test.wav";
const char* const kHostPath = "Data/Sounds/test.wav";

// Every data byte the reader delivers from its current position on, read in
// pieces of `step` bytes.
std::string ReadAll(CPWaveFile& file, DWORD step = 4096)
{
    std::string all;
    std::vector<BYTE> buffer(step);
    for (;;) {
        DWORD got = 99;
        EXPECT_EQ(file.Read(buffer.data(), step, &got), S_OK);
        if (got == 0)
            break;
        all.append(reinterpret_cast<const char*>(buffer.data()), got);
    }
    return all;
}

class WaveFile : public ::testing::Test
{
protected:
    void TearDown() override { PlatformResources::Clear(); }
    ScratchRoot m_root;
};
}

TEST_F(WaveFile, ReadsMonoPcmFormatsAndSamples)
{
    struct Case
    {
        uint16_t bits;
        uint32_t rate;
        size_t bytes;
    };
    const Case cases[] = { { 8, 11025, 301 }, { 16, 22050, 400 }, { 16, 44100, 20000 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits);
        const std::string samples = wav::Samples(c.bytes);
        m_root.MakeFile(kHostPath, wav::Pcm(1, c.rate, c.bits, samples));
        CPWaveFile file;
        ASSERT_EQ(file.Open("data\\sounds\\TEST.WAV", nullptr, WAVEFILE_READ), S_OK);
        const WAVEFORMATEX* format = file.GetFormat();
        ASSERT_NE(format, nullptr);
        EXPECT_EQ(format->wFormatTag, WAVE_FORMAT_PCM);
        EXPECT_EQ(format->nChannels, 1);
        EXPECT_EQ(format->nSamplesPerSec, c.rate);
        EXPECT_EQ(format->nAvgBytesPerSec, c.rate * c.bits / 8);
        EXPECT_EQ(format->nBlockAlign, c.bits / 8);
        EXPECT_EQ(format->wBitsPerSample, c.bits);
        EXPECT_EQ(format->cbSize, 0);
        EXPECT_EQ(file.GetSize(), c.bytes);
        // Odd piece sizes cross the reader's I/O buffer boundaries.
        EXPECT_EQ(ReadAll(file, 777), samples);
    }
}

TEST_F(WaveFile, FindsChunksInAnyOrderAndSkipsOthers)
{
    const std::string samples = wav::Samples(64);
    const std::string list = wav::Chunk("LIST", "INFOISFT" + wav::Le32(5) + "tool" + std::string(1, '\0'));
    const std::string files[] = {
        wav::Riff({ list, wav::PcmFormat(1, 22050, 16), wav::Chunk("data", samples) }),
        wav::Riff({ wav::Chunk("data", samples), wav::Chunk("fact", wav::Le32(32)), wav::PcmFormat(1, 22050, 16) }),
        // An odd-sized chunk is followed by its pad byte.
        wav::Riff({ wav::PcmFormat(1, 22050, 16), wav::Chunk("junk", "abc"), wav::Chunk("data", samples) }),
        // A "fmt " chunk larger than its 16 fixed bytes.
        wav::Riff({ wav::Chunk("fmt ", wav::Format(1, 1, 22050, 16) + wav::Le16(0) + "zz"), wav::Chunk("data", samples) }),
    };
    for (const std::string& bytes : files) {
        m_root.MakeFile(kHostPath, bytes);
        CPWaveFile file;
        ASSERT_EQ(file.Open(kPath, nullptr, WAVEFILE_READ), S_OK);
        EXPECT_EQ(file.GetFormat()->nSamplesPerSec, 22050u);
        EXPECT_EQ(file.GetSize(), samples.size());
        EXPECT_EQ(ReadAll(file), samples);
    }
}

TEST_F(WaveFile, RefusesWhatIsNoWave)
{
    const std::string data = wav::Chunk("data", wav::Samples(8));
    const std::string fmt = wav::PcmFormat(1, 22050, 8);
    struct Case
    {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {
        { "empty", "" },
        { "not riff", "RIFX" + wav::Le32(4) + "WAVE" + fmt + data },
        { "other form", wav::Riff({ fmt, data }, "AVI ") },
        { "no fmt", wav::Riff({ data }) },
        { "fmt of 14 bytes", wav::Riff({ wav::Chunk("fmt ", wav::Format(1, 1, 22050, 8).substr(0, 14)), data }) },
        { "no data", wav::Riff({ fmt }) },
        { "cut inside fmt", wav::Riff({ fmt, data }).substr(0, 30) },
        { "cut before data", wav::Riff({ fmt, data }).substr(0, 36 + 4) },
        { "extra bytes missing", wav::Riff({ wav::Chunk("fmt ", wav::Format(2, 1, 22050, 4) + wav::Le16(32)), data }) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_root.MakeFile(kHostPath, c.bytes);
        CPWaveFile file;
        EXPECT_EQ(file.Open(kPath, nullptr, WAVEFILE_READ), E_FAIL);
        EXPECT_EQ(file.GetSize(), 0u);
        BYTE byte = 0;
        DWORD got = 7;
        EXPECT_EQ(file.Read(&byte, 1, &got), CO_E_NOTINITIALIZED);
        EXPECT_EQ(file.ResetFile(), CO_E_NOTINITIALIZED);
    }
    CPWaveFile file;
    EXPECT_EQ(file.Open("Data\\Sounds\\missing.wav", nullptr, WAVEFILE_READ), E_FAIL);
    EXPECT_EQ(file.Open(nullptr, nullptr, WAVEFILE_READ), E_INVALIDARG);
}

TEST_F(WaveFile, NonPcmFormatKeepsItsExtraBytes)
{
    const std::string extra = "\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1a\x1b\x1c\x1d\x1e\x1f\x20";
    const std::string fmt = wav::Chunk("fmt ", wav::Format(2, 1, 22050, 4) + wav::Le16(32) + extra);
    m_root.MakeFile(kHostPath, wav::Riff({ fmt, wav::Chunk("data", wav::Samples(10)) }));
    CPWaveFile file;
    ASSERT_EQ(file.Open(kPath, nullptr, WAVEFILE_READ), S_OK);
    const WAVEFORMATEX* format = file.GetFormat();
    EXPECT_EQ(format->wFormatTag, 2);
    EXPECT_EQ(format->wBitsPerSample, 4);
    EXPECT_EQ(format->cbSize, 32);
    EXPECT_EQ(std::memcmp(reinterpret_cast<const char*>(format) + 18, extra.data(), extra.size()), 0);
}

TEST_F(WaveFile, DataCutShortKeepsTheSamplesPresent)
{
    const std::string samples = wav::Samples(40);
    m_root.MakeFile(kHostPath, wav::Riff({ wav::PcmFormat(1, 8000, 8), wav::Chunk("data", samples, 100) }));
    CPWaveFile file;
    ASSERT_EQ(file.Open(kPath, nullptr, WAVEFILE_READ), S_OK);
    EXPECT_EQ(file.GetSize(), 40u);
    EXPECT_EQ(ReadAll(file, 64), samples);
    ASSERT_EQ(file.ResetFile(), S_OK);
    EXPECT_EQ(ReadAll(file, 64), samples);
}

TEST_F(WaveFile, ReadsStopAtTheEndAndResetStartsAgain)
{
    const std::string samples = wav::Samples(10);
    m_root.MakeFile(kHostPath, wav::Pcm(1, 8000, 8, samples) + "trailing bytes outside the riff chunk");
    CPWaveFile file;
    ASSERT_EQ(file.Open(kPath, nullptr, WAVEFILE_READ), S_OK);
    BYTE buffer[32] = {};
    DWORD got = 0;
    ASSERT_EQ(file.Read(buffer, 6, &got), S_OK);
    EXPECT_EQ(got, 6u);
    ASSERT_EQ(file.Read(buffer + 6, 32, &got), S_OK);
    EXPECT_EQ(got, 4u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 10), samples);
    ASSERT_EQ(file.Read(buffer, 32, &got), S_OK);
    EXPECT_EQ(got, 0u);
    ASSERT_EQ(file.ResetFile(), S_OK);
    EXPECT_EQ(ReadAll(file), samples);

    EXPECT_EQ(file.Read(nullptr, 4, &got), E_INVALIDARG);
    EXPECT_EQ(file.Read(buffer, 4, nullptr), E_INVALIDARG);
}

TEST_F(WaveFile, NameThatIsNoFileIsReadFromAResource)
{
    const std::string fromWave = wav::Samples(12, 1);
    const std::string fromWav = wav::Samples(12, 2);
    PlatformResources::Add("Data\\Sounds\\inside.wav", "WAV", wav::Pcm(1, 11025, 8, fromWav));
    CPWaveFile file;
    ASSERT_EQ(file.Open("Data\\Sounds\\inside.wav", nullptr, WAVEFILE_READ), S_OK);
    EXPECT_EQ(file.GetSize(), 12u);
    EXPECT_EQ(ReadAll(file), fromWav);

    // A "WAVE" resource is looked for first, and a file comes before both.
    PlatformResources::Add("DATA\\SOUNDS\\INSIDE.WAV", "wave", wav::Pcm(1, 11025, 8, fromWave));
    ASSERT_EQ(file.Open("Data\\Sounds\\inside.wav", nullptr, WAVEFILE_READ), S_OK);
    EXPECT_EQ(ReadAll(file), fromWave);
    m_root.MakeFile("Data/Sounds/inside.wav", wav::Pcm(1, 11025, 8, "on disk!"));
    ASSERT_EQ(file.Open("Data\\Sounds\\inside.wav", nullptr, WAVEFILE_READ), S_OK);
    EXPECT_EQ(ReadAll(file), "on disk!");

    PlatformResources::Add("empty.wav", "WAVE", "");
    EXPECT_EQ(file.Open("empty.wav", nullptr, WAVEFILE_READ), E_FAIL);
    PlatformResources::Add("broken.wav", "WAVE", "RIFF");
    EXPECT_EQ(file.Open("broken.wav", nullptr, WAVEFILE_READ), E_FAIL);
}

TEST_F(WaveFile, WriteModeCreatesHeadersWithoutSamples)
{
    struct Case
    {
        uint16_t tag;
        std::string fmtBody;
    };
    const std::string extra = "\x07\x08\x09";
    const Case cases[] = {
        { 1, wav::Format(1, 1, 22050, 16) },
        { 2, wav::Format(2, 1, 22050, 4) + wav::Le16(3) + extra },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tag);
        std::vector<uint8_t> record(sizeof(WAVEFORMATEX) + extra.size());
        WAVEFORMATEX format {};
        format.wFormatTag = c.tag;
        format.nChannels = 1;
        format.nSamplesPerSec = 22050;
        format.wBitsPerSample = c.tag == 1 ? 16 : 4;
        format.nBlockAlign = static_cast<WORD>(format.wBitsPerSample / 8);
        format.nAvgBytesPerSec = 22050 * format.nBlockAlign;
        format.cbSize = c.tag == 1 ? 0 : 3;
        std::memcpy(record.data(), &format, sizeof(format));
        std::memcpy(record.data() + sizeof(format), extra.data(), extra.size());
        {
            CPWaveFile file;
            ASSERT_EQ(file.Open("Data\\Out\\made.wav", reinterpret_cast<const WAVEFORMATEX*>(record.data()), WAVEFILE_WRITE), S_OK);
            EXPECT_EQ(file.Close(), S_OK);
        }
        const std::string expected
            = wav::Riff({ wav::Chunk("fmt ", c.fmtBody), wav::Chunk("fact", wav::Le32(0)), wav::Chunk("data", "") });
        EXPECT_EQ(m_root.ReadFile("Data/Out/made.wav"), expected);

        CPWaveFile reader;
        ASSERT_EQ(reader.Open("Data\\Out\\made.wav", nullptr, WAVEFILE_READ), S_OK);
        EXPECT_EQ(reader.GetSize(), 0u);
        EXPECT_EQ(reader.GetFormat()->cbSize, format.cbSize);
    }
}
