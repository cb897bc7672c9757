// The distortion, particle, film and solid transitions: exact ends in every
// direction, the noise tables they share, frame order for the simulations,
// tiny and odd frames (run under the sanitizers), and named frames.
#include "plugins/transfx/NoiseTables.h"
#include "plugins/transfx/Random.h"
#include "plugins/transfx/SineTable.h"
#include "tests/plugins/transfx/TransitionFixture.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

namespace {

using SCase = STransitionCase;

const SCase kFamilies[] = {
    {"Bulge Plugin", nullptr, 1},        {"Ripples Plugin", nullptr, 1},
    {"Trampoline Plugin", nullptr, 1},   {"Swirl Morph Plugin", "Direction", 2},
    {"Twist Plugin", "Direction", 2},    {"Warp Plugin", nullptr, 1},
    {"Water Plugin", nullptr, 1},        {"Wobble Plugin", nullptr, 1},
    {"Expansion Morph Plugin", "Direction", 2}, {"FireRing Plugin", nullptr, 1},
    {"Smoke Plugin", "Direction", 2},    {"Old Film Plugin", nullptr, 1},
    {"Spray Plugin", "Direction", 2},    {"Image Peel Plugin", "Direction", 2},
    {"Cube Flip Plugin", "Direction", 4},
};

std::string Describe(const SCase& c, int value, int w, int h, int n) {
    return std::string(c.name) + " " + std::to_string(value) + " " + std::to_string(w) + "x" +
           std::to_string(h) + " n=" + std::to_string(n);
}

// A grey ramp with some texture, so that displacements show.
STestPicture Texture(int w, int h) {
    return STestPicture(w, h, [](int x, int y) {
        return std::array<std::uint8_t, 4>{std::uint8_t(x * 5 + y), std::uint8_t(x ^ y),
                                           std::uint8_t(y * 3), 0};
    });
}

} // namespace

TEST(NoiseTables, AreTheMidpointDisplacementOfTheFirstDraws) {
    // Each table starts as zeros; for d = 256 … 2 every block of the d-grid,
    // row by row, sets its centre, its left midpoint (top row of blocks only),
    // its top midpoint (left column only), its bottom and its right midpoint,
    // each the mean of the two or four corners plus trunc(r/32767·x) − x/2
    // with x = b + a·d and r the next number of a generator started at 1;
    // the tables (4, 6), (4, 8), (5, 6) follow on one sequence. The sums and
    // FNV-1a hashes below were computed once by a separate script following
    // that procedure; a change of order, jitter or rounding changes them.
    const auto& t = transfx::NoiseTables().t;
    const unsigned long long sums[3] = {5513378, 4357713, 10075995};
    const std::uint32_t hashes[3] = {0xbd128f0bu, 0x3b4a2778u, 0xd5c1c270u};
    for (int k = 0; k < 3; ++k) {
        unsigned long long sum = 0;
        std::uint32_t hash = 2166136261u;
        for (const auto& row : t[k])
            for (std::uint8_t v : row) {
                sum += v;
                hash = (hash ^ v) * 16777619u;
            }
        EXPECT_EQ(sum, sums[k]) << k;
        EXPECT_EQ(hash, hashes[k]) << k;
    }
    EXPECT_EQ(t[0][17][200], 44);
    EXPECT_EQ(t[1][128][128], 206);
    // Building them leaves the thread's generator alone.
    transfx::SeedRand(5);
    transfx::NoiseTables();
    EXPECT_EQ(transfx::RandState(), 5u);
}

TEST(SineTable, RepeatsExactlyEveryTurn) {
    const CSineTable& s = CSineTable::Get();
    constexpr double turn = 2 * std::numbers::pi;
    for (double x : {0.0, 0.3, 1.0, 2.0, 3.0, 5.5})
        for (int k : {1, 2, 7, -3}) {
            EXPECT_EQ(s.Sin(x + k * turn), s.Sin(x)) << x << " " << k;
            EXPECT_EQ(s.Cos(x + k * turn), s.Cos(x)) << x << " " << k;
        }
}

TEST(Distortions, StartOnAAndEndOnBExactly) {
    for (const SCase& c : kFamilies)
        ExpectStartOnAAndEndOnB(c);
}

TEST(Distortions, StayInsideTinyOddFramesInAnyFrameOrder) {
    // Run under the address and undefined-behaviour sanitizers: the pictures
    // are exactly as large as the frame. Frames are asked for in order, then
    // out of order and repeated, as a preview seek does.
    for (const SCase& c : kFamilies) {
        const int index = TransitionIndex(c.name);
        for (auto [w, h] : {std::pair{1, 1}, std::pair{3, 2}, std::pair{2, 9}, std::pair{50, 3},
                            std::pair{13, 120}, std::pair{721, 577}}) {
            const STestPicture a = Texture(w, h), b = PictureB(w, h);
            const int n = w > 700 ? 5 : 9;
            for (int value = 0; value < c.values; ++value) {
                CTransitionRun run(index, w, h, n);
                if (c.key)
                    run.Set(c.key, value);
                std::vector<int> order;
                for (int i = 0; i < n; ++i)
                    order.push_back(i);
                for (int i : {n - 1, 0, 3, 3, 1, n / 2, n - 1, 0})
                    order.push_back(i);
                const auto frames = Sequence(run, order, a, b, value % 2 == 1);
                for (std::size_t k = 0; k < order.size(); ++k) {
                    if (order[k] == 0) {
                        EXPECT_TRUE(frames[k].SameColours(a)) << Describe(c, value, w, h, n) << " #" << k;
                    }
                    if (order[k] == n - 1) {
                        EXPECT_TRUE(frames[k].SameColours(b)) << Describe(c, value, w, h, n) << " #" << k;
                    }
                }
            }
        }
    }
}

