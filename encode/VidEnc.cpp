#include "encode/VidEnc.h"

#include "base/ThreadName.h"
#include "encode/EncodeThreads.h"
#include "encode/MpgPreset.h"
#include "encode/Muxer.h"
#include "encode/VideoSrc.h"
#include "imgcore/CPU.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <system_error>
#include <utility>

namespace {

std::atomic<int> g_picturesHeld{0};

} // namespace

void CVidEnc::SFreePicture::operator()(AVFrame* picture) const {
    if (!picture)
        return;
    av_frame_free(&picture);
    g_picturesHeld.fetch_sub(1, std::memory_order_relaxed);
}

CVidEnc::CPicture CVidEnc::NewPicture() {
    CPicture picture(av_frame_alloc());
    if (picture)
        g_picturesHeld.fetch_add(1, std::memory_order_relaxed);
    return picture;
}

int CVidEnc::PicturesHeld() { return g_picturesHeld.load(std::memory_order_relaxed); }

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
    m_codec.reset(avcodec_alloc_context3(codec));
    m_packet.reset(av_packet_alloc());
    if (!m_codec || !m_packet)
        return Fail("Out of memory for the video encoder", AVERROR(ENOMEM));

    AVCodecContext* c = m_codec.get();
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
    m_pixelFormat = pixels;
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
    // 1 is the MPEG encoders' default; other encoders have no such option.
    if (s.bidirRefine != 1 &&
        av_opt_set_int(c, "bidir_refine", s.bidirRefine, AV_OPT_SEARCH_CHILDREN) < 0)
        return Fail("The video encoder \"" + s.codec + "\" cannot leave bidirectional vectors unrefined",
                    AVERROR(EINVAL));
    if (s.codecTag)
        c->codec_tag = s.codecTag;
    // None asked for: whole-picture threads as the encoder chooses them (0),
    // slices one per core plus one, as for every encoder.
    c->thread_count = s.threads > 0 ? s.threads : s.frameThreads ? 0 : EncodeThreads(0);
    c->thread_type = s.frameThreads ? FF_THREAD_FRAME : FF_THREAD_SLICE;
    if (s.globalHeader)
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (s.colourMatrix == 709 || s.colourMatrix == 601) {
        // Limited range; the matrix the conversion below uses, and the
        // primaries and transfer of the standard (PAL's or NTSC's for SD).
        c->color_range = AVCOL_RANGE_MPEG;
        if (s.colourMatrix == 709) {
            c->colorspace = AVCOL_SPC_BT709;
            c->color_primaries = AVCOL_PRI_BT709;
            c->color_trc = AVCOL_TRC_BT709;
        } else {
            // 25 and 50 pictures a second are PAL's; the rest NTSC's.
            const bool pal = s.rateDen == 1 && s.rateNum % 25 == 0;
            c->colorspace = pal ? AVCOL_SPC_BT470BG : AVCOL_SPC_SMPTE170M;
            c->color_primaries = pal ? AVCOL_PRI_BT470BG : AVCOL_PRI_SMPTE170M;
            c->color_trc = AVCOL_TRC_SMPTE170M;
        }
    }
    if (!s.preset.empty())
        av_opt_set(c->priv_data, "preset", s.preset.c_str(), 0);
    if (s.crf >= 0)
        av_opt_set_int(c->priv_data, "crf", s.crf, 0);
    if (s.scanOffset)
        av_opt_set_int(c->priv_data, "scan_offset", 1, 0);
    int code = avcodec_open2(c, codec, nullptr);
    if (code < 0)
        return Fail("The video encoder \"" + s.codec + "\" cannot be opened", code);
    m_queueLimit = QueueLimit(s.width, s.height);
    // The compressing thread starts now, beside the encoder's own: all of
    // them exist before the caller's thread may go below normal priority,
    // which threads it starts later would inherit.
    return StartThread();
}

