// The two video players in the headless host: opening a video into a
// power-of-two texture, the failures, and the task that plays the frames,
// started and stopped by the script functions.
#include "Core/PGlobals.h"
#include "Core/PLog.h"
#include "Core/PTaskManager.h"
#include "Host/PGameHost.h"
#include "Host/PHostFrame.h"
#include "Host/PHostVideo.h"
#include "Platform/AMStream.h"
#include "Platform/D3D9Device.h"
#include "Platform/MediaFile.h"
#include "Render/PAVIPlayer1.h"
#include "Render/PTextureManager.h"
#include "Startup/PConfigVars.h"

#include "MediaFixture.h"
#include "ScratchRoot.h"
#include "VideoHost.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kBlue = 0x0000FF;

class VideoPlayer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        PlatformAMStream::Reset();
        m_savedVolume = g_CfgSoundVolume;
        m_savedDepth = g_CfgScreenBPP;
        m_root.MakeDirectory("Data/Video");
        Write("small.avi", 6, 3, { kRed, kGreen, kBlue }, true);
        Write("quiet.avi", 6, 3, { kBlue, kRed }, false);
        Write("wide.avi", 320, 240, { kRed }, false);
        Write("wide2.avi", 320, 240, { kGreen }, true);
        Write("square.avi", 256, 256, { kBlue }, false);
        // As wide as the device's largest texture: it opens, but its
        // power-of-two texture would be twice that.
        Write("huge.avi", 4096, 2, { kRed }, false);
        Write("wider.avi", 4097, 2, { kRed }, false);
        m_root.MakeFile("Data/Video/corrupt.avi", m_root.ReadFile("Data/Video/small.avi").substr(0, 64));
        // A one-pixel image for the texture entries to hold before a video.
        m_root.MakeFile("Data/Textures/error.tga", std::string("\0\0\2\0\0\0\0\0\0\0\0\0\1\0\1\0\x18\0\x10\x20\x30", 21));
        m_video = std::make_unique<VideoHost>(m_root.Path());
    }

    void TearDown() override
    {
        for (CPTexture* entry : m_entries)
            delete entry;
        m_video.reset();
        g_CfgSoundVolume = m_savedVolume;
        g_CfgScreenBPP = m_savedDepth;
        PlatformAMStream::Reset();
    }

    void Write(const std::string& name, int width, int height, std::vector<uint32_t> colours, bool audio)
    {
        MediaFixture::VideoSpec spec;
        spec.width = width;
        spec.height = height;
        spec.colours = std::move(colours);
        spec.audio = audio;
        ASSERT_TRUE(MediaFixture::WriteVideo(m_root.Host("Data/Video/" + name), spec)) << name;
    }

    void Run(const std::string& source)
    {
        std::string error;
        EXPECT_TRUE(m_video->host->RunString(source, "case", error)) << error;
    }

    bool Reported(const std::string& source, int line) const
    {
        const std::string wanted = "DXError if " + source + " on line " + std::to_string(line);
        for (const std::string& text : m_video->log)
            if (text.find(wanted) == 0)
                return true;
        return false;
    }

    bool Listed(const CPTask* task) const
    {
        for (const CPSmartPtr<CPTask>& t : GetTaskManager()->GetTasks())
            if (t.Get() == task)
                return true;
        return false;
    }

    // Which texture the device made it as.
    static DWORD Serial(const CPAVIPlayer& player)
    {
        return PlatformD3D9::RecordOf(player.GetTexture())->serial;
    }

    // The cache entry a material showing the video would have made.
    CPTexture* Entry(const std::string& spec)
    {
        CPTexture* entry = GetTextureManager()->GetTexture(spec).Get();
        m_entries.push_back(entry);
        return entry;
    }

    // The 32-bit pixel at (x, y) of a player's texture (16-bit ones widened
    // from R5G6B5 as they are stored).
    static uint32_t Pixel(const CPAVIPlayer& player, int x, int y)
    {
        D3DLOCKED_RECT locked {};
        EXPECT_EQ(player.GetTexture()->LockRect(0, &locked, nullptr, 0), D3D_OK);
        const auto* row = static_cast<const uint8_t*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch;
        uint32_t pixel = 0;
        if (player.GetTextureDepth() == 32)
            std::memcpy(&pixel, row + x * 4, 4);
        else
            std::memcpy(&pixel, row + x * 2, 2);
        player.GetTexture()->UnlockRect(0);
        return player.GetTextureDepth() == 32 ? pixel & 0xFFFFFF : pixel;
    }

    static D3DSURFACE_DESC TextureDesc(const CPAVIPlayer& player)
    {
        D3DSURFACE_DESC description {};
        EXPECT_EQ(player.GetTexture()->GetLevelDesc(0, &description), D3D_OK);
        return description;
    }

    ScratchRoot m_root;
    std::unique_ptr<VideoHost> m_video;
    std::vector<CPTexture*> m_entries;
    float m_savedVolume = 0.0f;
    int32_t m_savedDepth = 0;
};
}

