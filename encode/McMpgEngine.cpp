#include "encode/McMpgEngine.h"

#include "audio/AudioSrc.h"
#include "base/ThreadPriority.h"
#include "encode/AudEncMPA.h"
#include "encode/AudEncPCM.h"
#include "encode/AudioFeed.h"
#include "encode/EncodeThreads.h"
#include "encode/MpgPreset.h"
#include "encode/Muxer.h"
#include "encode/VidEnc.h"
#include "encode/VidMpv.h"
#include "encode/VideoSrc.h"
#include "encode/WavFile.h"

#include <memory>

void CMcMpgEngine::SetFormat(int format, int pal, int wide) {
    CMpgEncodeEngine::SetFormat(format, pal, wide);
    m_preset = MpgPresetOf(format);
    m_palFlag = pal == 1 ? 1 : 0;
}

int CMcMpgEngine::Fail(std::string text) {
    m_error = std::move(text);
    return kFailed;
}

int CMcMpgEngine::Encode(IVideoSrc* video, IAudioSrc* audio, const std::string& path,
                         IProgress* progress) {
    m_error.clear();
    if (m_preset < 0)
        return Fail("Unknown MPEG format " + std::to_string(m_format));
    if (!video)
        return RunGraph(nullptr, audio, path, progress);
    if (video->GetFrameCount() == 0)
        return Fail("The video has no frames to encode");
    if ((m_preset == kPresetMpeg1 || m_preset == kPresetMpeg2) &&
        (m_customWidth <= 0 || m_customHeight <= 0))
        return Fail("The custom picture size " + std::to_string(m_customWidth) + " x " +
                    std::to_string(m_customHeight) + " cannot be encoded");
    const bool pcm = audio && m_audioType == kAudioPcm;
    CVidEnc encoder(video, m_preset, m_palFlag, m_wide, m_quality, m_customWidth,
                    m_customHeight, pcm);
    encoder.SetThreads(EncodeThreads(m_threads));
    if (!encoder.Init())
        return Fail("The video encoder could not be started: " + encoder.GetError());
    int result = RunGraph(&encoder, audio, path, progress);
    encoder.Done();
    return result;
}

int CMcMpgEngine::EncodeFile(const std::string& videoFile, IAudioSrc* audio,
                             const std::string& path, IProgress* progress) {
    m_error.clear();
    if (m_preset < 0)
        return Fail("Unknown MPEG format " + std::to_string(m_format));
    CVidMpv reader(videoFile);
    if (!reader.Init())
        return Fail(reader.GetError());
    int result = RunGraph(&reader, audio, path, progress);
    reader.Done();
    return result;
}

