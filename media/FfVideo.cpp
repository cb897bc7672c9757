#include "media/FfVideo.h"

#include "base/InputFile.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <cstring>

namespace {

// Opens a file's container and finds its best video stream; −1 when none.
int OpenContainer(const std::string& path, AVFormatContext*& fmt) {
    fmt = nullptr;
    std::string why;
    if (!InputFile::Check(path, why))
        return -1;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0)
        return -1;
    if (avformat_find_stream_info(fmt, nullptr) < 0)
        return -1;
    return av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
}

} // namespace

CFfVideo::CFfVideo() = default;
CFfVideo::~CFfVideo() { Close(); }

void CFfVideo::Close() {
    sws_freeContext(m_sws);
    m_sws = nullptr;
    av_packet_free(&m_packet);
    av_frame_free(&m_frame);
    avcodec_free_context(&m_codec);
    avformat_close_input(&m_fmt);
    m_stream = -1;
    m_eof = m_synced = false;
    m_outWidth = m_outHeight = 0;
    m_rate = m_timeBase = 0;
    m_count = m_startPts = 0;
    m_hasAudio = m_mpeg2 = m_isMpeg = m_stamped = false;
    m_aspectCode = m_sarNum = m_sarDen = 0;
    m_numbered = false;
    m_feedGop = -1;
    m_gopStarts.clear();
    m_current = m_lastIndex = -1;
    m_converted = false;
    m_seeks = 0;
    m_pixels.clear();
}

bool CFfVideo::ProbeSize(const std::string& path, int& width, int& height) {
    AVFormatContext* fmt = nullptr;
    int stream = OpenContainer(path, fmt);
    bool ok = stream >= 0;
    if (ok) {
        width = fmt->streams[stream]->codecpar->width;
        height = fmt->streams[stream]->codecpar->height;
    }
    avformat_close_input(&fmt);
    return ok;
}

bool CFfVideo::Open(const std::string& path, bool halfSize) {
    Close();
    m_path = path;
    m_stream = OpenContainer(path, m_fmt);
    if (m_stream < 0) {
        Close();
        return false;
    }
    AVStream* vs = m_fmt->streams[m_stream];
    const AVCodec* codec = avcodec_find_decoder(vs->codecpar->codec_id);
    m_codec = codec ? avcodec_alloc_context3(codec) : nullptr;
    if (!m_codec || avcodec_parameters_to_context(m_codec, vs->codecpar) < 0) {
        Close();
        return false;
    }
    int width = vs->codecpar->width, height = vs->codecpar->height;
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
        Close();
        return false;
    }
    // One thread per decoder: several clips decode side by side already.
    m_codec->thread_count = 1;
    // Half size is made by scaling full decoded frames. The codec's reduced
    // resolution decoding ("lowres") would be cheaper, but FFmpeg's MPEG-2
    // path for it corrupts the heap on some streams.
    if (avcodec_open2(m_codec, codec, nullptr) < 0) {
        Close();
        return false;
    }
    m_outWidth = halfSize ? width / 2 : width;
    m_outHeight = halfSize ? height / 2 : height;
    m_isMpeg = vs->codecpar->codec_id == AV_CODEC_ID_MPEG1VIDEO ||
               vs->codecpar->codec_id == AV_CODEC_ID_MPEG2VIDEO;
    m_mpeg2 = vs->codecpar->codec_id == AV_CODEC_ID_MPEG2VIDEO;
    std::string format = m_fmt->iformat->name ? m_fmt->iformat->name : "";
    m_stamped = format.find("mov") != std::string::npos ||
                format.find("matroska") != std::string::npos;
    m_sarNum = vs->codecpar->sample_aspect_ratio.num;
    m_sarDen = vs->codecpar->sample_aspect_ratio.den;
    // The rate that maps frame numbers to times. The container's average can
    // be skewed by its own length (B-frame delays, the last frame's length);
    // the stream's base rate is exact for constant-rate clips and wins when
    // the two nearly agree.
    double average = vs->avg_frame_rate.num > 0 && vs->avg_frame_rate.den > 0
                         ? av_q2d(vs->avg_frame_rate) : 0.0;
    double base = vs->r_frame_rate.num > 0 && vs->r_frame_rate.den > 0
                      ? av_q2d(vs->r_frame_rate) : 0.0;
    m_rate = base > 0 && (average <= 0 || std::fabs(average - base) <= 0.05 * base) ? base
                                                                                     : average;
    m_timeBase = av_q2d(vs->time_base);
    for (unsigned k = 0; k < m_fmt->nb_streams; ++k)
        if (m_fmt->streams[k]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
            m_hasAudio = true;
    m_frame = av_frame_alloc();
    m_packet = av_packet_alloc();
    if (!m_frame || !m_packet || m_rate <= 0) {
        Close();
        return false;
    }

    // The frame count: the container's when it keeps one, else the number of
    // video packets (one picture each after FFmpeg's parser), counted in one
    // pass over the file without decoding.
    m_count = vs->nb_frames;
    m_numbered = m_isMpeg;
    if (m_count <= 0 || m_isMpeg) {
        std::int64_t packets = 0;
        while (av_read_frame(m_fmt, m_packet) >= 0) {
            if (m_packet->stream_index == m_stream)
                ScanPacket(m_packet, packets++);
            av_packet_unref(m_packet);
        }
        if (m_count <= 0)
            m_count = packets;
        // Back to the start for frame 0, with a fresh container.
        avformat_close_input(&m_fmt);
        if (OpenContainer(m_path, m_fmt) != m_stream) {
            Close();
            return false;
        }
    }

    if (m_gopStarts.empty())
        m_numbered = false;
    // Frame 0 fixes the time origin (numbered streams: the stream's own start).
    m_synced = true;
    if (m_count <= 0 || !ReceiveFrame()) {
        Close();
        return false;
    }
    // The container may have been opened afresh since: its stream anew.
    vs = m_fmt->streams[m_stream];
    if (m_numbered)
        m_startPts = vs->start_time != AV_NOPTS_VALUE ? vs->start_time : 0;
    else
        m_startPts = m_frame->best_effort_timestamp != AV_NOPTS_VALUE
                         ? m_frame->best_effort_timestamp : 0;
    m_current = m_lastIndex = 0;
    m_converted = false;
    m_seeks = 0;
    return true;
}

