#include "encode/AudEnc.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>
#include <utility>

CAudEnc::CAudEnc(std::string codec, int sampleRate, int channels, int bitRate, int freeBlock)
    : m_name(std::move(codec)), m_rate(sampleRate), m_channels(channels), m_bitRate(bitRate),
      m_freeBlock(freeBlock > 0 ? freeBlock : 1152) {}

CAudEnc::~CAudEnc() = default;

bool CAudEnc::Fail(const std::string& text, int code) {
    char detail[AV_ERROR_MAX_STRING_SIZE] = {};
    if (code < 0)
        av_strerror(code, detail, sizeof detail);
    SetError(code < 0 ? text + ": " + detail : text);
    return false;
}

bool CAudEnc::Open() {
    const AVCodec* codec = avcodec_find_encoder_by_name(m_name.c_str());
    if (!codec || codec->type != AVMEDIA_TYPE_AUDIO)
        return Fail("There is no sound encoder named \"" + m_name + "\"", 0);
    m_codec.reset(avcodec_alloc_context3(codec));
    m_frame.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    if (!m_codec || !m_frame || !m_packet)
        return Fail("Out of memory for the sound encoder", AVERROR(ENOMEM));
    AVSampleFormat format = AV_SAMPLE_FMT_S16;
    if (codec->sample_fmts) {
        format = codec->sample_fmts[0];
        for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
            if (*f == AV_SAMPLE_FMT_S16)
                format = AV_SAMPLE_FMT_S16;
    }
    m_codec->sample_fmt = format;
    m_codec->sample_rate = m_rate;
    av_channel_layout_default(&m_codec->ch_layout, m_channels);
    m_codec->bit_rate = m_bitRate;
    m_codec->time_base = AVRational{1, m_rate};
    int code = avcodec_open2(m_codec.get(), codec, nullptr);
    if (code < 0)
        return Fail("The sound encoder \"" + m_name + "\" cannot be opened at " +
                        std::to_string(m_rate) + " Hz",
                    code);
    m_variableSize = m_codec->frame_size <= 0 ||
                     (codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
    m_frameSize = m_codec->frame_size > 0 ? m_codec->frame_size : m_freeBlock;
    if (format != AV_SAMPLE_FMT_S16) {
        SwrContext* swr = nullptr;
        code = swr_alloc_set_opts2(&swr, &m_codec->ch_layout, format, m_rate,
                                   &m_codec->ch_layout, AV_SAMPLE_FMT_S16, m_rate, 0, nullptr);
        m_swr.reset(swr);
        if (code >= 0)
            code = swr_init(m_swr.get());
        if (code < 0)
            return Fail("The samples cannot be converted for the sound encoder", code);
    }
    return true;
}

bool CAudEnc::Write(const std::uint8_t* data, std::size_t bytes) {
    if (!m_codec)
        return false;
    std::size_t values = bytes / sizeof(std::int16_t);
    std::size_t old = m_pending.size();
    m_pending.resize(old + values);
    std::memcpy(m_pending.data() + old, data, values * sizeof(std::int16_t));
    const std::size_t block = std::size_t(m_frameSize) * std::size_t(m_channels);
    while (m_pending.size() - m_pendingStart >= block)
        if (!EncodeFrame(m_frameSize))
            return false;
    // Keep the unencoded rest at the front of the buffer.
    m_pending.erase(m_pending.begin(), m_pending.begin() + std::ptrdiff_t(m_pendingStart));
    m_pendingStart = 0;
    return true;
}

// Encodes `frames` sample frames from the front of the pending samples;
// missing samples (the end of the sound) are silence.
bool CAudEnc::EncodeFrame(int frames) {
    av_frame_unref(m_frame.get());
    m_frame->format = m_codec->sample_fmt;
    m_frame->nb_samples = frames;
    m_frame->sample_rate = m_rate;
    int code = av_channel_layout_copy(&m_frame->ch_layout, &m_codec->ch_layout);
    if (code >= 0)
        code = av_frame_get_buffer(m_frame.get(), 0);
    if (code < 0)
        return Fail("Out of memory for the sound encoder", code);
    const std::size_t wanted = std::size_t(frames) * std::size_t(m_channels);
    const std::size_t have = std::min(wanted, m_pending.size() - m_pendingStart);
    std::vector<std::int16_t> padded;
    const std::int16_t* samples = m_pending.data() + m_pendingStart;
    if (have < wanted) {
        padded.assign(wanted, 0);
        std::copy_n(samples, have, padded.begin());
        samples = padded.data();
    }
    if (m_swr) {
        const std::uint8_t* in[1] = {reinterpret_cast<const std::uint8_t*>(samples)};
        code = swr_convert(m_swr.get(), m_frame->data, frames, in, frames);
        if (code < 0)
            return Fail("The samples cannot be converted for the sound encoder", code);
    } else {
        std::memcpy(m_frame->data[0], samples, wanted * sizeof(std::int16_t));
    }
    m_pendingStart += have;
    m_frame->pts = m_encoded;
    m_encoded += frames;
    code = avcodec_send_frame(m_codec.get(), m_frame.get());
    if (code < 0)
        return Fail("The sound encoder failed", code);
    return Drain();
}

bool CAudEnc::Drain() {
    for (;;) {
        int code = avcodec_receive_packet(m_codec.get(), m_packet.get());
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
            return true;
        if (code < 0)
            return Fail("The sound encoder failed", code);
        if (!Deliver(m_packet.get())) {
            av_packet_unref(m_packet.get());
            return false;
        }
    }
}

void CAudEnc::Close(bool abort) {
    (void)abort; // failures are in the error text either way
    if (!m_codec)
        return;
    // The last partial frame: encoders with fixed frames get it padded with
    // silence to a whole frame.
    int rest = int((m_pending.size() - m_pendingStart) / std::size_t(m_channels));
    if (rest > 0 && !EncodeFrame(m_variableSize ? rest : m_frameSize))
        return;
    m_pending.clear();
    m_pendingStart = 0;
    if (avcodec_send_frame(m_codec.get(), nullptr) >= 0)
        Drain();
}
