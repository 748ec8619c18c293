#include "Platform/AMStream.h"
#include "Platform/DDraw.h"
#include "Platform/MediaFile.h"

#include "AllocationWatch.h"
#include "MediaFixture.h"
#include "ScratchRoot.h"
#include "WavBuilder.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace
{
const std::vector<uint32_t> kColours = { 0xFF0000, 0x00FF00, 0x0000FF };

std::vector<std::string>& Reports()
{
    static std::vector<std::string> reports;
    return reports;
}

void KeepReport(const std::string& line)
{
    Reports().push_back(line);
}

class MediaStream : public ::testing::Test
{
protected:
    void SetUp() override
    {
        PlatformAMStream::Reset();
        PlatformMedia::ResetClock();
        MediaFixture::VideoSpec spec;
        spec.width = 6;
        spec.height = 3;
        spec.colours = kColours;
        m_root.MakeDirectory("Data/Video");
        ASSERT_TRUE(MediaFixture::WriteVideo(m_root.Host("Data/Video/plain.avi"), spec));
        spec.audio = true;
        ASSERT_TRUE(MediaFixture::WriteVideo(m_root.Host("Data/Video/sound.avi"), spec));
        ASSERT_TRUE(MediaFixture::WriteMusic(m_root.Host("Data/Video/music.wav"), 0.5));
        m_root.MakeFile("Data/Video/corrupt.avi", m_root.ReadFile("Data/Video/plain.avi").substr(0, 40));
        m_root.MakeFile("Data/Video/text.avi", "not a video at all");
    }

    void TearDown() override
    {
        PlatformAMStream::Reset();
        PlatformMedia::ResetClock();
    }

    // Opens Data\Video\<name> (written first when `bytes` has any): it
    // plays when `reason` is empty, or else is refused with the reason
    // reported.
    void ExpectOpen(const std::string& name, const std::string& bytes, const std::string& reason)
    {
        SCOPED_TRACE(name);
        const std::string path = "Data\\Video\\" + name;
        if (!bytes.empty())
            m_root.MakeFile("Data/Video/" + name, bytes);
        Reports().clear();
        PlatformMedia::MediaFile file;
        const HRESULT opened = file.Open(path);
        if (reason.empty()) {
            EXPECT_EQ(opened, S_OK);
            EXPECT_TRUE(Reports().empty());
            return;
        }
        EXPECT_EQ(opened, VFW_E_UNKNOWN_FILE_TYPE);
        EXPECT_EQ(Reports(), std::vector<std::string> { "cannot read " + path + ": " + reason + "\n" });
    }

    struct HeaderCase
    {
        const char* name;
        std::string bytes; // empty: written by WriteHeaderCases
        const char* reason; // null: the file plays
    };

    // Files whose headers claim up to and past what players take.
    std::vector<HeaderCase> WriteHeaderCases()
    {
        MediaFixture::VideoSpec spec;
        spec.colours = { 0xFF0000 };
        spec.width = 4096;
        EXPECT_TRUE(MediaFixture::WriteVideo(m_root.Host("Data/Video/widest.avi"), spec));
        spec.width = 4097;
        EXPECT_TRUE(MediaFixture::WriteVideo(m_root.Host("Data/Video/wider.avi"), spec));
        spec.width = 2;
        spec.height = 4097;
        EXPECT_TRUE(MediaFixture::WriteVideo(m_root.Host("Data/Video/taller.avi"), spec));
        const std::string samples = wav::Samples(64);
        return {
            { "fastest.wav", wav::Pcm(1, 384000, 16, samples), nullptr },
            { "faster.wav", wav::Pcm(1, 384001, 16, samples), "a sample rate of 384001 Hz (at most 384000)" },
            { "ghz.wav", wav::Pcm(1, 1500000000, 16, samples), "a sample rate of 1500000000 Hz (at most 384000)" },
            { "eight.wav", wav::Pcm(8, 44100, 16, samples), nullptr },
            { "nine.wav", wav::Pcm(9, 44100, 16, samples), "9 channels (at most 8)" },
            { "widest.avi", "", nullptr },
            { "wider.avi", "", "frames of 4097 x 2 pixels (at most 4096 a side)" },
            { "taller.avi", "", "frames of 2 x 4097 pixels (at most 4096 a side)" },
        };
    }

    ScratchRoot m_root;
};

// The colour of every pixel of a 32-bit frame, or -1 when they differ.
int64_t SolidColour(const uint8_t* pixels, size_t count)
{
    uint32_t first = 0;
    std::memcpy(&first, pixels, 4);
    for (size_t i = 1; i < count; ++i) {
        uint32_t pixel = 0;
        std::memcpy(&pixel, pixels + i * 4, 4);
        if ((pixel & 0xFFFFFF) != (first & 0xFFFFFF))
            return -1;
    }
    return first & 0xFFFFFF;
}
}

