// A silent DirectSound 8 device that records what is asked of it. Secondary
// buffers keep their samples in real memory (Lock shows what was written),
// accept frequency and volume in DirectSound's ranges and answer with its
// error codes; 3D buffers and the listener keep their parameter records with
// DirectSound's defaults. Playing moves a play cursor by the multimedia timer
// (timeGetTime), so a sound played once ends when its bytes have played at
// its frequency; tests set and advance that clock. Tests can also make every
// buffer lost, as when another program takes the sound device, and make
// Restore fail for a while.
#pragma once

#include "Platform/ComClasses.h"
#include "Platform/D3DX9Math.h"
#include "Platform/MMIO.h"
#include "Platform/Win32.h"

#include <memory>
#include <vector>

constexpr HRESULT DS_OK = S_OK;
constexpr HRESULT DSERR_INVALIDPARAM = E_INVALIDARG;
constexpr HRESULT DSERR_OUTOFMEMORY = E_OUTOFMEMORY;
constexpr HRESULT DSERR_NOINTERFACE = E_NOINTERFACE;
constexpr HRESULT DSERR_NOAGGREGATION = CLASS_E_NOAGGREGATION;
constexpr HRESULT DSERR_CONTROLUNAVAIL = static_cast<HRESULT>(0x8878001Eu);
constexpr HRESULT DSERR_INVALIDCALL = static_cast<HRESULT>(0x88780032u);
constexpr HRESULT DSERR_PRIOLEVELNEEDED = static_cast<HRESULT>(0x88780046u);
constexpr HRESULT DSERR_BADFORMAT = static_cast<HRESULT>(0x88780064u);
constexpr HRESULT DSERR_BUFFERLOST = static_cast<HRESULT>(0x88780096u);

// Buffer capabilities.
constexpr DWORD DSBCAPS_PRIMARYBUFFER = 0x00000001;
constexpr DWORD DSBCAPS_STATIC = 0x00000002;
constexpr DWORD DSBCAPS_LOCHARDWARE = 0x00000004;
constexpr DWORD DSBCAPS_LOCSOFTWARE = 0x00000008;
constexpr DWORD DSBCAPS_CTRL3D = 0x00000010;
constexpr DWORD DSBCAPS_CTRLFREQUENCY = 0x00000020;
constexpr DWORD DSBCAPS_CTRLPAN = 0x00000040;
constexpr DWORD DSBCAPS_CTRLVOLUME = 0x00000080;
constexpr DWORD DSBCAPS_LOCDEFER = 0x00040000;

constexpr DWORD DSBPLAY_LOOPING = 0x00000001;

constexpr DWORD DSBSTATUS_PLAYING = 0x00000001;
constexpr DWORD DSBSTATUS_BUFFERLOST = 0x00000002;
constexpr DWORD DSBSTATUS_LOOPING = 0x00000004;

constexpr DWORD DSBLOCK_FROMWRITECURSOR = 0x00000001;
constexpr DWORD DSBLOCK_ENTIREBUFFER = 0x00000002;

constexpr DWORD DSBFREQUENCY_ORIGINAL = 0;
constexpr DWORD DSBFREQUENCY_MIN = 100;
constexpr DWORD DSBFREQUENCY_MAX = 200000;
constexpr LONG DSBVOLUME_MIN = -10000;
constexpr LONG DSBVOLUME_MAX = 0;
constexpr DWORD DSBSIZE_MIN = 4;
constexpr DWORD DSBSIZE_MAX = 0x0FFFFFFF;

constexpr DWORD DSSCL_NORMAL = 1;
constexpr DWORD DSSCL_PRIORITY = 2;

// 3D processing modes and when parameter changes take effect.
constexpr DWORD DS3DMODE_NORMAL = 0;
constexpr DWORD DS3DMODE_HEADRELATIVE = 1;
constexpr DWORD DS3DMODE_DISABLE = 2;
constexpr DWORD DS3D_IMMEDIATE = 0;
constexpr DWORD DS3D_DEFERRED = 1;

constexpr float DS3D_DEFAULTMINDISTANCE = 1.0f;
constexpr float DS3D_DEFAULTMAXDISTANCE = 1000000000.0f;
constexpr DWORD DS3D_DEFAULTCONEANGLE = 360;
constexpr float DS3D_MAXROLLOFFFACTOR = 10.0f;
constexpr float DS3D_MAXDOPPLERFACTOR = 10.0f;

// 3D algorithms a buffer can ask for.
extern const GUID DS3DALG_DEFAULT;
extern const GUID DS3DALG_NO_VIRTUALIZATION;
extern const GUID DS3DALG_HRTF_FULL;
extern const GUID DS3DALG_HRTF_LIGHT;

extern const IID IID_IDirectSound8;
extern const IID IID_IDirectSoundBuffer;
extern const IID IID_IDirectSound3DBuffer;
extern const IID IID_IDirectSound3DListener;

struct DSBUFFERDESC
{
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwBufferBytes;
    DWORD dwReserved;
    const WAVEFORMATEX* lpwfxFormat;
    GUID guid3DAlgorithm;
};

