#include "render/frame/FrameSrcImage.h"

#include "base/MediaWarnings.h"
#include "imgcore/CPU.h"
#include "media/AnyPicDecoder.h"
#include "media/TextException.h"
#include "render/frame/KeptPicture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

CFrameSrcImage::~CFrameSrcImage() { DropPreparedSizes(); }

void CFrameSrcImage::DropPreparedSizes() {
    for (SPreparedSize& size : m_sizes)
        CCPU::ippiFree(size.bits);
    m_sizes.clear();
    m_current = -1;
    m_prepared.Detach();
}

bool CFrameSrcImage::LoadPixels(const std::uint8_t* bgra, int width, int height, int stride,
                                int maxWidth, int maxHeight, bool autoLevel, double brightness,
                                double contrast) {
    std::shared_ptr<const CKeptPicture> picture;
    try {
        picture = CKeptPicture::Make(bgra, width, height, stride, maxWidth, maxHeight, m_coverBox);
    } catch (const PLTextException&) {
        // Past the picture memory budget.
    }
    return Show(std::move(picture), autoLevel, brightness, contrast);
}

bool CFrameSrcImage::Show(std::shared_ptr<const CKeptPicture> picture, bool autoLevel,
                          double brightness, double contrast) {
    DropPreparedSizes();
    m_source.Detach();
    m_picture = std::move(picture);
    if (!m_picture)
        return false;
    // The view only reads: the pixels may be another source's too.
    m_source.Attach(const_cast<std::uint8_t*>(m_picture->Bits()), m_picture->Width(),
                    m_picture->Height(), m_picture->Stride());
    m_autoLevel = autoLevel;
    m_brightness = brightness;
    m_contrast = contrast;
    m_crop = {0, 0, 0, 0}; // a new picture is prepared whatever its crop
    return SetCropRect(m_source.Bounds());
}

bool CFrameSrcImage::Decode(const std::string& name,
                            const std::function<void(PLAnyPicDecoder&, PLAnyBmp&)>& decode,
                            int maxWidth, int maxHeight, bool autoLevel, double brightness,
                            double contrast) {
    try {
        std::shared_ptr<const CKeptPicture> picture;
        {
            PLAnyPicDecoder decoder;
            decoder.SetRequestedSize(maxWidth, maxHeight);
            decoder.SetDraft(m_draft);
            decoder.SetFitRequested(!m_coverBox);
            PLAnyBmp bmp;
            decode(decoder, bmp);
            int step = 0;
            const std::uint8_t* rows = bmp.GetTopDown(step);
            picture = CKeptPicture::Make(rows, bmp.GetWidth(), bmp.GetHeight(), step, maxWidth,
                                         maxHeight, m_coverBox);
        }
        if (Show(std::move(picture), autoLevel, brightness, contrast))
            return true;
        CMediaWarnings::Report(name, "cannot be shown: out of memory");
    } catch (const PLTextException& e) {
        CMediaWarnings::Report(name, std::string("cannot be decoded: ") + e.what());
    } catch (const std::bad_alloc&) {
        CMediaWarnings::Report(name, "cannot be decoded: out of memory");
    }
    return false;
}

bool CFrameSrcImage::Load(const std::string& path, int maxWidth, int maxHeight, bool autoLevel,
                          double brightness, double contrast) {
    return Decode(
        path,
        [&path](PLAnyPicDecoder& decoder, PLAnyBmp& bmp) { decoder.DecodeFile(path, &bmp, 32); },
        maxWidth, maxHeight, autoLevel, brightness, contrast);
}

bool CFrameSrcImage::LoadFromMemory(const std::uint8_t* bytes, std::size_t length, int maxWidth,
                                    int maxHeight, bool autoLevel, double brightness,
                                    double contrast, const std::string& name) {
    if (!bytes || length == 0) {
        CMediaWarnings::Report(name, "is empty");
        return false;
    }
    return Decode(
        name,
        [bytes, length](PLAnyPicDecoder& decoder, PLAnyBmp& bmp) {
            decoder.DecodeMemory(bytes, length, &bmp, 32);
        },
        maxWidth, maxHeight, autoLevel, brightness, contrast);
}

