#include "Platform/DSound.h"

#include "Platform/Clock.h"
#include "Platform/ComObject.h"

#include <algorithm>
#include <cmath>
#include <new>

const GUID DS3DALG_DEFAULT = GUID_NULL;
const GUID DS3DALG_NO_VIRTUALIZATION = { 0x7a1c0101, 0x5e17, 0x4c0e, { 0x90, 0x01, 0x56, 0x65, 0x6c, 0x74, 0x01, 0x01 } };
const GUID DS3DALG_HRTF_FULL = { 0x7a1c0102, 0x5e17, 0x4c0e, { 0x90, 0x01, 0x56, 0x65, 0x6c, 0x74, 0x01, 0x02 } };
const GUID DS3DALG_HRTF_LIGHT = { 0x7a1c0103, 0x5e17, 0x4c0e, { 0x90, 0x01, 0x56, 0x65, 0x6c, 0x74, 0x01, 0x03 } };

const IID IID_IDirectSound8 = { 0x7a1c0111, 0x5e17, 0x4c0e, { 0x90, 0x01, 0x56, 0x65, 0x6c, 0x74, 0x01, 0x11 } };
const IID IID_IDirectSoundBuffer = { 0x7a1c0112, 0x5e17, 0x4c0e, { 0x90, 0x01, 0x56, 0x65, 0x6c, 0x74, 0x01, 0x12 } };
const IID IID_IDirectSound3DBuffer = { 0x7a1c0113, 0x5e17, 0x4c0e, { 0x90, 0x01, 0x56, 0x65, 0x6c, 0x74, 0x01, 0x13 } };
const IID IID_IDirectSound3DListener = { 0x7a1c0114, 0x5e17, 0x4c0e, { 0x90, 0x01, 0x56, 0x65, 0x6c, 0x74, 0x01, 0x14 } };

namespace
{
using PlatformDSound::BufferRecord;

struct StandInState
{
    std::vector<std::shared_ptr<BufferRecord>> buffers;
    int restoreFailures = 0;
    HRESULT restoreResult = DSERR_BUFFERLOST;
};

StandInState& State()
{
    static StandInState state;
    return state;
}

// What the buffers of one device share with it. Their records are listed
// until the device and every buffer made on it are gone.
struct DeviceState
{
    DeviceState() = default;
    DeviceState(const DeviceState&) = delete;
    DeviceState& operator=(const DeviceState&) = delete;
    ~DeviceState()
    {
        auto& listed = State().buffers;
        for (const auto& record : records)
            listed.erase(std::remove(listed.begin(), listed.end(), record), listed.end());
    }

