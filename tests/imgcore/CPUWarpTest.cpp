// The fast linear warp against the plain per-pixel reference, byte for byte,
// over the whole destination buffer (so a pixel written outside the band or
// the ROI shows as well as a wrong one); nearest-neighbour sampling, which has
// no fast path, against destination pixels worked out by hand.
#include "imgcore/CPU.h"
#include "imgcore/CPUInternal.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

struct SRandom {
    std::uint32_t seed;
    std::uint32_t Next() { return seed = seed * 1664525u + 1013904223u; }
    Ipp8u Byte() { return Ipp8u(Next() >> 24); }
    // A fraction in [0, 1) with 12 bits, so that some sample points fall
    // exactly on the rounding halves of the 8-bit weights.
    double Fraction() { return double(Next() >> 20) / 4096; }
};

// A buffer of w × h pixels with spare bytes at the end of each row, filled
// with noise.
struct SBuffer {
    int w, h, step;
    std::vector<Ipp8u> bytes;
    SBuffer(int width, int height, SRandom& random)
        : w(width), h(height), step(width * 4 + 12), bytes(std::size_t(step) * height) {
        for (auto& b : bytes)
            b = random.Byte();
    }
};

// The map that scales a picture by (sx, sy), turns it by `degrees` about the
// origin and then moves it by (dx, dy), as the slide renderer builds it.
struct SMap {
    double c[2][3];
    SMap(double sx, double sy, double degrees, double dx, double dy) {
        const double t = degrees * kPi / 180;
        c[0][0] = sx * std::cos(t), c[0][1] = -sy * std::sin(t), c[0][2] = dx;
        c[1][0] = sx * std::sin(t), c[1][1] = sy * std::cos(t), c[1][2] = dy;
    }
    SMap(double c00, double c01, double c02, double c10, double c11, double c12)
        : c{{c00, c01, c02}, {c10, c11, c12}} {}
};

std::string Describe(const SMap& m, int interpolation) {
    std::string s = "map";
    for (const auto& row : m.c)
        for (double v : row)
            s += " " + std::to_string(v);
    return s + " interpolation " + std::to_string(interpolation);
}

// Warps with the fast path and with the reference onto copies of the same
// noisy destination and expects the same bytes everywhere. bottomUp walks both
// pictures with negative steps.
void ExpectSameAsReference(const SBuffer& src, IppiRect srcRoi, const SBuffer& dst, IppiRect dstRoi,
                           const SMap& map, int interpolation, bool bottomUp) {
    auto run = [&](bool reference) {
        SBuffer out = dst;
        const bool previous = imgcore::SetReference(reference);
        const Ipp8u* s = src.bytes.data();
        Ipp8u* d = out.bytes.data();
        int sStep = src.step, dStep = out.step;
        if (bottomUp) {
            s += std::ptrdiff_t(src.h - 1) * src.step;
            d += std::ptrdiff_t(out.h - 1) * out.step;
            sStep = -sStep, dStep = -dStep;
        }
        const IppStatus status = CCPU::ippiWarpAffine_8u_C4R(s, {src.w, src.h}, sStep, srcRoi, d,
                                                             dStep, dstRoi, map.c, interpolation);
        imgcore::SetReference(previous);
        EXPECT_EQ(status, ippStsNoErr);
        return out.bytes;
    };
    const std::vector<Ipp8u> reference = run(true);
    // The fast kernels in their AVX2 forms (where the processor has them)
    // and their SSE2 forms.
    for (const bool avx2 : {true, false}) {
        const bool previous = imgcore::SetAvx2(avx2);
        const std::vector<Ipp8u> fast = run(false);
        imgcore::SetAvx2(previous);
        ASSERT_EQ(fast.size(), reference.size());
        for (std::size_t i = 0; i < fast.size(); ++i) {
            if (fast[i] != reference[i]) {
                const std::size_t y = i / std::size_t(dst.step), x = i % std::size_t(dst.step) / 4;
                FAIL() << Describe(map, interpolation) << (bottomUp ? " bottom-up" : "")
                       << (avx2 && imgcore::UseAvx2() ? " (AVX2)" : " (SSE2)") << ": pixel " << x
                       << "," << y << " byte " << i % 4 << " is " << int(fast[i])
                       << ", the reference gives " << int(reference[i]);
            }
        }
    }
}

// The modes with a fast path; nearest neighbour is checked on its own below.
const int kModes[] = {IPPI_INTER_LINEAR | IPPI_SMOOTH_EDGE, IPPI_INTER_LINEAR};

} // namespace

