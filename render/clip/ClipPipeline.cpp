#include "render/clip/ClipPipeline.h"

#include "imgcore/CPU.h"
#include "render/clip/ClipMath.h"
#include "render/frame/FrameSrc.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

std::uint64_t NextPipelineId() {
    static std::atomic<std::uint64_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

// Frame pixels one source pixel spans along the source's rows (x) and columns
// (y) under a scale and an angle of cosine c and sine s, in a frame whose
// pixels are aspect wide.
void Footprint(double scaleX, double scaleY, double c, double s, double aspect, double& x,
               double& y) {
    x = std::fabs(scaleX) * std::hypot(c / aspect, s);
    y = std::fabs(scaleY) * std::hypot(s / aspect, c);
}

// The prepared scale for a footprint: the fitted footprint times the first
// power of 1.25 at or above their ratio. The warp then shrinks by no more than
// 0.8 and enlarges only past the picture's own resolution; at the fitted size
// it copies. Powers of a fixed step let a zoom re-prepare at a few sizes
// instead of every frame, the same sizes whatever the order frames are drawn in.
double PreparedScale(double footprint, double fitted) {
    if (!(fitted > 0) || !std::isfinite(fitted))
        fitted = 1;
    const double steps = std::ceil(std::log(footprint / fitted) / std::log(1.25) - 1e-6);
    return fitted * std::pow(1.25, std::clamp(steps, -80.0, 80.0));
}

// The layer pixels (in top-down rows) that an upright warp computes from four
// pixels each of the source rectangle `from`, so it writes them whatever lay
// under them; empty for a rotated or sheared warp. One pixel inside the exact
// span on every side keeps clear of rounding.
SRect Overwritten(const double c[2][3], const SRect& from, int layerHeight, bool bottomUp) {
    if (c[0][1] != 0 || c[1][0] != 0 || from.right - from.left < 4 || from.bottom - from.top < 4)
        return {0, 0, 0, 0};
    // Sample points first + 1 .. end − 2 have all four neighbours in the
    // rectangle.
    auto span = [](double scale, double offset, int start, int end, int& first, int& last) {
        double a = offset + scale * (start + 1), b = offset + scale * (end - 2);
        if (a > b)
            std::swap(a, b);
        first = int(std::ceil(a)) + 1;
        last = int(std::floor(b)); // the last one, less one, exclusive
    };
    int x0 = 0, x1 = 0, m0 = 0, m1 = 0;
    span(c[0][0], c[0][2], from.left, from.right, x0, x1);
    span(c[1][1], c[1][2], from.top, from.bottom, m0, m1);
    if (x1 <= x0 || m1 <= m0)
        return {0, 0, 0, 0};
    // Memory rows count upwards in a bottom-up layer.
    return bottomUp ? SRect{x0, layerHeight - m1, x1, layerHeight - m0} : SRect{x0, m0, x1, m1};
}

} // namespace

CClipPipeline::CLayer::CLayer(int width, int height, bool bottomUp)
    : m_width(width), m_height(height), m_bottomUp(bottomUp) {}

bool CClipPipeline::CLayer::Allocate() {
    if (m_pixels.Bits())
        return true;
    if (!m_pixels.Allocate(m_width, m_height))
        return false;
    std::memset(m_pixels.Bits(), 0, m_pixels.Bytes());
    m_view.Attach(m_pixels.Bits(), m_width, m_height,
                  m_bottomUp ? -m_pixels.Stride() : m_pixels.Stride());
    m_written = {0, 0, 0, 0};
    return true;
}

void CClipPipeline::CLayer::Release() {
    m_pixels.Free();
    m_view = CImageView();
    m_written = {0, 0, 0, 0};
    m_user = 0;
}

CClipPipeline::CClipPipeline(int width, int height, double aspect, bool bottomUp,
                             ELayerMemory memory)
    : m_own(std::make_unique<CLayer>(width, height, bottomUp)), m_layer(m_own.get()),
      m_id(NextPipelineId()), m_width(width), m_height(height),
      m_aspect(aspect > 0 ? aspect : 1.0), m_bottomUp(bottomUp) {
    if (memory == ELayerMemory::kNow)
        m_layer->Allocate();
    m_layer->m_user = m_id;
}

