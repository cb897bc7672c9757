#include "imgcore/CPU.h"

#include "imgcore/CPUInternal.h"
#include "imgcore/PixelMath.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using imgcore::CheckPicture;
using imgcore::CheckPictures;
using imgcore::CopyColour;
using imgcore::ForPixels;
using imgcore::Row;

// ---- Copies and fills ------------------------------------------------------

IppStatus CCPU::ippiCopy_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                IppiSize roiSize) {
    if (IppStatus s = CheckPictures(pSrc, srcStep, pDst, dstStep, roiSize, 4))
        return s;
    const std::size_t bytes = std::size_t(roiSize.width) * 4;
    for (int y = 0; y < roiSize.height; ++y)
        std::memmove(Row(pDst, dstStep, y), Row(pSrc, srcStep, y), bytes);
    return ippStsNoErr;
}

IppStatus CCPU::ippiCopy_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                 IppiSize roiSize) {
    if (IppStatus s = CheckPictures(pSrc, srcStep, pDst, dstStep, roiSize, 4))
        return s;
    ForPixels<4, 4>(pSrc, srcStep, pDst, dstStep, roiSize, CopyColour);
    return ippStsNoErr;
}

IppStatus CCPU::ippiCopy_8u_C4CR(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                 IppiSize roiSize) {
    // The pointers address one channel, so the last pixel's row ends three
    // bytes before the full row would.
    if (IppStatus s = CheckPictures(pSrc, srcStep, pDst, dstStep, roiSize, 4))
        return s;
    ForPixels<4, 4>(pSrc, srcStep, pDst, dstStep, roiSize,
                    [](const Ipp8u* s, Ipp8u* d) { *d = *s; });
    return ippStsNoErr;
}

IppStatus CCPU::ippiCopy_8u_AC4C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                   IppiSize roiSize) {
    if (IppStatus s = CheckPicture(pSrc, srcStep, roiSize, 4))
        return s;
    if (IppStatus s = CheckPicture(pDst, dstStep, roiSize, 3))
        return s;
    ForPixels<4, 3>(pSrc, srcStep, pDst, dstStep, roiSize, CopyColour);
    return ippStsNoErr;
}

IppStatus CCPU::ippiSet_8u_AC4R(const Ipp8u value[3], Ipp8u* pDst, int dstStep, IppiSize roiSize) {
    if (!value)
        return ippStsNullPtrErr;
    if (IppStatus s = CheckPicture(pDst, dstStep, roiSize, 4))
        return s;
    ForPixels(pDst, dstStep, roiSize, [value](Ipp8u* d) { CopyColour(value, d); });
    return ippStsNoErr;
}

IppStatus CCPU::ippiSet_8u_C4R(const Ipp8u value[4], Ipp8u* pDst, int dstStep, IppiSize roiSize) {
    if (!value)
        return ippStsNullPtrErr;
    if (IppStatus s = CheckPicture(pDst, dstStep, roiSize, 4))
        return s;
    std::uint32_t pixel;
    std::memcpy(&pixel, value, 4);
    ForPixels(pDst, dstStep, roiSize, [pixel](Ipp8u* d) { std::memcpy(d, &pixel, 4); });
    return ippStsNoErr;
}

IppStatus CCPU::ippiSet_8u_C4CR(Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
    if (IppStatus s = CheckPicture(pDst, dstStep, roiSize, 4))
        return s;
    ForPixels(pDst, dstStep, roiSize, [value](Ipp8u* d) { *d = value; });
    return ippStsNoErr;
}

// ---- Alpha compositing -----------------------------------------------------

