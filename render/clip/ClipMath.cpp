#include "render/clip/ClipMath.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace ClipMath {

int RotationCode(int quarterTurns, bool mirrorH, bool mirrorV) {
    int turns = ((quarterTurns % 4) + 4) % 4;
    bool mirror = mirrorH;
    if (mirrorV) {
        mirror = !mirror;
        turns = (turns + 2) % 4;
    }
    return turns | (mirror ? kMirrored : 0);
}

double DecodeScale(double minZoom, double maxZoom, double loadFactor) {
    double s = maxZoom;
    if (minZoom > 0 && maxZoom > 0 && minZoom != maxZoom &&
        std::log(maxZoom) - std::log(minZoom) > std::log(2.0))
        s = std::exp(loadFactor * (std::log(maxZoom) - std::log(minZoom)) + std::log(minZoom));
    return s;
}

void DecodeBox(double decodeScale, double cropWidth, double cropHeight, int frameWidth,
               int frameHeight, double pixelAspect, bool quarterTurned, int& width, int& height) {
    const double s = decodeScale > 0 ? decodeScale : 2.0;
    double across = frameWidth * (pixelAspect > 0 ? pixelAspect : 1.0), down = frameHeight;
    if (quarterTurned)
        std::swap(across, down);
    // A whisker below a whole pixel still asks for that pixel.
    width = int(std::ceil(s * across / std::max(cropWidth, 1e-6) - 1e-6));
    height = int(std::ceil(s * down / std::max(cropHeight, 1e-6) - 1e-6));
}

} // namespace ClipMath
