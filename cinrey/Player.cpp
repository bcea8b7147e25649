// The movie player: FFmpeg demuxes and decodes, swscale turns pictures into
// 5-6-5 pixels for the platform's presenter, and the whole sound track is
// decoded at play time into one platform sound buffer that plays once.
#include "cinrey/cinrey.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include "platform/Files.h"
#include "platform/Present.h"
#include "platform/Sound.h"
#include "platform/Time.h"

namespace {

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

struct Decoder {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    int stream = -1;

    ~Decoder() {
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }

    // Opens `path` and the decoder of its best stream of `type`.
    bool Open(const std::string& path, AVMediaType type) {
        if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return false;
        if (avformat_find_stream_info(format, nullptr) < 0) return false;
        const AVCodec* decoder = nullptr;
        stream = av_find_best_stream(format, type, -1, -1, &decoder, 0);
        if (stream < 0 || !decoder) return false;
        codec = avcodec_alloc_context3(decoder);
        if (!codec || avcodec_parameters_to_context(codec, format->streams[stream]->codecpar) < 0) return false;
        return avcodec_open2(codec, decoder, nullptr) >= 0;
    }
};

// One sample of a decoded frame as a 16-bit value.
std::int16_t Sample(const AVFrame* frame, int channel, int index) {
    const auto format = static_cast<AVSampleFormat>(frame->format);
    const int channels = frame->ch_layout.nb_channels;
    const bool planar = av_sample_fmt_is_planar(format);
    const int plane = planar ? channel : 0;
    const int at = planar ? index : index * channels + channel;
    const std::uint8_t* data = frame->extended_data[plane];
    switch (av_get_packed_sample_fmt(format)) {
        case AV_SAMPLE_FMT_U8: return static_cast<std::int16_t>((data[at] - 128) << 8);
        case AV_SAMPLE_FMT_S16: return reinterpret_cast<const std::int16_t*>(data)[at];
        case AV_SAMPLE_FMT_S32: return static_cast<std::int16_t>(reinterpret_cast<const std::int32_t*>(data)[at] >> 16);
        case AV_SAMPLE_FMT_FLT: {
            const float v = std::clamp(reinterpret_cast<const float*>(data)[at], -1.0f, 1.0f);
            return static_cast<std::int16_t>(v * 32767.0f);
        }
        case AV_SAMPLE_FMT_DBL: {
            const double v = std::clamp(reinterpret_cast<const double*>(data)[at], -1.0, 1.0);
            return static_cast<std::int16_t>(v * 32767.0);
        }
        default: return 0;
    }
}

class Movie {
public:
    bool Open(const std::string& path) {
        m_Path = path;
        if (!m_Video.Open(path, AVMEDIA_TYPE_VIDEO)) return false;
        const AVRational rate = av_guess_frame_rate(m_Video.format, m_Video.format->streams[m_Video.stream], nullptr);
        m_FrameMs = rate.num > 0 && rate.den > 0 ? 1000.0 * rate.den / rate.num : 40.0;
        m_Frame = av_frame_alloc();
        m_Packet = av_packet_alloc();
        m_Pixels.assign(static_cast<std::size_t>(kScreenWidth) * kScreenHeight, 0);
        return m_Frame && m_Packet;
    }

    ~Movie() {
        StopSound();
        av_frame_free(&m_Frame);
        av_packet_free(&m_Packet);
        sws_freeContext(m_Sws);
    }

    void SetWindow(void* window) { m_Window = window; }

    int Play() {
        if (m_Playing) return 0;
        m_Playing = true;
        m_Start = platform::timeGetTime();
        StartSound();
        return 0;
    }

