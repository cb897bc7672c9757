// The live layouts: where they place the pictures, in what order they draw
// them, and what they draw on slides they were not made for.
#include "plugins/multifx/MultiCatalogue.h"
#include "tests/plugins/multifx/LayoutFixture.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr int kW = 64, kH = 48;

// A live layout with n fake pictures of colours 10, 20, 30, … over a frame.
struct SLiveSlide {
    SLiveSlide(const char* name, int n, int frames, bool bottomUp = false)
        : layout(MakeLayout(name)), frame(std::size_t(kW) * kH * 4), bottomUp(bottomUp) {
        layout->SetSize(kW, kH);
        layout->SetFrameCount(frames);
        for (int i = 0; i < n; ++i) {
            sources.push_back(std::make_unique<CFakeSource>(kW, kH, std::uint8_t(10 * (i + 1)), bottomUp));
            sources.back()->m_counter = &counter;
            EXPECT_EQ(layout->AddSource(-1, sources.back().get()), i);
        }
    }
    int Render(int f) {
        std::fill(frame.begin(), frame.end(), 0);
        int stride = kW * 4;
        // The address is that of the first row in memory either way.
        return layout->Render(f, frame.data(), bottomUp ? -stride : stride);
    }
    // Blue of the pixel at (x, y), top-down.
    int At(int x, int y) const {
        int row = bottomUp ? kH - 1 - y : y;
        return frame[std::size_t(row) * kW * 4 + std::size_t(x) * 4];
    }
    CFakeSource& Src(int i) { return *sources[std::size_t(i)]; }

    CLayoutPtr layout;
    std::vector<std::unique_ptr<CFakeSource>> sources;
    std::vector<std::uint8_t> frame;
    bool bottomUp;
    int counter = 0;
};

TEST(LiveLayoutTest, SourceListKeepsPictureOrder) {
    CLayoutPtr layout = MakeLayout("Tile to Random");
    CFakeSource a(8, 8, 1), b(8, 8, 2), c(8, 8, 3);
    EXPECT_EQ(layout->AddSource(-1, &a), 0);
    EXPECT_EQ(layout->AddSource(-1, &c), 1);
    EXPECT_EQ(layout->AddSource(0, &b), 1);
    EXPECT_EQ(layout->AddSource(99, &a), 3);
    EXPECT_EQ(layout->GetSourceCount(), 4);
    EXPECT_EQ(layout->RemoveSource(3), 1);
    EXPECT_EQ(layout->RemoveSource(3), 0);
    EXPECT_EQ(layout->ReplaceSource(5, &a), 0);
    EXPECT_EQ(layout->ReplaceSource(2, &a), 1);
    layout->SetSize(8, 8);
    layout->SetFrameCount(5);
    layout->Reset();
    EXPECT_EQ(layout->GetSourceCount(), 0);
    EXPECT_EQ(layout->GetFrameCount(), 0);
}

TEST(LiveLayoutTest, NothingToDrawIsNoFailure) {
    SLiveSlide empty("Circle Rotate", 0, 25);
    EXPECT_EQ(empty.Render(0), 0);
    SLiveSlide noFrames("Circle Rotate", 3, 0);
    EXPECT_EQ(noFrames.Render(0), 0);
    EXPECT_EQ(noFrames.Src(0).m_draws, 0);
    // A picture the host cannot give is skipped; the others are drawn.
    SLiveSlide slide("Tile to Random", 3, 30);
    slide.Src(1).m_fail = true;
    EXPECT_EQ(slide.Render(15), 0);
    EXPECT_EQ(slide.Src(0).m_draws, 1);
    EXPECT_EQ(slide.Src(2).m_draws, 1);
}

TEST(LiveLayoutTest, CircleRotateStartsWithPictureZeroInFront) {
    SLiveSlide slide("Circle Rotate", 2, 50);
    ASSERT_EQ(slide.Render(0), 0);
    // p = 0 for picture 0: lowest, largest, opaque; p = 1 for picture 1.
    EXPECT_NEAR(slide.Src(0).m_dy, -0.125, 1e-12);
    EXPECT_NEAR(slide.Src(0).m_sx, 0.5, 1e-12);
    EXPECT_NEAR(slide.Src(0).m_opacity, 1.0, 1e-12);
    EXPECT_NEAR(slide.Src(1).m_dy, 0.125, 1e-12);
    EXPECT_NEAR(slide.Src(1).m_sx, 0.2, 1e-12);
    EXPECT_NEAR(slide.Src(1).m_opacity, 0.25, 1e-12);
    // The back one is drawn first, the front one over it.
    EXPECT_LT(slide.Src(1).m_drawOrder, slide.Src(0).m_drawOrder);
    EXPECT_EQ(slide.At(kW / 2, kH / 2 + 6), 10);
    // A quarter turn later they stand side by side, the radius apart.
    slide.Render(12);
    double x0 = slide.Src(0).m_dx;
    slide.layout->GetParams(nullptr)[0].SetValue(3);
    slide.Render(12);
    EXPECT_NEAR(slide.Src(0).m_dx / x0, 1.5, 1e-9);
}