CClipPipeline::CClipPipeline(CLayer& shared, double aspect)
    : m_layer(&shared), m_id(NextPipelineId()), m_width(shared.Width()),
      m_height(shared.Height()), m_aspect(aspect > 0 ? aspect : 1.0),
      m_bottomUp(shared.IsBottomUp()) {}

CClipPipeline::~CClipPipeline() = default;

void CClipPipeline::SetFit(int mode, int referenceHeight, EAnchor anchor) {
    m_mode = mode;
    m_referenceHeight = referenceHeight;
    m_anchor = anchor;
    Refit();
}

void CClipPipeline::Refit() {
    m_dirtyCache = m_newPlacement = true;
    if (!m_source)
        return;
    const SRect& crop = m_source->Crop();
    const double cropWidth = crop.right - crop.left, cropHeight = crop.bottom - crop.top;
    if (cropWidth <= 0 || cropHeight <= 0)
        return;
    const int code = m_source->RotationCode();
    const bool quarterTurned = ClipMath::IsQuarterTurned(code);
    const double sourceAspect = m_source->PixelAspect();
    // The frame in pixels and its pixel aspect.
    const double W = m_width, H = m_height, A = m_aspect;
    // The frame's extent along the picture's rows and along its columns, in
    // square units: a picture turned a quarter lies across the frame.
    double frameAcross = W * A, frameDown = H;
    if (quarterTurned)
        std::swap(frameAcross, frameDown);
    // The picture's width when its height fills the frame, and its height
    // when its width does.
    const double widthAtFullHeight = sourceAspect * cropWidth * frameDown / cropHeight;
    const double heightAtFullWidth = cropHeight * frameAcross / (sourceAspect * cropWidth);
    switch (m_mode) {
    case kStretch:
        m_sx = frameAcross / cropWidth;
        m_sy = frameDown / cropHeight;
        break;
    case kNaturalSize:
        m_sy = H / (m_referenceHeight > 0 ? m_referenceHeight : H);
        m_sx = sourceAspect * m_sy;
        break;
    default: {
        // Filling matches the side that leaves the other overflowing the
        // frame; fitting inside matches the one that leaves the other short.
        const bool byWidth = m_mode == kFill ? frameAcross > widthAtFullHeight
                                             : frameAcross < widthAtFullHeight;
        if (byWidth) {
            m_sx = frameAcross / cropWidth;
            m_sy = heightAtFullWidth / cropHeight;
        } else {
            m_sx = widthAtFullHeight / cropWidth;
            m_sy = frameDown / cropHeight;
        }
        break;
    }
    }
    if (m_source->Source().IsBottomUp() != m_bottomUp)
        m_sy = -m_sy;
    if (ClipMath::IsMirrored(code))
        m_sx = -m_sx;
    if (m_anchor == EAnchor::kInsideCorners) {
        // A unit is the frame less the fitted picture, so +-0.5 of it puts
        // the picture's edges on the frame's.
        double placedWidth = cropWidth * std::fabs(m_sx), placedHeight = cropHeight * std::fabs(m_sy);
        if (quarterTurned)
            std::swap(placedWidth, placedHeight);
        m_ux = int(W - placedWidth / A);
        m_uy = int(H - placedHeight);
    } else {
        m_ux = W;
        m_uy = H;
    }
    switch (ClipMath::QuarterTurns(code)) {
    case 1: m_baseRotation = -M_PI / 2; break;
    case 2: m_baseRotation = M_PI; break;
    case 3: m_baseRotation = M_PI / 2; break;
    default: m_baseRotation = 0;
    }
    Footprint(m_sx, m_sy, std::cos(m_baseRotation), std::sin(m_baseRotation), A, m_fittedX,
              m_fittedY);
    // The fitted picture's size in frame pixels, as the source prepares it.
    m_snapX = m_snapY = 0;
    if (m_snap) {
        const double fittedAcross = std::min(cropWidth, std::round(m_fittedX * cropWidth));
        const double fittedDown = std::min(cropHeight, std::round(m_fittedY * cropHeight));
        const double width = quarterTurned ? fittedDown : fittedAcross;
        const double height = quarterTurned ? fittedAcross : fittedDown;
        m_snapX = std::fmod(W - width, 2.0) != 0 ? 0.5 : 0;
        // Half a pixel down the frame, whichever way the layer's rows run.
        m_snapY = std::fmod(H - height, 2.0) == 0 ? 0 : m_bottomUp ? -0.5 : 0.5;
    }
}

