#pragma once

#include "effects/MultifxiSrc.h"
#include "render/IntClipPipeline.h"

// A clip of the layout renderer: the layout effect positions it through its
// picture interface and asks it for its warped layer.
class CClipAdj final : public CIntClipPipeline, public ImultifxiSrc {
public:
    using CIntClipPipeline::CIntClipPipeline;

    void SetTransform(double sx, double sy, double dx, double dy, double angle,
                      double opacity) override;
    void GetTransform(double* sx, double* sy, double* dx, double* dy, double* angle,
                      double* opacity) override;
    int GetFrame(int frame, std::uint8_t** bits, int* stride, SEffectRect* rect) override;

private:
    // As the layout gave them: fitted scale, frame sizes, half turns, 0..1.
    double m_sx = 1, m_sy = 1, m_dx = 0, m_dy = 0, m_angle = 0, m_opacity = 1;
};
