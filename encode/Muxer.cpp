#include "encode/Muxer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

#include <cstring>
#include <utility>

CMuxer::CMuxer(SMuxSettings settings, std::string path)
    : m_settings(std::move(settings)), m_path(std::move(path)) {}

CMuxer::~CMuxer() { CloseIfOpen(true); }

void CMuxer::FailWith(const char* what, int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    if (!m_failed)
        SetError(std::string(what) + " \"" + m_path + "\": " + text);
    m_failed = true;
}

bool CMuxer::Open() {
    AVFormatContext* format = nullptr;
    int code = avformat_alloc_output_context2(&format, nullptr, m_settings.format.c_str(),
                                              m_path.c_str());
    m_format.reset(format);
    if (code < 0 || !m_format) {
        SetError("The output format \"" + m_settings.format + "\" is not available");
        return false;
    }
    code = avio_open(&m_format->pb, m_path.c_str(), AVIO_FLAG_WRITE);
    if (code < 0) {
        FailWith("Cannot create", code);
        m_format.reset();
        return false;
    }
    if (m_settings.packetSize > 0)
        m_format->packet_size = unsigned(m_settings.packetSize);
    // The largest time a packet waits in the decoder's buffer (0.7 s), as the
    // disc standards' buffer models assume.
    m_format->max_delay = 700000;
    m_opened = true;
    return true;
}

int CMuxer::AddStream(int kind, const CFilter& element) {
    if (!m_format || m_started)
        return -1;
    AVStream* stream = avformat_new_stream(m_format.get(), nullptr);
    int num = 0, den = 0;
    if (!stream || !element.StreamParameters(stream->codecpar, num, den) || num <= 0 ||
        den <= 0) {
        SetError("The multiplexer cannot take a stream for \"" + m_path + "\"");
        return -1;
    }
    stream->time_base = AVRational{num, den};
    stream->sample_aspect_ratio = stream->codecpar->sample_aspect_ratio;
    if (const AVCodecContext* codec = element.Codec()) {
        if (codec->codec_type == AVMEDIA_TYPE_VIDEO)
            stream->avg_frame_rate = stream->r_frame_rate = codec->framerate;
        // The encoder's buffer model (rates, decoder buffer size): program
        // stream muxers size their buffers and headers from it.
        for (int i = 0; i < codec->nb_coded_side_data; ++i) {
            const AVPacketSideData& side = codec->coded_side_data[i];
            std::uint8_t* copy = av_stream_new_side_data(stream, side.type, side.size);
            if (copy)
                std::memcpy(copy, side.data, side.size);
        }
    }
    m_kinds.push_back(kind);
    m_timeBases.emplace_back(num, den);
    return stream->index;
}

bool CMuxer::Start() {
    if (!m_format || m_failed)
        return false;
    CFfDictionary options;
    if (m_settings.muxRate > 0)
        av_dict_set_int(options.Address(), "muxrate", m_settings.muxRate, 0);
    if (m_settings.preloadMicros >= 0)
        av_dict_set_int(options.Address(), "preload", m_settings.preloadMicros, 0);
    if (!m_flags.empty())
        av_dict_set(options.Address(), "movflags", m_flags.c_str(), 0);
    int code = avformat_write_header(m_format.get(), options.Address());
    if (code < 0) {
        FailWith("Cannot write", code);
        return false;
    }
    m_started = true;
    return true;
}

std::string CMuxer::ErrorCopy() const {
    std::lock_guard<std::mutex> lock(m_writing);
    return GetError();
}

bool CMuxer::WritePacket(int stream, AVPacket* packet) {
    std::lock_guard<std::mutex> lock(m_writing);
    if (!m_started || m_failed || stream < 0 || stream >= int(m_timeBases.size())) {
        av_packet_unref(packet);
        return false;
    }
    AVRational from{m_timeBases[std::size_t(stream)].first,
                    m_timeBases[std::size_t(stream)].second};
    packet->stream_index = stream;
    av_packet_rescale_ts(packet, from, m_format->streams[stream]->time_base);
    int code = av_interleaved_write_frame(m_format.get(), packet);
    if (code >= 0 && m_format->pb->error < 0)
        code = m_format->pb->error;
    if (code < 0) {
        FailWith("Cannot write", code);
        return false;
    }
    return true;
}

void CMuxer::Close(bool abort) {
    std::lock_guard<std::mutex> lock(m_writing);
    if (!m_format)
        return;
    // The end is written even after a cancel or a failure: what reached the
    // file stays readable.
    if (m_started) {
        int code = av_write_trailer(m_format.get());
        if (code < 0 && !abort)
            FailWith("Cannot write", code);
    }
    if (m_format->pb) {
        avio_flush(m_format->pb);
        if (m_format->pb->error < 0 && !abort)
            FailWith("Cannot write", m_format->pb->error);
        int code = avio_closep(&m_format->pb);
        if (code < 0 && !abort)
            FailWith("Cannot close", code);
    }
    m_format.reset();
    m_started = false;
}