namespace {

bool IsAlphaType(int type) { return type >= ippAlphaOver && type <= ippAlphaPlusPremul; }

// One channel of the compositing table: ca, cb are the colours (or alphas)
// already multiplied by their alpha, a and b the alphas.
inline unsigned CompositeChannel(int rule, unsigned ca, unsigned cb, unsigned a, unsigned b) {
    unsigned v;
    switch (rule) {
    case ippAlphaOver: v = ca + Mul255(cb, 255 - a); break;
    case ippAlphaIn: v = Mul255(ca, b); break;
    case ippAlphaOut: v = Mul255(ca, 255 - b); break;
    case ippAlphaATop: v = Mul255(ca, b) + Mul255(cb, 255 - a); break;
    case ippAlphaXor: v = Mul255(ca, 255 - b) + Mul255(cb, 255 - a); break;
    default: v = ca + cb; break; // plus
    }
    return v > 255 ? 255 : v;
}

// Over with premultiplied colours, the host's composition of every frame:
// d = s1 + s2·(255 − a1)/255 on all four bytes, saturated. The plain version
// is the reference; the SSE2 one (every x86-64 processor has SSE2) gives the
// same bytes four pixels at a time and passes opaque and transparent runs
// through without multiplying. Each block is read before it is written, so
// the destination may be the second source itself, as the renderer composes
// in place.
void OverPremulRowPlain(const Ipp8u* s1, const Ipp8u* s2, Ipp8u* d, int width) {
    for (int x = 0; x < width; ++x, s1 += 4, s2 += 4, d += 4) {
        const unsigned inv = 255u - s1[3];
        Ipp8u out[4];
        for (int c = 0; c < 4; ++c) {
            const unsigned v = s1[c] + Mul255(s2[c], inv);
            out[c] = Ipp8u(v > 255 ? 255 : v);
        }
        std::memcpy(d, out, 4);
    }
}

#if defined(__SSE2__)
// Mul255 on eight 16-bit lanes of bytes and weights: with t = x·a + 128,
// (t + (t >> 8)) >> 8 is the high word of t·257.
inline __m128i Mul255x8(__m128i bytes, __m128i weights) {
    const __m128i half = _mm_set1_epi16(128), k257 = _mm_set1_epi16(257);
    return _mm_mulhi_epu16(_mm_add_epi16(_mm_mullo_epi16(bytes, weights), half), k257);
}

// Four pixels of a + b·(255 − alpha(a))/255, saturated.
inline __m128i OverPremul4(__m128i a, __m128i b) {
    const __m128i zero = _mm_setzero_si128(), full = _mm_set1_epi32(255);
    // 255 − alpha in both 16-bit halves of every pixel's 32 bits.
    __m128i inv = _mm_sub_epi32(full, _mm_srli_epi32(a, 24));
    inv = _mm_or_si128(inv, _mm_slli_epi32(inv, 16));
    const __m128i lo = Mul255x8(_mm_unpacklo_epi8(b, zero), _mm_unpacklo_epi32(inv, inv));
    const __m128i hi = Mul255x8(_mm_unpackhi_epi8(b, zero), _mm_unpackhi_epi32(inv, inv));
    return _mm_adds_epu8(a, _mm_packus_epi16(lo, hi));
}

void OverPremulRow(const Ipp8u* s1, const Ipp8u* s2, Ipp8u* d, int width) {
    if (imgcore::UseReference())
        return OverPremulRowPlain(s1, s2, d, width);
    const __m128i ones = _mm_set1_epi8(-1), zero = _mm_setzero_si128();
    auto load = [](const Ipp8u* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    auto store = [](Ipp8u* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); };
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m128i a0 = load(s1 + 4 * x), a1 = load(s1 + 4 * x + 16);
        const __m128i b0 = load(s2 + 4 * x), b1 = load(s2 + 4 * x + 16);
        // Layers are mostly opaque picture or transparent surround, so eight
        // pixels at a time are tested for either: opaque pixels give a itself
        // (b is weighed by 0), transparent ones a + b (b is weighed by
        // 255/255). Testing fewer pixels at once costs more than it saves.
        // The alpha bits of the movemask are 0x8888.
        const int allOpaque = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(a0, a1), ones));
        const int allClear = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(a0, a1), zero));
        if ((allOpaque & 0x8888) == 0x8888) {
            store(d + 4 * x, a0);
            store(d + 4 * x + 16, a1);
        } else if ((allClear & 0x8888) == 0x8888) {
            store(d + 4 * x, _mm_adds_epu8(a0, b0));
            store(d + 4 * x + 16, _mm_adds_epu8(a1, b1));
        } else {
            store(d + 4 * x, OverPremul4(a0, b0));
            store(d + 4 * x + 16, OverPremul4(a1, b1));
        }
    }
    for (; x + 4 <= width; x += 4)
        store(d + 4 * x, OverPremul4(load(s1 + 4 * x), load(s2 + 4 * x)));
    OverPremulRowPlain(s1 + 4 * x, s2 + 4 * x, d + 4 * x, width - x);
}
#else
void OverPremulRow(const Ipp8u* s1, const Ipp8u* s2, Ipp8u* d, int width) {
    OverPremulRowPlain(s1, s2, d, width);
}
#endif

