#include "encode/OutputFormat.h"

#include "audio/AudioSrc.h"
#include "encode/AviEngine.h"
#include "encode/FormatTable.h"
#include "encode/Mp4Engine.h"
#include "encode/MpgEngine.h"
#include "encode/VideoSrc.h"
#include "effects/api/EffectTypes.h"
#include "media/MediaFacts.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

void COutputFormat::SetStandard(bool pal) { m_pal = pal; }

void COutputFormat::SetDisc(int disc) {
    m_disc = std::clamp(disc, int(kDvd), CFormatTable::PageCount() - 1);
}

const SFormatRow& COutputFormat::Row() const { return *CFormatTable::AtPage(m_disc); }

const SFormatRow& COutputFormat::ScreenRow() const {
    return Row().kind == SFormatRow::kScreen ? Row() : CFormatTable::DefaultScreen();
}

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

// Without a size of its own a file for screens takes the chosen screen
// format's, or 720 lines at the album's shape.
int COutputFormat::ScreenWidth() const {
    if (m_screenWidth > 0)
        return m_screenWidth;
    if (Row().kind == SFormatRow::kScreen)
        return Row().width;
    return IsWide() ? ScreenRow().width : ScreenRow().palHeight * 4 / 3;
}

int COutputFormat::ScreenHeight() const {
    return m_screenHeight > 0 ? m_screenHeight : ScreenRow().Height(m_pal);
}

double COutputFormat::ScreenRate() const {
    return m_screenRate > 0 ? m_screenRate : m_pal ? 25.0 : 30.0;
}

bool COutputFormat::ScreenSizeAllowed(int width, int height) {
    return width >= 128 && height >= 128 && width <= 3840 && height <= 3840 && width % 2 == 0 &&
           height % 2 == 0 && std::int64_t(width) * height <= 3840 * 2160;
}

bool COutputFormat::ScreenRateAllowed(double rate) {
    return CFormatTable::DefaultScreen().HasRate(rate);
}

int COutputFormat::Width() const { return Row().width > 0 ? Row().width : m_customWidth; }

int COutputFormat::Height() const {
    return Row().width > 0 ? Row().Height(m_pal) : m_customHeight;
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
    return Place(Width(), Height(), IsWide(), Row().SquarePixels());
}

bool COutputFormat::IsDiscSize(int width, int height) {
    for (const SFormatRow& row : CFormatTable::Rows())
        if (row.kind == SFormatRow::kDisc && width == row.width &&
            (height == row.palHeight || height == row.ntscHeight))
            return true;
    return false;
}

int COutputFormat::SampleRate(const std::string& path) const {
    if (IsMp4Path(path))
        return ScreenRow().audioRate;
    return IsAviPath(path) ? CAviEngine::kAudioRate : Row().audioRate;
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
    if (screen) {
        std::string why;
        if (!CMp4Engine::Available(&why))
            return fail(why);
        auto mp4 = std::make_unique<CMp4Engine>();
        mp4->SetFormatRow(ScreenRow());
        mp4->SetVideoFormat(width, height, rate);
        mp4->SetThreads(m_threads);
        if (audio)
            audio->SetFormat(ScreenRow().audioRate, 2, 16);
        engine = std::move(mp4);
    } else if (IsAviPath(path)) {
        auto avi = std::make_unique<CAviEngine>();
        avi->SetVideoFormat(width, height, 24, rate);
        avi->SetPixelAspect(PixelAspect());
        avi->SetThreads(m_threads);
        avi->SetAudioFormat(CAviEngine::kAudioRate, 2, 16);
        if (audio)
            audio->SetFormat(CAviEngine::kAudioRate, 2, 16);
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
        if (Row().mpegFormat < 0)
            return fail(std::string(Row().label) + " is made as an MP4, MOV or MKV file");
        auto mpg = std::make_unique<CMpgEngine>();
        if (Row().kind == SFormatRow::kCustom)
            mpg->SetCustomSize(width, height);
        if (audio)
            audio->SetFormat(SampleRate(path), 2, 16);
        mpg->SetFormat(Row().mpegFormat, m_pal ? 1 : 0, IsWide() ? 1 : 0);
        mpg->SetAudioType(0);
        mpg->SetQuality(m_quality);
        mpg->SetThreads(m_threads);
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
