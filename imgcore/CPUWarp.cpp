// Affine warping. The plain loop maps every destination pixel back to the
// source and is the reference; the fast linear warp finds, per destination
// row, the span whose sample points have all four neighbours inside the source
// and fills it with integer kernels, leaving only the one- or two-pixel edge
// band to the plain per-pixel code. Both give the same bytes: they compute each
// sample point with the same double arithmetic, and every kernel sums the same
// integer products.
#include "imgcore/CPU.h"
#include "imgcore/CPUInternal.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

using imgcore::CheckPicture;
using imgcore::Row;

namespace {

// The inverse map, destination pixel (x, y) to source point (u, v). Every path
// computes u = i00·x + (i01·y + i02) and v = i10·x + (i11·y + i12) with these
// roundings and in this order; the build keeps products and sums apart
// (-ffp-contract=off), so all paths see the same sample points to the bit.
struct SInverse {
    double i00, i01, i02, i10, i11, i12;

    [[nodiscard]] double RowU(int y) const { return i01 * y + i02; }
    [[nodiscard]] double RowV(int y) const { return i11 * y + i12; }
};

// The source pixels a warp reads: columns [x0, x1) and rows [y0, y1).
struct SSource {
    const Ipp8u* pixels;
    int step;
    int x0, y0, x1, y1;
};

// Whether a linear sample point gives a destination pixel. With smooth edges a
// point needs one neighbour inside, (x0 − 1, x1) × (y0 − 1, y1); plain linear
// keeps points on the pixels, [x0, x1 − 1] × [y0, y1 − 1].
inline bool InBand(const SSource& s, bool smooth, double u, double v) {
    if (smooth) return u > s.x0 - 1.0 && u < s.x1 && v > s.y0 - 1.0 && v < s.y1;
    return u >= s.x0 && u <= s.x1 - 1.0 && v >= s.y0 && v <= s.y1 - 1.0;
}

// Whether all four neighbours of a sample point lie inside the source.
inline bool Inside(const SSource& s, double u, double v) {
    return u >= s.x0 && u < s.x1 - 1 && v >= s.y0 && v < s.y1 - 1;
}

// The 8-bit weight of the right (or lower) neighbour, 0..256, of a coordinate
// whose integer part is i.
inline int Fraction(double t, int i) {
    return int((t - i) * 256 + 0.5);
}

// A linear sample at (u, v) anywhere in the band. Outside neighbours are the
// edge pixel (plain) or what the destination holds (smooth edge); a zero
// weight reads nothing.
inline void EdgePixel(const SSource& s, bool smooth, double u, double v, Ipp8u* out) {
    const int iu = int(std::floor(u)), iv = int(std::floor(v));
    const int fx = Fraction(u, iu), fy = Fraction(v, iv);
    const int w[4] = {(256 - fx) * (256 - fy), fx * (256 - fy), (256 - fx) * fy, fx * fy};
    const Ipp8u* px[4];
    for (int k = 0; k < 4; ++k) {
        const int cu = iu + (k & 1), cv = iv + (k >> 1);
        const bool inside = cu >= s.x0 && cu < s.x1 && cv >= s.y0 && cv < s.y1;
        if (inside)
            px[k] = Row(s.pixels, s.step, cv) + 4 * cu;
        else if (smooth)
            px[k] = out;
        else
            px[k] = Row(s.pixels, s.step, std::clamp(cv, s.y0, s.y1 - 1)) +
                    4 * std::clamp(cu, s.x0, s.x1 - 1);
    }
    Ipp8u result[4];
    for (int c = 0; c < 4; ++c)
        result[c] = Ipp8u(
            (px[0][c] * w[0] + px[1][c] * w[1] + px[2][c] * w[2] + px[3][c] * w[3] + 32768) >> 16);
    std::memcpy(out, result, 4);
}

// The reference: every destination pixel of the ROI on its own.
void WarpPlain(const SSource& s, Ipp8u* pDst, int dstStep, IppiRect dstRoi, const SInverse& m,
               int mode, bool smooth) {
    for (int y = dstRoi.y; y < dstRoi.y + dstRoi.height; ++y) {
        Ipp8u* d = Row(pDst, dstStep, y);
        const double ub = m.RowU(y), vb = m.RowV(y);
        for (int x = dstRoi.x; x < dstRoi.x + dstRoi.width; ++x) {
            const double u = m.i00 * x + ub, v = m.i10 * x + vb;
            Ipp8u* out = d + 4 * x;
            if (mode == IPPI_INTER_NN) {
                const double nu = std::floor(u + 0.5), nv = std::floor(v + 0.5);
                if (nu < s.x0 || nu >= s.x1 || nv < s.y0 || nv >= s.y1) continue;
                std::memcpy(out, Row(s.pixels, s.step, int(nv)) + 4 * int(nu), 4);
                continue;
            }
            if (InBand(s, smooth, u, v)) EdgePixel(s, smooth, u, v, out);
        }
    }
}

// ---- The fast linear warp ---------------------------------------------------

// Narrows the columns [first, last) to those at which a·x + b, as the caller
// computes it, may lie in [lo, hi]: the exact solution widened by far more
// than the rounding of that arithmetic. The caller then trims the ends with
// exact tests. Non-finite input leaves nothing.
void NarrowSpan(double a, double b, double lo, double hi, int& first, int& last) {
    if (first >= last) return;
    const double reach = std::max(std::fabs(double(first)), std::fabs(double(last)));
    const double slack =
        1e-6 * (std::fabs(b) + std::fabs(a) * reach + std::fabs(lo) + std::fabs(hi) + 1.0);
    if (a == 0) {
        if (!(b >= lo - slack && b <= hi + slack)) last = first;
        return;
    }
    double t0 = (lo - slack - b) / a, t1 = (hi + slack - b) / a;
    if (a < 0) std::swap(t0, t1);
    // Clamped before any conversion to int; a NaN fails the test below.
    t0 = t0 > first ? t0 : double(first);
    t1 = t1 < last ? t1 : double(last);
    if (!(t0 <= t1)) {
        last = first;
        return;
    }
    first = int(std::max<long long>(first, static_cast<long long>(std::floor(t0)) - 1));
    last = int(std::min<long long>(last, static_cast<long long>(std::ceil(t1)) + 2));
    last = std::max(last, first);
}

// Trims [first, last) from both ends to the columns that pass the test. The
// sample point moves monotonically along a row (each rounding step is
// monotonic), so the columns that pass form one run and trimming finds it.
template <class Test>
void TrimSpan(int& first, int& last, Test test) {
    while (first < last && !test(first))
        ++first;
    while (last > first && !test(last - 1))
        --last;
}

// Per-call working memory, kept per thread so that a frame allocates nothing
// once the buffers have grown to the pictures in use.
struct SWarpScratch {
    // The column table of an upright map: source column and packed weights
    // (256 − fx) | fx << 16 of each destination column.
    std::vector<int> tableU, tableW;
    // One row's sample points: source column and row, packed weights.
    std::vector<int> iu, iv, wx, wy;
    // Two source rows blended vertically, minus 32768 so that they fit 16 bits
    // signed.
    std::vector<std::int16_t> blend;
    // The column terms i00·x and i10·x of a map with rotation or shear.
    std::vector<double> columnU, columnV;
};

SWarpScratch& Scratch() {
    thread_local SWarpScratch scratch;
    return scratch;
}

inline int PackWeights(int f) {
    return (256 - f) | (f << 16);
}

// The interior formula on one pixel, whose four neighbours start at p0 (upper
// row) and p1 (lower row); fx, fy are the weights of the right and the lower
// neighbours:
//   (top·(256 − fy) + bottom·fy + 32768) >> 16, with
//   top = p0·(256 − fx) + p0'·fx and bottom = p1·(256 − fx) + p1'·fx.
// The sum is the same in any order of the products, which lets the vector
// kernels blend vertically first.
inline void InteriorPixel(const Ipp8u* p0, const Ipp8u* p1, unsigned fx, unsigned fy, Ipp8u* out) {
    for (int c = 0; c < 4; ++c) {
        const unsigned top = p0[c] * (256 - fx) + p0[c + 4] * fx;
        const unsigned bottom = p1[c] * (256 - fx) + p1[c + 4] * fx;
        out[c] = Ipp8u((top * (256 - fy) + bottom * fy + 32768) >> 16);
    }
}

#if defined(__SSE2__)

// The vector kernels keep blended values minus 32768 in signed 16-bit lanes,
// since _mm_madd_epi16 multiplies signed words: a vertical blend is at most
// 255·256 = 65280. The horizontal madd then yields the sum minus 32768·256,
// which Rounding() puts back together with the rounding half.
inline __m128i Rounding() {
    return _mm_set1_epi32(32768 * 256 + 32768);
}

// The four channels of one interior pixel as 32-bit lanes.
inline __m128i SamplePixel(const Ipp8u* p0, const Ipp8u* p1, int wx, int wy) {
    const __m128i zero = _mm_setzero_si128();
    // Upper and lower bytes interleaved: for the left pixel, then the right.
    const __m128i rows = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p0)),
                                           _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p1)));
    const __m128i vy = _mm_set1_epi32(wy), bias = _mm_set1_epi32(32768);
    const __m128i left = _mm_madd_epi16(_mm_unpacklo_epi8(rows, zero), vy);
    const __m128i right = _mm_madd_epi16(_mm_unpackhi_epi8(rows, zero), vy);
    const __m128i cols = _mm_packs_epi32(_mm_sub_epi32(left, bias), _mm_sub_epi32(right, bias));
    const __m128i pairs = _mm_unpacklo_epi16(cols, _mm_srli_si128(cols, 8));
    return _mm_srli_epi32(_mm_add_epi32(_mm_madd_epi16(pairs, _mm_set1_epi32(wx)), Rounding()), 16);
}

