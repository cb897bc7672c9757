// The caption animations at named frames, with the fixture's geometry. With
// fraction −1 a caption of 3L frames has in, hold and out phases of L frames.
#include "plugins/titlefx/Catalogue.h"
#include "plugins/titlefx/Random.h"
#include "tests/plugins/titlefx/CaptionFixture.h"

#include <gtest/gtest.h>

namespace {

// The effects of these tests, by internal name.
constexpr const char* kWipe = "Wipe";
constexpr const char* kFade = "Fade";
constexpr const char* kPopIn = "Popin";
constexpr const char* kPopOut = "Popout";
constexpr const char* kShake = "Shake";
constexpr const char* kStretch = "Stretch";
constexpr const char* kRotate = "Rotate";
constexpr const char* kTypewrite = "Typewrite";
constexpr const char* kSpin = "Spin";
constexpr const char* kElasticH = "ElasticH";
constexpr const char* kElasticV = "ElasticV";
constexpr const char* kScattered = "Scattered";
constexpr const char* kShiftLeft = "Shift Left";
constexpr const char* kShiftRight = "Shift Right";
constexpr const char* kShiftDown = "Shift Down";
constexpr const char* kShiftUp = "Shift Up";
constexpr const char* kCross = "Cross";
constexpr const char* kSplit = "Split";
constexpr const char* kShadowLeft = "Shadow Left";
constexpr const char* kScrollLeft = "Scroll Left";

// The C runtime's generator: its first number after seed, mod 20.
int FirstMod20(std::uint32_t seed) {
    return int(((seed * 214013u + 2531011u) >> 16) & 0x7FFF) % 20;
}

} // namespace

TEST(TitlefxString, FadeStretchSpinCross) {
    CCaption fade(kFade, 0, 30); // L = 10
    fade.Frame(0);
    EXPECT_DOUBLE_EQ(fade.log.at(0).t[5], 0.0);
    fade.Frame(9); // the last in frame and the first out frame are opaque
    ExpectTransform(fade.log.at(0).t, {1, 1, 0, 0, 0, 1});
    fade.Frame(20);
    EXPECT_DOUBLE_EQ(fade.log.at(0).t[5], 1.0);
    fade.Frame(29);
    EXPECT_DOUBLE_EQ(fade.log.at(0).t[5], 0.0);

    // L = 11: t = 5 is x = 0.5.
    CCaption stretch(kStretch, 0, 33), spin(kSpin, 0, 33), cross(kCross, 0, 33);
    stretch.Frame(5);
    ExpectTransform(stretch.log.at(0).t, {1.5, 1, 0, 0, 0, 0.5});
    spin.Frame(5); // 2x = 1 is not past half a turn
    ExpectTransform(spin.log.at(0).t, {0.625, 0.625, 0, 0, 1, 0.625});
    spin.Frame(8); // 2x = 1.6 is: 1.6 − 2
    ExpectTransform(spin.log.at(0).t, {0.85, 0.85, 0, 0, -0.4, 0.85});
    cross.Frame(5); // (W − left) ÷ W and −right ÷ W, halved
    ASSERT_EQ(cross.log.size(), 2u);
    ExpectTransform(cross.log[0].t, {1, 1, 0.4, 0, 0, 0.625});
    ExpectTransform(cross.log[1].t, {1, 1, -0.4, 0, 0, 0.625});
}

TEST(TitlefxString, ShiftIsQuadraticAndScrollLinear) {
    CCaption shift(kShiftLeft, 0, 33), scroll(kScrollLeft, 0, 33);
    shift.Frame(5); // x = 0.5; Left enters from (100 − 20) ÷ 100
    scroll.Frame(5);
    EXPECT_NEAR(shift.log.at(0).t[2], 0.8 * 0.25, 1e-12);
    EXPECT_NEAR(scroll.log.at(0).t[2], 0.8 * 0.5, 1e-12);
    shift.Frame(27); // out x = 0.5; Left leaves to −80 ÷ 100
    scroll.Frame(27);
    EXPECT_NEAR(shift.log.at(0).t[2], -0.8 * 0.25, 1e-12);
    EXPECT_NEAR(scroll.log.at(0).t[2], -0.8 * 0.5, 1e-12);

    // Entry at the first frame and exit at the last, in each direction.
    const struct {
        const char* name;
        double in[2], out[2];
    } cases[] = {{kShiftRight, {-0.8, 0}, {0.8, 0}},
                 {kShiftDown, {0, 30.0 / 50}, {0, -40.0 / 50}},
                 {kShiftUp, {0, -40.0 / 50}, {0, 30.0 / 50}}};
    for (const auto& k : cases) {
        CCaption c(k.name, 0, 33);
        c.Frame(0);
        ExpectTransform(c.log.at(0).t, {1, 1, k.in[0], k.in[1], 0, 1});
        c.Frame(32);
        ExpectTransform(c.log.at(0).t, {1, 1, k.out[0], k.out[1], 0, 1});
    }
}

