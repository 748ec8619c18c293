// The script functions of sounds, music and options, run through the headless
// host: each case is a Lua chunk (its asserts check the results) and the
// state it must leave behind.
#include "Core/PGlobals.h"
#include "Core/PLog.h"
#include "Core/PTaskManager.h"
#include "Host/PGameHost.h"
#include "Host/PHostFrame.h"
#include "Interface/PActionMap.h"
#include "Platform/Clock.h"
#include "Platform/DSound.h"
#include "Platform/DShow.h"
#include "Sound/NSoundManager.h"
#include "Sound/PSoundCache.h"
#include "Sound/PMusic.h"
#include "Startup/PConfigVars.h"

#include "MediaFixture.h"
#include "ScratchRoot.h"
#include "WavBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace
{
class MediaBindings : public ::testing::Test
{
protected:
    void SetUp() override
    {
        PlatformDSound::Reset();
        PlatformDShow::Reset();
        // Sounds play on a clock that stands still, so none ends by itself.
        PlatformClock::SetTime(1000);
        m_savedSound = g_CfgSoundVolume;
        m_savedMusic = g_CfgMusicVolume;
        m_savedMouse = g_CfgMouse;
        const std::string samples = wav::Samples(16000);
        m_root.MakeFile("Data/Sounds/boom.wav", wav::Pcm(1, 8000, 16, samples));
        m_root.MakeFile("Data/Sounds/engine.wav", wav::Pcm(1, 8000, 16, samples));
        m_root.MakeDirectory("Data/Music");
        ASSERT_TRUE(MediaFixture::WriteMusic(m_root.Host("Data/Music/theme.ogg"), 1.0));
        m_root.MakeFile("Data/Music/broken.ogg", "no music here");
        m_host = std::make_unique<CPGameHost>(m_root.Path());
        CNSoundManager* manager = GetSoundManager();
        ASSERT_NE(manager, nullptr);
        m_boom = manager->LoadSound("boom.wav", 0, false);
        m_engine = manager->LoadSound("engine.wav", 1, false);
        ASSERT_TRUE(m_boom && m_engine);
        manager->RegisterSound("boom", m_boom.Get());
        manager->RegisterSound("engine", m_engine.Get());
    }

    void TearDown() override
    {
        m_boom = nullptr;
        m_engine = nullptr;
        m_host.reset();
        g_CfgSoundVolume = m_savedSound;
        g_CfgMusicVolume = m_savedMusic;
        g_CfgMouse = m_savedMouse;
        SetAllSoundsVolume(0.0f);
        PlatformClock::UseRealClocks();
        PlatformDSound::Reset();
        PlatformDShow::Reset();
    }

    void Run(const std::string& source)
    {
        std::string error;
        EXPECT_TRUE(m_host->RunString("local function eq(a, e, what) if a ~= e then error(what .. ': expected ' .. "
                                      "tostring(e) .. ', got ' .. tostring(a), 2) end end\n"
                                          + source,
                                      "case", error))
            << error;
    }

    static PlatformDSound::BufferRecord& Record(const CPSmartPtr<CNSound>& sound)
    {
        return *PlatformDSound::RecordOf(sound->GetBuffer());
    }

    ScratchRoot m_root;
    std::unique_ptr<CPGameHost> m_host;
    CPSmartPtr<CNSound> m_boom;
    CPSmartPtr<CNSound> m_engine;
    float m_savedSound = 0.0f;
    float m_savedMusic = 0.0f;
    float m_savedMouse = 0.0f;
};
}

TEST_F(MediaBindings, SpecialSoundsPlayOnceStopAndSayWhetherTheyPlay)
{
    Run("eq(IsSpecialSoundPlaying('boom'), false, 'idle')\n"
        "PlaySpecialSound('boom')\n"
        "eq(IsSpecialSoundPlaying('boom'), true, 'playing')\n");
    EXPECT_FALSE(Record(m_boom).looping);
    EXPECT_EQ(Record(m_boom).playCalls, 1);

    // Played again while playing: stopped, rewound and started once more.
    PlatformClock::Advance(100);
    Run("PlaySpecialSound('boom')");
    EXPECT_EQ(Record(m_boom).playCalls, 2);
    EXPECT_EQ(Record(m_boom).playCursor, 0u);

    Run("StopSpecialSound('boom')\n"
        "eq(IsSpecialSoundPlaying('boom'), false, 'stopped')\n"
        // Names no sound carries do nothing.
        "PlaySpecialSound('nothing') StopSpecialSound('nothing')\n"
        "eq(IsSpecialSoundPlaying('nothing'), false, 'unknown')\n"
        "eq(pcall(PlaySpecialSound, {}), false, 'the name is checked')\n");
    EXPECT_FALSE(Record(m_boom).playing);
}

