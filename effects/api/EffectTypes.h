#pragma once

#include <cstdint>

// Small plain types that cross the plug-in boundary.

// A rectangle in top-down frame pixels; right and bottom are exclusive.
struct SEffectRect {
    int left;
    int top;
    int right;
    int bottom;
};

// A small picture of an effect, owned by the plug-in: width × height pixels of
// four bytes (blue, green, red, 255), rows top-down, stride bytes apart.
struct SEffectIcon {
    int width;
    int height;
    int stride;
    const std::uint8_t* bits;
};