// One pixel from a blended row: the left and right columns' biased channels
// are the eight words at `columns`.
inline __m128i BlendedPixel(const std::int16_t* columns, int wx) {
    const __m128i cols = _mm_loadu_si128(reinterpret_cast<const __m128i*>(columns));
    const __m128i pairs = _mm_unpacklo_epi16(cols, _mm_srli_si128(cols, 8));
    return _mm_srli_epi32(_mm_add_epi32(_mm_madd_epi16(pairs, _mm_set1_epi32(wx)), Rounding()), 16);
}

inline void Store4(Ipp8u* d, __m128i a, __m128i b, __m128i c, __m128i e) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d),
                     _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, e)));
}

inline void Store1(Ipp8u* d, __m128i a) {
    const int v = _mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(a, a), a));
    std::memcpy(d, &v, 4);
}

// Rows r0 and r1 blended with the lower weight fy into biased words, one per
// byte of `bytes` (a multiple of four).
void BlendRows(const Ipp8u* r0, const Ipp8u* r1, int fy, int bytes, std::int16_t* out) {
    const __m128i zero = _mm_setzero_si128(), flip = _mm_set1_epi16(std::int16_t(0x8000));
    const __m128i w0 = _mm_set1_epi16(std::int16_t(256 - fy)),
                  w1 = _mm_set1_epi16(std::int16_t(fy));
    // Products and their sum stay below 65536, so the low words are exact;
    // flipping the top bit subtracts 32768.
    auto blend = [&](__m128i a, __m128i b) {
        return _mm_xor_si128(_mm_add_epi16(_mm_mullo_epi16(a, w0), _mm_mullo_epi16(b, w1)), flip);
    };
    int k = 0;
    for (; k + 16 <= bytes; k += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + k));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r1 + k));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k),
                         blend(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k + 8),
                         blend(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero)));
    }
    for (; k + 8 <= bytes; k += 8) {
        const __m128i a = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(r0 + k));
        const __m128i b = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(r1 + k));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k),
                         blend(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero)));
    }
    for (; k < bytes; ++k)
        out[k] = std::int16_t(int(r0[k]) * (256 - fy) + int(r1[k]) * fy - 32768);
}

