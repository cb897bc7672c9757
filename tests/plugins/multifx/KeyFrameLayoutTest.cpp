// The key-frame layouts: the catalogue, the records the host plays, and the
// random choices that must stay the same from one opening to the next.
#include "plugins/multifx/KeyFrameLayout.h"
#include "plugins/multifx/MultiCatalogue.h"
#include "tests/plugins/multifx/LayoutFixture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::vector<SKeyFrameRecord> Keys(CLayout& layout, int a, int n) {
    int count = 0;
    SKeyFrameRecord* keys = layout.MakeKeyFrames(a, n, &count);
    return keys ? std::vector<SKeyFrameRecord>(keys, keys + count) : std::vector<SKeyFrameRecord>();
}

TEST(MultiCatalogueTest, NamesKindsAndPictureCounts) {
    // The catalogue in CreateEffect order: the key-frame layouts, then the live ones.
    const char* const names[] = {
        "Simple Tile",       "Random Overlap",         "Random Overlap with Rotate",
        "Card Spread",       "Card Spread and Tile",   "Card Spread with Rotate",
        "Random Position",   "Row Shift",              "Row Shift with Fade",
        "Row Shift by 2",    "Column Shift",           "Column Shift with Fade",
        "Column Shift by 2", "Row Zoom",               "Column Zoom",
        "Float Two",         "Flow Zoom",              "Zoom Tile",
        "Zoom Tile2",        "Circle Rotate",          "Circle with Changing Pic",
        "Tile to Random",
    };
    ASSERT_EQ(CMultiCatalogue::Count(), int(std::size(names)));
    EXPECT_EQ(MakeLayout(CMultiCatalogue::Count()), nullptr);
    EXPECT_EQ(MakeLayout(-1), nullptr);
    for (int i = 0; i < CMultiCatalogue::Count(); ++i) {
        CLayoutPtr layout = MakeLayout(i);
        ASSERT_NE(layout, nullptr) << i;
        char name[260], shown[260];
        layout->GetName(name, sizeof name);
        layout->GetDisplayName(shown, sizeof shown);
        EXPECT_STREQ(name, names[i]);
        EXPECT_STREQ(name, CMultiCatalogue::Name(i));
        EXPECT_EQ(layout->GetType(), kEffectMulti);
        EXPECT_GT(std::strlen(shown), 0u);
        // The default picture count: 16 for Zoom Tile2 (2 … 30), 4 for all others.
        EXPECT_EQ(layout->GetDefaultPictureCount(), std::strcmp(name, "Zoom Tile2") == 0 ? 16 : 4)
            << name;
        int count = -1;
        CEffectSetting* params = layout->GetParamsFor(3, &count);
        bool live = IsLive(name);
        if (!live) {
            ASSERT_EQ(count, 3);
            EXPECT_EQ(params[0].kind, CEffectSetting::kLayouts);
        }
    }
    char shown[260];
    MakeLayout("Row Shift by 2")->GetDisplayName(shown, sizeof shown);
    EXPECT_STREQ(shown, "Row Shift by Two");
    MakeLayout("Circle Rotate")->GetDisplayName(shown, sizeof shown);
    EXPECT_STREQ(shown, "Circle Rotate");
}

TEST(MultiCatalogueTest, LiveParameters) {
    int count = 0;
    CLayoutPtr tile = MakeLayout("Zoom Tile");
    CEffectSetting* p = tile->GetParams(&count);
    ASSERT_EQ(count, 1);
    EXPECT_STREQ(p[0].key, "NumCols");
    EXPECT_EQ(p[0].RangeMin(), 2);
    EXPECT_EQ(p[0].RangeMax(), 4);
    EXPECT_EQ(p[0].value, 2);
    CLayoutPtr tile2 = MakeLayout("Zoom Tile2");
    p = tile2->GetParams(&count);
    ASSERT_EQ(count, 1);
    EXPECT_STREQ(p[0].ChoiceLabel(1), "Yes");
    EXPECT_FALSE(p[0].SetValue(2));
    CLayoutPtr circle = MakeLayout("Circle with Changing Pic");
    p = circle->GetParamsFor(7, &count);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(p[1].key, "NumShow");
    EXPECT_EQ(p[1].value, 6);
    EXPECT_EQ(MakeLayout("Tile to Random")->GetParams(&count), nullptr);
    EXPECT_EQ(count, 0);
}

