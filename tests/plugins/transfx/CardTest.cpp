// Pixel values of the card transitions at named frames, from their formulas.
// Frames are handed over top-down, so memory rows are picture rows.
#include "tests/plugins/transfx/TransitionFixture.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using SColour = std::array<int, 3>;
constexpr SColour kBlack{0, 0, 0};

} // namespace

TEST(Door, LeavesNarrowTowardTheirFreeEdges) {
    // 80 × 60, n = 5, i = 2: opening 40, leaves 20 wide, free edges 30 high,
    // span 40.
    const STestPicture a = PictureA(80, 60), b = PictureB(80, 60);
    CTransitionRun open(TransitionIndex("Door Plugin"), 80, 60, 5);
    STestPicture d = open.Frame(2, a, b);
    // The hinge column is A at full height.
    EXPECT_EQ(d.Colour(0, 0), a.Colour(0, 0));
    EXPECT_EQ(d.Colour(0, 59), a.Colour(0, 59));
    // Left leaf column 19: l = −30·19/20 = −28, top 14, 32 rows of A's
    // column 38; B above and below.
    EXPECT_EQ(d.Colour(19, 13), b.Colour(19, 13));
    EXPECT_EQ(d.Colour(19, 14), a.Colour(38, 0));
    EXPECT_EQ(d.Colour(19, 45), a.Colour(38, 58)); // row 31·60/32
    EXPECT_EQ(d.Colour(19, 46), b.Colour(19, 46));
    // The gap is B.
    EXPECT_EQ(d.Colour(40, 30), b.Colour(40, 30));
    // Right leaf: column 60 is its free edge (30 rows from 15, A's column
    // 40), column 79 its hinge side (58 rows from 1, A's column 78).
    EXPECT_EQ(d.Colour(60, 14), b.Colour(60, 14));
    EXPECT_EQ(d.Colour(60, 15), a.Colour(40, 0));
    EXPECT_EQ(d.Colour(79, 0), b.Colour(79, 0));
    EXPECT_EQ(d.Colour(79, 1), a.Colour(78, 0));
    // Close Door is the same drawing backwards with the pictures swapped.
    CTransitionRun close(TransitionIndex("Door Plugin"), 80, 60, 5);
    close.Set("Direction", 1);
    EXPECT_TRUE(close.Frame(2, b, a).SameColours(d));
}

TEST(Flip, LinesChangeLengthAcrossTheCollapsingExtent) {
    // Vertical, 40 × 30, n = 10, i = 4 (the last frame of the first half):
    // far length 20, near length 60, 3 lines at rows 13 … 15.
    const STestPicture a = PictureA(40, 30), b = PictureB(40, 30);
    CTransitionRun run(TransitionIndex("Flip Plugin"), 40, 30, 10);
    STestPicture d = run.Frame(4, a, b);
    EXPECT_EQ(d.Colour(5, 12), kBlack);
    // Line 0 is 60 long from −10: column 0 shows A's column 10·40/60.
    EXPECT_EQ(d.Colour(0, 13), a.Colour(6, 0));
    // Line 2 is 60 − 80/3 = 34 long from column 3, A's row 20. Its last
    // pixel, column 36, is drawn too (A's column 33·40/34).
    EXPECT_EQ(d.Colour(2, 15), kBlack);
    EXPECT_EQ(d.Colour(3, 15), a.Colour(0, 20));
    EXPECT_EQ(d.Colour(36, 15), a.Colour(38, 20));
    EXPECT_EQ(d.Colour(37, 15), kBlack);
    // Second half, i = 5: B with the opposite perspective, near length 20
    // and far length 60; still 3 lines. Line 0 is 20 long from column 10,
    // line 2 is 46 long from −3.
    d = run.Frame(5, a, b);
    EXPECT_EQ(d.Colour(9, 13), kBlack);
    EXPECT_EQ(d.Colour(10, 13), b.Colour(0, 0));
    EXPECT_EQ(d.Colour(0, 15), b.Colour(2, 20));
    // Horizontal collapses the columns the same way, with G = 30 and E = 40.
    CTransitionRun horizontal(TransitionIndex("Flip Plugin"), 40, 30, 10);
    horizontal.Set("Direction", 0);
    d = horizontal.Frame(4, a, b);
    // c = 40 + (4 − 40) = 4 lines at columns 18 … 21; line 0 is 45 long
    // from row −7: row 0 shows A's row 7·30/45 = 4, column 0.
    EXPECT_EQ(d.Colour(17, 10), kBlack);
    EXPECT_EQ(d.Colour(18, 0), a.Colour(0, 4));
    EXPECT_EQ(d.Colour(22, 10), kBlack);
}