    int Status() {
        if (m_Ended) return CINREY_ENDED;
        if (!m_Playing) return CINREY_READY;
        // Under a fixed clock the next picture is due at every call (each
        // presented picture moves the clock one step); otherwise the picture
        // the clock has reached, skipping late ones.
        long long due = m_Shown + 1;
        if (!platform::IsFixedClock()) due = static_cast<long long>((platform::timeGetTime() - m_Start) / m_FrameMs) + 1;
        bool fresh = false;
        while (m_Shown < due) {
            if (!DecodeNext()) {
                m_Ended = true;
                break;
            }
            ++m_Shown;
            fresh = true;
        }
        if (fresh) Show();
        return m_Ended ? CINREY_ENDED : CINREY_PLAYING;
    }

private:
    // The next picture into m_Frame; false at the end of the movie.
    bool DecodeNext() {
        for (;;) {
            const int got = avcodec_receive_frame(m_Video.codec, m_Frame);
            if (got == 0) return true;
            if (got != AVERROR(EAGAIN)) return false;  // end of stream or a broken decoder
            if (m_Drained) return false;
            const int read = av_read_frame(m_Video.format, m_Packet);
            if (read < 0) {
                avcodec_send_packet(m_Video.codec, nullptr);
                m_Drained = true;
                continue;
            }
            if (m_Packet->stream_index == m_Video.stream) avcodec_send_packet(m_Video.codec, m_Packet);
            av_packet_unref(m_Packet);
        }
    }