// Each packet of an MPEG video stream holds one picture (FFmpeg's parser
// splits them). Program streams do not stamp every picture, and the stamps
// guessed for the others can be a frame off, so pictures are numbered from
// their headers instead: a group of pictures starts with a GOP header, whose
// first displayed picture has the number of pictures before the header, and a
// picture's temporal reference counts its display position in its group. The
// scan files each group's start under the GOP header's time code; while
// decoding, every packet's picture number goes to the decoder as the packet's
// time stamp and comes back on the frame. Streams whose time codes repeat
// fall back to the stamps.
void CFfVideo::ScanPacket(const AVPacket* packet, std::int64_t decodeIndex) {
    if (!m_isMpeg)
        return;
    const std::uint8_t* d = packet->data;
    for (int k = 0; k + 8 <= packet->size; ++k) {
        if (d[k] != 0 || d[k + 1] != 0 || d[k + 2] != 1)
            continue;
        int code = d[k + 3];
        if (code == 0xB3 && !m_aspectCode) {
            // Sequence header: 12 bits width, 12 bits height, 4 bits aspect code.
            m_aspectCode = d[k + 7] >> 4;
        } else if (code == 0xB8) {
            if (!m_gopStarts.emplace(GopCode(d + k), decodeIndex).second)
                m_numbered = false;
        } else if (code == 0x00) {
            return;
        }
    }
}

bool CFfVideo::GetDisplayAspect(int& num, int& den) const {
    if (m_sarNum <= 0 || m_sarDen <= 0 || !m_fmt)
        return false;
    const AVCodecParameters* p = m_fmt->streams[m_stream]->codecpar;
    AVRational dar{};
    av_reduce(&dar.num, &dar.den, std::int64_t(p->width) * m_sarNum,
              std::int64_t(p->height) * m_sarDen, 1 << 20);
    num = dar.num;
    den = dar.den;
    return num > 0 && den > 0;
}

bool CFfVideo::ReceiveFrame() {
    for (;;) {
        int r = avcodec_receive_frame(m_codec, m_frame);
        if (r == 0) {
            // After a seek, frames before the first key frame may lean on
            // pictures the decoder never saw: they are dropped, as are
            // numbered streams' pictures from before the first GOP header.
            if (!m_synced && !m_frame->key_frame && m_frame->pict_type != AV_PICTURE_TYPE_I)
                continue;
            if (m_numbered && m_frame->pts == AV_NOPTS_VALUE)
                continue;
            m_synced = true;
            return true;
        }
        if (r != AVERROR(EAGAIN) || m_eof)
            return false;
        r = av_read_frame(m_fmt, m_packet);
        if (r < 0) {
            m_eof = true;
            avcodec_send_packet(m_codec, nullptr);
            continue;
        }
        if (m_packet->stream_index == m_stream) {
            if (m_numbered)
                NumberPacket(m_packet);
            avcodec_send_packet(m_codec, m_packet);
        }
        av_packet_unref(m_packet);
    }
}

std::int64_t CFfVideo::GopCode(const std::uint8_t* header) {
    // After 00 00 01 B8: the 25-bit time code.
    return std::int64_t(header[4]) << 17 | header[5] << 9 | header[6] << 1 | header[7] >> 7;
}

void CFfVideo::NumberPacket(AVPacket* packet) {
    const std::uint8_t* d = packet->data;
    std::int64_t number = AV_NOPTS_VALUE;
    for (int k = 0; k + 8 <= packet->size; ++k) {
        if (d[k] != 0 || d[k + 1] != 0 || d[k + 2] != 1)
            continue;
        if (d[k + 3] == 0xB8) {
            auto it = m_gopStarts.find(GopCode(d + k));
            m_feedGop = it != m_gopStarts.end() ? it->second : -1;
        } else if (d[k + 3] == 0x00) {
            if (m_feedGop >= 0)
                number = m_feedGop + (d[k + 4] << 2 | d[k + 5] >> 6);
            break;
        }
    }
    packet->pts = number;
    packet->dts = AV_NOPTS_VALUE;
}