TEST_F(MediaStream, FileDecodesFramesByTimeAndStartsAgainForAnEarlierTime)
{
    PlatformMedia::MediaFile file;
    ASSERT_EQ(file.Open("data\\video\\SOUND.avi"), S_OK);
    EXPECT_TRUE(file.HasVideo());
    EXPECT_TRUE(file.HasAudio());
    EXPECT_EQ(file.Width(), 6);
    EXPECT_EQ(file.Height(), 3);
    EXPECT_NEAR(file.Duration(), 0.3, 1e-6);
    struct Case
    {
        double time;
        int64_t frame;
    };
    const Case cases[] = { { 0.0, 0 }, { 0.05, 0 }, { 0.1, 1 }, { 0.29, 2 }, { 5.0, 2 }, { 0.12, 1 }, { 0.0, 0 } };
    for (const Case& c : cases) {
        EXPECT_EQ(file.FrameAt(c.time), c.frame) << c.time;
        ASSERT_EQ(file.Pixels().size(), 6u * 3u * 4u);
        EXPECT_EQ(SolidColour(file.Pixels().data(), 18), kColours[static_cast<size_t>(c.frame)]) << c.time;
    }

    PlatformMedia::MediaFile music;
    ASSERT_EQ(music.Open("Data\\Video\\music.wav"), S_OK);
    EXPECT_FALSE(music.HasVideo());
    EXPECT_TRUE(music.HasAudio());
    EXPECT_NEAR(music.Duration(), 0.5, 1e-6);
    EXPECT_EQ(music.FrameAt(0.0), -1);

    const struct
    {
        const char* path;
        HRESULT expected;
    } failures[] = {
        { "Data\\Video\\missing.avi", HRESULT_FILE_NOT_FOUND },
        { "Data\\Video", HRESULT_FILE_NOT_FOUND },
        { "Data\\Video\\corrupt.avi", VFW_E_UNKNOWN_FILE_TYPE },
        { "Data\\Video\\text.avi", VFW_E_UNKNOWN_FILE_TYPE },
    };
    for (const auto& f : failures) {
        PlatformMedia::MediaFile failed;
        EXPECT_EQ(failed.Open(f.path), f.expected) << f.path;
        EXPECT_FALSE(failed.HasVideo());
        EXPECT_EQ(failed.FrameAt(0.0), -1);
    }
}