void CClipPipeline::PrepareForZooms(double lo, double hi) {
    if (!m_source || !(lo > 0) || !(hi >= lo) || !std::isfinite(hi))
        return;
    // The steps from the largest down; one kept size is left for others.
    const double bottom = PreparedScale(m_fittedX * lo, m_fittedX) / m_fittedX;
    double step = PreparedScale(m_fittedX * hi, m_fittedX) / m_fittedX;
    for (int n = 0; n < 3 && step >= bottom * (1 - 1e-9); ++n, step /= 1.25)
        if (!m_source->SetPreparedScale(m_fittedX * step, m_fittedY * step))
            return;
    m_source->SetPreparedScale(m_fittedX * bottom, m_fittedY * bottom);
}

void CClipPipeline::Clear() {
    // What another pipeline left in a shared layer is its own to clear.
    if (HoldsLayer()) {
        m_layer->m_view.Fill(0, m_layer->m_written);
        m_layer->m_written = {0, 0, 0, 0};
    }
    m_dirty = {0, 0, 0, 0};
    m_dirtyCache = m_newPlacement = true;
}

bool CClipPipeline::Place(double x, double y, double scaleX, double scaleY, double angle,
                          double opacity) {
    const int alpha = int(opacity + 0.5);
    const bool layer = m_layer->Allocate();
    if (alpha <= 0 || !m_source || !layer) {
        Clear();
        // Transparent is drawn (as nothing); no layer or no source is a failure.
        return alpha <= 0 && layer;
    }
    const double cosine = std::cos(angle), sine = std::sin(angle);
    if (!PrepareSource(scaleX, scaleY, cosine, sine)) {
        Clear();
        return false;
    }
    return WarpIntoLayer(x, y, scaleX, scaleY, angle, alpha, m_source->TakeChanged());
}

bool CClipPipeline::WarpIntoLayer(double x, double y, double scaleX, double scaleY, double angle,
                                  int alpha, bool sourceChanged) {
    const double now[6] = {x, y, scaleX, scaleY, angle, double(alpha)};
    const bool changed = sourceChanged || m_dirtyCache || !HoldsLayer() ||
                         std::memcmp(now, m_last, sizeof now) != 0;
    if (!changed)
        return true;
    std::memcpy(m_last, now, sizeof now);
    m_dirtyCache = false;

    SWarp warp;
    if (!PlanWarp(x, y, scaleX, scaleY, std::cos(angle), std::sin(angle), warp)) {
        m_dirty = {0, 0, 0, 0};
        return false;
    }
    ++m_warps;
    ClearForWarp(warp);
    const bool ok = DrawWarp(warp, m_layer->m_view, m_layer->m_written, alpha);
    m_dirty = ok && !IsEmpty(warp.dirty) ? warp.dirty : SRect{0, 0, 0, 0};
    return ok;
}

bool CClipPipeline::PrepareSource(double scaleX, double scaleY, double cosine, double sine) {
    // The source prepares its picture near the size it is drawn at, so the
    // linear warp neither skips pixels when shrinking nor blurs a copy.
    double footX = 0, footY = 0;
    Footprint(scaleX, scaleY, cosine, sine, m_aspect, footX, footY);
    if (footX > 0 && footY > 0 && std::isfinite(footX) && std::isfinite(footY) &&
        !m_source->SetPreparedScale(PreparedScale(footX, m_fittedX),
                                    PreparedScale(footY, m_fittedY)))
        return false;
    return m_source->PrepareView();
}

