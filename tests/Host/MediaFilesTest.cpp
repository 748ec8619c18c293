// Music and video files as a player may have them (cut short, loosely sized)
// and as a hostile file makes them (claiming far more than it holds), played
// through PlayMusic and PlayVideo: the first play as far as they go, the
// others are refused with one log line before the media libraries allocate
// what they claim.
#include "Core/PGlobals.h"
#include "Host/PHostFrame.h"
#include "Render/PAVIPlayer.h"
#include "Sound/PMusic.h"

#include "AllocationWatch.h"
#include "MediaClaimCases.h"
#include "MediaFixture.h"
#include "ScratchRoot.h"
#include "VideoHost.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace
{
using MediaClaims::Case;
using MediaClaims::Outcome;

class MediaFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_root.MakeDirectory("Data/Music");
        m_root.MakeDirectory("Data/Video");
        MediaFixture::VideoSpec spec;
        spec.width = 6;
        spec.height = 3;
        spec.colours = { 0xFF0000, 0x00FF00, 0x0000FF };
        spec.audio = true;
        ASSERT_TRUE(MediaFixture::WriteVideo(m_root.Host("Data/Video/source.avi"), spec));
        ASSERT_TRUE(MediaFixture::WriteMusic(m_root.Host("Data/Music/source.wav"), 0.5));
        m_cases = MediaClaims::Cases(m_root.ReadFile("Data/Music/source.wav"), m_root.ReadFile("Data/Video/source.avi"));
        for (const Case& c : m_cases)
            m_root.MakeFile(Folder(c) + "/" + c.name, c.bytes);
        m_video = std::make_unique<VideoHost>(m_root.Path());
    }

    void TearDown() override { m_video.reset(); }

    static bool IsVideo(const Case& c) { return c.name.compare(c.name.size() - 4, 4, ".avi") == 0; }

    static std::string Folder(const Case& c) { return IsVideo(c) ? "Data/Video" : "Data/Music"; }

    // The start of every log line about the file's content.
    static std::string ReasonPrefix(const Case& c)
    {
        return "cannot read " + std::string(IsVideo(c) ? "Data\\Video\\" : "Data\\Music\\");
    }

    // Plays the file through its script function; true when it plays.
    bool Play(const Case& c)
    {
        m_video->log.clear();
        std::string error;
        const std::string call = IsVideo(c) ? "PlayVideo('" + c.name + "')" : "PlayMusic('" + c.name + "')";
        EXPECT_TRUE(m_video->host->RunString(call, "case", error)) << error;
        if (!IsVideo(c))
            return GetMusic()->IsLoaded();
        RunFrame(0.05f);
        return !GetAVIPlayer()->IsPlayFinished();
    }

    // The lines the log got about the file's content.
    std::vector<std::string> Reasons(const Case& c) const
    {
        std::vector<std::string> reasons;
        const std::string prefix = ReasonPrefix(c);
        for (const std::string& line : m_video->log)
            if (line.compare(0, prefix.size(), prefix) == 0)
                reasons.push_back(line);
        return reasons;
    }

    ScratchRoot m_root;
    std::unique_ptr<VideoHost> m_video;
    std::vector<Case> m_cases;
};
}

TEST_F(MediaFiles, CutOrLooselySizedFilesPlayAndHostileOnesAreRefusedWithOneLine)
{
    for (const Case& c : m_cases) {
        SCOPED_TRACE(c.name);
        const bool played = Play(c);
        EXPECT_EQ(played, c.outcome == Outcome::Plays);
        const std::vector<std::string> expected = c.outcome == Outcome::Refused
            ? std::vector<std::string> { ReasonPrefix(c) + c.name + ": " + c.reason + "\n" }
            : std::vector<std::string> {};
        EXPECT_EQ(Reasons(c), expected);
    }
}

TEST_F(MediaFiles, FilesThatDoNotPlayAllocateLittle)
{
    if (!AllocationWatch::Watch())
        GTEST_SKIP() << AllocationWatch::kUnwatched;
    for (const Case& c : m_cases) {
        if (c.outcome == Outcome::Plays)
            continue;
        SCOPED_TRACE(c.name);
        AllocationWatch::Watch();
        Play(c);
        AllocationWatch::Stop();
        EXPECT_LT(AllocationWatch::Largest(), size_t { 1 } << 20);
        EXPECT_LT(AllocationWatch::Total(), size_t { 4 } << 20);
    }
}
