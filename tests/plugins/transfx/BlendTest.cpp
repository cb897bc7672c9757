// Pixel values of the blend transitions at named frames, from their formulas.
#include "imgcore/PixelMath.h"
#include "tests/plugins/transfx/TransitionFixture.h"

#include <gtest/gtest.h>

#include <array>
#include <thread>

namespace {

// The transitions of these tests, by internal name.
constexpr const char* kFade = "Fade Plugin";
constexpr const char* kBlur = "Blur Plugin";
constexpr const char* kCircle = "Circle Plugin";
constexpr const char* kContrast = "Contrast Plugin";
constexpr const char* kPolygon = "Polygon Plugin";
constexpr const char* kShutter = "Shutter Plugin";
constexpr const char* kSpeckle = "Speckle Plugin";
constexpr const char* kWipe = "Wipe Plugin";
constexpr const char* kZoom = "Zoom Plugin";

// Counts pixels whose colour differs from the expectation.
int Mismatches(const STestPicture& d, const std::function<std::array<int, 3>(int, int)>& expect) {
    int bad = 0;
    for (int y = 0; y < d.h; ++y)
        for (int x = 0; x < d.w; ++x)
            bad += d.Colour(x, y) != expect(x, y);
    return bad;
}

} // namespace

TEST(Fade, NormalStartsAtAEndsAtBAndRoundsTheMiddle) {
    const STestPicture a = PictureA(16, 12), b = PictureB(16, 12);
    CTransitionRun run(kFade, 16, 12, 7);
    EXPECT_TRUE(run.Frame(0, a, b).SameColours(a));
    EXPECT_TRUE(run.Frame(6, a, b).SameColours(b));
    // n = 3, i = 1: α = 127; 100·128/255 = 50.2 → 50 and 200·127/255 = 99.6 → 100.
    CTransitionRun three(kFade, 2, 2, 3);
    STestPicture d = three.Frame(1, Solid(2, 2, 100, 0, 255), Solid(2, 2, 200, 0, 255));
    EXPECT_EQ(d.Colour(1, 1), (std::array<int, 3>{150, 0, 255}));
}

TEST(Fade, ThroughBlackOrWhiteShowsThePureColourAtTheMiddleFrame) {
    const STestPicture a = PictureA(16, 12), b = PictureB(16, 12);
    CTransitionRun black(kFade, 16, 12, 9);
    black.Set("FadeMode", 1);
    EXPECT_EQ(Mismatches(black.Frame(4, a, b), [](int, int) { return std::array<int, 3>{0, 0, 0}; }), 0);
    EXPECT_TRUE(black.Frame(0, a, b).SameColours(a));
    EXPECT_TRUE(black.Frame(8, a, b).SameColours(b));
    // i = 2: x = −½, g = 63: A·63/255 over black.
    STestPicture d = black.Frame(2, Solid(16, 12, 255, 100, 0), b);
    EXPECT_EQ(d.Colour(3, 3), (std::array<int, 3>{63, 25, 0}));

    CTransitionRun white(kFade, 16, 12, 9);
    white.Set("FadeMode", 2);
    EXPECT_EQ(Mismatches(white.Frame(4, a, b), [](int, int) { return std::array<int, 3>{255, 255, 255}; }), 0);
}

TEST(Contrast, IsPureGreyAtTheMiddleFrame) {
    const STestPicture a = PictureA(16, 12), b = PictureB(16, 12);
    for (int mode : {0, 1}) {
        for (int n : {2, 9, 10}) {
            CTransitionRun run(kContrast, 16, 12, n);
            run.Set("Mode", mode);
            const int grey = mode == 0 ? 32 : 223;
            EXPECT_EQ(Mismatches(run.Frame(n / 2, a, b),
                                 [&](int, int) { return std::array<int, 3>{grey, grey, grey}; }),
                      0)
                << mode << " " << n;
        }
    }
    // Darken at frame 0 keeps every pixel brighter than black: a black pixel
    // sinks into the grey, a dim one (Y = trunc(0.71516·2) = 1) stays.
    STestPicture a2 = Solid(2, 1, 0, 0, 0);
    a2.At(1, 0)[1] = 2;
    CTransitionRun run(kContrast, 2, 1, 10);
    STestPicture d = run.Frame(0, a2, Solid(2, 1, 0, 0, 0));
    EXPECT_EQ(d.Colour(0, 0), (std::array<int, 3>{32, 32, 32}));
    EXPECT_EQ(d.Colour(1, 0), (std::array<int, 3>{0, 2, 0}));
}

