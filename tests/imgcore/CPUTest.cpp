#include "imgcore/CPU.h"
#include "imgcore/PixelMath.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <vector>

namespace {

// A top-down picture of w × h four-byte pixels with a row step of its own.
struct SPicture {
    int w, h, step;
    std::vector<Ipp8u> bytes;

    SPicture(int width, int height, int extra = 8)
        : w(width), h(height), step(width * 4 + extra), bytes(std::size_t(step) * height, 0) {}
    Ipp8u* Data() { return bytes.data(); }
    Ipp8u* At(int x, int y) { return bytes.data() + std::ptrdiff_t(y) * step + 4 * x; }
    void Fill(std::array<Ipp8u, 4> v) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                std::copy(v.begin(), v.end(), At(x, y));
    }
    std::array<Ipp8u, 4> Pixel(int x, int y) {
        const Ipp8u* p = At(x, y);
        return {p[0], p[1], p[2], p[3]};
    }
    IppiSize Size() const { return {w, h}; }
};

using Px = std::array<Ipp8u, 4>;

} // namespace

TEST(PixelMath, Mul255IsTheExactQuotientRoundedToNearest) {
    for (unsigned x = 0; x < 256; ++x)
        for (unsigned a = 0; a < 256; ++a)
            ASSERT_EQ(Mul255(x, a), (2 * x * a + 255) / 510) << x << "·" << a;
    EXPECT_EQ(Blend8(0, 255, 3), 2);
    EXPECT_EQ(Blend8(200, 100, 128), 150);
    EXPECT_EQ(Blend8(200, 100, 1), 199); // arithmetic shift rounds toward −∞
}

TEST(CPU, BadArgumentsReportAStatusAndWriteNothing) {
    SPicture a(4, 4), d(4, 4);
    d.Fill({9, 9, 9, 9});
    EXPECT_EQ(CCPU::ippiCopy_8u_C4R(nullptr, a.step, d.Data(), d.step, a.Size()), ippStsNullPtrErr);
    EXPECT_EQ(CCPU::ippiCopy_8u_C4R(a.Data(), a.step, d.Data(), d.step, {0, 4}), ippStsSizeErr);
    EXPECT_EQ(CCPU::ippiCopy_8u_C4R(a.Data(), 8, d.Data(), d.step, a.Size()), ippStsStepErr);
    EXPECT_EQ(CCPU::ippiAlphaComp_8u_AC4R(a.Data(), a.step, a.Data(), a.step, d.Data(), d.step,
                                          a.Size(), IppiAlphaType(12)),
              ippStsAlphaTypeErr);
    EXPECT_EQ(d.Pixel(0, 0), (Px{9, 9, 9, 9}));
    int step = 1;
    EXPECT_EQ(CCPU::ippiMalloc_8u_C4(0, 5, &step), nullptr);
    EXPECT_EQ(step, 0);
    CCPU::ippiFree(nullptr);
}

TEST(CPU, CopiesAndFillsTouchOnlyTheirChannels) {
    SPicture s(3, 2), d(3, 2);
    s.Fill({1, 2, 3, 4});
    d.Fill({9, 9, 9, 9});
    ASSERT_EQ(CCPU::ippiCopy_8u_AC4R(s.Data(), s.step, d.Data(), d.step, d.Size()), ippStsNoErr);
    EXPECT_EQ(d.Pixel(2, 1), (Px{1, 2, 3, 9}));
    ASSERT_EQ(CCPU::ippiCopy_8u_C4CR(s.Data() + 3, s.step, d.Data() + 1, d.step, d.Size()), 0);
    EXPECT_EQ(d.Pixel(2, 1), (Px{1, 4, 3, 9}));
    ASSERT_EQ(CCPU::ippiCopy_8u_C4R(s.Data(), s.step, d.Data(), d.step, d.Size()), 0);
    EXPECT_EQ(d.Pixel(1, 1), (Px{1, 2, 3, 4}));

    std::vector<Ipp8u> three(3 * 3 * 2, 0);
    ASSERT_EQ(CCPU::ippiCopy_8u_AC4C3R(s.Data(), s.step, three.data(), 9, s.Size()), 0);
    EXPECT_EQ(three[15], 1);
    EXPECT_EQ(three[17], 3);

    const Ipp8u rgb[3] = {7, 8, 9}, all[4] = {5, 6, 7, 8};
    ASSERT_EQ(CCPU::ippiSet_8u_AC4R(rgb, d.Data(), d.step, d.Size()), 0);
    EXPECT_EQ(d.Pixel(0, 0), (Px{7, 8, 9, 4}));
    ASSERT_EQ(CCPU::ippiSet_8u_C4CR(255, d.Data() + 3, d.step, d.Size()), 0);
    EXPECT_EQ(d.Pixel(2, 1), (Px{7, 8, 9, 255}));
    ASSERT_EQ(CCPU::ippiSet_8u_C4R(all, d.Data(), d.step, d.Size()), 0);
    EXPECT_EQ(d.Pixel(2, 1), (Px{5, 6, 7, 8}));
}

