#pragma once

#include "base/CrtRandom.h"

// The placement rules several layouts share. A placement is in the units of
// the host's picture interface: offsets from the frame centre in frame widths
// and heights (y up), scale relative to the picture fitted to the frame,
// rotation in half turns, opacity 0..1.
struct SPlacement {
    double x = 0.0;
    double y = 0.0;
    double scale = 1.0;
    double rotation = 0.0;
    double opacity = 1.0;
};

namespace placement {

// Cell a of a grid for n pictures: ⌈√n⌉ columns, as many rows as needed,
// row 0 at the top; scale 1/columns.
SPlacement GridCell(int a, int n);
[[nodiscard]] int GridColumns(int n);

// A uniform value in [lo, hi] from one step of the generator.
double Uniform(CCrtRandom& random, double lo, double hi);
// A random scale in [lo, hi] and a position that keeps the picture inside
// the frame (scale, then x, then y from the generator).
SPlacement RandomInside(CCrtRandom& random, double lo, double hi);
// A random tilt of ±1/6 half turn (±30°).
double RandomTilt(CCrtRandom& random);

// A place on the arc around a pivot half a frame below the centre, turned by
// e half turns.
SPlacement FanSlot(double e, double scale);

// A place on the orbit of the circle layouts: p in [0, 2) (reduced into it),
// 0 the front (lowest, largest, opaque), 1 the back.
SPlacement Orbit(double p, double radius);

// Linear blend of two placements, u = 0 gives from.
SPlacement Blend(const SPlacement& from, const SPlacement& to, double u);

} // namespace placement