// An upright row: one source row pair for the whole span, so the two rows are
// blended once and each pixel blends two neighbouring columns of that.
void UprightRow(const SSource& s, int iv, int fy, const int* iu, const int* wx, int n, Ipp8u* d,
                SWarpScratch& scratch) {
    const int first = std::min(iu[0], iu[n - 1]), last = std::max(iu[0], iu[n - 1]) + 1;
    const int bytes = 4 * (last - first + 1);
    if (scratch.blend.size() < std::size_t(bytes)) scratch.blend.resize(std::size_t(bytes));
    std::int16_t* blend = scratch.blend.data();
    BlendRows(Row(s.pixels, s.step, iv) + 4 * first, Row(s.pixels, s.step, iv + 1) + 4 * first, fy,
              bytes, blend);
    auto pixel = [&](int k) { return BlendedPixel(blend + 4 * (iu[k] - first), wx[k]); };
    int k = 0;
    for (; k + 4 <= n; k += 4, d += 16)
        Store4(d, pixel(k), pixel(k + 1), pixel(k + 2), pixel(k + 3));
    for (; k < n; ++k, d += 4)
        Store1(d, pixel(k));
}

// Pixels iu[0] and iu[1] of a blended row (which starts at source column
// first), one in each 128-bit half as four 32-bit channels; `weights` holds
// wx[0] in the lower half and wx[1] in the upper, four times each.
[[gnu::target("avx2")]] inline __m256i TwoPixelsAvx2(const std::int16_t* blend, int first,
                                                     const int* iu, __m256i weights) {
    const __m256i cols = _mm256_loadu2_m128i(
        reinterpret_cast<const __m128i*>(blend + 4 * (iu[1] - first)),
        reinterpret_cast<const __m128i*>(blend + 4 * (iu[0] - first)));
    const __m256i pairs = _mm256_unpacklo_epi16(cols, _mm256_srli_si256(cols, 8));
    const __m256i rounding = _mm256_set1_epi32(32768 * 256 + 32768);
    return _mm256_srli_epi32(_mm256_add_epi32(_mm256_madd_epi16(pairs, weights), rounding), 16);
}

