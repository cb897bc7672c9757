#include "render/clip/ClipMath.h"
#include "render/clip/KeyFrameTrack.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(KeyFrameTrack, EasingCurves) {
    EXPECT_DOUBLE_EQ(CKeyFrameTrack::Ease(CKeyFrameTrack::kLinear, 0.25), 0.25);
    EXPECT_DOUBLE_EQ(CKeyFrameTrack::Ease(CKeyFrameTrack::kSmooth, 0.5), 0.5);
    EXPECT_DOUBLE_EQ(CKeyFrameTrack::Ease(CKeyFrameTrack::kEaseIn, 0.5), 0.25);
    EXPECT_DOUBLE_EQ(CKeyFrameTrack::Ease(CKeyFrameTrack::kEaseOut, 0.5), 0.75);
}

TEST(KeyFrameTrack, SegmentsEaseBetweenTheirKeys) {
    const int n = 101;
    CKeyFrameTrack track({1, 1});
    track.Reset();
    ASSERT_TRUE(track.SetKey(0, ClipMath::KeyFrameAt(0, n), {1, 1}, CKeyFrameTrack::kSmooth));
    ASSERT_TRUE(track.SetKey(1, ClipMath::KeyFrameAt(1, n), {3, 5}, CKeyFrameTrack::kLinear));
    EXPECT_EQ(track.RangeBegin(), 0);
    EXPECT_EQ(track.RangeEnd(), 101);
    EXPECT_DOUBLE_EQ(track.Evaluate(50)[0], 2.0);
    EXPECT_DOUBLE_EQ(track.Evaluate(50)[1], 3.0);
    // A key in between splits the segment; the second part takes its easing.
    ASSERT_TRUE(track.InsertAfter(0, 80, {3, 3}, CKeyFrameTrack::kEaseIn));
    EXPECT_EQ(track.KeyCount(), 3u);
    EXPECT_DOUBLE_EQ(track.Evaluate(90)[0], 3.0);
    EXPECT_DOUBLE_EQ(track.Evaluate(90)[1], 3.5); // 3 + 2 x 0.25
    EXPECT_DOUBLE_EQ(track.Evaluate(10)[0], 1 + 2 * CKeyFrameTrack::Ease(1, 10.0 / 80));
    // Outside the range: the value returned last.
    EXPECT_DOUBLE_EQ(track.Evaluate(500)[0], track.Evaluate(10)[0]);
}

TEST(KeyFrameTrack, KeysMustStayInStrictOrder) {
    CKeyFrameTrack track;
    track.Reset();
    ASSERT_TRUE(track.SetKey(1, 100, {1, 0}, 0));
    // Three records at 0, 0.5 and 0.5: the middle one would sit on the last.
    EXPECT_FALSE(track.InsertAfter(0, 100, {0, 0}, 0));
    EXPECT_FALSE(track.InsertAfter(0, 0, {0, 0}, 0));
    EXPECT_FALSE(track.SetKey(1, 0, {0, 0}, 0));
    // One frame only: both key-frames on frame 0.
    CKeyFrameTrack tiny;
    tiny.Reset();
    EXPECT_FALSE(tiny.SetKey(1, ClipMath::KeyFrameAt(1, 1), {0, 0}, 0));
    // A cleared track has an empty range and keeps its initial value.
    CKeyFrameTrack cleared({255, 0});
    cleared.Clear();
    EXPECT_EQ(cleared.RangeEnd(), -1);
    EXPECT_DOUBLE_EQ(cleared.Evaluate(3)[0], 255);
}

TEST(ClipMath, DecodeScaleAndSize) {
    EXPECT_NEAR(ClipMath::DecodeScale(1, 4, 0.75), std::pow(4.0, 0.75), 1e-12);
    EXPECT_DOUBLE_EQ(ClipMath::DecodeScale(1, 1.5, 0.75), 1.5);
    EXPECT_DOUBLE_EQ(ClipMath::DecodeScale(-1, -1, 0.75), -1);
    // The frame in square pixels, each side over the crop fraction along it.
    int w = 0, h = 0;
    ClipMath::DecodeBox(1, 0.5, 0.25, 720, 576, 16.0 / 15.0, false, w, h);
    EXPECT_EQ(w, 1536);
    EXPECT_EQ(h, 2304);
    // A quarter turn lays the picture's width along the frame's height.
    ClipMath::DecodeBox(1, 0.5, 0.25, 720, 576, 16.0 / 15.0, true, w, h);
    EXPECT_EQ(w, 1152);
    EXPECT_EQ(h, 3072);
    ClipMath::DecodeBox(-1, 1, 1, 720, 576, 1, false, w, h);
    EXPECT_EQ(w, 1440);
    EXPECT_EQ(h, 1152);
}

TEST(ClipMath, RotationCodes) {
    const int table[4][4] = {{0, 16, 18, 2}, {1, 17, 19, 3}, {2, 18, 16, 0}, {3, 19, 17, 1}};
    for (int q = 0; q < 4; ++q)
        for (int flags = 0; flags < 4; ++flags)
            EXPECT_EQ(ClipMath::RotationCode(q, flags == 1 || flags == 3, flags >= 2), table[q][flags])
                << q << " " << flags;
}