// Plus with constant weights on the colour bytes, the cross-fade of
// transitions: d = s1·a/255 + s2·b/255, saturated; the fourth byte stays.
// The SSE2 form gives the same bytes four pixels at a time (a cross-fade of
// two 1920 x 1080 frames took an eighth of a render's time in plain code).
void PlusConstRowPlain(const Ipp8u* s1, unsigned a, const Ipp8u* s2, unsigned b, Ipp8u* d,
                       int width) {
    for (int x = 0; x < width; ++x, s1 += 4, s2 += 4, d += 4) {
        for (int c = 0; c < 3; ++c) {
            unsigned v = Mul255(s1[c], a) + Mul255(s2[c], b);
            d[c] = Ipp8u(v > 255 ? 255 : v);
        }
    }
}

#if defined(__SSE2__)
void PlusConstRow(const Ipp8u* s1, unsigned a, const Ipp8u* s2, unsigned b, Ipp8u* d, int width) {
    if (imgcore::UseReference())
        return PlusConstRowPlain(s1, a, s2, b, d, width);
    const __m128i zero = _mm_setzero_si128(), fourth = _mm_set1_epi32(int(0xFF000000u));
    const __m128i wa = _mm_set1_epi16(short(a)), wb = _mm_set1_epi16(short(b));
    auto load = [](const Ipp8u* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    int x = 0;
    // Every block is read before it is written: d may be s1 or s2.
    for (; x + 4 <= width; x += 4) {
        const __m128i p = load(s1 + 4 * x), q = load(s2 + 4 * x);
        const __m128i kept = _mm_and_si128(load(d + 4 * x), fourth);
        const __m128i lo = _mm_add_epi16(Mul255x8(_mm_unpacklo_epi8(p, zero), wa),
                                         Mul255x8(_mm_unpacklo_epi8(q, zero), wb));
        const __m128i hi = _mm_add_epi16(Mul255x8(_mm_unpackhi_epi8(p, zero), wa),
                                         Mul255x8(_mm_unpackhi_epi8(q, zero), wb));
        const __m128i colour = _mm_andnot_si128(fourth, _mm_packus_epi16(lo, hi));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4 * x), _mm_or_si128(colour, kept));
    }
    PlusConstRowPlain(s1 + 4 * x, a, s2 + 4 * x, b, d + 4 * x, width - x);
}
#else
void PlusConstRow(const Ipp8u* s1, unsigned a, const Ipp8u* s2, unsigned b, Ipp8u* d, int width) {
    PlusConstRowPlain(s1, a, s2, b, d, width);
}
#endif

} // namespace

namespace {

// Both compositing functions: constant alphas when alphas is given (the
// destination's fourth byte stays), else each pixel's fourth bytes (the fourth
// byte receives the composite alpha).
IppStatus Composite(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                    Ipp8u* pDst, int dstStep, IppiSize roiSize, IppiAlphaType alphaType,
                    const Ipp8u* alphas) {
    if (IppStatus s = CheckPictures(pSrc1, src1Step, pSrc2, src2Step, roiSize, 4))
        return s;
    if (IppStatus s = CheckPicture(pDst, dstStep, roiSize, 4))
        return s;
    if (!IsAlphaType(alphaType))
        return ippStsAlphaTypeErr;
    const bool premul = alphaType >= ippAlphaOverPremul;
    const int rule = premul ? alphaType - ippAlphaOverPremul : alphaType;
    for (int y = 0; y < roiSize.height; ++y) {
        const Ipp8u* a = Row(pSrc1, src1Step, y);
        const Ipp8u* b = Row(pSrc2, src2Step, y);
        Ipp8u* d = Row(pDst, dstStep, y);
        if (alphas && rule == ippAlphaPlus) {
            PlusConstRow(a, premul ? 255 : alphas[0], b, premul ? 255 : alphas[1], d,
                         roiSize.width);
            continue;
        }
        if (!alphas && alphaType == ippAlphaOverPremul) {
            OverPremulRow(a, b, d, roiSize.width);
            continue;
        }
        for (int x = 0; x < roiSize.width; ++x, a += 4, b += 4, d += 4) {
            const unsigned aa = alphas ? alphas[0] : a[3], ab = alphas ? alphas[1] : b[3];
            Ipp8u out[4] = {0, 0, 0, d[3]};
            for (int c = 0; c < 3; ++c) {
                const unsigned ca = premul ? a[c] : Mul255(a[c], aa);
                const unsigned cb = premul ? b[c] : Mul255(b[c], ab);
                out[c] = Ipp8u(CompositeChannel(rule, ca, cb, aa, ab));
            }
            if (!alphas)
                out[3] = Ipp8u(CompositeChannel(rule, aa, ab, aa, ab));
            std::memcpy(d, out, 4);
        }
    }
    return ippStsNoErr;
}

} // namespace