TEST(KeyFrameLayoutTest, SimpleTileWithFivePictures) {
    CLayoutPtr tile = MakeLayout("Simple Tile");
    std::vector<SKeyFrameRecord> keys = Keys(*tile, 4, 5);
    ASSERT_EQ(keys.size(), 4u);
    // Three columns, two rows: picture 4 is in the middle of the lower row.
    for (const SKeyFrameRecord& k : keys) {
        EXPECT_NEAR(k.scale, 1.0 / 3, 1e-12);
        EXPECT_NEAR(k.x, 0.0, 1e-12);
        EXPECT_NEAR(k.y, -0.25, 1e-12);
    }
    EXPECT_NEAR(keys[0].time, 0.64, 1e-12);
    EXPECT_NEAR(keys[1].time, 0.72, 1e-12);
    EXPECT_EQ(keys[0].opacity, 0.0);
    EXPECT_EQ(keys[1].opacity, 1.0);
    EXPECT_EQ(keys[3].time, 1.0);
    // Picture 0 at the top left.
    keys = Keys(*tile, 0, 5);
    EXPECT_NEAR(keys[0].x, -1.0 / 3, 1e-12);
    EXPECT_NEAR(keys[0].y, 0.25, 1e-12);
}

TEST(KeyFrameLayoutTest, EveryLayoutGivesOrderedTimesForAnyCount) {
    for (int i = 0; i < CMultiCatalogue::Count(); ++i) {
        if (IsLive(CMultiCatalogue::Name(i)))
            continue;
        CLayoutPtr layout = MakeLayout(i);
        for (int n : {1, 2, 3, 4, 5, 9, 10, 13, 40}) {
            int count = 0;
            CEffectSetting* params = layout->GetParamsFor(n, &count);
            ASSERT_EQ(count, n);
            for (int a = 0; a < n; ++a) {
                ASSERT_EQ(params[a].kind, CEffectSetting::kLayouts) << i << " " << a << "/" << n;
                const SKeyFrameRecord* keys = params[a].Layouts();
                ASSERT_GE(params[a].count, 2);
                EXPECT_STREQ(params[a].key, "KeyFrames");
                // The host plays them from the start of the slide to its end.
                EXPECT_EQ(keys[0].time, 0.0);
                EXPECT_EQ(keys[params[a].count - 1].time, 1.0);
                for (int k = 0; k < params[a].count; ++k) {
                    EXPECT_GE(keys[k].time, 0.0) << i << " " << a << "/" << n;
                    EXPECT_LE(keys[k].time, 1.0 + 1e-9) << i << " " << a << "/" << n;
                    EXPECT_TRUE(keys[k].scale > 0 && keys[k].opacity >= 0 && keys[k].opacity <= 1);
                    EXPECT_EQ(keys[k].easing, 0);
                    if (k > 0) {
                        EXPECT_GE(keys[k].time, keys[k - 1].time) << i << " " << a << "/" << n;
                    }
                }
            }
        }
    }
}

