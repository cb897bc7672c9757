#include "encode/FileEncode.h"

#include "audio/AudioSrc.h"
#include "base/ThreadPriority.h"
#include "encode/AudEnc.h"
#include "encode/AudioFeed.h"
#include "encode/EncodeEngine.h"
#include "encode/VidEnc.h"
#include "encode/VideoSrc.h"

extern "C" {
#include <libavutil/rational.h>
}

#include <cmath>
#include <memory>

namespace FileEncode {

void SetRate(SVideoSettings& video, double fps) {
    AVRational rate = av_d2q(fps, 100000);
    if (std::fabs(fps - 30000.0 / 1001.0) < 0.01)
        rate = AVRational{30000, 1001};
    else if (std::fabs(fps - 24000.0 / 1001.0) < 0.01)
        rate = AVRational{24000, 1001};
    else if (std::fabs(fps - 60000.0 / 1001.0) < 0.01)
        rate = AVRational{60000, 1001};
    video.rateNum = rate.num;
    video.rateDen = rate.den;
}

int Run(IVideoSrc* video, IAudioSrc* audio, const SJob& job, const std::string& path,
        IProgress* progress, std::string& error) {
    const unsigned count = video->GetFrameCount();
    const double sourceRate = video->GetFrameRate();
    const double outputRate = job.pictureRate > 0
                                  ? job.pictureRate
                                  : double(job.video.rateNum) / std::max(1, job.video.rateDen);
    CVidEnc picture(video, job.video, CFilter::kMovingVideo);
    if (!picture.Init()) {
        error = "The video encoder could not be started: " + picture.GetError();
        return IEncodeEngine::kFailed;
    }
    std::unique_ptr<CAudEnc> sound;
    if (audio)
        sound = std::make_unique<CAudEnc>(job.audioCodec, job.audioRate, job.audioChannels,
                                          job.audioBitRate);

    CMuxer muxer(job.mux, path);
    muxer.SetFlags(job.muxFlags);
    if (!muxer.Open()) {
        error = muxer.GetError();
        return IEncodeEngine::kFailed;
    }
    int result = IEncodeEngine::kDone;
    error.clear();
    auto failWith = [&](const CFilter& element) {
        result = IEncodeEngine::kFailed;
        error = !element.GetError().empty() ? element.GetError() : muxer.GetError();
    };
    if (!picture.Connect(muxer))
        failWith(picture);
    else if (sound && !sound->Connect(muxer))
        failWith(*sound);
    else if (!muxer.Start())
        failWith(muxer);
    // From here on this thread draws and converts the pictures: below normal
    // priority it does so in the time the compressing threads leave a core
    // idle instead of taking a core from them.
    if (result == IEncodeEngine::kDone)
        RunBelowNormalPriority();

    CAudioFeed feed(audio);
    for (std::int64_t n = 0; result == IEncodeEngine::kDone; ++n) {
        const auto index = std::int64_t(sourceRate * double(n) / outputRate + 1e-9);
        if (index >= std::int64_t(count))
            break;
        if (picture.PushFrame(int(index)) != CVideoFilter::kPushed) {
            failWith(picture);
            break;
        }
        if (sound) {
            const int need =
                SamplesForFrame(n, job.audioRate, job.video.rateNum, job.video.rateDen);
            if (!sound->Write(feed.Take(need), std::size_t(need) * CAudioFeed::kBlockAlign)) {
                failWith(*sound);
                break;
            }
        }
        const int percent = count < 2 ? 100 : int(index * 100 / (count - 1));
        if (progress && !progress->OnProgress(percent)) {
            result = IEncodeEngine::kCancelled;
            break;
        }
    }

    const bool abort = result == IEncodeEngine::kCancelled;
    picture.CloseIfOpen(abort);
    if (sound)
        sound->CloseIfOpen(abort);
    muxer.CloseIfOpen(abort);
    if (result == IEncodeEngine::kDone && muxer.Failed())
        failWith(muxer);
    if (result == IEncodeEngine::kDone && !picture.GetError().empty())
        failWith(picture);
    if (result == IEncodeEngine::kDone && sound && !sound->GetError().empty())
        failWith(*sound);
    picture.Done();
    if (result == IEncodeEngine::kFailed && error.empty())
        error = "The " + job.what + " \"" + path + "\" could not be written";
    return result;
}

} // namespace FileEncode