TEST(CPUWarp, PlacedPicturesMatchTheReferenceAtEveryScaleAndAngle) {
    // Pictures placed as the renderer places them: scaled about their centre,
    // turned, and moved so that they cover the destination, sit inside it or
    // hang over one of its sides, at sub-pixel offsets.
    SRandom random{7};
    const SBuffer src(61, 45, random), dst(50, 38, random);
    struct SPlacement {
        double sx, sy, degrees;
    };
    const SPlacement placements[] = {
        {1, 1, 0},     {0.72, 0.72, 0}, {1.3, 1.3, 0},  {0.31, 0.31, 0}, {2.6, 2.6, 0},
        {1.3, 0.8, 0}, {-1, 1, 0},      {0.9, -1.2, 0}, {1, 1, 10},      {0.8, 0.8, 45},
        {1, 1, 90},    {1.1, 1.1, 180}, {1, 1, -30},    {0.5, 0.5, 200}, {1.7, 1.7, 359.99},
    };
    for (const SPlacement& p : placements) {
        for (int shift = 0; shift < 6; ++shift) {
            SMap map(p.sx, p.sy, p.degrees, 0, 0);
            // Centre the source on the destination, then move it by up to a
            // third of the destination either way plus a random fraction.
            double bound[2][2];
            ASSERT_EQ(CCPU::ippiGetAffineBound({0, 0, src.w, src.h}, bound, map.c), 0);
            const double mx = (random.Next() % 33) / 100.0 - 0.16,
                         my = (random.Next() % 33) / 100.0 - 0.16;
            map.c[0][2] =
                dst.w / 2.0 - (bound[0][0] + bound[1][0]) / 2 + mx * dst.w + random.Fraction();
            map.c[1][2] =
                dst.h / 2.0 - (bound[0][1] + bound[1][1]) / 2 + my * dst.h + random.Fraction();
            for (int mode : kModes) {
                ExpectSameAsReference(src, {0, 0, src.w, src.h}, dst, {0, 0, dst.w, dst.h}, map,
                                      mode, shift >= 4);
                if (HasFatalFailure()) return;
            }
        }
    }
}

TEST(CPUWarp, RegionsOfInterestAndExactMapsMatchTheReference) {
    SRandom random{11};
    const SBuffer src(40, 30, random), dst(45, 36, random);
    // Exact maps put sample points on pixel centres, on halves and on the last
    // interior column, where the interior and the edge band meet; exact
    // quarter turns have zero terms of either sign.
    const SMap maps[] = {
        {1, 0, 0, 0, 1, 0},        {1, 0, 0.5, 0, 1, -0.5},
        {1, 0, -3, 0, 1, 2},       {2, 0, 1, 0, 2, 1},
        {0.5, 0, 0.25, 0, 0.5, 0}, {-1, 0, 39, 0, -1, 29},
        {0, -1, 35, 1, 0, 3},      {0, 1, -2.5, -1, 0, 33.5},
        {1, 0.25, 0, 0, 1, 0},     {0.75, 0, 2.0 / 3, 0, 1.25, 1.0 / 7},
    };
    const IppiRect srcRois[] = {
        {0, 0, 40, 30}, {5, 3, 20, 17}, {-4, -2, 50, 40}, {38, 0, 2, 30}, {10, 10, 1, 1}};
    const IppiRect dstRois[] = {{0, 0, 45, 36}, {3, 2, 30, 20}, {44, 0, 1, 36}};
    for (const SMap& map : maps)
        for (const IppiRect& srcRoi : srcRois)
            for (const IppiRect& dstRoi : dstRois)
                for (int mode : kModes) {
                    ExpectSameAsReference(src, srcRoi, dst, dstRoi, map, mode, false);
                    if (HasFatalFailure()) return;
                }
}

TEST(CPUWarp, TinySourcesAndDegenerateRowsMatchTheReference) {
    // One-pixel and one-row sources have no interior at all; nearly flat maps
    // sweep a whole row across one source column; a far-away offset maps
    // every pixel outside.
    SRandom random{3};
    const SBuffer dst(23, 17, random);
    const SBuffer one(1, 1, random), pair(2, 2, random), line(9, 1, random), column(1, 9, random);
    const SMap maps[] = {
        {1, 0, 0.5, 0, 1, 0.5},     {4, 0, 3, 0, 4, 2},     {0.05, 0, 10, 0, 1, 3},
        {1, 3e-13, 2, 2e-13, 1, 1}, {1, 0, 1e300, 0, 1, 0}, {3, 1, 4, -1, 3, 6},
    };
    for (const SBuffer* src : {&one, &pair, &line, &column})
        for (const SMap& map : maps)
            for (int mode : kModes) {
                ExpectSameAsReference(*src, {0, 0, src->w, src->h}, dst, {0, 0, dst.w, dst.h}, map,
                                      mode, false);
                if (HasFatalFailure()) return;
            }
}

