// Pixel values of the strip and cell transitions at named frames, from their
// formulas. Frames are handed over top-down, so memory rows are picture rows.
#include "base/CrtRandom.h"
#include "plugins/transfx/Random.h"
#include "tests/plugins/transfx/TransitionFixture.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using SColour = std::array<int, 3>;
constexpr SColour kBlack{0, 0, 0};

// A colour byte multiplied by a shade in single precision and truncated.
SColour Shaded(const STestPicture& p, int x, int y, float shade) {
    SColour c = p.Colour(x, y);
    for (int& v : c)
        v = int(float(v) * shade);
    return c;
}

} // namespace

TEST(Blinds, StripsSqueezeTowardTheirCentresOneAfterTheOther) {
    // 80 columns, 8 blinds: strips of 10; 11 frames, so progress is i/10 and
    // strip k waits 0.5k/7.
    const STestPicture a = PictureA(80, 4), b = PictureB(80, 4);
    CTransitionRun run(TransitionIndex("Blinds Plugin"), 80, 4, 11);
    // i = 1, strip 0: g = 0.1, vw = trunc(10 − 10·4·0.1) = 6, margin 2:
    // columns 2 … 7 show A's columns p·10/6 = 0, 1, 3, 5, 6, 8.
    STestPicture d = run.Frame(1, a, b);
    EXPECT_EQ(d.Colour(1, 2), kBlack);
    EXPECT_EQ(d.Colour(2, 2), a.Colour(0, 2));
    EXPECT_EQ(d.Colour(5, 2), a.Colour(5, 2));
    EXPECT_EQ(d.Colour(7, 2), a.Colour(8, 2));
    EXPECT_EQ(d.Colour(8, 2), kBlack);
    // Strip 1: g = 0.1 − 0.0714 = 0.0286, vw = 8, margin 1; strip 2 waits.
    EXPECT_EQ(d.Colour(10, 0), kBlack);
    EXPECT_EQ(d.Colour(11, 0), a.Colour(10, 0));
    EXPECT_EQ(d.Colour(15, 0), a.Colour(15, 0));
    EXPECT_EQ(d.Colour(18, 0), a.Colour(18, 0));
    EXPECT_EQ(d.Colour(19, 0), kBlack);
    EXPECT_EQ(d.Colour(20, 0), a.Colour(20, 0));
    // i = 4, strip 0: g = 0.4 shows B with vw = trunc(40·0.15) = 6.
    d = run.Frame(4, a, b);
    EXPECT_EQ(d.Colour(3, 1), b.Colour(1, 1));
    EXPECT_EQ(d.Colour(7, 1), b.Colour(8, 1));
    // "Right to Left" is the same drawing backwards with the pictures swapped.
    CTransitionRun back(TransitionIndex("Blinds Plugin"), 80, 4, 11);
    back.Set("Direction", 1);
    EXPECT_TRUE(back.Frame(9, b, a).SameColours(run.Frame(1, a, b)));
}

TEST(Blinds, TheRemainderStripShowsBAtTheLastFrame) {
    // 720 columns with 7 blinds leave a 6-pixel strip at the right edge. It
    // turns with the last full strip, so it is B, not black, at the end.
    const STestPicture a = PictureA(720, 2), b = PictureB(720, 2);
    for (int direction : {0, 1}) {
        CTransitionRun run(TransitionIndex("Blinds Plugin"), 720, 2, 25);
        run.Set("Blinds", 7);
        run.Set("Direction", direction);
        EXPECT_TRUE(run.Frame(24, a, b).SameColours(b)) << direction;
        EXPECT_TRUE(run.Frame(0, a, b).SameColours(a)) << direction;
    }
}