TEST(CPU, NegativeStepsWalkBottomUpPicturesTopDown) {
    SPicture s(2, 3), d(2, 3);
    for (int y = 0; y < 3; ++y)
        *s.At(0, y) = Ipp8u(10 + y);
    // The last row in memory first, walking to lower addresses.
    ASSERT_EQ(CCPU::ippiCopy_8u_C4R(s.At(0, 2), -s.step, d.Data(), d.step, d.Size()), 0);
    EXPECT_EQ(*d.At(0, 0), 12);
    EXPECT_EQ(*d.At(0, 2), 10);
}

TEST(CPU, AlphaCompositingRoundsEveryProductToNearest) {
    SPicture a(1, 1), b(1, 1), d(1, 1);
    a.Fill({100, 50, 0, 128});
    b.Fill({200, 200, 200, 255});
    // Over, premultiplied: A + B·(255 − 128)/255; 200·127/255 = 99.6 → 100.
    ASSERT_EQ(CCPU::ippiAlphaComp_8u_AC4R(a.Data(), a.step, b.Data(), b.step, d.Data(), d.step,
                                          d.Size(), ippAlphaOverPremul),
              0);
    EXPECT_EQ(d.Pixel(0, 0), (Px{200, 150, 100, 255}));
    // Plus, premultiplied, saturates.
    CCPU::ippiAlphaComp_8u_AC4R(a.Data(), a.step, b.Data(), b.step, d.Data(), d.step, d.Size(),
                                ippAlphaPlusPremul);
    EXPECT_EQ(d.Pixel(0, 0), (Px{255, 250, 200, 255}));
    // Over with straight colours: A·128/255 + B·255/255·127/255.
    a.Fill({200, 0, 255, 128});
    b.Fill({100, 0, 0, 255});
    CCPU::ippiAlphaComp_8u_AC4R(a.Data(), a.step, b.Data(), b.step, d.Data(), d.step, d.Size(),
                                ippAlphaOver);
    EXPECT_EQ(d.Pixel(0, 0), (Px{150, 0, 128, 255}));

    // Constant weights, plus: 100·128/255 = 50.2 → 50 and 200·127/255 → 100;
    // weights 255 and 0 give either picture exactly; the fourth byte stays.
    a.Fill({100, 7, 255, 1});
    b.Fill({200, 9, 255, 2});
    d.Fill({0, 0, 0, 33});
    CCPU::ippiAlphaCompC_8u_AC4R(a.Data(), a.step, 128, b.Data(), b.step, 127, d.Data(), d.step,
                                 d.Size(), ippAlphaPlus);
    EXPECT_EQ(d.Pixel(0, 0), (Px{150, 8, 255, 33}));
    CCPU::ippiAlphaCompC_8u_AC4R(a.Data(), a.step, 255, b.Data(), b.step, 0, d.Data(), d.step,
                                 d.Size(), ippAlphaPlus);
    EXPECT_EQ(d.Pixel(0, 0), (Px{100, 7, 255, 33}));

    a.Fill({255, 128, 1, 128});
    ASSERT_EQ(CCPU::ippiAlphaPremul_8u_AC4IR(a.Data(), a.step, a.Size()), 0);
    EXPECT_EQ(a.Pixel(0, 0), (Px{128, 64, 1, 128}));
}

TEST(CPU, OverPremultipliedMatchesItsFormulaAtEveryWidthAndOffset) {
    // The fast path works four pixels at a time; widths and offsets around
    // that grain check its tail and unaligned rows against the formula
    // d = min(255, a + b·(255 − alpha)/255).
    std::uint32_t seed = 12345;
    auto next = [&] { return Ipp8u((seed = seed * 1103515245u + 12345u) >> 23); };
    for (int width = 1; width <= 19; ++width) {
        for (int offset = 0; offset < 3; ++offset) {
            std::vector<Ipp8u> a(std::size_t(width + 3) * 4), b(a.size()), d(a.size(), 0);
            for (auto& v : a)
                v = next();
            for (auto& v : b)
                v = next();
            Ipp8u* pa = a.data() + 4 * offset + 1; // rows not even four-byte aligned
            Ipp8u* pb = b.data() + 4 * offset + 1;
            Ipp8u* pd = d.data() + 1;
            ASSERT_EQ(CCPU::ippiAlphaComp_8u_AC4R(pa, width * 4, pb, width * 4, pd, width * 4,
                                                  {width, 1}, ippAlphaOverPremul),
                      0);
            for (int i = 0; i < width * 4; ++i) {
                const unsigned expect = std::min(255u, pa[i] + Mul255(pb[i], 255u - pa[(i & ~3) + 3]));
                ASSERT_EQ(pd[i], expect) << "width " << width << " byte " << i;
            }
        }
    }
}

