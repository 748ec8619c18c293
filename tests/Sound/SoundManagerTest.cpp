#include "Sound/NSoundManager.h"

#include "Sound/PMusic.h"
#include "Sound/PSoundCache.h"
#include "MediaFixture.h"
#include "SoundFixture.h"

#include <memory>

namespace
{
// A manager over a cache and a listener from a primary buffer, as the host
// makes them.
class SoundManager : public SoundTest
{
protected:
    void SetUp() override
    {
        SoundTest::SetUp();
        DSBUFFERDESC desc {};
        desc.dwSize = sizeof(desc);
        desc.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D;
        ASSERT_EQ(m_device->CreateSoundBuffer(&desc, &m_primary, nullptr), DS_OK);
        ASSERT_EQ(m_primary->QueryInterface(IID_IDirectSound3DListener, reinterpret_cast<void**>(&m_listener)), S_OK);
        m_cache = std::make_unique<CPSoundCache>(m_device);
        m_manager = std::make_unique<CNSoundManager>(m_cache.get(), m_listener);
        WriteSound("crash.wav", wav::Pcm(1, 22050, 16, wav::Samples(200)));
    }

    void TearDown() override
    {
        m_manager.reset();
        m_cache.reset();
        m_listener->Release();
        m_primary->Release();
        SoundTest::TearDown();
    }

    const DS3DLISTENER& Listener() const { return PlatformDSound::RecordOf(m_listener)->listener; }

    IDirectSoundBuffer* m_primary = nullptr;
    IDirectSound3DListener* m_listener = nullptr;
    std::unique_ptr<CPSoundCache> m_cache;
    std::unique_ptr<CNSoundManager> m_manager;
};

void ExpectVector(const D3DVECTOR& v, float x, float y, float z)
{
    EXPECT_EQ(v.x, x);
    EXPECT_EQ(v.y, y);
    EXPECT_EQ(v.z, z);
}
}

TEST_F(SoundManager, EachLoadOfAnUnlistedNameMakesANewSound)
{
    CPSmartPtr<CNSound> first = m_manager->LoadSound("crash.wav", 1, false);
    CPSmartPtr<CNSound> second = m_manager->LoadSound("crash.wav", 1, false);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first, second);
    EXPECT_EQ(first->GetPath(), "Data\\Sounds\\crash.wav");
    for (CNSound* sound : { first.Get(), second.Get() }) {
        const DS3DBUFFER& p = PlatformDSound::RecordOf(sound->Get3DBuffer())->parameters3D;
        EXPECT_EQ(p.flMinDistance, 3.0f);
        EXPECT_EQ(p.flMaxDistance, 300.0f);
    }
    EXPECT_TRUE(m_cache->GetEntries().empty());

    // A plain sound keeps DirectSound's distances and has no 3D interface.
    CPSmartPtr<CNSound> plain = m_manager->LoadSound("crash.wav", 0, false);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->Get3DBuffer(), nullptr);

    const size_t listed = g_SoundList.size();
    EXPECT_FALSE(m_manager->LoadSound("missing.wav", 1, false));
    EXPECT_EQ(g_SoundList.size(), listed);
}

TEST_F(SoundManager, ListedSoundIsFoundUnlessReloaded)
{
    CNSound* hosted = new CNSound(m_device, "Data\\Sounds\\crash.wav", 0);
    m_cache->AddEntry("other.wav", nullptr);
    m_cache->AddEntry("crash.wav", hosted);
    EXPECT_FALSE(m_cache->Find("CRASH.WAV"));
    EXPECT_FALSE(m_cache->Find("crash.wav "));

    CPSmartPtr<CNSound> found = m_cache->Load("crash.wav", 0, false);
    EXPECT_EQ(found.Get(), hosted);

    CPSmartPtr<CNSound> reloaded = m_cache->Load("crash.wav", 0, true);
    ASSERT_TRUE(reloaded);
    EXPECT_NE(reloaded.Get(), hosted);
    EXPECT_EQ(m_cache->GetEntries()[1].sound, hosted);
    EXPECT_EQ(m_cache->Find("crash.wav").Get(), hosted);
}

TEST_F(SoundManager, NamedSoundsComeFromTheNameMap)
{
    EXPECT_FALSE(m_manager->GetSound("horn"));
    EXPECT_FALSE(m_manager->GetSound("horn"));
    CNSound* horn = new CNSound(m_device, "Data\\Sounds\\crash.wav", 0);
    m_manager->RegisterSound("horn", horn);
    EXPECT_EQ(m_manager->GetSound("horn").Get(), horn);
    EXPECT_FALSE(m_manager->GetSound("Horn"));
}