    DWORD cooperativeLevel = 0;
    std::vector<std::shared_ptr<BufferRecord>> records;
};

DS3DBUFFER Default3DBuffer()
{
    DS3DBUFFER p {};
    p.dwSize = sizeof(DS3DBUFFER);
    p.dwInsideConeAngle = DS3D_DEFAULTCONEANGLE;
    p.dwOutsideConeAngle = DS3D_DEFAULTCONEANGLE;
    p.vConeOrientation = { 0.0f, 0.0f, 1.0f };
    p.flMinDistance = DS3D_DEFAULTMINDISTANCE;
    p.flMaxDistance = DS3D_DEFAULTMAXDISTANCE;
    p.dwMode = DS3DMODE_NORMAL;
    return p;
}

DS3DLISTENER DefaultListener()
{
    DS3DLISTENER p {};
    p.dwSize = sizeof(DS3DLISTENER);
    p.vOrientFront = { 0.0f, 0.0f, 1.0f };
    p.vOrientTop = { 0.0f, 1.0f, 0.0f };
    p.flDistanceFactor = 1.0f;
    p.flRolloffFactor = 1.0f;
    p.flDopplerFactor = 1.0f;
    return p;
}

bool IsFinite(const D3DVECTOR& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool Valid3DBuffer(const DS3DBUFFER& p)
{
    return p.dwSize == sizeof(DS3DBUFFER) && IsFinite(p.vPosition) && IsFinite(p.vVelocity)
        && IsFinite(p.vConeOrientation) && p.dwInsideConeAngle <= 360 && p.dwOutsideConeAngle <= 360
        && p.lConeOutsideVolume >= DSBVOLUME_MIN && p.lConeOutsideVolume <= DSBVOLUME_MAX
        && std::isfinite(p.flMinDistance) && p.flMinDistance > 0.0f && std::isfinite(p.flMaxDistance)
        && p.flMaxDistance > 0.0f && p.dwMode <= DS3DMODE_DISABLE;
}

bool ValidListener(const DS3DLISTENER& p)
{
    return p.dwSize == sizeof(DS3DLISTENER) && IsFinite(p.vPosition) && IsFinite(p.vVelocity)
        && IsFinite(p.vOrientFront) && IsFinite(p.vOrientTop) && std::isfinite(p.flDistanceFactor)
        && p.flDistanceFactor > 0.0f && p.flRolloffFactor >= 0.0f && p.flRolloffFactor <= DS3D_MAXROLLOFFFACTOR
        && p.flDopplerFactor >= 0.0f && p.flDopplerFactor <= DS3D_MAXDOPPLERFACTOR;
}

// The sample formats a secondary buffer takes: 8- or 16-bit PCM, mono or
// stereo, at a rate inside the frequency range.
bool PlayableFormat(const WAVEFORMATEX& f)
{
    return f.wFormatTag == WAVE_FORMAT_PCM && (f.nChannels == 1 || f.nChannels == 2)
        && (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) && f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8
        && f.nSamplesPerSec >= DSBFREQUENCY_MIN && f.nSamplesPerSec <= DSBFREQUENCY_MAX;
}

bool KnownAlgorithm(const GUID& g)
{
    return g == DS3DALG_DEFAULT || g == DS3DALG_NO_VIRTUALIZATION || g == DS3DALG_HRTF_FULL || g == DS3DALG_HRTF_LIGHT;
}

// One buffer object: a secondary buffer (with its 3D interface when it has
// CTRL3D) or the primary buffer (with the listener).
class Buffer final
    : public ComObject<Buffer, IDirectSoundBuffer, IDirectSound3DBuffer, IDirectSound3DListener>
{
public:
    Buffer(std::shared_ptr<BufferRecord> record, std::shared_ptr<DeviceState> device)
        : m_record(std::move(record))
        , m_device(std::move(device))
    {
    }
    ~Buffer()
    {
        m_record->released = true;
        m_record->playing = false;
        std::vector<uint8_t>().swap(m_record->memory);
    }

    BufferRecord& Record() { return *m_record; }

    void* FindInterface(REFIID iid)
    {
        const bool has3D = (m_record->flags & DSBCAPS_CTRL3D) != 0;
        if (iid == IID_IUnknown || iid == IID_IDirectSoundBuffer)
            return static_cast<IDirectSoundBuffer*>(this);
        if (iid == IID_IDirectSound3DBuffer && has3D && !m_record->primary)
            return static_cast<IDirectSound3DBuffer*>(this);
        if (iid == IID_IDirectSound3DListener && has3D && m_record->primary)
            return static_cast<IDirectSound3DListener*>(this);
        return nullptr;
    }

    HRESULT GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor) override
    {
        if (m_record->primary)
            return DSERR_INVALIDCALL;
        Advance();
        if (playCursor)
            *playCursor = m_record->playCursor;
        if (writeCursor)
            *writeCursor = m_record->playCursor;
        return DS_OK;
    }

    HRESULT GetVolume(LONG* volume) override
    {
        if (!volume)
            return DSERR_INVALIDPARAM;
        if (!(m_record->flags & DSBCAPS_CTRLVOLUME))
            return DSERR_CONTROLUNAVAIL;
        *volume = m_record->volume;
        return DS_OK;
    }

    HRESULT GetFrequency(DWORD* frequency) override
    {
        if (!frequency)
            return DSERR_INVALIDPARAM;
        if (!(m_record->flags & DSBCAPS_CTRLFREQUENCY))
            return DSERR_CONTROLUNAVAIL;
        *frequency = m_record->frequency;
        return DS_OK;
    }

    HRESULT GetStatus(DWORD* status) override
    {
        if (!status)
            return DSERR_INVALIDPARAM;
        Advance();
        *status = (m_record->playing ? DSBSTATUS_PLAYING : 0) | (m_record->playing && m_record->looping ? DSBSTATUS_LOOPING : 0)
            | (m_record->lost ? DSBSTATUS_BUFFERLOST : 0);
        return DS_OK;
    }

    HRESULT Lock(DWORD offset, DWORD bytes, LPVOID* audio1, DWORD* bytes1, LPVOID* audio2, DWORD* bytes2, DWORD flags) override
    {
        if (m_record->primary)
            return DSERR_INVALIDCALL;
        if (!audio1 || !bytes1)
            return DSERR_INVALIDPARAM;
        *audio1 = nullptr;
        *bytes1 = 0;
        if (audio2)
            *audio2 = nullptr;
        if (bytes2)
            *bytes2 = 0;
        if (m_record->lost)
            return DSERR_BUFFERLOST;
        const DWORD size = static_cast<DWORD>(m_record->memory.size());
        if (flags & DSBLOCK_FROMWRITECURSOR) {
            Advance();
            offset = m_record->playCursor;
        }
        if (flags & DSBLOCK_ENTIREBUFFER)
            bytes = size;
        if (offset >= size || bytes == 0 || bytes > size)
            return DSERR_INVALIDPARAM;
        uint8_t* memory = m_record->memory.data();
        *audio1 = memory + offset;
        *bytes1 = std::min(bytes, size - offset);
        if (bytes > *bytes1 && audio2 && bytes2) {
            *audio2 = memory;
            *bytes2 = bytes - *bytes1;
        }
        m_locks.push_back({ *audio1, *bytes1, audio2 ? *audio2 : nullptr, bytes2 ? *bytes2 : 0 });
        return DS_OK;
    }

    HRESULT Unlock(LPVOID audio1, DWORD bytes1, LPVOID audio2, DWORD bytes2) override
    {
        // The caller hands back the regions it was given and may report
        // fewer bytes written than they hold.
        for (auto it = m_locks.begin(); it != m_locks.end(); ++it) {
            const bool first = it->audio1 == audio1 && bytes1 <= it->bytes1;
            const bool second = bytes2 == 0 || (it->audio2 == audio2 && bytes2 <= it->bytes2);
            if (first && second) {
                m_locks.erase(it);
                return DS_OK;
            }
        }
        return DSERR_INVALIDPARAM;
    }

    HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) override
    {
        if (m_record->primary)
            return DSERR_INVALIDCALL;
        if (reserved != 0 || (priority != 0 && !(m_record->flags & DSBCAPS_LOCDEFER)))
            return DSERR_INVALIDPARAM;
        if (m_record->lost)
            return DSERR_BUFFERLOST;
        ++m_record->playCalls;
        Advance();
        m_record->looping = (flags & DSBPLAY_LOOPING) != 0;
        if (!m_record->playing) {
            m_record->playing = true;
            StartSegment();
        }
        return DS_OK;
    }

