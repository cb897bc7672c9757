#include "render/clip/ClipAdj.h"

#include "render/frame/FrameSrc.h"

#include <cmath>

void CClipAdj::SetTransform(double sx, double sy, double dx, double dy, double angle,
                            double opacity) {
    m_t.Set(sx, sy, dx, dy, angle, opacity);
}

void CClipAdj::GetTransform(double* sx, double* sy, double* dx, double* dy, double* angle,
                            double* opacity) {
    m_t.Get(sx, sy, dx, dy, angle, opacity);
}

int CClipAdj::GetFrame(int frame, std::uint8_t** bits, int* stride, SEffectRect* rect) {
    if (!InRange(frame) || !m_source->MoveTo(frame))
        return 0;
    const CClipPipeline& p = m_pipeline;
    if (!m_pipeline.Place(m_t.dx * p.UnitX(), m_t.dy * p.UnitY(), m_t.sx * p.FitX(),
                          m_t.sy * p.FitY(), m_t.angle * M_PI + p.BaseRotation(), m_t.opacity * 255))
        return 0;
    const CImageView& layer = m_pipeline.Layer();
    const SRect& dirty = m_pipeline.Dirty();
    std::uint8_t* first = IsEmpty(dirty) ? layer.Bits() : layer.PixelAt(dirty);
    if (bits)
        *bits = first;
    if (stride)
        *stride = layer.IsBottomUp() ? -layer.Stride() : layer.Stride();
    if (rect)
        *rect = dirty;
    return 1;
}
