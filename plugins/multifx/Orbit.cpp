#include "plugins/multifx/Orbit.h"

#include <algorithm>

void SortForDrawing(std::vector<SOrbitPicture>& pictures) {
    std::stable_sort(pictures.begin(), pictures.end(),
                     [](const SOrbitPicture& a, const SOrbitPicture& b) { return a.at.y > b.at.y; });
}
