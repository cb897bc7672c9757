#include "render/clip/ClipMath.h"

#include <algorithm>
#include <cmath>

namespace ClipMath {

int RotationCode(int quarterTurns, bool mirrorH, bool mirrorV) {
    int turns = ((quarterTurns % 4) + 4) % 4;
    bool mirror = mirrorH;
    if (mirrorV) {
        mirror = !mirror;
        turns = (turns + 2) % 4;
    }
    return turns | (mirror ? 16 : 0);
}

double DecodeScale(double minZoom, double maxZoom, double loadFactor) {
    double s = maxZoom;
    if (minZoom > 0 && maxZoom > 0 && minZoom != maxZoom &&
        std::log(maxZoom) - std::log(minZoom) > std::log(2.0))
        s = std::exp(loadFactor * (std::log(maxZoom) - std::log(minZoom)) + std::log(minZoom));
    return s;
}

void MaxDecodeSize(double decodeScale, double cropWidth, double cropHeight, int frameWidth,
                   int frameHeight, int& width, int& height) {
    double t = (decodeScale > 0 ? decodeScale : 2.0) / std::min(cropWidth, cropHeight);
    width = int(t * frameWidth);
    height = int(t * frameHeight);
}

} // namespace ClipMath
