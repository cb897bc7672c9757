#include "encode/OutputFormat.h"

#include "audio/AudioSrc.h"
#include "encode/AviEngine.h"
#include "encode/Mp4Engine.h"
#include "encode/MpgEngine.h"
#include "encode/VideoSrc.h"
#include "effects/api/EffectTypes.h"
#include "media/MediaFacts.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

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

void COutputFormat::SetScreen(int width, int height, double frameRate) {
    m_screenWidth = width;
    m_screenHeight = height;
    m_screenRate = frameRate;
}

int COutputFormat::ScreenWidth() const {
    return m_screenWidth > 0 ? m_screenWidth : IsWide() ? 1280 : 960;
}

int COutputFormat::ScreenHeight() const { return m_screenHeight > 0 ? m_screenHeight : 720; }

double COutputFormat::ScreenRate() const {
    return m_screenRate > 0 ? m_screenRate : m_pal ? 25.0 : 30.0;
}

bool COutputFormat::ScreenSizeAllowed(int width, int height) {
    return width >= 128 && height >= 128 && width <= 3840 && height <= 3840 && width % 2 == 0 &&
           height % 2 == 0 && std::int64_t(width) * height <= 3840 * 2160;
}

bool COutputFormat::ScreenRateAllowed(double rate) {
    for (double allowed : {24.0, 25.0, 30.0, 50.0, 60.0, 24000 / 1001.0, 30000 / 1001.0,
                           60000 / 1001.0})
        if (std::fabs(rate - allowed) < 0.005)
            return true;
    return false;
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
    return Placement().pixelAspect;
}

COutputFormat::SPlacement COutputFormat::Place(int width, int height, bool wide,
                                               bool squarePixels) {
    SPlacement p;
    p.right = width;
    p.bottom = height;
    const int num = wide ? 16 : 4, den = wide ? 9 : 3;
    if (!squarePixels) {
        p.pixelAspect = double(num) * height / (double(den) * std::max(1, width));
        return p;
    }
    // The largest num:den rectangle the frame holds, even-sized where it is
    // cut (so 4:2:0 chroma rows and columns never straddle a bar).
    if (std::int64_t(width) * den > std::int64_t(height) * num) {
        int w = int(std::int64_t(height) * num / den) & ~1;
        p.left = (width - w) / 2 & ~1;
        p.right = p.left + w;
    } else if (std::int64_t(width) * den < std::int64_t(height) * num) {
        int h = int(std::int64_t(width) * den / num) & ~1;
        p.top = (height - h) / 2 & ~1;
        p.bottom = p.top + h;
    }
    if (p.right <= p.left || p.bottom <= p.top) { // a frame too thin for bars
        p.left = p.top = 0;
        p.right = width;
        p.bottom = height;
    }
    return p;
}

COutputFormat::SPlacement COutputFormat::Placement() const {
    return Place(Width(), Height(), IsWide(), m_disc == kCustom);
}

bool COutputFormat::IsDiscSize(int width, int height) {
    return ((width == 720 || width == 480) && (height == 576 || height == 480)) ||
           (width == 352 && (height == 288 || height == 240));
}

int COutputFormat::SampleRate(const std::string& path) const {
    if (IsMp4Path(path))
        return CMp4Engine::kAudioRate;
    return !IsAviPath(path) && m_disc == kDvd ? 48000 : 44100;
}

bool COutputFormat::IsMp4Path(const std::string& path) {
    return !CMp4Engine::ContainerFor(path).empty();
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
    const bool screen = IsMp4Path(path);
    const int width = screen ? ScreenWidth() : Width(), height = screen ? ScreenHeight() : Height();
    const double rate = screen ? ScreenRate() : FrameRate();
    std::unique_ptr<IEncodeEngine> engine;
    if (IsMp4Path(path)) {
        std::string why;
        if (!CMp4Engine::Available(&why))
            return fail(why);
        auto mp4 = std::make_unique<CMp4Engine>();
        mp4->SetVideoFormat(width, height, rate);
        if (audio)
            audio->SetFormat(CMp4Engine::kAudioRate, 2, 16);
        engine = std::move(mp4);
    } else if (IsAviPath(path)) {
        auto avi = std::make_unique<CAviEngine>();
        avi->SetVideoFormat(width, height, 24, rate);
        avi->SetPixelAspect(PixelAspect());
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
    // Files for screens have square pixels and the album fills their frame
    // at its shape (captions, pictures and layouts place themselves by it).
    SPlacement place = Placement();
    if (screen)
        place = SPlacement{1.0, 0, 0, width, height};
    const SEffectRect album{place.left, place.top, place.right, place.bottom};
    if (!video || !video->SetOutputFormat(size, place.pixelAspect, rate, 1, &album))
        return fail("the album cannot be rendered at " + std::to_string(width) + "x" +
                    std::to_string(height));
    return engine;
}