TEST(LiveLayoutTest, ZoomTileSlotTiming) {
    // Four pictures, 40 frames, two columns: slots of 10 frames, full frame
    // for the first 7 of them, then into its quarter.
    SLiveSlide slide("Zoom Tile", 4, 40);
    slide.Render(10);
    EXPECT_EQ(slide.Src(1).m_sx, 1.0);
    EXPECT_EQ(slide.Src(1).m_opacity, 0.0); // fades in over the first 3 frames
    EXPECT_NEAR(slide.Src(0).m_dx, -0.25, 1e-12);
    EXPECT_NEAR(slide.Src(0).m_sx, 0.5, 1e-12);
    slide.Render(13);
    EXPECT_EQ(slide.Src(1).m_opacity, 1.0);
    slide.Render(16);
    EXPECT_EQ(slide.Src(1).m_sx, 1.0);
    EXPECT_EQ(slide.Src(1).m_dx, 0.0);
    slide.Render(19);
    EXPECT_NEAR(slide.Src(1).m_sx, 0.5, 1e-12);
    EXPECT_NEAR(slide.Src(1).m_dx, 0.25, 1e-12);
    EXPECT_NEAR(slide.Src(1).m_dy, 0.25, 1e-12);
    // Frame 39: all four in their quarters; picture 3 bottom right.
    slide.Render(39);
    EXPECT_EQ(slide.At(kW - 5, kH - 5), 40);
    EXPECT_EQ(slide.At(4, 4), 10);
    EXPECT_EQ(slide.At(4, kH - 5), 30);
}

TEST(LiveLayoutTest, ZoomTileFifthPictureTakesTheFirstCell) {
    SLiveSlide slide("Zoom Tile", 5, 50);
    slide.Render(48);
    // Picture 0 fades out of the cell picture 4 moves into.
    EXPECT_LT(slide.Src(0).m_opacity, 1.0);
    slide.Render(49);
    EXPECT_EQ(slide.Src(0).m_opacity, 0.0);
    EXPECT_NEAR(slide.Src(4).m_dx, -0.25, 1e-12);
    EXPECT_EQ(slide.At(4, 4), 50);
}

TEST(LiveLayoutTest, ZoomTile2TakesEachPictureToTheCentre) {
    SLiveSlide slide("Zoom Tile2", 4, 30);
    slide.layout->GetParams(nullptr)[0].SetValue(1); // background fade
    slide.Render(0);
    EXPECT_NEAR(slide.Src(0).m_dx, -0.25, 1e-12); // still in its cell
    EXPECT_NEAR(slide.Src(1).m_opacity, 1.0, 1e-12);
    slide.Render(3);
    EXPECT_EQ(slide.Src(0).m_dx, 0.0);
    EXPECT_EQ(slide.Src(0).m_sx, 0.75);
    EXPECT_NEAR(slide.Src(1).m_opacity, 0.5, 1e-12);
    EXPECT_GT(slide.Src(0).m_drawOrder, slide.Src(3).m_drawOrder);
}

TEST(LiveLayoutTest, TileToRandomScattersTheSameWayEveryTime) {
    SLiveSlide slide("Tile to Random", 4, 40);
    slide.Render(5);
    double x = slide.Src(2).m_dx, a = slide.Src(2).m_angle;
    slide.Render(0);
    slide.Render(5);
    EXPECT_EQ(slide.Src(2).m_dx, x);
    EXPECT_EQ(slide.Src(2).m_angle, a);
    EXPECT_EQ(slide.Src(0).m_dx, 0.0); // the current picture at the centre
    EXPECT_GT(slide.Src(0).m_drawOrder, slide.Src(3).m_drawOrder);
}

TEST(LiveLayoutTest, FewerFramesThanPicturesShowTheGrid) {
    // Three frames for five pictures: no slot for anyone.
    for (const char* name : {"Zoom Tile", "Zoom Tile2", "Tile to Random"}) {
        SLiveSlide slide(name, 5, 3);
        for (int f = 0; f < 3; ++f)
            EXPECT_EQ(slide.Render(f), 0) << name;
        EXPECT_GT(slide.Src(4).m_draws, 0) << name;
        EXPECT_LT(slide.Src(4).m_sx, 1.0) << name;
    }
    // Two frames for Circle with Changing Pic: still a place on the orbit.
    SLiveSlide circle("Circle with Changing Pic", 9, 2);
    EXPECT_EQ(circle.Render(1), 0);
}

TEST(LiveLayoutTest, BottomUpFramesAreDrawnTheRightWayUp) {
    for (bool bottomUp : {false, true}) {
        SLiveSlide slide("Tile to Random", 4, 42, bottomUp);
        slide.Render(41); // past the slots: the grid
        EXPECT_EQ(slide.At(4, 4), 10) << bottomUp;
        EXPECT_EQ(slide.At(kW - 5, 4), 20) << bottomUp;
        EXPECT_EQ(slide.At(4, kH - 5), 30) << bottomUp;
    }
}

TEST(LiveLayoutTest, CircleWithChangingPicShowsAFewAtATime) {
    SLiveSlide slide("Circle with Changing Pic", 10, 100);
    slide.layout->GetParams(nullptr)[1].SetValue(3);
    slide.Render(0);
    // Picture 0 enters at the back, alone.
    EXPECT_NEAR(slide.Src(0).m_dy, 0.125, 1e-12);
    EXPECT_EQ(slide.counter, 1);
    // A quarter in, pictures 1 to 3 ride the circle.
    slide.Render(25);
    EXPECT_EQ(slide.counter, 4);
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(slide.Src(i).m_draws, 1) << i;
}

} // namespace
