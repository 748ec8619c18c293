// The sound cache turns a file name under "Data\Sounds" into a ready sound.
// Its entry list ({name, sound}) is filled by the host; Load answers from it
// and otherwise makes a new sound, which it does not add to the list, so each
// such Load makes a sound of its own.
#pragma once

#include "Core/PSmartPtr.h"
#include "Platform/DSound.h"
#include "Sound/NSound.h"

#include <cstdint>
#include <string>
#include <vector>

struct CPSoundCacheEntry
{
    std::string name; // the file name, without the directory
    CNSound* sound;
};

class CPSoundCache
{
public:
    // Keeps a reference to the device that makes the sounds.
    explicit CPSoundCache(IDirectSound8* device);
    ~CPSoundCache();
    CPSoundCache(const CPSoundCache&) = delete;
    CPSoundCache& operator=(const CPSoundCache&) = delete;

    // The sound of the first entry whose name is exactly `name`; null when none.
    CPSmartPtr<CNSound> Find(const std::string& name) const;
    // The listed sound, or (when there is none or `reload` is set) a new sound
    // from "Data\Sounds\" + name; a 3D sound (is3D 1) gets the distances 3 to
    // 300. Null when the file cannot be made into a sound.
    CPSmartPtr<CNSound> Load(const std::string& name, int32_t is3D, bool reload);

    // The host lists the sounds it made under their file names.
    void AddEntry(const std::string& name, CNSound* sound);
    const std::vector<CPSoundCacheEntry>& GetEntries() const { return m_entries; }
    IDirectSound8* GetDevice() const { return m_device; }

private:
    std::vector<CPSoundCacheEntry> m_entries;
    IDirectSound8* m_device;
};
