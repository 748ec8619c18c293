#include "Sound/PMusic.h"

#include "MediaFixture.h"
#include "SoundFixture.h"

namespace
{
class Music : public SoundTest
{
protected:
    void SetUp() override
    {
        SoundTest::SetUp();
        m_root.MakeDirectory("Data/Music");
        ASSERT_TRUE(MediaFixture::WriteMusic(m_root.Host("Data/Music/theme.mp3"), 2.0));
        ASSERT_TRUE(MediaFixture::WriteMusic(m_root.Host("Data/Music/race.mp3"), 2.0));
    }

    static const PlatformDShow::GraphRecord& Graph(size_t index) { return *PlatformDShow::Graphs().at(index); }
};
}

TEST_F(Music, PlayOpensTheFileIntoANewGraphAtTheStoredVolume)
{
    CPMusic music;
    EXPECT_EQ(music.GetTypeName(), "CPMusic");
    music.SetVolume(0.5f); // before any file: only stored
    EXPECT_TRUE(PlatformDShow::Graphs().empty());

    EXPECT_EQ(music.Play("theme.mp3", true), S_OK);
    ASSERT_EQ(PlatformDShow::Graphs().size(), 1u);
    EXPECT_EQ(Graph(0).renderedPath, "Data\\Music\\theme.mp3");
    EXPECT_EQ(Graph(0).volumes, std::vector<LONG>({ -437 }));
    EXPECT_EQ(Graph(0).state, State_Stopped); // built, not run
    EXPECT_EQ(Graph(0).references, 5u);
    EXPECT_TRUE(music.IsLoaded());
    EXPECT_TRUE(music.IsLooping());
    EXPECT_EQ(music.GetName(), "theme.mp3");

    const struct
    {
        float factor;
        LONG volume;
    } cases[] = { { 1.0f, 0 }, { 0.5f, -437 }, { 0.0f, -7000 }, { 3.0f, 0 } };
    for (const auto& c : cases) {
        music.SetVolume(c.factor);
        EXPECT_EQ(Graph(0).volume, c.volume) << c.factor;
    }

    // The next file releases the first graph before it builds its own.
    EXPECT_EQ(music.Play("race.mp3", false), S_OK);
    EXPECT_EQ(Graph(0).references, 0u);
    EXPECT_EQ(Graph(0).abortCalls, 1);
    EXPECT_EQ(Graph(1).renderedPath, "Data\\Music\\race.mp3");
    EXPECT_EQ(Graph(1).volume, 0); // the last factor, 3, plays at full volume
    EXPECT_FALSE(music.IsLooping());

    music.ReleaseAll();
    EXPECT_EQ(Graph(1).references, 0u);
    EXPECT_FALSE(music.IsLoaded());
    EXPECT_EQ(music.GetMediaControl(), nullptr);
    const int releases = Graph(1).releaseCalls;
    music.ReleaseAll();
    EXPECT_EQ(Graph(1).releaseCalls, releases);
    EXPECT_EQ(Graph(1).abortCalls, 1);
    EXPECT_EQ(ReportsFrom("Sound/PMusic"), 0);
}

TEST_F(Music, FailuresLeaveTheMusicUnloadedAndSaySo)
{
    CPMusic music;
    EXPECT_EQ(music.Play("missing.mp3", true), HRESULT_FILE_NOT_FOUND);
    EXPECT_FALSE(music.IsLoaded());
    EXPECT_EQ(music.GetName(), "missing.mp3");
    EXPECT_EQ(ReportsFrom("Sound/PMusic"), 1);
    EXPECT_NE(m_reports.back().find("ERROR_FILE_NOT_FOUND"), std::string::npos);

    PlatformDShow::SetAvailable(false);
    EXPECT_EQ(music.Play("theme.mp3", true), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(Graph(0).references, 0u); // the earlier graph is released all the same
    PlatformDShow::SetAvailable(true);

    // A missing interface is reported; what was obtained stays held until
    // the next release.
    PlatformDShow::SetMissingInterface(&IID_IMediaPosition);
    EXPECT_EQ(music.Play("theme.mp3", true), E_NOINTERFACE);
    EXPECT_EQ(ReportsFrom("Sound/PMusic"), 2);
    EXPECT_FALSE(music.IsLoaded());
    EXPECT_EQ(Graph(1).references, 3u);
    EXPECT_EQ(Graph(1).renderCalls, 0);
    music.ReleaseAll();
    EXPECT_EQ(Graph(1).references, 0u);
    PlatformDShow::SetMissingInterface(nullptr);
}

TEST_F(Music, PathTooLongForTheWideBufferIsRefusedBeforeRendering)
{
    CPMusic music;
    const std::string longName(260 - std::string("Data\\Music\\").size(), 'a');
    EXPECT_FALSE(SUCCEEDED(music.Play(longName, false)));
    EXPECT_TRUE(PlatformDShow::Graphs().empty());
    EXPECT_FALSE(music.IsLoaded());
    // One character less fits with its terminating zero.
    ASSERT_TRUE(MediaFixture::WriteMusic(m_root.Host("Data/Music/" + longName.substr(1)), 1.0));
    EXPECT_EQ(music.Play(longName.substr(1), false), S_OK);
}