int CMcMpgEngine::RunGraph(CVideoFilter* video, IAudioSrc* audio, const std::string& path,
                           IProgress* progress) {
    if (audio && audio->GetLength() == 0)
        audio = nullptr;
    const int rate = MpgAudioRate(m_preset);
    if (audio) {
        audio->SetFormat(rate, 2, 16);
        if (audio->GetSampleRate() != rate)
            return Fail("The sound comes at " + std::to_string(audio->GetSampleRate()) +
                        " Hz; the format needs " + std::to_string(rate) + " Hz");
    }
    std::unique_ptr<CAudEnc> sound;
    if (audio && m_audioType == kAudioMpa)
        sound = std::make_unique<CAudEncMPA>(m_preset);
    else if (audio && m_audioType == kAudioPcm)
        sound = std::make_unique<CAudEncPCM>(m_preset);
    if (!video && !sound)
        return Fail("There is neither picture nor sound to encode");
    if (!video && m_audioType == kAudioPcm)
        return WriteWav(audio, path, progress);

    SMpgFormat format = MpgFormatFor(m_preset, m_palFlag == 1, m_wide == 1, false, m_quality,
                                     m_customWidth, m_customHeight);
    CMuxer muxer(format.mux, path);
    if (!muxer.Open())
        return Fail(muxer.GetError());

    int result = kDone;
    std::string error;
    auto failWith = [&](const CFilter& element) {
        result = kFailed;
        error = !element.GetError().empty() ? element.GetError() : muxer.GetError();
    };
    if (video && !video->Connect(muxer))
        failWith(*video);
    else if (sound && !sound->Connect(muxer))
        failWith(*sound);
    else if (!muxer.Start())
        failWith(muxer);
    // From here on this thread draws and converts the pictures: below normal
    // priority it does so in the time the compressing threads leave a core
    // idle instead of taking a core from them.
    if (result == kDone)
        RunBelowNormalPriority();

    CAudioFeed feed(audio);
    if (result == kDone && video && !video->IsStill()) {
        int num = 25, den = 1;
        video->GetFrameRate(num, den);
        for (std::int64_t frame = 0;; ++frame) {
            int pushed = video->PushNext();
            if (pushed == CVideoFilter::kNoMore)
                break;
            if (pushed != CVideoFilter::kPushed) {
                failWith(*video);
                break;
            }
            // The sound of this picture: it ends where the running total of
            // the pictures so far ends.
            if (sound) {
                int need = SamplesForFrame(frame, rate, num, den);
                if (!sound->Write(feed.Take(need), std::size_t(need) * CAudioFeed::kBlockAlign)) {
                    failWith(*sound);
                    break;
                }
            }
            if (progress && !progress->OnProgress(video->PercentDone())) {
                result = kCancelled;
                break;
            }
        }
    } else if (result == kDone) {
        // A still picture (or none), then the whole sound track.
        if (video) {
            if (video->PushNext() != CVideoFilter::kPushed)
                failWith(*video);
            else
                video->CloseIfOpen(false);
        }
        const std::int64_t total = audio ? audio->GetLength() : 0;
        std::int64_t written = 0;
        int count = 0;
        while (result == kDone && sound) {
            const std::uint8_t* data = feed.ReadBlock(count);
            if (!data)
                break;
            if (!sound->Write(data, std::size_t(count) * CAudioFeed::kBlockAlign)) {
                failWith(*sound);
                break;
            }
            written += count;
            int percent = total > 0 ? int(written * 100 / total) : 0;
            if (progress && !progress->OnProgress(percent > 100 ? 100 : percent))
                result = kCancelled;
        }
    }

    const bool abort = result == kCancelled;
    if (video)
        video->CloseIfOpen(abort);
    if (sound)
        sound->CloseIfOpen(abort);
    muxer.CloseIfOpen(abort);
    if (result == kDone && muxer.Failed()) {
        result = kFailed;
        error = muxer.GetError();
    }
    if (result == kDone && video && !video->GetError().empty())
        failWith(*video);
    if (result == kDone && sound && !sound->GetError().empty())
        failWith(*sound);
    if (result == kFailed)
        m_error = error.empty() ? "The MPEG file \"" + path + "\" could not be written" : error;
    return result;
}

int CMcMpgEngine::WriteWav(IAudioSrc* audio, const std::string& path, IProgress* progress) {
    CWavFile wav;
    const std::int64_t total = audio->GetLength();
    if (!wav.Open(path, audio->GetSampleRate(), 2, 16, total)) {
        wav.Close();
        return Fail(wav.GetError());
    }
    CAudioFeed feed(audio);
    int result = kDone;
    std::int64_t written = 0;
    int count = 0;
    while (const std::uint8_t* data = feed.ReadBlock(count)) {
        if (!wav.Write(data, std::size_t(count) * CAudioFeed::kBlockAlign)) {
            result = kFailed;
            break;
        }
        written += count;
        int percent = total > 0 ? int(written * 100 / total) : 0;
        if (progress && !progress->OnProgress(percent > 100 ? 100 : percent)) {
            result = kCancelled;
            break;
        }
    }
    if (!wav.Close() && result == kDone)
        result = kFailed;
    if (result == kFailed)
        m_error = wav.GetError();
    return result;
}