TEST(CPU, CrossFadeMatchesItsFormulaAtEveryWidthWeightAndInPlace) {
    // d = min(255, a·wa/255 + b·wb/255) on the colour bytes, the fourth byte
    // of d kept; four pixels at a time with a plain tail, rows at odd
    // addresses, and d the same memory as b as a fade drawn in place is.
    std::uint32_t seed = 4242;
    auto next = [&] { return Ipp8u((seed = seed * 1103515245u + 12345u) >> 23); };
    const unsigned weights[][2] = {{0, 255}, {255, 0}, {128, 127}, {200, 200}, {1, 254}, {97, 31}};
    for (int width = 1; width <= 13; ++width) {
        for (const auto& w : weights) {
            for (int inPlace = 0; inPlace < 2; ++inPlace) {
                std::vector<Ipp8u> a(std::size_t(width) * 4 + 1), b(a.size()), d(a.size());
                for (auto* v : {&a, &b, &d})
                    for (auto& x : *v)
                        x = next();
                const std::vector<Ipp8u> before = inPlace ? b : d;
                Ipp8u* pd = inPlace ? b.data() + 1 : d.data() + 1;
                ASSERT_EQ(CCPU::ippiAlphaCompC_8u_AC4R(a.data() + 1, width * 4, Ipp8u(w[0]),
                                                       b.data() + 1, width * 4, Ipp8u(w[1]), pd,
                                                       width * 4, {width, 1}, ippAlphaPlus),
                          0);
                const std::vector<Ipp8u> bIn = inPlace ? before : b;
                for (int i = 0; i < width * 4; ++i) {
                    const unsigned expect =
                        i % 4 == 3 ? before[std::size_t(i) + 1]
                                   : std::min(255u, Mul255(a[std::size_t(i) + 1], w[0]) +
                                                        Mul255(bIn[std::size_t(i) + 1], w[1]));
                    ASSERT_EQ(pd[i], expect) << "width " << width << " weights " << w[0] << "/"
                                             << w[1] << " in place " << inPlace << " byte " << i;
                }
            }
        }
    }
}

TEST(CPU, OverPremultipliedKeepsItsFormulaOnOpaqueAndClearRuns) {
    // Layers are mostly runs of opaque or fully transparent pixels, which the
    // fast path takes in blocks; one pixel of another alpha anywhere in a
    // block, a transparent pixel that still carries colour, and lower pixels
    // that saturate must all give the formula's bytes.
    std::uint32_t seed = 777;
    auto next = [&] { return Ipp8u((seed = seed * 1103515245u + 12345u) >> 23); };
    const int width = 37;
    for (int pattern = 0; pattern < 6; ++pattern) {
        for (int odd = -1; odd < width; odd += 3) {
            std::vector<Ipp8u> a(std::size_t(width) * 4), b(a.size()), d(a.size(), 0);
            for (int x = 0; x < width; ++x) {
                Ipp8u* p = &a[std::size_t(x) * 4];
                const bool opaque = pattern == 0 || (pattern == 2 && x < 16) ||
                                    (pattern == 3 && x >= 5 && x < 29) ||
                                    (pattern == 4 && x % 16 >= 8);
                const Ipp8u alpha = x == odd ? Ipp8u(1 + next() % 254) : opaque ? 255 : 0;
                p[3] = alpha;
                for (int c = 0; c < 3; ++c)
                    // Pattern 5 leaves colour on transparent pixels.
                    p[c] = pattern == 5 ? next() : Ipp8u(next() % (alpha + 1u));
            }
            for (auto& v : b)
                v = Ipp8u(200 + next() % 56);
            ASSERT_EQ(CCPU::ippiAlphaComp_8u_AC4R(a.data(), width * 4, b.data(), width * 4, d.data(),
                                                  width * 4, {width, 1}, ippAlphaOverPremul),
                      0);
            for (int i = 0; i < width * 4; ++i) {
                const unsigned expect = std::min(255u, a[i] + Mul255(b[i], 255u - a[(i & ~3) + 3]));
                ASSERT_EQ(d[i], expect)
                    << "pattern " << pattern << " odd pixel " << odd << " byte " << i;
            }
        }
    }
}