// Blur and Speckle work from three and four frames; shorter ones show A, then B.
static void ExpectStartsAtAEndsAtB(const char* name) {
    const STestPicture a = PictureA(40, 30), b = PictureB(40, 30);
    for (int n : {2, 3, 4, 12, 30}) {
        CTransitionRun run(name, 40, 30, n);
        EXPECT_TRUE(run.Frame(0, a, b).SameColours(a)) << n;
        EXPECT_TRUE(run.Frame(n - 1, a, b).SameColours(b)) << n;
    }
    // Any frame of a picture of one colour keeps the colour, even on frames
    // too narrow for Speckle's grain.
    for (int w : {40, 6}) {
        CTransitionRun run(name, w, 4, 30);
        const STestPicture grey = Solid(w, 4, 90, 91, 92);
        for (int i : {5, 9, 15, 20})
            EXPECT_TRUE(run.Frame(i, grey, grey).SameColours(grey)) << w << " " << i;
    }
}

TEST(Blur, FirstFrameIsAAndLastIsBUnchanged) { ExpectStartsAtAEndsAtB(kBlur); }

TEST(Speckle, StartsAtAEndsAtB) { ExpectStartsAtAEndsAtB(kSpeckle); }

TEST(Speckle, ScattersWithTheThreadsGeneratorFromItsFirstNumber) {
    // W = 400: grain 40; n = 12: t1 = 8, t0 = 3; frame 2 scatters A with
    // d = 2·40/7 = 11. On a fresh thread the numbers are 41, 18467, …
    //   (0, 0): v = 41: sx = 41 mod 22 − 11 = 8, sy = ⌊22·41/32767⌋ − 11 → 0
    //   (1, 0): v = 18467: sx = 1 + 9 − 11 → 0, sy = ⌊22·18467/32767⌋ − 11 = 1
    const STestPicture a = PictureA(400, 20), b = PictureB(400, 20);
    STestPicture d(1, 1);
    std::thread([&] {
        CTransitionRun run(kSpeckle, 400, 20, 12);
        d = run.Frame(2, a, b);
    }).join();
    EXPECT_EQ(d.Colour(0, 0), a.Colour(8, 0));
    EXPECT_EQ(d.Colour(399, 0), a.Colour(391, 0));
    EXPECT_EQ(d.Colour(0, 19), a.Colour(8, 19));
    EXPECT_EQ(d.Colour(399, 19), a.Colour(391, 19));
    EXPECT_EQ(d.Colour(1, 0), a.Colour(0, 1));
}

TEST(Zoom, BlendsWithTheWeightOfTheFrame) {
    const STestPicture a = PictureA(16, 12), b = PictureB(16, 12);
    CTransitionRun out(kZoom, 16, 12, 5);
    out.Set("Direction", 0);
    EXPECT_TRUE(out.Frame(0, a, b).SameColours(a));
    // Last frame: B at full size blended with weight 255, never quite B.
    STestPicture d = out.Frame(4, a, b);
    EXPECT_EQ(Mismatches(d, [&](int x, int y) {
                  std::array<int, 3> e;
                  for (int c = 0; c < 3; ++c)
                      e[c] = Blend8(a.At(x, y)[c], b.At(x, y)[c], 255);
                  return e;
              }),
              0);
    // Zoom In runs backwards with the pictures swapped: its last frame is B.
    CTransitionRun in(kZoom, 16, 12, 5);
    EXPECT_TRUE(in.Frame(4, a, b).SameColours(b));
    // Frame 2 of 5 samples B at ⌊(W − zw)/2⌋ + x·zw/W with zw = (16 + 24) >> 2 = 10.
    STestPicture mid = out.Frame(2, Solid(16, 12, 0, 0, 0), b);
    EXPECT_EQ(mid.Colour(15, 0)[0], Blend8(0, b.At(3 + 15 * 10 / 16, 0)[0], 127));
}

TEST(Circle, LastFrameIsEntirelyB) {
    const STestPicture a = PictureA(160, 120), b = PictureB(160, 120);
    CTransitionRun grow(kCircle, 160, 120, 10);
    EXPECT_TRUE(grow.Frame(0, a, b).SameColours(a));
    EXPECT_TRUE(grow.Frame(9, a, b).SameColours(b));
    CTransitionRun shrink(kCircle, 160, 120, 10);
    shrink.Set("Direction", 1);
    EXPECT_TRUE(shrink.Frame(0, a, b).SameColours(a));
    EXPECT_TRUE(shrink.Frame(9, a, b).SameColours(b));
    // Odd sizes too.
    CTransitionRun odd(kCircle, 161, 121, 4);
    EXPECT_TRUE(odd.Frame(3, PictureA(161, 121), PictureB(161, 121)).SameColours(PictureB(161, 121)));
    // Frame 5 of 10: r = trunc(5·140/9) = 77; the centre is B, the corners A,
    // and a point at distance 60 lies on the rim: weight trunc(17·255/20) = 216.
    STestPicture d = grow.Frame(5, Solid(160, 120, 0, 0, 0), Solid(160, 120, 200, 200, 200));
    EXPECT_EQ(d.Colour(80, 60)[0], 200);
    EXPECT_EQ(d.Colour(0, 0)[0], 0);
    EXPECT_EQ(d.Colour(80, 0)[0], Blend8(0, 200, 216));
}

