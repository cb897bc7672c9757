#include "encode/OutputFormat.h"

#include "audio/AudioSrc.h"
#include "encode/AviEngine.h"
#include "encode/MpgEngine.h"
#include "encode/VideoSrc.h"
#include "media/MediaFacts.h"

#include <algorithm>

void COutputFormat::SetStandard(bool pal) { m_pal = pal; }

void COutputFormat::SetDisc(int disc) { m_disc = std::clamp(disc, int(kDvd), int(kCustom)); }

int COutputFormat::CustomWidth(int width) { return std::clamp(width / 8 * 8, 200, 1920); }

int COutputFormat::CustomHeight(int height) { return std::clamp(height / 4 * 4, 200, 1440); }

void COutputFormat::SetCustomSize(int width, int height) {
    m_customWidth = CustomWidth(width);
    m_customHeight = CustomHeight(height);
}

void COutputFormat::SetAviCodecs(std::string video, std::string audio) {
    m_videoCodec = std::move(video);
    m_audioCodec = std::move(audio);
}

int COutputFormat::Width() const {
    switch (m_disc) {
    case kDvd: return 720;
    case kSvcd: return 480;
    case kVcd: return 352;
    default: return m_customWidth;
    }
}

int COutputFormat::Height() const {
    if (m_disc == kCustom)
        return m_customHeight;
    if (m_disc == kVcd)
        return m_pal ? 288 : 240;
    return m_pal ? 576 : 480;
}

double COutputFormat::PixelAspect() const {
    return (IsWide() ? 16.0 / 9.0 : 4.0 / 3.0) * Height() / Width();
}

int COutputFormat::SampleRate(const std::string& path) const {
    return !IsAviPath(path) && m_disc == kDvd ? 48000 : 44100;
}

bool COutputFormat::IsAviPath(const std::string& path) {
    return CMediaFacts::ExtensionIn(path, "avi");
}

std::unique_ptr<IEncodeEngine> COutputFormat::CreateEngine(IVideoSrc* video, IAudioSrc* audio,
                                                           const std::string& path,
                                                           std::string* error) const {
    auto fail = [error](const std::string& why) {
        if (error)
            *error = why;
        return std::unique_ptr<IEncodeEngine>();
    };
    const int width = Width(), height = Height();
    const double rate = FrameRate();
    std::unique_ptr<IEncodeEngine> engine;
    if (IsAviPath(path)) {
        auto avi = std::make_unique<CAviEngine>();
        avi->SetVideoFormat(width, height, 24, rate);
        avi->SetAudioFormat(44100, 2, 16);
        if (audio)
            audio->SetFormat(44100, 2, 16);
        std::string why;
        if (!m_videoCodec.empty() && !avi->SetVideoCodec(m_videoCodec)) {
            CAviEngine::Usable(m_videoCodec, true, &why);
            return fail("video codec " + m_videoCodec + ": " + why);
        }
        if (audio && !m_audioCodec.empty() && !avi->SetAudioCodec(m_audioCodec)) {
            CAviEngine::Usable(m_audioCodec, false, &why);
            return fail("audio codec " + m_audioCodec + ": " + why);
        }
        if (!audio)
            avi->ChooseAudioCodec(80); // MPEG audio, as a file without sound is labelled
        engine = std::move(avi);
    } else {
        auto mpg = std::make_unique<CMpgEngine>();
        int format = m_disc;
        if (m_disc == kCustom)
            mpg->SetCustomSize(width, height);
        if (audio)
            audio->SetFormat(SampleRate(path), 2, 16);
        mpg->SetFormat(format, m_pal ? 1 : 0, IsWide() ? 1 : 0);
        mpg->SetAudioType(0);
        mpg->SetQuality(31);
        engine = std::move(mpg);
    }
    const int size[2] = {width, height};
    if (!video || !video->SetOutputFormat(size, PixelAspect(), rate, 1, nullptr))
        return fail("the album cannot be rendered at " + std::to_string(width) + "x" +
                    std::to_string(height));
    return engine;
}
