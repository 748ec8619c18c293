#include "Host/PHostMusic.h"
#include "Host/PHostSound.h"

#include "Core/PGlobals.h"
#include "Core/PLog.h"
#include "Core/PTaskManager.h"
#include "Host/PHostFrame.h"
#include "Platform/DSound.h"
#include "Platform/DShow.h"
#include "MediaFixture.h"
#include "ScratchRoot.h"
#include "Sound/NSoundManager.h"
#include "Sound/PSoundCache.h"
#include "Startup/PConfigVars.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
// The host's sound objects over a task manager, with music files on disk.
class HostSound : public ::testing::Test
{
protected:
    void SetUp() override
    {
        PlatformDSound::Reset();
        PlatformDShow::Reset();
        m_savedSound = g_CfgSoundVolume;
        m_savedMusic = g_CfgMusicVolume;
        g_TaskManager = &m_tasks;
        m_root.MakeDirectory("Data/Music");
        ASSERT_TRUE(MediaFixture::WriteMusic(m_root.Host("Data/Music/theme.mp3"), 2.0));
        ASSERT_TRUE(MediaFixture::WriteMusic(m_root.Host("Data/Music/race.mp3"), 2.0));
    }

    void TearDown() override
    {
        DestroyHostSound();
        g_TaskManager = nullptr;
        g_CfgSoundVolume = m_savedSound;
        g_CfgMusicVolume = m_savedMusic;
        SetAllSoundsVolume(0.0f);
        PlatformDSound::Reset();
        PlatformDShow::Reset();
    }

    static const PlatformDShow::GraphRecord& Graph() { return *PlatformDShow::Graphs().back(); }

    bool Listed(const CPTask* task) const
    {
        for (const CPSmartPtr<CPTask>& t : m_tasks.GetTasks())
            if (t.Get() == task)
                return true;
        return false;
    }

    ScratchRoot m_root;
    CPTaskManager m_tasks;
    float m_savedSound = 0.0f;
    float m_savedMusic = 0.0f;
};
}

TEST_F(HostSound, StartUpMakesTheSoundObjectsWithTheConfiguredVolumes)
{
    g_CfgSoundVolume = 0.25f;
    g_CfgMusicVolume = 0.5f;
    ASSERT_TRUE(CreateHostSound(nullptr));
    CNSoundManager* manager = GetSoundManager();
    ASSERT_NE(manager, nullptr);
    ASSERT_NE(manager->GetCache(), nullptr);
    ASSERT_NE(manager->GetListener(), nullptr);
    EXPECT_EQ(g_SoundVolume, 0.25f);
    const PlatformDSound::BufferRecord& primary = *PlatformDSound::Buffers().front();
    EXPECT_TRUE(primary.primary);
    EXPECT_EQ(primary.format.nChannels, g_CfgChannels);
    EXPECT_EQ(primary.format.nSamplesPerSec, static_cast<DWORD>(g_CfgFrequency));

    ASSERT_NE(GetMusic(), nullptr);
    EXPECT_EQ(GetMusic()->GetVolume(), 0.5f);
    EXPECT_TRUE(Listed(GetMusic()));
    EXPECT_TRUE(GetMusic()->IsRunning());

    DestroyHostSound();
    EXPECT_EQ(GetSoundManager(), nullptr);
    EXPECT_EQ(GetMusic(), nullptr);
    EXPECT_TRUE(m_tasks.GetTasks().empty());
    for (const auto& buffer : PlatformDSound::Buffers())
        EXPECT_TRUE(buffer->released);
}

TEST_F(HostSound, MusicTaskRunsLoopsAndStops)
{
    ASSERT_TRUE(CreateHostSound(nullptr));
    CPMusic& music = *GetMusic();

    // A looping file: started, it runs; at its end it is rewound and run again.
    ASSERT_EQ(music.Play("theme.mp3", true), S_OK);
    EXPECT_EQ(Graph().state, State_Stopped);
    music.Start();
    EXPECT_EQ(Graph().state, State_Running);
    RunFrame(0.02f);
    EXPECT_EQ(Graph().runCalls, 1);
    PlatformDShow::EndOfMusic();
    RunFrame(0.02f);
    EXPECT_EQ(Graph().positionsSet, std::vector<REFTIME>({ 0.0 }));
    EXPECT_EQ(Graph().runCalls, 2);
    EXPECT_EQ(Graph().state, State_Running);

    // Stopping the task stops the music; the task stays for the next file.
    music.Stop();
    EXPECT_EQ(Graph().state, State_Stopped);
    RunFrame(0.02f);
    EXPECT_TRUE(Listed(&music));

    // A file played once stops at its end.
    ASSERT_EQ(music.Play("race.mp3", false), S_OK);
    music.Start();
    EXPECT_EQ(Graph().state, State_Running);
    PlatformDShow::EndOfMusic();
    RunFrame(0.02f);
    EXPECT_EQ(Graph().state, State_Stopped);
    EXPECT_TRUE(Graph().positionsSet.empty());
    EXPECT_EQ(Graph().runCalls, 1);
}

TEST_F(HostSound, WithoutTheTaskManagerTheMusicStillPlays)
{
    g_TaskManager = nullptr;
    ASSERT_TRUE(CreateHostSound(nullptr));
    CPMusic& music = *GetMusic();
    ASSERT_EQ(music.Play("theme.mp3", true), S_OK);
    EXPECT_TRUE(music.Start());
    EXPECT_EQ(Graph().state, State_Running);
    music.Update(); // no event yet
    EXPECT_EQ(Graph().runCalls, 1);
}

TEST_F(HostSound, ANewFileRunsFromTheNextFrameAndEndsByTheFrameClock)
{
    ASSERT_TRUE(CreateHostSound(nullptr));
    ASSERT_TRUE(MediaFixture::WriteMusic(m_root.Host("Data/Music/short.mp3"), 0.1));
    CPMusic& music = *GetMusic();

    // Loaded without Start: the task runs it once, then the frames play it
    // to its end, where a looping file starts again.
    ASSERT_EQ(music.Play("short.mp3", true), S_OK);
    RunFrame(0.02f);
    EXPECT_EQ(Graph().state, State_Running);
    EXPECT_EQ(Graph().runCalls, 1);
    RunFrame(0.05f);
    RunFrame(0.05f);
    EXPECT_EQ(Graph().positionsSet, std::vector<REFTIME>({ 0.0 }));
    EXPECT_EQ(Graph().runCalls, 2);

    // A stopped file is not run again; the next file is.
    music.Stop();
    RunFrame(0.02f);
    EXPECT_EQ(Graph().state, State_Stopped);
    ASSERT_EQ(music.Play("short.mp3", false), S_OK);
    RunFrame(0.02f);
    EXPECT_EQ(Graph().state, State_Running);
    RunFrame(0.1f);
    EXPECT_EQ(Graph().state, State_Stopped);
    EXPECT_EQ(Graph().runCalls, 1);
}