IppStatus CCPU::ippiAlphaCompC_8u_AC4R(const Ipp8u* pSrc1, int src1Step, Ipp8u alpha1,
                                       const Ipp8u* pSrc2, int src2Step, Ipp8u alpha2,
                                       Ipp8u* pDst, int dstStep, IppiSize roiSize,
                                       IppiAlphaType alphaType) {
    const Ipp8u alphas[2] = {alpha1, alpha2};
    return Composite(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, alphaType, alphas);
}

IppStatus CCPU::ippiAlphaComp_8u_AC4R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2,
                                      int src2Step, Ipp8u* pDst, int dstStep, IppiSize roiSize,
                                      IppiAlphaType alphaType) {
    return Composite(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, alphaType,
                     nullptr);
}

IppStatus CCPU::ippiAlphaPremul_8u_AC4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
    if (IppStatus s = CheckPicture(pSrcDst, srcDstStep, roiSize, 4))
        return s;
    ForPixels(pSrcDst, srcDstStep, roiSize, [](Ipp8u* d) {
        for (int c = 0; c < 3; ++c)
            d[c] = Ipp8u(Mul255(d[c], d[3]));
    });
    return ippStsNoErr;
}

// ---- Arithmetic ------------------------------------------------------------

namespace {

// (v)·2^−sf rounded to nearest with halves to even, saturated to a byte.
Ipp8u ScaleSaturate(int v, int sf) {
    if (sf > 0) {
        if (sf > 16)
            return 0;
        const int half = 1 << (sf - 1);
        const int q = v >> sf;
        const int rem = v - (q << sf);
        v = q + (rem > half || (rem == half && (q & 1)) ? 1 : 0);
    } else if (sf < 0) {
        v = sf < -16 ? (v > 0 ? 255 : v < 0 ? 0 : 0) : v * (1 << -sf);
    }
    return ClampByte(v);
}

template <int Channels, int Sign>
IppStatus AddSubC(const Ipp8u* value, Ipp8u* pSrcDst, int step, IppiSize roi, int sf) {
    if (!value)
        return ippStsNullPtrErr;
    if (IppStatus s = CheckPicture(pSrcDst, step, roi, 4))
        return s;
    ForPixels(pSrcDst, step, roi, [&](Ipp8u* d) {
        for (int c = 0; c < Channels; ++c)
            d[c] = ScaleSaturate(int(d[c]) + Sign * int(value[c]), sf);
    });
    return ippStsNoErr;
}

} // namespace

IppStatus CCPU::ippiMulCScale_8u_C4IR(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep,
                                      IppiSize roiSize) {
    if (!value)
        return ippStsNullPtrErr;
    if (IppStatus s = CheckPicture(pSrcDst, srcDstStep, roiSize, 4))
        return s;
    ForPixels(pSrcDst, srcDstStep, roiSize, [value](Ipp8u* d) {
        for (int c = 0; c < 4; ++c)
            d[c] = Ipp8u(Mul255(d[c], value[c]));
    });
    return ippStsNoErr;
}

IppStatus CCPU::ippiAddC_8u_C4IRSfs(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep,
                                    IppiSize roiSize, int scaleFactor) {
    return AddSubC<4, 1>(value, pSrcDst, srcDstStep, roiSize, scaleFactor);
}

IppStatus CCPU::ippiSubC_8u_C4IRSfs(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep,
                                    IppiSize roiSize, int scaleFactor) {
    return AddSubC<4, -1>(value, pSrcDst, srcDstStep, roiSize, scaleFactor);
}

IppStatus CCPU::ippiSubC_8u_AC4IRSfs(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep,
                                     IppiSize roiSize, int scaleFactor) {
    return AddSubC<3, -1>(value, pSrcDst, srcDstStep, roiSize, scaleFactor);
}

// ---- Statistics and colour -------------------------------------------------

