#include "Platform/MediaFile.h"

#include "Platform/D3D9Device.h"
#include "Platform/DShow.h"
#include "Platform/GamePath.h"
#include "Platform/MediaClaims.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace
{
// The containers and codecs a game's music and videos come in; nothing else
// is probed, so a damaged file meets only these readers.
const char* const kFormats = "avi,wav,mp3,ogg,matroska,webm,mov,mp4,nut,flac,asf";
const char* const kCodecs = "ffv1,rawvideo,mpeg4,msmpeg4v2,msmpeg4v3,mjpeg,h264,vp8,vp9,theora,cinepak,"
                            "indeo3,indeo5,msvideo1,png,pcm_s16le,pcm_u8,pcm_s24le,pcm_f32le,adpcm_ms,"
                            "adpcm_ima_wav,mp3,mp3float,mp2,vorbis,opus,flac,aac,wmav2";
constexpr int kIoBufferSize = 1 << 15;

// Frames are shown through a texture of the device.
constexpr int kMaxFrameSide = static_cast<int>(PlatformD3D9::RecordingDevice::kMaxTextureSide);

// The largest block the media libraries may allocate: a frame of the largest
// texture at 4 bytes a pixel, with room for the rows and bytes decoders pad a
// frame with. The readers size some blocks by what a header claims (a tag, a
// stream's extra data) before they read the bytes; past this size the
// allocation fails instead of costing what the header claims.
constexpr size_t kMaxBlock = static_cast<size_t>(kMaxFrameSide) * kMaxFrameSide * 4 + (size_t { 4 } << 20);

double g_MediaClock = 0.0;
PlatformMedia::Report g_Report = nullptr;

int ReadPacket(void* opaque, uint8_t* buffer, int size)
{
    FILE* file = static_cast<FILE*>(opaque);
    const size_t got = fread(buffer, 1, static_cast<size_t>(size), file);
    if (got == 0)
        return AVERROR_EOF;
    return static_cast<int>(got);
}

int64_t SeekFile(void* opaque, int64_t offset, int whence)
{
    FILE* file = static_cast<FILE*>(opaque);
    if (whence & AVSEEK_SIZE) {
        const off_t here = ftello(file);
        if (fseeko(file, 0, SEEK_END) != 0)
            return AVERROR(EIO);
        const off_t size = ftello(file);
        fseeko(file, here, SEEK_SET);
        return size;
    }
    whence &= ~AVSEEK_FORCE;
    if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END)
        return AVERROR(EINVAL);
    if (fseeko(file, static_cast<off_t>(offset), whence) != 0)
        return AVERROR(EIO);
    return ftello(file);
}

// Why a stream's parameters are beyond what a file may claim; empty when
// they are within bounds. Values not known yet (0) pass.
std::string BeyondBounds(const AVCodecParameters& parameters)
{
    using PlatformMedia::kMaxChannels;
    using PlatformMedia::kMaxSampleRate;
    char reason[96] = "";
    if (parameters.codec_type == AVMEDIA_TYPE_AUDIO) {
        const int rate = parameters.sample_rate;
        const int channels = parameters.ch_layout.nb_channels;
        if (rate < 0 || rate > kMaxSampleRate)
            std::snprintf(reason, sizeof(reason), "a sample rate of %d Hz (at most %d)", rate, kMaxSampleRate);
        else if (channels < 0 || channels > kMaxChannels)
            std::snprintf(reason, sizeof(reason), "%d channels (at most %d)", channels, kMaxChannels);
    } else if (parameters.codec_type == AVMEDIA_TYPE_VIDEO) {
        // A negative height stands for rows stored bottom up.
        const int64_t width = std::abs(static_cast<int64_t>(parameters.width));
        const int64_t height = std::abs(static_cast<int64_t>(parameters.height));
        if (width > kMaxFrameSide || height > kMaxFrameSide)
            std::snprintf(reason, sizeof(reason), "frames of %d x %d pixels (at most %d a side)", parameters.width,
                          parameters.height, kMaxFrameSide);
    }
    return reason;
}

void Refuse(const std::string& gamePath, const std::string& reason)
{
    if (g_Report)
        g_Report("cannot read " + gamePath + ": " + reason + "\n");
}

// False, with the reason reported, when a stream of the file claims more
// than the bounds.
bool WithinBounds(const AVFormatContext& format, const std::string& gamePath)
{
    for (unsigned i = 0; i < format.nb_streams; ++i) {
        const std::string reason = BeyondBounds(*format.streams[i]->codecpar);
        if (reason.empty())
            continue;
        Refuse(gamePath, reason);
        return false;
    }
    return true;
}

// Opens the decoder of a stream, single-threaded so frames come in order.
AVCodecContext* OpenDecoder(const AVStream* stream, const AVCodec* codec)
{
    AVCodecContext* context = avcodec_alloc_context3(codec);
    if (!context)
        return nullptr;
    context->thread_count = 1;
    if (avcodec_parameters_to_context(context, stream->codecpar) < 0 || avcodec_open2(context, codec, nullptr) < 0)
        avcodec_free_context(&context);
    return context;
}
}

