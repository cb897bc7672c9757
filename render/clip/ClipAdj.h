#pragma once

#include "effects/api/MultifxiSrc.h"
#include "render/clip/IntClipPipeline.h"
#include "render/frame/RelTransform.h"

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
    SRelTransform m_t; // as the layout gave it
};
