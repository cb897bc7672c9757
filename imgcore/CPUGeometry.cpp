// Resizing, mirroring and transposing.
#include "imgcore/CPU.h"

#include "imgcore/CPUInternal.h"
#include "imgcore/PixelMath.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using imgcore::CheckPicture;
using imgcore::Row;

namespace {

// Channels a resize reads and writes, out of the pixel's bytes.
struct SLayout {
    int bytes;    // bytes per pixel
    int channels; // leading channels written
};

// Source index and 8-bit weight of the right (lower) neighbour, per destination
// column or row, for linear interpolation; the sample point never leaves
// [0, n − 1].
struct STap {
    int index;
    int weight;
};

std::vector<STap> LinearTaps(int dstCount, int srcCount, double factor) {
    std::vector<STap> taps(static_cast<std::size_t>(dstCount));
    for (int i = 0; i < dstCount; ++i) {
        const double u = std::clamp((i + 0.5) / factor - 0.5, 0.0, double(srcCount - 1));
        int index = int(u);
        int weight = int(std::lround((u - index) * 256));
        if (weight == 256) {
            ++index;
            weight = 0;
        }
        if (index >= srcCount - 1) {
            index = srcCount - 1;
            weight = 0;
        }
        taps[std::size_t(i)] = {index, weight};
    }
    return taps;
}

std::vector<int> NearestTaps(int dstCount, int srcCount, double factor) {
    std::vector<int> taps(static_cast<std::size_t>(dstCount));
    // Clamped while still a double: a tiny factor puts the sample point far
    // beyond what an int holds.
    for (int i = 0; i < dstCount; ++i)
        taps[std::size_t(i)] =
            int(std::clamp(std::floor((i + 0.5) / factor), 0.0, double(srcCount - 1)));
    return taps;
}

// Weights of a separable resize: destination i reads source [first, first +
// count) with weights at offset in the shared weight array.
struct SArea {
    int first;
    int count;
    int offset; // into the shared weight array
};

// Area weights for supersampling: destination i covers source [i/f, (i + 1)/f).
void AreaTaps(int dstCount, int srcCount, double factor, std::vector<SArea>& areas,
              std::vector<float>& weights) {
    areas.resize(std::size_t(dstCount));
    weights.clear();
    for (int i = 0; i < dstCount; ++i) {
        double l = i / factor, r = (i + 1) / factor;
        l = std::min(l, double(srcCount) - 1e-9);
        r = std::clamp(r, l + 1e-9, double(srcCount));
        int first = int(std::floor(l));
        int last = std::min(int(std::ceil(r)) - 1, srcCount - 1);
        SArea a{first, last - first + 1, int(weights.size())};
        const double norm = 1.0 / (r - l);
        for (int k = first; k <= last; ++k) {
            double w = std::min(r, double(k + 1)) - std::max(l, double(k));
            weights.push_back(float(std::max(w, 0.0) * norm));
        }
        areas[std::size_t(i)] = a;
    }
}

double Lanczos3(double t) {
    t = std::fabs(t);
    if (t < 1e-9)
        return 1;
    if (t >= 3)
        return 0;
    const double a = M_PI * t;
    return 3 * std::sin(a) * std::sin(a / 3) / (a * a);
}

// Lanczos-3 weights around the sample point (i + 0.5)/f − 0.5, the kernel
// widened by 1/f when shrinking so that it filters out what the destination
// cannot hold. Taps beyond the edge fall on the edge pixel; the weights sum
// to 1.
void LanczosTaps(int dstCount, int srcCount, double factor, std::vector<SArea>& areas,
                 std::vector<float>& weights) {
    areas.resize(std::size_t(dstCount));
    weights.clear();
    const double stretch = std::max(1.0, 1.0 / factor), support = 3 * stretch;
    std::vector<double> w;
    for (int i = 0; i < dstCount; ++i) {
        const double u = (i + 0.5) / factor - 0.5;
        const int lo = int(std::ceil(u - support)), hi = int(std::floor(u + support));
        const int first = std::clamp(lo, 0, srcCount - 1), last = std::clamp(hi, 0, srcCount - 1);
        w.assign(std::size_t(last - first + 1), 0.0);
        double sum = 0;
        for (int k = lo; k <= hi; ++k) {
            const double v = Lanczos3((k - u) / stretch);
            w[std::size_t(std::clamp(k, first, last) - first)] += v;
            sum += v;
        }
        areas[std::size_t(i)] = {first, last - first + 1, int(weights.size())};
        for (double v : w)
            weights.push_back(float(sum != 0 ? v / sum : 0));
    }
}

void ResizeNearest(const Ipp8u* src, int srcStep, int sw, int sh, Ipp8u* dst, int dstStep,
                   IppiSize dstSize, double xf, double yf, SLayout lay) {
    auto xs = NearestTaps(dstSize.width, sw, xf);
    auto ys = NearestTaps(dstSize.height, sh, yf);
    for (int y = 0; y < dstSize.height; ++y) {
        const Ipp8u* s = Row(src, srcStep, ys[std::size_t(y)]);
        Ipp8u* d = Row(dst, dstStep, y);
        for (int x = 0; x < dstSize.width; ++x)
            std::memcpy(d + x * lay.bytes, s + xs[std::size_t(x)] * lay.bytes, std::size_t(lay.channels));
    }
}

void ResizeLinear(const Ipp8u* src, int srcStep, int sw, int sh, Ipp8u* dst, int dstStep,
                  IppiSize dstSize, double xf, double yf, SLayout lay) {
    auto xs = LinearTaps(dstSize.width, sw, xf);
    auto ys = LinearTaps(dstSize.height, sh, yf);
    const int b = lay.bytes;
    for (int y = 0; y < dstSize.height; ++y) {
        const STap ty = ys[std::size_t(y)];
        const Ipp8u* r0 = Row(src, srcStep, ty.index);
        const Ipp8u* r1 = Row(src, srcStep, std::min(ty.index + 1, sh - 1));
        Ipp8u* d = Row(dst, dstStep, y);
        for (int x = 0; x < dstSize.width; ++x, d += b) {
            const STap tx = xs[std::size_t(x)];
            const int x1 = std::min(tx.index + 1, sw - 1) * b, x0 = tx.index * b;
            const unsigned wx = unsigned(tx.weight), wy = unsigned(ty.weight);
            for (int c = 0; c < lay.channels; ++c) {
                unsigned top = r0[x0 + c] * (256 - wx) + r0[x1 + c] * wx;
                unsigned bottom = r1[x0 + c] * (256 - wx) + r1[x1 + c] * wx;
                d[c] = Ipp8u((top * (256 - wy) + bottom * wy + 32768) >> 16);
            }
        }
    }
}

// A separable resize by per-row and per-column weights (area averaging or
// Lanczos): each source row is reduced horizontally once and added into the
// destination rows it reaches.
void ResizeSeparable(const Ipp8u* src, int srcStep, int sw, int sh, Ipp8u* dst, int dstStep,
                     IppiSize dstSize, double xf, double yf, SLayout lay, bool lanczos) {
    std::vector<SArea> xa, ya;
    std::vector<float> xw, yw;
    if (lanczos) {
        LanczosTaps(dstSize.width, sw, xf, xa, xw);
        LanczosTaps(dstSize.height, sh, yf, ya, yw);
    } else {
        AreaTaps(dstSize.width, sw, xf, xa, xw);
        AreaTaps(dstSize.height, sh, yf, ya, yw);
    }
    const int ch = lay.channels, b = lay.bytes;
    const std::size_t rowLen = std::size_t(dstSize.width) * 4;
    // The reduced source rows that the destination rows share, in a ring: a
    // destination row reads a run of consecutive rows that only moves down.
    int ring = 1;
    for (const SArea& a : ya)
        ring = std::max(ring, a.count);
    std::vector<float> rows(std::size_t(ring) * rowLen), acc(rowLen);
    std::vector<int> held(std::size_t(ring), -1);
    // Four-byte pixels are widened to floats once per row, so that every tap
    // is one multiply-add of four channels.
    std::vector<float> wide(b == 4 ? std::size_t(sw) * 4 : 0);
#if defined(__SSE2__)
    // The column weights repeated for the four channels.
    std::vector<float> xw4(xw.size() * 4);
    for (std::size_t i = 0; i < xw.size(); ++i)
        std::fill_n(&xw4[i * 4], 4, xw[i]);
#endif
    auto reducedRow = [&](int sy) -> const float* {
        const std::size_t slot = std::size_t(sy % ring);
        float* reduced = &rows[slot * rowLen];
        if (held[slot] == sy)
            return reduced;
        const Ipp8u* s = Row(src, srcStep, sy);
        if (b == 4) {
            for (std::size_t i = 0; i < wide.size(); ++i)
                wide[i] = float(s[i]);
            for (int x = 0; x < dstSize.width; ++x) {
                const SArea ax = xa[std::size_t(x)];
                const float* p = wide.data() + std::size_t(ax.first) * 4;
#if defined(__SSE2__)
                const float* w4 = xw4.data() + std::size_t(ax.offset) * 4;
                __m128 sum = _mm_setzero_ps();
                for (int j = 0; j < ax.count; ++j, p += 4, w4 += 4)
                    sum = _mm_add_ps(sum, _mm_mul_ps(_mm_loadu_ps(w4), _mm_loadu_ps(p)));
                _mm_storeu_ps(reduced + std::size_t(x) * 4, sum);
#else
                const float* w = xw.data() + ax.offset;
                float sum[4] = {0, 0, 0, 0};
                for (int j = 0; j < ax.count; ++j, p += 4)
                    for (int c = 0; c < 4; ++c)
                        sum[c] += w[j] * p[c];
                std::memcpy(reduced + std::size_t(x) * 4, sum, sizeof sum);
#endif
            }
        } else {
            for (int x = 0; x < dstSize.width; ++x) {
                const SArea ax = xa[std::size_t(x)];
                const float* w = xw.data() + ax.offset;
                const Ipp8u* p = s + ax.first * b;
                float sum = 0;
                for (int j = 0; j < ax.count; ++j, p += b)
                    sum += w[j] * float(p[0]);
                const float row[4] = {sum, 0, 0, 0};
                std::memcpy(reduced + std::size_t(x) * 4, row, sizeof row);
            }
        }
        held[slot] = sy;
        return reduced;
    };
    for (int y = 0; y < dstSize.height; ++y) {
        const SArea ay = ya[std::size_t(y)];
        std::fill(acc.begin(), acc.end(), 0.0f);
        for (int k = 0; k < ay.count; ++k) {
            const float* reduced = reducedRow(ay.first + k);
            const float w = yw[std::size_t(ay.offset + k)];
#if defined(__SSE2__)
            const __m128 wv = _mm_set1_ps(w);
            for (std::size_t i = 0; i < rowLen; i += 4)
                _mm_storeu_ps(&acc[i], _mm_add_ps(_mm_loadu_ps(&acc[i]),
                                                  _mm_mul_ps(wv, _mm_loadu_ps(reduced + i))));
#else
            for (std::size_t i = 0; i < rowLen; ++i)
                acc[i] += w * reduced[i];
#endif
        }
        Ipp8u* d = Row(dst, dstStep, y);
#if defined(__SSE2__)
        if (ch == 4) {
            // Rounded by adding a half and truncating, as below; the packs
            // saturate to 0..255.
            const __m128 half = _mm_set1_ps(0.5f);
            for (int x = 0; x < dstSize.width; ++x) {
                const __m128i v = _mm_cvttps_epi32(
                    _mm_add_ps(_mm_loadu_ps(&acc[std::size_t(x) * 4]), half));
                const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(v, v), _mm_setzero_si128());
                const int bytes = _mm_cvtsi128_si32(packed);
                std::memcpy(d + x * 4, &bytes, 4);
            }
            continue;
        }
#endif
        for (int x = 0; x < dstSize.width; ++x)
            for (int c = 0; c < ch; ++c)
                d[x * b + c] = ClampByte(int(acc[std::size_t(x) * 4 + std::size_t(c)] + 0.5f));
    }
}