TEST(Simulations, SameRequestsGiveTheSameFramesAndASeekBackRestarts) {
    const STestPicture a = Texture(160, 120), b = PictureB(160, 120);
    const std::vector<int> order = {0, 1, 2, 3, 3, 6, 2, 3, 4, 11, 0, 5};
    for (const char* name : {"Ripples Plugin", "Trampoline Plugin", "FireRing Plugin",
                             "Old Film Plugin", "Water Plugin", "Smoke Plugin", "Spray Plugin"}) {
        auto run = [&] {
            CTransitionRun r(TransitionIndex(name), 160, 120, 12);
            transfx::SeedRand(99);
            return Sequence(r, order, a, b);
        };
        const auto first = run(), second = run();
        for (std::size_t k = 0; k < order.size(); ++k)
            EXPECT_TRUE(first[k].SameColours(second[k])) << name << " #" << k;
    }
    // Ripples and Trampoline draw frame i from the simulation after i steps,
    // whatever was asked for before: a seek or a repeat gives the frame of
    // the run in order.
    for (const char* name : {"Ripples Plugin", "Trampoline Plugin"}) {
        CTransitionRun r(TransitionIndex(name), 160, 120, 12);
        std::vector<int> all;
        for (int i = 0; i < 12; ++i)
            all.push_back(i);
        transfx::SeedRand(7);
        const auto inOrder = Sequence(r, all, a, b);
        const std::vector<int> seeks = {5, 2, 9, 3, 3, 0, 7, 11};
        transfx::SeedRand(7);
        const auto sought = Sequence(r, seeks, a, b);
        for (std::size_t k = 0; k < seeks.size(); ++k)
            EXPECT_TRUE(sought[k].SameColours(inOrder[std::size_t(seeks[k])])) << name << " #" << k;
        EXPECT_FALSE(inOrder[3].SameColours(inOrder[4])) << name;
    }
    // Water, Smoke and Spray depend on the frame number alone.
    for (const char* name : {"Water Plugin", "Smoke Plugin", "Spray Plugin"}) {
        CTransitionRun r(TransitionIndex(name), 160, 120, 12);
        const auto f = Sequence(r, {5, 2, 5}, a, b);
        EXPECT_TRUE(f[0].SameColours(f[2])) << name;
    }
}

namespace {

STestPicture Mirrored(const STestPicture& p) {
    STestPicture m(p.w, p.h);
    for (int y = 0; y < p.h; ++y)
        for (int x = 0; x < p.w; ++x)
            std::memcpy(m.At(p.w - 1 - x, y), p.At(x, y), 4);
    return m;
}

STestPicture Transposed(const STestPicture& p) {
    STestPicture t(p.h, p.w);
    for (int y = 0; y < p.h; ++y)
        for (int x = 0; x < p.w; ++x)
            std::memcpy(t.At(y, x), p.At(x, y), 4);
    return t;
}

} // namespace

TEST(Distortions, RightToLeftIsTheMirrorImage) {
    // Spray, Image Peel and Expansion Morph draw "Right to Left" as the
    // mirror of "Left to Right" over mirrored pictures, frame for frame.
    const STestPicture a = Texture(90, 70), b = PictureB(90, 70);
    for (const char* name : {"Spray Plugin", "Image Peel Plugin", "Expansion Morph Plugin"}) {
        CTransitionRun left(TransitionIndex(name), 90, 70, 9), right(TransitionIndex(name), 90, 70, 9);
        right.Set("Direction", 1);
        for (int i : {2, 4, 6}) {
            const STestPicture d = right.Frame(i, a, b);
            EXPECT_TRUE(d.SameColours(Mirrored(left.Frame(i, Mirrored(a), Mirrored(b))))) << name << " " << i;
            EXPECT_FALSE(d.SameColours(a)) << name << " " << i;
        }
    }
}