// The upright row with AVX2: rows blended sixteen bytes to an instruction,
// and eight pixels at a time, two to a register (one per 128-bit half), with
// the same products and sums as the SSE2 kernel.
[[gnu::target("avx2")]] void UprightRowAvx2(const SSource& s, int iv, int fy, const int* iu,
                                            const int* wx, int n, Ipp8u* d, SWarpScratch& scratch) {
    const int first = std::min(iu[0], iu[n - 1]), last = std::max(iu[0], iu[n - 1]) + 1;
    const int bytes = 4 * (last - first + 1);
    if (scratch.blend.size() < std::size_t(bytes)) scratch.blend.resize(std::size_t(bytes));
    std::int16_t* blend = scratch.blend.data();
    const Ipp8u* r0 = Row(s.pixels, s.step, iv) + 4 * first;
    const Ipp8u* r1 = Row(s.pixels, s.step, iv + 1) + 4 * first;
    const __m256i flip = _mm256_set1_epi16(std::int16_t(0x8000));
    const __m256i w0 = _mm256_set1_epi16(std::int16_t(256 - fy)),
                  w1 = _mm256_set1_epi16(std::int16_t(fy));
    int b = 0;
    for (; b + 16 <= bytes; b += 16) {
        const __m256i upper =
            _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + b)));
        const __m256i lower =
            _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(r1 + b)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(blend + b),
                            _mm256_xor_si256(_mm256_add_epi16(_mm256_mullo_epi16(upper, w0),
                                                              _mm256_mullo_epi16(lower, w1)),
                                             flip));
    }
    for (; b < bytes; ++b)
        blend[b] = std::int16_t(int(r0[b]) * (256 - fy) + int(r1[b]) * fy - 32768);

    // Packing works within halves: pixels 0, 2, 4, 6 end in the lower one
    // and 1, 3, 5, 7 in the upper, which the last step puts in order.
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    // The eight pixels' weights come in one load; each pair of them is
    // spread over the two halves by a permutation.
    const __m256i spread01 = _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1);
    const __m256i spread23 = _mm256_setr_epi32(2, 2, 2, 2, 3, 3, 3, 3);
    const __m256i spread45 = _mm256_setr_epi32(4, 4, 4, 4, 5, 5, 5, 5);
    const __m256i spread67 = _mm256_setr_epi32(6, 6, 6, 6, 7, 7, 7, 7);
    int k = 0;
    for (; k + 8 <= n; k += 8, d += 32) {
        const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(wx + k));
        const __m256i even = _mm256_packs_epi32(
            TwoPixelsAvx2(blend, first, iu + k, _mm256_permutevar8x32_epi32(w, spread01)),
            TwoPixelsAvx2(blend, first, iu + k + 2, _mm256_permutevar8x32_epi32(w, spread23)));
        const __m256i odd = _mm256_packs_epi32(
            TwoPixelsAvx2(blend, first, iu + k + 4, _mm256_permutevar8x32_epi32(w, spread45)),
            TwoPixelsAvx2(blend, first, iu + k + 6, _mm256_permutevar8x32_epi32(w, spread67)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d),
                            _mm256_permutevar8x32_epi32(_mm256_packus_epi16(even, odd), order));
    }
    for (; k < n; ++k, d += 4)
        Store1(d, BlendedPixel(blend + 4 * (iu[k] - first), wx[k]));
}