TEST_F(MediaBindings, PlaySpecialSound3DLoopsAndKeepsOnlyForBooleans)
{
    struct Case
    {
        const char* call;
        bool result;
        bool looping;
        int playCalls; // in total so far
    };
    const Case cases[] = {
        { "PlaySpecialSound3D('engine', 1, 2, 3, 1)", true, false, 1 },
        { "PlaySpecialSound3D('engine', 4, 5, 6, true, true)", false, false, 1 },
        { "PlaySpecialSound3D('engine', 7, 8, 9, true, 1)", true, true, 2 },
        { "PlaySpecialSound3D('engine', 7, 8, 9, false, false)", true, false, 3 },
        { "PlaySpecialSound3D('nothing', 1, 2, 3)", true, false, 3 },
    };
    float x = 0.0f;
    for (const Case& c : cases) {
        Run(std::string("eq(") + c.call + ", " + (c.result ? "true" : "false") + ", [[" + c.call + "]])");
        EXPECT_TRUE(Record(m_engine).playing) << c.call;
        EXPECT_EQ(Record(m_engine).looping, c.looping) << c.call;
        EXPECT_EQ(Record(m_engine).playCalls, c.playCalls) << c.call;
        if (std::string(c.call).find("'engine'") != std::string::npos)
            x = Record(m_engine).parameters3D.vPosition.x;
    }
    // A kept sound still moved to its new place.
    EXPECT_EQ(x, 7.0f);
    EXPECT_EQ(Record(m_engine).parameters3D.vVelocity.x, 0.0f);
}

TEST_F(MediaBindings, UpdateSoundPositionTakesTheVelocityOnlyWhenAllThreeAreNumbers)
{
    Run("UpdateSoundPosition('engine', 1, 2, 3, 4, 5, 6)");
    EXPECT_EQ(Record(m_engine).parameters3D.vPosition.z, 3.0f);
    EXPECT_EQ(Record(m_engine).parameters3D.vVelocity.y, 5.0f);
    Run("UpdateSoundPosition('engine', 7, 8, 9, 4, 5)");
    EXPECT_EQ(Record(m_engine).parameters3D.vPosition.x, 7.0f);
    EXPECT_EQ(Record(m_engine).parameters3D.vVelocity.x, 0.0f);
    EXPECT_EQ(Record(m_engine).parameters3D.vVelocity.y, 0.0f);
    // A sound nobody registered is not an error.
    Run("UpdateSoundPosition('nothing', 1, 2, 3)");
}

TEST_F(MediaBindings, StopSoundsStopsAndRewindsTheCachedSoundsAndStopsEveryOther)
{
    CNSoundManager* manager = GetSoundManager();
    manager->GetCache()->AddEntry("boom.wav", m_boom.Get());
    Run("PlaySpecialSound('boom') PlaySpecialSound3D('engine', 0, 0, 0, true)");
    PlatformClock::Advance(200);
    Run("StopSounds()");
    EXPECT_FALSE(Record(m_boom).playing);
    EXPECT_FALSE(Record(m_engine).playing);
    // Only the cached sound is rewound.
    EXPECT_EQ(Record(m_boom).playCursor, 0u);
    EXPECT_GT(Record(m_engine).playCursor, 0u);
}

TEST_F(MediaBindings, MusicPlaysLoopedFromTheNextFrameOrAtOnceAndStops)
{
    const auto& graphs = PlatformDShow::Graphs();
    Run("PlayMusic('theme.ogg') eq(GetMusicName(), 'theme.ogg', 'name')");
    ASSERT_EQ(graphs.size(), 1u);
    EXPECT_EQ(graphs.back()->state, State_Stopped);
    EXPECT_TRUE(GetMusic()->IsLooping());
    RunFrame(0.02f);
    EXPECT_EQ(graphs.back()->state, State_Running);

    Run("StopMusic()");
    EXPECT_EQ(graphs.back()->state, State_Stopped);
    Run("PlayMusicNoLoop('theme.ogg')");
    EXPECT_EQ(graphs.back()->state, State_Running);
    EXPECT_FALSE(GetMusic()->IsLooping());
    Run("StopPlayingMusic()");
    EXPECT_EQ(graphs.back()->state, State_Stopped);

    // A file that does not decode loads nothing; the name is kept as given.
    Run("PlayMusic('broken.ogg') eq(GetMusicName(), 'broken.ogg', 'name kept')");
    EXPECT_FALSE(GetMusic()->IsLoaded());
    EXPECT_TRUE(FAILED(graphs.back()->renderResult));

    // Nor does one whose header claims more than a player takes; the log
    // says why, once.
    m_root.MakeFile("Data/Music/fast.wav", wav::Pcm(1, 1500000000, 16, wav::Samples(58)));
    std::vector<std::string> log;
    GetLog().SetSink([&log](int32_t, const std::string& text) { log.push_back(text); });
    Run("PlayMusic('fast.wav')");
    GetLog().SetSink(nullptr);
    EXPECT_FALSE(GetMusic()->IsLoaded());
    EXPECT_EQ(graphs.back()->renderResult, VFW_E_UNKNOWN_FILE_TYPE);
    const std::string reason = "cannot read Data\\Music\\fast.wav: a sample rate of 1500000000 Hz (at most 384000)\n";
    EXPECT_EQ(std::count(log.begin(), log.end(), reason), 1) << (log.empty() ? "" : log.front());
}