TEST(CPU, ResizeInterpolations) {
    // Two pixels 0 and 255 widened to four: sample points −0.25 (edge), 0.25,
    // 0.75, 1.25 (edge).
    SPicture s(2, 1), d(4, 1);
    *s.At(1, 0) = 255;
    ASSERT_EQ(CCPU::ippiResize_8u_C4R(s.Data(), s.Size(), s.step, {0, 0, 2, 1}, d.Data(), d.step,
                                      d.Size(), 2.0, 1.0, IPPI_INTER_LINEAR),
              0);
    EXPECT_EQ(*d.At(0, 0), 0);
    EXPECT_EQ(*d.At(1, 0), 64);
    EXPECT_EQ(*d.At(2, 0), 191);
    EXPECT_EQ(*d.At(3, 0), 255);
    CCPU::ippiResize_8u_C4R(s.Data(), s.Size(), s.step, {0, 0, 2, 1}, d.Data(), d.step, d.Size(),
                            2.0, 1.0, IPPI_INTER_NN);
    EXPECT_EQ(*d.At(1, 0), 0);
    EXPECT_EQ(*d.At(2, 0), 255);

    // Supersampling 3 → 2: pixel 0 covers source [0, 1.5), pixel 1 [1.5, 3).
    SPicture w(3, 1), n(2, 1);
    w.Fill({0, 0, 0, 200});
    *w.At(0, 0) = 30, *w.At(1, 0) = 60, *w.At(2, 0) = 90;
    n.Fill({0, 0, 0, 7});
    ASSERT_EQ(CCPU::ippiResize_8u_AC4R(w.Data(), w.Size(), w.step, {0, 0, 3, 1}, n.Data(), n.step,
                                       n.Size(), 2.0 / 3, 1.0, IPPI_INTER_SUPER),
              0);
    EXPECT_EQ(n.Pixel(0, 0), (Px{40, 0, 0, 7}));
    EXPECT_EQ(n.Pixel(1, 0), (Px{80, 0, 0, 7}));
    EXPECT_EQ(CCPU::ippiResize_8u_C4R(w.Data(), w.Size(), w.step, {0, 0, 3, 1}, n.Data(), n.step,
                                      n.Size(), 2.0, 1.0, IPPI_INTER_SUPER),
              ippStsResizeFactorErr);
    EXPECT_EQ(CCPU::ippiResize_8u_C4R(w.Data(), w.Size(), w.step, {0, 0, 3, 1}, n.Data(), n.step,
                                      n.Size(), 1.0, 1.0, IPPI_INTER_CUBIC),
              ippStsInterpolationErr);
    EXPECT_EQ(CCPU::ippiResize_8u_C4R(w.Data(), w.Size(), w.step, {5, 0, 3, 1}, n.Data(), n.step,
                                      n.Size(), 1.0, 1.0, IPPI_INTER_NN),
              ippStsNoOperation);

    // One channel: 2 × 2 halved by area is the mean, 25.25.
    std::vector<Ipp8u> mask = {10, 20, 30, 41}, out(1);
    ASSERT_EQ(CCPU::ippiResize_8u_C1R(mask.data(), {2, 2}, 2, {0, 0, 2, 2}, out.data(), 1, {1, 1},
                                      0.5, 0.5, IPPI_INTER_SUPER),
              0);
    EXPECT_EQ(out[0], 25);
}

