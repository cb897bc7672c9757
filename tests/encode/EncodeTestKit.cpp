#include "tests/encode/EncodeTestKit.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

namespace {
// FFmpeg's notes on every file written and read would drown the test output;
// KV_FFMPEG_LOG=1 keeps them.
const int kQuiet = (std::getenv("KV_FFMPEG_LOG") ? 0 : (av_log_set_level(AV_LOG_ERROR), 0));
} // namespace

CTestVideoSrc::CTestVideoSrc(int width, int height, unsigned frames, double fps, int failAt)
    : m_width(width), m_height(height), m_frames(frames), m_fps(fps), m_failAt(failAt),
      m_pixels(std::size_t(width) * std::size_t(height) * 4) {}

const std::uint8_t* CTestVideoSrc::GetFrame(int frame, int* stride) {
    ++framesAsked;
    if (frame < 0 || unsigned(frame) >= m_frames || frame == m_failAt)
        return nullptr;
    // Row r of memory is picture row height - 1 - r (bottom-up).
    const int bar = frame % std::max(1, m_width / 4);
    for (int r = 0; r < m_height; ++r) {
        const int y = m_height - 1 - r;
        std::uint8_t* p = m_pixels.data() + std::size_t(r) * std::size_t(m_width) * 4;
        for (int x = 0; x < m_width; ++x, p += 4) {
            const bool upper = y < m_height / 2;
            const bool onBar = x >= bar * 4 && x < bar * 4 + 4 && y % (m_height / 2) > m_height / 8;
            p[0] = upper ? 0 : 255;
            p[1] = onBar ? 255 : 0;
            p[2] = upper ? 255 : 0;
            p[3] = 255;
        }
    }
    *stride = -m_width * 4;
    return m_pixels.data();
}

CToneSrc::CToneSrc(double seconds, double reportedSeconds)
    : m_seconds(seconds), m_reported(reportedSeconds < 0 ? seconds : reportedSeconds) {}

std::int64_t CToneSrc::GetLength() { return FramesAt(m_rate, m_reported); }

const std::uint8_t* CToneSrc::Read(int& count) {
    const std::int64_t end = FramesAt(m_rate, m_seconds);
    count = int(std::min<std::int64_t>(count, end - m_position));
    if (count <= 0) {
        count = 0;
        return nullptr;
    }
    const std::size_t values = std::size_t(count) * std::size_t(m_channels);
    m_buffer.resize(values * 2);
    for (int i = 0; i < count; ++i) {
        auto v = std::int16_t(8000 * std::sin(2 * M_PI * 440.0 * double(m_position + i) / m_rate));
        for (int c = 0; c < m_channels; ++c) {
            const std::size_t at = std::size_t(i) * std::size_t(m_channels) + std::size_t(c);
            if (m_bits == 8)
                m_buffer[at] = std::uint8_t(128 + v / 256);
            else
                std::memcpy(&m_buffer[2 * at], &v, 2);
        }
    }
    m_position += count;
    return m_buffer.data();
}

const SStreamInfo* SFileInfo::Video() const {
    for (const SStreamInfo& s : streams)
        if (s.width > 0)
            return &s;
    return nullptr;
}
const SStreamInfo* SFileInfo::Audio() const {
    for (const SStreamInfo& s : streams)
        if (s.sampleRate > 0)
            return &s;
    return nullptr;
}

