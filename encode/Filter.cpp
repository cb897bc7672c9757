#include "encode/Filter.h"

#include "encode/Muxer.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

CFilter::~CFilter() = default;

bool CFilter::Connect(CMuxer& muxer) {
    if (!Open())
        return false;
    m_opened = true;
    m_muxer = &muxer;
    m_stream = muxer.AddStream(StreamKind(), *this);
    if (m_stream < 0) {
        TakeMuxerError();
        return false;
    }
    return true;
}

bool CFilter::StreamParameters(AVCodecParameters* parameters, int& timeBaseNum,
                               int& timeBaseDen) const {
    const AVCodecContext* codec = Codec();
    if (!codec || avcodec_parameters_from_context(parameters, codec) < 0)
        return false;
    timeBaseNum = codec->time_base.num;
    timeBaseDen = codec->time_base.den;
    return true;
}

void CFilter::CloseIfOpen(bool abort) {
    if (m_opened)
        Close(abort);
    m_opened = false;
}

bool CFilter::Deliver(AVPacket* packet) {
    if (!m_muxer || m_stream < 0)
        return false;
    if (!m_muxer->WritePacket(m_stream, packet)) {
        TakeMuxerError();
        return false;
    }
    return true;
}

void CFilter::TakeMuxerError() {
    if (!m_muxer)
        return;
    std::string text = m_muxer->ErrorCopy();
    if (!text.empty())
        m_error = std::move(text);
}
