#pragma once

#include "plugins/multifx/Placement.h"

#include <vector>

// The pictures of the circle layouts at their orbit places, in drawing order:
// the highest (farthest back) first, the front one last.
struct SOrbitPicture {
    int index;
    SPlacement at;
};
void SortForDrawing(std::vector<SOrbitPicture>& pictures);