namespace {

// 0 red, 1 blue, -1 other, from an RGB24 pixel.
int ColourOf(const std::uint8_t* rgb) {
    if (rgb[0] > 180 && rgb[1] < 80 && rgb[2] < 80)
        return 0;
    if (rgb[2] > 180 && rgb[0] < 80 && rgb[1] < 80)
        return 1;
    return -1;
}

struct SDecoder {
    AVCodecContext* codec = nullptr;
    SStreamInfo* info = nullptr;
    int sinceKey = 0;
    std::vector<double> levels; // mean level per 1/100 s block of sound
    double blockSum = 0;
    int blockCount = 0;
    ~SDecoder() { avcodec_free_context(&codec); }
};

void TakeFrame(SDecoder& d, AVFrame* frame) {
    SStreamInfo& s = *d.info;
    if (d.codec->codec_type == AVMEDIA_TYPE_VIDEO) {
        if (frame->key_frame || frame->pict_type == AV_PICTURE_TYPE_I)
            d.sinceKey = 0;
        s.longestGop = std::max(s.longestGop, ++d.sinceKey);
        if (frame->format == AV_PIX_FMT_YUV420P)
            s.lastTopLuma = frame->data[0][std::ptrdiff_t(frame->linesize[0]) * (frame->height / 8) +
                                           frame->width - 2];
        if (s.frames++ == 0) {
            SwsContext* sws = sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format),
                                             frame->width, frame->height, AV_PIX_FMT_RGB24,
                                             SWS_POINT, nullptr, nullptr, nullptr);
            std::vector<std::uint8_t> rgb(std::size_t(frame->width) * std::size_t(frame->height) * 3);
            std::uint8_t* planes[4] = {rgb.data(), nullptr, nullptr, nullptr};
            int strides[4] = {frame->width * 3, 0, 0, 0};
            sws_scale(sws, frame->data, frame->linesize, 0, frame->height, planes, strides);
            sws_freeContext(sws);
            const int x = frame->width - 2;
            s.topColour = ColourOf(&rgb[(std::size_t(frame->height / 8) * std::size_t(frame->width) + std::size_t(x)) * 3]);
            s.bottomColour = ColourOf(&rgb[(std::size_t(frame->height * 7 / 8) * std::size_t(frame->width) + std::size_t(x)) * 3]);
        }
        return;
    }
    // Sound: mean absolute level per block of rate / 100 samples, first channel.
    const int block = std::max(1, frame->sample_rate / 100);
    const AVSampleFormat fmt = AVSampleFormat(frame->format);
    for (int i = 0; i < frame->nb_samples; ++i) {
        double v = 0;
        switch (fmt) {
        case AV_SAMPLE_FMT_S16: v = reinterpret_cast<const std::int16_t*>(frame->data[0])[i * frame->ch_layout.nb_channels]; break;
        case AV_SAMPLE_FMT_S16P: v = reinterpret_cast<const std::int16_t*>(frame->data[0])[i]; break;
        case AV_SAMPLE_FMT_S32: v = reinterpret_cast<const std::int32_t*>(frame->data[0])[i * frame->ch_layout.nb_channels] / 65536.0; break;
        case AV_SAMPLE_FMT_FLTP: v = reinterpret_cast<const float*>(frame->data[0])[i] * 32768.0; break;
        case AV_SAMPLE_FMT_FLT: v = reinterpret_cast<const float*>(frame->data[0])[i * frame->ch_layout.nb_channels] * 32768.0; break;
        case AV_SAMPLE_FMT_S32P: v = reinterpret_cast<const std::int32_t*>(frame->data[0])[i] / 65536.0; break;
        default: break;
        }
        d.blockSum += std::fabs(v);
        if (++d.blockCount == block) {
            d.levels.push_back(d.blockSum / block);
            d.blockSum = 0;
            d.blockCount = 0;
        }
    }
    s.samples += frame->nb_samples;
}

void Pump(SDecoder& d, AVFrame* frame) {
    while (avcodec_receive_frame(d.codec, frame) >= 0) {
        TakeFrame(d, frame);
        av_frame_unref(frame);
    }
}

} // namespace

