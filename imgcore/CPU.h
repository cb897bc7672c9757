#pragma once

#include "imgcore/IppTypes.h"

// The image primitives every module links against. Each function keeps the name,
// the argument order and the status result of the function it is named after.
//
// Common rules:
// - Pictures have 8 bits per channel. C4 pictures have four bytes per pixel
//   (blue, green, red, alpha in this system); AC4 means the fourth byte is alpha
//   and is left untouched in the destination unless a function says otherwise;
//   C1 pictures have one byte per pixel.
// - A step is the distance in bytes from one row to the next. Steps may be
//   negative: the pointer then addresses the first row processed and later
//   rows lie at lower addresses, which is how bottom-up pictures are walked top
//   down. The magnitude of a step must be at least the bytes of one ROI row,
//   else ippStsStepErr.
// - A null pointer gives ippStsNullPtrErr, a ROI with a side below 1
//   ippStsSizeErr; nothing is written then.
// - "x·a/255" means Mul255 of imgcore/PixelMath.h: the exact quotient rounded to
//   the nearest integer, halves up.
// - Faster forms (vector code, unchecked interior loops) give the same bytes as
//   the plain ones; IMGCORE_REFERENCE=1 in the environment runs the plain ones.
class CCPU {
public:
    // ---- Copies and fills -------------------------------------------------