    // Scales the picture to fit the screen with its aspect kept.
    void Show() {
        const int w = m_Frame->width, h = m_Frame->height;
        if (w <= 0 || h <= 0) return;
        int outW = kScreenWidth, outH = static_cast<int>(static_cast<long long>(h) * kScreenWidth / w);
        if (outH > kScreenHeight) {
            outH = kScreenHeight;
            outW = static_cast<int>(static_cast<long long>(w) * kScreenHeight / h);
        }
        outW = std::max(2, outW & ~1);
        outH = std::max(2, outH & ~1);
        m_Sws = sws_getCachedContext(m_Sws, w, h, static_cast<AVPixelFormat>(m_Frame->format), outW, outH,
                                     AV_PIX_FMT_RGB565LE, SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (!m_Sws) return;
        std::fill(m_Pixels.begin(), m_Pixels.end(), 0);
        const int x0 = (kScreenWidth - outW) / 2, y0 = (kScreenHeight - outH) / 2;
        std::uint8_t* dst[1] = {reinterpret_cast<std::uint8_t*>(m_Pixels.data() + y0 * kScreenWidth + x0)};
        const int dstStride[1] = {kScreenWidth * 2};
        sws_scale(m_Sws, m_Frame->data, m_Frame->linesize, 0, h, dst, dstStride);
        platform::PixelView view;
        view.bits = m_Pixels.data();
        view.width = kScreenWidth;
        view.height = kScreenHeight;
        view.pitch = kScreenWidth * 2;
        view.format = platform::PixelFormat::RGB565;
        platform::Present(view);
    }

    // The sound track, decoded whole; a movie without one, or a machine
    // without a sound device, plays silently.
    void StartSound() {
        Decoder audio;
        if (!audio.Open(m_Path, AVMEDIA_TYPE_AUDIO)) return;
        const int channels = std::clamp(audio.codec->ch_layout.nb_channels, 1, 2);
        const int rate = audio.codec->sample_rate;
        if (rate <= 0) return;
        std::vector<std::int16_t> pcm;
        AVPacket* packet = av_packet_alloc();
        AVFrame* frame = av_frame_alloc();
        auto drain = [&] {
            while (avcodec_receive_frame(audio.codec, frame) == 0) {
                const int frameChannels = frame->ch_layout.nb_channels;
                for (int i = 0; i < frame->nb_samples; ++i)
                    for (int c = 0; c < channels; ++c) pcm.push_back(Sample(frame, std::min(c, frameChannels - 1), i));
            }
        };
        while (packet && frame && av_read_frame(audio.format, packet) >= 0) {
            if (packet->stream_index == audio.stream && avcodec_send_packet(audio.codec, packet) >= 0) drain();
            av_packet_unref(packet);
        }
        if (packet && frame && avcodec_send_packet(audio.codec, nullptr) >= 0) drain();
        av_packet_free(&packet);
        av_frame_free(&frame);
        if (pcm.empty()) return;

        if (platform::DirectSoundCreate(nullptr, &m_Sound, nullptr) != platform::DS_OK || !m_Sound) return;
        m_Sound->SetCooperativeLevel(static_cast<platform::HWND>(m_Window), platform::DSSCL_NORMAL);
        platform::WAVEFORMATEX format{};
        format.wFormatTag = platform::WAVE_FORMAT_PCM;
        format.nChannels = static_cast<platform::WORD>(channels);
        format.nSamplesPerSec = static_cast<platform::DWORD>(rate);
        format.wBitsPerSample = 16;
        format.nBlockAlign = static_cast<platform::WORD>(channels * 2);
        format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
        platform::DSBUFFERDESC desc{};
        desc.dwSize = sizeof desc;
        desc.dwFlags = platform::DSBCAPS_CTRLVOLUME | platform::DSBCAPS_GLOBALFOCUS;
        desc.dwBufferBytes = static_cast<platform::DWORD>(pcm.size() * 2);
        desc.lpwfxFormat = &format;
        if (m_Sound->CreateSoundBuffer(&desc, &m_Buffer, nullptr) != platform::DS_OK || !m_Buffer) return;
        void* p1 = nullptr;
        void* p2 = nullptr;
        platform::DWORD b1 = 0, b2 = 0;
        if (m_Buffer->Lock(0, desc.dwBufferBytes, &p1, &b1, &p2, &b2, 0) != platform::DS_OK) return;
        std::memcpy(p1, pcm.data(), b1);
        if (p2) std::memcpy(p2, reinterpret_cast<const std::uint8_t*>(pcm.data()) + b1, b2);
        m_Buffer->Unlock(p1, b1, p2, b2);
        m_Buffer->Play(0, 0, 0);
    }

    void StopSound() {
        if (m_Buffer) {
            m_Buffer->Stop();
            m_Buffer->Release();
            m_Buffer = nullptr;
        }
        if (m_Sound) {
            m_Sound->Release();
            m_Sound = nullptr;
        }
    }

    std::string m_Path;
    Decoder m_Video;
    AVFrame* m_Frame = nullptr;
    AVPacket* m_Packet = nullptr;
    SwsContext* m_Sws = nullptr;
    std::vector<std::uint16_t> m_Pixels;
    double m_FrameMs = 40.0;
    void* m_Window = nullptr;
    bool m_Playing = false;
    bool m_Drained = false;
    bool m_Ended = false;
    long long m_Shown = 0;
    platform::DWORD m_Start = 0;
    platform::IDirectSound* m_Sound = nullptr;
    platform::IDirectSoundBuffer* m_Buffer = nullptr;
};

std::unique_ptr<Movie> g_Movie;

}  // namespace

extern "C" {

CINREY_API int Cinrey_Open(const char* path) {
    try {
        g_Movie.reset();
        av_log_set_level(AV_LOG_ERROR);
        if (!path) return -1;
        const std::string real = platform::ResolvePath(path);
        if (real.empty()) return -1;
        auto movie = std::make_unique<Movie>();
        if (!movie->Open(real)) return -1;
        g_Movie = std::move(movie);
        return 0;
    } catch (...) {
        return -1;
    }
}

CINREY_API void Cinrey_Set_Window(void* window) {
    if (g_Movie) g_Movie->SetWindow(window);
}

CINREY_API int Cinrey_Play(int, int) {
    try {
        return g_Movie ? g_Movie->Play() : 1;
    } catch (...) {
        return 1;
    }
}

CINREY_API int Cinrey_Status(void) {
    try {
        return g_Movie ? g_Movie->Status() : CINREY_CLOSED;
    } catch (...) {
        return CINREY_ENDED;
    }
}

CINREY_API void Cinrey_Close(void) { g_Movie.reset(); }

}  // extern "C"
