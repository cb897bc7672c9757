#include "media/FfOwners.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace FfOwners {

void SInputDeleter::operator()(AVFormatContext* f) const { avformat_close_input(&f); }
void SOutputDeleter::operator()(AVFormatContext* f) const {
    // The file is closed first when the owner did not do it already.
    if (f && f->pb && f->oformat && !(f->oformat->flags & AVFMT_NOFILE))
        avio_closep(&f->pb);
    avformat_free_context(f);
}
void SCodecDeleter::operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
void SFrameDeleter::operator()(AVFrame* f) const { av_frame_free(&f); }
void SPacketDeleter::operator()(AVPacket* p) const { av_packet_free(&p); }
void SSwsDeleter::operator()(SwsContext* s) const { sws_freeContext(s); }
void SSwrDeleter::operator()(SwrContext* s) const { swr_free(&s); }

} // namespace FfOwners

CFfDictionary::~CFfDictionary() { av_dict_free(&m_dict); }
