// What the sound tests share: a scratch game root for WAV files, a fresh
// recording sound device, a clock that stands still until a test moves it,
// the global sound volume back at 0, and the DirectX error reports collected
// from the log. Sounds still listed at the end are destroyed.
#pragma once

#include "Core/PLog.h"
#include "Platform/Clock.h"
#include "Platform/DSound.h"
#include "Platform/DShow.h"
#include "ScratchRoot.h"
#include "Sound/NSound.h"
#include "Startup/PConfigVars.h"
#include "WavBuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class SoundTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        PlatformDSound::Reset();
        PlatformDShow::Reset();
        PlatformClock::SetTime(5000);
        g_SoundVolume = 0.0f;
        m_savedBitrate = g_CfgBitrate;
        m_savedSoundVolume = g_CfgSoundVolume;
        m_savedMusicVolume = g_CfgMusicVolume;
        GetLog().SetSink([this](int32_t, const std::string& text) { m_reports.push_back(text); });
        ASSERT_EQ(DirectSoundCreate8(nullptr, &m_device, nullptr), DS_OK);
    }

    void TearDown() override
    {
        const std::list<CNSound*> left = g_SoundList;
        for (CNSound* sound : left)
            delete sound;
        EXPECT_TRUE(g_SoundList.empty());
        m_device->Release();
        GetLog().SetSink(nullptr);
        g_CfgBitrate = m_savedBitrate;
        g_CfgSoundVolume = m_savedSoundVolume;
        g_CfgMusicVolume = m_savedMusicVolume;
        g_SoundVolume = 0.0f;
        PlatformDSound::Reset();
        PlatformDShow::Reset();
        PlatformClock::UseRealClocks();
    }

    // Writes "Data\Sounds\<name>" and returns its game path.
    std::string WriteSound(const std::string& name, const std::string& bytes)
    {
        m_root.MakeFile("Data/Sounds/" + name, bytes);
        return "Data\\Sounds\\" + name;
    }

    // How many reports name the source file.
    int ReportsFrom(const std::string& source) const
    {
        int count = 0;
        for (const std::string& text : m_reports)
            count += text.find("DXError if " + source + " on line") == 0 ? 1 : 0;
        return count;
    }

    static PlatformDSound::BufferRecord& Record(const CNSound& sound)
    {
        return *PlatformDSound::RecordOf(sound.GetBuffer());
    }

    ScratchRoot m_root;
    IDirectSound8* m_device = nullptr;
    std::vector<std::string> m_reports;
    int32_t m_savedBitrate = 0;
    float m_savedSoundVolume = 0.0f;
    float m_savedMusicVolume = 0.0f;
};
