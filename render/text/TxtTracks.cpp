#include "render/text/TxtTracks.h"

#include "effects/Effect.h"
#include "render/frame/BufferedFrame.h"
#include "render/text/TxtRender.h"

#include <algorithm>

CTxtTracks::CTxtTracks(CBufferedFrame& layer, double pixelAspect, CTimerBase& clock,
                       bool timeIndexed)
    : m_layer(layer), m_pixelAspect(pixelAspect), m_clock(clock), m_timeIndexed(timeIndexed),
      m_glyphLayer(layer.BackView().Width(), layer.BackView().Height(),
                   layer.BackView().IsBottomUp()) {}

CTxtTracks::~CTxtTracks() { Clear(); }

CTxtRender* CTxtTracks::Add(const CStyledString& style, double x, double y, double start,
                            double duration, double inOutFraction, CEffect* effect) {
    const CImageView& view = m_layer.BackView();
    auto caption = std::make_unique<CTxtRender>(m_glyphLayer, m_pixelAspect, x, y);
    if (!caption->SetText(style))
        return nullptr;
    const double fps = m_clock.GetFrameRate();
    int first = int(fps * start + 0.5);
    caption->SetFrames(first, first + int(fps * duration + 0.5));
    if (effect) {
        effect->GetEffect()->Reset();
        effect->SetSize(view.Width(), view.Height());
    }
    caption->SetEffect(effect, inOutFraction);
    std::lock_guard lock(m_lock);
    if (!Fits(*caption)) {
        ++m_refused;
        return nullptr;
    }
    CTxtRender* added = caption.get();
    m_captions.push_back(std::move(caption));
    if (m_timeIndexed)
        Index(added);
    return added;
}

bool CTxtTracks::Fits(const CTxtRender& caption) const {
    const int a = caption.FirstFrame(), b = caption.EndFrame();
    const std::int64_t pixels = caption.RasterPixels();
    auto within = [&](const std::vector<CTxtRender*>& sharing) {
        std::int64_t sum = pixels;
        for (const CTxtRender* other : sharing)
            sum += other->RasterPixels();
        return int(sharing.size()) < kMaxShown && sum <= kMaxShownPixels;
    };
    if (!within({}))
        return false;
    if (m_timeIndexed) {
        for (const SInterval& iv : m_intervals)
            if (iv.begin < b && iv.end > a && !within(iv.captions))
                return false;
        return true;
    }
    // Without the index every caption counts that shares any frame with it.
    std::vector<CTxtRender*> sharing;
    for (const auto& other : m_captions)
        if (other->IsStatic() || caption.IsStatic() ||
            (other->FirstFrame() < b && other->EndFrame() > a))
            sharing.push_back(other.get());
    return within(sharing);
}

// Splits the intervals at the caption's first and end frames, appends it to
// every interval it covers and fills uncovered stretches with new ones.
void CTxtTracks::Index(CTxtRender* caption) {
    const int a = caption->FirstFrame(), b = caption->EndFrame();
    if (b <= a)
        return;
    std::vector<SInterval> out;
    int at = a; // the part of [a, b) not yet covered
    auto cover = [&](int to) {
        if (at < to) {
            out.push_back({at, to, {caption}});
            at = to;
        }
    };
    for (SInterval& iv : m_intervals) {
        if (iv.end <= a || iv.begin >= b) {
            if (iv.begin >= b)
                cover(b);
            out.push_back(std::move(iv));
            continue;
        }
        cover(iv.begin);
        if (iv.begin < a)
            out.push_back({iv.begin, a, iv.captions});
        SInterval middle{std::max(iv.begin, a), std::min(iv.end, b), iv.captions};
        middle.captions.push_back(caption);
        at = middle.end;
        out.push_back(std::move(middle));
        if (iv.end > b)
            out.push_back({b, iv.end, iv.captions});
    }
    cover(b);
    std::sort(out.begin(), out.end(), [](const SInterval& l, const SInterval& r) { return l.begin < r.begin; });
    m_intervals = std::move(out);
}

bool CTxtTracks::Start(int offset) {
    {
        std::lock_guard lock(m_lock);
        m_offset = offset;
    }
    if (!m_event && !(m_event = m_clock.StartEvent(this, "kv-captions")))
        return false;
    return m_event->RenderNow();
}

void CTxtTracks::Clear() {
    // The worker leaves first: it may be waiting for the lock.
    if (m_event) {
        m_clock.RemoveEvent(m_event);
        m_event = nullptr;
    }
    std::lock_guard lock(m_lock);
    m_intervals.clear();
    m_refused = 0;
    m_onScreen.clear();
    m_captions.clear();
    m_glyphLayer.Release();
    m_layer.FillBack(0);
    m_layer.Publish();
}

int CTxtTracks::Count() const {
    std::lock_guard lock(m_lock);
    return int(m_captions.size());
}

int CTxtTracks::Refused() const {
    std::lock_guard lock(m_lock);
    return m_refused;
}

std::size_t CTxtTracks::PixelBytes() const {
    std::lock_guard lock(m_lock);
    std::size_t bytes = m_glyphLayer.Bytes();
    for (const CTxtRender* caption : m_onScreen)
        bytes += caption->PixelBytes();
    return bytes;
}

void CTxtTracks::OnEvent() { DrawFrame(m_clock.GetCurrentFrame()); }

bool CTxtTracks::DrawFrame(int clockFrame) {
    std::lock_guard lock(m_lock);
    const int f = clockFrame - m_offset;
    SRect* dirty = nullptr;
    CImageView& back = m_layer.BackView(&dirty);
    // A buffer that nothing was drawn into is still clear.
    if (!IsEmpty(*dirty))
        back.Fill(0);
    *dirty = {0, 0, 0, 0};
    std::vector<CTxtRender*> shown;
    if (m_timeIndexed) {
        auto it = std::upper_bound(m_intervals.begin(), m_intervals.end(), f,
                                   [](int frame, const SInterval& iv) { return frame < iv.begin; });
        if (it != m_intervals.begin() && f < std::prev(it)->end)
            shown = std::prev(it)->captions;
    } else {
        for (auto& caption : m_captions)
            shown.push_back(caption.get());
    }
    // Captions shown without their effect go on top.
    std::stable_partition(shown.begin(), shown.end(), [](CTxtRender* c) { return !c->IsStatic(); });
    std::vector<CTxtRender*> onScreen;
    bool ok = true;
    for (CTxtRender* caption : shown) {
        const bool on = caption->IsShownAt(f);
        if (on)
            onScreen.push_back(caption);
        if (!caption->DrawAt(f, back)) {
            ok = false;
            break;
        }
        if (on)
            *dirty = back.Bounds();
    }
    // Captions that left the screen give their pixels back, and so does the
    // shared layer when nothing is on screen.
    for (CTxtRender* caption : m_onScreen)
        if (std::find(onScreen.begin(), onScreen.end(), caption) == onScreen.end())
            caption->Release();
    m_onScreen = std::move(onScreen);
    if (m_onScreen.empty())
        m_glyphLayer.Release();
    if (ok)
        m_layer.Publish();
    return ok;
}
