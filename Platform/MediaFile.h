// Audio and video files for the multimedia stand-ins: a file is opened through
// the path layer and decoded with the system's media libraries. Video frames
// come out one after another as 32-bit X8R8G8B8 pixels (the surfaces' format);
// audio is only checked to decode, since a headless run plays no sound.
// The media clock is the time the multimedia stand-ins play by: it stands
// still until the host advances it with each frame.
#pragma once

#include "Platform/Win32.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace PlatformMedia
{
// What a file's header may claim. Decoders size their buffers by these
// values, so a file that claims more is refused before anything is decoded:
// at most 384 kHz and 8 channels of sound, and frames no wider or taller
// than the largest texture the device takes.
constexpr int kMaxSampleRate = 384000;
constexpr int kMaxChannels = 8;

// Receives the line that tells why a file was refused for what its header
// claims: "cannot read <game path>: <reason>\n".
using Report = void (*)(const std::string& line);
// The host points the report at the engine log; null (the default) tells
// nothing.
void SetReport(Report report);

class MediaFile
{
public:
    MediaFile();
    ~MediaFile();
    MediaFile(const MediaFile&) = delete;
    MediaFile& operator=(const MediaFile&) = delete;

    // Opens a game path. S_OK when the file has a stream that decodes (its
    // first frame is decoded), HRESULT_FILE_NOT_FOUND when the path layer
    // cannot open it, VFW_E_UNKNOWN_FILE_TYPE for anything the libraries
    // cannot decode, for a stream whose sample rate, channel count or frame
    // size is beyond the bounds above and for a file with a chunk or tag that
    // the readers would allocate far past the file's end (MediaClaims.h; both
    // reported). No block the media libraries allocate is larger
    // than a frame of the largest texture at 4 bytes a pixel, whatever a
    // header claims. Opening again closes the previous file first.
    HRESULT Open(const std::string& gamePath);
    void Close();

    bool HasVideo() const;
    bool HasAudio() const;
    // Of the video; 0 without video.
    int Width() const;
    int Height() const;
    // Seconds; 0 when the file does not say.
    double Duration() const;

    // Decodes forward (or from the start again, for an earlier time) to the
    // frame shown at `seconds` from the start and returns its number, 0 for
    // the first; -1 before the first frame or without video. A time past
    // the last frame keeps the last one.
    int64_t FrameAt(double seconds);
    // True once decoding found no frame after the current one.
    bool AtLastFrame() const;
    // The pixels of the frame FrameAt reached: Height() rows of Width() * 4
    // bytes, top row first.
    const std::vector<uint8_t>& Pixels() const;

private:
    struct Decoder;
    std::unique_ptr<Decoder> m_decoder;
};

// Seconds the media clock has run since the last reset.
double Clock();
void AdvanceClock(double seconds);
void ResetClock();
}