struct DS3DBUFFER
{
    DWORD dwSize;
    D3DVECTOR vPosition;
    D3DVECTOR vVelocity;
    DWORD dwInsideConeAngle;
    DWORD dwOutsideConeAngle;
    D3DVECTOR vConeOrientation;
    LONG lConeOutsideVolume;
    float flMinDistance;
    float flMaxDistance;
    DWORD dwMode;
};

struct DS3DLISTENER
{
    DWORD dwSize;
    D3DVECTOR vPosition;
    D3DVECTOR vVelocity;
    D3DVECTOR vOrientFront;
    D3DVECTOR vOrientTop;
    float flDistanceFactor;
    float flRolloffFactor;
    float flDopplerFactor;
};

class IDirectSoundBuffer : public IUnknown
{
public:
    virtual HRESULT GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor) = 0;
    virtual HRESULT GetVolume(LONG* volume) = 0;
    virtual HRESULT GetFrequency(DWORD* frequency) = 0;
    virtual HRESULT GetStatus(DWORD* status) = 0;
    virtual HRESULT Lock(DWORD offset, DWORD bytes, LPVOID* audio1, DWORD* bytes1, LPVOID* audio2, DWORD* bytes2,
                         DWORD flags) = 0;
    virtual HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) = 0;
    virtual HRESULT SetCurrentPosition(DWORD position) = 0;
    virtual HRESULT SetFormat(const WAVEFORMATEX* format) = 0;
    virtual HRESULT SetVolume(LONG volume) = 0;
    virtual HRESULT SetFrequency(DWORD frequency) = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT Unlock(LPVOID audio1, DWORD bytes1, LPVOID audio2, DWORD bytes2) = 0;
    virtual HRESULT Restore() = 0;

protected:
    ~IDirectSoundBuffer() = default;
};
typedef IDirectSoundBuffer* LPDIRECTSOUNDBUFFER;

class IDirectSound3DBuffer : public IUnknown
{
public:
    virtual HRESULT GetAllParameters(DS3DBUFFER* parameters) = 0;
    virtual HRESULT SetAllParameters(const DS3DBUFFER* parameters, DWORD apply) = 0;

protected:
    ~IDirectSound3DBuffer() = default;
};

class IDirectSound3DListener : public IUnknown
{
public:
    virtual HRESULT GetAllParameters(DS3DLISTENER* parameters) = 0;
    virtual HRESULT SetAllParameters(const DS3DLISTENER* parameters, DWORD apply) = 0;

protected:
    ~IDirectSound3DListener() = default;
};

class IDirectSound8 : public IUnknown
{
public:
    virtual HRESULT CreateSoundBuffer(const DSBUFFERDESC* description, LPDIRECTSOUNDBUFFER* buffer, LPUNKNOWN outer) = 0;
    virtual HRESULT SetCooperativeLevel(HWND window, DWORD level) = 0;

protected:
    ~IDirectSound8() = default;
};
typedef IDirectSound8* LPDIRECTSOUND8;

// The default device (`device` null) is the only one.
HRESULT DirectSoundCreate8(const GUID* device, LPDIRECTSOUND8* sound, LPUNKNOWN outer);

namespace PlatformDSound
{
// The byte a buffer's memory holds where nothing was written since it was
// created or restored.
constexpr uint8_t kUnwrittenByte = 0xCD;

// What one buffer was asked and holds; kept after the buffer is released
// (without its sample memory) for as long as its device or a buffer of the
// device is alive.
struct BufferRecord
{
    bool primary = false;
    DWORD flags = 0;
    WAVEFORMATEX format {};
    GUID algorithm {};
    std::vector<uint8_t> memory;
    LONG volume = 0;
    DWORD frequency = 0;
    DWORD playCursor = 0;
    bool playing = false;
    bool looping = false;
    bool lost = false;
    bool released = false;
    int playCalls = 0;
    int restoreCalls = 0;
    DS3DBUFFER parameters3D {};     // a 3D buffer's parameters
    DS3DLISTENER listener {};       // a primary buffer's listener
    int setParameterCalls = 0;      // SetAllParameters calls that were accepted
    DWORD lastApply = DS3D_IMMEDIATE;
    // Play-cursor bookkeeping: the cursor stood at `segmentCursor` bytes at
    // time `segmentStart` and has moved at `frequency` since.
    DWORD segmentStart = 0;
    uint64_t segmentCursor = 0;
};

// Every buffer created since the last Reset, in creation order, less those
// of devices that are gone with all their buffers.
const std::vector<std::shared_ptr<BufferRecord>>& Buffers();
// The record behind an interface of this stand-in; null for null.
BufferRecord* RecordOf(IDirectSoundBuffer* buffer);
BufferRecord* RecordOf(IDirectSound3DBuffer* buffer);
BufferRecord* RecordOf(IDirectSound3DListener* listener);

// Every buffer not yet released is lost and stops playing.
void LoseBuffers();
// The next `count` Restore calls fail with `result` (count -1: every call)
// before Restore succeeds again.
void SetRestoreFailures(int count, HRESULT result = DSERR_BUFFERLOST);
// Forgets the records and the restore failures.
void Reset();
}