void UprightRowBest(const SSource& s, int iv, int fy, const int* iu, const int* wx, int n, Ipp8u* d,
                    SWarpScratch& scratch) {
    if (imgcore::UseAvx2())
        UprightRowAvx2(s, iv, fy, iu, wx, n, d, scratch);
    else
        UprightRow(s, iv, fy, iu, wx, n, d, scratch);
}

// Any row: each pixel reads its own 2 × 2 neighbours.
void SampledRow(const SSource& s, const int* iu, const int* iv, const int* wx, const int* wy, int n,
                Ipp8u* d) {
    auto pixel = [&](int k) {
        const Ipp8u* p0 = Row(s.pixels, s.step, iv[k]) + 4 * iu[k];
        return SamplePixel(p0, p0 + s.step, wx[k], wy[k]);
    };
    int k = 0;
    for (; k + 4 <= n; k += 4, d += 16)
        Store4(d, pixel(k), pixel(k + 1), pixel(k + 2), pixel(k + 3));
    for (; k < n; ++k, d += 4)
        Store1(d, pixel(k));
}

#else

void UprightRow(const SSource& s, int iv, int fy, const int* iu, const int* wx, int n, Ipp8u* d,
                SWarpScratch&) {
    const Ipp8u* r0 = Row(s.pixels, s.step, iv);
    const Ipp8u* r1 = Row(s.pixels, s.step, iv + 1);
    for (int k = 0; k < n; ++k, d += 4)
        InteriorPixel(r0 + 4 * iu[k], r1 + 4 * iu[k], unsigned(wx[k] >> 16), unsigned(fy), d);
}

void SampledRow(const SSource& s, const int* iu, const int* iv, const int* wx, const int* wy, int n,
                Ipp8u* d) {
    for (int k = 0; k < n; ++k, d += 4) {
        const Ipp8u* p0 = Row(s.pixels, s.step, iv[k]) + 4 * iu[k];
        InteriorPixel(p0, p0 + s.step, unsigned(wx[k] >> 16), unsigned(wy[k] >> 16), d);
    }
}

void UprightRowBest(const SSource& s, int iv, int fy, const int* iu, const int* wx, int n, Ipp8u* d,
                    SWarpScratch& scratch) {
    UprightRow(s, iv, fy, iu, wx, n, d, scratch);
}

#endif