TEST_F(MediaStream, SampleWritesEachFrameIntoTheSurfaceAsTheClockRuns)
{
    IDirectDraw* directDraw = nullptr;
    ASSERT_EQ(DirectDrawCreate(nullptr, &directDraw, nullptr), S_OK);
    IAMMultiMediaStream* stream = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_AMMultiMediaStream, nullptr, CLSCTX_INPROC_SERVER, IID_IAMMultiMediaStream,
                               reinterpret_cast<void**>(&stream)),
              S_OK);
    ASSERT_EQ(stream->Initialize(STREAMTYPE_READ, 0, nullptr), S_OK);
    ASSERT_EQ(stream->AddMediaStream(nullptr, &MSPID_PrimaryAudio, AMMSF_ADDDEFAULTRENDERER, nullptr), S_OK);
    ASSERT_EQ(stream->AddMediaStream(directDraw, &MSPID_PrimaryVideo, 0, nullptr), S_OK);
    EXPECT_EQ(stream->OpenFile(u"Data\\Video\\missing.avi", 0), HRESULT_FILE_NOT_FOUND);
    ASSERT_EQ(stream->OpenFile(u"Data\\Video\\sound.avi", 0), S_OK);

    IMediaStream* media = nullptr;
    ASSERT_EQ(stream->GetMediaStream(MSPID_PrimaryVideo, &media), S_OK);
    IDirectDrawMediaStream* video = nullptr;
    ASSERT_EQ(media->QueryInterface(IID_IDirectDrawMediaStream, reinterpret_cast<void**>(&video)), S_OK);
    DDSURFACEDESC description {};
    description.dwSize = kDDSurfaceDescSize;
    ASSERT_EQ(video->GetFormat(&description, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(description.dwWidth, 6u);
    EXPECT_EQ(description.dwHeight, 3u);
    IDirectDrawSurface* surface = nullptr;
    ASSERT_EQ(directDraw->CreateSurface(&description, &surface, nullptr), S_OK);
    IDirectDrawStreamSample* sample = nullptr;
    ASSERT_EQ(video->CreateSample(surface, nullptr, 0, &sample), S_OK);

    EXPECT_EQ(sample->Update(0, nullptr, nullptr, 0), MS_E_NOTRUNNING);
    ASSERT_EQ(stream->SetState(STREAMSTATE_RUN), S_OK);
    auto surfaceColour = [&] {
        DDSURFACEDESC locked {};
        locked.dwSize = kDDSurfaceDescSize;
        EXPECT_EQ(surface->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), S_OK);
        const int64_t colour = SolidColour(static_cast<const uint8_t*>(locked.lpSurface), 18);
        EXPECT_EQ(surface->Unlock(nullptr), S_OK);
        return colour;
    };
    // How far the clock moves (seconds), then the result and the colour shown.
    struct Step
    {
        double advance;
        HRESULT result;
        int64_t colour;
    };
    const Step steps[] = {
        { 0.0, S_OK, 0xFF0000 },         { 0.05, MS_S_NOUPDATE, 0xFF0000 }, { 0.05, S_OK, 0x00FF00 },
        { 0.1, S_OK, 0x0000FF },         { 0.1, MS_S_ENDOFSTREAM, 0x0000FF },
    };
    for (const Step& step : steps) {
        PlatformMedia::AdvanceClock(step.advance);
        EXPECT_EQ(sample->Update(0, nullptr, nullptr, 0), step.result) << PlatformMedia::Clock();
        EXPECT_EQ(surfaceColour(), step.colour) << PlatformMedia::Clock();
    }
    // Rewound, the stream plays from its first frame again; stopped, it stands.
    ASSERT_EQ(stream->Seek(0), S_OK);
    EXPECT_EQ(sample->Update(0, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(surfaceColour(), 0xFF0000);
    ASSERT_EQ(stream->SetState(STREAMSTATE_STOP), S_OK);
    PlatformMedia::AdvanceClock(1.0);
    STREAM_TIME time = -1;
    ASSERT_EQ(stream->GetTime(&time), S_OK);
    EXPECT_EQ(time, 0);

    // The graph runs the same stream and carries its volume.
    IGraphBuilder* graph = nullptr;
    ASSERT_EQ(stream->GetFilterGraph(&graph), S_OK);
    IMediaControl* control = nullptr;
    IBasicAudio* audio = nullptr;
    ASSERT_EQ(graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)), S_OK);
    ASSERT_EQ(graph->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&audio)), S_OK);
    ASSERT_EQ(control->Run(), S_OK);
    STREAM_STATE state = STREAMSTATE_STOP;
    ASSERT_EQ(stream->GetState(&state), S_OK);
    EXPECT_EQ(state, STREAMSTATE_RUN);
    EXPECT_EQ(audio->put_Volume(-2214), S_OK);
    const PlatformAMStream::StreamRecord& record = *PlatformAMStream::Streams().back();
    EXPECT_EQ(record.volumes, std::vector<LONG>({ -2214 }));
    EXPECT_EQ(record.openedPath, "Data\\Video\\sound.avi");

    for (IUnknown* held : std::initializer_list<IUnknown*> { audio, control, graph, sample, video, media, stream,
                                                             surface, directDraw })
        held->Release();
    EXPECT_EQ(record.liveObjects, 0);
    EXPECT_EQ(PlatformDDraw::LiveSurfaces(), 0);
    EXPECT_EQ(PlatformDDraw::LiveObjects(), 0);
}

