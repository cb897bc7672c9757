#include "tests/support/SoundWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cmath>
#include <memory>

namespace SoundWriter {

namespace {

struct SOutput {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    ~SOutput() {
        avcodec_free_context(&codec);
        if (format) {
            if (format->pb)
                avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }
};

bool Drain(SOutput& out, AVFrame* frame) {
    if (avcodec_send_frame(out.codec, frame) < 0)
        return false;
    AVPacket* packet = av_packet_alloc();
    bool ok = true;
    while (avcodec_receive_packet(out.codec, packet) == 0) {
        av_packet_rescale_ts(packet, out.codec->time_base, out.stream->time_base);
        packet->stream_index = out.stream->index;
        ok = av_interleaved_write_frame(out.format, packet) >= 0 && ok;
    }
    av_packet_free(&packet);
    return ok;
}

bool OpenOutput(SOutput& out, const std::string& path, const AVCodec* codec) {
    if (avformat_alloc_output_context2(&out.format, nullptr, nullptr, path.c_str()) < 0)
        return false;
    out.stream = avformat_new_stream(out.format, nullptr);
    out.codec = avcodec_alloc_context3(codec);
    return out.stream && out.codec;
}

bool StartOutput(SOutput& out, const std::string& path) {
    if (out.format->oformat->flags & AVFMT_GLOBALHEADER)
        out.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    return avcodec_open2(out.codec, out.codec->codec, nullptr) >= 0 &&
           avcodec_parameters_from_context(out.stream->codecpar, out.codec) >= 0 &&
           avio_open(&out.format->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0 &&
           avformat_write_header(out.format, nullptr) >= 0;
}

} // namespace

bool HasEncoder(const std::string& encoder) {
    return avcodec_find_encoder_by_name(encoder.c_str()) != nullptr;
}

std::vector<std::int16_t> Sine(double frequency, double seconds, int rate, int channels,
                               double amplitude) {
    std::size_t frames = std::size_t(seconds * rate);
    std::vector<std::int16_t> samples(frames * std::size_t(channels));
    for (std::size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            samples[i * std::size_t(channels) + std::size_t(c)] =
                std::int16_t(std::lround(amplitude * std::sin(2 * M_PI * frequency * double(i) / rate)));
    return samples;
}

bool Write(const std::string& path, const std::string& encoder, int rate, int channels,
           const std::vector<std::int16_t>& samples) {
    const AVCodec* codec = avcodec_find_encoder_by_name(encoder.c_str());
    if (!codec)
        return false;
    SOutput out;
    if (!OpenOutput(out, path, codec))
        return false;
    const AVSampleFormat* formats = codec->sample_fmts;
    AVSampleFormat format = formats ? formats[0] : AV_SAMPLE_FMT_S16;
    for (const AVSampleFormat* f = formats; f && *f != AV_SAMPLE_FMT_NONE; ++f)
        if (*f == AV_SAMPLE_FMT_S16)
            format = *f;
    out.codec->sample_fmt = format;
    out.codec->sample_rate = rate;
    av_channel_layout_default(&out.codec->ch_layout, channels);
    out.codec->bit_rate = 128000;
    out.codec->time_base = {1, rate};
    out.stream->time_base = {1, rate};
    if (!StartOutput(out, path))
        return false;

    SwrContext* swr = nullptr;
    AVChannelLayout layout{};
    av_channel_layout_default(&layout, channels);
    if (swr_alloc_set_opts2(&swr, &layout, format, rate, &layout, AV_SAMPLE_FMT_S16, rate, 0,
                            nullptr) < 0 ||
        swr_init(swr) < 0) {
        swr_free(&swr);
        return false;
    }
    int frameSize = out.codec->frame_size > 0 ? out.codec->frame_size : 1024;
    AVFrame* frame = av_frame_alloc();
    std::size_t total = samples.size() / std::size_t(channels);
    bool ok = true;
    std::int64_t pts = 0;
    for (std::size_t done = 0; ok && done < total;) {
        int n = int(std::min<std::size_t>(std::size_t(frameSize), total - done));
        av_frame_unref(frame);
        frame->format = format;
        frame->sample_rate = rate;
        av_channel_layout_copy(&frame->ch_layout, &out.codec->ch_layout);
        frame->nb_samples = (codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) || n == frameSize
                                ? n
                                : frameSize;
        ok = av_frame_get_buffer(frame, 0) >= 0 && av_frame_make_writable(frame) >= 0;
        if (!ok)
            break;
        av_samples_set_silence(frame->data, 0, frame->nb_samples, channels, format);
        const std::uint8_t* in = reinterpret_cast<const std::uint8_t*>(samples.data() + done * std::size_t(channels));
        ok = swr_convert(swr, frame->data, n, &in, n) >= 0;
        frame->pts = pts;
        pts += frame->nb_samples;
        ok = ok && Drain(out, frame);
        done += std::size_t(n);
    }
    av_frame_free(&frame);
    swr_free(&swr);
    ok = Drain(out, nullptr) && ok;
    ok = av_write_trailer(out.format) >= 0 && ok;
    return ok;
}

bool WriteSilentVideo(const std::string& path, double seconds) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MPEG1VIDEO);
    SOutput out;
    if (!codec || !OpenOutput(out, path, codec))
        return false;
    out.codec->width = 64;
    out.codec->height = 48;
    out.codec->pix_fmt = AV_PIX_FMT_YUV420P;
    out.codec->time_base = {1, 25};
    out.codec->framerate = {25, 1};
    out.stream->time_base = {1, 25};
    if (!StartOutput(out, path))
        return false;
    AVFrame* frame = av_frame_alloc();
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = 64;
    frame->height = 48;
    bool ok = av_frame_get_buffer(frame, 0) >= 0;
    for (int i = 0; ok && i < int(seconds * 25); ++i) {
        ok = av_frame_make_writable(frame) >= 0;
        for (int plane = 0; plane < 3; ++plane)
            std::fill_n(frame->data[plane], frame->linesize[plane] * (plane ? 24 : 48), std::uint8_t(16 + i));
        frame->pts = i;
        ok = ok && Drain(out, frame);
    }
    av_frame_free(&frame);
    ok = Drain(out, nullptr) && ok;
    return av_write_trailer(out.format) >= 0 && ok;
}

} // namespace SoundWriter
