#pragma once

#include <cstddef>

// One key-frame of a picture's pan and zoom, in the 64-byte form that layout
// effects hand to the host and that layout parameters carry (kind 3). Both
// sides read the fields at the offsets asserted below.
struct SKeyFrameRecord {
    double x = 0.0;        // centre offset from the frame centre, in frame widths
    double y = 0.0;        // in frame heights, upwards positive
    double scale = 1.0;    // 1 = the picture fitted to the frame, both axes
    double opacity = 1.0;  // 0..1
    double rotation = 0.0; // half turns, counter-clockwise positive
    double time = 0.0;     // fraction 0..1 of the clip
    double unused = 0.0;   // kept, never read by the renderer
    int easing = 0;        // easing of the segment that starts here
    int extra = 0;         // kept, never read by the renderer
};

static_assert(sizeof(SKeyFrameRecord) == 64);
static_assert(offsetof(SKeyFrameRecord, time) == 40);
static_assert(offsetof(SKeyFrameRecord, easing) == 56);
static_assert(offsetof(SKeyFrameRecord, extra) == 60);
