// Transitions a template stretches over millions of frames. Their formulas
// scale the frame number by a side, a grain or 255 and divide by the frame
// count, so frame i of n frames equals frame j of a short run of m frames
// whenever i/(n − 1) = j/(m − 1) (both quotients truncate alike). Comparing a
// long run with a short one at such frames finds products that pass 2^31.
// Shutter and Circle work in reals and are left out: their long and short
// runs may round differently by one pixel.
#include "tests/plugins/transfx/TransitionFixture.h"

#include <gtest/gtest.h>

#include <climits>
#include <utility>
#include <vector>

namespace {

enum : int {
    kFade = 0,
    kBlur = 3,
    kContrast = 7,
    kPolygon = 19,
    kSpeckle = 24,
    kWipe = 32,
    kZoom = 34,
};

using SParams = std::vector<std::pair<const char*, int>>;

// Frame `i` of n frames against frame `j` of m frames, same size, parameters
// and pictures.
void ExpectLikeShortRun(int index, const SParams& params, int w, int h, int n, int i, int m,
                        int j) {
    CTransitionRun longRun(index, w, h, n), shortRun(index, w, h, m);
    for (const auto& [key, value] : params) {
        longRun.Set(key, value);
        shortRun.Set(key, value);
    }
    const STestPicture a = PictureA(w, h), b = PictureB(w, h);
    EXPECT_TRUE(longRun.Frame(i, a, b).SameColours(shortRun.Frame(j, a, b)))
        << "transition " << index << ", frame " << i << " of " << n;
}

// The longest transition: n − 1 = 2^31 − 2 is even, so its middle frame is
// exactly half-way.
constexpr int kLongest = INT_MAX;
constexpr int kMiddle = (kLongest - 1) / 2;

} // namespace

TEST(LongTransitions, WipeAtTheLengthThatCorruptedTheHeap) {
    // 800 columns over 2,700,001 frames: i·(W − 1) passes 2^31 a third of the
    // way in. Frame 900,000 is a third of the way, frame 2,700,000 the last.
    for (int direction : {0, 1}) {
        for (int push : {0, 1}) {
            const SParams params{{"Direction", direction}, {"Push", push}};
            ExpectLikeShortRun(kWipe, params, 800, 2, 2700001, 900000, 4, 1);
            ExpectLikeShortRun(kWipe, params, 800, 2, 2700001, 2700000, 4, 3);
        }
    }
}

TEST(LongTransitions, EveryDirectionOfTheLongestWipe) {
    for (int direction : {0, 1, 2, 3}) {
        for (int push : {0, 1}) {
            const SParams params{{"Direction", direction}, {"Push", push}};
            ExpectLikeShortRun(kWipe, params, 24, 16, kLongest, kMiddle, 3, 1);
            ExpectLikeShortRun(kWipe, params, 24, 16, kLongest, kLongest - 1, 3, 2);
        }
    }
}

TEST(LongTransitions, FadeZoomAndPolygonHalfWayAndAtTheEnd) {
    const std::vector<std::pair<int, SParams>> cases = {
        {kFade, {{"FadeMode", 0}}},  {kFade, {{"FadeMode", 1}}},
        {kZoom, {{"Direction", 0}}}, {kZoom, {{"Direction", 1}}},
        {kPolygon, {{"Direction", 0}}}, {kPolygon, {{"Direction", 1}}},
    };
    for (const auto& [index, params] : cases) {
        ExpectLikeShortRun(index, params, 24, 16, kLongest, kMiddle, 3, 1);
        ExpectLikeShortRun(index, params, 24, 16, kLongest, kLongest - 1, 3, 2);
    }
}

TEST(LongTransitions, ContrastBlurAndSpeckleAtTheirNamedFrames) {
    // Contrast: c = n/2 is all grey and the last frame is the other picture
    // at full contrast, as frames 1 and 2 of three are.
    for (int mode : {0, 1}) {
        const SParams params{{"Mode", mode}};
        ExpectLikeShortRun(kContrast, params, 24, 16, kLongest, kLongest / 2, 3, 1);
        ExpectLikeShortRun(kContrast, params, 24, 16, kLongest, kLongest - 1, 3, 2);
        ExpectLikeShortRun(kContrast, params, 24, 16, kLongest, 0, 3, 0);
    }
    // Blur and Speckle start and end unblurred and unscattered (their phase
    // limits ⌊2n/3⌋ need 2n, which passes 2^31 here).
    ExpectLikeShortRun(kBlur, {}, 24, 16, kLongest, 0, 3, 0);
    ExpectLikeShortRun(kBlur, {}, 24, 16, kLongest, kLongest - 1, 3, 2);
    ExpectLikeShortRun(kSpeckle, {}, 40, 16, kLongest, 0, 4, 0);
    ExpectLikeShortRun(kSpeckle, {}, 40, 16, kLongest, kLongest - 1, 4, 3);
}

TEST(LongTransitions, StripCellAndCardTransitionsHalfWayAndAtTheEnd) {
    // Their progress is i·side/(n − 1) or i/(n − 1) in reals, and their
    // halves split at n/2, which is the middle frame here as it is frame 1 of
    // three. (Fly Cell, Confetti and Spin scale their motion with n itself.)
    const char* names[] = {"Blinds Plugin",    "Accordion Plugin", "DiagCells Plugin",
                           "FlipCells Plugin", "Door Plugin",      "Flip Plugin",
                           "FlyIn Plugin",     "RotateIn Plugin"};
    for (const char* name : names) {
        for (int direction : {0, 1}) {
            const SParams params{{"Direction", direction}};
            ExpectLikeShortRun(TransitionIndex(name), params, 40, 30, kLongest, kMiddle, 3, 1);
            ExpectLikeShortRun(TransitionIndex(name), params, 40, 30, kLongest, kLongest - 1, 3, 2);
        }
    }
}
