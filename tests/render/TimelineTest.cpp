#include "project/Album.h"
#include "project/Slide.h"
#include "render/Timeline.h"

#include <gtest/gtest.h>

namespace {

CAlbum& MakeAlbum(CAlbum& album, int slides, double display, double transition, double closing) {
    for (int i = 0; i < slides; ++i) {
        CSlide slide;
        slide.m_displayTime = display;
        slide.m_transitionLength = transition;
        album.AddSlide(slide);
    }
    album.m_transitionLength = closing;
    return album;
}

} // namespace

TEST(Timeline, OneSlideWithItsTransitions) {
    CAlbum album;
    CTimeline timeline;
    std::vector<double> starts;
    ASSERT_TRUE(timeline.Build(MakeAlbum(album, 1, 2, 2, 2), 25,
                               [&](const CSlide&, double start) { starts.push_back(start); }));
    const auto& s = timeline.Segments();
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0]->startFrame, 0);
    EXPECT_EQ(s[0]->endFrame, 50);
    EXPECT_EQ(s[1]->kind, CTimelineSegment::SegSlide);
    EXPECT_EQ(s[1]->startFrame, 50);
    EXPECT_EQ(s[1]->clipStart, 0);
    EXPECT_EQ(s[2]->endFrame, 150);
    EXPECT_EQ(s[2]->slide, nullptr);
    EXPECT_EQ(timeline.GetLength(), 150);
    EXPECT_EQ(starts, std::vector<double>{0.0});

    CAlbum empty;
    EXPECT_FALSE(timeline.Build(empty, 25));
}

TEST(Timeline, RoundingDoesNotAccumulate) {
    CAlbum album;
    CTimeline timeline;
    ASSERT_TRUE(timeline.Build(MakeAlbum(album, 3, 1.01, 0, 0), 25));
    ASSERT_EQ(timeline.Slides().size(), 3u);
    EXPECT_EQ(timeline.Slides()[0]->endFrame, 25);
    EXPECT_EQ(timeline.Slides()[1]->endFrame, 51);
    EXPECT_EQ(timeline.Slides()[2]->endFrame, 76);
}

TEST(Timeline, SeekingCountsTheSlidesPassed) {
    CAlbum album;
    CTimeline timeline;
    ASSERT_TRUE(timeline.Build(MakeAlbum(album, 5, 2, 1, 1), 10)); // T 10, S 20 frames
    int shift = 0;
    EXPECT_TRUE(timeline.Seek(5, shift));
    EXPECT_EQ(shift, 0);
    EXPECT_TRUE(timeline.Seek(15, shift)); // into the first slide: the current one
    EXPECT_EQ(shift, 0);
    EXPECT_TRUE(timeline.Seek(45, shift)); // the second slide
    EXPECT_EQ(shift, 1);
    timeline.SetCurrentSlide(timeline.Slides()[1]);
    EXPECT_TRUE(timeline.Seek(140, shift)); // the fifth slide
    EXPECT_EQ(shift, 3);
    timeline.SetCurrentSlide(timeline.Slides()[4]);
    EXPECT_TRUE(timeline.Seek(12, shift));
    EXPECT_EQ(shift, -4);
    timeline.SetCurrentSlide(timeline.Slides()[0]);
    EXPECT_FALSE(timeline.Seek(timeline.GetLength(), shift)); // past the end
    EXPECT_EQ(shift, 4);
    EXPECT_EQ(timeline.Current()->next, nullptr);
}
