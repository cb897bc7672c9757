#include "encode/Mp4Engine.h"

#include "audio/AudioSrc.h"
#include "encode/EncodeThreads.h"
#include "encode/FileEncode.h"
#include "encode/FormatTable.h"
#include "encode/VideoSrc.h"
#include "media/MediaFacts.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/pixfmt.h>
}

#include <algorithm>
#include <cmath>
#include <cstdint>

std::string CMp4Engine::ContainerFor(const std::string& path) {
    if (CMediaFacts::ExtensionIn(path, "mp4;m4v"))
        return "mp4";
    if (CMediaFacts::ExtensionIn(path, "mov"))
        return "mov";
    if (CMediaFacts::ExtensionIn(path, "mkv"))
        return "matroska";
    return {};
}

CMp4Engine::CMp4Engine() : m_row(&CFormatTable::DefaultScreen()) {}

bool CMp4Engine::Available(std::string* why) {
    const SFormatRow& row = CFormatTable::DefaultScreen();
    for (const char* name : {row.videoCodec, row.audioCodec})
        if (!avcodec_find_encoder_by_name(name)) {
            if (why)
                *why = std::string("This FFmpeg has no encoder named \"") + name + "\"";
            return false;
        }
    return true;
}

void CMp4Engine::SetVideoFormat(int width, int height, double frameRate) {
    m_width = width;
    m_height = height;
    m_frameRate = frameRate;
}

int CMp4Engine::Fail(std::string text) {
    m_error = std::move(text);
    return kFailed;
}

int CMp4Engine::RateFactorFor(int level) {
    return 20 + (31 - std::clamp(level, 0, 31)) / 2;
}

int CMp4Engine::Encode(IVideoSrc* video, IAudioSrc* audio, const std::string& path,
                       IProgress* progress) {
    m_error.clear();
    if (!video || video->GetFrameCount() == 0)
        return Fail("The video has no frames to encode");
    std::string why;
    if (!Available(&why))
        return Fail(why);
    const std::string container = ContainerFor(path);
    int width = m_width, height = m_height;
    if (width <= 0 || height <= 0)
        video->GetFrameSize(&width, &height);
    // 4:2:0 pictures have even sides.
    if (width < 2 || height < 2 || width % 2 != 0 || height % 2 != 0)
        return Fail("H.264 pictures need even sides; " + std::to_string(width) + " x " +
                    std::to_string(height) + " has an odd one");
    const double rate = m_frameRate > 0 ? m_frameRate : video->GetFrameRate();
    if (!(rate > 0))
        return Fail("The video has no frame rate");
    if (audio && audio->GetLength() == 0)
        audio = nullptr;
    if (audio) {
        audio->SetFormat(m_row->audioRate, 2, 16);
        if (audio->GetSampleRate() != m_row->audioRate)
            return Fail("The sound comes at " + std::to_string(audio->GetSampleRate()) +
                        " Hz; the file needs " + std::to_string(m_row->audioRate) + " Hz");
    }

    FileEncode::SJob job;
    SVideoSettings& v = job.video;
    v.codec = m_row->videoCodec;
    v.width = width;
    v.height = height;
    FileEncode::SetRate(v, rate);
    job.pictureRate = rate;
    v.pixelFormat = AV_PIX_FMT_YUV420P;
    v.crf = std::clamp(m_crf, 0, 51);
    v.preset = m_preset;
    // A key picture every two seconds, so players seek briskly.
    v.gop = std::max(1, int(std::lround(2.0 * rate)));
    v.bFrames = 3;
    v.globalHeader = true;
    v.colourMatrix = height > 576 ? 709 : 601;
    // Whole-picture threads each keep pictures of their own in flight; above
    // 1920 x 1080 they cost more memory than the renderer (about 740 MB at
    // 3840 x 2160 against 490 MB for slices), while slices of such large
    // pictures keep both cores as busy at the same quality for the size.
    v.frameThreads = std::int64_t(width) * height <= 1920 * 1080;
    v.threads = m_threads > 0 ? EncodeThreads(m_threads) : 0; // 0: from the machine
    job.audioCodec = m_row->audioCodec;
    job.audioRate = m_row->audioRate;
    job.audioChannels = 2;
    job.audioBitRate = m_row->audioBitRate;
    job.mux = m_row->mux;
    if (!container.empty())
        job.mux.format = container;
    if (job.mux.format != "matroska")
        job.muxFlags = "+faststart"; // the index before the data: playback starts at once
    job.what = container == "matroska" ? "Matroska file" : "MP4 file";
    return FileEncode::Run(video, audio, job, path, progress, m_error);
}