// The sample picture: a calm opaque grey gradient with a lighter frame, in
// 4:3, that reads as a place for a picture of one's own.
bool CFrameSrcImage::LoadSample(int /*id*/) {
    constexpr int kW = 640, kH = 480, kBorder = 12;
    std::vector<std::uint8_t> pixels(std::size_t(kW) * kH * 4);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            std::uint8_t* p = &pixels[(std::size_t(y) * kW + std::size_t(x)) * 4];
            bool frame = x < kBorder || y < kBorder || x >= kW - kBorder || y >= kH - kBorder;
            auto v = std::uint8_t(frame ? 200 : 80 + 60 * y / kH);
            p[0] = std::uint8_t(v + 8);
            p[1] = p[2] = v;
            p[3] = 255;
        }
    return LoadPixels(pixels.data(), kW, kH, kW * 4, 0, 0);
}

bool CFrameSrcImage::SetAdjust(bool autoLevel, double brightness, double contrast) {
    m_autoLevel = autoLevel;
    m_brightness = brightness;
    m_contrast = contrast;
    return Prepare();
}

bool CFrameSrcImage::SetCropRect(const SRect& rect) {
    SRect crop = Intersect(rect, m_source.Bounds());
    if (IsEmpty(crop))
        return false;
    // The same crop again leaves the prepared view as it is.
    if (m_current >= 0 && crop.left == m_crop.left && crop.top == m_crop.top &&
        crop.right == m_crop.right && crop.bottom == m_crop.bottom)
        return true;
    m_crop = crop;
    return Prepare();
}

bool CFrameSrcImage::SetPreparedScale(double x, double y) {
    if (!(x > 0) || !(y > 0) || !std::isfinite(x) || !std::isfinite(y))
        return false;
    m_wantX = x;
    m_wantY = y;
    int w = 0, h = 0;
    ScaledSize(w, h);
    if (m_current >= 0 && m_sizes[std::size_t(m_current)].width == w + 2 * kMargin &&
        m_sizes[std::size_t(m_current)].height == h + 2 * kMargin)
        return true;
    return PrepareScaled();
}

void CFrameSrcImage::Show(std::size_t slot, int w, int h) {
    SPreparedSize& size = m_sizes[slot];
    m_current = int(slot);
    size.used = ++m_uses;
    m_prepared.Attach(size.bits, size.width, size.height, size.stride);
    // Without transparency the crop inside the margin is opaque.
    m_opaque = m_picture && m_picture->Opaque() ? SRect{kMargin, kMargin, kMargin + w, kMargin + h}
                                                : SRect{0, 0, 0, 0};
    m_preparedScaleX = double(w) / (m_crop.right - m_crop.left);
    m_preparedScaleY = double(h) / (m_crop.bottom - m_crop.top);
    m_changed = true;
}

void CFrameSrcImage::ScaledSize(int& width, int& height) const {
    const int w = m_crop.right - m_crop.left, h = m_crop.bottom - m_crop.top;
    // Never above the picture's own resolution: enlarging is the warp's job.
    width = std::clamp(int(std::lround(m_wantX * w)), 1, w);
    height = std::clamp(int(std::lround(m_wantY * h)), 1, h);
}

bool CFrameSrcImage::Prepare() {
    if (!m_picture || IsEmpty(m_crop))
        return false;
    DropPreparedSizes();
    // Levels are measured once on the crop at full resolution, so every
    // prepared scale shows the same colours.
    if (m_autoLevel &&
        !MeasureLevels(m_source.PixelAt(m_crop), m_source.Stride(), m_crop.right - m_crop.left,
                       m_crop.bottom - m_crop.top))
        return false;
    if (m_onDemand) {
        m_changed = true;
        return true;
    }
    return PrepareScaled();
}