SFileInfo Inspect(const std::string& path) {
    SFileInfo info;
    std::error_code ec;
    info.size = std::int64_t(std::filesystem::file_size(path, ec));
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0)
        return info;
    if (avformat_find_stream_info(fmt, nullptr) < 0) {
        avformat_close_input(&fmt);
        return info;
    }
    info.opened = true;
    info.format = fmt->iformat->name;
    info.streams.resize(fmt->nb_streams);
    std::vector<std::unique_ptr<SDecoder>> decoders(fmt->nb_streams);
    for (unsigned k = 0; k < fmt->nb_streams; ++k) {
        const AVCodecParameters* par = fmt->streams[k]->codecpar;
        SStreamInfo& s = info.streams[k];
        const AVCodec* codec = avcodec_find_decoder(par->codec_id);
        s.codec = codec ? codec->name : "";
        s.bitRate = par->bit_rate;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
            s.width = par->width;
            s.height = par->height;
            s.fps = av_q2d(fmt->streams[k]->r_frame_rate);
            s.sarNum = par->sample_aspect_ratio.num;
            s.sarDen = par->sample_aspect_ratio.den;
            if (const char* name = av_color_space_name(par->color_space))
                s.colourSpace = name;
            if (const char* name = av_color_primaries_name(par->color_primaries))
                s.primaries = name;
        } else if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
            s.sampleRate = par->sample_rate;
            s.channels = par->ch_layout.nb_channels;
        }
        if (!codec)
            continue;
        auto d = std::make_unique<SDecoder>();
        d->codec = avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(d->codec, par);
        d->codec->thread_count = 1;
        if (avcodec_open2(d->codec, codec, nullptr) < 0)
            continue;
        d->info = &s;
        decoders[k] = std::move(d);
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    while (av_read_frame(fmt, packet) >= 0) {
        const auto k = std::size_t(packet->stream_index);
        if (info.mpegAspectCode < 0 && k < decoders.size() && decoders[k] &&
            decoders[k]->codec->codec_type == AVMEDIA_TYPE_VIDEO) {
            for (int i = 0; i + 8 <= packet->size; ++i)
                if (!packet->data[i] && !packet->data[i + 1] && packet->data[i + 2] == 1 &&
                    packet->data[i + 3] == 0xB3) {
                    info.mpegAspectCode = packet->data[i + 7] >> 4;
                    break;
                }
        }
        if (k < decoders.size() && decoders[k] && avcodec_send_packet(decoders[k]->codec, packet) >= 0)
            Pump(*decoders[k], frame);
        av_packet_unref(packet);
    }
    for (auto& d : decoders)
        if (d) {
            avcodec_send_packet(d->codec, nullptr);
            Pump(*d, frame);
            const std::size_t quarter = 25; // blocks of 1/100 s
            if (d->levels.size() >= quarter) {
                double head = 0, tail = 0;
                for (std::size_t i = 0; i < quarter; ++i) {
                    head += d->levels[i];
                    tail += d->levels[d->levels.size() - 1 - i];
                }
                d->info->headLevel = head / quarter;
                d->info->tailLevel = tail / quarter;
            }
        }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avformat_close_input(&fmt);
    return info;
}

bool ExtractVideo(const std::string& from, const std::string& to) {
    AVFormatContext* in = nullptr;
    if (avformat_open_input(&in, from.c_str(), nullptr, nullptr) < 0)
        return false;
    bool ok = avformat_find_stream_info(in, nullptr) >= 0;
    int stream = ok ? av_find_best_stream(in, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0) : -1;
    AVFormatContext* out = nullptr;
    ok = stream >= 0 && avformat_alloc_output_context2(&out, nullptr, "mpeg2video", to.c_str()) >= 0;
    AVStream* os = ok ? avformat_new_stream(out, nullptr) : nullptr;
    ok = os && avcodec_parameters_copy(os->codecpar, in->streams[stream]->codecpar) >= 0 &&
         avio_open(&out->pb, to.c_str(), AVIO_FLAG_WRITE) >= 0 &&
         avformat_write_header(out, nullptr) >= 0;
    AVPacket* packet = av_packet_alloc();
    while (ok && av_read_frame(in, packet) >= 0) {
        if (packet->stream_index == stream) {
            packet->stream_index = 0;
            av_packet_rescale_ts(packet, in->streams[stream]->time_base, os->time_base);
            ok = av_write_frame(out, packet) >= 0;
        }
        av_packet_unref(packet);
    }
    if (ok)
        ok = av_write_trailer(out) >= 0;
    av_packet_free(&packet);
    if (out) {
        avio_closep(&out->pb);
        avformat_free_context(out);
    }
    avformat_close_input(&in);
    return ok;
}
