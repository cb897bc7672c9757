// The caption animations at named frames. Expected values follow from the
// effect formulas with the fixture's geometry: frame 100 × 50, string box
// (20, 10)-(80, 30), character i box (20 + 20i, 10)-(40 + 20i, 30), rest
// position x = (30 + 20i − 50) ÷ 100, y = 0.3.
#include "plugins/titlefx/Catalogue.h"
#include "plugins/titlefx/Random.h"
#include "tests/plugins/titlefx/CaptionFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

constexpr double kEps = 1e-9;

enum {
    kWipe = 0, kFade = 1, kPopIn = 2, kPopOut = 3, kShake = 4, kStretch = 5, kScaleIn = 6,
    kRotate = 7, kTypewrite = 8, kSpin = 9, kElasticH = 10, kElasticV = 11, kScattered = 12,
    kShiftLeft = 13, kShiftRight = 14, kShiftDown = 15, kShiftUp = 16, kCross = 17,
    kSplit = 18, kShadowLeft = 19, kScrollLeft = 23, kScrollRight = 24,
};

void ExpectTransform(const STransform& t, std::array<double, 6> v) {
    EXPECT_NEAR(t.sx, v[0], kEps);
    EXPECT_NEAR(t.sy, v[1], kEps);
    EXPECT_NEAR(t.dx, v[2], kEps);
    EXPECT_NEAR(t.dy, v[3], kEps);
    EXPECT_NEAR(t.angle, v[4], kEps);
    EXPECT_NEAR(t.opacity, v[5], kEps);
}

// The C runtime's generator from a seed: the first number mod 20.
int FirstMod20(std::uint32_t seed) {
    seed = seed * 214013u + 2531011u;
    return int((seed >> 16) & 0x7FFF) % 20;
}

} // namespace

TEST(TitlefxString, FadeInAndOut) {
    CCaption c(kFade, 0, 30); // in and out of 10 frames
    c.Frame(0);
    EXPECT_NEAR(c.DrawsOf(-1).at(0).opacity, 0.0, kEps);
    c.Frame(9);
    ExpectTransform(c.DrawsOf(-1).at(0), {1, 1, 0, 0, 0, 1});
    c.Frame(15);
    ASSERT_EQ(c.log.size(), 1u);
    ExpectTransform(c.log[0].t, {1, 1, 0, 0, 0, 1});
    c.Frame(20);
    EXPECT_NEAR(c.DrawsOf(-1).at(0).opacity, 1.0, kEps);
    c.Frame(29);
    EXPECT_NEAR(c.DrawsOf(-1).at(0).opacity, 0.0, kEps);
}

TEST(TitlefxString, StretchSpinAndCross) {
    CCaption stretch(kStretch, 0, 33); // L = 11: t = 5 is x = 0.5
    stretch.Frame(5);
    ExpectTransform(stretch.log.at(0).t, {1.5, 1, 0, 0, 0, 0.5});

    CCaption spin(kSpin, 0, 33);
    spin.Frame(5); // 2x = 1 is not past half a turn
    ExpectTransform(spin.log.at(0).t, {0.625, 0.625, 0, 0, 1, 0.625});
    spin.Frame(8); // x = 0.8: angle 1.6 − 2
    ExpectTransform(spin.log.at(0).t, {0.85, 0.85, 0, 0, -0.4, 0.85});

    CCaption cross(kCross, 0, 33);
    cross.Frame(5);
    ASSERT_EQ(cross.log.size(), 2u);
    ExpectTransform(cross.log[0].t, {1, 1, 0.8 * 0.5, 0, 0, 0.625});   // (W − left) ÷ W
    ExpectTransform(cross.log[1].t, {1, 1, -0.8 * 0.5, 0, 0, 0.625});  // −right ÷ W
}

