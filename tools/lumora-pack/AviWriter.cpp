#include "tools/lumora-pack/AviWriter.h"

#include <algorithm>
#include <cstring>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

namespace pack {

namespace {

struct Output {
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* sws = nullptr;
    bool headerWritten = false;

    ~Output() {
        if (format && format->pb) avio_closep(&format->pb);
        avformat_free_context(format);
        avcodec_free_context(&video);
        avcodec_free_context(&audio);
        av_frame_free(&frame);
        av_packet_free(&packet);
        sws_freeContext(sws);
    }
};

std::string Error(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// Sends one frame (or null to drain) and writes every packet that comes out.
int Encode(Output& out, AVCodecContext* codec, AVStream* stream, AVFrame* frame) {
    int result = avcodec_send_frame(codec, frame);
    if (result < 0) return result;
    for (;;) {
        result = avcodec_receive_packet(codec, out.packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return 0;
        if (result < 0) return result;
        av_packet_rescale_ts(out.packet, codec->time_base, stream->time_base);
        out.packet->stream_index = stream->index;
        result = av_interleaved_write_frame(out.format, out.packet);
        if (result < 0) return result;
    }
}

}  // namespace

bool WriteMjpegAvi(const std::string& path, int width, int height, int fps, int frameCount,
                   const AviFrameSource& source, const AviSound* sound, std::string& why) {
    if (width <= 0 || height <= 0 || fps <= 0 || frameCount <= 0 || (width & 1) || (height & 1)) {
        why = "bad video size or length";
        return false;
    }
    av_log_set_level(AV_LOG_ERROR);
    Output out;
    int result = avformat_alloc_output_context2(&out.format, nullptr, "avi", path.c_str());
    if (result < 0 || !out.format) {
        why = "no AVI muxer: " + Error(result);
        return false;
    }
    out.format->flags |= AVFMT_FLAG_BITEXACT;

    const AVCodec* mjpeg = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    if (!mjpeg) {
        why = "no Motion-JPEG encoder";
        return false;
    }
    out.videoStream = avformat_new_stream(out.format, nullptr);
    out.video = avcodec_alloc_context3(mjpeg);
    if (!out.videoStream || !out.video) {
        why = "out of memory";
        return false;
    }
    out.video->width = width;
    out.video->height = height;
    out.video->time_base = AVRational{1, fps};
    out.video->framerate = AVRational{fps, 1};
    out.video->pix_fmt = AV_PIX_FMT_YUVJ420P;
    out.video->flags |= AV_CODEC_FLAG_BITEXACT | AV_CODEC_FLAG_QSCALE;
    out.video->global_quality = FF_QP2LAMBDA * 3;
    if (out.format->oformat->flags & AVFMT_GLOBALHEADER) out.video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if ((result = avcodec_open2(out.video, mjpeg, nullptr)) < 0) {
        why = "cannot open the Motion-JPEG encoder: " + Error(result);
        return false;
    }
    avcodec_parameters_from_context(out.videoStream->codecpar, out.video);
    out.videoStream->time_base = out.video->time_base;

    if (sound && !sound->samples.empty()) {
        const AVCodec* pcm = avcodec_find_encoder(AV_CODEC_ID_PCM_S16LE);
        out.audioStream = avformat_new_stream(out.format, nullptr);
        out.audio = pcm ? avcodec_alloc_context3(pcm) : nullptr;
        if (!out.audioStream || !out.audio) {
            why = "no PCM encoder";
            return false;
        }
        out.audio->sample_fmt = AV_SAMPLE_FMT_S16;
        out.audio->sample_rate = sound->rate;
        av_channel_layout_default(&out.audio->ch_layout, sound->channels);
        out.audio->time_base = AVRational{1, sound->rate};
        out.audio->flags |= AV_CODEC_FLAG_BITEXACT;
        if ((result = avcodec_open2(out.audio, pcm, nullptr)) < 0) {
            why = "cannot open the PCM encoder: " + Error(result);
            return false;
        }
        avcodec_parameters_from_context(out.audioStream->codecpar, out.audio);
        out.audioStream->time_base = out.audio->time_base;
    }

    if ((result = avio_open(&out.format->pb, path.c_str(), AVIO_FLAG_WRITE)) < 0) {
        why = "cannot create " + path + ": " + Error(result);
        return false;
    }
    if ((result = avformat_write_header(out.format, nullptr)) < 0) {
        why = "cannot write the AVI header: " + Error(result);
        return false;
    }

    out.frame = av_frame_alloc();
    out.packet = av_packet_alloc();
    out.sws = sws_getContext(width, height, AV_PIX_FMT_RGB24, width, height, AV_PIX_FMT_YUVJ420P, SWS_BICUBIC,
                             nullptr, nullptr, nullptr);
    if (!out.frame || !out.packet || !out.sws) {
        why = "out of memory";
        return false;
    }
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    std::size_t samplesDone = 0;  // per channel
    const std::size_t channels = sound ? static_cast<std::size_t>(sound->channels) : 1;
    const std::size_t totalSamples = out.audio ? sound->samples.size() / channels : 0;
    for (int i = 0; i < frameCount; ++i) {
        std::fill(rgb.begin(), rgb.end(), 0);
        source(i, rgb);
        av_frame_unref(out.frame);
        out.frame->format = AV_PIX_FMT_YUVJ420P;
        out.frame->width = width;
        out.frame->height = height;
        if ((result = av_frame_get_buffer(out.frame, 0)) < 0) {
            why = "out of memory";
            return false;
        }
        const std::uint8_t* srcPlanes[1] = {rgb.data()};
        const int srcStride[1] = {width * 3};
        sws_scale(out.sws, srcPlanes, srcStride, 0, height, out.frame->data, out.frame->linesize);
        out.frame->pts = i;
        out.frame->quality = out.video->global_quality;
        if ((result = Encode(out, out.video, out.videoStream, out.frame)) < 0) {
            why = "video encoding failed: " + Error(result);
            return false;
        }
        // The sound that belongs up to the end of this picture.
        const std::size_t until = std::min(totalSamples, static_cast<std::size_t>(
                                                             (static_cast<long long>(i) + 1) * (out.audio ? out.audio->sample_rate : 0) / fps));
        while (out.audio && samplesDone < until) {
            const std::size_t n = std::min<std::size_t>(1024, until - samplesDone);
            av_frame_unref(out.frame);
            out.frame->format = AV_SAMPLE_FMT_S16;
            out.frame->nb_samples = static_cast<int>(n);
            out.frame->sample_rate = out.audio->sample_rate;
            av_channel_layout_copy(&out.frame->ch_layout, &out.audio->ch_layout);
            if (av_frame_get_buffer(out.frame, 0) < 0) {
                why = "out of memory";
                return false;
            }
            std::memcpy(out.frame->data[0], sound->samples.data() + samplesDone * channels, n * channels * 2);
            out.frame->pts = static_cast<std::int64_t>(samplesDone);
            if ((result = Encode(out, out.audio, out.audioStream, out.frame)) < 0) {
                why = "sound encoding failed: " + Error(result);
                return false;
            }
            samplesDone += n;
        }
    }
    if (Encode(out, out.video, out.videoStream, nullptr) < 0 ||
        (out.audio && Encode(out, out.audio, out.audioStream, nullptr) < 0) || av_write_trailer(out.format) < 0) {
        why = "cannot finish " + path;
        return false;
    }
    return true;
}

}  // namespace pack
