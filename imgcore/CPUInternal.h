#pragma once

#include "imgcore/IppTypes.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>

// Argument checks, row addressing and pixel loops shared by the primitives'
// source files.
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
// faster forms: set the environment variable IMGCORE_REFERENCE=1 to compare a
// whole run, or call SetReference to compare single calls (the differential
// tests do).
inline std::atomic<bool>& ReferenceFlag() {
    static std::atomic<bool> reference = [] {
        const char* v = std::getenv("IMGCORE_REFERENCE");
        return v && *v == '1';
    }();
    return reference;
}

inline bool UseReference() { return ReferenceFlag().load(std::memory_order_relaxed); }

// Switches between the reference and the fast versions; returns the previous
// choice.
inline bool SetReference(bool on) { return ReferenceFlag().exchange(on); }

// Whether the AVX2 forms of the fast versions run: where the processor has
// AVX2, unless SetAvx2 turned them off (the differential tests compare the
// SSE2 forms as well). The choice is made by a call, not by the loader (an
// ifunc resolver runs before the sanitizers' run-time is ready).
inline std::atomic<bool>& Avx2Flag() {
    static std::atomic<bool> avx2{__builtin_cpu_supports("avx2") != 0};
    return avx2;
}

inline bool UseAvx2() {
    return Avx2Flag().load(std::memory_order_relaxed);
}

// Allows or forbids the AVX2 forms (never on a processor without AVX2);
// returns the previous choice.
inline bool SetAvx2(bool on) {
    return Avx2Flag().exchange(on && __builtin_cpu_supports("avx2") != 0);
}

template <class T>
inline T* Row(T* base, int step, int y) {
    return base + static_cast<std::ptrdiff_t>(step) * y;
}

// Runs f(s, d) on every pixel of a source and a destination with SBytes and
// DBytes bytes per pixel, row by row.
template <int SBytes, int DBytes, class F>
inline void ForPixels(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi, F f) {
    for (int y = 0; y < roi.height; ++y) {
        const Ipp8u* s = Row(src, srcStep, y);
        Ipp8u* d = Row(dst, dstStep, y);
        for (int x = 0; x < roi.width; ++x, s += SBytes, d += DBytes)
            f(s, d);
    }
}

// Runs f(p) on every four-byte pixel of a picture, in place.
template <class F>
inline void ForPixels(Ipp8u* pic, int step, IppiSize roi, F f) {
    for (int y = 0; y < roi.height; ++y) {
        Ipp8u* p = Row(pic, step, y);
        for (int x = 0; x < roi.width; ++x, p += 4)
            f(p);
    }
}

// Copies the three colour bytes of a pixel.
inline void CopyColour(const Ipp8u* s, Ipp8u* d) {
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
}

} // namespace imgcore