TEST(TitlefxString, ShiftIsQuadraticAndScrollLinear) {
    CCaption shift(kShiftLeft, 0, 33), scroll(kScrollLeft, 0, 33);
    shift.Frame(5); // x = 0.5; Left enters with (100 − 20) ÷ 100
    scroll.Frame(5);
    EXPECT_NEAR(shift.log.at(0).t.dx, 0.8 * 0.25, kEps);
    EXPECT_NEAR(scroll.log.at(0).t.dx, 0.8 * 0.5, kEps);
    shift.Frame(27); // out x = 0.5; Left leaves with −80 ÷ 100
    scroll.Frame(27);
    EXPECT_NEAR(shift.log.at(0).t.dx, -0.8 * 0.25, kEps);
    EXPECT_NEAR(scroll.log.at(0).t.dx, -0.8 * 0.5, kEps);
    scroll.Frame(10);
    ExpectTransform(scroll.log.at(0).t, {1, 1, 0, 0, 0, 1});

    // Entry at the first frame and exit at the last, each direction.
    struct SCase {
        int index;
        double in[2], out[2];
    } cases[] = {{kShiftRight, {-0.8, 0}, {0.8, 0}},
                 {kShiftDown, {0, 30.0 / 50}, {0, (10.0 - 50) / 50}},
                 {kShiftUp, {0, (10.0 - 50) / 50}, {0, 30.0 / 50}},
                 {kScrollRight, {-0.8, 0}, {0.8, 0}}};
    for (const SCase& k : cases) {
        CCaption c(k.index, 0, 33);
        c.Frame(0);
        ExpectTransform(c.log.at(0).t, {1, 1, k.in[0], k.in[1], 0, 1});
        c.Frame(32);
        ExpectTransform(c.log.at(0).t, {1, 1, k.out[0], k.out[1], 0, 1});
    }
}

TEST(TitlefxString, ShadowTrail) {
    CCaption c(kShadowLeft, 0, 60); // L = 20, entering with dx 0.8, leaving with −0.8
    c.Frame(0); // only copy 0 has started
    ASSERT_EQ(c.log.size(), 1u);
    ExpectTransform(c.log[0].t, {1, 1, 0.8, 0, 0, 1});
    c.Frame(14); // x < 0.75: trail only (copies 0 … 5, windows [i, 15 + i])
    EXPECT_EQ(c.log.size(), 6u);
    c.Frame(19); // copies 4 (at rest) and 5, then the string on top
    ASSERT_EQ(c.log.size(), 3u);
    ExpectTransform(c.log[0].t, {1, 1, 0, 0, 0, 0.5 + 2.0 / 12});
    ExpectTransform(c.log[1].t, {1, 1, 0.8 / 15, 0, 0, 0.5 + 1.0 / 12});
    ExpectTransform(c.log[2].t, {1, 1, 0, 0, 0, 1});
    c.Frame(40); // out: copy 0 at rest
    ASSERT_EQ(c.log.size(), 1u);
    ExpectTransform(c.log[0].t, {1, 1, 0, 0, 0, 1});
    c.Frame(50); // out t = 10: copy i at e = (10 − i) ÷ 15
    ASSERT_EQ(c.log.size(), 6u);
    for (int i = 0; i < 6; ++i)
        ExpectTransform(c.log[std::size_t(i)].t,
                        {1, 1, -0.8 * (10 - i) / 15, 0, 0, 0.5 + (6.0 - i) / 12});
}