TEST_F(SoundManager, SoundPlacementWritesThe3DRecordAtOnce)
{
    CPSmartPtr<CNSound> placed = m_manager->LoadSound("crash.wav", 1, false);
    CPSmartPtr<CNSound> plain = m_manager->LoadSound("crash.wav", 0, false);
    PlatformDSound::BufferRecord& record = *PlatformDSound::RecordOf(placed->Get3DBuffer());
    const int calls = record.setParameterCalls;

    CNSoundManager::SetSoundPosition(placed, D3DVECTOR { 1, 2, 3 }, D3DVECTOR { 4, 5, 6 });
    ExpectVector(record.parameters3D.vPosition, 1, 2, 3);
    ExpectVector(record.parameters3D.vVelocity, 4, 5, 6);
    EXPECT_EQ(record.lastApply, DS3D_IMMEDIATE);
    CNSoundManager::SetSoundDistances(placed, 7.0f, 70.0f);
    EXPECT_EQ(record.parameters3D.flMinDistance, 7.0f);
    EXPECT_EQ(record.parameters3D.flMaxDistance, 70.0f);
    ExpectVector(record.parameters3D.vPosition, 1, 2, 3);
    EXPECT_EQ(record.setParameterCalls, calls + 2);

    // Nothing happens for a plain sound or no sound at all.
    CNSoundManager::SetSoundPosition(plain, D3DVECTOR { 1, 1, 1 }, D3DVECTOR {});
    CNSoundManager::SetSoundDistances(nullptr, 1.0f, 2.0f);
    CNSoundManager::SetSoundPosition(nullptr, D3DVECTOR {}, D3DVECTOR {});
    EXPECT_EQ(record.setParameterCalls, calls + 2);
}

TEST_F(SoundManager, ListenerOrientationTakesFrontThenTopAndKeepsTheRest)
{
    DS3DLISTENER start = Listener();
    start.flDistanceFactor = 2.0f;
    start.flRolloffFactor = 3.0f;
    start.flDopplerFactor = 4.0f;
    ASSERT_EQ(m_listener->SetAllParameters(&start, DS3D_IMMEDIATE), DS_OK);
    m_manager->SetListenerPosition(D3DVECTOR { 10, 20, 30 }, D3DVECTOR { 1, 0, 0 });
    m_manager->SetListenerOrientation(D3DVECTOR { 0, 0, 1 }, D3DVECTOR { 0, 1, 0 });
    ExpectVector(Listener().vOrientFront, 0, 0, 1);
    ExpectVector(Listener().vOrientTop, 0, 1, 0);
    ExpectVector(Listener().vPosition, 10, 20, 30);
    ExpectVector(Listener().vVelocity, 1, 0, 0);
    EXPECT_EQ(Listener().flDistanceFactor, 2.0f);
    EXPECT_EQ(Listener().flRolloffFactor, 3.0f);
    EXPECT_EQ(Listener().flDopplerFactor, 4.0f);
    EXPECT_EQ(PlatformDSound::RecordOf(m_listener)->lastApply, DS3D_IMMEDIATE);

    // A race's call: the horizontal front and z up.
    m_manager->SetListenerOrientation(D3DVECTOR { 0.6f, 0.8f, 0 }, D3DVECTOR { 0, 0, 1 });
    ExpectVector(Listener().vOrientFront, 0.6f, 0.8f, 0);
    ExpectVector(Listener().vOrientTop, 0, 0, 1);

    CNSoundManager withoutListener(m_cache.get(), nullptr);
    withoutListener.SetListenerPosition(D3DVECTOR {}, D3DVECTOR {});
}

TEST_F(SoundManager, VolumesAreStoredAndApplied)
{
    CPSmartPtr<CNSound> a = m_manager->LoadSound("crash.wav", 1, false);
    CPSmartPtr<CNSound> b = m_manager->LoadSound("crash.wav", 0, false);
    m_manager->SetSoundVolume(0.5f);
    EXPECT_EQ(g_CfgSoundVolume, 0.5f);
    EXPECT_EQ(PlatformDSound::RecordOf(a->GetBuffer())->volume, -437);
    EXPECT_EQ(PlatformDSound::RecordOf(b->GetBuffer())->volume, -437);

    m_root.MakeDirectory("Data/Music");
    ASSERT_TRUE(MediaFixture::WriteMusic(m_root.Host("Data/Music/theme.mp3"), 1.0));
    CPMusic music;
    g_Music = &music;
    ASSERT_TRUE(SUCCEEDED(music.Play("theme.mp3", true)));
    m_manager->SetMusicVolume(0.25f);
    g_Music = nullptr;
    EXPECT_EQ(g_CfgMusicVolume, 0.25f);
    EXPECT_EQ(music.GetVolume(), 0.25f);
    EXPECT_EQ(PlatformDShow::Graphs().back()->volume, -2214);
    // Without a music player only the stored value changes.
    m_manager->SetMusicVolume(0.75f);
    EXPECT_EQ(g_CfgMusicVolume, 0.75f);
}
