#pragma once

// A transform as effects give it, relative to a picture's rest state
// (1, 1, 0, 0, 0, 1): scale factors, offsets in frame widths and heights (y
// up), angle in half turns, opacity 0..1. Layout clips and caption glyphs keep
// one each and hand it back through their effect interfaces.
struct SRelTransform {
    double sx = 1, sy = 1, dx = 0, dy = 0, angle = 0, opacity = 1;

    void Set(double newSx, double newSy, double newDx, double newDy, double newAngle,
             double newOpacity) {
        sx = newSx;
        sy = newSy;
        dx = newDx;
        dy = newDy;
        angle = newAngle;
        opacity = newOpacity;
    }
    // Any pointer may be null.
    void Get(double* outSx, double* outSy, double* outDx, double* outDy, double* outAngle,
             double* outOpacity) const {
        if (outSx)
            *outSx = sx;
        if (outSy)
            *outSy = sy;
        if (outDx)
            *outDx = dx;
        if (outDy)
            *outDy = dy;
        if (outAngle)
            *outAngle = angle;
        if (outOpacity)
            *outOpacity = opacity;
    }
};