TEST(TitlefxString, WipeClearsTheHiddenColumnsOnly) {
    for (bool bottomUp : {false, true}) {
        CCaption c(kWipe, 0, 33); // L = 11
        STestTarget target(CCaption::W, CCaption::H, bottomUp);
        c.UseTarget(&target);
        auto frame = [&](int f) {
            std::fill(target.bytes.begin(), target.bytes.end(), std::uint8_t(7));
            EXPECT_EQ(c.Frame(f), 1);
        };
        frame(5); // edge 20 + 60·5 ÷ 10 = 50: columns 50 … 79 cleared
        EXPECT_EQ(target.At(49, 10)[0], 255);
        EXPECT_EQ(target.At(49, 29)[3], 255);
        EXPECT_EQ(target.At(50, 10)[0], 0);
        EXPECT_EQ(target.At(79, 29)[3], 0);
        EXPECT_EQ(target.At(80, 20)[0], 7);
        EXPECT_EQ(target.At(60, 9)[0], 7);
        EXPECT_EQ(target.At(60, 30)[0], 7);
        frame(10);
        EXPECT_EQ(target.At(79, 29)[0], 255);
        frame(27); // out: columns 20 … 49 cleared
        EXPECT_EQ(target.At(20, 10)[0], 0);
        EXPECT_EQ(target.At(49, 29)[0], 0);
        EXPECT_EQ(target.At(50, 29)[0], 255);
        EXPECT_EQ(target.At(19, 20)[0], 7);
    }
    // Without a target the string is still drawn; a drawn rectangle reaching
    // past the frame is cleared only inside it.
    CCaption c(kWipe, 0, 33);
    EXPECT_EQ(c.Frame(5), 1);
    EXPECT_EQ(c.log.size(), 1u);
    STestTarget target(CCaption::W, CCaption::H, true);
    c.UseTarget(&target);
    c.string.box = {-10, 40, 120, 60};
    EXPECT_EQ(c.Frame(0), 1);
    EXPECT_EQ(target.At(0, 49)[0], 0);
    EXPECT_EQ(target.At(99, 40)[0], 0);
}

TEST(TitlefxChars, PerCharacterSteppingAndFormulas) {
    // 4 characters, L = 21: s = 4. At t = 6, k = 1 and r = 2: character 0 at
    // P = 0.75 (r ÷ s = 0.5 in its second half), character 1 at P = 0.25.
    CCaption pop(kPopIn, 4, 63);
    pop.Frame(6);
    ASSERT_EQ(pop.log.size(), 2u);
    EXPECT_EQ(pop.log[0].glyph, 0);
    ExpectTransform(pop.log[0].t, {1.75, 1.75, 0, 0, 0, 0.75});
    EXPECT_EQ(pop.log[1].glyph, 1);
    ExpectTransform(pop.log[1].t, {3.25, 3.25, 0, 0, 0, 0.25});
    pop.Frame(56); // out t = 14 plays t = 6 backwards from the last character
    ASSERT_EQ(pop.log.size(), 2u);
    EXPECT_EQ(pop.log[0].glyph, 3);
    EXPECT_EQ(pop.log[1].glyph, 2);
    EXPECT_NEAR(pop.log[1].t.opacity, 0.25, kEps);
    pop.Frame(20); // t = L − 1: all at rest
    ASSERT_EQ(pop.log.size(), 4u);
    ExpectTransform(pop.log[3].t, {1, 1, 0, 0, 0, 1});
    pop.Frame(30); // hold: the string once
    ASSERT_EQ(pop.log.size(), 1u);
    EXPECT_EQ(pop.log[0].glyph, -1);

    CCaption popOut(kPopOut, 4, 63);
    popOut.Frame(6);
    ExpectTransform(popOut.log.at(0).t, {3.25, 3.25, 0, 0, 0, 0.25});
    ExpectTransform(popOut.log.at(1).t, {1.75, 1.75, 0, 0, 0, 0.75});

    CCaption scale(kScaleIn, 4, 63);
    scale.Frame(6);
    ExpectTransform(scale.log.at(0).t, {0.75, 0.75, 0, 0, 0, 0.75});

    CCaption rotate(kRotate, 4, 63);
    rotate.Frame(6);
    EXPECT_NEAR(rotate.log.at(0).t.angle, 0.75, kEps);
    rotate.Frame(56); // out: 1 − P
    EXPECT_NEAR(rotate.log.at(0).t.angle, 0.25, kEps);
    EXPECT_NEAR(rotate.log.at(1).t.angle, 0.75, kEps);

    CCaption elasticH(kElasticH, 4, 63), elasticV(kElasticV, 4, 63);
    elasticH.Frame(6); // r ÷ s = 0.5: 4 − 1.5 and 0.5 + 1.75
    ExpectTransform(elasticH.log.at(0).t, {2.5, 1, 0, 0, 0, 1});
    ExpectTransform(elasticH.log.at(1).t, {2.25, 1, 0, 0, 0, 1});
    elasticV.Frame(56); // out: 1 + 1.5 and 4 − 1.75, from the last character
    EXPECT_EQ(elasticV.log.at(0).glyph, 3);
    ExpectTransform(elasticV.log.at(0).t, {1, 2.5, 0, 0, 0, 1});
    ExpectTransform(elasticV.log.at(1).t, {1, 2.25, 0, 0, 0, 1});
}

