#pragma once

#include "effects/api/EffectTypes.h"

#include <cstdint>

// The host's picture of a multi-picture layout, one per picture clip. Scale
// factors are relative to the picture fitted to the frame, offsets in frame
// widths and heights from the centre (y up), angles in half turns, opacity 0..1.
class ImultifxiSrc {
public:
    virtual void SetTransform(double sx, double sy, double dx, double dy, double angle,
                              double opacity) = 0;
    // Any pointer may be null.
    virtual void GetTransform(double* sx, double* sy, double* dx, double* dy, double* angle,
                              double* opacity) = 0;
    // Warps the picture for slide frame `frame` into the clip's layer; returns
    // nonzero with the changed rectangle's first row in memory, the signed
    // stride and the rectangle, or 0 (outputs untouched) outside its time range.
    virtual int GetFrame(int frame, std::uint8_t** bits, int* stride, SEffectRect* rect) = 0;

protected:
    ~ImultifxiSrc() = default;
};
