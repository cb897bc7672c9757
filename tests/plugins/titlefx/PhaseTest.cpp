// The module frame of titlefx: catalogue, common slots, phases, and what every
// effect does with short, empty or out-of-range captions.
#include "plugins/titlefx/Catalogue.h"
#include "tests/plugins/titlefx/CaptionFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace {

// Records the phase calls RenderText makes: (phase, t, length).
class CSpyEffect : public CTextEffect {
public:
    using SCall = std::tuple<int, int, int>;
    CSpyEffect() : CTextEffect(*titlefx::TextEffectInfo(TextEffectIndex("Fade"))) {}
    int RenderIn(int t, int L) override { return Record(t, L); }
    int RenderHold(int t, int L) override { return Record(t, L); }
    int RenderOut(int t, int L) override { return Record(t, L); }
    SCall At(int frame) {
        last = {9, -1, -1}; // nothing called
        RenderText(frame);
        return last;
    }

private:
    int Record(int t, int L) {
        last = {Phase(), t, L};
        return 1;
    }
    SCall last;
};

} // namespace

TEST(TitlefxCatalogue, NamesKindsAndCommonSlots) {
    const char* names[][2] = {
        {"Wipe", "Wipe"}, {"Fade", "Fade"}, {"Popin", "Pop-in"}, {"Popout", "Pop-out"},
        {"Shake", "Shake"}, {"Stretch", "Stretch"}, {"ScaleIn", "Scale-in"}, {"Rotate", "Rotate"},
        {"Typewrite", "Typewrite"}, {"Spin", "Spin"}, {"ElasticH", "Elastic Horizontal"},
        {"ElasticV", "Elastic Vertical"}, {"Scattered", "Scattered"}, {"Shift Left", ""},
        {"Shift Right", ""}, {"Shift Down", ""}, {"Shift Up", ""}, {"Cross", "Cross"},
        {"Split", "Split"}, {"Shadow Left", ""}, {"Shadow Right", ""}, {"Shadow Down", ""},
        {"Shadow Up", ""}, {"Scroll Left", ""}, {"Scroll Right", ""}, {"Scroll Down", ""},
        {"Scroll Up", ""}};
    const int perCharacter = 1 << 2 | 1 << 3 | 1 << 4 | 1 << 6 | 1 << 7 | 1 << 8 | 1 << 10 |
                             1 << 11 | 1 << 12 | 1 << 18;
    ASSERT_EQ(std::size(names), std::size_t(titlefx::TextEffectCount()));
    for (int i = 0; i < titlefx::TextEffectCount(); ++i) {
        CTextEffect* e = titlefx::CreateTextEffect(i);
        ASSERT_NE(e, nullptr) << i;
        char text[260];
        e->GetName(text, sizeof text);
        EXPECT_STREQ(text, names[i][0]);
        e->GetDisplayName(text, sizeof text);
        EXPECT_STREQ(text, *names[i][1] ? names[i][1] : names[i][0]);
        EXPECT_EQ(e->GetType(), kEffectText);
        EXPECT_EQ(e->IsPerCharacter(), (perCharacter >> i) & 1) << names[i][0];
        int count = -1;
        EXPECT_EQ(e->GetParams(&count), nullptr);
        EXPECT_EQ(count, 0);
        EXPECT_EQ(e->GetIcon(), nullptr);
        EXPECT_EQ(e->Render(0, nullptr, 0), 1);
        e->Destroy();
    }
    EXPECT_EQ(titlefx::CreateTextEffect(-1), nullptr);
    EXPECT_EQ(titlefx::CreateTextEffect(27), nullptr);

    // A short buffer gets the name cut and terminated; Reset forgets size,
    // frames and glyphs.
    CCaption c("Shadow Left", 2, 30);
    char shortText[5] = {'x', 'x', 'x', 'x', 'x'};
    c.effect->GetName(shortText, 5);
    EXPECT_STREQ(shortText, "Shad");
    c.effect->Reset();
    int w = -1, h = -1;
    c.effect->GetSize(&w, &h);
    EXPECT_EQ(w + h + c.effect->GetFrameCount() + c.effect->CharacterCount(), 0);
    EXPECT_EQ(c.Frame(0), 1);
    EXPECT_TRUE(c.log.empty());
}