TEST(TitlefxString, ShadowTrail) {
    CCaption c(kShadowLeft, 0, 60); // L = 20: copy i moves over frames i … i + 15
    c.Frame(0); // only copy 0 has started
    ASSERT_EQ(c.log.size(), 1u);
    ExpectTransform(c.log[0].t, {1, 1, 0.8, 0, 0, 1});
    c.Frame(14); // x < 0.75: the trail only
    EXPECT_EQ(c.log.size(), 6u);
    c.Frame(19); // copies 4 (at rest) and 5, then the string on top
    ASSERT_EQ(c.log.size(), 3u);
    ExpectTransform(c.log[0].t, {1, 1, 0, 0, 0, 0.5 + 2.0 / 12});
    ExpectTransform(c.log[1].t, {1, 1, 0.8 / 15, 0, 0, 0.5 + 1.0 / 12});
    ExpectTransform(c.log[2].t, {1, 1, 0, 0, 0, 1});
    c.Frame(50); // out t = 10: copy i at e = (10 − i) ÷ 15 towards −0.8
    ASSERT_EQ(c.log.size(), 6u);
    for (int i = 0; i < 6; ++i)
        ExpectTransform(c.log[std::size_t(i)].t,
                        {1, 1, -0.8 * (10 - i) / 15, 0, 0, 0.5 + (6.0 - i) / 12});
}

TEST(TitlefxString, WipeClearsTheHiddenColumnsOnly) {
    for (bool bottomUp : {false, true}) {
        CCaption c(kWipe, 0, 33); // L = 11
        STestTarget target{CCaption::W, CCaption::H, bottomUp};
        c.target = &target;
        auto frame = [&](int f) {
            std::fill(target.bytes.begin(), target.bytes.end(), std::uint8_t(7));
            EXPECT_EQ(c.Frame(f), 1);
        };
        frame(5); // edge 20 + 60·5 ÷ 10 = 50: columns 50 … 79 cleared
        EXPECT_EQ(target.At(49, 10)[0], 255);
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
    }
    // Without a target the string is still drawn; a rectangle reaching past
    // the frame is cleared only inside it.
    CCaption c(kWipe, 0, 33);
    EXPECT_EQ(c.Frame(5), 1);
    EXPECT_EQ(c.log.size(), 1u);
    STestTarget target{CCaption::W, CCaption::H, true};
    c.target = &target;
    c.string.box = {-10, 40, 120, 60};
    EXPECT_EQ(c.Frame(0), 1);
    EXPECT_EQ(target.At(0, 49)[0], 0);
    EXPECT_EQ(target.At(99, 40)[0], 0);
}

TEST(TitlefxChars, PerCharacterStepping) {
    // 4 characters, L = 21: s = 4. At t = 6, k = 1 and r = 2: character 0 at
    // P = 0.75 (r ÷ s = 0.5 into its second half), character 1 at P = 0.25.
    CCaption pop(kPopIn, 4, 63);
    pop.Frame(6);
    ASSERT_EQ(pop.log.size(), 2u);
    EXPECT_EQ(pop.log[0].glyph, 0);
    ExpectTransform(pop.log[0].t, {1.75, 1.75, 0, 0, 0, 0.75});
    ExpectTransform(pop.log[1].t, {3.25, 3.25, 0, 0, 0, 0.25});
    pop.Frame(56); // out t = 14 plays t = 6, walking from the last character
    ASSERT_EQ(pop.log.size(), 2u);
    EXPECT_EQ(pop.log[0].glyph, 3);
    EXPECT_EQ(pop.log[1].glyph, 2);
    pop.Frame(20); // t = L − 1: all at rest
    ASSERT_EQ(pop.log.size(), 4u);
    ExpectTransform(pop.log[3].t, {1, 1, 0, 0, 0, 1});

    CCaption popOut(kPopOut, 4, 63), rotate(kRotate, 4, 63);
    popOut.Frame(6);
    ExpectTransform(popOut.log.at(0).t, {3.25, 3.25, 0, 0, 0, 0.25});
    rotate.Frame(6);
    EXPECT_DOUBLE_EQ(rotate.log.at(0).t[4], 0.75);
    rotate.Frame(56); // out: 1 − P
    EXPECT_DOUBLE_EQ(rotate.log.at(0).t[4], 0.25);

    CCaption elasticH(kElasticH, 4, 63), elasticV(kElasticV, 4, 63);
    elasticH.Frame(6); // 4 − 3·0.5 and 0.5 + 3.5·0.5
    ExpectTransform(elasticH.log.at(0).t, {2.5, 1, 0, 0, 0, 1});
    ExpectTransform(elasticH.log.at(1).t, {2.25, 1, 0, 0, 0, 1});
    elasticV.Frame(56); // out: 1 + 3·0.5 and 4 − 3.5·0.5
    ExpectTransform(elasticV.log.at(0).t, {1, 2.5, 0, 0, 0, 1});
    ExpectTransform(elasticV.log.at(1).t, {1, 2.25, 0, 0, 0, 1});

    CCaption split(kSplit, 3, 33); // L = 11, s = 2.5
    split.Frame(1); // k = 0, g = 0.4; copies ± 0.4 × 20 ÷ 50
    ASSERT_EQ(split.log.size(), 3u);
    ExpectTransform(split.log[0].t, {1, 1, 0, 0, 0, 0.4});
    ExpectTransform(split.log[1].t, {1, 1, 0, 0.16, 0, 0.6});
    ExpectTransform(split.log[2].t, {1, 1, 0, -0.16, 0, 0.6});
    split.Frame(31); // out t = 9 plays t = 1, still from the first character
    EXPECT_EQ(split.log.at(0).glyph, 0);
}