IppStatus CCPU::ippiHistogramEven_8u_AC4R(const Ipp8u* pSrc, int srcStep, IppiSize roiSize,
                                          Ipp32s* pHist[3], Ipp32s* pLevels[3],
                                          const int nLevels[3], const Ipp32s lowerLevel[3],
                                          const Ipp32s upperLevel[3]) {
    if (!pHist || !pLevels || !nLevels || !lowerLevel || !upperLevel)
        return ippStsNullPtrErr;
    if (IppStatus s = CheckPicture(pSrc, srcStep, roiSize, 4))
        return s;
    for (int c = 0; c < 3; ++c) {
        if (!pHist[c] || !pLevels[c])
            return ippStsNullPtrErr;
        if (nLevels[c] < 2)
            return ippStsSizeErr;
    }
    for (int c = 0; c < 3; ++c) {
        const int n = nLevels[c];
        const long long span = static_cast<long long>(upperLevel[c]) - lowerLevel[c];
        for (int j = 0; j < n; ++j)
            pLevels[c][j] = Ipp32s(lowerLevel[c] + j * span / (n - 1));
        std::fill(pHist[c], pHist[c] + (n - 1), 0);
        // Every byte value falls into one bin or none; look it up once.
        int binOf[256];
        for (int v = 0; v < 256; ++v) {
            Ipp32s* end = pLevels[c] + n;
            Ipp32s* up = std::upper_bound(pLevels[c], end, v);
            binOf[v] = (up == pLevels[c] || up == end) ? -1 : int(up - pLevels[c]) - 1;
        }
        for (int y = 0; y < roiSize.height; ++y) {
            const Ipp8u* s = Row(pSrc, srcStep, y) + c;
            for (int x = 0; x < roiSize.width; ++x)
                if (int bin = binOf[s[4 * x]]; bin >= 0)
                    ++pHist[c][bin];
        }
    }
    return ippStsNoErr;
}

namespace {

double HlsChannel(double m1, double m2, double t) {
    if (t < 0)
        t += 6;
    else if (t >= 6)
        t -= 6;
    if (t < 1)
        return m1 + (m2 - m1) * t;
    if (t < 3)
        return m2;
    if (t < 4)
        return m1 + (m2 - m1) * (4 - t);
    return m1;
}

Ipp8u UnitToByte(double v) { return ClampByte(int(std::floor(v * 255.0 + 0.5))); }

} // namespace

IppStatus CCPU::ippiHLSToRGB_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                     IppiSize roiSize) {
    if (IppStatus s = CheckPictures(pSrc, srcStep, pDst, dstStep, roiSize, 4))
        return s;
    ForPixels<4, 4>(pSrc, srcStep, pDst, dstStep, roiSize, [](const Ipp8u* s, Ipp8u* d) {
        const double h = s[0] * 6.0 / 255.0, l = s[1] / 255.0, sat = s[2] / 255.0;
        Ipp8u rgb[3] = {s[1], s[1], s[1]};
        if (s[2] != 0) {
            const double m2 = l <= 0.5 ? l * (1 + sat) : l + sat - l * sat;
            const double m1 = 2 * l - m2;
            rgb[0] = UnitToByte(HlsChannel(m1, m2, h + 2));
            rgb[1] = UnitToByte(HlsChannel(m1, m2, h));
            rgb[2] = UnitToByte(HlsChannel(m1, m2, h - 2));
        }
        CopyColour(rgb, d); // the source may be the destination
    });
    return ippStsNoErr;
}

// ---- Memory ----------------------------------------------------------------

Ipp8u* CCPU::ippiMalloc_8u_C4(int widthPixels, int heightPixels, int* pStepBytes) {
    if (pStepBytes)
        *pStepBytes = 0;
    if (!pStepBytes || widthPixels < 1 || heightPixels < 1)
        return nullptr;
    const long long step = (static_cast<long long>(widthPixels) * 4 + 63) / 64 * 64;
    const long long bytes = step * heightPixels;
    if (step > std::numeric_limits<int>::max() ||
        bytes > static_cast<long long>(std::numeric_limits<std::ptrdiff_t>::max() / 2))
        return nullptr;
    void* p = std::aligned_alloc(64, std::size_t(bytes));
    if (!p)
        return nullptr;
    *pStepBytes = int(step);
    return static_cast<Ipp8u*>(p);
}

void CCPU::ippiFree(void* ptr) { std::free(ptr); }

// ---- Signals -----------------------------------------------------------------

IppStatus CCPU::ippsXorC_8u_I(Ipp8u val, Ipp8u* pSrcDst, int len) {
    if (!pSrcDst)
        return ippStsNullPtrErr;
    if (len < 1)
        return ippStsSizeErr;
    for (int i = 0; i < len; ++i)
        pSrcDst[i] ^= val;
    return ippStsNoErr;
}

IppStatus CCPU::ippsAdd_16s_I(const Ipp16s* pSrc, Ipp16s* pSrcDst, int len) {
    if (!pSrc || !pSrcDst)
        return ippStsNullPtrErr;
    if (len < 1)
        return ippStsSizeErr;
    for (int i = 0; i < len; ++i) {
        const int v = int(pSrc[i]) + int(pSrcDst[i]);
        pSrcDst[i] = Ipp16s(std::clamp(v, -32768, 32767));
    }
    return ippStsNoErr;
}