TEST(Accordion, PleatsOnBothSidesOfTheFront) {
    // W = 60: o = 10, o/4 = 2; H = 20: 0.8H = 16; n = 11, i = 5: front
    // m = 30, old half-width w = 6, new v = 6, F = Dn = 18, both shades ½.
    const STestPicture a = PictureA(60, 20), b = PictureB(60, 20);
    CTransitionRun run(TransitionIndex("Accordion Plugin"), 60, 20, 11);
    run.Set("Direction", 0);
    const STestPicture d = run.Frame(5, a, b);
    // The front column is the old pleat's short, shaded edge: 18 rows from
    // row 1, A's column 0.
    EXPECT_EQ(d.Colour(30, 0), kBlack);
    EXPECT_EQ(d.Colour(30, 1), Shaded(a, 0, 0, 0.5f));
    EXPECT_EQ(d.Colour(30, 18), Shaded(a, 0, 18, 0.5f)); // source row 17·20/18
    EXPECT_EQ(d.Colour(30, 19), kBlack);
    // The old lit half starts at m + w = 36 with A's column 6·10/6 = 10 at
    // full height, and the pattern repeats every 2w = 12 columns, 20 picture
    // columns further.
    EXPECT_EQ(d.Colour(36, 0), a.Colour(10, 0));
    EXPECT_EQ(d.Colour(48, 7), a.Colour(30, 7));
    EXPECT_EQ(d.Colour(42, 1), Shaded(a, 20, 0, 0.5f));
    // Left of the front, B: the lit half of the last pleat at m − v = 24 with
    // B's column 49 at full height, the shaded half's column 29 with B's
    // column 57 from row 1. B's column 59 would sit at the front.
    EXPECT_EQ(d.Colour(24, 0), b.Colour(49, 0));
    EXPECT_EQ(d.Colour(29, 0), kBlack);
    EXPECT_EQ(d.Colour(29, 1), Shaded(b, 57, 0, 0.5f));
    // 12 columns left, 20 picture columns lower; row 5 shows row 4·20/18.
    EXPECT_EQ(d.Colour(17, 5), Shaded(b, 37, 4, 0.5f));
}

TEST(DiagCells, CellsShrinkAndGrowAroundTheirCentresAlongTheWave) {
    // 64 × 64 in cells of 8: the wave travels 14 + 16 = 30 pixels, so with
    // 31 frames the progress p equals the frame number. Cell phases are
    // p − corner·2/8 − 8, clamped to ±8.
    const STestPicture a = PictureA(64, 64), b = PictureB(64, 64);
    CTransitionRun run(TransitionIndex("DiagCells Plugin"), 64, 64, 31);
    run.Set("NumCells", 8);
    // p = 8: the first row and column of cells have phase 0 and are black.
    STestPicture d = run.Frame(8, a, b);
    EXPECT_EQ(d.Colour(3, 3), kBlack);
    EXPECT_EQ(d.Colour(3, 40), kBlack);
    // p = 4 at cell (4, 4): phases −12 → −8, the cell is A whole. Cell
    // (1, 1) has phase −6 and vw = 2: offset u shows (1 − u)·8/(−6), which
    // lies in the cell for u = 1 … 6, the cell's centre six pixels.
    d = run.Frame(4, a, b);
    EXPECT_EQ(d.Colour(36, 37), a.Colour(36, 37));
    EXPECT_EQ(d.Colour(8 + 0, 8 + 3), kBlack);
    EXPECT_EQ(d.Colour(8 + 1, 8 + 1), a.Colour(8 + 0, 8 + 0));
    EXPECT_EQ(d.Colour(8 + 3, 8 + 4), a.Colour(8 + 2, 8 + 4));
    EXPECT_EQ(d.Colour(8 + 6, 8 + 6), a.Colour(8 + 6, 8 + 6));
    EXPECT_EQ(d.Colour(8 + 7, 8 + 3), kBlack);
    // p = 10: cell (0, 0) grows with phase 2: column u shows 4(u − 3).
    d = run.Frame(10, a, b);
    EXPECT_EQ(d.Colour(3, 3), b.Colour(0, 0));
    EXPECT_EQ(d.Colour(4, 4), b.Colour(4, 4));
    EXPECT_EQ(d.Colour(2, 2), kBlack);
    // Cell (0, 7) has a growing column and a shrinking row: black.
    EXPECT_EQ(d.Colour(3, 60), kBlack);
}

TEST(FlipCells, ACellTurnsWithAShear) {
    // 40 × 40 in 4 × 4 cells of 10; δ = 0.5/7; n = 8, i = 1: cell (0, 0)
    // has g = 1/7 < 0.25, so A with vw = trunc(10 − 40/7) = 4, margin 3;
    // column 0 is even, so the shear is s = 3 − q·6/4.
    const STestPicture a = PictureA(40, 40), b = PictureB(40, 40);
    CTransitionRun run(TransitionIndex("FlipCells Plugin"), 40, 40, 8);
    run.Set("NumCells", 4);
    const STestPicture d = run.Frame(1, a, b);
    EXPECT_EQ(d.Colour(2, 5), kBlack);
    // q = 0: s = 3, cell column 0: rows 3 … 9 show rows 0 … 6.
    EXPECT_EQ(d.Colour(3, 2), kBlack);
    EXPECT_EQ(d.Colour(3, 3), a.Colour(0, 0));
    EXPECT_EQ(d.Colour(3, 9), a.Colour(0, 6));
    // q = 3: s = 3 − 4 = −1 (truncated 18/4), cell column 7: row 0 shows row 1.
    EXPECT_EQ(d.Colour(6, 0), a.Colour(7, 1));
    EXPECT_EQ(d.Colour(6, 9), kBlack);
    EXPECT_EQ(d.Colour(7, 5), kBlack);
    // Cell (0, 1) has g = 1/7 − δ = 1/14 and cell (3, 3) has not started.
    EXPECT_EQ(d.Colour(35, 35), a.Colour(35, 35));
}