    HRESULT SetCurrentPosition(DWORD position) override
    {
        if (m_record->primary)
            return DSERR_INVALIDCALL;
        if (position >= m_record->memory.size())
            return DSERR_INVALIDPARAM;
        Advance();
        m_record->playCursor = position;
        StartSegment();
        return DS_OK;
    }

    HRESULT SetFormat(const WAVEFORMATEX* format) override
    {
        if (!m_record->primary)
            return DSERR_INVALIDCALL;
        if (!format)
            return DSERR_INVALIDPARAM;
        if (m_device->cooperativeLevel < DSSCL_PRIORITY)
            return DSERR_PRIOLEVELNEEDED;
        if (!PlayableFormat(*format))
            return DSERR_BADFORMAT;
        m_record->format = *format;
        m_record->format.cbSize = 0;
        return DS_OK;
    }

    HRESULT SetVolume(LONG volume) override
    {
        if (!(m_record->flags & DSBCAPS_CTRLVOLUME))
            return DSERR_CONTROLUNAVAIL;
        if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX)
            return DSERR_INVALIDPARAM;
        m_record->volume = volume;
        return DS_OK;
    }

    HRESULT SetFrequency(DWORD frequency) override
    {
        if (!(m_record->flags & DSBCAPS_CTRLFREQUENCY) || m_record->primary)
            return DSERR_CONTROLUNAVAIL;
        if (frequency == DSBFREQUENCY_ORIGINAL)
            frequency = m_record->format.nSamplesPerSec;
        if (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX)
            return DSERR_INVALIDPARAM;
        Advance();
        m_record->frequency = frequency;
        StartSegment();
        return DS_OK;
    }

    HRESULT Stop() override
    {
        if (m_record->primary)
            return DS_OK;
        Advance();
        m_record->playing = false;
        return DS_OK;
    }

    HRESULT Restore() override
    {
        if (m_record->primary)
            return DS_OK;
        ++m_record->restoreCalls;
        if (!m_record->lost)
            return DS_OK;
        StandInState& state = State();
        if (state.restoreFailures != 0) {
            if (state.restoreFailures > 0)
                --state.restoreFailures;
            return state.restoreResult;
        }
        // A restored buffer has its memory back, but not its samples.
        m_record->lost = false;
        m_record->playCursor = 0;
        std::fill(m_record->memory.begin(), m_record->memory.end(), PlatformDSound::kUnwrittenByte);
        m_locks.clear();
        return DS_OK;
    }

    HRESULT GetAllParameters(DS3DBUFFER* parameters) override { return GetParameters(m_record->parameters3D, parameters); }

    HRESULT SetAllParameters(const DS3DBUFFER* parameters, DWORD apply) override
    {
        return SetParameters(m_record->parameters3D, parameters, apply, Valid3DBuffer);
    }

    HRESULT GetAllParameters(DS3DLISTENER* parameters) override { return GetParameters(m_record->listener, parameters); }

    HRESULT SetAllParameters(const DS3DLISTENER* parameters, DWORD apply) override
    {
        return SetParameters(m_record->listener, parameters, apply, ValidListener);
    }