TEST(FlyIn, TheCardTipsBackThenRecedesIntoALine) {
    // 40 × 40, n = 10: h = 5, l = 30.
    const STestPicture a = PictureA(40, 40), b = PictureB(40, 40);
    CTransitionRun run(TransitionIndex("FlyIn Plugin"), 40, 40, 10);
    run.Set("Direction", 0);
    // i = 2: top row t = 15, 25 rows, top width 25 from column 7.
    STestPicture d = run.Frame(2, a, b);
    EXPECT_EQ(d.Colour(20, 14), b.Colour(20, 14));
    EXPECT_EQ(d.Colour(6, 15), b.Colour(6, 15));
    EXPECT_EQ(d.Colour(7, 15), a.Colour(0, 0));
    EXPECT_EQ(d.Colour(31, 15), a.Colour(38, 0));
    EXPECT_EQ(d.Colour(32, 15), b.Colour(32, 15));
    // The bottom row is 25 + 15·24/25 = 39 wide from column 0, A's row 38.
    EXPECT_EQ(d.Colour(0, 39), a.Colour(0, 38));
    EXPECT_EQ(d.Colour(39, 39), b.Colour(39, 39));
    // i = 7: tw = 10, u = 13, widths 5 (top) and 20 (bottom) on rows 28 … 32.
    d = run.Frame(7, a, b);
    EXPECT_EQ(d.Colour(20, 27), b.Colour(20, 27));
    EXPECT_EQ(d.Colour(17, 28), a.Colour(0, 0));
    EXPECT_EQ(d.Colour(21, 28), a.Colour(32, 0));
    EXPECT_EQ(d.Colour(22, 28), b.Colour(22, 28));
    EXPECT_EQ(d.Colour(11, 32), a.Colour(0, 32));
    EXPECT_EQ(d.Colour(20, 33), b.Colour(20, 33));
}

TEST(RotateIn, ColumnsGrowTowardTheLongEdge) {
    // 40 × 30, n = 5, i = 2: card 20 wide from column 10, short edge 22
    // rows, long edge 30.
    const STestPicture a = PictureA(40, 30), b = PictureB(40, 30);
    CTransitionRun anti(TransitionIndex("RotateIn Plugin"), 40, 30, 5);
    anti.Set("Direction", 0);
    STestPicture d = anti.Frame(2, a, b);
    EXPECT_EQ(d.Colour(9, 0), a.Colour(9, 0));
    EXPECT_EQ(d.Colour(10, 3), a.Colour(10, 3));
    EXPECT_EQ(d.Colour(10, 4), b.Colour(0, 0));
    EXPECT_EQ(d.Colour(10, 25), b.Colour(0, 28)); // 30·21/22
    EXPECT_EQ(d.Colour(10, 26), a.Colour(10, 26));
    // Column 29 (k = 19): 22 + 8·19/20 = 29 rows from 0, B's column 38.
    EXPECT_EQ(d.Colour(29, 0), b.Colour(38, 0));
    EXPECT_EQ(d.Colour(29, 28), b.Colour(38, 28));
    EXPECT_EQ(d.Colour(29, 29), a.Colour(29, 29));
    EXPECT_EQ(d.Colour(30, 5), a.Colour(30, 5));
    // Clockwise puts the long edge on the left.
    CTransitionRun clockwise(TransitionIndex("RotateIn Plugin"), 40, 30, 5);
    d = clockwise.Frame(2, a, b);
    EXPECT_EQ(d.Colour(10, 0), b.Colour(0, 0));
    EXPECT_EQ(d.Colour(29, 3), a.Colour(29, 3));
}

TEST(Spin, TurnsTwiceInTransitionsUnderFiftyFramesAndMoreInLongerOnes) {
    // A third of the way (t = 1/3) the picture is magnified 9 times and
    // turned by (sin(−π/6) + 1)·T·2π = T·π: a half turn for T = 1 and 3,
    // a whole one for T = 2. T = n/25, at least 1.
    const STestPicture a = PictureA(60, 40), b = PictureB(60, 40);
    auto third = [&](int n) {
        CTransitionRun run(TransitionIndex("Spin Plugin"), 60, 40, n);
        return run.Frame((n - 1) / 3, a, b);
    };
    const STestPicture t1 = third(25);
    EXPECT_TRUE(third(49).SameColours(t1));  // T = 1
    EXPECT_TRUE(third(76).SameColours(t1));  // T = 3: three half turns
    EXPECT_FALSE(third(52).SameColours(t1)); // T = 2: a whole turn
    // The centre pixel stays where it is.
    EXPECT_EQ(t1.Colour(30, 20), a.Colour(30, 20));
    // The middle frame of an odd count is black.
    CTransitionRun odd(TransitionIndex("Spin Plugin"), 60, 40, 9);
    const STestPicture mid = odd.Frame(4, a, b);
    EXPECT_TRUE(mid.SameColours(Solid(60, 40, 0, 0, 0)));
}
