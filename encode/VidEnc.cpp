#include "encode/VidEnc.h"

#include "encode/MpgPreset.h"
#include "render/VideoSrc.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <cstdlib>
#include <utility>

CVidEnc::CVidEnc(IVideoSrc* source, int preset, int pal, int wide, int quality,
                 int customWidth, int customHeight, bool pcmAudio)
    : m_source(source), m_kind(kMovingVideo) {
    m_count = source ? source->GetFrameCount() : 0;
    m_still = m_count == 1;
    SMpgFormat format = MpgFormatFor(preset, pal == 1, wide == 1, m_still, quality, customWidth,
                                     customHeight, pcmAudio);
    m_settings = format.video;
    m_kind = format.streamKind;
}

CVidEnc::CVidEnc(IVideoSrc* source, SVideoSettings settings, int kind)
    : m_source(source), m_settings(std::move(settings)), m_kind(kind) {
    m_count = source ? source->GetFrameCount() : 0;
}

CVidEnc::~CVidEnc() { Done(); }

bool CVidEnc::Fail(const std::string& text, int code) {
    char detail[AV_ERROR_MAX_STRING_SIZE] = {};
    if (code < 0)
        av_strerror(code, detail, sizeof detail);
    SetError(code < 0 ? text + ": " + detail : text);
    return false;
}

bool CVidEnc::Init() {
    Done();
    m_counter = m_pushed = 0;
    const SVideoSettings& s = m_settings;
    if (!m_source || m_count == 0)
        return Fail("The video has no frames", 0);
    if (s.width <= 0 || s.height <= 0)
        return Fail("The picture size " + std::to_string(s.width) + " x " +
                        std::to_string(s.height) + " cannot be encoded", 0);
    const AVCodec* codec = avcodec_find_encoder_by_name(s.codec.c_str());
    if (!codec || codec->type != AVMEDIA_TYPE_VIDEO)
        return Fail("There is no video encoder named \"" + s.codec + "\"", 0);
    m_codec = avcodec_alloc_context3(codec);
    m_frame = av_frame_alloc();
    m_packet = av_packet_alloc();
    if (!m_codec || !m_frame || !m_packet)
        return Fail("Out of memory for the video encoder", AVERROR(ENOMEM));

    AVCodecContext* c = m_codec;
    c->width = s.width;
    c->height = s.height;
    c->time_base = AVRational{s.rateDen, s.rateNum};
    c->framerate = AVRational{s.rateNum, s.rateDen};
    c->sample_aspect_ratio = AVRational{s.sarNum, s.sarDen};
    AVPixelFormat pixels = AVPixelFormat(s.pixelFormat);
    if (s.pixelFormat < 0)
        pixels = codec->pix_fmts
                     ? avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, AV_PIX_FMT_BGRA, 0, nullptr)
                     : AV_PIX_FMT_BGR24;
    c->pix_fmt = pixels;
    c->gop_size = m_still ? 1 : s.gop;
    c->max_b_frames = m_still ? 0 : s.bFrames;
    if (s.qscale > 0) {
        c->flags |= AV_CODEC_FLAG_QSCALE;
        c->global_quality = FF_QP2LAMBDA * s.qscale;
    }
    c->bit_rate = s.bitRate;
    c->rc_max_rate = s.maxRate;
    c->rc_min_rate = s.minRate;
    c->rc_buffer_size = s.bufferSize;
    if (s.closedGop) {
        c->flags |= AV_CODEC_FLAG_CLOSED_GOP;
        // Closed groups keep their planned length: no extra key pictures at
        // scene changes.
        av_opt_set_int(c->priv_data, "sc_threshold", 1000000000, 0);
    }
    c->mb_decision = s.mbDecision;
    c->trellis = s.trellis ? 1 : 0;
    if (s.codecTag)
        c->codec_tag = s.codecTag;
    c->thread_count = s.threads > 0 ? s.threads : 1;
    c->thread_type = FF_THREAD_SLICE;
    if (s.scanOffset)
        av_opt_set_int(c->priv_data, "scan_offset", 1, 0);
    int code = avcodec_open2(c, codec, nullptr);
    if (code < 0)
        return Fail("The video encoder \"" + s.codec + "\" cannot be opened", code);

    m_frame->format = c->pix_fmt;
    m_frame->width = c->width;
    m_frame->height = c->height;
    code = av_frame_get_buffer(m_frame, 0);
    if (code < 0)
        return Fail("Out of memory for the video encoder", code);
    return true;
}

int CVidEnc::PushNext() {
    if (m_counter >= int(m_count))
        return kNoMore;
    return PushFrame(m_counter++);
}

int CVidEnc::PushFrame(int index) {
    if (!m_codec)
        return kPushFailed;
    int width = 0, height = 0, stride = 0;
    m_source->GetFrameSize(&width, &height);
    int bits = m_source->GetBitsPerPixel();
    const std::uint8_t* pixels = m_source->GetFrame(index, &stride);
    if (!pixels || width <= 0 || height <= 0 || (bits != 32 && bits != 24)) {
        Fail("Frame " + std::to_string(index) + " of the video could not be made", 0);
        return kPushFailed;
    }
    // The source hands the lowest-addressed row; with a negative stride that
    // is the bottom row, so the top row lies (height - 1) rows further on.
    const std::uint8_t* top = stride < 0 ? pixels + std::size_t(height - 1) * std::size_t(-stride)
                                         : pixels;
    // The fourth byte is ignored: frames are opaque by the time they are
    // encoded.
    AVPixelFormat from = bits == 32 ? AV_PIX_FMT_BGR0 : AV_PIX_FMT_BGR24;
    m_sws = sws_getCachedContext(m_sws, width, height, from, m_codec->width, m_codec->height,
                                 m_codec->pix_fmt, SWS_BICUBIC, nullptr, nullptr, nullptr);
    int code = m_sws ? av_frame_make_writable(m_frame) : AVERROR(EINVAL);
    if (code < 0) {
        Fail("The picture cannot be converted for the video encoder", code);
        return kPushFailed;
    }
    // From the top row, the stride steps down the picture either way.
    const std::uint8_t* planes[4] = {top, nullptr, nullptr, nullptr};
    const int strides[4] = {stride, 0, 0, 0};
    sws_scale(m_sws, planes, strides, 0, height, m_frame->data, m_frame->linesize);
    m_frame->pts = m_pushed;
    code = avcodec_send_frame(m_codec, m_frame);
    if (code < 0) {
        Fail("The video encoder failed", code);
        return kPushFailed;
    }
    ++m_pushed;
    return Drain() ? kPushed : kPushFailed;
}

bool CVidEnc::Drain() {
    for (;;) {
        int code = avcodec_receive_packet(m_codec, m_packet);
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
            return true;
        if (code < 0)
            return Fail("The video encoder failed", code);
        if (!Deliver(m_packet)) {
            av_packet_unref(m_packet);
            return false;
        }
    }
}

void CVidEnc::Close(bool abort) {
    if (!m_codec)
        return;
    // The encoder still holds the pictures it reorders; they go out even on
    // abort, so the file ends with the last picture pushed. A failure here
    // is already in the error text; after an abort nobody asks for it.
    (void)abort;
    if (avcodec_send_frame(m_codec, nullptr) >= 0)
        Drain();
}

void CVidEnc::Done() {
    sws_freeContext(m_sws);
    m_sws = nullptr;
    av_packet_free(&m_packet);
    av_frame_free(&m_frame);
    avcodec_free_context(&m_codec);
}

int CVidEnc::PercentDone() const {
    return m_count ? int(std::int64_t(m_pushed) * 100 / m_count) : 100;
}