void WarpLinearFast(const SSource& s, Ipp8u* pDst, int dstStep, IppiRect dstRoi, const SInverse& m,
                    bool smooth) {
    SWarpScratch& scratch = Scratch();
    // Without rotation or shear (i01 = i10 = 0, either sign), i01·y + i02 is
    // i02 on every row and i10·x + vb is vb on every column: u depends on the
    // column alone and v on the row alone, so one column table serves every
    // row.
    const bool upright = m.i01 == 0 && m.i10 == 0;
    int tableFirst = 0, tableLast = 0;
    // Any other map: the products i00·x and i10·x of every column, once per
    // call; each row adds its own terms to them, rounding as the plain loop
    // does.
    if (!upright) {
        if (scratch.columnU.size() < std::size_t(dstRoi.width)) {
            scratch.columnU.resize(std::size_t(dstRoi.width));
            scratch.columnV.resize(std::size_t(dstRoi.width));
        }
        for (int x = dstRoi.x; x < dstRoi.x + dstRoi.width; ++x) {
            scratch.columnU[std::size_t(x - dstRoi.x)] = m.i00 * x;
            scratch.columnV[std::size_t(x - dstRoi.x)] = m.i10 * x;
        }
    }
    // Band limits for the first narrowing; the exact tests decide.
    const double lo = smooth ? -1.0 : 0.0;
    const double uLo = s.x0 + lo, uHi = s.x1 - 1.0 - lo, vLo = s.y0 + lo, vHi = s.y1 - 1.0 - lo;

    for (int y = dstRoi.y; y < dstRoi.y + dstRoi.height; ++y) {
        Ipp8u* d = Row(pDst, dstStep, y);
        const double ub = m.RowU(y), vb = m.RowV(y);
        auto uAt = [&](int x) { return m.i00 * x + ub; };
        auto vAt = [&](int x) { return m.i10 * x + vb; };

        // The band: destination columns whose sample point gives a pixel.
        int bandFirst = dstRoi.x, bandLast = dstRoi.x + dstRoi.width;
        NarrowSpan(m.i00, ub, uLo, uHi, bandFirst, bandLast);
        NarrowSpan(m.i10, vb, vLo, vHi, bandFirst, bandLast);
        TrimSpan(bandFirst, bandLast, [&](int x) { return InBand(s, smooth, uAt(x), vAt(x)); });
        if (bandFirst == bandLast) continue;
        // The interior within it; an empty interior leaves the whole band to
        // the edge code.
        int first = bandFirst, last = bandLast;
        NarrowSpan(m.i00, ub, s.x0, s.x1 - 1, first, last);
        NarrowSpan(m.i10, vb, s.y0, s.y1 - 1, first, last);
        TrimSpan(first, last, [&](int x) { return Inside(s, uAt(x), vAt(x)); });
        if (first == last) first = last = bandLast;

        for (int x = bandFirst; x < first; ++x)
            EdgePixel(s, smooth, uAt(x), vAt(x), d + 4 * x);
        for (int x = last; x < bandLast; ++x)
            EdgePixel(s, smooth, uAt(x), vAt(x), d + 4 * x);
        const int n = last - first;
        if (n == 0) continue;

        if (scratch.iu.size() < std::size_t(n)) {
            scratch.iu.resize(std::size_t(n));
            scratch.iv.resize(std::size_t(n));
            scratch.wx.resize(std::size_t(n));
            scratch.wy.resize(std::size_t(n));
        }
        // Interior points are not negative, so int() is the floor.
        if (upright) {
            if (first < tableFirst || last > tableLast) {
                tableFirst = first, tableLast = last;
                scratch.tableU.resize(std::size_t(n));
                scratch.tableW.resize(std::size_t(n));
                for (int x = first; x < last; ++x) {
                    const double u = uAt(x);
                    const int iu = int(u);
                    scratch.tableU[std::size_t(x - first)] = iu;
                    scratch.tableW[std::size_t(x - first)] = PackWeights(Fraction(u, iu));
                }
            }
            const int* iu = scratch.tableU.data() + (first - tableFirst);
            const int* wx = scratch.tableW.data() + (first - tableFirst);
            const double v = vAt(first);
            const int iv = int(v), fy = Fraction(v, iv);
            // Blending the two rows once pays while the span reads at most
            // about two source columns per pixel; stronger reductions sample
            // each pixel on its own.
            const int columns = std::abs(iu[n - 1] - iu[0]) + 2;
            if (columns <= 2 * n + 8) {
                UprightRowBest(s, iv, fy, iu, wx, n, d + 4 * first, scratch);
                continue;
            }
            std::copy(iu, iu + n, scratch.iu.begin());
            std::copy(wx, wx + n, scratch.wx.begin());
            std::fill_n(scratch.iv.begin(), n, iv);
            std::fill_n(scratch.wy.begin(), n, PackWeights(fy));
        } else {
            const double* cu = scratch.columnU.data() + (first - dstRoi.x);
            const double* cv = scratch.columnV.data() + (first - dstRoi.x);
            for (int k = 0; k < n; ++k) {
                const double u = cu[k] + ub, v = cv[k] + vb;
                const int iu = int(u), iv = int(v);
                scratch.iu[std::size_t(k)] = iu;
                scratch.iv[std::size_t(k)] = iv;
                scratch.wx[std::size_t(k)] = PackWeights(Fraction(u, iu));
                scratch.wy[std::size_t(k)] = PackWeights(Fraction(v, iv));
            }
        }
        SampledRow(s, scratch.iu.data(), scratch.iv.data(), scratch.wx.data(), scratch.wy.data(), n,
                   d + 4 * first);
    }
}

} // namespace

