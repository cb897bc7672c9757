#include "render/frame/FrameSrcVideo.h"

#include "base/MediaWarnings.h"
#include "media/AnyVidDecoder.h"
#include "media/TextException.h"

#include <algorithm>
#include <cmath>
#include <new>

CFrameSrcVideo::CFrameSrcVideo() : m_decoder(std::make_unique<PLAnyVidDecoder>()) {}

CFrameSrcVideo::~CFrameSrcVideo() = default;

bool CFrameSrcVideo::Open(const std::string& path, double start, double end, double clockRate) {
    m_shown = -1;
    m_source.Detach();
    m_prepared.Detach();
    try {
        if (!m_decoder->OpenFile2(path)) {
            const std::string& why = m_decoder->GetOpenError();
            CMediaWarnings::Report(path, "cannot be opened as a video clip" +
                                             (why.empty() ? std::string() : ": " + why));
            return false;
        }
    } catch (const PLTextException& e) {
        CMediaWarnings::Report(path, std::string("cannot be opened as a video clip: ") + e.what());
        return false;
    } catch (const std::bad_alloc&) {
        CMediaWarnings::Report(path, "cannot be opened as a video clip: out of memory");
        return false;
    }
    m_rate = m_decoder->GetFrameRate();
    m_count = m_decoder->GetFrameCount();
    if (!(m_rate > 0) || m_count <= 0 || !(clockRate > 0)) {
        CMediaWarnings::Report(path, "holds no video frames");
        return false;
    }
    m_start = std::max(0.0, start);
    m_end = end;
    m_clockRate = clockRate;
    m_cropSet = false;
    return GetFrame(0);
}

std::int64_t CFrameSrcVideo::FrameIndex(int clipFrame) const {
    double t = m_start + std::max(0, clipFrame) / m_clockRate;
    if (m_end >= 0 && t > m_end)
        t = m_end;
    auto index = std::int64_t(std::floor(t * m_rate + 1e-6));
    return std::clamp<std::int64_t>(index, 0, m_count - 1);
}

bool CFrameSrcVideo::GetFrame(int clipFrame) {
    if (m_count <= 0)
        return false;
    std::int64_t index = FrameIndex(clipFrame);
    // The same video frame still applies: nothing new to warp.
    if (index == m_shown)
        return true;
    return Show(index);
}

bool CFrameSrcVideo::Show(std::int64_t index) {
    int stride = 0;
    const std::uint8_t* bits = nullptr;
    try {
        bits = m_decoder->GetFrame(index, stride);
    } catch (const PLTextException&) {
        bits = nullptr;
    }
    if (!bits)
        return false;
    // The decoder hands out the lowest row and a signed stride; a view takes
    // the lowest row too, with the sign telling the row order.
    m_source.Attach(const_cast<std::uint8_t*>(bits), m_decoder->GetWidth(), m_decoder->GetHeight(),
                    stride);
    m_shown = index;
    return SetCropRect(m_cropSet ? m_crop : m_source.Bounds());
}

bool CFrameSrcVideo::SetCropRect(const SRect& rect) {
    SRect crop = Intersect(rect, m_source.Bounds());
    if (IsEmpty(crop))
        return false;
    m_crop = crop;
    m_cropSet = true;
    std::uint8_t* first = m_source.PixelAt(crop);
    if (!first)
        return false;
    m_prepared.Attach(first, crop.right - crop.left, crop.bottom - crop.top,
                      m_source.IsBottomUp() ? -m_source.Stride() : m_source.Stride());
    m_changed = true;
    return true;
}
