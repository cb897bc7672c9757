#pragma once

#include "media/Bmp.h"

// EXIF orientations (the tag's values 1 to 8) say how a picture was stored
// relative to how it is seen: 1 upright, 2 mirrored, 3 turned half round,
// 4 upside down, 5 transposed, 6 stored a quarter turn anticlockwise,
// 7 transversed, 8 stored a quarter turn clockwise. From 5 on the stored
// width is the upright height.

// Whether an orientation swaps width and height.
[[nodiscard]] constexpr bool SwapsSides(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

// Copies a stored 32-bit picture into a 32-bit bitmap of its upright size,
// turned and mirrored as the orientation says; all four bytes of a pixel
// move together, so alpha stays with its colour. Orientation 1 (or any value
// out of range) copies as it is.
void TurnUpright(PLBmp& stored, PLBmp& upright, int orientation);
