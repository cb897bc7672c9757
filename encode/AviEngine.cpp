#include "encode/AviEngine.h"

#include "audio/AudioSrc.h"
#include "encode/EncodeThreads.h"
#include "encode/FileEncode.h"
#include "encode/VideoSrc.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/rational.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

const CAviEngine::SCodec kVideoCodecs[] = {
    {"mpeg4", "MPEG-4 part 2", "XVID", 0},
    {"mjpeg", "Motion JPEG", "MJPG", 0},
    {"ffv1", "FFV1 lossless", "FFV1", 0},
    {"huffyuv", "HuffYUV lossless", "HFYU", 0},
    {"rawvideo", "Uncompressed", "DIB ", 0},
};
const CAviEngine::SCodec kAudioCodecs[] = {
    {"libmp3lame", "MP3", nullptr, 0x55},
    {"mp2", "MPEG Layer II", nullptr, 0x50},
    {"ac3", "Dolby Digital (AC-3)", nullptr, 0x2000},
    {"pcm_s16le", "Uncompressed PCM", nullptr, 1},
};

bool Has(const char* name) { return avcodec_find_encoder_by_name(name) != nullptr; }

// What each encoder is opened with in an AVI file.
SVideoSettings VideoSettingsFor(const std::string& codec, int width, int height, int bits,
                                AVRational rate, double pixelAspect) {
    SVideoSettings v;
    const AVRational sar = av_d2q(pixelAspect > 0 ? pixelAspect : 1.0, 10000);
    v.sarNum = sar.num;
    v.sarDen = sar.den;
    v.codec = codec;
    v.width = width;
    v.height = height;
    v.rateNum = rate.num;
    v.rateDen = rate.den;
    // A key picture about every two seconds.
    v.gop = std::max(1, int(std::lround(2.0 * rate.num / rate.den)));
    if (codec == "mpeg4") {
        // Constant fine quantiser, no bidirectional pictures (AVI has no
        // room for reordered time stamps), the four-character code most
        // players know for it.
        v.qscale = 3;
        v.pixelFormat = AV_PIX_FMT_YUV420P;
        v.codecTag = MKTAG('X', 'V', 'I', 'D');
    } else if (codec == "mjpeg") {
        v.qscale = 3;
        v.pixelFormat = AV_PIX_FMT_YUVJ420P;
    } else if (codec == "rawvideo") {
        // The muxer marks uncompressed pictures as stored top row first.
        v.pixelFormat = bits == 32 ? AV_PIX_FMT_BGRA : AV_PIX_FMT_BGR24;
    } else if (codec == "ffv1" || codec == "huffyuv") {
        v.pixelFormat = -1; // lossless: the encoder's nearest to the frames
    } else {
        v.bitRate = std::int64_t(width) * height * 4; // about 4 bits per pixel and second at 25 fps
    }
    return v;
}

int AudioBitRate(const std::string& codec) {
    if (codec == "libmp3lame" || codec == "ac3")
        return 192000;
    if (codec == "mp2")
        return 224000;
    return 0;
}

} // namespace

std::vector<CAviEngine::SCodec> CAviEngine::VideoCodecs() {
    std::vector<SCodec> list;
    for (const SCodec& c : kVideoCodecs)
        if (Has(c.name))
            list.push_back(c);
    return list;
}

std::vector<CAviEngine::SCodec> CAviEngine::AudioCodecs() {
    std::vector<SCodec> list;
    for (const SCodec& c : kAudioCodecs)
        if (Has(c.name))
            list.push_back(c);
    return list;
}

std::string CAviEngine::DefaultVideoCodec() { return "mpeg4"; }
std::string CAviEngine::DefaultAudioCodec() { return Has("libmp3lame") ? "libmp3lame" : "mp2"; }

CAviEngine::CAviEngine() : m_videoCodec(DefaultVideoCodec()), m_audioCodec(DefaultAudioCodec()) {}
CAviEngine::~CAviEngine() = default;

