// The module frame of transfx: catalogue, names, parameters, Render's contract,
// the generator and the sine table.
#include "plugins/transfx/Catalogue.h"
#include "plugins/transfx/Random.h"
#include "plugins/transfx/SineTable.h"
#include "tests/plugins/transfx/TransitionFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <set>
#include <string>
#include <thread>

namespace {

constexpr const char* kFade = "Fade Plugin";
constexpr const char* kWipe = "Wipe Plugin";

// Records what Render hands to RenderFrame.
class CSpyTransition : public CTransition {
public:
    using CTransition::CTransition;
    int RenderFrame(int frame, std::uint8_t* dst, int dstStride, std::uint8_t* src1,
                    int src1Stride, std::uint8_t* src2, int src2Stride, int flipped) override {
        calls++;
        last = {frame, dst, dstStride, src1, src1Stride, src2, src2Stride, flipped};
        return 0;
    }
    struct SCall {
        int frame;
        std::uint8_t* dst;
        int dstStride;
        std::uint8_t* src1;
        int src1Stride;
        std::uint8_t* src2;
        int src2Stride;
        int flipped;
    } last{};
    int calls = 0;
};

} // namespace

TEST(TransfxCatalogue, OffersAllThirtyFiveTransitions) {
    ASSERT_EQ(transfx::TransitionCount(), 35);
    std::set<std::string> names;
    for (int i = 0; i < transfx::TransitionCount(); ++i) {
        const transfx::STransitionInfo* info = transfx::TransitionInfo(i);
        ASSERT_NE(info, nullptr);
        EXPECT_TRUE(names.insert(info->name).second) << info->name;
        ASSERT_NE(info->display, nullptr) << info->name;
        EXPECT_NE(std::string(info->display), "") << info->name;
        // Every transition of the catalogue is offered.
        CTransition* t = transfx::CreateTransition(i);
        EXPECT_NE(t, nullptr) << info->name;
        if (!t)
            continue;
        // Every object is a transition whose descriptors match the catalogue
        // and start at their defaults, inside their ranges.
        EXPECT_EQ(t->GetType(), kEffectTransition);
        char name[260];
        t->GetName(name, sizeof name);
        EXPECT_STREQ(name, info->name);
        int count = -1;
        CEffectSetting* params = t->GetParams(&count);
        ASSERT_EQ(count, info->params.count);
        EXPECT_EQ(params == nullptr, count == 0);
        for (int p = 0; p < count; ++p) {
            const CEffectSetting& s = params[p];
            EXPECT_STREQ(s.key, info->params[p].key);
            EXPECT_STRNE(s.label, "");
            EXPECT_EQ(s.value, s.defaultValue);
            if (s.kind == CEffectSetting::kChoice) {
                EXPECT_LT(s.defaultValue, s.count);
                for (int c = 0; c < s.count; ++c)
                    EXPECT_STRNE(s.ChoiceLabel(c), "") << info->name << " " << s.key;
            } else {
                ASSERT_EQ(s.kind, CEffectSetting::kRange);
                EXPECT_GE(s.defaultValue, s.RangeMin());
                EXPECT_LE(s.defaultValue, s.RangeMax());
            }
        }
        ASSERT_NE(t->GetIcon(), nullptr);
        EXPECT_EQ(t->GetIcon()->width, 24);
        EXPECT_EQ(t->GetIcon()->height, 18);
        t->Destroy();
    }
    EXPECT_EQ(transfx::CreateTransition(-1), nullptr);
    EXPECT_EQ(transfx::CreateTransition(35), nullptr);
}

TEST(TransfxCatalogue, ChoicesAreLabelledInValueOrder) {
    CTransitionRun zoom("Zoom Plugin", 4, 4, 2), wipe(kWipe, 4, 4, 2);
    int count = 0;
    EXPECT_STREQ(zoom.effect->GetParams(&count)[0].ChoiceLabel(0), "Zoom Out");
    EXPECT_STREQ(zoom.effect->GetParams(&count)[0].ChoiceLabel(1), "Zoom In");
    CEffectSetting* p = wipe.effect->GetParams(&count);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(p[0].ChoiceLabel(3), "Top to Bottom");
    EXPECT_STREQ(p[1].label, "Push");
    EXPECT_EQ(p[1].defaultValue, 1);
}

TEST(TransfxFrame, NamesAreCutToTheBufferAndAlwaysTerminated) {
    CTransitionRun fade(kFade, 4, 4, 2);
    char text[8];
    std::memset(text, 'x', sizeof text);
    fade.effect->GetName(text, 5);
    EXPECT_STREQ(text, "Fade");
    EXPECT_EQ(text[5], 'x'); // nothing written past the buffer
    fade.effect->GetName(text, 0);
    EXPECT_EQ(text[0], 'F');
    fade.effect->GetDisplayName(text, sizeof text);
    EXPECT_STREQ(text, "Fade");

    // A transition without a display string shows its internal name.
    transfx::STransitionInfo info = *transfx::TransitionInfo(TransitionIndex(kFade));
    info.display = nullptr;
    CSpyTransition spy(info);
    char display[64];
    spy.GetDisplayName(display, sizeof display);
    EXPECT_STREQ(display, "Fade Plugin");
}