bool CFrameSrcImage::PrepareView() { return m_current >= 0 || PrepareScaled(); }

bool CFrameSrcImage::PrepareScaled() {
    if (!m_picture || IsEmpty(m_crop))
        return false;
    const int cw = m_crop.right - m_crop.left, ch = m_crop.bottom - m_crop.top;
    int w = 0, h = 0;
    ScaledSize(w, h);
    const int mw = w + 2 * kMargin, mh = h + 2 * kMargin;
    // A kept size is shown as it is.
    for (std::size_t i = 0; i < m_sizes.size(); ++i)
        if (m_sizes[i].width == mw && m_sizes[i].height == mh) {
            Show(i, w, h);
            return true;
        }
    // A new one takes a free place or the one shown longest ago.
    std::size_t slot = m_sizes.size();
    if (slot == kKeptSizes) {
        slot = 0;
        for (std::size_t i = 1; i < m_sizes.size(); ++i)
            if (m_sizes[i].used < m_sizes[slot].used)
                slot = i;
        CCPU::ippiFree(m_sizes[slot].bits);
        m_sizes[slot] = {};
    } else {
        m_sizes.emplace_back();
    }
    if (m_current == int(slot))
        m_prepared.Detach();
    m_current = -1;
    SPreparedSize& size = m_sizes[slot];
    size.bits = CCPU::ippiMalloc_8u_C4(mw, mh, &size.stride);
    if (!size.bits) {
        m_sizes.erase(m_sizes.begin() + std::ptrdiff_t(slot));
        m_prepared.Detach();
        return false;
    }
    size.width = mw;
    size.height = mh;
    // Only the transparent border is cleared: the crop covers the rest.
    const int stride = size.stride;
    const std::size_t marginRows = std::size_t(kMargin) * std::size_t(stride);
    std::memset(size.bits, 0, marginRows);
    std::memset(size.bits + std::size_t(kMargin + h) * std::size_t(stride), 0, marginRows);
    for (int y = kMargin; y < kMargin + h; ++y) {
        std::uint8_t* row = size.bits + std::size_t(y) * std::size_t(stride);
        std::memset(row, 0, kMargin * 4);
        std::memset(row + std::size_t(kMargin + w) * 4, 0, std::size_t(stride) - std::size_t(kMargin + w) * 4);
    }
    std::uint8_t* interior = size.bits + std::size_t(kMargin) * std::size_t(stride) + kMargin * 4;
    const IppStatus status =
        w == cw && h == ch
            ? CCPU::ippiCopy_8u_C4R(m_source.PixelAt(m_crop), m_source.Stride(), interior,
                                    stride, {w, h})
            : CCPU::ippiResize_8u_C4R(m_source.PixelAt(m_source.Bounds()),
                                      {m_source.Width(), m_source.Height()}, m_source.Stride(),
                                      {m_crop.left, m_crop.top, cw, ch}, interior, stride,
                                      {w, h}, double(w) / cw, double(h) / ch, IPPI_INTER_LANCZOS);
    if (status != ippStsNoErr) {
        CCPU::ippiFree(size.bits);
        m_sizes.erase(m_sizes.begin() + std::ptrdiff_t(slot));
        m_prepared.Detach();
        return false;
    }
    // The filter's small overshoot at a sharp edge must not leave a colour
    // brighter than its pixel's coverage, or it would light up what lies under
    // a transparent part.
    if (!m_picture->Opaque())
        for (int y = 0; y < h; ++y) {
            std::uint8_t* p = interior + std::size_t(y) * std::size_t(stride);
            for (int x = 0; x < w; ++x, p += 4)
                for (int c = 0; c < 3; ++c)
                    p[c] = std::min(p[c], p[3]);
        }
    if (m_autoLevel)
        StretchLevels(interior, stride, w, h);
    else if (std::fabs(m_brightness) >= 0.00001 || std::fabs(m_contrast) >= 0.00001)
        ContrastLight(interior, stride, w, h);
    ++m_made;
    Show(slot, w, h);
    return true;
}