void CAviEngine::SetVideoFormat(int width, int height, int bits, double frameRate) {
    m_width = width;
    m_height = height;
    m_bits = bits;
    m_frameRate = frameRate;
}

void CAviEngine::SetAudioFormat(int rate, int channels, int bits) {
    m_audioRate = rate;
    m_audioChannels = channels;
    (void)bits; // the sound is always taken as 16-bit samples
}

bool CAviEngine::Usable(const std::string& name, bool video, std::string* why) {
    const AVCodec* codec = avcodec_find_encoder_by_name(name.c_str());
    const AVMediaType kind = video ? AVMEDIA_TYPE_VIDEO : AVMEDIA_TYPE_AUDIO;
    std::string reason;
    if (!codec || codec->type != kind)
        reason = std::string("There is no ") + (video ? "video" : "sound") + " encoder named \"" +
                 name + "\"";
    else if (avformat_query_codec(av_guess_format("avi", nullptr, nullptr), codec->id,
                                  FF_COMPLIANCE_NORMAL) != 1)
        reason = "The encoder \"" + name + "\" cannot be stored in AVI files";
    if (why)
        *why = reason;
    return reason.empty();
}

bool CAviEngine::SetVideoCodec(const std::string& name) {
    m_videoCodec = name;
    return Usable(name, true);
}

bool CAviEngine::SetAudioCodec(const std::string& name) {
    m_audioCodec = name;
    return Usable(name, false);
}

bool CAviEngine::ChooseVideoCodec(const char* fourcc) {
    if (!fourcc)
        return true;
    for (const SCodec& c : VideoCodecs())
        if (std::strncmp(c.fourcc, fourcc, 4) == 0)
            return SetVideoCodec(c.name);
    return false;
}

bool CAviEngine::ChooseAudioCodec(int formatTag) {
    if (formatTag == -1)
        return true;
    for (const SCodec& c : AudioCodecs())
        if (c.formatTag == formatTag)
            return SetAudioCodec(c.name);
    return false;
}

int CAviEngine::Fail(std::string text) {
    m_error = std::move(text);
    return kFailed;
}

int CAviEngine::Encode(IVideoSrc* video, IAudioSrc* audio, const std::string& path,
                       IProgress* progress) {
    m_error.clear();
    if (!video)
        return Fail("There is no video to encode");
    const unsigned count = video->GetFrameCount();
    if (count == 0)
        return Fail("The video has no frames to encode");
    std::string why;
    if (!Usable(m_videoCodec, true, &why))
        return Fail(why);
    if (audio && audio->GetLength() == 0)
        audio = nullptr;
    if (audio && !Usable(m_audioCodec, false, &why))
        return Fail(why);

    int width = m_width, height = m_height;
    if (width <= 0 || height <= 0)
        video->GetFrameSize(&width, &height);
    const double sourceRate = video->GetFrameRate();
    const double outputRate = m_frameRate > 0 ? m_frameRate : sourceRate;
    if (!(sourceRate > 0) || !(outputRate > 0))
        return Fail("The video has no frame rate");
    SVideoSettings rated;
    FileEncode::SetRate(rated, outputRate);
    const AVRational rate{rated.rateNum, rated.rateDen};
    if (audio) {
        audio->SetFormat(m_audioRate, m_audioChannels, 16);
        if (audio->GetSampleRate() != m_audioRate)
            return Fail("The sound comes at " + std::to_string(audio->GetSampleRate()) +
                        " Hz; the file needs " + std::to_string(m_audioRate) + " Hz");
    }

    FileEncode::SJob job;
    job.video = VideoSettingsFor(m_videoCodec, width, height, m_bits, rate, m_pixelAspect);
    job.video.threads = EncodeThreads(m_threads);
    job.pictureRate = outputRate;
    job.audioCodec = m_audioCodec;
    job.audioRate = m_audioRate;
    job.audioChannels = 2;
    job.audioBitRate = AudioBitRate(m_audioCodec);
    job.mux = SMuxSettings{"avi"};
    job.what = "AVI file";
    return FileEncode::Run(video, audio, job, path, progress, m_error);
}
