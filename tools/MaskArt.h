#pragma once

#include "tools/GreyCanvas.h"

// The 21 masks of the mask transitions, drawn in code. In a mask, dark areas
// change first going forward: a pixel of level h shows the incoming picture
// once the transition has reached h/255 of its length.
namespace maskart {

enum class EFormat { kJpeg, kGif };

// One shipped mask: its resource number, its name (the module's internal and
// display name of its transition), the file format it is stored in, its size
// and its drawing.
struct SMaskArt {
    int resource;
    const char* name;
    EFormat format;
    int width;
    int height;
    void (*draw)(SGreyImage& image);
};

inline constexpr int kMaskCount = 21;

// The masks in resource order.
extern const SMaskArt kMasks[kMaskCount];

} // namespace maskart