std::int64_t CFfVideo::IndexOf(const AVFrame* frame) const {
    if (m_numbered)
        return frame->pts;
    std::int64_t ts = frame->best_effort_timestamp;
    if (ts == AV_NOPTS_VALUE)
        return m_lastIndex + 1;
    return std::llround(double(ts - m_startPts) * m_timeBase * m_rate);
}

bool CFfVideo::SeekBefore(std::int64_t index, double backSeconds) {
    if (!m_fmt)
        return false;
    ++m_seeks;
    // The latest key frame stamped at or before the target time. Targets in
    // the first moments start from the beginning: the container is opened
    // afresh, since seeking to the very start by time misses the first key
    // frame in some containers (program streams) and by bytes is not
    // honoured by others (AVI).
    double seconds = std::max(0.0, double(index) / m_rate - backSeconds);
    int r = 0;
    if (seconds > 0) {
        std::int64_t ts = m_startPts + std::int64_t(seconds / m_timeBase);
        r = avformat_seek_file(m_fmt, m_stream, INT64_MIN, ts, ts, 0);
    } else {
        avformat_close_input(&m_fmt);
        if (OpenContainer(m_path, m_fmt) != m_stream) {
            // The file changed under us: nothing more can be read.
            avformat_close_input(&m_fmt);
            return false;
        }
    }
    avcodec_flush_buffers(m_codec);
    m_eof = false;
    m_synced = false;
    m_feedGop = -1;
    m_current = m_lastIndex = -1;
    m_converted = false;
    return r >= 0;
}

// Decodes forward until the frame of that index is the current one. False
// when the stream ends first or a frame past it comes before it.
bool CFfVideo::DecodeUpTo(std::int64_t index) {
    while (m_current < index) {
        if (!ReceiveFrame())
            return false;
        // Frames come out in display order. Containers that stamp every frame
        // with its presentation time place frames by their stamps; in the
        // others (program streams, AVI) frames are counted one by one from
        // the key frame, since the stamps FFmpeg guesses can be a frame off.
        if (m_current < 0 || m_numbered ||
            (m_stamped && m_frame->best_effort_timestamp != AV_NOPTS_VALUE))
            m_current = IndexOf(m_frame);
        else
            ++m_current;
        m_lastIndex = m_current;
        m_converted = false;
    }
    return m_current == index;
}

const std::uint8_t* CFfVideo::GetFrame(std::int64_t index, bool bottomUp, int& stride) {
    stride = 0;
    if (!m_fmt || !m_codec || index < 0 || index >= m_count)
        return nullptr;
    bool ok = index == m_current;
    if (!ok && m_current >= 0 && index > m_current && index - m_current <= kForwardFrames)
        ok = DecodeUpTo(index);
    // Seek to a key frame at or before the target: the nearest first, then
    // further back when the stream's first key frame after the seek point
    // lies past the target, finally from the start.
    static const double kBack[] = {0.5, 2.0, 6.0, 20.0, 1e30};
    for (double back : kBack) {
        if (ok)
            break;
        if (!SeekBefore(index, back))
            continue;
        if (!ReceiveFrame())
            continue;
        m_lastIndex = m_current = IndexOf(m_frame);
        if (m_current > index)
            continue;
        ok = DecodeUpTo(index);
    }
    if (!ok) {
        m_current = m_lastIndex = -1;
        return nullptr;
    }
    Convert(bottomUp);
    std::size_t pitch = std::size_t(m_outWidth) * 4;
    stride = bottomUp ? -int(pitch) : int(pitch);
    return m_pixels.data();
}

void CFfVideo::Convert(bool bottomUp) {
    if (m_converted && m_convertedBottomUp == bottomUp)
        return;
    std::size_t pitch = std::size_t(m_outWidth) * 4;
    m_pixels.resize(pitch * std::size_t(m_outHeight));
    m_sws = sws_getCachedContext(m_sws, m_frame->width, m_frame->height,
                                 AVPixelFormat(m_frame->format), m_outWidth, m_outHeight,
                                 AV_PIX_FMT_BGRA, m_outWidth < m_frame->width ? SWS_AREA : SWS_BILINEAR,
                                 nullptr, nullptr, nullptr);
    if (!m_sws) {
        std::memset(m_pixels.data(), 0, m_pixels.size());
    } else {
        std::uint8_t* dst[4] = {bottomUp ? m_pixels.data() + pitch * (m_outHeight - 1)
                                         : m_pixels.data(),
                                nullptr, nullptr, nullptr};
        int dstStride[4] = {bottomUp ? -int(pitch) : int(pitch), 0, 0, 0};
        sws_scale(m_sws, m_frame->data, m_frame->linesize, 0, m_frame->height, dst, dstStride);
    }
    // Frames are opaque whatever the clip stores.
    for (std::size_t k = 3; k < m_pixels.size(); k += 4)
        m_pixels[k] = 255;
    m_converted = true;
    m_convertedBottomUp = bottomUp;
}