private:
    struct ActiveLock
    {
        void* audio1;
        DWORD bytes1;
        void* audio2;
        DWORD bytes2;
    };

    // A parameter record is read only into a record whose size field says
    // it is one.
    template <class Parameters>
    static HRESULT GetParameters(const Parameters& stored, Parameters* out)
    {
        if (!out || out->dwSize != sizeof(Parameters))
            return DSERR_INVALIDPARAM;
        *out = stored;
        return DS_OK;
    }

    template <class Parameters>
    HRESULT SetParameters(Parameters& stored, const Parameters* in, DWORD apply, bool (*valid)(const Parameters&))
    {
        if (!in || !valid(*in) || apply > DS3D_DEFERRED)
            return DSERR_INVALIDPARAM;
        stored = *in;
        m_record->lastApply = apply;
        ++m_record->setParameterCalls;
        return DS_OK;
    }

    void StartSegment()
    {
        m_record->segmentStart = timeGetTime();
        m_record->segmentCursor = m_record->playCursor;
    }

    // Moves the play cursor by the time that passed; a sound played once
    // stops at its end and its cursor goes back to the start.
    void Advance()
    {
        BufferRecord& r = *m_record;
        if (!r.playing || r.memory.empty())
            return;
        const uint64_t elapsed = static_cast<DWORD>(timeGetTime() - r.segmentStart);
        const uint64_t align = std::max<uint64_t>(r.format.nBlockAlign, 1);
        const uint64_t moved = elapsed * r.frequency / 1000 * align;
        const uint64_t cursor = r.segmentCursor + moved;
        const uint64_t size = r.memory.size();
        if (cursor < size) {
            r.playCursor = static_cast<DWORD>(cursor);
        } else if (r.looping) {
            r.playCursor = static_cast<DWORD>(cursor % size);
        } else {
            r.playCursor = 0;
            r.playing = false;
        }
        if (r.playing && cursor >= size) {
            // Keep the segment short so the arithmetic never grows large.
            StartSegment();
        }
    }

    std::shared_ptr<BufferRecord> m_record;
    std::shared_ptr<DeviceState> m_device;
    std::vector<ActiveLock> m_locks;
};

class Device final : public ComObject<Device, IDirectSound8>
{
public:
    void* FindInterface(REFIID iid)
    {
        return iid == IID_IUnknown || iid == IID_IDirectSound8 ? static_cast<IDirectSound8*>(this) : nullptr;
    }