int CVidEnc::QueueLimit(int width, int height) {
    // 4:2:0 pictures: a byte and a half per pixel.
    const std::int64_t bytes = std::max<std::int64_t>(1, std::int64_t(width) * height * 3 / 2);
    return int(std::clamp<std::int64_t>((std::int64_t(16) << 20) / bytes, 2, 6));
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
    // Four-byte pictures of the encoder's own size going to 4:2:0 take the
    // direct conversion (several times faster than FFmpeg's scaler, with the
    // chroma where MPEG-2 and H.264 expect it); others the scaler.
    const bool direct = bits == 32 && width == m_settings.width && height == m_settings.height &&
                        m_pixelFormat == AV_PIX_FMT_YUV420P && width % 2 == 0 && height % 2 == 0;
    // The encoder's own fields are not read here: the compressing thread
    // owns the encoder. The converter is made once per source size and
    // format (FFmpeg's cached variant makes a new one, without the matrix
    // set on the old, for every picture).
    if (!direct &&
        (!m_sws || width != m_swsWidth || height != m_swsHeight || from != m_swsFormat)) {
        m_sws.reset(sws_getContext(width, height, from, m_settings.width, m_settings.height,
                                   AVPixelFormat(m_pixelFormat), SWS_BICUBIC, nullptr, nullptr,
                                   nullptr));
        if (!m_sws) {
            Fail("The picture cannot be converted for the video encoder", AVERROR(EINVAL));
            return kPushFailed;
        }
        m_swsWidth = width;
        m_swsHeight = height;
        m_swsFormat = from;
        if (m_settings.colourMatrix == 709) {
            // The scaler's own matrix is BT.601; HD pictures are tagged BT.709.
            const int* rgb = sws_getCoefficients(SWS_CS_DEFAULT);
            sws_setColorspaceDetails(m_sws.get(), rgb, 1, sws_getCoefficients(SWS_CS_ITU709), 0,
                                     0, 1 << 16, 1 << 16);
        }
    }
    if (!CheckThread())
        return kPushFailed;
    // A picture the thread is done with, or a new one.
    CPicture picture;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (!m_spare.empty()) {
            picture = std::move(m_spare.back());
            m_spare.pop_back();
        }
    }
    int code = 0;
    if (!picture) {
        picture = NewPicture();
        if (picture) {
            picture->format = m_pixelFormat;
            picture->width = m_settings.width;
            picture->height = m_settings.height;
            code = av_frame_get_buffer(picture.get(), 0);
        }
    }
    if (picture && code >= 0)
        code = av_frame_make_writable(picture.get()); // the encoder may still hold its pixels
    if (!picture || code < 0) {
        Fail("Out of memory for the video encoder", code < 0 ? code : AVERROR(ENOMEM));
        return kPushFailed;
    }
    // From the top row, the stride steps down the picture either way.
    if (direct) {
        const IppiSize size{width, height};
        const IppStatus status =
            m_settings.colourMatrix == 709
                ? CCPU::ippiBGRToYCbCr420_709CSC_8u_AC4P3R(top, stride, picture->data,
                                                           picture->linesize, size)
                : CCPU::ippiBGRToYCbCr420_8u_AC4P3R(top, stride, picture->data,
                                                    picture->linesize, size);
        if (status != ippStsNoErr) {
            Fail("The picture cannot be converted for the video encoder", AVERROR(EINVAL));
            return kPushFailed;
        }
    } else {
        const std::uint8_t* planes[4] = {top, nullptr, nullptr, nullptr};
        const int strides[4] = {stride, 0, 0, 0};
        sws_scale(m_sws.get(), planes, strides, 0, height, picture->data, picture->linesize);
    }
    picture->pts = m_pushed++;
    if (m_handOverHook)
        m_handOverHook(picture->pts);

    if (!m_thread.joinable() && !StartThread())
        return kPushFailed;
    std::unique_lock<std::mutex> lock(m_lock);
    // A thread that failed has ended and takes nothing more: the picture is
    // dropped here rather than left in a queue nobody empties.
    if (!m_threadFailed) {
        m_queue.push_back(std::move(picture));
        m_changed.notify_all();
        m_changed.wait(lock,
                       [this] { return int(m_queue.size()) < m_queueLimit || m_threadFailed; });
    }
    lock.unlock();
    return CheckThread() ? kPushed : kPushFailed;
}