TEST(CPUWarp, NonFiniteMapsAreRejectedAndWriteNothing) {
    // A NaN or infinite coefficient has no sample points; nearest-neighbour
    // sampling used to read the source at the integer of a NaN.
    SRandom random{5};
    const SBuffer src(8, 8, random), dst(8, 8, random);
    const double nan = std::nan(""), inf = HUGE_VAL;
    const SMap maps[] = {{1, 0, nan, 0, 1, 0}, {1, 0, 0, 0, 1, -inf}, {1, nan, 0, 0, 1, 0}};
    for (const SMap& map : maps)
        for (int mode : {kModes[0], kModes[1], int(IPPI_INTER_NN)})
            for (bool reference : {false, true}) {
                SBuffer out = dst;
                const bool previous = imgcore::SetReference(reference);
                EXPECT_EQ(CCPU::ippiWarpAffine_8u_C4R(src.bytes.data(), {8, 8}, src.step,
                                                      {0, 0, 8, 8}, out.bytes.data(), out.step,
                                                      {0, 0, 8, 8}, map.c, mode),
                          ippStsCoeffErr)
                    << Describe(map, mode);
                imgcore::SetReference(previous);
                EXPECT_EQ(out.bytes, dst.bytes) << Describe(map, mode);
            }
}

namespace {

// Nearest-neighbour cases. Each destination pixel (x, y) of the ROI is mapped
// back through the inverse of the map to the source point (u, v) and takes
// source pixel (floor(u + 0.5), floor(v + 0.5)), the nearest one with halves
// rounded up, when that pixel lies inside the source ROI; otherwise it is left
// as it was. Pixel centres sit at integer coordinates and rows are counted in
// memory order. The expectations below follow from that rule alone, one table
// per case, so that a change of the convention shows case by case.
//
// The source is 4 × 3 pixels; pixel (x, y) is numbered 10·(y + 1) + x + 1, so
// a number reads as row and column from 1. Its four bytes are n, n + 50,
// n + 100 and n + 150, so that a lost or swapped byte shows too.
constexpr int kSrcW = 4, kSrcH = 3;
constexpr int xx = 0; // the destination pixel is left untouched

struct SNearestCase {
    const char* name;
    SMap map;
    IppiRect srcRoi, dstRoi;
    int dstW, dstH;
    std::vector<int> expected; // dstW × dstH source numbers, rows in memory order
};

const SNearestCase kNearestCases[] = {
    // u = x, v = y.
    {"identity", {1, 0, 0, 0, 1, 0}, {0, 0, 4, 3}, {0, 0, 5, 4}, 5, 4,
     {11, 12, 13, 14, xx,
      21, 22, 23, 24, xx,
      31, 32, 33, 34, xx,
      xx, xx, xx, xx, xx}},
    // x' = x + 1, y' = y − 1: u = x − 1, v = y + 1.
    {"integer shift", {1, 0, 1, 0, 1, -1}, {0, 0, 4, 3}, {0, 0, 5, 3}, 5, 3,
     {xx, 21, 22, 23, 24,
      xx, 31, 32, 33, 34,
      xx, xx, xx, xx, xx}},
    // u = x / 2, v = y / 2: the odd columns and rows fall on halves and take
    // the next pixel, so column 0 is drawn once, the others twice, and the
    // half 3.5 of column 7 lies outside.
    {"scale 2", {2, 0, 0, 0, 2, 0}, {0, 0, 4, 3}, {0, 0, 8, 6}, 8, 6,
     {11, 12, 12, 13, 13, 14, 14, xx,
      21, 22, 22, 23, 23, 24, 24, xx,
      21, 22, 22, 23, 23, 24, 24, xx,
      31, 32, 32, 33, 33, 34, 34, xx,
      31, 32, 32, 33, 33, 34, 34, xx,
      xx, xx, xx, xx, xx, xx, xx, xx}},
    // u = 2x, v = 2y: every other pixel of every other row.
    {"scale 1/2", {0.5, 0, 0, 0, 0.5, 0}, {0, 0, 4, 3}, {0, 0, 3, 3}, 3, 3,
     {11, 13, xx,
      31, 33, xx,
      xx, xx, xx}},
    // x' = 2 − y, y' = x: u = y, v = 2 − x. Source rows become columns from
    // right to left.
    {"quarter turn", {0, -1, 2, 1, 0, 0}, {0, 0, 4, 3}, {0, 0, 4, 5}, 4, 5,
     {31, 21, 11, xx,
      32, 22, 12, xx,
      33, 23, 13, xx,
      34, 24, 14, xx,
      xx, xx, xx, xx}},
    // x' = x + 0.5, y' = y − 0.5: u = x − 0.5 and v = y + 0.5 lie on halves,
    // which round up: column x (−0.5 gives column 0) and row y + 1.
    {"half-pixel offsets", {1, 0, 0.5, 0, 1, -0.5}, {0, 0, 4, 3}, {0, 0, 5, 3}, 5, 3,
     {21, 22, 23, 24, xx,
      31, 32, 33, 34, xx,
      xx, xx, xx, xx, xx}},
    // x' = x − 0.3, y' = y + 0.7: u = x + 0.3 gives column x, v = y − 0.7
    // gives row y − 1. In row 0, v = −0.7 is nearest row −1, outside, although
    // truncating towards zero would read row 0.
    {"fractional offsets", {1, 0, -0.3, 0, 1, 0.7}, {0, 0, 4, 3}, {0, 0, 4, 4}, 4, 4,
     {xx, xx, xx, xx,
      11, 12, 13, 14,
      21, 22, 23, 24,
      31, 32, 33, 34}},
    // u = x, v = y, reading only source columns 1 to 3 of rows 1 and 2 and
    // writing only destination columns 0 to 2 of rows 1 and 2.
    {"regions of interest", {1, 0, 0, 0, 1, 0}, {1, 1, 3, 2}, {0, 1, 3, 2}, 5, 3,
     {xx, xx, xx, xx, xx,
      xx, 22, 23, xx, xx,
      xx, 32, 33, xx, xx}},
};

// The four bytes of source pixel n.
void NearestSourcePixel(int n, Ipp8u* out) {
    for (int k = 0; k < 4; ++k)
        out[k] = Ipp8u(n + 50 * k);
}

} // namespace