TEST(Wipe, FirstAndLastFramesFollowTheFormula) {
    const int W = 16, H = 12;
    const STestPicture a = PictureA(W, H), b = PictureB(W, H);
    for (int push : {0, 1}) {
        CTransitionRun run(kWipe, W, H, 6);
        run.Set("Direction", 1); // right to left
        run.Set("Push", push);
        EXPECT_TRUE(run.Frame(0, a, b).SameColours(a));
        STestPicture last = run.Frame(5, a, b);
        EXPECT_EQ(Mismatches(last, [&](int x, int y) {
                      return x == 0 ? a.Colour(push ? W - 1 : 0, y) : b.Colour(x - 1, y);
                  }),
                  0)
            << push;
    }
    // Top to Bottom on memory rows: B's rows come in after the first memory row.
    CTransitionRun down(kWipe, W, H, 6);
    down.Set("Direction", 3);
    STestPicture last = down.Frame(5, a, b);
    EXPECT_EQ(Mismatches(last, [&](int x, int y) { return y == 0 ? a.Colour(x, H - 1) : b.Colour(x, y - 1); }), 0);
    // Left to Right runs backwards with the pictures swapped.
    CTransitionRun right(kWipe, W, H, 6);
    right.Set("Push", 0);
    EXPECT_TRUE(right.Frame(5, a, b).SameColours(b));
}

TEST(Shutter, LastFrameIsEntirelyBForEverySizeAndBlend) {
    for (auto [w, h] : {std::pair{40, 30}, {33, 17}, {720, 576}, {7, 1}, {1, 5}}) {
        const STestPicture a = PictureA(w, h), b = PictureB(w, h);
        for (int blend : {20, 40, 80}) {
            for (int direction : {0, 1}) {
                for (int n : {2, 25}) {
                    CTransitionRun run(kShutter, w, h, n);
                    run.Set("BlendSize", blend);
                    run.Set("Direction", direction);
                    EXPECT_TRUE(run.Frame(n - 1, a, b).SameColours(b))
                        << w << "x" << h << " b" << blend << " d" << direction << " n" << n;
                }
            }
        }
    }
}

TEST(Shutter, FirstFrameAlreadyMixesTheEdgesTowardB) {
    const STestPicture a = Solid(20, 10, 0, 0, 0), b = Solid(20, 10, 255, 255, 255);
    CTransitionRun vertical(kShutter, 20, 10, 25);
    vertical.Set("Direction", 1);
    STestPicture d = vertical.Frame(0, a, b);
    // k = 255/(2·40) = 3: plus-composite 0·252/255 + 255·3/255.
    EXPECT_EQ(d.Colour(5, 0)[0], 3);
    EXPECT_EQ(d.Colour(5, 9)[0], 3);
    EXPECT_EQ(d.Colour(5, 1)[0], 0);
    CTransitionRun horizontal(kShutter, 20, 10, 25);
    d = horizontal.Frame(0, a, b);
    // The same k as a byte blend: 255·3 >> 8.
    EXPECT_EQ(d.Colour(0, 4)[1], 2);
    EXPECT_EQ(d.Colour(19, 4)[1], 2);
    EXPECT_EQ(d.Colour(1, 4)[1], 0);
}

TEST(Polygon, FrameZeroShowsTheFirstPictureForAnySideCount) {
    const STestPicture a = PictureA(64, 48), b = PictureB(64, 48);
    for (int sides : {3, 9}) {
        CTransitionRun backward(kPolygon, 64, 48, 10);
        backward.Set("Direction", 0);
        backward.Set("Sides", sides);
        EXPECT_TRUE(backward.Frame(0, a, b).SameColours(a)) << sides;
        CTransitionRun forward(kPolygon, 64, 48, 10);
        forward.Set("Sides", sides);
        EXPECT_TRUE(forward.Frame(9, a, b).SameColours(b)) << sides;
    }
}

TEST(Polygon, ChangingTheSideCountRebuildsItsTables) {
    const STestPicture a = PictureA(64, 48), b = PictureB(64, 48);
    CTransitionRun reused(kPolygon, 64, 48, 10), fresh9(kPolygon, 64, 48, 10), fresh3(kPolygon, 64, 48, 10);
    reused.Set("Sides", 3);
    fresh3.Set("Sides", 3);
    fresh9.Set("Sides", 9);
    const STestPicture three = reused.Frame(6, a, b);
    EXPECT_TRUE(three.SameColours(fresh3.Frame(6, a, b)));
    reused.Set("Sides", 9);
    const STestPicture nine = reused.Frame(6, a, b);
    EXPECT_TRUE(nine.SameColours(fresh9.Frame(6, a, b)));
    EXPECT_FALSE(nine.SameColours(three));
}
