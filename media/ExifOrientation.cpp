#include "media/ExifOrientation.h"

#include "imgcore/CPU.h"

#include <algorithm>
#include <cstring>

namespace {

// Reverses the order of the four-byte pixels of one row.
void MirrorRow(std::uint8_t* row, int width) {
    for (int l = 0, r = width - 1; l < r; ++l, --r) {
        std::uint8_t t[4];
        std::memcpy(t, row + 4 * l, 4);
        std::memcpy(row + 4 * l, row + 4 * r, 4);
        std::memcpy(row + 4 * r, t, 4);
    }
}

} // namespace

void TurnUpright(PLBmp& stored, PLBmp& upright, int orientation) {
    int srcStep = 0, dstStep = 0;
    const std::uint8_t* src = stored.GetTopDown(srcStep);
    std::uint8_t* dst = upright.GetTopDown(dstStep);
    const IppiSize storedSize{stored.GetWidth(), stored.GetHeight()};
    if (SwapsSides(orientation))
        CCPU::ippiTranspose_8u_C4R(src, srcStep, dst, dstStep, storedSize);
    else
        CCPU::ippiCopy_8u_C4R(src, srcStep, dst, dstStep, storedSize);

    // After the transpose, what is left is a mirror left to right, top to
    // bottom, or both (a half turn).
    const bool leftRight = orientation == 2 || orientation == 3 || orientation == 6 ||
                           orientation == 7;
    const bool topBottom = orientation == 3 || orientation == 4 || orientation == 7 ||
                           orientation == 8;
    const int w = upright.GetWidth(), h = upright.GetHeight();
    std::uint8_t** rows = upright.GetLineArray();
    if (topBottom)
        for (int y = 0; y < h / 2; ++y)
            std::swap_ranges(rows[y], rows[y] + 4 * std::size_t(w), rows[h - 1 - y]);
    if (leftRight)
        for (int y = 0; y < h; ++y)
            MirrorRow(rows[y], w);
}
