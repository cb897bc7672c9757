// BGR to Y'CbCr 4:2:0: exact values for primaries and greys in both
// matrices, chroma placed where MPEG-2 and H.264 expect it, and the fast
// version against the plain one byte for byte on noise (negative steps and
// padded rows included).
#include "imgcore/CPU.h"
#include "imgcore/CPUInternal.h"

#include <array>
#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

namespace {

using TConvert = IppStatus (*)(const Ipp8u*, int, Ipp8u* [3], const int[3], IppiSize);

struct SPlanes {
    int w, h;
    std::vector<Ipp8u> y, cb, cr;
    SPlanes(int width, int height)
        : w(width), h(height), y(std::size_t(width) * height, 7),
          cb(std::size_t(width / 2) * (height / 2), 7), cr(cb.size(), 7) {}
    IppStatus From(TConvert convert, const std::vector<Ipp8u>& bgra, int step, bool bottomUp) {
        Ipp8u* planes[3] = {y.data(), cb.data(), cr.data()};
        const int steps[3] = {w, w / 2, w / 2};
        const Ipp8u* first = bgra.data();
        if (bottomUp) {
            first += std::ptrdiff_t(step) * (h - 1);
            step = -step;
        }
        return convert(first, step, planes, steps, {w, h});
    }
};

// A flat picture of one colour, four bytes per pixel.
std::vector<Ipp8u> Flat(int w, int h, int r, int g, int b) {
    std::vector<Ipp8u> p(std::size_t(w) * h * 4);
    for (std::size_t i = 0; i < p.size(); i += 4) {
        p[i] = Ipp8u(b);
        p[i + 1] = Ipp8u(g);
        p[i + 2] = Ipp8u(r);
        p[i + 3] = 0x5a; // never read
    }
    return p;
}

} // namespace

TEST(CPUYuv, PrimariesAndGreysInBothMatrices) {
    struct SCase {
        int r, g, b;
        std::array<int, 3> bt601, bt709; // Y', Cb, Cr
    };
    // Video range: the values of the standards' tables, to the nearest step.
    const SCase cases[] = {
        {0, 0, 0, {16, 128, 128}, {16, 128, 128}},
        {255, 255, 255, {235, 128, 128}, {235, 128, 128}},
        {128, 128, 128, {126, 128, 128}, {126, 128, 128}},
        {64, 64, 64, {71, 128, 128}, {71, 128, 128}},
        {192, 192, 192, {181, 128, 128}, {181, 128, 128}},
        {255, 0, 0, {81, 90, 240}, {63, 102, 240}},
        {0, 255, 0, {145, 54, 34}, {173, 42, 26}},
        {0, 0, 255, {41, 240, 110}, {32, 240, 118}},
        {255, 255, 0, {210, 16, 146}, {219, 16, 138}},
        {0, 255, 255, {170, 166, 16}, {188, 154, 16}},
        {255, 0, 255, {106, 202, 222}, {78, 214, 230}},
    };
    for (bool reference : {false, true}) {
        const bool previous = imgcore::SetReference(reference);
        for (const SCase& c : cases) {
            SCOPED_TRACE(testing::Message() << "rgb " << c.r << "," << c.g << "," << c.b
                                            << (reference ? " plain" : " fast"));
            for (auto [convert, expected] :
                 {std::pair{&CCPU::ippiBGRToYCbCr420_8u_AC4P3R, c.bt601},
                  std::pair{&CCPU::ippiBGRToYCbCr420_709CSC_8u_AC4P3R, c.bt709}}) {
                SPlanes out(6, 4);
                ASSERT_EQ(out.From(convert, Flat(6, 4, c.r, c.g, c.b), 24, false), ippStsNoErr);
                EXPECT_EQ(out.y[5], expected[0]);
                EXPECT_EQ(out.cb[2], expected[1]);
                EXPECT_EQ(out.cr[5], expected[2]);
            }
        }
        imgcore::SetReference(previous);
    }
}

