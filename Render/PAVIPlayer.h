// Video players: a player plays a file from "Data\Video" into a Direct3D
// texture that materials show through the texture cache. A multimedia stream
// decodes the file's video into a DirectDraw surface (and plays its sound
// unless switched off). There are two players: the first (g_AVIPlayer,
// Play) publishes its texture under "video", the second (g_AVIPlayer1,
// Play1, always with sound) under "video1". Running the stream each frame,
// copying the frames into the texture, detecting the end, Stop, and making
// and destroying the players are the host's, which derives from this class.
#pragma once

#include "Core/PTask.h"
#include "Platform/AMStream.h"
#include "Platform/D3D9.h"
#include "Platform/DDraw.h"
#include "Platform/DShow.h"
#include "Platform/Win32.h"

#include <cstdint>
#include <string>

// The power-of-two texture side for a video side: 2 below 2, otherwise the
// smallest power of two strictly greater than n, and never more than 2^30.
int32_t NextPowerOfTwo(int32_t n);

class CPAVIPlayer : public CPTask
{
public:
    // The folder videos are played from.
    static const char* const kVideoFolder;

    CPAVIPlayer();
    // Releases every stream object and the texture.
    ~CPAVIPlayer() override;

    int32_t GetObjectSize() const override;
    std::string GetTypeName() const override;
    // The host's task runs the stream; the player itself does nothing.
    void Update() override;
    int32_t QueryFlag() override;

    // First player: opens "Data\Video\<name>" stopped, with or without its
    // sound, makes or keeps the texture and publishes it under "video". The
    // result of stopping the stream on success; the failing result (E_FAIL
    // when there is none) otherwise, reported.
    HRESULT Play(const std::string& name, bool noSound);
    // Second player: the same with sound, published under "video1".
    HRESULT Play1(const std::string& name);

    HRESULT OpenStream();
    HRESULT OpenStream1();
    // ReleaseAll, then the open; ReleaseAll again when the open fails.
    HRESULT Restart();
    HRESULT Restart1();
    // Releases audio, control, position, sample, draw stream, video stream,
    // stream, surface, second interface and direct draw, in that order.
    void ReleaseAll();

    IDirectDraw* GetDirectDraw() const { return m_directDraw; }
    IDirectDrawSurface* GetSurface() const { return m_surface; }
    IAMMultiMediaStream* GetStream() const { return m_stream; }
    IDirectDrawStreamSample* GetSample() const { return m_sample; }
    IMediaControl* GetMediaControl() const { return m_control; }
    IMediaPosition* GetMediaPosition() const { return m_position; }
    IBasicAudio* GetBasicAudio() const { return m_audio; }
    const RECT& GetFrameRect() const { return m_frameRect; }
    IDirect3DTexture9* GetTexture() const { return m_texture; }
    int32_t GetTextureWidth() const { return m_textureWidth; }
    int32_t GetTextureHeight() const { return m_textureHeight; }
    int32_t GetTextureDepth() const { return m_textureDepth; }

    // Set when the host's task has played the video to its end; Play clears it.
    bool IsPlayFinished() const { return m_playFinished != 0; }
    void SetPlayFinished(bool finished) { m_playFinished = finished ? 1 : 0; }
    bool IsNoSound() const { return m_noSound != 0; }
    // Set by the script bindings; the host's task then plays the video over
    // again at its end instead of stopping.
    bool IsLooping() const { return m_loop != 0; }
    void SetLooping(bool loop) { m_loop = loop ? 1 : 0; }

    // What tells the two players apart.
    struct Variant
    {
        const char* sourceFile; // for the error reports
        const char* cacheKey;   // the texture cache entry shown
        const char* textureName;
        const int* lines; // the report lines of the thirteen checked steps
        HRESULT (CPAVIPlayer::*restart)();
    };

protected:

    // The play algorithm both players share.
    HRESULT PlayVariant(const Variant& variant, const std::string& name, bool withSound);
    HRESULT OpenVariant(const Variant& variant, bool withSound);
    // Keeps the texture when it has the size and depth wanted, else makes
    // a new one; the cache entry never keeps a released texture.
    HRESULT MakeTexture(const Variant& variant, int32_t width, int32_t height);
    // The cache entry of the variant shows the player's texture; without the
    // entry nothing is shown (logged).
    void Publish(const Variant& variant, IDirect3DTexture9* texture);
    // The cache entry shows nothing when it shows the player's texture.
    void Withdraw(const Variant& variant);

    IDirectDraw* m_directDraw;
    IUnknown* m_secondInterface;
    IDirectDrawSurface* m_surface;
    IAMMultiMediaStream* m_stream;
    IMediaStream* m_videoStream;
    IDirectDrawMediaStream* m_drawStream;
    IDirectDrawStreamSample* m_sample;
    IMediaControl* m_control;
    IMediaPosition* m_position;
    IBasicAudio* m_audio;
    RECT m_frameRect;
    IDirect3DTexture9* m_texture;
    IDirect3DDevice9* m_device;
    int32_t m_textureWidth;
    int32_t m_textureHeight;
    int32_t m_textureDepth;
    BYTE m_playFinished;
    BYTE m_noSound;
    BYTE m_loop;
    // The variant whose cache entry last showed the texture.
    const Variant* m_published = nullptr;
};

// The first player; null until the host makes it.
extern CPAVIPlayer* g_AVIPlayer;
CPAVIPlayer* GetAVIPlayer();
