// The mask rule frame by frame: thresholds, softness, directions, the order
// in which the mask is laid on the buffers, and the stretching to the frame.
#include "plugins/maskfx/FileMask.h"
#include "tests/plugins/maskfx/MaskFixture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

// A file mask of the given levels, at the frame size (so the levels reach the
// frame unscaled), set up for n frames.
struct SMaskRun {
    CTempDir dir;
    CFileMask mask;
    SMaskRun(int w, int h, int n, const std::function<int(int, int)>& level)
        : mask(dir.WriteFile("m.bmp", GreyBmp(w, h, level))) {
        mask.SetSize(w, h);
        mask.SetFrameCount(n);
    }
};

// The frame threshold the rule gives frame i of n.
int Threshold(int i, int n) { return int(double(i) * 255 / (n - 1) + 0.5); }

} // namespace

// One frame pixel per mask level, every softness and a spread of frames,
// both directions: each pixel follows the rule exactly.
TEST(MaskRender, EveryLevelFollowsTheRuleAtEverySoftness) {
    constexpr int kW = 256, kH = 2, kFrames = 52;
    SMaskRun run(kW, kH, kFrames, [](int x, int y) { return y == 0 ? x : 255 - x; });
    ASSERT_EQ(run.mask.Failure(), "");
    const SMaskTestPicture a = MaskPictureA(kW, kH), b = MaskPictureB(kW, kH);
    for (int direction = 0; direction < 2; ++direction)
        for (int s = 0; s <= 10; ++s) {
            SetMaskParam(run.mask, "Direction", direction);
            SetMaskParam(run.mask, "Softness", s);
            for (int i : {0, 1, 7, 25, 26, 40, 50, 51}) {
                const SMaskTestPicture d = RenderMaskFrame(run.mask, i, a, b);
                const int e = direction == 0 ? Threshold(i, kFrames) : 255 - Threshold(i, kFrames);
                for (int y = 0; y < kH; ++y)
                    for (int x = 0; x < kW; ++x) {
                        const int level = y == 0 ? x : 255 - x;
                        const auto p = direction == 0 ? a.Pixel(x, y) : b.Pixel(x, y);
                        const auto q = direction == 0 ? b.Pixel(x, y) : a.Pixel(x, y);
                        ASSERT_EQ(d.Pixel(x, y), ExpectedMaskPixel(level, e, s, p, q))
                            << "direction " << direction << " softness " << s << " frame " << i
                            << " level " << level;
                    }
            }
        }
}

TEST(MaskRender, HardEdgeAtSoftnessZeroAndBlendFromTheStartAtTen) {
    constexpr int kFrames = 256; // the threshold of frame i is i
    SMaskRun run(3, 1, kFrames, [](int x, int) { return x == 0 ? 0 : x == 1 ? 128 : 255; });
    const SMaskTestPicture a = MaskPictureA(3, 1), b = MaskPictureB(3, 1);
    SetMaskParam(run.mask, "Softness", 0);
    EXPECT_EQ(RenderMaskFrame(run.mask, 127, a, b).Pixel(1, 0), a.Pixel(1, 0));
    EXPECT_EQ(RenderMaskFrame(run.mask, 128, a, b).Pixel(1, 0), b.Pixel(1, 0));

    SetMaskParam(run.mask, "Softness", 10);
    const SMaskTestPicture first = RenderMaskFrame(run.mask, 0, a, b);
    EXPECT_EQ(first.Pixel(0, 0), b.Pixel(0, 0)); // level 0 shows B from frame 0
    EXPECT_EQ(first.Pixel(1, 0)[3], 0);          // blended: the fourth byte is not written
    const SMaskTestPicture third = RenderMaskFrame(run.mask, 64, a, b);
    // Level 255 at e = 64: a quarter of the way, rounded down per byte.
    for (int c = 0; c < 3; ++c) {
        const int p = a.Pixel(2, 0)[std::size_t(c)], q = b.Pixel(2, 0)[std::size_t(c)];
        const int expected = (p * 255 + (q - p) * 64) / 255;
        EXPECT_EQ(third.Pixel(2, 0)[std::size_t(c)], expected);
        EXPECT_NE(expected, p);
        EXPECT_NE(expected, q);
    }
}