TEST(CPUWarp, NearestNeighbourTakesTheNearestSourcePixel) {
    constexpr Ipp8u kUntouched = 0xEE, kSpare = 0x5A;
    for (const SNearestCase& c : kNearestCases) {
        ASSERT_EQ(c.expected.size(), std::size_t(c.dstW * c.dstH)) << c.name;
        // Both pictures with spare bytes after each row; bottom-up stores row
        // y at buffer row h − 1 − y and walks it with a negative step.
        for (bool bottomUp : {false, true}) {
            const int srcStep = kSrcW * 4 + 12, dstStep = c.dstW * 4 + 8;
            auto bufferRow = [bottomUp](int y, int h) { return bottomUp ? h - 1 - y : y; };
            std::vector<Ipp8u> src(std::size_t(srcStep * kSrcH), kSpare);
            for (int y = 0; y < kSrcH; ++y)
                for (int x = 0; x < kSrcW; ++x)
                    NearestSourcePixel(10 * (y + 1) + x + 1,
                                       &src[std::size_t(bufferRow(y, kSrcH) * srcStep + 4 * x)]);
            std::vector<Ipp8u> expected(std::size_t(dstStep * c.dstH), kUntouched);
            for (int y = 0; y < c.dstH; ++y)
                for (int x = 0; x < c.dstW; ++x)
                    if (const int n = c.expected[std::size_t(y * c.dstW + x)]; n != xx)
                        NearestSourcePixel(
                            n, &expected[std::size_t(bufferRow(y, c.dstH) * dstStep + 4 * x)]);
            // Nearest neighbour has no fast path; the switch must not matter.
            for (bool reference : {false, true}) {
                std::vector<Ipp8u> dst(expected.size(), kUntouched);
                const Ipp8u* s = src.data();
                Ipp8u* d = dst.data();
                if (bottomUp) {
                    s += std::ptrdiff_t(kSrcH - 1) * srcStep;
                    d += std::ptrdiff_t(c.dstH - 1) * dstStep;
                }
                const bool previous = imgcore::SetReference(reference);
                const IppStatus status = CCPU::ippiWarpAffine_8u_C4R(
                    s, {kSrcW, kSrcH}, bottomUp ? -srcStep : srcStep, c.srcRoi, d,
                    bottomUp ? -dstStep : dstStep, c.dstRoi, c.map.c, IPPI_INTER_NN);
                imgcore::SetReference(previous);
                ASSERT_EQ(status, ippStsNoErr) << c.name;
                for (std::size_t i = 0; i < dst.size(); ++i)
                    if (dst[i] != expected[i]) {
                        const int row = int(i) / dstStep;
                        FAIL() << c.name << (bottomUp ? " bottom-up" : "") << ": pixel "
                               << int(i) % dstStep / 4 << "," << bufferRow(row, c.dstH)
                               << " byte " << i % 4 << " is " << int(dst[i]) << ", expected "
                               << int(expected[i]);
                    }
            }
        }
    }
}