// A chroma sample takes its two rows and its pair's first column with the
// columns either side, weighted 1 2 1: red in an odd column shows at a
// quarter in the samples either side, in an even one at half in its own; one
// red row over a black one gives half.
TEST(CPUYuv, ChromaSitsAtTheFirstColumnBetweenTwoRows) {
    auto redColumn = [](int column) {
        std::vector<Ipp8u> picture = Flat(8, 2, 0, 0, 0);
        for (int y = 0; y < 2; ++y)
            picture[std::size_t(y * 8 + column) * 4 + 2] = 255;
        SPlanes out(8, 2);
        EXPECT_EQ(out.From(&CCPU::ippiBGRToYCbCr420_8u_AC4P3R, picture, 32, false), ippStsNoErr);
        return out.cr;
    };
    EXPECT_EQ(redColumn(3), (std::vector<Ipp8u>{128, 156, 156, 128}));
    EXPECT_EQ(redColumn(4), (std::vector<Ipp8u>{128, 128, 184, 128}));
    EXPECT_EQ(redColumn(0), (std::vector<Ipp8u>{212, 128, 128, 128})) << "the left edge repeated";

    std::vector<Ipp8u> halves = Flat(2, 2, 0, 0, 0);
    halves[2] = halves[6] = 255;
    SPlanes half(2, 2);
    ASSERT_EQ(half.From(&CCPU::ippiBGRToYCbCr420_8u_AC4P3R, halves, 8, false), ippStsNoErr);
    EXPECT_EQ(half.cr[0], 184);
    EXPECT_EQ(half.y[0], 81);
    EXPECT_EQ(half.y[2], 16);
}

TEST(CPUYuv, FastMatchesPlainOnNoise) {
    std::uint32_t seed = 12345;
    auto next = [&seed] { return Ipp8u((seed = seed * 1664525u + 1013904223u) >> 24); };
    for (auto [w, h] : {std::pair{2, 2}, std::pair{18, 6}, std::pair{720, 576}, std::pair{98, 40}}) {
        const int step = w * 4 + 12;
        std::vector<Ipp8u> noise(std::size_t(step) * h);
        for (Ipp8u& byte : noise)
            byte = next();
        for (TConvert convert : {&CCPU::ippiBGRToYCbCr420_8u_AC4P3R,
                                 &CCPU::ippiBGRToYCbCr420_709CSC_8u_AC4P3R})
            for (bool bottomUp : {false, true})
                for (bool avx2 : {true, false}) { // the AVX2 form where there is one, and SSE2
                    SCOPED_TRACE(testing::Message()
                                 << w << "x" << h << (bottomUp ? " bottom-up" : "")
                                 << (avx2 ? "" : " without AVX2"));
                    SPlanes fast(w, h), plain(w, h);
                    const bool allowed = imgcore::SetAvx2(avx2);
                    ASSERT_EQ(fast.From(convert, noise, step, bottomUp), ippStsNoErr);
                    imgcore::SetAvx2(allowed);
                    const bool previous = imgcore::SetReference(true);
                    ASSERT_EQ(plain.From(convert, noise, step, bottomUp), ippStsNoErr);
                    imgcore::SetReference(previous);
                    EXPECT_EQ(fast.y, plain.y);
                    EXPECT_EQ(fast.cb, plain.cb);
                    EXPECT_EQ(fast.cr, plain.cr);
                }
    }
}

TEST(CPUYuv, OddSidesAndBadArgumentsWriteNothing) {
    const std::vector<Ipp8u> picture = Flat(4, 4, 10, 20, 30);
    SPlanes out(4, 4);
    Ipp8u* planes[3] = {out.y.data(), out.cb.data(), out.cr.data()};
    const int steps[3] = {4, 2, 2};
    EXPECT_EQ(CCPU::ippiBGRToYCbCr420_8u_AC4P3R(picture.data(), 16, planes, steps, {3, 4}),
              ippStsSizeErr);
    EXPECT_EQ(CCPU::ippiBGRToYCbCr420_8u_AC4P3R(picture.data(), 16, planes, steps, {4, 3}),
              ippStsSizeErr);
    EXPECT_EQ(CCPU::ippiBGRToYCbCr420_8u_AC4P3R(picture.data(), 8, planes, steps, {4, 4}),
              ippStsStepErr);
    EXPECT_EQ(CCPU::ippiBGRToYCbCr420_8u_AC4P3R(nullptr, 16, planes, steps, {4, 4}),
              ippStsNullPtrErr);
    const int narrow[3] = {4, 1, 2};
    EXPECT_EQ(CCPU::ippiBGRToYCbCr420_8u_AC4P3R(picture.data(), 16, planes, narrow, {4, 4}),
              ippStsStepErr);
    EXPECT_EQ(out.y, std::vector<Ipp8u>(16, 7));
}
