#pragma once

#include "effects/api/EffectTypes.h"

#include <cstdint>

// The host's glyph of a caption (the whole string or one character). Transform
// values are relative to the glyph's rest state (1, 1, 0, 0, 0, 1): scale
// factors, offsets in frame widths and heights (y up), angle in half turns,
// opacity 0..1.
class IEffectGlyphSrc {
public:
    virtual void SetTransform(double sx, double sy, double dx, double dy, double angle,
                              double opacity) = 0;
    virtual void GetTransform(double* sx, double* sy, double* dx, double* dy, double* angle,
                              double* opacity) = 0;
    // Rest position as fractions of the frame from its centre (y up); box may
    // be null.
    virtual void GetPlacement(double* x, double* y, SEffectRect* box) = 0;
    // The caption's text colour, 0x00BBGGRR.
    virtual std::uint32_t GetColor() = 0;
    // The caption layer being drawn; 0 outside a drawing call.
    virtual int GetTarget(std::uint8_t** bits, int* stride) = 0;
    // Draws the glyph with its current transform over the target; drawn may be null.
    virtual int Render(SEffectRect* drawn) = 0;
    // The host owns glyph sources; effects never delete them.
    virtual ~IEffectGlyphSrc() = default;
};

// One node of a caption's per-character list, in reading order.
struct SGlyphNode {
    IEffectGlyphSrc* glyph;
    SGlyphNode* previous;
    SGlyphNode* next;
};