// Finds, per colour channel, the levels below which 1 % of the pixels lie and
// above which 1 % lie; stretching maps them to 0 and 255. A channel whose two
// limits meet is left as it is.
bool CFrameSrcImage::MeasureLevels(const std::uint8_t* first, int stride, int width, int height) {
    std::vector<Ipp32s> hist[3], levels[3];
    Ipp32s* histPointers[3];
    Ipp32s* levelPointers[3];
    for (int c = 0; c < 3; ++c) {
        hist[c].assign(255, 0);
        levels[c].assign(256, 0);
        histPointers[c] = hist[c].data();
        levelPointers[c] = levels[c].data();
    }
    const int counts[3] = {256, 256, 256};
    const Ipp32s lower[3] = {0, 0, 0}, upper[3] = {256, 256, 256};
    if (CCPU::ippiHistogramEven_8u_AC4R(first, stride, {width, height}, histPointers, levelPointers,
                                        counts, lower, upper) != ippStsNoErr)
        return false;
    const double n = double(width) * height;
    int* low = m_low;
    int* high = m_high;
    for (int c = 0; c < 3; ++c) {
        low[c] = 0;
        high[c] = 255;
        bool lowFound = false, highFound = false;
        double sum = 0;
        for (int bin = 0; bin < 255; ++bin) {
            sum += hist[c][std::size_t(bin)];
            if (!lowFound && sum >= 0.01 * n) {
                low[c] = bin;
                lowFound = true;
            }
            if (!highFound && sum >= 0.99 * n) {
                high[c] = bin;
                highFound = true;
            }
        }
    }
    // A channel of one value has no range to stretch: it stays as it is.
    for (int c = 0; c < 3; ++c)
        if (high[c] <= low[c])
            low[c] = high[c] = 0;
    return true;
}

void CFrameSrcImage::StretchLevels(std::uint8_t* first, int stride, int width, int height) const {
    const int* low = m_low;
    const int* high = m_high;
    const Ipp8u subtract[3] = {Ipp8u(low[0]), Ipp8u(low[1]), Ipp8u(low[2])};
    CCPU::ippiSubC_8u_AC4IRSfs(subtract, first, stride, {width, height}, 0);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = first + std::size_t(y) * std::size_t(stride);
        for (int x = 0; x < width; ++x, p += 4)
            for (int c = 0; c < 3; ++c) {
                int range = high[c] - low[c];
                if (range > 0)
                    p[c] = std::uint8_t(std::min(255, p[c] * 255 / range));
            }
    }
}

// Contrast around 122/125 and a brightness step, on the premultiplied pixels.
void CFrameSrcImage::ContrastLight(std::uint8_t* first, int stride, int width, int height) {
    double c = m_contrast;
    double k = c < 0 ? 1.0 / std::fabs(c - 1) : c + 1;
    const double offset = 128;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = first + std::size_t(y) * std::size_t(stride);
        for (int x = 0; x < width; ++x, p += 4)
            for (int ch = 0; ch < 3; ++ch) {
                double v = k * p[ch] + 125 + k * (offset - 250);
                p[ch] = v >= 255 ? 255 : v < 0 ? 0 : std::uint8_t(v);
            }
    }
    int m = int(m_brightness * 255);
    Ipp8u a = Ipp8u(std::min(std::abs(m), 255));
    const Ipp8u step[4] = {a, a, a, 0};
    if (m > 0)
        CCPU::ippiAddC_8u_C4IRSfs(step, first, stride, {width, height}, 0);
    else if (a > 0)
        CCPU::ippiSubC_8u_C4IRSfs(step, first, stride, {width, height}, 0);
}