TEST(NextPowerOfTwo, StrictlyGreaterAndNeverPastTwoToTheThirty)
{
    const int32_t cases[][2] = { { INT_MIN, 2 },        { 0, 2 },           { 1, 2 },          { 2, 4 },
                                 { 3, 4 },              { 4, 8 },           { 255, 256 },      { 256, 512 },
                                 { 320, 512 },          { (1 << 30) - 1, 1 << 30 },            { 1 << 30, 1 << 30 },
                                 { INT_MAX, 1 << 30 } };
    for (const auto& c : cases)
        EXPECT_EQ(NextPowerOfTwo(c[0]), c[1]) << c[0];
}

TEST_F(VideoPlayer, PlayOpensTheVideoStoppedIntoAPowerOfTwoTexture)
{
    CPAVIPlayer& player = *GetAVIPlayer();
    g_CfgSoundVolume = 0.25f;
    g_CfgScreenBPP = 32;
    ASSERT_EQ(player.Play("wide2.avi", false), S_OK);
    const PlatformAMStream::StreamRecord& record = *PlatformAMStream::Streams().back();
    EXPECT_EQ(record.openedPath, "Data\\Video\\wide2.avi");
    EXPECT_TRUE(record.audioAdded);
    EXPECT_EQ(record.volumes, std::vector<LONG>({ -2214 }));
    EXPECT_EQ(record.state, STREAMSTATE_STOP);
    EXPECT_EQ(player.GetFrameRect().right, 320);
    EXPECT_EQ(player.GetFrameRect().bottom, 240);
    EXPECT_EQ(TextureDesc(player).Width, 512u);
    EXPECT_EQ(TextureDesc(player).Height, 256u);
    EXPECT_EQ(TextureDesc(player).Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(TextureDesc(player).Pool, D3DPOOL_MANAGED);
    EXPECT_FALSE(player.IsPlayFinished());

    // The same size at the same depth keeps the texture; another size or
    // depth makes a new one.
    const DWORD first = Serial(player);
    ASSERT_EQ(player.Play("wide.avi", false), S_OK);
    EXPECT_EQ(Serial(player), first);
    ASSERT_EQ(player.Play("square.avi", false), S_OK);
    EXPECT_NE(Serial(player), first);
    EXPECT_EQ(TextureDesc(player).Width, 512u);
    EXPECT_EQ(TextureDesc(player).Height, 512u);
    g_CfgScreenBPP = 16;
    ASSERT_EQ(player.Play("square.avi", false), S_OK);
    EXPECT_EQ(TextureDesc(player).Format, D3DFMT_R5G6B5);
    EXPECT_EQ(player.GetTextureDepth(), 16);

    // A volume outside 0..1 is kept to it.
    g_CfgSoundVolume = 3.0f;
    ASSERT_EQ(player.Play("small.avi", false), S_OK);
    EXPECT_EQ(PlatformAMStream::Streams().back()->volumes, std::vector<LONG>({ 0 }));
    for (const std::string& text : m_video->log)
        EXPECT_EQ(text.find("DXError"), std::string::npos) << text;
}

TEST_F(VideoPlayer, WithoutSoundNoAudioStreamIsAddedOrAsked)
{
    CPAVIPlayer& player = *GetAVIPlayer();
    ASSERT_EQ(player.Play("quiet.avi", true), S_OK);
    const PlatformAMStream::StreamRecord& record = *PlatformAMStream::Streams().back();
    EXPECT_FALSE(record.audioAdded);
    EXPECT_EQ(record.audioQueries, 0);
    EXPECT_EQ(player.GetBasicAudio(), nullptr);
    EXPECT_TRUE(player.IsNoSound());
    // The second player always has sound, also for a file without any.
    ASSERT_EQ(GetAVIPlayer1()->Play1("quiet.avi"), S_OK);
    EXPECT_TRUE(PlatformAMStream::Streams().back()->audioAdded);
    EXPECT_NE(GetAVIPlayer1()->GetBasicAudio(), nullptr);
}

TEST_F(VideoPlayer, FailuresReturnTheirResultReportTheirLineAndKeepTheTexture)
{
    CPAVIPlayer& player = *GetAVIPlayer();
    ASSERT_EQ(player.Play("small.avi", false), S_OK);
    IDirect3DTexture9* const texture = player.GetTexture();
    struct Case
    {
        const char* name;
        HRESULT result;
        int line;
    };
    const Case cases[] = {
        { "missing.avi", HRESULT_FILE_NOT_FOUND, 82 },
        { "corrupt.avi", VFW_E_UNKNOWN_FILE_TYPE, 82 },
        { "wider.avi", VFW_E_UNKNOWN_FILE_TYPE, 82 },
        { "huge.avi", D3DERR_INVALIDCALL, 136 },
    };
    for (const Case& c : cases) {
        m_video->log.clear();
        EXPECT_EQ(player.Play(c.name, false), c.result) << c.name;
        EXPECT_TRUE(Reported("Render/PAVIPlayer", c.line)) << c.name;
        EXPECT_EQ(player.GetTexture(), texture) << c.name;
    }
    // Frames wider than any texture are refused from the file's header, and
    // the log says so before the player's own report.
    m_video->log.clear();
    player.Play("wider.avi", false);
    ASSERT_FALSE(m_video->log.empty());
    EXPECT_EQ(m_video->log.front(), "cannot read Data\\Video\\wider.avi: frames of 4097 x 2 pixels (at most 4096 a side)\n");
    m_video->log.clear();
    EXPECT_EQ(GetAVIPlayer1()->Play1("missing.avi"), HRESULT_FILE_NOT_FOUND);
    EXPECT_TRUE(Reported("Render/PAVIPlayer1", 78));
    m_video->log.clear();
    EXPECT_EQ(GetAVIPlayer1()->Play1("huge.avi"), D3DERR_INVALIDCALL);
    EXPECT_TRUE(Reported("Render/PAVIPlayer1", 125));

    // Without the multimedia stream there is nothing to open.
    PlatformAMStream::SetAvailable(false);
    EXPECT_EQ(player.Play("small.avi", false), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(player.GetStream(), nullptr);
    PlatformAMStream::SetAvailable(true);
}

TEST_F(VideoPlayer, TaskPlaysTheFramesToTheEndOrLoopsAndStops)
{
    CPAVIPlayer& first = *GetAVIPlayer();
    CPAVIPlayer& second = *GetAVIPlayer1();
    Run("PlayVideo('small.avi')");
    EXPECT_TRUE(Listed(&first));
    EXPECT_EQ(first.GetOrder(), 400);
    EXPECT_FALSE(first.IsLooping());
    // The first frame shows in the frame that starts the stream; three
    // frames of a tenth of a second each end after 0.3 seconds.
    RunFrame(0.05f);
    EXPECT_EQ(PlatformAMStream::Streams().back()->state, STREAMSTATE_RUN);
    RunFrame(0.1f);
    RunFrame(0.1f);
    EXPECT_FALSE(first.IsPlayFinished());
    RunFrame(0.1f);
    EXPECT_TRUE(first.IsPlayFinished());
    EXPECT_FALSE(Listed(&first));
    EXPECT_EQ(PlatformAMStream::Streams().back()->state, STREAMSTATE_STOP);

    // The flag loops the video; both players run at once; StopVideo stops a
    // running player and does nothing to one that is not running.
    Run("PlayVideo('small.avi', true) PlayVideo1('quiet.avi') StopVideo1() StopVideo1() PlayVideo1('quiet.avi')");
    EXPECT_TRUE(first.IsLooping());
    EXPECT_TRUE(second.IsLooping());
    for (int i = 0; i < 10; ++i)
        RunFrame(0.1f);
    EXPECT_FALSE(first.IsPlayFinished());
    EXPECT_FALSE(second.IsPlayFinished());
    EXPECT_TRUE(Listed(&first) && Listed(&second));
    Run("StopVideo()");
    RunFrame(0.1f);
    EXPECT_FALSE(Listed(&first));
    EXPECT_TRUE(Listed(&second));
    Run("StopVideo() StopVideo1()");
    RunFrame(0.1f);
    EXPECT_FALSE(Listed(&second));

    // A video that does not open stops its task at the first frame.
    Run("PlayVideoNoSound('missing.avi')");
    EXPECT_TRUE(first.IsNoSound());
    RunFrame(0.1f);
    EXPECT_FALSE(Listed(&first));
    EXPECT_TRUE(first.IsPlayFinished());
}

TEST_F(VideoPlayer, FramesAreCopiedIntoTheTextureTheCacheShows)
{
    CPTexture* video = Entry("video");
    CPTexture* video1 = Entry("video1");
    ASSERT_NE(video->GetTexture(), nullptr);
    const PlatformD3D9::ResourceRecord* const before = PlatformD3D9::RecordOf(video->GetTexture());
    ASSERT_NE(before, nullptr);
    CPAVIPlayer& first = *GetAVIPlayer();
    CPAVIPlayer& second = *GetAVIPlayer1();
    g_CfgScreenBPP = 32;

    // Both players at once, each into its own entry; the image the first
    // entry held is released when the player takes the entry over.
    Run("PlayVideo('small.avi') PlayVideo1('quiet.avi')");
    EXPECT_EQ(video->GetTexture(), first.GetTexture());
    EXPECT_EQ(video->GetName(), "VIDEO");
    EXPECT_EQ(video1->GetTexture(), second.GetTexture());
    EXPECT_EQ(video1->GetName(), "VIDEO1");
    EXPECT_TRUE(before->released);

    // The frame's length, then the first player's colour and the second's.
    // The streams start with the first frame; a frame lasts 0.1 s. The first
    // video ends on its last frame, the second (looping) starts again.
    const struct
    {
        float frame;
        uint32_t first;
        uint32_t second;
    } steps[] = { { 0.05f, kRed, kBlue },  { 0.04f, kRed, kBlue },   { 0.07f, kGreen, kRed },
                  { 0.1f, kBlue, kBlue }, { 0.1f, kBlue, kRed }, { 0.1f, kBlue, kBlue } };
    float time = 0.0f;
    for (const auto& step : steps) {
        RunFrame(step.frame);
        time += step.frame;
        EXPECT_EQ(Pixel(first, 0, 0), step.first) << time;
        EXPECT_EQ(Pixel(first, 5, 2), step.first) << time;
        EXPECT_EQ(Pixel(second, 3, 1), step.second) << time;
    }
    // Outside the video the texture stays as it was made.
    EXPECT_EQ(Pixel(first, 6, 0), 0u);
    EXPECT_EQ(Pixel(first, 0, 3), 0u);

    // At 16 bits per pixel the frames are packed as R5G6B5.
    Run("StopVideo() StopVideo1()");
    g_CfgScreenBPP = 16;
    Run("PlayVideo('small.avi')");
    RunFrame(0.15f);
    EXPECT_EQ(Pixel(first, 2, 1), 0xF800u);
    RunFrame(0.1f);
    EXPECT_EQ(Pixel(first, 2, 1), 0x07E0u);

    // A new texture is shown at once; destroyed players leave no texture behind.
    EXPECT_EQ(video->GetTexture(), first.GetTexture());
    DestroyHostVideo();
    EXPECT_EQ(video->GetTexture(), nullptr);
    EXPECT_EQ(video1->GetTexture(), nullptr);
}

TEST_F(VideoPlayer, WithoutItsCacheEntryAPlayerPublishesNothing)
{
    CPTexture* video = Entry("video");
    CPAVIPlayer& second = *GetAVIPlayer1();
    ASSERT_EQ(second.Play1("small.avi"), S_OK);
    EXPECT_NE(video->GetTexture(), second.GetTexture());
    EXPECT_NE(video->GetName(), "VIDEO1");
    bool logged = false;
    for (const std::string& text : m_video->log)
        logged = logged || text.find("video1") != std::string::npos;
    EXPECT_TRUE(logged);
}