namespace PlatformMedia
{
struct MediaFile::Decoder
{
    ~Decoder()
    {
        avcodec_free_context(&video);
        avcodec_free_context(&audio);
        avformat_close_input(&format);
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
        sws_freeContext(scale);
        av_frame_free(&frame);
        av_packet_free(&packet);
        if (file)
            fclose(file);
    }

    // The next frame of the stream into `into`: false at the end or on an
    // error that stops decoding.
    bool DecodeNext(AVCodecContext* context, int streamIndex, std::vector<uint8_t>* into, double* time)
    {
        for (int attempts = 0; attempts < 100000; ++attempts) {
            const int received = avcodec_receive_frame(context, frame);
            if (received == 0) {
                if (into && !Convert(*into))
                    return false;
                if (time)
                    *time = FrameTime(streamIndex);
                av_frame_unref(frame);
                return true;
            }
            if (received != AVERROR(EAGAIN))
                return false;
            if (draining)
                return false;
            if (av_read_frame(format, packet) < 0) {
                draining = true;
                avcodec_send_packet(context, nullptr);
                continue;
            }
            if (packet->stream_index == streamIndex) {
                const int sent = avcodec_send_packet(context, packet);
                av_packet_unref(packet);
                if (sent < 0 && sent != AVERROR(EAGAIN))
                    return false;
            } else {
                av_packet_unref(packet);
            }
        }
        return false;
    }

    double FrameTime(int streamIndex) const
    {
        const AVStream* stream = format->streams[streamIndex];
        int64_t stamp = frame->best_effort_timestamp;
        if (stamp == AV_NOPTS_VALUE)
            return frameCount > 0 ? nextTime : 0.0;
        if (stream->start_time != AV_NOPTS_VALUE)
            stamp -= stream->start_time;
        return static_cast<double>(stamp) * av_q2d(stream->time_base);
    }

    bool Convert(std::vector<uint8_t>& into)
    {
        if (frame->width <= 0 || frame->height <= 0 || frame->format < 0)
            return false;
        scale = sws_getCachedContext(scale, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                     width, height, AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr);
        if (!scale)
            return false;
        into.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
        uint8_t* planes[4] = { into.data(), nullptr, nullptr, nullptr };
        int strides[4] = { width * 4, 0, 0, 0 };
        return sws_scale(scale, frame->data, frame->linesize, 0, frame->height, planes, strides) == height;
    }

    // Back to the first frame: the next one decoded is the first.
    bool Rewind()
    {
        const AVStream* stream = format->streams[videoStream];
        const int64_t start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
        if (av_seek_frame(format, videoStream, start, AVSEEK_FLAG_BACKWARD) < 0
            && avformat_seek_file(format, videoStream, INT64_MIN, start, INT64_MAX, 0) < 0)
            return false;
        avcodec_flush_buffers(video);
        draining = false;
        current = -1;
        frameCount = 0;
        hasNext = DecodeNext(video, videoStream, &nextPixels, &nextTime);
        return true;
    }