bool CClipPipeline::PlanWarp(double x, double y, double scaleX, double scaleY, double cosine,
                             double sine, SWarp& warp) const {
    const CImageView& src = m_source->Prepared();
    const double A = m_aspect;
    // Scales per prepared pixel.
    warp.perPixelX = scaleX / m_source->PreparedScaleX();
    warp.perPixelY = scaleY / m_source->PreparedScaleY();
    const double px = warp.perPixelX, py = warp.perPixelY;
    double (&coeffs)[2][3] = warp.coeffs;
    coeffs[0][0] = px * cosine / A;
    coeffs[0][1] = -py * sine / A;
    coeffs[0][2] = 0;
    coeffs[1][0] = px * sine;
    coeffs[1][1] = py * cosine;
    coeffs[1][2] = 0;
    const IppiRect srcRoi{0, 0, src.Width(), src.Height()};
    double bound[2][2];
    if (CCPU::ippiGetAffineBound(srcRoi, bound, coeffs) != ippStsNoErr)
        return false;
    const double x0 = bound[0][0], y0 = bound[0][1], x1 = bound[1][0], y1 = bound[1][1];
    // Centre on centre, counted in pixel centres: the bound spans the first to
    // the last source pixel centre and the layer's middle lies at (W − 1) / 2,
    // so an unrotated picture at scale 1 lands on whole pixels and is copied.
    coeffs[0][2] = (m_width - 1) / 2.0 + x + m_snapX - (x0 + x1) / 2;
    coeffs[1][2] = (m_height - 1) / 2.0 + y + m_snapY - (y0 + y1) / 2;
    // The dirty rectangle in top-down rows: memory rows count upwards in a
    // bottom-up layer.
    const int memTop = int(y0 + coeffs[1][2]), memBottom = int(y1 + coeffs[1][2] + 1);
    warp.dirty = {std::max(0, int(x0 + coeffs[0][2])),
                  std::max(0, m_bottomUp ? m_height - memBottom : memTop),
                  std::min(m_width, int(x1 + coeffs[0][2] + 1)),
                  std::min(m_height, m_bottomUp ? m_height - memTop : memBottom)};
    warp.overwritten = Overwritten(coeffs, src.Bounds(), m_height, m_bottomUp);
    warp.opaque = Overwritten(coeffs, m_source->OpaqueArea(), m_height, m_bottomUp);
    const int pad =
        int(std::ceil(std::max(std::fabs(warp.perPixelX), std::fabs(warp.perPixelY)))) + 2;
    const SRect& dirty = warp.dirty;
    warp.reach =
        Intersect({dirty.left - pad, dirty.top - pad, dirty.right + pad, dirty.bottom + pad},
                  {0, 0, m_width, m_height});
    return true;
}

void CClipPipeline::ClearForWarp(const SWarp& warp) {
    // Only what the last warp wrote needs clearing: the rest of the layer is
    // still transparent. Nor does the part this warp overwrites whole: the
    // warp blends only its edge pixels with what lies under them.
    m_layer->m_view.Fill(0, m_layer->m_written, warp.overwritten);
    m_layer->m_user = m_id;
    m_layer->m_written = warp.reach;
}

bool CClipPipeline::DrawWarp(const SWarp& warp, const CImageView& into, const SRect& reach,
                             int alpha) {
    if (IsEmpty(reach)) return true;
    const CImageView& src = m_source->Prepared();
    // The source's first memory row with a positive step; the target likewise
    // (memory rows count upwards in a bottom-up picture).
    const std::uint8_t* srcFirst = src.PixelAt(src.Bounds());
    const int stride = into.Stride();
    const int memRow = into.IsBottomUp() ? into.Height() - reach.bottom : reach.top;
    // The warp visits only the rows and columns it can reach.
    const IppiRect roi{reach.left, memRow, reach.right - reach.left, reach.bottom - reach.top};
    if (CCPU::ippiWarpAffine_8u_C4R(srcFirst, {src.Width(), src.Height()}, src.Stride(),
                                    {0, 0, src.Width(), src.Height()}, into.Bits(), stride, roi,
                                    warp.coeffs,
                                    IPPI_INTER_LINEAR | IPPI_SMOOTH_EDGE) != ippStsNoErr)
        return false;
    if (alpha == 255)
        return true;
    const Ipp8u value[4] = {Ipp8u(alpha), Ipp8u(alpha), Ipp8u(alpha), Ipp8u(alpha)};
    return CCPU::ippiMulCScale_8u_C4IR(value, into.PixelAt(reach), stride,
                                       {reach.right - reach.left, reach.bottom - reach.top}) ==
           ippStsNoErr;
}

