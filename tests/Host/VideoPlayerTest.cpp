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
#include "Startup/PConfigVars.h"

#include "MediaFixture.h"
#include "ScratchRoot.h"

#include <gtest/gtest.h>

#include <climits>
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
        Write("huge.avi", 4097, 2, { kRed }, false);
        m_root.MakeFile("Data/Video/corrupt.avi", m_root.ReadFile("Data/Video/small.avi").substr(0, 64));
        m_host = std::make_unique<CPGameHost>(m_root.Path());
        GetLog().SetSink([this](int32_t, const std::string& text) { m_log.push_back(text); });
    }

    void TearDown() override
    {
        GetLog().SetSink(nullptr);
        m_host.reset();
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
        EXPECT_TRUE(m_host->RunString(source, "case", error)) << error;
    }

    bool Reported(const std::string& source, int line) const
    {
        const std::string wanted = "DXError if " + source + " on line " + std::to_string(line);
        for (const std::string& text : m_log)
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

    static D3DSURFACE_DESC TextureDesc(const CPAVIPlayer& player)
    {
        D3DSURFACE_DESC description {};
        EXPECT_EQ(player.GetTexture()->GetLevelDesc(0, &description), D3D_OK);
        return description;
    }

    ScratchRoot m_root;
    std::unique_ptr<CPGameHost> m_host;
    std::vector<std::string> m_log;
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
    EXPECT_TRUE(m_log.empty());
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
        { "huge.avi", D3DERR_INVALIDCALL, 136 },
    };
    for (const Case& c : cases) {
        m_log.clear();
        EXPECT_EQ(player.Play(c.name, false), c.result) << c.name;
        EXPECT_TRUE(Reported("Render/PAVIPlayer", c.line)) << c.name;
        EXPECT_EQ(player.GetTexture(), texture) << c.name;
    }
    m_log.clear();
    EXPECT_EQ(GetAVIPlayer1()->Play1("missing.avi"), HRESULT_FILE_NOT_FOUND);
    EXPECT_TRUE(Reported("Render/PAVIPlayer1", 78));
    m_log.clear();
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