IppStatus CCPU::ippiGetAffineBound(IppiRect srcRoi, double bound[2][2], const double coeffs[2][3]) {
    if (!bound || !coeffs) return ippStsNullPtrErr;
    if (srcRoi.width < 1 || srcRoi.height < 1) return ippStsSizeErr;
    // The far corners in doubles: x + w − 1 may pass what an int holds.
    const double xs[2] = {double(srcRoi.x), double(srcRoi.x) + srcRoi.width - 1};
    const double ys[2] = {double(srcRoi.y), double(srcRoi.y) + srcRoi.height - 1};
    bound[0][0] = bound[0][1] = HUGE_VAL;
    bound[1][0] = bound[1][1] = -HUGE_VAL;
    for (double x : xs)
        for (double y : ys) {
            const double u = coeffs[0][0] * x + coeffs[0][1] * y + coeffs[0][2];
            const double v = coeffs[1][0] * x + coeffs[1][1] * y + coeffs[1][2];
            bound[0][0] = std::min(bound[0][0], u);
            bound[0][1] = std::min(bound[0][1], v);
            bound[1][0] = std::max(bound[1][0], u);
            bound[1][1] = std::max(bound[1][1], v);
        }
    return ippStsNoErr;
}

IppStatus CCPU::ippiWarpAffine_8u_C4R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep,
                                      IppiRect srcRoi, Ipp8u* pDst, int dstStep, IppiRect dstRoi,
                                      const double coeffs[2][3], int interpolation) {
    if (!pSrc || !pDst || !coeffs) return ippStsNullPtrErr;
    if (IppStatus s = CheckPicture(pSrc, srcStep, srcSize, 4)) return s;
    if (dstRoi.width < 1 || dstRoi.height < 1 || dstRoi.x < 0 || dstRoi.y < 0 ||
        dstRoi.width > INT_MAX - dstRoi.x || dstRoi.height > INT_MAX - dstRoi.y)
        return ippStsSizeErr;
    if (IppStatus s = CheckPicture(pDst, dstStep, {dstRoi.x + dstRoi.width, dstRoi.height}, 4))
        return s;
    const bool smooth = (interpolation & IPPI_SMOOTH_EDGE) != 0;
    const int mode = interpolation & ~IPPI_SMOOTH_EDGE;
    if (mode != IPPI_INTER_NN && mode != IPPI_INTER_LINEAR) return ippStsInterpolationErr;
    // A map with a NaN or an infinity has no sample points to speak of; the
    // plain nearest-neighbour loop would otherwise convert a NaN to a row.
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c)
            if (!std::isfinite(coeffs[r][c])) return ippStsCoeffErr;
    const double det = coeffs[0][0] * coeffs[1][1] - coeffs[0][1] * coeffs[1][0];
    if (!std::isfinite(det) || std::fabs(det) < 1e-12) return ippStsCoeffErr;
    // The ROI's far edges in 64 bits: a ROI far out must not wrap around.
    auto clipEnd = [](int start, int length, int size) {
        return int(std::min<long long>(static_cast<long long>(start) + length, size));
    };
    const SSource source{pSrc,
                         srcStep,
                         std::max(srcRoi.x, 0),
                         std::max(srcRoi.y, 0),
                         clipEnd(srcRoi.x, srcRoi.width, srcSize.width),
                         clipEnd(srcRoi.y, srcRoi.height, srcSize.height)};
    if (source.x1 <= source.x0 || source.y1 <= source.y0) return ippStsNoOperation;

    SInverse m;
    m.i00 = coeffs[1][1] / det, m.i01 = -coeffs[0][1] / det;
    m.i10 = -coeffs[1][0] / det, m.i11 = coeffs[0][0] / det;
    m.i02 = -(m.i00 * coeffs[0][2] + m.i01 * coeffs[1][2]);
    m.i12 = -(m.i10 * coeffs[0][2] + m.i11 * coeffs[1][2]);

    if (mode == IPPI_INTER_LINEAR && !imgcore::UseReference())
        WarpLinearFast(source, pDst, dstStep, dstRoi, m, smooth);
    else
        WarpPlain(source, pDst, dstStep, dstRoi, m, mode, smooth);
    return ippStsNoErr;
}
