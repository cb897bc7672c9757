#include "render/clip/IntKFStore.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

CKeyFrame Key(double time, double x, double scale, int easing = 0) {
    CKeyFrame key;
    key.m_time = time;
    key.m_x = x;
    key.m_scale = scale;
    key.m_easing = easing;
    return key;
}

} // namespace

TEST(IntKFStore, RecordsBecomeTracksInWarpUnits) {
    CIntKFStore store;
    store.SetFrameSize(720, 576);
    store.SetFit(0.96, 0.96, 0);
    store.SetFrameCount(101);
    ASSERT_TRUE(store.SetKeyFrames({Key(0, 0, 1, CKeyFrame::kSmooth), Key(1, 0.5, 2)}));
    EXPECT_EQ(store.RangeBegin(), 0);
    EXPECT_EQ(store.RangeEnd(), 101);
    CIntKFStore::STransform t{};
    ASSERT_TRUE(store.Evaluate(50, t));
    EXPECT_DOUBLE_EQ(t.x, 180);  // half of 0.5 x 720
    EXPECT_DOUBLE_EQ(t.scaleX, 1.44);
    EXPECT_DOUBLE_EQ(t.opacity, 255);
    // Outside the key-frames' range the tracks keep what they gave last.
    ASSERT_TRUE(store.Evaluate(101, t));
    EXPECT_DOUBLE_EQ(t.x, 180);

    // A new frame count puts the key-frames on new frames.
    ASSERT_TRUE(store.SetFrameCount(11));
    EXPECT_EQ(store.RangeEnd(), 11);
    ASSERT_TRUE(store.Evaluate(10, t));
    EXPECT_DOUBLE_EQ(t.x, 360);
}

TEST(IntKFStore, BadKeyFramesFailTheClip) {
    CIntKFStore store;
    store.SetFrameSize(720, 576);
    store.SetFrameCount(101);
    EXPECT_FALSE(store.SetKeyFrames({Key(0, 0, 1), Key(0.5, 0, 1), Key(0.5, 0, 1)}));
    EXPECT_FALSE(store.HasKeyFrames());
    EXPECT_FALSE(store.SetKeyFrames({Key(0, 0, 1)}));
    ASSERT_TRUE(store.SetKeyFrames({Key(0, 0, 1), Key(0.5, 0.1, 1), Key(1, 0, 1)}));
    // One frame: both key-frames fall on frame 0.
    EXPECT_FALSE(store.SetFrameCount(1));
}

TEST(IntKFStore, KeyFramesOnOneFrameMakeOneKeyTheLatest) {
    // A layout's key-frames 0.01 apart on a clip of 40 frames: 0.5 and 0.51
    // both fall on frame 20 (rounding), and the slide must still show.
    CIntKFStore store;
    store.SetFrameSize(100, 100);
    store.SetFrameCount(41);
    ASSERT_TRUE(store.SetKeyFrames(
        {Key(0, 0, 1), Key(0.5, 0.2, 1), Key(0.505, 0.4, 1), Key(1, 0.4, 1)}));
    CIntKFStore::STransform t{};
    ASSERT_TRUE(store.Evaluate(20, t));
    EXPECT_DOUBLE_EQ(t.x, 40); // the later of the two, 0.4 x 100
    ASSERT_TRUE(store.Evaluate(10, t));
    EXPECT_DOUBLE_EQ(t.x, 20); // halfway from 0 to the kept key
    // The first two on frame 0 at a low rate: the later one is the start.
    ASSERT_TRUE(store.SetKeyFrames({Key(0, 0, 1), Key(0.001, 0.1, 1), Key(1, 0.1, 1)}));
    ASSERT_TRUE(store.Evaluate(0, t));
    EXPECT_DOUBLE_EQ(t.x, 10);
}

TEST(IntKFStore, AClipMayStartLaterThanItsSlide) {
    CIntKFStore store;
    store.SetFrameSize(100, 100);
    store.SetFrameCount(101);
    ASSERT_TRUE(store.SetKeyFrames({Key(0.2, 0, 1), Key(0.8, 0, 1)}));
    EXPECT_EQ(store.RangeBegin(), 20);
    EXPECT_EQ(store.RangeEnd(), 81);
}