IppStatus Resize(const Ipp8u* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi, Ipp8u* pDst,
                 int dstStep, IppiSize dstRoiSize, double xFactor, double yFactor,
                 int interpolation, SLayout lay) {
    if (!pSrc || !pDst)
        return ippStsNullPtrErr;
    if (srcSize.width < 1 || srcSize.height < 1)
        return ippStsSizeErr;
    if (IppStatus s = CheckPicture(pDst, dstStep, dstRoiSize, lay.bytes))
        return s;
    if (IppStatus s = CheckPicture(pSrc, srcStep, srcSize, lay.bytes))
        return s;
    if (!(xFactor > 0) || !(yFactor > 0))
        return ippStsResizeFactorErr;
    if (interpolation != IPPI_INTER_NN && interpolation != IPPI_INTER_LINEAR &&
        interpolation != IPPI_INTER_SUPER && interpolation != IPPI_INTER_LANCZOS)
        return ippStsInterpolationErr;
    if (interpolation == IPPI_INTER_SUPER && (xFactor > 1 || yFactor > 1))
        return ippStsResizeFactorErr;
    // The ROI's far edges in 64 bits: a ROI far out must not wrap around.
    const int x0 = std::max(srcRoi.x, 0), y0 = std::max(srcRoi.y, 0);
    const int x1 = int(std::min<long long>(static_cast<long long>(srcRoi.x) + srcRoi.width,
                                           srcSize.width));
    const int y1 = int(std::min<long long>(static_cast<long long>(srcRoi.y) + srcRoi.height,
                                           srcSize.height));
    if (x1 <= x0 || y1 <= y0)
        return ippStsNoOperation;
    const Ipp8u* origin = Row(pSrc, srcStep, y0) + x0 * lay.bytes;
    const int sw = x1 - x0, sh = y1 - y0;
    switch (interpolation) {
    case IPPI_INTER_NN:
        ResizeNearest(origin, srcStep, sw, sh, pDst, dstStep, dstRoiSize, xFactor, yFactor, lay);
        break;
    case IPPI_INTER_LINEAR:
        ResizeLinear(origin, srcStep, sw, sh, pDst, dstStep, dstRoiSize, xFactor, yFactor, lay);
        break;
    default:
        ResizeSeparable(origin, srcStep, sw, sh, pDst, dstStep, dstRoiSize, xFactor, yFactor, lay,
                        interpolation == IPPI_INTER_LANCZOS);
        break;
    }
    return ippStsNoErr;
}

} // namespace