TEST(TitlefxChars, SplitStepsFromTheFirstInBothPhases) {
    CCaption c(kSplit, 3, 33); // L = 11, s = 2.5
    c.Frame(1); // k = 0, g = 0.4; copies ± 0.4 × 20 ÷ 50
    ASSERT_EQ(c.log.size(), 3u);
    ExpectTransform(c.log[0].t, {1, 1, 0, 0, 0, 0.4});
    ExpectTransform(c.log[1].t, {1, 1, 0, 0.16, 0, 0.6});
    ExpectTransform(c.log[2].t, {1, 1, 0, -0.16, 0, 0.6});
    c.Frame(3); // k = 1, g = 0.2: character 0 at rest
    ASSERT_EQ(c.log.size(), 4u);
    ExpectTransform(c.log[0].t, {1, 1, 0, 0, 0, 1});
    EXPECT_EQ(c.log[1].glyph, 1);
    c.Frame(31); // out t = 9 plays t = 1: still character 0
    ASSERT_EQ(c.log.size(), 3u);
    EXPECT_EQ(c.log[0].glyph, 0);
}

TEST(TitlefxChars, TypewriteCharactersAndCursor) {
    CCaption c(kTypewrite, 3, 33); // L = 11: c = ⌊t · 5 ÷ 10⌋
    STestTarget target(CCaption::W, CCaption::H, true);
    c.UseTarget(&target);
    c.Frame(5); // characters 0 and 1, cursor under character 2
    ASSERT_EQ(c.log.size(), 2u);
    EXPECT_EQ(c.log[1].glyph, 1);
    // Rows 28 and 29 of character 2's box, from x = 60, 60 ÷ 3 = 20 wide:
    // blue, green, red of 0x00336699 and a zero fourth byte.
    for (int y : {28, 29})
        for (int x : {60, 79}) {
            const std::uint8_t* p = target.At(x, y);
            EXPECT_EQ((std::array<int, 4>{p[0], p[1], p[2], p[3]}),
                      (std::array<int, 4>{0x33, 0x66, 0x99, 0}))
                << x << "," << y;
        }
    EXPECT_EQ(target.At(60, 27)[0], 0);
    EXPECT_EQ(target.At(80, 29)[0], 0);

    std::fill(target.bytes.begin(), target.bytes.end(), std::uint8_t(0));
    c.Frame(6); // the last character arrives; no cursor any more
    ASSERT_EQ(c.log.size(), 3u);
    EXPECT_EQ(target.At(60, 28)[2], 255);
    c.Frame(10);
    EXPECT_EQ(c.log.size(), 3u);

    c.Frame(27); // out t = 5: the string at (11 − 5 − 1) ÷ 10
    ASSERT_EQ(c.log.size(), 1u);
    ExpectTransform(c.log[0].t, {1, 1, 0, 0, 0, 0.5});
    c.Frame(32);
    EXPECT_NEAR(c.log.at(0).t.opacity, 0.0, kEps);

    // A cursor for a character partly outside the frame stays inside it.
    std::fill(target.bytes.begin(), target.bytes.end(), std::uint8_t(0));
    c.glyphs[2]->box = {90, 40, 130, 60};
    c.Frame(5);
    EXPECT_EQ(target.At(90, 48)[1], 0x66);
    EXPECT_EQ(target.At(99, 49)[1], 0x66);
    EXPECT_EQ(target.At(89, 49)[1], 0);
}

