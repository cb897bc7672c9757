#include "media/FfVideo.h"

#include "base/InputFile.h"
#include "media/MediaKind.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

namespace {

// Bytes from one row of converted pixels to the next, and the room after the
// last row. The scaler's vector code writes whole blocks and can run up to a
// few dozen bytes past the end of a row whose width is not a multiple of its
// block; rows padded to 64 bytes and a tail of 64 keep those writes inside
// the buffer and off the next row.
constexpr std::size_t kRowAlign = 64;
constexpr std::size_t kTail = 64;
std::size_t RowPitch(int width) {
    return (std::size_t(width) * 4 + kRowAlign - 1) / kRowAlign * kRowAlign;
}

// A stamp up to this fraction of a frame period after an index's time still
// shows at that index: containers round times (Matroska to milliseconds).
constexpr double kLate = 0.2;

// Probe scores up to this are guesses (FFmpeg's maximum is 100).
constexpr int kWeakProbe = AVPROBE_SCORE_MAX / 4;
constexpr const char* kNotVideo = "the file is not in a video format this build can read";

// The first index whose time is at or after a position counted in frame
// periods from the start, a stamp up to kLate past it still counting as on
// time. Positions from broken stamps are clamped so the conversion stays
// defined.
std::int64_t FirstIndexAt(double position) {
    double index = std::ceil(position - kLate);
    if (std::isnan(index))
        return 0;
    return std::int64_t(std::clamp(index, -1e15, 1e15));
}

std::string FfText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

// The first bytes of a file (fewer when it is shorter).
std::string ReadHead(const std::string& path, std::size_t size) {
    std::string head(size, '\0');
    std::ifstream in(path, std::ios::binary);
    in.read(head.data(), std::streamsize(size));
    head.resize(std::size_t(std::max<std::streamsize>(0, in.gcount())));
    return head;
}

// A name a person knows for a container, from FFmpeg's demuxer and the
// file's first bytes (which tell MP4, QuickTime and 3GP apart, and WebM from
// other Matroska files).
std::string ContainerName(const AVInputFormat* format, const std::string& head) {
    std::string name = format && format->name ? format->name : "";
    if (name.rfind("mov,", 0) == 0) {
        if (head.size() < 12 || head.compare(4, 4, "ftyp") != 0)
            return "QuickTime (MOV)";
        std::string brand = head.substr(8, 4);
        if (brand == "qt  ")
            return "QuickTime (MOV)";
        if (brand.rfind("3g", 0) == 0)
            return "3GP";
        return "MP4";
    }
    if (name.rfind("matroska", 0) == 0)
        return head.find("webm") != std::string::npos ? "WebM" : "Matroska";
    static const struct {
        const char* format;
        const char* name;
    } kNames[] = {{"avi", "AVI"},          {"mpeg", "MPEG"},
                  {"mpegts", "MPEG transport stream"}, {"mpegvideo", "MPEG video"},
                  {"asf", "Windows Media"}, {"flv", "Flash video"},
                  {"ogg", "Ogg"},          {"m4v", "MPEG-4 video"}};
    for (const auto& n : kNames)
        if (name == n.format)
            return n.name;
    if (format && format->long_name)
        return format->long_name;
    return name.empty() ? "video" : name;
}

std::string ContainerName(const AVFormatContext* fmt, const std::string& path) {
    return ContainerName(fmt->iformat, ReadHead(path, 64));
}

// "a" or "an" before a container name (MP4 and MPEG are spoken letter by letter).
std::string Article(const std::string& name) {
    bool vowel = !name.empty() && std::string("AEIOU").find(name[0]) != std::string::npos;
    return vowel || name.rfind("MP", 0) == 0 ? "an " : "a ";
}

// Why FFmpeg could not open a file: the format its first bytes resemble, if
// any, named as damaged; else not a format this build reads.
std::string WhyNotOpened(const std::string& path, int error) {
    std::string head = ReadHead(path, 4096);
    // The probe reads past the data by up to a padding of zeros.
    std::vector<unsigned char> buffer(head.size() + AVPROBE_PADDING_SIZE, 0);
    std::memcpy(buffer.data(), head.data(), head.size());
    AVProbeData probe{};
    probe.filename = path.c_str();
    probe.buf = buffer.data();
    probe.buf_size = int(head.size());
    int score = 0;
    const AVInputFormat* format = av_probe_input_format2(&probe, 1, &score);
    if (format && score > kWeakProbe) {
        std::string name = ContainerName(format, head);
        return "the file looks like " + Article(name) + name + " file but is damaged (" +
               FfText(error) + ")";
    }
    if (error == AVERROR_INVALIDDATA)
        return kNotVideo;
    return "the file cannot be opened: " + FfText(error);
}

// A name a person knows for a video codec.
std::string CodecName(const AVCodecParameters* p) {
    static const struct {
        AVCodecID id;
        const char* name;
    } kNames[] = {{AV_CODEC_ID_H264, "H.264"},         {AV_CODEC_ID_HEVC, "H.265 (HEVC)"},
                  {AV_CODEC_ID_AV1, "AV1"},            {AV_CODEC_ID_VP8, "VP8"},
                  {AV_CODEC_ID_VP9, "VP9"},            {AV_CODEC_ID_MPEG4, "MPEG-4 Part 2"},
                  {AV_CODEC_ID_MPEG1VIDEO, "MPEG-1"},  {AV_CODEC_ID_MPEG2VIDEO, "MPEG-2"},
                  {AV_CODEC_ID_H263, "H.263"},         {AV_CODEC_ID_PRORES, "ProRes"}};
    for (const auto& n : kNames)
        if (p->codec_id == n.id)
            return n.name;
    if (const AVCodecDescriptor* d = avcodec_descriptor_get(p->codec_id))
        return d->long_name ? d->long_name : d->name;
    char tag[AV_FOURCC_MAX_STRING_SIZE] = {};
    av_fourcc_make_string(tag, p->codec_tag);
    return std::string("'") + tag + "'";
}

// Opens a file's container and finds its best video stream; −1 with why set
// when that fails.
int OpenContainer(const std::string& path, FfInputPtr& fmt, std::string& why) {
    fmt.reset();
    if (!CFfVideo::CanRead(path, why))
        return -1;
    AVFormatContext* opened = nullptr; // FFmpeg allocates the context itself when given null
    // The container is told from the content; FFmpeg's own probing (which
    // also weighs the name) is the fallback for what the content leaves open.
    int score = 0;
    const AVInputFormat* content = CMediaKind::ContentFormat(path, &score);
    int r = avformat_open_input(&opened, path.c_str(), content, nullptr);
    if (r < 0) {
        why = WhyNotOpened(path, r);
        return -1;
    }
    fmt.reset(opened);
    // FFmpeg records no score for a format it was given; the content's is kept.
    if (content)
        fmt->probe_score = score;
    // A format recognised only by a weak guess (a stray byte pattern, the
    // file name) says little: when such a file fails, it is called not a
    // video rather than a damaged one.
    const bool guessed = fmt->probe_score <= kWeakProbe;
    r = avformat_find_stream_info(fmt.get(), nullptr);
    if (r < 0) {
        why = guessed ? kNotVideo : "the file is damaged: " + FfText(r);
        return -1;
    }
    r = av_find_best_stream(fmt.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (r < 0) {
        why = guessed ? kNotVideo : "this " + ContainerName(fmt.get(), path) + " file holds no video";
        return -1;
    }
    return r;
}

// The display matrix a stream carries, or null.
const std::int32_t* DisplayMatrixOf(const AVStream* st) {
#if LIBAVCODEC_VERSION_INT >= AV_VERSION_INT(60, 31, 100)
    const AVPacketSideData* sd =
        av_packet_side_data_get(st->codecpar->coded_side_data, st->codecpar->nb_coded_side_data,
                                AV_PKT_DATA_DISPLAYMATRIX);
    if (!sd || sd->size < 9 * sizeof(std::int32_t))
        return nullptr;
    return reinterpret_cast<const std::int32_t*>(sd->data);
#else
    std::size_t size = 0;
    const std::uint8_t* data = av_stream_get_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (!data || size < 9 * sizeof(std::int32_t))
        return nullptr;
    return reinterpret_cast<const std::int32_t*>(data);
#endif
}

CFfVideo::STurn TurnOfStream(const AVStream* st) {
    const std::int32_t* m = DisplayMatrixOf(st);
    return m ? CFfVideo::TurnOf(m) : CFfVideo::STurn{};
}

} // namespace

bool CFfVideo::CanRead(const std::string& path, std::string& why) {
    std::string reason;
    if (InputFile::Check(path, reason))
        return true;
    // The short reasons read on from "the file"; the system's texts do not.
    why = reason.rfind("does not", 0) == 0 || reason.rfind("is ", 0) == 0
              ? "the file " + reason
              : "the file cannot be read: " + reason;
    return false;
}

CFfVideo::STurn CFfVideo::TurnOf(const std::int32_t matrix[9]) {
    // The linear part, (a b; c d), in 16.16 fixed point.
    double a = matrix[0], b = matrix[1], c = matrix[3], d = matrix[4];
    auto sign = [](double v) { return v < 0 ? -1 : 1; };
    STurn t;
    if (a == 0 && b == 0 && c == 0 && d == 0)
        return t;
    // The nearest quarter turn: the diagonal or the cross entries dominate.
    if (std::fabs(a) + std::fabs(d) >= std::fabs(b) + std::fabs(c)) {
        t.a = sign(a);
        t.d = sign(d);
        t.b = t.c = 0;
    } else {
        t.a = t.d = 0;
        t.b = sign(b);
        t.c = sign(c);
    }
    return t;
}

CFfVideo::CFfVideo() = default;
CFfVideo::~CFfVideo() { Close(); }

void CFfVideo::Close() {
    m_sws.reset();
    m_packet.reset();
    m_shown.reset();
    m_next.reset();
    m_codec.reset();
    m_fmt.reset();
    m_stream = -1;
    m_eof = m_synced = false;
    m_decodeError = 0;
    m_haveShown = m_haveNext = m_nextOnTime = false;
    m_shownFirst = m_nextFirst = -1;
    m_outWidth = m_outHeight = m_scaledWidth = m_scaledHeight = 0;
    m_turn = STurn{};
    m_rate = m_timeBase = 0;
    m_count = m_startPts = 0;
    m_hasAudio = m_mpeg2 = m_isMpeg = m_stamped = false;
    m_aspectCode = m_sarNum = m_sarDen = 0;
    m_numbered = false;
    m_feedGop = -1;
    m_gopStarts.clear();
    m_current = -1;
    m_converted = false;
    m_seeks = 0;
    m_pixels.clear();
    m_scaled.clear();
}

bool CFfVideo::Fail(std::string why) {
    bool guessed = m_fmt && m_fmt->probe_score <= kWeakProbe;
    Close();
    m_error = guessed ? kNotVideo : std::move(why);
    return false;
}

bool CFfVideo::ProbeSize(const std::string& path, int& width, int& height, std::string& why) {
    FfInputPtr fmt;
    int stream = OpenContainer(path, fmt, why);
    if (stream < 0)
        return false;
    const AVStream* st = fmt->streams[stream];
    bool swap = TurnOfStream(st).SwapsSides();
    width = swap ? st->codecpar->height : st->codecpar->width;
    height = swap ? st->codecpar->width : st->codecpar->height;
    return true;
}

bool CFfVideo::Open(const std::string& path, bool halfSize) {
    Close();
    m_error.clear();
    m_path = path;
    std::string why;
    m_stream = OpenContainer(path, m_fmt, why);
    if (m_stream < 0)
        return Fail(why);
    const std::string container = ContainerName(m_fmt.get(), path);
    AVStream* vs = m_fmt->streams[m_stream];
    const std::string codecName = CodecName(vs->codecpar);
    const AVCodec* codec = avcodec_find_decoder(vs->codecpar->codec_id);
    if (!codec && vs->codecpar->codec_id == AV_CODEC_ID_NONE)
        return Fail("this is " + Article(container) + container +
                    " file whose video codec this build does not know");
    if (!codec)
        return Fail("this is " + Article(container) + container + " file whose video codec " +
                    codecName + " this build cannot decode");
    m_codec.reset(avcodec_alloc_context3(codec));
    if (!m_codec)
        return Fail("out of memory");
    int r = avcodec_parameters_to_context(m_codec.get(), vs->codecpar);
    if (r < 0)
        return Fail("the " + codecName + " video cannot be set up: " + FfText(r));
    int width = vs->codecpar->width, height = vs->codecpar->height;
    // FFmpeg leaves the size 0 when no picture header of the stream could be read.
    if (width <= 0 || height <= 0)
        return Fail("the file is damaged: its " + codecName + " video gives no picture size");
    if (width > 16384 || height > 16384)
        return Fail("the " + codecName + " video's pictures (" + std::to_string(width) + " x " +
                    std::to_string(height) + ") are larger than this program handles");
    // One thread per decoder: several clips decode side by side already.
    m_codec->thread_count = 1;
    // Half size is made by scaling full decoded frames. The codec's reduced
    // resolution decoding ("lowres") would be cheaper, but FFmpeg's MPEG-2
    // path for it corrupts the heap on some streams.
    r = avcodec_open2(m_codec.get(), codec, nullptr);
    if (r < 0)
        return Fail("this build cannot start its " + codecName + " decoder: " + FfText(r));
    m_turn = TurnOfStream(vs);
    m_scaledWidth = halfSize ? width / 2 : width;
    m_scaledHeight = halfSize ? height / 2 : height;
    m_outWidth = m_turn.SwapsSides() ? m_scaledHeight : m_scaledWidth;
    m_outHeight = m_turn.SwapsSides() ? m_scaledWidth : m_scaledHeight;
    m_isMpeg = vs->codecpar->codec_id == AV_CODEC_ID_MPEG1VIDEO ||
               vs->codecpar->codec_id == AV_CODEC_ID_MPEG2VIDEO;
    m_mpeg2 = vs->codecpar->codec_id == AV_CODEC_ID_MPEG2VIDEO;
    std::string format = m_fmt->iformat->name ? m_fmt->iformat->name : "";
    m_stamped = format.find("mov") != std::string::npos ||
                format.find("matroska") != std::string::npos;
    m_sarNum = vs->codecpar->sample_aspect_ratio.num;
    m_sarDen = vs->codecpar->sample_aspect_ratio.den;
    m_timeBase = av_q2d(vs->time_base);
    for (unsigned k = 0; k < m_fmt->nb_streams; ++k)
        if (m_fmt->streams[k]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
            m_hasAudio = true;
    m_shown.reset(av_frame_alloc());
    m_next.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    if (!m_shown || !m_next || !m_packet)
        return Fail("out of memory");
    double average = vs->avg_frame_rate.num > 0 && vs->avg_frame_rate.den > 0
                         ? av_q2d(vs->avg_frame_rate) : 0.0;
    const double base = vs->r_frame_rate.num > 0 && vs->r_frame_rate.den > 0
                            ? av_q2d(vs->r_frame_rate) : 0.0;

    // The frame count: the container's when it keeps one, else the number of
    // video packets (one picture each after FFmpeg's parser), counted in one
    // pass over the file without decoding. The same pass finds the span from
    // the first picture to the end of the last in containers that stamp
    // every packet.
    m_count = vs->nb_frames;
    m_numbered = m_isMpeg;
    std::int64_t end = AV_NOPTS_VALUE;
    std::int64_t lastStart = AV_NOPTS_VALUE; // the stamp of the last picture, when scanned
    if (vs->duration != AV_NOPTS_VALUE && vs->duration > 0)
        end = (vs->start_time != AV_NOPTS_VALUE ? vs->start_time : 0) + vs->duration;
    if (m_count <= 0 || m_isMpeg) {
        std::int64_t packets = 0;
        std::int64_t first = AV_NOPTS_VALUE, last = AV_NOPTS_VALUE;
        while (av_read_frame(m_fmt.get(), m_packet.get()) >= 0) {
            const AVPacket* p = m_packet.get();
            if (p->stream_index == m_stream) {
                ScanPacket(p, packets++);
                if (p->pts != AV_NOPTS_VALUE) {
                    first = first == AV_NOPTS_VALUE ? p->pts : std::min(first, p->pts);
                    lastStart = lastStart == AV_NOPTS_VALUE ? p->pts : std::max(lastStart, p->pts);
                    std::int64_t stop = p->pts + std::max<std::int64_t>(0, p->duration);
                    last = last == AV_NOPTS_VALUE ? stop : std::max(last, stop);
                }
            }
            av_packet_unref(m_packet.get());
        }
        if (m_count <= 0) {
            m_count = packets;
            end = last;
            // A container without an average (Matroska): the pictures over
            // their span.
            if (average <= 0 && last != AV_NOPTS_VALUE && last > first)
                average = double(packets) / (double(last - first) * m_timeBase);
        }
        // Back to the start for frame 0, with a fresh container.
        if (OpenContainer(m_path, m_fmt, why) != m_stream)
            return Fail(why.empty() ? "the file changed while it was read" : why);
    }
    if (m_count <= 0)
        return Fail("the " + codecName + " video in this " + container + " file holds no frames");
    // The rate that maps frame numbers to times. The container's average can
    // be skewed by its own length (B-frame delays, the last frame's length);
    // the stream's base rate is exact for constant-rate clips and wins when
    // the two nearly agree. Clips whose frames are unevenly spaced use the
    // average.
    m_rate = base > 0 && (average <= 0 || std::fabs(average - base) <= 0.05 * base) ? base
                                                                                     : average;
    if (m_rate <= 0)
        return Fail("the " + codecName + " video in this " + container +
                    " file gives no frame rate");

    if (m_gopStarts.empty())
        m_numbered = false;
    // Frame 0 fixes the time origin (numbered streams: the stream's own start).
    m_synced = true;
    if (!ReceiveFrame()) {
        std::string detail = m_decodeError ? " (" + FfText(m_decodeError) + ")" : "";
        return Fail("the file is damaged: no picture of its " + codecName +
                    " video can be decoded" + detail);
    }
    // The container may have been opened afresh since: its stream anew.
    vs = m_fmt->streams[m_stream];
    if (m_numbered)
        m_startPts = vs->start_time != AV_NOPTS_VALUE ? vs->start_time : 0;
    else
        m_startPts = m_next->best_effort_timestamp != AV_NOPTS_VALUE
                         ? m_next->best_effort_timestamp : 0;
    // Unevenly spaced frames: the count covers the clip's duration at the
    // rate, whatever the number of pictures, and reaches the first index of
    // the last picture even when the container does not say how long that
    // picture lasts.
    if (m_stamped && end != AV_NOPTS_VALUE) {
        double span = double(end - m_startPts) * m_timeBase * m_rate;
        m_count = std::max(m_count, FirstIndexAt(span));
    }
    if (m_stamped && lastStart != AV_NOPTS_VALUE) {
        double position = double(lastStart - m_startPts) * m_timeBase * m_rate;
        m_count = std::max(m_count, FirstIndexAt(position) + 1);
    }
    m_haveNext = true;
    m_nextFirst = 0;
    m_nextOnTime = true;
    if (!DecodeUpTo(0))
        return Fail("the file is damaged: its first picture cannot be decoded");
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
    // The stored picture's display width and height; a quarter turn swaps them.
    std::int64_t w = std::int64_t(p->width) * m_sarNum;
    std::int64_t h = std::int64_t(p->height) * m_sarDen;
    if (m_turn.SwapsSides())
        std::swap(w, h);
    AVRational dar{0, 1};
    av_reduce(&dar.num, &dar.den, w, h, 1 << 20);
    num = dar.num;
    den = dar.den;
    return num > 0 && den > 0;
}

// Decodes the next frame into m_next. False at the end of the stream or when
// the decoder gives up.
bool CFfVideo::ReceiveFrame() {
    for (;;) {
        int r = avcodec_receive_frame(m_codec.get(), m_next.get());
        if (r == 0) {
            // After a seek, frames before the first key frame may lean on
            // pictures the decoder never saw: they are dropped, as are
            // numbered streams' pictures from before the first GOP header.
            if ((!m_synced && !m_next->key_frame && m_next->pict_type != AV_PICTURE_TYPE_I) ||
                (m_numbered && m_next->pts == AV_NOPTS_VALUE)) {
                av_frame_unref(m_next.get());
                continue;
            }
            m_synced = true;
            return true;
        }
        if (r != AVERROR(EAGAIN) || m_eof) {
            if (r != AVERROR_EOF && r != AVERROR(EAGAIN))
                m_decodeError = r;
            return false;
        }
        r = av_read_frame(m_fmt.get(), m_packet.get());
        if (r < 0) {
            m_eof = true;
            avcodec_send_packet(m_codec.get(), nullptr);
            continue;
        }
        if (m_packet->stream_index == m_stream) {
            if (m_numbered)
                NumberPacket(m_packet.get());
            // A damaged packet is skipped; the decoder carries on with the next.
            r = avcodec_send_packet(m_codec.get(), m_packet.get());
            if (r < 0 && r != AVERROR(EAGAIN))
                m_decodeError = r;
        }
        av_packet_unref(m_packet.get());
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

// Containers that stamp every frame with its presentation time place frames
// by their stamps: a frame first answers the first index whose time is at or
// after its stamp. In the others (program streams, AVI) frames are counted
// one by one from the first after a seek, since the stamps FFmpeg guesses can
// be a frame off; numbered MPEG pictures carry their index.
std::int64_t CFfVideo::FirstIndexOfNext(bool& onTime) const {
    onTime = true;
    if (m_numbered)
        return m_next->pts;
    std::int64_t ts = m_next->best_effort_timestamp;
    if (ts == AV_NOPTS_VALUE || (!m_stamped && m_haveShown))
        return m_haveShown ? m_shownFirst + 1 : 0;
    double position = double(ts - m_startPts) * m_timeBase * m_rate;
    if (!m_stamped)
        return std::llround(position);
    std::int64_t first = FirstIndexAt(position);
    onTime = position >= double(first) - kLate;
    return first;
}

// Makes the pending frame the shown one; false when none is pending.
bool CFfVideo::TakeNext() {
    if (!m_haveNext)
        return false;
    std::swap(m_shown, m_next);
    av_frame_unref(m_next.get());
    m_haveNext = false;
    m_haveShown = true;
    m_shownFirst = m_nextFirst;
    m_converted = false;
    return true;
}

// Decodes forward until the frame on screen at that index is the shown one:
// the latest frame whose first index is at or before it. A frame whose stamp
// lies exactly on the index's time settles it at once; otherwise the next
// frame is decoded to see whether it is due too. At the end of the stream the
// last frame holds. False when there is no frame at or before the index.
bool CFfVideo::DecodeUpTo(std::int64_t index) {
    for (;;) {
        if (m_haveNext) {
            if (m_nextFirst > index)
                break;
            bool onTime = m_nextOnTime;
            TakeNext();
            if (m_shownFirst == index && onTime)
                break;
        }
        if (!ReceiveFrame())
            break;
        m_haveNext = true;
        m_nextFirst = FirstIndexOfNext(m_nextOnTime);
    }
    if (!m_haveShown || m_shownFirst > index)
        return false;
    m_current = index;
    return true;
}

void CFfVideo::DropFrames() {
    av_frame_unref(m_shown.get());
    av_frame_unref(m_next.get());
    m_haveShown = m_haveNext = false;
    m_shownFirst = m_nextFirst = -1;
    m_current = -1;
    m_converted = false;
}

bool CFfVideo::SeekBefore(std::int64_t index, double backSeconds) {
    if (!m_fmt)
        return false;
    ++m_seeks;
    DropFrames();
    // The latest key frame stamped at or before the target time. Targets in
    // the first moments start from the beginning: the container is opened
    // afresh, since seeking to the very start by time misses the first key
    // frame in some containers (program streams) and by bytes is not
    // honoured by others (AVI).
    double seconds = std::max(0.0, double(index) / m_rate - backSeconds);
    int r = 0;
    if (seconds > 0) {
        std::int64_t ts = m_startPts + std::int64_t(seconds / m_timeBase);
        r = avformat_seek_file(m_fmt.get(), m_stream, INT64_MIN, ts, ts, 0);
    } else {
        std::string why;
        if (OpenContainer(m_path, m_fmt, why) != m_stream) {
            // The file changed under us: nothing more can be read.
            m_fmt.reset();
            return false;
        }
    }
    avcodec_flush_buffers(m_codec.get());
    m_eof = false;
    m_synced = false;
    m_feedGop = -1;
    return r >= 0;
}

const std::uint8_t* CFfVideo::GetFrame(std::int64_t index, bool bottomUp, int& stride) {
    stride = 0;
    if (!m_fmt || !m_codec || index < 0 || index >= m_count)
        return nullptr;
    // The shown frame answers every index from its first to the last one
    // asked for; a few indices ahead are decoded forward.
    bool ok = m_current >= 0 && m_haveShown && index >= m_shownFirst && index <= m_current;
    if (ok)
        m_current = index;
    else if (m_current >= 0 && index > m_current && index - m_current <= kForwardFrames)
        ok = DecodeUpTo(index);
    // Seek to a key frame at or before the target: the nearest first, then
    // further back when the stream's first key frame after the seek point
    // lies past the target, finally from the start.
    static const double kBack[] = {0.5, 2.0, 6.0, 20.0, 1e30};
    for (double back : kBack) {
        if (ok)
            break;
        if (!SeekBefore(index, back) || !ReceiveFrame())
            continue;
        m_haveNext = true;
        m_nextFirst = FirstIndexOfNext(m_nextOnTime);
        if (m_nextFirst > index)
            continue;
        ok = DecodeUpTo(index);
    }
    if (!ok) {
        m_current = -1;
        return nullptr;
    }
    Convert(bottomUp);
    const std::size_t pitch = RowPitch(m_outWidth);
    stride = bottomUp ? -int(pitch) : int(pitch);
    return m_pixels.data();
}

void CFfVideo::Convert(bool bottomUp) {
    if (m_converted && m_convertedBottomUp == bottomUp)
        return;
    const AVFrame* f = m_shown.get();
    const std::size_t pitch = RowPitch(m_outWidth);
    m_pixels.resize(pitch * std::size_t(m_outHeight) + kTail);
    m_sws.reset(sws_getCachedContext(m_sws.release(), f->width, f->height,
                                     AVPixelFormat(f->format), m_scaledWidth, m_scaledHeight,
                                     AV_PIX_FMT_BGRA,
                                     m_scaledWidth < f->width ? SWS_AREA : SWS_BILINEAR, nullptr,
                                     nullptr, nullptr));
    if (!m_sws) {
        std::memset(m_pixels.data(), 0, m_pixels.size());
    } else if (m_turn.IsIdentity()) {
        std::uint8_t* dst[4] = {bottomUp ? m_pixels.data() + pitch * (m_outHeight - 1)
                                         : m_pixels.data(),
                                nullptr, nullptr, nullptr};
        int dstStride[4] = {bottomUp ? -int(pitch) : int(pitch), 0, 0, 0};
        sws_scale(m_sws.get(), f->data, f->linesize, 0, f->height, dst, dstStride);
    } else {
        // Convert into the stored orientation, then turn: upright pixel
        // (X, Y) comes from stored (a·X + b·Y, c·X + d·Y), shifted into the
        // picture (the inverse of the display mapping, which is orthogonal).
        const std::ptrdiff_t srcPitch = std::ptrdiff_t(RowPitch(m_scaledWidth));
        m_scaled.resize(std::size_t(srcPitch) * std::size_t(m_scaledHeight) + kTail);
        std::uint8_t* dst[4] = {m_scaled.data(), nullptr, nullptr, nullptr};
        int dstStride[4] = {int(srcPitch), 0, 0, 0};
        sws_scale(m_sws.get(), f->data, f->linesize, 0, f->height, dst, dstStride);
        const STurn t = m_turn;
        const std::ptrdiff_t x0 = (t.a < 0 || t.b < 0) ? m_scaledWidth - 1 : 0;
        const std::ptrdiff_t y0 = (t.c < 0 || t.d < 0) ? m_scaledHeight - 1 : 0;
        const std::ptrdiff_t step = t.c * srcPitch + t.a * 4; // per upright column
        for (int y = 0; y < m_outHeight; ++y) {
            const std::uint8_t* src =
                m_scaled.data() + (y0 + std::ptrdiff_t(t.d) * y) * srcPitch + (x0 + t.b * y) * 4;
            std::uint8_t* out = m_pixels.data() +
                                pitch * std::size_t(bottomUp ? m_outHeight - 1 - y : y);
            for (int x = 0; x < m_outWidth; ++x, src += step, out += 4)
                std::memcpy(out, src, 4);
        }
    }
    // Frames are opaque whatever the clip stores.
    for (std::size_t k = 3; k < m_pixels.size(); k += 4)
        m_pixels[k] = 255;
    m_converted = true;
    m_convertedBottomUp = bottomUp;
}
