// Glyph boxes that reach far beyond the frame: the edges and sizes taken
// from them are formed in 64 bits.
#include "tests/plugins/titlefx/CaptionFixture.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace {

// The effects of these tests, by internal name.
constexpr const char* kWipe = "Wipe";
constexpr const char* kTypewrite = "Typewrite";
constexpr const char* kSplit = "Split";

} // namespace

TEST(WideGlyphBoxes, WipeEdgeOfABoxWiderThanAnInt) {
    // The string's box runs from 100 − (2^31 − 1) to 2^31 − 1, so half-way
    // through the in phase (L = 3, t = 1) the edge is at column 50: columns
    // 50 … 99 are cleared and the rest of the painted rows stay.
    CCaption c(kWipe, 0, 9);
    STestTarget target{CCaption::W, CCaption::H, false};
    c.target = &target;
    c.string.box = {100 - INT_MAX, 10, INT_MAX, 30};
    EXPECT_EQ(c.Frame(1), 1);
    EXPECT_EQ(target.At(0, 15)[0], 255);
    EXPECT_EQ(target.At(49, 15)[0], 255);
    EXPECT_EQ(target.At(50, 15)[0], 0);
    EXPECT_EQ(target.At(99, 29)[3], 0);
}

TEST(WideGlyphBoxes, TypewriteCursorAndSplitOffsetOfHugeBoxes) {
    // A string box wider than an int shares out a wide cursor; it is cut to
    // the frame: two rows under the first character from its left edge.
    CCaption type(kTypewrite, 3, 30);
    STestTarget target{CCaption::W, CCaption::H, false};
    type.target = &target;
    type.string.box = {INT_MIN + 1, 10, INT_MAX, 30};
    std::fill(target.bytes.begin(), target.bytes.end(), std::uint8_t(7));
    EXPECT_EQ(type.Frame(0), 1);
    EXPECT_EQ(target.At(20, 28)[0], 0x33);
    EXPECT_EQ(target.At(99, 29)[0], 0x33);
    EXPECT_EQ(target.At(19, 29)[0], 7);
    EXPECT_EQ(target.At(20, 27)[0], 7);

    // Split: the copies stand a box height away at the start of a step; a
    // box taller than an int still gives a finite, positive offset.
    CCaption split(kSplit, 1, 30);
    split.glyphs[0]->box = {20, INT_MIN + 1, 40, INT_MAX};
    EXPECT_EQ(split.Frame(2), 1);
    ASSERT_EQ(split.log.size(), 3u);
    EXPECT_GT(split.log[1].t[3], 0.0);
    EXPECT_TRUE(std::isfinite(split.log[1].t[3]));
}