TEST(CPU, LanczosResizeFiltersWhatItCannotHoldAndStaysInsideItsRegion) {
    // A one-pixel checkerboard shrunk by 2/3 has nothing the destination can
    // hold: it becomes even grey, where area averaging leaves a pattern.
    // Around it, a white frame outside the region must not bleed in.
    SPicture board(32, 32), out(20, 20), area(20, 20);
    board.Fill({255, 255, 255, 255});
    for (int y = 1; y < 31; ++y)
        for (int x = 1; x < 31; ++x) {
            const Ipp8u v = (x + y) % 2 ? 200 : 40;
            std::fill(board.At(x, y), board.At(x, y) + 3, v);
        }
    ASSERT_EQ(CCPU::ippiResize_8u_C4R(board.Data(), board.Size(), board.step, {1, 1, 30, 30},
                                      out.Data(), out.step, out.Size(), 2.0 / 3, 2.0 / 3,
                                      IPPI_INTER_LANCZOS),
              0);
    ASSERT_EQ(CCPU::ippiResize_8u_C4R(board.Data(), board.Size(), board.step, {1, 1, 30, 30},
                                      area.Data(), area.step, area.Size(), 2.0 / 3, 2.0 / 3,
                                      IPPI_INTER_SUPER),
              0);
    // (The corners, where the repeated edge meets, are left out.)
    int lanczosSpread = 0, areaSpread = 0;
    for (int y = 2; y < 18; ++y)
        for (int x = 2; x < 18; ++x) {
            lanczosSpread = std::max(lanczosSpread, std::abs(*out.At(x, y) - 120));
            areaSpread = std::max(areaSpread, std::abs(*area.At(x, y) - 120));
            EXPECT_EQ(out.At(x, y)[3], 255);
        }
    EXPECT_LE(lanczosSpread, 1);
    EXPECT_GE(areaSpread, 8);

    // An even picture stays even, shrunk or enlarged; an enlarged hard edge
    // overshoots and is clamped, not wrapped.
    SPicture flat(7, 5), wide(16, 11), edge(4, 1), edgeOut(16, 1);
    flat.Fill({10, 128, 250, 255});
    ASSERT_EQ(CCPU::ippiResize_8u_C4R(flat.Data(), flat.Size(), flat.step, {0, 0, 7, 5},
                                      wide.Data(), wide.step, wide.Size(), 16.0 / 7, 11.0 / 5,
                                      IPPI_INTER_LANCZOS),
              0);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(wide.Pixel(x, y), (Px{10, 128, 250, 255})) << x << ", " << y;
    edge.Fill({0, 0, 0, 0});
    std::fill(edge.At(2, 0), edge.At(2, 0) + 8, 255);
    ASSERT_EQ(CCPU::ippiResize_8u_C4R(edge.Data(), edge.Size(), edge.step, {0, 0, 4, 1},
                                      edgeOut.Data(), edgeOut.step, edgeOut.Size(), 4.0, 1.0,
                                      IPPI_INTER_LANCZOS),
              0);
    for (int x = 2; x < 6; ++x)
        EXPECT_EQ(*edgeOut.At(x, 0), 0) << x;
    for (int x = 10; x < 14; ++x)
        EXPECT_EQ(*edgeOut.At(x, 0), 255) << x;
}

TEST(CPU, ResizeAndBoundsWithRegionsAndFactorsBeyondAnInt) {
    // A ROI from column 2 with the largest width is the picture from column 2
    // on: its far edge x + w passes 2^31 and is clipped, not wrapped.
    SPicture s(4, 1), d(1, 1);
    for (int x = 0; x < 4; ++x)
        *s.At(x, 0) = Ipp8u(10 * (x + 1));
    EXPECT_EQ(CCPU::ippiResize_8u_C4R(s.Data(), s.Size(), s.step, {2, 0, INT_MAX, INT_MAX},
                                      d.Data(), d.step, d.Size(), 1.0, 1.0, IPPI_INTER_NN),
              0);
    EXPECT_EQ(*d.At(0, 0), 30);
    // A tiny factor puts every sample point far past the ROI, whose edge
    // pixel then repeats: the last column, whatever an int could hold.
    SPicture wide(3, 1);
    EXPECT_EQ(CCPU::ippiResize_8u_C4R(s.Data(), s.Size(), s.step, {0, 0, 4, 1}, wide.Data(),
                                      wide.step, wide.Size(), 1e-300, 1.0, IPPI_INTER_NN),
              0);
    EXPECT_EQ(*wide.At(0, 0), 40);
    EXPECT_EQ(*wide.At(2, 0), 40);

    // The bound of a ROI whose far corner lies past 2^31 − 1.
    double bound[2][2];
    const double identity[2][3] = {{1, 0, 0}, {0, 1, 0}};
    ASSERT_EQ(CCPU::ippiGetAffineBound({INT_MAX - 1, INT_MAX - 1, 10, 3}, bound, identity), 0);
    EXPECT_EQ(bound[0][0], double(INT_MAX) - 1);
    EXPECT_EQ(bound[1][0], double(INT_MAX) + 8);
    EXPECT_EQ(bound[1][1], double(INT_MAX) + 1);
}

