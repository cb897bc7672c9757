#include "render/ClipAdj.h"

#include "render/FrameSrc.h"

#include <cmath>

void CClipAdj::SetTransform(double sx, double sy, double dx, double dy, double angle,
                            double opacity) {
    m_sx = sx;
    m_sy = sy;
    m_dx = dx;
    m_dy = dy;
    m_angle = angle;
    m_opacity = opacity;
}

void CClipAdj::GetTransform(double* sx, double* sy, double* dx, double* dy, double* angle,
                            double* opacity) {
    if (sx)
        *sx = m_sx;
    if (sy)
        *sy = m_sy;
    if (dx)
        *dx = m_dx;
    if (dy)
        *dy = m_dy;
    if (angle)
        *angle = m_angle;
    if (opacity)
        *opacity = m_opacity;
}

int CClipAdj::GetFrame(int frame, std::uint8_t** bits, int* stride, SEffectRect* rect) {
    if (!InRange(frame) || !m_source->MoveTo(frame))
        return 0;
    const CClipPipeline& p = m_pipeline;
    if (!m_pipeline.Place(m_dx * p.UnitX(), m_dy * p.UnitY(), m_sx * p.FitX(), m_sy * p.FitY(),
                          m_angle * M_PI + p.BaseRotation(), m_opacity * 255))
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