    HRESULT CreateSoundBuffer(const DSBUFFERDESC* description, LPDIRECTSOUNDBUFFER* buffer, LPUNKNOWN outer) override
    {
        if (!buffer)
            return DSERR_INVALIDPARAM;
        *buffer = nullptr;
        if (outer)
            return DSERR_NOAGGREGATION;
        if (!description || description->dwSize != sizeof(DSBUFFERDESC))
            return DSERR_INVALIDPARAM;
        const DSBUFFERDESC& d = *description;
        const bool has3D = (d.dwFlags & DSBCAPS_CTRL3D) != 0;
        if (has3D && (d.dwFlags & DSBCAPS_CTRLPAN))
            return DSERR_INVALIDPARAM;
        if (!KnownAlgorithm(d.guid3DAlgorithm) || (!has3D && d.guid3DAlgorithm != DS3DALG_DEFAULT))
            return DSERR_INVALIDPARAM;

        auto record = std::make_shared<BufferRecord>();
        record->flags = d.dwFlags;
        record->algorithm = d.guid3DAlgorithm;
        if (d.dwFlags & DSBCAPS_PRIMARYBUFFER) {
            if (d.dwBufferBytes != 0 || d.lpwfxFormat || (d.dwFlags & DSBCAPS_CTRLFREQUENCY))
                return DSERR_INVALIDPARAM;
            record->primary = true;
            record->listener = DefaultListener();
        } else {
            if (!d.lpwfxFormat || d.dwBufferBytes < DSBSIZE_MIN || d.dwBufferBytes > DSBSIZE_MAX)
                return DSERR_INVALIDPARAM;
            if (!PlayableFormat(*d.lpwfxFormat))
                return DSERR_BADFORMAT;
            if (has3D && d.lpwfxFormat->nChannels != 1)
                return DSERR_INVALIDPARAM;
            record->format = *d.lpwfxFormat;
            record->format.cbSize = 0;
            record->frequency = record->format.nSamplesPerSec;
            record->parameters3D = Default3DBuffer();
            try {
                record->memory.assign(d.dwBufferBytes, PlatformDSound::kUnwrittenByte);
            } catch (const std::bad_alloc&) {
                return DSERR_OUTOFMEMORY;
            }
        }
        State().buffers.push_back(record);
        m_state->records.push_back(record);
        *buffer = new Buffer(record, m_state);
        return DS_OK;
    }

    HRESULT SetCooperativeLevel(HWND, DWORD level) override
    {
        if (level < DSSCL_NORMAL || level > DSSCL_PRIORITY)
            return DSERR_INVALIDPARAM;
        m_state->cooperativeLevel = level;
        return DS_OK;
    }

private:
    std::shared_ptr<DeviceState> m_state = std::make_shared<DeviceState>();
};
}

HRESULT DirectSoundCreate8(const GUID* device, LPDIRECTSOUND8* sound, LPUNKNOWN outer)
{
    if (!sound)
        return DSERR_INVALIDPARAM;
    *sound = nullptr;
    if (outer)
        return DSERR_NOAGGREGATION;
    if (device && *device != GUID_NULL)
        return DSERR_INVALIDPARAM;
    *sound = new Device;
    return DS_OK;
}

namespace PlatformDSound
{
const std::vector<std::shared_ptr<BufferRecord>>& Buffers()
{
    return State().buffers;
}

BufferRecord* RecordOf(IDirectSoundBuffer* buffer)
{
    return buffer ? &static_cast<Buffer*>(buffer)->Record() : nullptr;
}

BufferRecord* RecordOf(IDirectSound3DBuffer* buffer)
{
    return buffer ? &static_cast<Buffer*>(buffer)->Record() : nullptr;
}

BufferRecord* RecordOf(IDirectSound3DListener* listener)
{
    return listener ? &static_cast<Buffer*>(listener)->Record() : nullptr;
}

void LoseBuffers()
{
    for (const auto& record : State().buffers) {
        if (record->released || record->primary)
            continue;
        record->lost = true;
        record->playing = false;
    }
}

void SetRestoreFailures(int count, HRESULT result)
{
    State().restoreFailures = count;
    State().restoreResult = result;
}

void Reset()
{
    State() = StandInState {};
}
}