TEST(MaskRender, FirstAndLastFramesForwardAndBackward) {
    constexpr int kW = 5, kH = 2, kFrames = 25;
    SMaskRun run(kW, kH, kFrames, [](int x, int) { return x * 60; }); // 0, 60, … 240
    const SMaskTestPicture a = MaskPictureA(kW, kH), b = MaskPictureB(kW, kH);
    for (int s : {0, 5, 10}) {
        SetMaskParam(run.mask, "Softness", s);
        SetMaskParam(run.mask, "Direction", 0);
        const SMaskTestPicture first = RenderMaskFrame(run.mask, 0, a, b);
        const SMaskTestPicture last = RenderMaskFrame(run.mask, kFrames - 1, a, b);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                if (x == 0) {
                    EXPECT_EQ(first.Pixel(x, y), b.Pixel(x, y)) << "softness " << s;
                } else if (s < 10) {
                    EXPECT_EQ(first.Pixel(x, y), a.Pixel(x, y)) << "softness " << s;
                }
                EXPECT_EQ(last.Pixel(x, y), b.Pixel(x, y)) << "softness " << s;
            }
        SetMaskParam(run.mask, "Direction", 1);
        const SMaskTestPicture bFirst = RenderMaskFrame(run.mask, 0, a, b);
        const SMaskTestPicture bLast = RenderMaskFrame(run.mask, kFrames - 1, a, b);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                EXPECT_EQ(bFirst.Pixel(x, y), a.Pixel(x, y)) << "softness " << s;
                if (x == 0) {
                    EXPECT_EQ(bLast.Pixel(x, y), a.Pixel(x, y)) << "softness " << s;
                } else if (s == 0) {
                    EXPECT_EQ(bLast.Pixel(x, y), b.Pixel(x, y));
                }
            }
    }
}

// The mask is read in the buffers' memory order: with top-down buffers it
// lies on the picture as stored; with bottom-up buffers, read from its last
// byte backwards, it stands upright but mirrored left to right.
TEST(MaskRender, MaskOrderFollowsTheBuffersMemoryOrder) {
    constexpr int kW = 4, kH = 3, kFrames = 256;
    // Only the top-left pixel of the mask is dark.
    SMaskRun run(kW, kH, kFrames, [](int x, int y) { return x == 0 && y == 0 ? 0 : 200; });
    SetMaskParam(run.mask, "Softness", 0);
    const SMaskTestPicture a = MaskPictureA(kW, kH), b = MaskPictureB(kW, kH);
    auto darkPixels = [&](bool bottomUp) {
        const SMaskTestPicture d = RenderMaskFrame(run.mask, 100, a, b, bottomUp);
        std::vector<std::pair<int, int>> shown;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                if (d.Pixel(x, y) == b.Pixel(x, y))
                    shown.emplace_back(x, y);
        return shown;
    };
    EXPECT_EQ(darkPixels(false), (std::vector<std::pair<int, int>>{{0, 0}}));
    EXPECT_EQ(darkPixels(true), (std::vector<std::pair<int, int>>{{kW - 1, 0}}));
}

// A mask of another size is stretched to the frame on each axis by its own
// factor: a square becomes as wide and as tall a share of the frame.
TEST(MaskRender, MasksAreStretchedNonUniformly) {
    CTempDir dir;
    // 256 × 256, the top-left quarter black, the rest white.
    CFileMask mask(dir.WriteFile("square.bmp", GreyBmp(256, 256, [](int x, int y) {
                                     return x < 128 && y < 128 ? 0 : 255;
                                 })));
    mask.SetSize(720, 576);
    const std::vector<std::uint8_t>& scaled = mask.ScaledMask();
    ASSERT_EQ(scaled.size(), std::size_t(720) * 576);
    auto at = [&](int x, int y) { return scaled[std::size_t(y) * 720 + std::size_t(x)]; };
    EXPECT_EQ(at(0, 0), 0);
    EXPECT_EQ(at(356, 284), 0);  // the quarter reaches half the frame each way
    EXPECT_EQ(at(364, 284), 255);
    EXPECT_EQ(at(356, 292), 255);
    EXPECT_EQ(at(719, 575), 255);

    // The same size again keeps the scaled mask; another size remakes it.
    const std::uint8_t* before = scaled.data();
    mask.SetSize(720, 576);
    EXPECT_EQ(mask.ScaledMask().data(), before);
    mask.SetSize(64, 32);
    ASSERT_EQ(mask.ScaledMask().size(), std::size_t(64) * 32);
    EXPECT_EQ(mask.ScaledMask()[std::size_t(15) * 64 + 31], 0);
    EXPECT_EQ(mask.ScaledMask()[std::size_t(16) * 64 + 32], 255);
}

TEST(MaskRender, RenderDrawsNothingItCannotServe) {
    SMaskRun run(4, 4, 10, [](int x, int) { return x * 60; });
    const SMaskTestPicture a = MaskPictureA(4, 4), b = MaskPictureB(4, 4);
    int status = 0;
    // Fewer than two frames, a frame past the end, no sources.
    run.mask.SetFrameCount(1);
    RenderMaskFrame(run.mask, 0, a, b, false, &status);
    EXPECT_EQ(status, 1);
    run.mask.SetFrameCount(10);
    RenderMaskFrame(run.mask, 10, a, b, false, &status);
    EXPECT_EQ(status, 1);
    SMaskTestPicture d(4, 4);
    EXPECT_EQ(run.mask.Render(0, d.bytes.data(), 16), 1);
    // After Reset nothing is sized: nothing is drawn until SetSize again.
    run.mask.Reset();
    run.mask.SetFrameCount(10);
    RenderMaskFrame(run.mask, 3, a, b, false, &status);
    EXPECT_EQ(status, 1);
    run.mask.SetSize(4, 4);
    RenderMaskFrame(run.mask, 3, a, b, false, &status);
    EXPECT_EQ(status, 0);
}