TEST(CPU, WarpAffineSamplesTheInverseMapAndSmoothsEdgesIntoTheDestination) {
    SPicture s(4, 1), d(4, 1);
    s.Fill({0, 0, 0, 255});
    for (int x = 0; x < 4; ++x)
        *s.At(x, 0) = Ipp8u(40 * (x + 1)); // 40, 80, 120, 160
    d.Fill({200, 0, 0, 0});
    const double shiftOne[2][3] = {{1, 0, 1}, {0, 1, 0}};
    ASSERT_EQ(CCPU::ippiWarpAffine_8u_C4R(s.Data(), s.Size(), s.step, {0, 0, 4, 1}, d.Data(),
                                          d.step, {0, 0, 4, 1}, shiftOne, IPPI_INTER_LINEAR),
              0);
    EXPECT_EQ(d.Pixel(0, 0), (Px{200, 0, 0, 0})); // maps to source −1: untouched
    EXPECT_EQ(d.Pixel(1, 0), (Px{40, 0, 0, 255}));
    EXPECT_EQ(d.Pixel(3, 0), (Px{120, 0, 0, 255}));

    // Half a pixel: destination 0 samples source −0.5, half the destination's
    // own pixel and half source pixel 0.
    d.Fill({200, 0, 0, 0});
    const double shiftHalf[2][3] = {{1, 0, 0.5}, {0, 1, 0}};
    ASSERT_EQ(CCPU::ippiWarpAffine_8u_C4R(s.Data(), s.Size(), s.step, {0, 0, 4, 1}, d.Data(),
                                          d.step, {0, 0, 4, 1}, shiftHalf,
                                          IPPI_INTER_LINEAR | IPPI_SMOOTH_EDGE),
              0);
    EXPECT_EQ(d.Pixel(0, 0), (Px{120, 0, 0, 128}));
    EXPECT_EQ(d.Pixel(1, 0), (Px{60, 0, 0, 255}));
    EXPECT_EQ(d.Pixel(3, 0), (Px{140, 0, 0, 255}));

    // In two dimensions, half a pixel both ways averages four pixels:
    // (10 + 20 + 30 + 41)/4 = 25.25 → 25.
    SPicture q(3, 3), r(3, 3);
    q.Fill({0, 0, 0, 255});
    *q.At(0, 0) = 10, *q.At(1, 0) = 20, *q.At(0, 1) = 30, *q.At(1, 1) = 41;
    const double back[2][3] = {{1, 0, -0.5}, {0, 1, -0.5}};
    ASSERT_EQ(CCPU::ippiWarpAffine_8u_C4R(q.Data(), q.Size(), q.step, {0, 0, 3, 3}, r.Data(),
                                          r.step, {0, 0, 3, 3}, back, IPPI_INTER_LINEAR),
              0);
    EXPECT_EQ(r.Pixel(0, 0), (Px{25, 0, 0, 255}));
    const double identity[2][3] = {{1, 0, 0}, {0, 1, 0}};
    CCPU::ippiWarpAffine_8u_C4R(q.Data(), q.Size(), q.step, {0, 0, 3, 3}, r.Data(), r.step,
                                {0, 0, 3, 3}, identity, IPPI_INTER_LINEAR);
    EXPECT_EQ(r.bytes, q.bytes);

    const double singular[2][3] = {{1, 2, 0}, {2, 4, 0}};
    EXPECT_EQ(CCPU::ippiWarpAffine_8u_C4R(s.Data(), s.Size(), s.step, {0, 0, 4, 1}, d.Data(),
                                          d.step, {0, 0, 4, 1}, singular, IPPI_INTER_LINEAR),
              ippStsCoeffErr);

    // A quarter turn of a 10 × 4 ROI: corners (0, 0), (9, 0), (0, 3), (9, 3)
    // go to (0, 0), (0, 9), (−3, 0), (−3, 9).
    const double turn[2][3] = {{0, -1, 0}, {1, 0, 0}};
    double bound[2][2];
    ASSERT_EQ(CCPU::ippiGetAffineBound({0, 0, 10, 4}, bound, turn), 0);
    EXPECT_DOUBLE_EQ(bound[0][0], -3);
    EXPECT_DOUBLE_EQ(bound[0][1], 0);
    EXPECT_DOUBLE_EQ(bound[1][0], 0);
    EXPECT_DOUBLE_EQ(bound[1][1], 9);
}

