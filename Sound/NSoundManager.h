// The game's one access point to sound: loads sounds by file name through the
// cache, hands out the sounds the host registered under names, places 3D
// sounds and the listener, and sets the sound and music volumes. The host
// creates it with the cache and the listener and publishes it in
// g_SoundManager.
#pragma once

#include "Core/PSmartPtr.h"
#include "Platform/D3DX9Math.h"
#include "Platform/DSound.h"
#include "Sound/NSound.h"

#include <cstdint>
#include <string>
#include <unordered_map>

class CPSoundCache;

class CNSoundManager
{
public:
    // Keeps a reference to the listener (null: the listener calls do nothing).
    CNSoundManager(CPSoundCache* cache, IDirectSound3DListener* listener);
    ~CNSoundManager();
    CNSoundManager(const CNSoundManager&) = delete;
    CNSoundManager& operator=(const CNSoundManager&) = delete;

    // CPSoundCache::Load.
    CPSmartPtr<CNSound> LoadSound(const std::string& name, int32_t is3D, bool reload);
    // The sound registered under the name; an unknown name is remembered
    // with no sound and gives null.
    CPSmartPtr<CNSound> GetSound(const std::string& name);
    // The host registers its named sounds.
    void RegisterSound(const std::string& name, CNSound* sound);

    // Position and velocity of a 3D sound, applied at once; nothing for a
    // null or plain sound.
    static void SetSoundPosition(CPSmartPtr<CNSound> sound, const D3DVECTOR& position, const D3DVECTOR& velocity);
    static void SetSoundDistances(CPSmartPtr<CNSound> sound, float minimum, float maximum);
    void SetListenerOrientation(const D3DVECTOR& front, const D3DVECTOR& top);
    void SetListenerPosition(const D3DVECTOR& position, const D3DVECTOR& velocity);

    // Stores the factor as "soundVolume" and applies it to every sound.
    void SetSoundVolume(float factor);
    // Stores the factor as "musicVolume" and applies it to the music player.
    void SetMusicVolume(float factor);
    // Stops and rewinds every sound in the cache's list, then stops every
    // live sound.
    void StopAllSounds();

    CPSoundCache* GetCache() const { return m_cache; }
    IDirectSound3DListener* GetListener() const { return m_listener; }

private:
    // Reads the listener's parameters, lets `change` edit them and writes
    // them back at once; results are not examined.
    template <class Change>
    void ChangeListener(Change change);

    CPSoundCache* m_cache;
    IDirectSound3DListener* m_listener;
    DS3DLISTENER m_listenerParameters;
    std::unordered_map<std::string, CPSmartPtr<CNSound>> m_sounds;
};