TEST(KeyFrameLayoutTest, CountsAtTheEdges) {
    CLayoutPtr tile = MakeLayout("Simple Tile");
    int count = 1;
    EXPECT_EQ(tile->GetParamsFor(0, &count), nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(tile->GetParamsFor(-2, &count), nullptr);
    EXPECT_EQ(count, -2);
    EXPECT_TRUE(Keys(*tile, 5, 5).empty());
    // A single picture fills the frame.
    std::vector<SKeyFrameRecord> one = Keys(*tile, 0, 1);
    EXPECT_EQ(one[0].scale, 1.0);
    EXPECT_EQ(one[0].x, 0.0);
    // Card Spread with one picture stands upright at the centre.
    one = Keys(*MakeLayout("Card Spread"), 0, 1);
    EXPECT_NEAR(one[1].x, 0.0, 1e-12);
    EXPECT_NEAR(one[1].rotation, 0.0, 1e-12);
    // GetParams answers for the pictures the layout holds.
    EXPECT_EQ(tile->GetParams(&count), nullptr);
}

TEST(KeyFrameLayoutTest, FlowZoomWalksTheQueue) {
    CLayoutPtr flow = MakeLayout("Flow Zoom");
    const int n = 12;
    for (int a = 0; a < n; ++a) {
        std::vector<SKeyFrameRecord> keys = Keys(*flow, a, n);
        int m = n - a - 1;
        ASSERT_EQ(keys.size(), std::size_t(m >= 9 ? 31 : 3 * (n - a) + 1)) << a;
        // Everyone ends at 3(n − a) time units, flying off to the top right.
        EXPECT_NEAR(keys.back().time, 3.0 * (n - a) / (3 * n + 1), 1e-12);
        EXPECT_EQ(keys.back().x, 0.875);
        EXPECT_EQ(keys.back().rotation, -0.5);
        if (m >= 9) {
            EXPECT_GT(keys[0].x, 0.5); // waits off screen on the right
        }
    }
    // The head of the queue sits in the top-left cell and lights up there.
    std::vector<SKeyFrameRecord> head = Keys(*flow, n - 1, n);
    EXPECT_NEAR(head[0].x, -1.0 / 3, 1e-12);
    EXPECT_NEAR(head[0].y, 1.0 / 3, 1e-12);
    // Slot 3 is the right cell of the middle row (serpentine order).
    std::vector<SKeyFrameRecord> fourth = Keys(*flow, n - 4, n);
    EXPECT_NEAR(fourth[0].x, 1.0 / 3, 1e-12);
    EXPECT_NEAR(fourth[0].y, 0.0, 1e-12);
}

TEST(KeyFrameLayoutTest, RandomChoicesAreKeptAndReproducible) {
    // Random Overlap, Random Position, Row Zoom and Float Two draw random numbers.
    for (const char* name : {"Random Overlap", "Random Overlap with Rotate", "Card Spread and Tile",
                             "Random Position", "Row Zoom", "Float Two"}) {
        CLayoutPtr first = MakeLayout(name);
        int count = 0;
        CEffectSetting* params = first->GetParamsFor(6, &count);
        std::vector<SKeyFrameRecord> before(params[2].Layouts(), params[2].Layouts() + params[2].count);
        // The same count gives the cached array itself.
        EXPECT_EQ(first->GetParamsFor(6, &count), params);
        // Another count changes the choices; the first count brings them back.
        first->GetParamsFor(7, &count);
        params = first->GetParamsFor(6, &count);
        // A layout made anew (a template opened again) chooses the same.
        CLayoutPtr again = MakeLayout(name);
        CEffectSetting* other = again->GetParamsFor(6, &count);
        for (CEffectSetting* p : {params, other}) {
            ASSERT_EQ(p[2].count, int(before.size()));
            EXPECT_EQ(std::memcmp(p[2].Layouts(), before.data(), before.size() * sizeof before[0]), 0)
                << name;
        }
        // The pictures do not all share one choice.
        EXPECT_NE(std::memcmp(params[1].Layouts(), params[2].Layouts(), sizeof(SKeyFrameRecord)), 0)
            << name;
    }
}

TEST(KeyFrameLayoutTest, RandomPlacesStayInsideTheFrame) {
    CLayoutPtr position = MakeLayout("Random Position");
    for (int a = 0; a < 30; ++a) {
        SKeyFrameRecord k = Keys(*position, a, 30)[1];
        EXPECT_TRUE(k.scale >= 0.5 && k.scale <= 0.8);
        EXPECT_LE(std::abs(k.x) + k.scale / 2, 0.5 + 1e-12);
        EXPECT_LE(std::abs(k.y) + k.scale / 2, 0.5 + 1e-12);
    }
    // Float Two enters and leaves off screen.
    CLayoutPtr floating = MakeLayout("Float Two");
    for (int a = 0; a < 6; ++a) {
        std::vector<SKeyFrameRecord> keys = Keys(*floating, a, 6);
        EXPECT_GE(std::abs(keys[0].x) - keys[0].scale / 2, 0.5 - 1e-12);
        EXPECT_GE(std::abs(keys[3].x) - keys[3].scale / 2, 0.5 - 1e-12);
        EXPECT_LE(std::abs(keys[1].x) + keys[1].scale / 2, 0.5 + 1e-12);
    }
}

} // namespace