TEST(CPU, MirrorArithmeticAndSignals) {
    SPicture p(2, 2);
    p.Fill({0, 0, 0, 50});
    *p.At(0, 0) = 1, *p.At(1, 0) = 2, *p.At(0, 1) = 3, *p.At(1, 1) = 4;
    p.At(0, 0)[3] = 99;
    ASSERT_EQ(CCPU::ippiMirror_8u_AC4IR(p.Data(), p.step, p.Size(), ippAxsHorizontal), 0);
    EXPECT_EQ(p.Pixel(0, 0), (Px{3, 0, 0, 99})); // alpha stays where it was
    EXPECT_EQ(*p.At(1, 1), 2);
    CCPU::ippiMirror_8u_AC4IR(p.Data(), p.step, p.Size(), ippAxsVertical);
    EXPECT_EQ(*p.At(0, 0), 4);

    p.Fill({200, 100, 10, 255});
    const Ipp8u half[4] = {128, 128, 255, 0};
    CCPU::ippiMulCScale_8u_C4IR(half, p.Data(), p.step, p.Size());
    EXPECT_EQ(p.Pixel(1, 1), (Px{100, 50, 10, 0}));
    const Ipp8u add[4] = {200, 3, 0, 7};
    CCPU::ippiAddC_8u_C4IRSfs(add, p.Data(), p.step, p.Size(), 0);
    EXPECT_EQ(p.Pixel(1, 1), (Px{255, 53, 10, 7}));
    CCPU::ippiAddC_8u_C4IRSfs(add, p.Data(), p.step, p.Size(), 1); // (255+200)/2, (53+3)/2, 10/2, 14/2
    EXPECT_EQ(p.Pixel(1, 1), (Px{228, 28, 5, 7}));
    const Ipp8u sub[4] = {30, 30, 30, 30};
    CCPU::ippiSubC_8u_AC4IRSfs(sub, p.Data(), p.step, p.Size(), 0);
    EXPECT_EQ(p.Pixel(1, 1), (Px{198, 0, 0, 7}));
    CCPU::ippiSubC_8u_C4IRSfs(sub, p.Data(), p.step, p.Size(), 0);
    EXPECT_EQ(p.Pixel(1, 1), (Px{168, 0, 0, 0}));

    std::vector<Ipp8u> bytes = {0x00, 0x7F, 0x80, 0xFF};
    ASSERT_EQ(CCPU::ippsXorC_8u_I(0x80, bytes.data(), 4), 0);
    EXPECT_EQ(bytes, (std::vector<Ipp8u>{0x80, 0xFF, 0x00, 0x7F}));
    std::vector<Ipp16s> x = {30000, -30000, 5}, y = {10000, -10000, -7};
    ASSERT_EQ(CCPU::ippsAdd_16s_I(x.data(), y.data(), 3), 0);
    EXPECT_EQ(y, (std::vector<Ipp16s>{32767, -32768, -2}));
}

TEST(CPU, HistogramEvenPutsTheTopTwoValuesInTheLastBin) {
    SPicture p(4, 1);
    p.Fill({0, 0, 0, 0});
    p.At(0, 0)[0] = 253, p.At(1, 0)[0] = 254, p.At(2, 0)[0] = 255, p.At(3, 0)[1] = 7;
    std::vector<Ipp32s> hist[3], levels[3];
    Ipp32s* ph[3];
    Ipp32s* pl[3];
    for (int c = 0; c < 3; ++c) {
        hist[c].assign(255, -1);
        levels[c].assign(256, -1);
        ph[c] = hist[c].data();
        pl[c] = levels[c].data();
    }
    const int n[3] = {256, 256, 256};
    const Ipp32s lo[3] = {0, 0, 0}, hi[3] = {256, 256, 256};
    ASSERT_EQ(CCPU::ippiHistogramEven_8u_AC4R(p.Data(), p.step, p.Size(), ph, pl, n, lo, hi), 0);
    EXPECT_EQ(levels[0][254], 254);
    EXPECT_EQ(levels[0][255], 256);
    EXPECT_EQ(hist[0][253], 1);
    EXPECT_EQ(hist[0][254], 2);
    EXPECT_EQ(hist[0][0], 1);
    EXPECT_EQ(hist[1][0], 3);
    EXPECT_EQ(hist[1][7], 1);
    EXPECT_EQ(hist[2][0], 4);
}

TEST(CPU, HlsToRgb) {
    SPicture p(3, 1), d(3, 1);
    d.Fill({0, 0, 0, 42});
    const Ipp8u red[4] = {0, 128, 255, 0}, grey[4] = {99, 77, 0, 0}, green[4] = {85, 64, 255, 0};
    std::copy(red, red + 4, p.At(0, 0));
    std::copy(grey, grey + 4, p.At(1, 0));
    std::copy(green, green + 4, p.At(2, 0));
    ASSERT_EQ(CCPU::ippiHLSToRGB_8u_AC4R(p.Data(), p.step, d.Data(), d.step, p.Size()), 0);
    // L = 128/255 > ½: M2 = 1, M1 = 2L − 1 = 1/255.
    EXPECT_EQ(d.Pixel(0, 0), (Px{255, 1, 1, 42}));
    EXPECT_EQ(d.Pixel(1, 0), (Px{77, 77, 77, 42}));
    // Hue 85 is two sextants: green; L = 64/255: M2 = 2L, M1 = 0.
    EXPECT_EQ(d.Pixel(2, 0), (Px{0, 128, 0, 42}));
}

