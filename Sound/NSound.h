// One sound effect, held whole in a DirectSound secondary buffer that is
// filled once from a WAV file, with a 3D interface when the sound is placed
// in the world. Every ready sound is kept in g_SoundList, so the global sound
// volume reaches all of them and all of them can be stopped at once. Sounds
// are made by the sound cache; a lost buffer is restored and refilled from
// the WAV reader the sound keeps open.
#pragma once

#include "Core/PManagedObject.h"
#include "Platform/DSound.h"
#include "Platform/Win32.h"

#include <cstdint>
#include <list>
#include <memory>
#include <string>

class CPWaveFile;

class CNSound : public CPManagedObject
{
public:
    // `is3D` 1 makes a positioned sound, any other value a plain one. The
    // caller checks IsReady and drops a sound that is not.
    CNSound(IDirectSound8* device, const std::string& path, int32_t is3D);
    ~CNSound() override;

    int32_t GetObjectSize() const override;
    // "CNSound_" and the file path.
    std::string GetTypeName() const override;

    // Plays from the current position (flags: DSBPLAY_LOOPING or 0) at the
    // sound's own frequency; a sound that is playing goes on from where it
    // is. A lost buffer is restored and refilled first. 0 without a buffer.
    HRESULT Play(DWORD priority, DWORD flags);
    HRESULT Stop();
    // Back to the first sample.
    HRESULT Rewind();
    bool IsPlaying();
    // Plays at the sound's own frequency times `factor`, kept within the
    // frequencies DirectSound accepts; the next Play undoes it.
    HRESULT SetFrequencyFactor(float factor);
    // Sets the volume from g_SoundVolume.
    HRESULT ApplyGlobalVolume();
    // Sets the volume from a factor (0 silent, 1 full).
    HRESULT SetVolume(float factor);

    bool IsReady() const { return m_ready != 0; }
    const std::string& GetPath() const { return m_path; }
    DWORD GetBaseFrequency() const { return m_baseFrequency; }
    IDirectSoundBuffer* GetBuffer() const { return m_buffer; }
    // Null for a plain sound.
    IDirectSound3DBuffer* Get3DBuffer() const { return m_buffer3D; }
    // The 3D parameters last written to the 3D buffer.
    DS3DBUFFER& Get3DParameters() { return m_parameters3D; }
    // The frame in which game code last started the sound; -1 until then.
    int32_t GetFrameStamp() const { return m_frameStamp; }
    void SetFrameStamp(int32_t frame) { m_frameStamp = frame; }

    // Fills the buffer from the start of the WAV data. What the reader no
    // longer delivers becomes silence, or, with `repeat`, the data again from
    // its start until the buffer is full. 0 without a buffer.
    HRESULT FillBuffer(IDirectSoundBuffer* buffer, bool repeat);

private:
    // 1 when the buffer was not lost; 0 after restoring it (then `restored`
    // is set), without a buffer, or when restoring failed.
    int32_t RestoreBuffer(IDirectSoundBuffer* buffer, bool* restored);

    IDirectSoundBuffer* m_buffer;
    DWORD m_bufferSize;
    std::unique_ptr<CPWaveFile> m_waveFile;
    int32_t m_is3D;
    DWORD m_baseFrequency;
    std::string m_path;
    BYTE m_ready;
    int32_t m_frameStamp;
    IDirectSound3DBuffer* m_buffer3D;
    DS3DBUFFER m_parameters3D;
};

// Every ready sound, in the order they were made.
extern std::list<CNSound*> g_SoundList;
// The volume factor of every sound; 0 until SetAllSoundsVolume sets it.
extern float g_SoundVolume;

// Stores the factor in g_SoundVolume and applies it to every listed sound.
void SetAllSoundsVolume(float factor);

// DirectSound's volume for a factor, in hundredths of a decibel: the factor
// is kept within 0..1 and (1 - factor)^4 * -7000 is truncated toward zero,
// so 1 gives 0, 0.5 gives -437 and 0 gives -7000.
LONG ToDirectSoundVolume(float factor);