TEST(CubeFlip, TurnsAboutEitherAxisAlike) {
    // On a square frame the vertical axis is the horizontal one transposed.
    const STestPicture a = Texture(48, 48), b = PictureB(48, 48);
    CTransitionRun rows(TransitionIndex("Cube Flip Plugin"), 48, 48, 12);
    CTransitionRun columns(TransitionIndex("Cube Flip Plugin"), 48, 48, 12);
    columns.Set("Direction", 2);
    for (int i : {1, 4, 6, 8}) {
        const STestPicture d = rows.Frame(i, a, b);
        EXPECT_TRUE(Transposed(columns.Frame(i, Transposed(a), Transposed(b))).SameColours(d)) << i;
    }
    // i = 6 of 12 (h = 6): near length 48 − 36/5 = 41, far 48 − 72/5 = 34,
    // c = 48 − 192/5 = 10 lines of A from row o = 144/5 = 28, and 38 lines
    // of B from row 28 upwards; B's first line covers A's on row 28.
    const STestPicture d = rows.Frame(6, a, b);
    const std::array<int, 3> black{0, 0, 0};
    EXPECT_EQ(d.Colour(3, 28), b.Colour(0, 47)); // 41 long from column 3
    EXPECT_EQ(d.Colour(2, 28), black);
    EXPECT_EQ(d.Colour(3, 29), a.Colour(0, 4));  // A's line 1·48/10
    EXPECT_EQ(d.Colour(3, 27), b.Colour(0, 46)); // B's line 47 − 48/38
    EXPECT_EQ(d.Colour(20, 38), black);          // below the outgoing face
    // B's line 28 lies on row 0: 41 − 196/38 = 36 long from column 6,
    // B's row 47 − 28·48/38 = 12.
    EXPECT_EQ(d.Colour(6, 0), b.Colour(0, 12));
    EXPECT_EQ(d.Colour(5, 0), black);
}

TEST(Smoke, DarkensOrLightensTheCrossFadeTowardItsLevel) {
    const STestPicture a = PictureA(64, 48), b = PictureB(64, 48);
    auto mean = [](const STestPicture& p) {
        long long sum = 0;
        for (std::uint8_t v : p.bytes)
            sum += v;
        return sum;
    };
    long long level[2];
    for (int k = 0; k < 2; ++k) {
        CTransitionRun run(TransitionIndex("Smoke Plugin"), 64, 48, 9);
        run.Set("Brightness", k * 255);
        level[k] = mean(run.Frame(4, a, b));
    }
    CTransitionRun fade(TransitionIndex("Fade Plugin"), 64, 48, 9);
    const long long plain = mean(fade.Frame(4, a, b));
    EXPECT_LT(level[0], plain);
    EXPECT_GT(level[1], plain);
}

TEST(OldFilm, IsSepiaAtTheMiddleFrame) {
    // n = 9, i = 4 = n/2: B, e = 0, an even frame, so sepia weight 1 and
    // colour weight 0. (100, 150, 200) has v = 117.76883: blue
    // trunc(v + 1.75), green trunc(v + 32.75), red trunc(v + 51.25). A jump
    // moves a solid picture onto itself; a scratch blackens one column at most.
    const STestPicture a = Solid(40, 30, 1, 2, 3), b = Solid(40, 30, 100, 150, 200);
    CTransitionRun run(TransitionIndex("Old Film Plugin"), 40, 30, 9);
    transfx::SeedRand(1);
    const STestPicture d = run.Frame(4, a, b);
    int sepia = 0;
    for (int x = 1; x < 39; ++x)
        sepia += d.Colour(x, 15) == std::array<int, 3>{119, 150, 169};
    EXPECT_GE(sepia, 37);
    // Frame 3 still shows the dark A, frame 5 B, each partly sepia (an odd
    // frame, flicker 0.85: B's blue trunc(119.52·0.6375 + 100·0.2125) = 97).
    EXPECT_LT(run.Frame(3, a, b).Colour(20, 15)[0], 10);
    EXPECT_EQ(run.Frame(5, a, b).Colour(20, 15)[0], 97);
}

TEST(Bulge, TheLensMagnifiesTheCentreAndFadesByTheSquareOfTime) {
    // 80 × 60, i = 2 of 5: t = 1/2, lens radius m = 40/8 = 5, weight
    // trunc(255/4) = 63; the square is 80 high from row f = −10. Row 30 is
    // the mirrored row of y = 39 (dy = −1). Column 40 is the mirror of
    // x = 39 (dx = −1), s = 5/√1598: no offset, source (40, 30), mirrored to
    // (39, 29). Column 32 (dx = −8): s = 5/√1535, offset trunc(−1.02) = −1,
    // source (39, 30), mirrored to (39, 29) too: eight-fold magnification.
    const STestPicture a = Texture(80, 60), b = PictureB(80, 60);
    CTransitionRun run(TransitionIndex("Bulge Plugin"), 80, 60, 5);
    const STestPicture d = run.Frame(2, a, b);
    const auto pa = a.Colour(39, 29), pb = b.Colour(39, 29);
    std::array<int, 3> expected{};
    for (std::size_t c = 0; c < 3; ++c)
        expected[c] = pa[c] + ((pb[c] - pa[c]) * 63 >> 8);
    EXPECT_EQ(d.Colour(40, 30), expected);
    EXPECT_EQ(d.Colour(32, 30), expected);
}