TEST(CPU, BoxFilterAveragesTheWindowAtTheAnchorAndBordersRepeatTheEdge) {
    // One bright pixel in the middle of 5 × 5; the 3 × 3 interior filtered with
    // a 3 × 3 mask anchored at its centre sees it in every window: 255/9 → 28.
    SPicture p(5, 5);
    p.Fill({0, 0, 0, 9});
    p.At(2, 2)[0] = 255;
    p.At(2, 2)[1] = 5; // 5/9 = 0.56 → 1
    ASSERT_EQ(CCPU::ippiFilterBox_8u_AC4IR(p.At(1, 1), p.step, {3, 3}, {3, 3}, {1, 1}), 0);
    for (int y = 1; y <= 3; ++y)
        for (int x = 1; x <= 3; ++x)
            EXPECT_EQ(p.Pixel(x, y), (Px{28, 1, 0, 9})) << x << "," << y;
    EXPECT_EQ(p.Pixel(0, 0), (Px{0, 0, 0, 9}));

    // Halves round up: (1 + 2)/2.
    SPicture q(2, 1);
    q.At(0, 0)[0] = 1, q.At(1, 0)[0] = 2;
    ASSERT_EQ(CCPU::ippiFilterBox_8u_AC4IR(q.At(1, 0), q.step, {1, 1}, {2, 1}, {1, 0}), 0);
    EXPECT_EQ(*q.At(1, 0), 2);
    EXPECT_EQ(CCPU::ippiFilterBox_8u_AC4IR(q.Data(), q.step, {1, 1}, {2, 1}, {2, 0}),
              ippStsAnchorErr);

    SPicture s(2, 2), d(4, 5);
    *s.At(0, 0) = 1, *s.At(1, 0) = 2, *s.At(0, 1) = 3, *s.At(1, 1) = 4;
    d.Fill({0, 0, 0, 77});
    ASSERT_EQ(CCPU::ippiCopyReplicateBorder_8u_AC4R(s.Data(), s.step, s.Size(), d.Data(), d.step,
                                                    d.Size(), 1, 1),
              0);
    const int expected[5][4] = {{1, 1, 2, 2}, {1, 1, 2, 2}, {3, 3, 4, 4}, {3, 3, 4, 4}, {3, 3, 4, 4}};
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(*d.At(x, y), expected[y][x]) << x << "," << y;
    EXPECT_EQ(d.At(0, 0)[3], 77);
    EXPECT_EQ(CCPU::ippiCopyReplicateBorder_8u_AC4R(s.Data(), s.step, s.Size(), d.Data(), d.step,
                                                    {2, 2}, 1, 1),
              ippStsSizeErr);
}

TEST(CPU, BoxFilterMatchesTheWindowMeanForAnyMask) {
    // Running sums against the plain mean of each window, on random pixels,
    // for masks from 1 × 1 to wider than tall and back, anchors anywhere.
    std::uint32_t seed = 99;
    auto next = [&] { return Ipp8u((seed = seed * 1103515245u + 12345u) >> 23); };
    for (auto [mw, mh, ax, ay] : {std::array{1, 1, 0, 0}, {3, 2, 2, 0}, {7, 5, 3, 2}, {2, 9, 0, 8}}) {
        const int w = 11, h = 8;
        SPicture p(w + mw - 1, h + mh - 1);
        for (auto& v : p.bytes)
            v = next();
        SPicture original = p;
        ASSERT_EQ(CCPU::ippiFilterBox_8u_AC4IR(p.At(ax, ay), p.step, {w, h}, {mw, mh}, {ax, ay}), 0);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                for (int c = 0; c < 4; ++c) {
                    int sum = 0;
                    for (int j = 0; j < mh; ++j)
                        for (int i = 0; i < mw; ++i)
                            sum += original.At(x + i, y + j)[c];
                    const int n = mw * mh;
                    const int expect = c == 3 ? original.At(x + ax, y + ay)[3] : (2 * sum + n) / (2 * n);
                    ASSERT_EQ(p.At(x + ax, y + ay)[c], expect)
                        << mw << "x" << mh << " at " << x << "," << y << " channel " << c;
                }
            }
        }
    }
}

TEST(CPU, MallocAlignsBuffersAndSteps) {
    int step = 0;
    Ipp8u* p = CCPU::ippiMalloc_8u_C4(17, 3, &step);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 64, 0u);
    EXPECT_EQ(step, 128);
    p[step * 3 - 1] = 1; // the whole buffer is usable
    CCPU::ippiFree(p);
    EXPECT_EQ(CCPU::ippiMalloc_8u_C4(1 << 30, 1 << 30, &step), nullptr);
}