TEST(FlyCell, TheLastCellFollowsItsDrawnPath) {
    // 80 × 60 in 4 × 3 cells of 20; Pattern 7; n = 9. Per row of cells the
    // generator gives the way out and one target, per cell the other target
    // and the flight length n/4 + rand() mod (n − n/4). The last cell is
    // drawn last, so nothing covers it.
    const int W = 80, H = 60, cw = 20, ch = 20, n = 9;
    std::uint32_t state = 7;
    int tx = 0, ty = 0, flight = 0;
    for (int R = 0; R < 3; ++R) {
        const bool sideways = CCrtRandom::Step(state) < 16384;
        if (sideways)
            ty = int(CCrtRandom::Step(state) * double(ch + H) / 32767 - ch);
        else
            ty = CCrtRandom::Step(state) < 16384 ? -ch : H;
        for (int K = 0; K < 4; ++K) {
            if (sideways)
                tx = CCrtRandom::Step(state) < 16384 ? -cw : W;
            else
                tx = int(CCrtRandom::Step(state) * double(cw + W) / 32767 - cw);
            flight = n / 4 + CCrtRandom::Step(state) % (n - n / 4);
        }
    }
    const int next = CCrtRandom::Step(state);
    const STestPicture a = PictureA(W, H), b = PictureB(W, H);
    CTransitionRun run(TransitionIndex("FlyCell Plugin"), W, H, n);
    run.Set("Pattern", 7);
    run.Set("Columns", 4);
    run.Set("Rows", 3);
    transfx::SeedRand(12345); // the frame reseeds; what came before does not matter
    const STestPicture d = run.Frame(1, a, b);
    // The generator goes on from the frame's last draw.
    EXPECT_EQ(transfx::Rand(), next);
    ASSERT_GE(flight, 2);
    const int x = 60 + (tx - 60) / flight, y = 40 + (ty - 40) / flight;
    int seen = 0;
    for (auto [dx, dy] : {std::pair{0, 0}, std::pair{5, 7}, std::pair{19, 19}}) {
        if (x + dx >= 0 && x + dx < W && y + dy >= 0 && y + dy < H) {
            ++seen;
            EXPECT_EQ(d.Colour(x + dx, y + dy), a.Colour(60 + dx, 40 + dy)) << dx << "," << dy;
        }
    }
    EXPECT_GT(seen, 0);
    // The same Pattern gives the same frame however the generator stood.
    transfx::SeedRand(1);
    EXPECT_TRUE(run.Frame(1, a, b).SameColours(d));
}

TEST(Confetti, TheLastCellDriftsTowardItsRandomPoint) {
    // 48 × 6: cells of 2, 24 × 3 of them, two draws each after seeding 234.
    // Mode "Away", n = 9, i = 1: f = 1, life = 8 − r₂ mod 2; the cell keeps
    // its size (2 − 1/life = 2 in integers) and moves 1/life of the way.
    const int W = 48, H = 6;
    std::uint32_t state = 234;
    int r1 = 0, r2 = 0;
    for (int cell = 0; cell < 72; ++cell) {
        r1 = CCrtRandom::Step(state);
        r2 = CCrtRandom::Step(state);
    }
    const int life = 8 - r2 % 2;
    const int x = 46 + (r1 % W - 46) / life, y = 4 + (r1 * H / 32767 - 4) / life;
    const STestPicture a = PictureA(W, H), b = PictureB(W, H);
    CTransitionRun run(TransitionIndex("Confetti Plugin"), W, H, 9);
    run.Set("Mode", 1);
    transfx::SeedRand(99);
    const STestPicture d = run.Frame(1, a, b);
    EXPECT_EQ(d.Colour(x, y), a.Colour(46, 4));
    if (x + 1 < W && y + 1 < H) {
        EXPECT_EQ(d.Colour(x + 1, y + 1), a.Colour(47, 5));
    }
    // Frames are the same whatever the generator drew before.
    transfx::SeedRand(5);
    EXPECT_TRUE(run.Frame(1, a, b).SameColours(d));
    // "Away and In" has no background: at its middle most of the frame is black.
    CTransitionRun both(TransitionIndex("Confetti Plugin"), W, H, 9);
    const STestPicture mid = both.Frame(4, a, b);
    int black = 0;
    for (int yy = 0; yy < H; ++yy)
        for (int xx = 0; xx < W; ++xx)
            black += mid.Colour(xx, yy) == kBlack;
    EXPECT_GT(black, W * H / 2);
}