TEST(TitlefxChars, ShakeJitterFromTheSeed) {
    CCaption c(kShake, 3, 30); // L = 10, s = 2.25
    // Hold: all three characters, from a = first number mod 20 of the seed.
    titlefx::SeedRand(1234);
    c.Frame(15);
    ASSERT_EQ(c.log.size(), 3u);
    int a = FirstMod20(1234);
    for (int i = 0; i < 3; ++i) {
        const int a7 = a * 7 % 20, b = a7 * 7;
        EXPECT_EQ(c.log[std::size_t(i)].glyph, i);
        ExpectTransform(c.log[std::size_t(i)].t,
                        {1, 1, 0.001 * a - 0.01, 0.001 * a7 - 0.01, 0.001 * (b % 20) - 0.01, 1});
        a = (b % 20) * 7 % 20;
    }
    const std::vector<SDraw> first = c.log;
    titlefx::SeedRand(1234);
    c.Frame(15);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(c.log[i].t.dx, first[i].t.dx);

    // Every start value stays within [−0.01, 0.009].
    for (std::uint32_t seed = 0; seed < 200; ++seed) {
        titlefx::SeedRand(seed);
        c.Frame(15);
        for (const SDraw& d : c.log)
            for (double v : {d.t.dx, d.t.dy, d.t.angle}) {
                EXPECT_GE(v, -0.01 - kEps);
                EXPECT_LE(v, 0.009 + kEps);
            }
    }

    c.Frame(3); // in: characters 0 … ⌊3 ÷ 2.25⌋
    EXPECT_EQ(c.log.size(), 2u);
    c.Frame(20); // out t = 0: the walk back passes the first, all shake
    EXPECT_EQ(c.log.size(), 3u);
    c.Frame(25); // out t = 5: ⌊4 ÷ 2.25⌋ = 1 back from the last
    ASSERT_EQ(c.log.size(), 2u);
    EXPECT_EQ(c.log[0].glyph, 1);
    c.Frame(29); // out t = 9: the last character only
    ASSERT_EQ(c.log.size(), 1u);
    EXPECT_EQ(c.log[0].glyph, 2);
}

TEST(TitlefxChars, ScatteredStartPointsAndReseed) {
    CCaption c(kScattered, 3, 63); // L = 21, s = 5
    // Character 0 from (0.95 − 0.5, 0.59 − 0.5), rest (−0.2, 0.3), at P = 0.
    c.Frame(0);
    ASSERT_EQ(c.log.size(), 1u);
    ExpectTransform(c.log[0].t, {1, 1, 0.65, -0.21, 0, 0});
    // The generator was reseeded with 234.
    EXPECT_EQ(titlefx::Rand() % 20, FirstMod20(234));
    c.Frame(5); // k = 1: character 0 halfway, character 1 from (0.09, −0.41)
    ASSERT_EQ(c.log.size(), 2u);
    ExpectTransform(c.log[0].t, {1, 1, 0.325, -0.105, 0, 0.5});
    ExpectTransform(c.log[1].t, {1, 1, 0.09, -0.71, 0, 0});
    c.Frame(10); // character 2 from (−0.41, 0.13), rest (0.2, 0.3)
    ExpectTransform(c.log.at(2).t, {1, 1, -0.61, -0.17, 0, 0});
    // Out, last frame: the last character alone, returning to its own point.
    c.Frame(62);
    ASSERT_EQ(c.log.size(), 1u);
    EXPECT_EQ(c.log[0].glyph, 2);
    ExpectTransform(c.log[0].t, {1, 1, -0.61, -0.17, 0, 0});
}