TEST(TitlefxChars, TypewriteCharactersAndCursor) {
    CCaption c(kTypewrite, 3, 33); // L = 11: c = ⌊t · 5 ÷ 10⌋
    STestTarget target{CCaption::W, CCaption::H, true};
    c.target = &target;
    c.Frame(5); // characters 0 and 1, cursor under character 2
    ASSERT_EQ(c.log.size(), 2u);
    // Rows 28 and 29 of character 2's box from x = 60, 60 ÷ 3 wide: blue,
    // green, red of 0x00336699 and a zero fourth byte.
    for (int y : {28, 29})
        for (int x : {60, 79})
            EXPECT_EQ(std::vector<int>(target.At(x, y), target.At(x, y) + 4),
                      (std::vector<int>{0x33, 0x66, 0x99, 0}));
    EXPECT_EQ(target.At(60, 27)[0], 0);
    EXPECT_EQ(target.At(80, 29)[0], 0);

    std::fill(target.bytes.begin(), target.bytes.end(), std::uint8_t(0));
    c.Frame(6); // the last character arrives; no cursor any more
    ASSERT_EQ(c.log.size(), 3u);
    EXPECT_EQ(target.At(60, 28)[2], 255);

    c.Frame(27); // out t = 5: the string at (11 − 5 − 1) ÷ 10
    ExpectTransform(c.log.at(0).t, {1, 1, 0, 0, 0, 0.5});

    // The cursor of a character partly outside the frame stays inside it.
    std::fill(target.bytes.begin(), target.bytes.end(), std::uint8_t(0));
    c.glyphs[2]->box = {90, 40, 130, 60};
    c.Frame(5);
    EXPECT_EQ(target.At(90, 48)[1], 0x66);
    EXPECT_EQ(target.At(99, 49)[1], 0x66);
    EXPECT_EQ(target.At(89, 49)[1], 0);
}

TEST(TitlefxChars, ShakeJitterFromTheSeed) {
    CCaption c(kShake, 3, 30); // L = 10, s = 2.25
    titlefx::SeedRand(1234);
    c.Frame(15); // hold: all three characters
    ASSERT_EQ(c.log.size(), 3u);
    int a = FirstMod20(1234);
    for (const SDraw& d : c.log) {
        const int a7 = a * 7 % 20, b = a7 * 7;
        ExpectTransform(d.t, {1, 1, 0.001 * a - 0.01, 0.001 * a7 - 0.01, 0.001 * (b % 20) - 0.01, 1});
        a = (b % 20) * 7 % 20;
    }
    for (std::uint32_t seed = 0; seed < 200; ++seed) {
        titlefx::SeedRand(seed);
        c.Frame(15);
        for (const SDraw& d : c.log)
            for (std::size_t i = 2; i < 5; ++i)
                EXPECT_TRUE(d.t[i] >= -0.01 - 1e-12 && d.t[i] <= 0.009 + 1e-12);
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
    // Character 0 from (0.95 − 0.5, 0.59 − 0.5) to its rest (−0.2, 0.3), at P = 0.
    c.Frame(0);
    ASSERT_EQ(c.log.size(), 1u);
    ExpectTransform(c.log[0].t, {1, 1, 0.65, -0.21, 0, 0});
    EXPECT_EQ(titlefx::Rand() % 20, FirstMod20(234));
    c.Frame(5); // character 0 halfway; character 1 from (0.09, −0.41)
    ASSERT_EQ(c.log.size(), 2u);
    ExpectTransform(c.log[0].t, {1, 1, 0.325, -0.105, 0, 0.5});
    ExpectTransform(c.log[1].t, {1, 1, 0.09, -0.71, 0, 0});
    c.Frame(10); // character 2 from (−0.41, 0.13) to (0.2, 0.3)
    ExpectTransform(c.log.at(2).t, {1, 1, -0.61, -0.17, 0, 0});
    c.Frame(62); // out, last frame: the last character, back at its own point
    ASSERT_EQ(c.log.size(), 1u);
    EXPECT_EQ(c.log[0].glyph, 2);
    ExpectTransform(c.log[0].t, {1, 1, -0.61, -0.17, 0, 0});
}
