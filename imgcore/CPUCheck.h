#pragma once

#include "imgcore/IppTypes.h"

#include <cstddef>
#include <cstdlib>

// Argument checks and row addressing shared by the primitives' source files.
namespace imgcore {

// The status for a picture argument: pointer, ROI and step for pixels of
// bytesPerPixel bytes.
inline IppStatus CheckPicture(const void* p, int step, IppiSize roi, int bytesPerPixel) {
    if (!p)
        return ippStsNullPtrErr;
    if (roi.width < 1 || roi.height < 1)
        return ippStsSizeErr;
    if (std::abs(static_cast<long long>(step)) < static_cast<long long>(roi.width) * bytesPerPixel)
        return ippStsStepErr;
    return ippStsNoErr;
}

// Checks two pictures of the same ROI; the first failing status wins.
inline IppStatus CheckPictures(const void* a, int aStep, const void* b, int bStep, IppiSize roi,
                               int bytesPerPixel) {
    IppStatus s = CheckPicture(a, aStep, roi, bytesPerPixel);
    return s != ippStsNoErr ? s : CheckPicture(b, bStep, roi, bytesPerPixel);
}

// Whether the plain reference versions of the primitives run instead of their
// faster forms: set the environment variable IMGCORE_REFERENCE=1 to compare.
inline bool UseReference() {
    static const bool reference = [] {
        const char* v = std::getenv("IMGCORE_REFERENCE");
        return v && *v == '1';
    }();
    return reference;
}

template <class T>
inline T* Row(T* base, int step, int y) {
    return base + static_cast<std::ptrdiff_t>(step) * y;
}

} // namespace imgcore
