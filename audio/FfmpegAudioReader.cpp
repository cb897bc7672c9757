#include "audio/FfmpegAudioReader.h"

#include "base/InputFile.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <memory>

namespace {

struct SFormatDeleter {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct SCodecDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct SSwrDeleter {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
struct SFrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct SPacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

std::string AvError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

} // namespace

void CFfmpegAudioReader::Close() {
    m_data.clear();
    m_data.shrink_to_fit();
    m_rate = m_channels = m_bits = 0;
    m_length = 0;
}

std::uint8_t* CFfmpegAudioReader::FrameAt(std::int64_t position) {
    if (position < 0 || position >= m_length)
        return nullptr;
    return m_data.data() + std::size_t(position) * std::size_t(GetBlockAlign());
}

bool CFfmpegAudioReader::Open(const std::string& path, std::string& error, int rate, int bits) {
    Close();
    if (path.empty()) {
        error = "no file";
        return false;
    }
    // FFmpeg would block on a FIFO and read a device for ever.
    std::string why;
    if (!InputFile::Check(path, why)) {
        error = path + ": " + why;
        return false;
    }
    AVFormatContext* rawFormat = nullptr;
    av_log_set_level(AV_LOG_QUIET);
    int rc = avformat_open_input(&rawFormat, path.c_str(), nullptr, nullptr);
    if (rc < 0) {
        error = path + ": " + AvError(rc);
        return false;
    }
    std::unique_ptr<AVFormatContext, SFormatDeleter> format(rawFormat);
    if ((rc = avformat_find_stream_info(format.get(), nullptr)) < 0) {
        error = path + ": " + AvError(rc);
        return false;
    }
    const AVCodec* codec = nullptr;
    int stream = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (stream < 0 || !codec) {
        error = path + ": no sound";
        return false;
    }
    std::unique_ptr<AVCodecContext, SCodecDeleter> decoder(avcodec_alloc_context3(codec));
    if (!decoder ||
        avcodec_parameters_to_context(decoder.get(), format->streams[stream]->codecpar) < 0 ||
        avcodec_open2(decoder.get(), codec, nullptr) < 0) {
        error = path + ": the sound cannot be decoded";
        return false;
    }
    if (decoder->sample_rate <= 0 || decoder->ch_layout.nb_channels <= 0) {
        error = path + ": no sound";
        return false;
    }

    AVChannelLayout inLayout;
    if (decoder->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&inLayout, decoder->ch_layout.nb_channels);
    else
        av_channel_layout_copy(&inLayout, &decoder->ch_layout);
    m_channels = std::min(2, inLayout.nb_channels);
    m_rate = rate > 0 ? rate : decoder->sample_rate;
    bool eightBit = decoder->sample_fmt == AV_SAMPLE_FMT_U8 || decoder->sample_fmt == AV_SAMPLE_FMT_U8P;
    m_bits = bits > 0 ? bits : (eightBit ? 8 : 16);
    AVChannelLayout outLayout;
    av_channel_layout_default(&outLayout, m_channels);
    AVSampleFormat outFormat = m_bits == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;

    SwrContext* rawSwr = nullptr;
    rc = swr_alloc_set_opts2(&rawSwr, &outLayout, outFormat, m_rate, &inLayout,
                             decoder->sample_fmt, decoder->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    std::unique_ptr<SwrContext, SSwrDeleter> swr(rawSwr);
    if (rc < 0 || swr_init(swr.get()) < 0) {
        error = path + ": the sound cannot be converted";
        Close();
        return false;
    }

    std::unique_ptr<AVPacket, SPacketDeleter> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, SFrameDeleter> frame(av_frame_alloc());
    int blockAlign = GetBlockAlign();
    bool tooLarge = false;
    auto convert = [&](const AVFrame* in) {
        int outCount = swr_get_out_samples(swr.get(), in ? in->nb_samples : 0);
        if (outCount <= 0)
            return;
        std::size_t old = m_data.size();
        if (old + std::size_t(outCount) * blockAlign > kMaxBytes) {
            tooLarge = true;
            return;
        }
        m_data.resize(old + std::size_t(outCount) * blockAlign);
        std::uint8_t* out = m_data.data() + old;
        int done = swr_convert(swr.get(), &out, outCount,
                               in ? const_cast<const std::uint8_t**>(in->extended_data) : nullptr,
                               in ? in->nb_samples : 0);
        m_data.resize(old + std::size_t(std::max(0, done)) * blockAlign);
    };
    auto drain = [&] {
        while (avcodec_receive_frame(decoder.get(), frame.get()) == 0) {
            convert(frame.get());
            av_frame_unref(frame.get());
        }
    };
    while (!tooLarge && av_read_frame(format.get(), packet.get()) >= 0) {
        if (packet->stream_index == stream && avcodec_send_packet(decoder.get(), packet.get()) >= 0)
            drain();
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(decoder.get(), nullptr);
    drain();
    convert(nullptr); // what the converter still holds
    if (tooLarge) {
        error = path + ": the sound is too long (more than " + std::to_string(kMaxBytes >> 20) +
                " MB of samples, about 45 minutes at 48 kHz in stereo)";
        Close();
        return false;
    }
    m_length = std::int64_t(m_data.size() / std::size_t(blockAlign));
    if (m_length == 0) {
        error = path + ": no sound could be decoded";
        Close();
        return false;
    }
    return true;
}
