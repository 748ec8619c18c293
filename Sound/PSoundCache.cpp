#include "Sound/PSoundCache.h"

#include "Sound/NSoundManager.h"

namespace
{
const char* const kSoundDirectory = "Data\\Sounds";
// The distances every 3D sound starts with, in world units.
constexpr float kMinDistance = 3.0f;
constexpr float kMaxDistance = 300.0f;
}

CPSoundCache::CPSoundCache(IDirectSound8* device)
    : m_device(device)
{
    if (m_device)
        m_device->AddRef();
}

CPSoundCache::~CPSoundCache()
{
    if (m_device)
        m_device->Release();
}

CPSmartPtr<CNSound> CPSoundCache::Find(const std::string& name) const
{
    for (const CPSoundCacheEntry& entry : m_entries)
        if (entry.name == name)
            return entry.sound;
    return nullptr;
}

CPSmartPtr<CNSound> CPSoundCache::Load(const std::string& name, int32_t is3D, bool reload)
{
    CPSmartPtr<CNSound> found = Find(name);
    if (found && !reload)
        return found;
    found = nullptr; // released; its entry stays

    CNSound* sound = new CNSound(m_device, std::string(kSoundDirectory) + "\\" + name, is3D);
    if (!sound->IsReady()) {
        // Nobody else knows this sound, so it goes now rather than hold its
        // file open for the rest of the game.
        delete sound;
        return nullptr;
    }
    CPSmartPtr<CNSound> made = sound;
    if (is3D == 1)
        CNSoundManager::SetSoundDistances(made, kMinDistance, kMaxDistance);
    return made;
}

void CPSoundCache::AddEntry(const std::string& name, CNSound* sound)
{
    m_entries.push_back({ name, sound });
}