    FILE* file = nullptr;
    AVIOContext* io = nullptr;
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    SwsContext* scale = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    int videoStream = -1;
    int width = 0;
    int height = 0;
    double duration = 0.0;
    bool draining = false;
    // The frame on show and the one decoded after it.
    int64_t current = -1;
    int64_t frameCount = 0;
    double currentTime = 0.0;
    std::vector<uint8_t> pixels;
    bool hasNext = false;
    double nextTime = 0.0;
    std::vector<uint8_t> nextPixels;
};

MediaFile::MediaFile() = default;

MediaFile::~MediaFile() = default;

void MediaFile::Close()
{
    m_decoder.reset();
}

HRESULT MediaFile::Open(const std::string& gamePath)
{
    Close();
    FILE* file = GamePath::GameFOpen(gamePath, "rb");
    if (!file)
        return HRESULT_FILE_NOT_FOUND;
    auto decoder = std::make_unique<Decoder>();
    decoder->file = file;
    if (fseeko(file, 0, SEEK_END) != 0)
        return VFW_E_UNKNOWN_FILE_TYPE;
    const int64_t fileSize = ftello(file);
    if (fileSize <= 0)
        return VFW_E_UNKNOWN_FILE_TYPE;
    const std::string beyond = ClaimBeyondFile(file, fileSize);
    if (!beyond.empty()) {
        Refuse(gamePath, beyond);
        return VFW_E_UNKNOWN_FILE_TYPE;
    }
    if (fseeko(file, 0, SEEK_SET) != 0)
        return VFW_E_UNKNOWN_FILE_TYPE;

    // The limit is the libraries' own, for the whole process: set once.
    static const bool limited = (av_max_alloc(kMaxBlock), true);
    (void)limited;
    av_log_set_level(AV_LOG_QUIET);
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
    if (!buffer)
        return E_OUTOFMEMORY;
    decoder->io = avio_alloc_context(buffer, kIoBufferSize, 0, file, &ReadPacket, nullptr, &SeekFile);
    if (!decoder->io) {
        av_free(buffer);
        return E_OUTOFMEMORY;
    }
    decoder->format = avformat_alloc_context();
    decoder->frame = av_frame_alloc();
    decoder->packet = av_packet_alloc();
    if (!decoder->format || !decoder->frame || !decoder->packet)
        return E_OUTOFMEMORY;
    decoder->format->pb = decoder->io;
    decoder->format->flags |= AVFMT_FLAG_CUSTOM_IO;
    decoder->format->format_whitelist = av_strdup(kFormats);
    decoder->format->codec_whitelist = av_strdup(kCodecs);
    if (avformat_open_input(&decoder->format, gamePath.c_str(), nullptr, nullptr) < 0)
        return VFW_E_UNKNOWN_FILE_TYPE; // the context is freed by the failed open
    // What the container's header claims is checked before any decoder is
    // opened, and what probing the streams found before ours are.
    if (!WithinBounds(*decoder->format, gamePath))
        return VFW_E_UNKNOWN_FILE_TYPE;
    if (avformat_find_stream_info(decoder->format, nullptr) < 0 || !WithinBounds(*decoder->format, gamePath))
        return VFW_E_UNKNOWN_FILE_TYPE;

    const AVCodec* videoCodec = nullptr;
    const int videoStream = av_find_best_stream(decoder->format, AVMEDIA_TYPE_VIDEO, -1, -1, &videoCodec, 0);
    if (videoStream >= 0 && videoCodec) {
        const AVCodecParameters* parameters = decoder->format->streams[videoStream]->codecpar;
        if (parameters->width > 0 && parameters->height > 0) {
            decoder->video = OpenDecoder(decoder->format->streams[videoStream], videoCodec);
            decoder->videoStream = decoder->video ? videoStream : -1;
            decoder->width = parameters->width;
            decoder->height = parameters->height;
        }
    }
    const AVCodec* audioCodec = nullptr;
    const int audioStream = av_find_best_stream(decoder->format, AVMEDIA_TYPE_AUDIO, -1, -1, &audioCodec, 0);
    if (audioStream >= 0 && audioCodec)
        decoder->audio = OpenDecoder(decoder->format->streams[audioStream], audioCodec);

    // The file decodes when its video (or, without video, its audio) gives a frame.
    if (decoder->video) {
        decoder->hasNext = decoder->DecodeNext(decoder->video, decoder->videoStream, &decoder->nextPixels,
                                               &decoder->nextTime);
        if (!decoder->hasNext)
            return VFW_E_UNKNOWN_FILE_TYPE;
    } else if (decoder->audio) {
        if (!decoder->DecodeNext(decoder->audio, audioStream, nullptr, nullptr))
            return VFW_E_UNKNOWN_FILE_TYPE;
    } else {
        return VFW_E_UNKNOWN_FILE_TYPE;
    }

    const AVFormatContext* format = decoder->format;
    if (format->duration != AV_NOPTS_VALUE && format->duration > 0) {
        decoder->duration = static_cast<double>(format->duration) / AV_TIME_BASE;
    } else {
        const int main = decoder->video ? decoder->videoStream : audioStream;
        const AVStream* stream = format->streams[main];
        if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
            decoder->duration = static_cast<double>(stream->duration) * av_q2d(stream->time_base);
    }
    m_decoder = std::move(decoder);
    return S_OK;
}

bool MediaFile::HasVideo() const
{
    return m_decoder && m_decoder->video;
}

bool MediaFile::HasAudio() const
{
    return m_decoder && m_decoder->audio;
}

int MediaFile::Width() const
{
    return HasVideo() ? m_decoder->width : 0;
}

int MediaFile::Height() const
{
    return HasVideo() ? m_decoder->height : 0;
}

double MediaFile::Duration() const
{
    return m_decoder ? m_decoder->duration : 0.0;
}

int64_t MediaFile::FrameAt(double seconds)
{
    if (!HasVideo())
        return -1;
    Decoder& d = *m_decoder;
    if (d.current >= 0 && seconds < d.currentTime && !d.Rewind())
        return d.current;
    while (d.hasNext && d.nextTime <= seconds) {
        std::swap(d.pixels, d.nextPixels);
        d.currentTime = d.nextTime;
        d.current = d.frameCount++;
        d.hasNext = d.DecodeNext(d.video, d.videoStream, &d.nextPixels, &d.nextTime);
    }
    return d.current;
}

bool MediaFile::AtLastFrame() const
{
    return !m_decoder || !m_decoder->hasNext;
}

const std::vector<uint8_t>& MediaFile::Pixels() const
{
    static const std::vector<uint8_t> none;
    return m_decoder ? m_decoder->pixels : none;
}

void SetReport(Report report)
{
    g_Report = report;
}

double Clock()
{
    return g_MediaClock;
}

void AdvanceClock(double seconds)
{
    if (seconds > 0.0)
        g_MediaClock += seconds;
}

void ResetClock()
{
    g_MediaClock = 0.0;
}
}