IppStatus CCPU::ippiResize_8u_C4R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep,
                                  IppiRect srcRoi, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize,
                                  double xFactor, double yFactor, int interpolation) {
    return Resize(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoiSize, xFactor, yFactor,
                  interpolation, {4, 4});
}

IppStatus CCPU::ippiResize_8u_AC4R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep,
                                   IppiRect srcRoi, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize,
                                   double xFactor, double yFactor, int interpolation) {
    return Resize(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoiSize, xFactor, yFactor,
                  interpolation, {4, 3});
}

IppStatus CCPU::ippiResize_8u_C1R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep,
                                  IppiRect srcRoi, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize,
                                  double xFactor, double yFactor, int interpolation) {
    return Resize(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoiSize, xFactor, yFactor,
                  interpolation, {1, 1});
}

IppStatus CCPU::ippiMirror_8u_AC4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                                    IppiAxis flip) {
    if (IppStatus s = CheckPicture(pSrcDst, srcDstStep, roiSize, 4))
        return s;
    if (flip != ippAxsHorizontal && flip != ippAxsVertical && flip != ippAxsBoth)
        return ippStsBadArgErr;
    auto swapColour = [](Ipp8u* a, Ipp8u* b) {
        for (int c = 0; c < 3; ++c)
            std::swap(a[c], b[c]);
    };
    const int w = roiSize.width, h = roiSize.height;
    if (flip != ippAxsVertical) {
        for (int y = 0; y < h / 2; ++y) {
            Ipp8u* a = Row(pSrcDst, srcDstStep, y);
            Ipp8u* b = Row(pSrcDst, srcDstStep, h - 1 - y);
            for (int x = 0; x < w; ++x)
                swapColour(a + 4 * x, b + 4 * x);
        }
    }
    if (flip != ippAxsHorizontal) {
        for (int y = 0; y < h; ++y) {
            Ipp8u* a = Row(pSrcDst, srcDstStep, y);
            for (int x = 0; x < w / 2; ++x)
                swapColour(a + 4 * x, a + 4 * (w - 1 - x));
        }
    }
    return ippStsNoErr;
}

IppStatus CCPU::ippiTranspose_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                     IppiSize roiSize) {
    if (IppStatus s = CheckPicture(pSrc, srcStep, roiSize, 4))
        return s;
    if (IppStatus s = CheckPicture(pDst, dstStep, IppiSize{roiSize.height, roiSize.width}, 4))
        return s;
    // Blocks of 16 × 16 pixels keep both pictures' rows in the cache.
    constexpr int kBlock = 16;
    for (int y0 = 0; y0 < roiSize.height; y0 += kBlock)
        for (int x0 = 0; x0 < roiSize.width; x0 += kBlock) {
            int y1 = std::min(y0 + kBlock, roiSize.height);
            int x1 = std::min(x0 + kBlock, roiSize.width);
            for (int y = y0; y < y1; ++y) {
                const Ipp8u* s = Row(pSrc, srcStep, y);
                for (int x = x0; x < x1; ++x)
                    std::memcpy(Row(pDst, dstStep, x) + 4 * y, s + 4 * x, 4);
            }
        }
    return ippStsNoErr;
}