TEST_F(MediaBindings, MusicStillPlaysAfterKillAllTasksButStoppedMusicStaysStopped)
{
    const auto& graphs = PlatformDShow::Graphs();
    auto listed = [] {
        for (const CPSmartPtr<CPTask>& task : GetTaskManager()->GetTasks())
            if (task.Get() == GetMusic())
                return true;
        return false;
    };
    // Music loaded after every task was killed runs from the next frame.
    Run("KillAllTasks()");
    RunFrame(0.02f);
    EXPECT_FALSE(listed());
    Run("PlayMusic('theme.ogg')");
    RunFrame(0.02f);
    ASSERT_EQ(graphs.size(), 1u);
    EXPECT_EQ(graphs.back()->state, State_Running);
    EXPECT_TRUE(listed());

    // Playing music goes on being looked after; stopped music stays stopped.
    Run("KillAllTasks()");
    RunFrame(0.02f);
    EXPECT_TRUE(listed());
    Run("StopMusic() KillAllTasks()");
    RunFrame(0.02f);
    RunFrame(0.02f);
    EXPECT_FALSE(listed());
    EXPECT_EQ(graphs.back()->state, State_Stopped);
}

TEST_F(MediaBindings, VolumesAndMouseAreConfigurationValues)
{
    Run("PlaySpecialSound('boom')\n"
        "SetSoundVolume(0.25) eq(GetSoundVolume(), 0.25, 'sound volume')\n"
        "SetMusicVolume(0.75) eq(GetMusicVolume(), 0.75, 'music volume')\n"
        "SetMouse(3) eq(GetMouse(), 3, 'mouse')\n");
    EXPECT_EQ(g_CfgSoundVolume, 0.25f);
    EXPECT_EQ(g_SoundVolume, 0.25f);
    EXPECT_EQ(Record(m_boom).volume, ToDirectSoundVolume(0.25f)); // a playing sound follows at once
    EXPECT_EQ(g_CfgMusicVolume, 0.75f);
    EXPECT_EQ(GetMusic()->GetVolume(), 0.75f);
    EXPECT_EQ(g_CfgMouse, 3.0f);
    EXPECT_FALSE(std::filesystem::exists(m_root.Host("config.cfg")));
}

TEST_F(MediaBindings, KeyAssignmentsLoadListEditSaveAndReload)
{
    m_root.MakeFile("Keys.cfg", "fire;Fire;Space;false\n"
                                "jump;Jump;Enter;false\n"
                                "left;Left;A;false\n"
                                "pad;Pad button;7;true\n"
                                "right;Right;D;false\n");
    Run("LoadActions('Keys.cfg')\n"
        "local n, keys, labels = GetActionNames()\n"
        "eq(n, 5, 'count') eq(#keys, 5, 'keys') eq(#labels, 5, 'labels')\n"
        "local want = { {'Space', 'Fire'}, {'Enter', 'Jump'}, {'A', 'Left'}, {'7', 'Pad button'}, {'D', 'Right'} }\n"
        "for i, w in ipairs(want) do eq(keys[i], w[1], 'key ' .. i) eq(labels[i], w[2], 'label ' .. i) end\n"
        // Rebinding by label frees the key from its holder.
        "SetAction('Jump', 'Space', true)\n"
        "n, keys, labels = GetActionNames()\n"
        "eq(keys[1], 'undefined key', 'freed') eq(keys[2], 'Space', 'rebound')\n"
        "SetAssignKey()\n"
        "SaveLog('anything')\n");
    EXPECT_TRUE(GetActionMap()->assignMode);
    EXPECT_FALSE(std::filesystem::exists(m_root.Host("Actions.cfg")));
    Run("SaveActions()");
    EXPECT_NE(m_root.ReadFile("Actions.cfg").find("jump;Jump;Space;false"), std::string::npos);
    // Update saves and reloads, so the key slots follow the edit.
    Run("SetAction('Left', 'Enter', false) UpdateActions()");
    EXPECT_NE(m_root.ReadFile("Actions.cfg").find("left;Left;Enter;false"), std::string::npos);
    EXPECT_EQ(GetActionMap()->actions.at("left").keyName, "Enter");
}