bool CClipPipeline::PlaceOnColour(CImageView& target, std::uint32_t colour, double x, double y,
                                  double scaleX, double scaleY, double angle, double opacity) {
    const int alpha = int(opacity + 0.5);
    auto throughLayer = [&] {
        return Place(x, y, scaleX, scaleY, angle, opacity) && ComposeOnColour(target, colour);
    };
    if (alpha <= 0 || !m_source || target.Width() != m_width || target.Height() != m_height ||
        target.IsBottomUp() != m_bottomUp) {
        m_newPlacement = true;
        return throughLayer();
    }
    const double cosine = std::cos(angle), sine = std::sin(angle);
    if (!PrepareSource(scaleX, scaleY, cosine, sine)) {
        Clear();
        return false;
    }
    const double now[6] = {x, y, scaleX, scaleY, angle, double(alpha)};
    const bool moved = m_source->TakeChanged() || m_newPlacement ||
                       std::memcmp(now, m_lastOnColour, sizeof now) != 0;
    std::memcpy(m_lastOnColour, now, sizeof now);
    m_newPlacement = false;
    if (!moved) {
        // Warped into the layer once, then only composed; the source is
        // prepared already and unchanged.
        if (!m_layer->Allocate()) {
            Clear();
            return false;
        }
        return WarpIntoLayer(x, y, scaleX, scaleY, angle, alpha, false) &&
               ComposeOnColour(target, colour);
    }
    // Whatever the layer held is out of date now.
    m_dirtyCache = true;
    SWarp warp;
    if (!PlanWarp(x, y, scaleX, scaleY, cosine, sine, warp)) return false;
    ++m_warps;
    // The pixels of warping into a clear layer and composing its bound over
    // the colour: the colour outside the bound; within it, what the warp only
    // partly covers cleared first and composed over the colour after. Pixels
    // warped from opaque picture alone need neither.
    const SRect& bound = warp.dirty;
    target.Fill(colour, target.Bounds(), bound);
    target.Fill(0, bound, warp.overwritten);
    if (!DrawWarp(warp, target, bound, alpha)) return false;
    SRect band[4];
    const int parts = Subtract(bound, alpha == 255 ? warp.opaque : SRect{0, 0, 0, 0}, band);
    for (int i = 0; i < parts; ++i)
        if (!OverColour(target, target, band[i], colour)) return false;
    return true;
}

bool CClipPipeline::OverColour(const CImageView& top, CImageView& target, const SRect& area,
                               std::uint32_t colour) {
    // One row of the colour under every row, kept between frames.
    const int width = area.right - area.left;
    if (m_colourRow.size() < std::size_t(width) || m_colourRow.front() != colour)
        m_colourRow.assign(std::size_t(width), colour);
    const auto* lower = reinterpret_cast<const Ipp8u*>(m_colourRow.data());
    for (int y = area.top; y < area.bottom; ++y) {
        const SRect row{area.left, y, area.right, y + 1};
        if (CCPU::ippiAlphaComp_8u_AC4R(top.PixelAt(row), top.Stride(), lower, width * 4,
                                        target.PixelAt(row), target.Stride(), {width, 1},
                                        ippAlphaOverPremul) != ippStsNoErr)
            return false;
    }
    return true;
}

bool CClipPipeline::Compose(const CImageView& target, const CImageView* lower, bool additive) {
    // A shared layer holds only the warp of whoever drew last.
    if (!HoldsLayer())
        return IsEmpty(m_dirty) && !lower;
    const CImageView& view = m_layer->m_view;
    SRect area = lower ? view.Bounds() : m_dirty;
    area = Intersect(area, Intersect(target.Bounds(), view.Bounds()));
    if (IsEmpty(area))
        return true;
    const CImageView& under = lower ? *lower : target;
    IppiSize size{area.right - area.left, area.bottom - area.top};
    return CCPU::ippiAlphaComp_8u_AC4R(view.PixelAt(area), view.Stride(), under.PixelAt(area),
                                       under.Stride(), target.PixelAt(area), target.Stride(), size,
                                       additive ? ippAlphaPlusPremul : ippAlphaOverPremul) ==
           ippStsNoErr;
}

bool CClipPipeline::ComposeOnColour(CImageView& target, std::uint32_t colour) {
    const SRect area = HoldsLayer() ? Intersect(m_dirty, Intersect(target.Bounds(), Layer().Bounds()))
                                    : SRect{0, 0, 0, 0};
    target.Fill(colour, target.Bounds(), area);
    return IsEmpty(area) || OverColour(Layer(), target, area, colour);
}