TEST(TitlefxPhases, InHoldAndOutLengths) {
    using S = CSpyEffect::SCall;
    CSpyEffect e;
    e.SetFrameCount(30); // fraction −1: d = 30 / 3 = 10, hold 10
    EXPECT_EQ(e.At(9), S(1, 9, 10));
    EXPECT_EQ(e.At(10), S(0, 0, 10));
    EXPECT_EQ(e.At(19), S(0, 9, 10));
    EXPECT_EQ(e.At(20), S(-1, 0, 10));
    EXPECT_EQ(e.At(29), S(-1, 9, 10));
    EXPECT_EQ(e.At(30), S(9, -1, -1)); // outside the caption: nothing
    EXPECT_EQ(e.At(-1), S(9, -1, -1));

    e.SetInOutFraction(0.2); // d = (int)6.0
    EXPECT_EQ(e.At(6), S(0, 0, 18));
    EXPECT_EQ(e.At(24), S(-1, 0, 6));

    // 5 frames at 0.33: d = (int)1.65 = 1 < 2, so every frame is hold.
    e.SetFrameCount(5);
    e.SetInOutFraction(0.33);
    for (int f = 0; f < 5; ++f)
        EXPECT_EQ(e.At(f), S(0, f, 5));

    // More than half each for in and out: they share the caption, and the out
    // phase still starts at its first frame.
    e.SetFrameCount(30);
    e.SetInOutFraction(0.8);
    EXPECT_EQ(e.At(14), S(1, 14, 15));
    EXPECT_EQ(e.At(15), S(-1, 0, 15));
    e.SetInOutFraction(1e300);
    EXPECT_EQ(e.At(29), S(-1, 14, 15));

    e.SetFrameCount(0);
    EXPECT_EQ(e.At(0), S(9, -1, -1));
    e.SetFrameCount(1);
    EXPECT_EQ(e.At(0), S(0, 0, 1));
}

// Every effect on short and odd captions, with and without characters:
// success, finite transforms and opacities within 0..1, nothing drawn outside
// the caption, no write outside the layer (checked by the sanitizers).
TEST(TitlefxPhases, EveryEffectOnShortAndOddCaptions) {
    for (int i = 0; i < titlefx::TextEffectCount(); ++i)
        for (int frames : {0, 1, 2, 3, 6, 7, 30})
            for (double fraction : {-1.0, 0.0, 0.33, 0.5, 0.9})
                for (int chars : {0, 1, 5}) {
                    CCaption c(i, chars, frames, fraction);
                    STestTarget target{CCaption::W, CCaption::H, true};
                    c.target = &target;
                    for (int f = -1; f <= frames; ++f) {
                        ASSERT_EQ(c.Frame(f), 1) << i << " " << frames << " " << f;
                        for (const SDraw& d : c.log) {
                            for (double v : d.t)
                                ASSERT_TRUE(std::isfinite(v)) << i << " " << frames << " " << f;
                            EXPECT_TRUE(d.t[5] >= 0 && d.t[5] <= 1) << i << " " << f;
                        }
                        if (f < 0 || f >= frames || (chars == 0 && c.effect->IsPerCharacter())) {
                            EXPECT_TRUE(c.log.empty()) << i << " " << frames << " " << f;
                        }
                    }
                }
}

TEST(TitlefxPhases, AFailedDrawStopsTheCallAndIsReturned) {
    CCaption c("Popin", 4, 63); // Pop-in; frame 20 draws all four characters at rest
    ASSERT_EQ(c.Frame(20), 1);
    EXPECT_EQ(c.log.size(), 4u);
    c.failAt = 1;
    EXPECT_EQ(c.Frame(20), 0);
    EXPECT_EQ(c.log.size(), 1u);
    CCaption s("Shadow Left", 0, 60); // Shadow: the trail stops at its first failure
    s.failAt = 0;
    EXPECT_EQ(s.Frame(19), 0);
    EXPECT_TRUE(s.log.empty());
}