TEST(TransfxFrame, RenderTurnsBottomUpBuffersIntoPositiveStridesWithFlipped) {
    CSpyTransition spy(*transfx::TransitionInfo(TransitionIndex(kFade)));
    spy.SetSize(3, 2);
    spy.SetFrameCount(5);
    STestPicture a(3, 2), b(3, 2), d(3, 2);
    for (bool bottomUp : {true, false}) {
        CPictureSrc sa(a, bottomUp), sb(b, bottomUp);
        spy.SetSources(&sa, &sb);
        const int stride = bottomUp ? -12 : 12;
        ASSERT_EQ(spy.Render(4, d.bytes.data(), stride), 0);
        EXPECT_EQ(spy.last.frame, 4);
        EXPECT_EQ(spy.last.flipped, bottomUp ? 1 : 0);
        EXPECT_EQ(spy.last.dst, d.bytes.data());
        EXPECT_EQ(spy.last.src1, a.bytes.data());
        EXPECT_EQ(spy.last.src2, b.bytes.data());
        EXPECT_EQ(spy.last.dstStride, 12);
        EXPECT_EQ(spy.last.src1Stride, 12);
        EXPECT_EQ(spy.last.src2Stride, 12);
    }
    EXPECT_EQ(spy.calls, 2);
}

TEST(TransfxFrame, RenderDrawsNothingWithoutPicturesOrOutsideItsFrames) {
    CSpyTransition spy(*transfx::TransitionInfo(TransitionIndex(kFade)));
    STestPicture a(3, 2), b(3, 2), d(3, 2);
    CPictureSrc sa(a, false), sb(b, false), none(b, false, false), upside(b, true);
    EXPECT_EQ(spy.Render(0, d.bytes.data(), 12), 1); // no sources
    spy.SetSources(&sa, &none);
    spy.SetSize(3, 2);
    spy.SetFrameCount(4);
    EXPECT_EQ(spy.Render(0, d.bytes.data(), 12), 1); // no incoming picture
    spy.SetSources(&sa, &upside);
    EXPECT_EQ(spy.Render(0, d.bytes.data(), 12), 1); // mixed orientation
    spy.SetSources(&sa, &sb);
    EXPECT_EQ(spy.Render(4, d.bytes.data(), 12), 1);
    EXPECT_EQ(spy.Render(-1, d.bytes.data(), 12), 1);
    EXPECT_EQ(spy.Render(0, d.bytes.data(), 8), 1); // rows narrower than the frame
    spy.SetFrameCount(1);
    EXPECT_EQ(spy.Render(0, d.bytes.data(), 12), 1);
    EXPECT_EQ(spy.calls, 0);

    spy.SetFrameCount(4);
    EXPECT_EQ(spy.Render(3, d.bytes.data(), 12), 0);
    spy.Reset();
    int w = -1, h = -1;
    spy.GetSize(&w, &h);
    EXPECT_EQ(w + h + spy.GetFrameCount(), 0);
    EXPECT_EQ(spy.Render(3, d.bytes.data(), 12), 1);
    EXPECT_EQ(spy.calls, 1);
}

TEST(TransfxRandom, FollowsTheRuntimeSequenceWithOneStatePerThread) {
    transfx::SeedRand(1);
    const int expected[] = {41, 18467, 6334, 26500, 19169};
    for (int v : expected)
        EXPECT_EQ(transfx::Rand(), v);
    int first = -1;
    std::thread([&] { first = transfx::Rand(); }).join(); // a new thread starts at 1
    EXPECT_EQ(first, 41);
    EXPECT_EQ(transfx::Rand(), 15724); // this thread's sequence went on undisturbed
}

TEST(TransfxSineTable, CombinesCoarseAndFineSteps) {
    const CSineTable& t = CSineTable::Get();
    // Angles are rounded to the fine step, 2π/2^20 ≈ 6·10^−6.
    for (double x : {0.0, 0.1, std::numbers::pi / 6, 1.0, 2.5, -0.7, 4.0, 100.0}) {
        EXPECT_NEAR(t.Sin(x), std::sin(x), 5e-6) << x;
        EXPECT_NEAR(t.Cos(x), std::cos(x), 5e-6) << x;
    }
    // Angles one turn apart meet on the same table entries.
    const double step = 2 * std::numbers::pi / (1 << 20);
    EXPECT_EQ(t.Sin(12345 * step), t.Sin(12345 * step + 2 * std::numbers::pi));
    EXPECT_EQ(t.Sin(-3 * step), t.Sin((1 << 20) * step - 3 * step));
}

TEST(TransfxThreads, InstancesOnTwoThreadsDrawTheSameFramesFromFreshGenerators) {
    // Each new thread's generator starts at 1, so Speckle's scatter is the same
    // on both; Polygon shares the sine table, built by whichever comes first.
    const STestPicture a = PictureA(48, 32), b = PictureB(48, 32);
    STestPicture results[2][2] = {{STestPicture(1, 1), STestPicture(1, 1)},
                                  {STestPicture(1, 1), STestPicture(1, 1)}};
    auto work = [&](int slot) {
        CTransitionRun speckle("Speckle Plugin", 48, 32, 12), polygon("Polygon Plugin", 48, 32, 12);
        results[slot][0] = speckle.Frame(2, a, b);
        results[slot][1] = polygon.Frame(5, a, b);
    };
    std::thread t1(work, 0), t2(work, 1);
    t1.join();
    t2.join();
    EXPECT_TRUE(results[0][0].SameColours(results[1][0]));
    EXPECT_TRUE(results[0][1].SameColours(results[1][1]));
    EXPECT_FALSE(results[0][0].SameColours(a)); // frame 2 is scattered
}
