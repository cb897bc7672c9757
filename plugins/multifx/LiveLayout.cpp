#include "plugins/multifx/LiveLayout.h"

#include "imgcore/CPU.h"
#include "plugins/multifx/Placement.h"

#include <algorithm>
#include <cstdlib>

CLiveLayout::CLiveLayout(const multifx::SLayoutInfo& info, int minPictures, int maxPictures)
    : CLayout(info, minPictures, maxPictures) {}

SKeyFrameRecord* CLiveLayout::MakeKeyFrames(int, int, int* count) {
    if (count)
        *count = 0;
    return nullptr;
}

int CLiveLayout::Render(int frame, std::uint8_t* dst, int stride) {
    if (m_sources.empty() || m_frameCount <= 0 || !dst || stride == 0 || m_width <= 0 ||
        m_height <= 0)
        return 0;
    m_frame = frame;
    m_dst = dst;
    m_stride = stride;
    try {
        Draw(std::clamp(frame, 0, m_frameCount - 1), m_frameCount);
    } catch (...) {
        // Out of memory for the drawing order: the frame keeps what was drawn.
    }
    m_dst = nullptr;
    return 0;
}

void CLiveLayout::DrawPicture(int i, const SPlacement& at) {
    ImultifxiSrc* source = m_sources[std::size_t(i)];
    if (!source)
        return;
    source->SetTransform(at.scale, at.scale, at.x, at.y, at.rotation, at.opacity);
    // A picture faded out entirely costs no warp.
    if (at.opacity <= 0)
        return;
    std::uint8_t* bits = nullptr;
    int layerStride = 0;
    SEffectRect rect{0, 0, 0, 0};
    if (!source->GetFrame(m_frame, &bits, &layerStride, &rect) || !bits || layerStride == 0)
        return;
    // The rectangle is in top-down frame pixels; a picture that reaches
    // beyond the frame is cut, which moves the layer's first row as well.
    SEffectRect cut{std::max(rect.left, 0), std::max(rect.top, 0),
                    std::min(rect.right, m_width), std::min(rect.bottom, m_height)};
    int w = cut.right - cut.left, h = cut.bottom - cut.top;
    if (w <= 0 || h <= 0)
        return;
    // The address of the rectangle's top row in each buffer, and the step to
    // the row below it.
    int layerStep = std::abs(layerStride);
    std::uint8_t* layerTop = layerStride > 0
                                 ? bits + std::ptrdiff_t(cut.top - rect.top) * layerStep
                                 : bits + std::ptrdiff_t(rect.bottom - 1 - cut.top) * layerStep;
    layerTop += 4 * std::ptrdiff_t(cut.left - rect.left);
    int dstStep = std::abs(m_stride);
    std::uint8_t* dstTop = m_stride > 0 ? m_dst + std::ptrdiff_t(cut.top) * dstStep
                                        : m_dst + std::ptrdiff_t(m_height - 1 - cut.top) * dstStep;
    dstTop += 4 * std::ptrdiff_t(cut.left);
    // The host's layer holds the warped picture with its colour already
    // multiplied by its coverage and opacity, so it goes over as it is.
    if ((layerStride > 0) == (m_stride > 0)) {
        // Same row order: one call over the block, from its first row in memory.
        std::uint8_t* layerFirst = layerStride > 0 ? layerTop : layerTop - std::ptrdiff_t(h - 1) * layerStep;
        std::uint8_t* dstFirst = m_stride > 0 ? dstTop : dstTop - std::ptrdiff_t(h - 1) * dstStep;
        CCPU::ippiAlphaComp_8u_AC4R(layerFirst, layerStep, dstFirst, dstStep, dstFirst, dstStep,
                                    {w, h}, ippAlphaOverPremul);
        return;
    }
    for (int y = 0; y < h; ++y) {
        std::uint8_t* from = layerStride > 0 ? layerTop + std::ptrdiff_t(y) * layerStep
                                             : layerTop - std::ptrdiff_t(y) * layerStep;
        std::uint8_t* to = m_stride > 0 ? dstTop + std::ptrdiff_t(y) * dstStep
                                        : dstTop - std::ptrdiff_t(y) * dstStep;
        CCPU::ippiAlphaComp_8u_AC4R(from, layerStep, to, dstStep, to, dstStep, {w, 1},
                                    ippAlphaOverPremul);
    }
}

void CLiveLayout::DrawGrid() {
    const int n = GetSourceCount();
    for (int i = 0; i < n; ++i)
        DrawPicture(i, placement::GridCell(i, n));
}

double OutOfPlace(const SSlot& slot) {
    const int L = slot.length, t = slot.t;
    const int E = int(L / 3.0);
    if (E > 0 && t < E)
        return double(t) / E;
    if (E > 0 && t >= L - E)
        return double(L - t) / E;
    return 1.0;
}

SSlot SlotOf(int f, int F, int n) {
    SSlot slot;
    slot.length = n > 0 ? F / n : 0;
    if (slot.length <= 0) {
        slot.past = true;
        slot.current = n;
        return slot;
    }
    slot.current = f / slot.length;
    slot.t = f % slot.length;
    if (slot.current >= n) {
        slot.past = true;
        slot.current = n;
    }
    return slot;
}
