#pragma once

#include <cstdint>

// The plain types, status codes and option values of the image primitives.
// They carry the names and meanings of the functions' published interface so
// that callers read the same as the functions they call.

using Ipp8u = std::uint8_t;
using Ipp16s = std::int16_t;
using Ipp32s = std::int32_t;

// Status of every primitive: 0 is success, negative values are errors, positive
// values are warnings (the result was produced, with a remark).
using IppStatus = int;

enum : IppStatus {
    ippStsNoErr = 0,
    ippStsNoOperation = 1,          // warning: nothing to do (an empty intersection)
    ippStsBadArgErr = -5,
    ippStsSizeErr = -6,
    ippStsNullPtrErr = -8,
    ippStsMemAllocErr = -9,
    ippStsStepErr = -14,
    ippStsInterpolationErr = -22,
    ippStsResizeFactorErr = -23,
    ippStsCoeffErr = -30,
    ippStsMaskSizeErr = -33,
    ippStsAnchorErr = -34,
    ippStsAlphaTypeErr = -36,
};

struct IppiSize {
    int width;
    int height;
};

struct IppiRect {
    int x;
    int y;
    int width;
    int height;
};

struct IppiPoint {
    int x;
    int y;
};

// Alpha compositing rules; the Premul forms take colours already multiplied by
// their alpha.
enum IppiAlphaType : int {
    ippAlphaOver = 0,
    ippAlphaIn = 1,
    ippAlphaOut = 2,
    ippAlphaATop = 3,
    ippAlphaXor = 4,
    ippAlphaPlus = 5,
    ippAlphaOverPremul = 6,
    ippAlphaInPremul = 7,
    ippAlphaOutPremul = 8,
    ippAlphaATopPremul = 9,
    ippAlphaXorPremul = 10,
    ippAlphaPlusPremul = 11,
};

// Interpolation modes of resizing and warping; IPPI_SMOOTH_EDGE is a flag added
// to a mode.
enum : int {
    IPPI_INTER_NN = 1,
    IPPI_INTER_LINEAR = 2,
    IPPI_INTER_CUBIC = 4,
    IPPI_INTER_SUPER = 8,
    IPPI_INTER_LANCZOS = 16,
    IPPI_SMOOTH_EDGE = int(0x80000000u),
};

// Mirror axes: ippAxsHorizontal turns the picture upside down (rows swap),
// ippAxsVertical swaps left and right, ippAxsBoth does both.
enum IppiAxis : int {
    ippAxsHorizontal = 0,
    ippAxsVertical = 1,
    ippAxsBoth = 2,
};
