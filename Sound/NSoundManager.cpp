#include "Sound/NSoundManager.h"

#include "Sound/PMusic.h"
#include "Sound/PSoundCache.h"
#include "Startup/PConfigVars.h"

namespace
{
// Reads the sound's 3D parameters, lets `change` edit them and writes them
// back at once; results are not examined. Plain sounds are left alone.
template <class Change>
void Change3DParameters(CNSound* sound, Change change)
{
    if (!sound || !sound->Get3DBuffer())
        return;
    DS3DBUFFER& parameters = sound->Get3DParameters();
    sound->Get3DBuffer()->GetAllParameters(&parameters);
    change(parameters);
    sound->Get3DBuffer()->SetAllParameters(&parameters, DS3D_IMMEDIATE);
}
}

CNSoundManager::CNSoundManager(CPSoundCache* cache, IDirectSound3DListener* listener)
    : m_cache(cache)
    , m_listener(listener)
    , m_listenerParameters {}
{
    // The listener calls read the parameters into this record first, which
    // needs its size.
    m_listenerParameters.dwSize = sizeof(m_listenerParameters);
    if (m_listener)
        m_listener->AddRef();
}

CNSoundManager::~CNSoundManager()
{
    if (m_listener)
        m_listener->Release();
}

CPSmartPtr<CNSound> CNSoundManager::LoadSound(const std::string& name, int32_t is3D, bool reload)
{
    return m_cache ? m_cache->Load(name, is3D, reload) : CPSmartPtr<CNSound>();
}

CPSmartPtr<CNSound> CNSoundManager::GetSound(const std::string& name)
{
    return m_sounds[name];
}

void CNSoundManager::RegisterSound(const std::string& name, CNSound* sound)
{
    m_sounds[name] = sound;
}

void CNSoundManager::SetSoundPosition(CPSmartPtr<CNSound> sound, const D3DVECTOR& position, const D3DVECTOR& velocity)
{
    Change3DParameters(sound.Get(), [&](DS3DBUFFER& p) {
        p.vPosition = position;
        p.vVelocity = velocity;
    });
}

void CNSoundManager::SetSoundDistances(CPSmartPtr<CNSound> sound, float minimum, float maximum)
{
    Change3DParameters(sound.Get(), [&](DS3DBUFFER& p) {
        p.flMinDistance = minimum;
        p.flMaxDistance = maximum;
    });
}

template <class Change>
void CNSoundManager::ChangeListener(Change change)
{
    if (!m_listener)
        return;
    m_listener->GetAllParameters(&m_listenerParameters);
    change(m_listenerParameters);
    m_listener->SetAllParameters(&m_listenerParameters, DS3D_IMMEDIATE);
}

void CNSoundManager::SetListenerOrientation(const D3DVECTOR& front, const D3DVECTOR& top)
{
    ChangeListener([&](DS3DLISTENER& p) {
        p.vOrientFront = front;
        p.vOrientTop = top;
    });
}

void CNSoundManager::SetListenerPosition(const D3DVECTOR& position, const D3DVECTOR& velocity)
{
    ChangeListener([&](DS3DLISTENER& p) {
        p.vPosition = position;
        p.vVelocity = velocity;
    });
}

void CNSoundManager::SetSoundVolume(float factor)
{
    g_CfgSoundVolume = factor;
    SetAllSoundsVolume(factor);
}

void CNSoundManager::SetMusicVolume(float factor)
{
    g_CfgMusicVolume = factor;
    if (CPMusic* music = GetMusic())
        music->SetVolume(factor);
}

void CNSoundManager::StopAllSounds()
{
    if (m_cache) {
        for (const CPSoundCacheEntry& entry : m_cache->GetEntries()) {
            if (!entry.sound)
                continue;
            entry.sound->Stop();
            entry.sound->Rewind();
        }
    }
    for (CNSound* sound : g_SoundList)
        sound->Stop();
}