TEST_F(MediaStream, WithoutAnAudioStreamTheGraphHasNoAudioAndBadFilesDoNotOpen)
{
    IAMMultiMediaStream* stream = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_AMMultiMediaStream, nullptr, CLSCTX_INPROC_SERVER, IID_IAMMultiMediaStream,
                               reinterpret_cast<void**>(&stream)),
              S_OK);
    EXPECT_EQ(stream->OpenFile(u"Data\\Video\\plain.avi", 0), MS_E_NOTINIT);
    ASSERT_EQ(stream->Initialize(STREAMTYPE_READ, 0, nullptr), S_OK);
    ASSERT_EQ(stream->AddMediaStream(nullptr, &MSPID_PrimaryVideo, 0, nullptr), S_OK);
    for (const char16_t* bad : { u"Data\\Video\\corrupt.avi", u"Data\\Video\\text.avi", u"Data\\Video\\music.wav" })
        EXPECT_EQ(stream->OpenFile(bad, 0), VFW_E_UNKNOWN_FILE_TYPE);
    EXPECT_EQ(stream->SetState(STREAMSTATE_RUN), MS_E_NOTINIT);
    ASSERT_EQ(stream->OpenFile(u"Data\\Video\\plain.avi", 0), S_OK);
    IGraphBuilder* graph = nullptr;
    ASSERT_EQ(stream->GetFilterGraph(&graph), S_OK);
    void* audio = nullptr;
    EXPECT_EQ(graph->QueryInterface(IID_IBasicAudio, &audio), E_NOINTERFACE);
    const PlatformAMStream::StreamRecord& record = *PlatformAMStream::Streams().back();
    EXPECT_FALSE(record.audioAdded);
    EXPECT_EQ(record.audioQueries, 1);
    graph->Release();
    stream->Release();
    EXPECT_EQ(record.liveObjects, 0);
}

TEST_F(MediaStream, HeadersClaimingMoreThanPlayersTakeAreRefusedBeforeAnythingDecodes)
{
    // Decoders size their buffers by what the header claims: a file beyond
    // the bounds is refused as one that cannot be played, with the reason
    // reported.
    PlatformMedia::SetReport(&KeepReport);
    for (const HeaderCase& c : WriteHeaderCases())
        ExpectOpen(c.name, c.bytes, c.reason ? c.reason : "");
    PlatformMedia::SetReport(nullptr);
}

TEST_F(MediaStream, HeadersClaimingMoreThanPlayersTakeAllocateLittle)
{
    if (!AllocationWatch::Watch())
        GTEST_SKIP() << AllocationWatch::kUnwatched;
    for (const HeaderCase& c : WriteHeaderCases()) {
        if (!c.reason)
            continue;
        SCOPED_TRACE(c.name);
        if (!c.bytes.empty())
            m_root.MakeFile(std::string("Data/Video/") + c.name, c.bytes);
        PlatformMedia::MediaFile file;
        AllocationWatch::Watch();
        file.Open(std::string("Data\\Video\\") + c.name);
        AllocationWatch::Stop();
        EXPECT_LT(AllocationWatch::Largest(), size_t { 1 } << 20);
        EXPECT_LT(AllocationWatch::Total(), size_t { 4 } << 20);
    }
}

TEST_F(MediaStream, FramesAsLargeAsTheLargestTextureStillDecode)
{
    // No block the media libraries allocate may exceed a frame of the
    // largest texture; such a frame still fits.
    MediaFixture::VideoSpec spec;
    spec.width = 4096;
    spec.height = 4096;
    spec.colours = { 0x3366CC };
    spec.raw = true;
    ASSERT_TRUE(MediaFixture::WriteVideo(m_root.Host("Data/Video/largest.avi"), spec));
    PlatformMedia::MediaFile file;
    ASSERT_EQ(file.Open("Data\\Video\\largest.avi"), S_OK);
    EXPECT_EQ(file.Width(), 4096);
    EXPECT_EQ(file.Height(), 4096);
    ASSERT_EQ(file.FrameAt(0.0), 0);
    ASSERT_EQ(file.Pixels().size(), size_t { 4096 } * 4096 * 4);
    EXPECT_EQ(SolidColour(file.Pixels().data(), size_t { 4096 } * 4096), 0x3366CC);
}
