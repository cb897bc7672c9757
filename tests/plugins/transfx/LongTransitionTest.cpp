// Transitions a template stretches over millions of frames. Their formulas
// scale the frame number by a side, a grain or 255 and divide by the frame
// count, so frame i of n frames equals frame j of a short run of m frames
// whenever i/(n − 1) = j/(m − 1) (both quotients truncate alike). Comparing a
// long run with a short one at such frames finds products that pass 2^31.
// Shutter and Circle work in reals and are left out: their long and short
// runs may round differently by one pixel.
#include "plugins/transfx/Random.h"
#include "tests/plugins/transfx/TransitionFixture.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>
#include <vector>

namespace {

// The transitions of these tests, by internal name.
constexpr const char* kFade = "Fade Plugin";
constexpr const char* kBlur = "Blur Plugin";
constexpr const char* kContrast = "Contrast Plugin";
constexpr const char* kPolygon = "Polygon Plugin";
constexpr const char* kSpeckle = "Speckle Plugin";
constexpr const char* kWipe = "Wipe Plugin";
constexpr const char* kZoom = "Zoom Plugin";

using SParams = std::vector<std::pair<const char*, int>>;

// Frame `i` of n frames against frame `j` of m frames, same size, parameters
// and pictures.
void ExpectLikeShortRun(const char* name, const SParams& params, int w, int h, int n, int i, int m,
                        int j) {
    CTransitionRun longRun(name, w, h, n), shortRun(name, w, h, m);
    for (const auto& [key, value] : params) {
        longRun.Set(key, value);
        shortRun.Set(key, value);
    }
    const STestPicture a = PictureA(w, h), b = PictureB(w, h);
    EXPECT_TRUE(longRun.Frame(i, a, b).SameColours(shortRun.Frame(j, a, b)))
        << name << ", frame " << i << " of " << n;
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
    const std::vector<std::pair<const char*, SParams>> cases = {
        {kFade, {{"FadeMode", 0}}},  {kFade, {{"FadeMode", 1}}},
        {kZoom, {{"Direction", 0}}}, {kZoom, {{"Direction", 1}}},
        {kPolygon, {{"Direction", 0}}}, {kPolygon, {{"Direction", 1}}},
    };
    for (const auto& [name, params] : cases) {
        ExpectLikeShortRun(name, params, 24, 16, kLongest, kMiddle, 3, 1);
        ExpectLikeShortRun(name, params, 24, 16, kLongest, kLongest - 1, 3, 2);
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
            ExpectLikeShortRun(name, params, 40, 30, kLongest, kMiddle, 3, 1);
            ExpectLikeShortRun(name, params, 40, 30, kLongest, kLongest - 1, 3, 2);
        }
    }
}

namespace {

// Ripples and Trampoline simulate waves a step a frame, but at most 120 steps
// over a transition, so that a seek, which replays the steps, has a bounded
// cost: frame i of n > 121 frames shows step s = ⌊i·120/(n − 1)⌋, drawn as
// frame s of a run of 121 frames (Ripples fades with frame i's own fraction,
// so the two match where i/(n − 1) = s/120 exactly). Both runs start their
// drops from the same generator state.
std::vector<STestPicture> Frames(const char* name, int w, int h, int n,
                                 const std::vector<int>& order) {
    CTransitionRun run(TransitionIndex(name), w, h, n);
    transfx::SeedRand(41);
    return Sequence(run, order, PictureA(w, h), PictureB(w, h));
}

std::vector<STestPicture> AllFrames(const char* name, int w, int h, int n) {
    std::vector<int> all;
    for (int i = 0; i < n; ++i)
        all.push_back(i);
    return Frames(name, w, h, n, all);
}

} // namespace

TEST(LongTransitions, RipplesAndTrampolineSpread120StepsOverALongRun) {
    // 361 frames: frame 3s is step s, asked for out of order and repeated as
    // a preview seeks; Trampoline holds step s for frames 3s + 1 and 3s + 2.
    const std::vector<int> steps = {50, 1, 119, 60, 60, 2, 100, 7};
    for (const char* name : {"Ripples Plugin", "Trampoline Plugin"}) {
        const auto reference = AllFrames(name, 64, 48, 121);
        EXPECT_FALSE(reference[60].SameColours(reference[61])) << name;
        std::vector<int> order;
        for (int s : steps)
            order.push_back(3 * s);
        const auto sought = Frames(name, 64, 48, 361, order);
        for (std::size_t k = 0; k < steps.size(); ++k)
            EXPECT_TRUE(sought[k].SameColours(reference[std::size_t(steps[k])]))
                << name << ", frame " << order[k] << " of 361";
    }
    const auto reference = AllFrames("Trampoline Plugin", 64, 48, 121);
    const std::vector<int> held = {151, 152, 4, 359, 358, 200};
    const auto frames = Frames("Trampoline Plugin", 64, 48, 361, held);
    for (std::size_t k = 0; k < held.size(); ++k)
        EXPECT_TRUE(frames[k].SameColours(reference[std::size_t(held[k] / 3)]))
            << "frame " << held[k];
}

TEST(LongTransitions, RipplesAndTrampolineSeekFarIntoTheLongestRun) {
    // Frame kMiddle is step 60 exactly; the frame before the last is step 119.
    // Each seek runs at most 120 steps, not one per frame before it. Frames
    // of one pixel, one column and one row take the edge cases of the marks.
    for (auto [w, h] : {std::pair{64, 48}, std::pair{1, 1}, std::pair{1, 9}, std::pair{13, 2}}) {
        for (const char* name : {"Ripples Plugin", "Trampoline Plugin"}) {
            const auto reference = AllFrames(name, w, h, 121);
            const auto far =
                Frames(name, w, h, kLongest, {kMiddle, kLongest - 1, kMiddle, kLongest - 2});
            EXPECT_TRUE(far[0].SameColours(reference[60])) << name << " " << w << "x" << h;
            EXPECT_TRUE(far[1].SameColours(PictureB(w, h))) << name << " " << w << "x" << h;
            EXPECT_TRUE(far[2].SameColours(reference[60])) << name << " " << w << "x" << h;
            if (std::string(name) == "Trampoline Plugin") {
                EXPECT_TRUE(far[3].SameColours(reference[119])) << w << "x" << h;
            }
        }
    }
}
