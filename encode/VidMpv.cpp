#include "encode/VidMpv.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <utility>


CVidMpv::CVidMpv(std::string path) : m_path(std::move(path)) {}

CVidMpv::~CVidMpv() { Done(); }

bool CVidMpv::Init() {
    Done();
    AVFormatContext* input = nullptr;
    const int opened = avformat_open_input(&input, m_path.c_str(), nullptr, nullptr);
    m_input.reset(input);
    if (opened < 0) {
        SetError("Cannot open the video stream \"" + m_path + "\"");
        return false;
    }
    if (avformat_find_stream_info(m_input.get(), nullptr) < 0 ||
        (m_stream = av_find_best_stream(m_input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0)) < 0) {
        SetError("\"" + m_path + "\" holds no video");
        Done();
        return false;
    }
    AVCodecID id = m_input->streams[m_stream]->codecpar->codec_id;
    if (id != AV_CODEC_ID_MPEG1VIDEO && id != AV_CODEC_ID_MPEG2VIDEO) {
        SetError("\"" + m_path + "\" holds no MPEG video");
        Done();
        return false;
    }
    m_packet.reset(av_packet_alloc());
    m_size = m_input->pb ? avio_size(m_input->pb) : 0;
    return m_packet != nullptr;
}

bool CVidMpv::StreamParameters(AVCodecParameters* parameters, int& timeBaseNum,
                               int& timeBaseDen) const {
    if (!m_input || m_stream < 0)
        return false;
    const AVStream* stream = m_input->streams[m_stream];
    if (avcodec_parameters_copy(parameters, stream->codecpar) < 0)
        return false;
    parameters->codec_tag = 0;
    timeBaseNum = stream->time_base.num;
    timeBaseDen = stream->time_base.den;
    return true;
}

void CVidMpv::GetFrameRate(int& num, int& den) const {
    num = 25;
    den = 1;
    if (m_input && m_stream >= 0) {
        AVRational r = m_input->streams[m_stream]->r_frame_rate;
        if (r.num > 0 && r.den > 0) {
            num = r.num;
            den = r.den;
        }
    }
}

// An elementary stream carries no times: the reader gives every picture its
// decoding time, and display times only to pictures shown as soon as they are
// decoded (bidirectional ones). The others get theirs here.
int CVidMpv::PushNext() {
    if (!m_input)
        return kPushFailed;
    while (!m_eof) {
        int code = av_read_frame(m_input.get(), m_packet.get());
        if (code == AVERROR_EOF) {
            m_eof = true;
            break;
        }
        if (code < 0) {
            SetError("Cannot read the video stream \"" + m_path + "\"");
            return kPushFailed;
        }
        if (m_packet->stream_index != m_stream) {
            av_packet_unref(m_packet.get());
            continue;
        }
        if (m_packet->duration > 0)
            m_duration = m_packet->duration;
        if (m_packet->dts == AV_NOPTS_VALUE)
            m_packet->dts = m_nextDts;
        m_nextDts = m_packet->dts + m_duration;
        const bool reference = m_packet->pts == AV_NOPTS_VALUE;
        if (reference && m_refPending)
            m_queue.front()->pts = m_packet->dts;
        const bool flushed = reference ? Flush() : true;
        CPacket held(av_packet_clone(m_packet.get()));
        av_packet_unref(m_packet.get());
        if (!held || !flushed)
            return kPushFailed;
        m_queue.push_back(std::move(held));
        if (reference)
            m_refPending = true;
        else if (!m_refPending && !Flush())
            return kPushFailed;
        return kPushed;
    }
    if (m_refPending)
        m_queue.front()->pts = m_nextDts;
    return Flush() ? kNoMore : kPushFailed;
}

void CVidMpv::Close(bool /*abort*/) {
    if (m_refPending)
        m_queue.front()->pts = m_nextDts;
    Flush();
}

bool CVidMpv::Flush() {
    bool ok = true;
    while (!m_queue.empty()) {
        CPacket packet = std::move(m_queue.front());
        m_queue.pop_front();
        if (ok && !Deliver(packet.get()))
            ok = false;
    }
    m_refPending = false;
    return ok;
}

void CVidMpv::Done() {
    m_queue.clear();
    m_refPending = m_eof = false;
    m_nextDts = m_duration = 0;
    m_packet.reset();
    m_input.reset();
    m_stream = -1;
}

int CVidMpv::PercentDone() const {
    if (!m_input || !m_input->pb || m_size <= 0)
        return 0;
    return int(avio_tell(m_input->pb) * 100 / m_size);
}