bool CVidEnc::StartThread() {
    m_ending = m_threadFailed = false;
    m_threadError.clear();
    try {
        m_thread = std::thread([this] {
            SetThreadName("kv-video-enc");
            Compress();
        });
    } catch (const std::system_error& e) {
        return Fail(std::string("The video compressing thread cannot be started: ") + e.what(), 0);
    }
    return true;
}

void CVidEnc::Compress() {
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        m_changed.wait(lock, [this] { return !m_queue.empty() || m_ending; });
        if (m_queue.empty())
            return;
        CPicture picture = std::move(m_queue.front());
        m_queue.pop_front();
        const std::int64_t number = picture->pts;
        lock.unlock();
        std::string error = m_compressHook ? m_compressHook(number) : std::string();
        int code = error.empty() ? avcodec_send_frame(m_codec.get(), picture.get()) : 0;
        if (code < 0) {
            char detail[AV_ERROR_MAX_STRING_SIZE] = {};
            av_strerror(code, detail, sizeof detail);
            error = std::string("The video encoder failed: ") + detail;
        }
        while (error.empty()) {
            code = avcodec_receive_packet(m_codec.get(), m_packet.get());
            if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
                break;
            if (code < 0) {
                char detail[AV_ERROR_MAX_STRING_SIZE] = {};
                av_strerror(code, detail, sizeof detail);
                error = std::string("The video encoder failed: ") + detail;
            } else if (!m_muxer) {
                error = "The video encoder is not connected to a multiplexer";
            } else if (!m_muxer->WritePacket(m_stream, m_packet.get())) {
                error = m_muxer->ErrorCopy();
                if (error.empty())
                    error = "The video could not be written";
            }
        }
        av_packet_unref(m_packet.get());
        lock.lock();
        m_spare.push_back(std::move(picture));
        if (!error.empty()) {
            m_threadFailed = true;
            m_threadError = error;
            // Pictures still queued will never be compressed.
            m_queue.clear();
        }
        m_changed.notify_all();
        if (m_threadFailed)
            return;
    }
}

bool CVidEnc::CompressingFailed() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_threadFailed;
}

bool CVidEnc::CheckThread() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_threadFailed)
        return true;
    if (!m_threadError.empty())
        SetError(m_threadError);
    return false;
}

bool CVidEnc::StopThread() {
    if (m_thread.joinable()) {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_ending = true;
            m_changed.notify_all();
        }
        m_thread.join();
    }
    return CheckThread();
}

bool CVidEnc::Drain() {
    for (;;) {
        int code = avcodec_receive_packet(m_codec.get(), m_packet.get());
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
            return true;
        if (code < 0)
            return Fail("The video encoder failed", code);
        if (!Deliver(m_packet.get())) {
            av_packet_unref(m_packet.get());
            return false;
        }
    }
}

void CVidEnc::Close(bool abort) {
    // Every picture pushed is compressed; the encoder then gives up the ones
    // it holds back for reordering. This happens even on abort, so the file
    // ends with the last picture pushed. A failure is in the error text;
    // after an abort nobody asks for it.
    (void)abort;
    if (!m_codec || !StopThread())
        return;
    if (avcodec_send_frame(m_codec.get(), nullptr) >= 0)
        Drain();
}

void CVidEnc::Done() {
    StopThread();
    // The thread has ended: whatever it left queued or kept goes now.
    m_queue.clear();
    m_spare.clear();
    m_sws.reset();
    m_packet.reset();
    m_codec.reset();
}

int CVidEnc::PercentDone() const {
    return m_count ? int(std::int64_t(m_pushed) * 100 / m_count) : 100;
}