    // Copies roiSize pixels of four bytes each.
    static IppStatus ippiCopy_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                     IppiSize roiSize);
    // Copies the three colour bytes of each pixel; the destination's fourth byte
    // is left as it was.
    static IppStatus ippiCopy_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                      IppiSize roiSize);
    // Copies one channel: pSrc and pDst point at the chosen channel's byte of
    // the first pixel (for example base + 3 for alpha); one byte in every four
    // is read and written.
    static IppStatus ippiCopy_8u_C4CR(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                      IppiSize roiSize);
    // Copies the three colour bytes of four-byte pixels into three-byte pixels.
    static IppStatus ippiCopy_8u_AC4C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                        IppiSize roiSize);
    // Fills the three colour bytes with value[0..2]; the fourth byte stays.
    static IppStatus ippiSet_8u_AC4R(const Ipp8u value[3], Ipp8u* pDst, int dstStep,
                                     IppiSize roiSize);
    // Fills all four bytes with value[0..3].
    static IppStatus ippiSet_8u_C4R(const Ipp8u value[4], Ipp8u* pDst, int dstStep,
                                    IppiSize roiSize);
    // Fills one channel; pDst points at that channel's byte of the first pixel.
    static IppStatus ippiSet_8u_C4CR(Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roiSize);

    // ---- Alpha compositing ----------------------------------------------

    // Composites two pictures with constant alphas alpha1 (for pSrc1, "A") and
    // alpha2 (for pSrc2, "B") on the three colour bytes; the destination's
    // fourth byte stays. With a = alpha1, b = alpha2 and A' = A·a/255,
    // B' = B·b/255, per colour byte:
    //   Over A' + B'·(255 − a)/255     In  A'·b/255      Out A'·(255 − b)/255
    //   ATop A'·b/255 + B'·(255 − a)/255     Xor A'·(255 − b)/255 + B'·(255 − a)/255
    //   Plus A' + B'
    // Premul types take A' = A and B' = B. Sums saturate at 255. In particular
    // Plus (5) is A·a/255 + B·b/255, so weights 255 and 0 give A exactly.
    static IppStatus ippiAlphaCompC_8u_AC4R(const Ipp8u* pSrc1, int src1Step, Ipp8u alpha1,
                                            const Ipp8u* pSrc2, int src2Step, Ipp8u alpha2,
                                            Ipp8u* pDst, int dstStep, IppiSize roiSize,
                                            IppiAlphaType alphaType);
    // Composites two pictures with their per-pixel alphas (fourth bytes) a of
    // pSrc1 and b of pSrc2, by the table of ippiAlphaCompC_8u_AC4R; the
    // destination's fourth byte receives the same rule applied to the alphas
    // themselves (A' = a, B' = b), for example a + b·(255 − a)/255 for Over.
    // Over premultiplied (6) is therefore, per byte, A + B·(255 − a)/255.
    // pDst may equal pSrc1 or pSrc2.
    static IppStatus ippiAlphaComp_8u_AC4R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2,
                                           int src2Step, Ipp8u* pDst, int dstStep,
                                           IppiSize roiSize, IppiAlphaType alphaType);
    // Multiplies the three colour bytes by the pixel's fourth byte: c·a/255.
    static IppStatus ippiAlphaPremul_8u_AC4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);

    // ---- Geometry -------------------------------------------------------

    // Scales the part srcRoi of a picture of srcSize by xFactor and yFactor and
    // writes dstRoiSize pixels. Destination pixel (x, y) samples the source at
    // u = srcRoi.x + (x + 0.5)/xFactor − 0.5, v = srcRoi.y + (y + 0.5)/yFactor − 0.5
    // (pixel centres line up); samples never leave srcRoi (edges repeat).
    // interpolation: IPPI_INTER_NN (1) takes the pixel containing the sample
    // point; IPPI_INTER_LINEAR (2) weighs the four neighbours bilinearly;
    // IPPI_INTER_SUPER (8) averages the source area each destination pixel
    // covers, partial pixels by their covered share (factors must be at most 1,
    // else ippStsResizeFactorErr); IPPI_INTER_LANCZOS (16) weighs the source
    // around each sample point with a three-lobed Lanczos window, widened by
    // the reduction when shrinking so that detail the destination cannot hold
    // is filtered out rather than folded into coarse patterns (its small
    // overshoot at sharp edges is clamped to 0..255). Results are rounded to
    // nearest. srcRoi is first clipped to the picture; an empty intersection
    // gives ippStsNoOperation and writes nothing. Factors ≤ 0 give
    // ippStsResizeFactorErr, other modes ippStsInterpolationErr.
    // C4 writes all four bytes, AC4 the colour bytes only, C1 one byte a pixel.
    static IppStatus ippiResize_8u_C4R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep,
                                       IppiRect srcRoi, Ipp8u* pDst, int dstStep,
                                       IppiSize dstRoiSize, double xFactor, double yFactor,
                                       int interpolation);
    static IppStatus ippiResize_8u_AC4R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep,
                                        IppiRect srcRoi, Ipp8u* pDst, int dstStep,
                                        IppiSize dstRoiSize, double xFactor, double yFactor,
                                        int interpolation);
    static IppStatus ippiResize_8u_C1R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep,
                                       IppiRect srcRoi, Ipp8u* pDst, int dstStep,
                                       IppiSize dstRoiSize, double xFactor, double yFactor,
                                       int interpolation);

    // Warps srcRoi by the affine map x' = c[0][0]·x + c[0][1]·y + c[0][2],
    // y' = c[1][0]·x + c[1][1]·y + c[1][2] (pixel centres at integer
    // coordinates, rows in memory order) into the part dstRoi of the
    // destination. Each destination pixel in dstRoi is mapped back to the source;
    // pixels whose source point falls outside srcRoi are left untouched.
    // IPPI_INTER_NN takes the nearest source pixel, IPPI_INTER_LINEAR weighs
    // the four neighbours; all four bytes are written. With IPPI_SMOOTH_EDGE
    // added to the linear mode, a neighbour outside srcRoi contributes the
    // destination's own pixel instead, so the picture's edge fades into what
    // was there over one pixel; destination pixels with no neighbour inside
    // stay untouched. A map that cannot be inverted or has a coefficient that
    // is not finite gives ippStsCoeffErr.
    static IppStatus ippiWarpAffine_8u_C4R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep,
                                           IppiRect srcRoi, Ipp8u* pDst, int dstStep,
                                           IppiRect dstRoi, const double coeffs[2][3],
                                           int interpolation);
    // The bounding box of srcRoi's corner pixel centres, (x, y), (x + w − 1, y),
    // (x, y + h − 1) and (x + w − 1, y + h − 1), under the map:
    // bound[0] = {minimum x', minimum y'}, bound[1] = {maximum x', maximum y'}.
    static IppStatus ippiGetAffineBound(IppiRect srcRoi, double bound[2][2],
                                        const double coeffs[2][3]);
    // Transposes four-byte pixels: destination (x, y) = source (y, x). roiSize
    // is the source's; the destination is roiSize.height wide and
    // roiSize.width high. The pictures must not overlap.
    static IppStatus ippiTranspose_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst,
                                          int dstStep, IppiSize roiSize);
    // Mirrors the colour bytes in place about the axis; the fourth byte stays.
    static IppStatus ippiMirror_8u_AC4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                                         IppiAxis flip);

    // ---- Arithmetic -----------------------------------------------------

    // Every byte c of channel k becomes c·value[k]/255.
    static IppStatus ippiMulCScale_8u_C4IR(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep,
                                           IppiSize roiSize);
    // Adds value[k] to channel k and scales by 2^−scaleFactor: the result is
    // (c + v)·2^−scaleFactor rounded to nearest (halves to even), saturated to
    // 0..255. scaleFactor 0 is the plain saturated sum.
    static IppStatus ippiAddC_8u_C4IRSfs(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep,
                                         IppiSize roiSize, int scaleFactor);
    // Subtracts with the same scaling; negative results become 0.
    static IppStatus ippiSubC_8u_C4IRSfs(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep,
                                         IppiSize roiSize, int scaleFactor);
    // The same on the three colour bytes; the fourth byte stays.
    static IppStatus ippiSubC_8u_AC4IRSfs(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep,
                                          IppiSize roiSize, int scaleFactor);

    // ---- Statistics and colour -----------------------------------------

    // Histograms of the three colour channels. For channel k, the levels are
    // pLevels[k][j] = lowerLevel[k] + j·(upperLevel[k] − lowerLevel[k])/(nLevels[k] − 1)
    // in integer arithmetic, j = 0 … nLevels[k] − 1, and pHist[k][j] counts the
    // values v with pLevels[k][j] ≤ v < pLevels[k][j + 1] (nLevels[k] − 1 bins).
    // With 256 levels over 0..256 the bins are the values 0 … 253 and one last
    // bin holding 254 and 255. nLevels below 2 give ippStsSizeErr.
    static IppStatus ippiHistogramEven_8u_AC4R(const Ipp8u* pSrc, int srcStep, IppiSize roiSize,
                                               Ipp32s* pHist[3], Ipp32s* pLevels[3],
                                               const int nLevels[3], const Ipp32s lowerLevel[3],
                                               const Ipp32s upperLevel[3]);
    // Converts hue, lightness, saturation (bytes 0, 1, 2) to red, green, blue
    // (bytes 0, 1, 2); the fourth byte stays. With H = h·6/255 (sextants),
    // L = l/255, S = s/255: M2 = L(1 + S) when L ≤ 0.5, else L + S − L·S;
    // M1 = 2L − M2; S = 0 gives grey L; otherwise R = F(H + 2), G = F(H),
    // B = F(H − 2) with F(t) (t wrapped into [0, 6)) = M1 + (M2 − M1)·t for
    // t < 1, M2 for t < 3, M1 + (M2 − M1)·(4 − t) for t < 4, else M1. Each
    // result is ·255 rounded to nearest.
    static IppStatus ippiHLSToRGB_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                          IppiSize roiSize);
    // Converts blue, green, red (bytes 0, 1, 2; the fourth is not read) to
    // planar Y'CbCr 4:2:0 of video range, by the BT.601 matrix or (709CSC) the
    // BT.709 one: Y' = 16 + 219·(Kr·R + Kg·G + Kb·B)/255, Cb = 128 +
    // 224·(B − Y)/(2(1 − Kb)·255), Cr likewise with R and Kr, each in 16-bit
    // fixed point rounded to nearest. A chroma sample sits at the first
    // column of its pair and halfway between its two rows, where MPEG-2 and
    // H.264 put it: the two rows averaged, the columns weighted 1 2 1 (the
    // left edge repeated). pDst holds Y', Cb, Cr with their steps; the ROI's
    // sides must be even, else ippStsSizeErr.
    static IppStatus ippiBGRToYCbCr420_8u_AC4P3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst[3],
                                                 const int dstStep[3], IppiSize roiSize);
    static IppStatus ippiBGRToYCbCr420_709CSC_8u_AC4P3R(const Ipp8u* pSrc, int srcStep,
                                                        Ipp8u* pDst[3], const int dstStep[3],
                                                        IppiSize roiSize);

    // ---- Filters ----------------------------------------------------------

    // Box blur in place of the three colour bytes. Output pixel (x, y) of the
    // ROI is the mean of the maskSize.width × maskSize.height pixels whose
    // top-left one is (x − anchor.x, y − anchor.y), rounded to nearest (halves
    // up); the window may reach outside the ROI, and the caller guarantees that
    // those pixels exist. Inputs are read before any output is written. The cost
    // per pixel does not depend on the mask size.
    static IppStatus ippiFilterBox_8u_AC4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize dstRoiSize,
                                            IppiSize maskSize, IppiPoint anchor);
    // Copies srcRoiSize pixels into the destination at (leftBorderWidth,
    // topBorderHeight) and fills the rest of dstRoiSize by repeating the nearest
    // edge pixel of the copy. Colour bytes only; the fourth byte stays. The
    // destination must hold the source and both borders, else ippStsSizeErr.
    static IppStatus ippiCopyReplicateBorder_8u_AC4R(const Ipp8u* pSrc, int srcStep,
                                                     IppiSize srcRoiSize, Ipp8u* pDst,
                                                     int dstStep, IppiSize dstRoiSize,
                                                     int topBorderHeight, int leftBorderWidth);

    // ---- Memory -------------------------------------------------------------

    // A picture buffer of widthPixels × heightPixels four-byte pixels whose
    // address is 64-byte aligned; *pStepBytes receives the row step, the row
    // size rounded up to a multiple of 64. Null (and step 0) for sides below 1
    // or when memory runs out. The contents are not cleared.
    static Ipp8u* ippiMalloc_8u_C4(int widthPixels, int heightPixels, int* pStepBytes);
    // Frees what ippiMalloc_8u_C4 returned; null does nothing.
    static void ippiFree(void* ptr);

    // ---- Signals ------------------------------------------------------------

    // XORs len bytes with val (0x80 turns unsigned 8-bit samples into signed).
    static IppStatus ippsXorC_8u_I(Ipp8u val, Ipp8u* pSrcDst, int len);
    // Adds len 16-bit samples of pSrc into pSrcDst, saturating at −32768 and 32767.
    static IppStatus ippsAdd_16s_I(const Ipp16s* pSrc, Ipp16s* pSrcDst, int len);
};
