#include "render/clip/ClipPipeline.h"
#include "render/frame/FrameSrcImage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

// An opaque picture of one colour (bytes B, G, R, A).
std::vector<std::uint8_t> Picture(int width, int height, std::uint32_t bgra) {
    std::vector<std::uint8_t> pixels(std::size_t(width) * std::size_t(height) * 4);
    for (std::size_t i = 0; i < pixels.size(); i += 4)
        for (int c = 0; c < 4; ++c)
            pixels[i + std::size_t(c)] = std::uint8_t(bgra >> (8 * c));
    return pixels;
}

struct SSource {
    SSource(int width, int height, std::uint32_t bgra = 0xFFFFFFFF) {
        pixels = Picture(width, height, bgra);
        EXPECT_TRUE(image.LoadPixels(pixels.data(), width, height, width * 4, 0, 0));
    }
    std::vector<std::uint8_t> pixels;
    CFrameSrcImage image;
};

} // namespace

TEST(ClipPipeline, FitModesFollowTheFrameAspect) {
    SSource picture(800, 600);
    CClipPipeline pal(720, 576, 16.0 / 15.0, false);
    pal.SetSource(&picture.image);
    pal.SetFit(CClipPipeline::kFitInside);
    EXPECT_DOUBLE_EQ(pal.FitX(), 0.96);
    EXPECT_DOUBLE_EQ(pal.FitY(), 0.96);

    CClipPipeline wide(720, 576, 64.0 / 45.0, false);
    wide.SetSource(&picture.image);
    wide.SetFit(CClipPipeline::kFill);
    EXPECT_DOUBLE_EQ(wide.FitX(), 1.28);
    EXPECT_DOUBLE_EQ(wide.FitY(), 1.28);

    // A portrait turned a quarter fits like a landscape picture.
    SSource portrait(600, 800);
    portrait.image.SetRotationCode(1);
    CClipPipeline turned(720, 576, 16.0 / 15.0, false);
    turned.SetSource(&portrait.image);
    turned.SetFit(CClipPipeline::kFitInside);
    EXPECT_DOUBLE_EQ(turned.FitX(), 0.96);
    EXPECT_DOUBLE_EQ(turned.FitY(), 0.96);
    EXPECT_DOUBLE_EQ(turned.BaseRotation(), -std::acos(-1.0) / 2);

    // Different row orders flip the y factor; a mirror flips x.
    CClipPipeline bottomUp(720, 576, 16.0 / 15.0, true);
    picture.image.SetRotationCode(16);
    bottomUp.SetSource(&picture.image);
    bottomUp.SetFit(CClipPipeline::kFitInside);
    EXPECT_DOUBLE_EQ(bottomUp.FitY(), -0.96);
    EXPECT_DOUBLE_EQ(bottomUp.FitX(), -0.96);
}

TEST(ClipPipeline, OpacityRoundsAndTheWarpIsCached) {
    SSource picture(64, 48);
    CClipPipeline clip(320, 240, 1.0, true);
    clip.SetSource(&picture.image);
    clip.SetFit(CClipPipeline::kFitInside);
    EXPECT_TRUE(clip.Place(0, 0, clip.FitX(), clip.FitY(), 0, 0.002 * 255));
    EXPECT_FALSE(IsEmpty(clip.Dirty()));
    EXPECT_TRUE(clip.Place(0, 0, clip.FitX(), clip.FitY(), 0, 0.0019 * 255));
    EXPECT_TRUE(IsEmpty(clip.Dirty())); // hidden

    int warps = clip.WarpCount();
    EXPECT_TRUE(clip.Place(0, 0, 1, 1, 0, 255));
    EXPECT_TRUE(clip.Place(0, 0, 1, 1, 0, 255));
    EXPECT_EQ(clip.WarpCount(), warps + 1);
    EXPECT_TRUE(clip.Place(1, 0, 1, 1, 0, 255));
    EXPECT_EQ(clip.WarpCount(), warps + 2);
    picture.image.SetAdjust(false, 0.2, 0); // a changed source is warped again
    EXPECT_TRUE(clip.Place(1, 0, 1, 1, 0, 255));
    EXPECT_EQ(clip.WarpCount(), warps + 3);
}

TEST(ClipPipeline, APlacedPictureComposesOverTheFrame) {
    SSource picture(100, 100, 0xFF3060C0);
    CClipPipeline clip(200, 200, 1.0, true);
    clip.SetSource(&picture.image);
    clip.SetFit(CClipPipeline::kNaturalSize, 200); // one picture pixel per frame pixel
    ASSERT_TRUE(clip.Place(0, 0, clip.FitX(), clip.FitY(), 0, 255));
    const SRect& dirty = clip.Dirty();
    EXPECT_NEAR(dirty.left, 10, 2); // the 40-pixel transparent margin shows around it
    EXPECT_NEAR(dirty.right, 190, 2);

    std::vector<std::uint8_t> frame(200 * 200 * 4, 0);
    CImageView target;
    target.Attach(frame.data(), 200, 200, -200 * 4);
    target.Fill(0xFF000000);
    ASSERT_TRUE(clip.Compose(target, nullptr, false));
    const std::uint8_t* centre = target.Row(100) + 100 * 4;
    EXPECT_EQ(centre[0], 0xC0);
    EXPECT_EQ(centre[1], 0x60);
    EXPECT_EQ(centre[2], 0x30);
    EXPECT_EQ(centre[3], 0xFF);
    const std::uint8_t* corner = target.Row(5) + 5 * 4;
    EXPECT_EQ(corner[0], 0); // the black frame outside the picture
    EXPECT_EQ(corner[3], 0xFF);
}

// A picture that fits the frame's width exactly is placed at scale 1, centred:
// every pixel must come out as it went in, not blended with a neighbour, in
// both row orders of the layer and the frame, with odd and even sizes.
TEST(ClipPipeline, AnUprightPictureAtScaleOneIsCopied) {
    struct SCase {
        int frameW, frameH, picW, picH;
        bool snap = false;
    };
    // With an odd margin the picture is copied only when snapped to pixels,
    // half a pixel down (or right) of the centre.
    for (const SCase& c : {SCase{64, 48, 64, 40}, SCase{63, 47, 63, 41}, SCase{65, 50, 65, 50},
                           SCase{64, 48, 64, 41, true}, SCase{63, 48, 60, 48, true}})
        for (bool bottomUp : {false, true}) {
            SCOPED_TRACE(::testing::Message() << c.frameW << " x " << c.frameH << " frame, "
                                              << c.picW << " x " << c.picH << " picture, "
                                              << (bottomUp ? "bottom-up" : "top-down"));
            // Opaque noise: any blend of neighbours changes some pixel.
            std::vector<std::uint8_t> pixels(std::size_t(c.picW) * std::size_t(c.picH) * 4);
            std::uint32_t seed = 12345;
            for (std::size_t i = 0; i < pixels.size(); ++i) {
                seed = seed * 1664525u + 1013904223u;
                pixels[i] = (i & 3) == 3 ? 255 : std::uint8_t(seed >> 24);
            }
            CFrameSrcImage image;
            ASSERT_TRUE(image.LoadPixels(pixels.data(), c.picW, c.picH, c.picW * 4, 0, 0));
            CClipPipeline clip(c.frameW, c.frameH, 1.0, bottomUp);
            clip.SetSource(&image);
            clip.SetSnapToPixels(c.snap);
            clip.SetFit(CClipPipeline::kFitInside);
            EXPECT_DOUBLE_EQ(std::fabs(clip.FitX()), 1.0);
            EXPECT_DOUBLE_EQ(std::fabs(clip.FitY()), 1.0);
            ASSERT_TRUE(clip.Place(0, 0, clip.FitX(), clip.FitY(), 0, 255));

            std::vector<std::uint8_t> frame(std::size_t(c.frameW) * std::size_t(c.frameH) * 4);
            CImageView target;
            target.Attach(frame.data(), c.frameW, c.frameH,
                          bottomUp ? -c.frameW * 4 : c.frameW * 4);
            target.Fill(0xFF000000);
            ASSERT_TRUE(clip.Compose(target, nullptr, false));
            const int top = (c.frameH - c.picH + 1) / 2, left = (c.frameW - c.picW + 1) / 2;
            int wrong = 0;
            for (int y = 0; y < c.picH; ++y)
                wrong += std::memcmp(target.Row(top + y) + left * 4,
                                     &pixels[std::size_t(y) * c.picW * 4],
                                     std::size_t(c.picW) * 4) != 0;
            EXPECT_EQ(wrong, 0) << "rows differ from the picture";
            // The frame's rows outside the picture stay black.
            if (top > 0) {
                EXPECT_EQ(target.Row(top - 1)[1], 0);
            }
        }
}

TEST(FrameSrcImage, LoadingReducesPremultipliesAndAdjusts) {
    std::vector<std::uint8_t> big = Picture(4000, 3000, 0x80FF0000);
    CFrameSrcImage image;
    // Fitted inside the 720 x 576 box it would be 720 x 540: it is kept at
    // twice that, for the prepared views to shrink from.
    ASSERT_TRUE(image.LoadPixels(big.data(), 4000, 3000, 4000 * 4, 720, 576));
    EXPECT_EQ(image.Source().Width(), 1440);
    EXPECT_EQ(image.Source().Height(), 1080);
    const std::uint8_t* p = image.Source().Row(270) + 360 * 4;
    EXPECT_EQ(p[3], 0x80);
    EXPECT_NEAR(p[2], 128, 1); // red 255 premultiplied by 128/255
    // The prepared view: the crop inside a 40-pixel transparent border, at
    // the scale the warp asks for, never above the picture's own.
    ASSERT_TRUE(image.SetPreparedScale(0.5, 0.25));
    EXPECT_EQ(image.Prepared().Width(), 720 + 80);
    EXPECT_EQ(image.Prepared().Height(), 270 + 80);
    EXPECT_DOUBLE_EQ(image.PreparedScaleY(), 0.25);
    EXPECT_EQ(image.Prepared().Row(20)[20 * 4 + 3], 0);
    EXPECT_EQ(image.Prepared().Row(40)[40 * 4 + 3], 0x80);
    EXPECT_NEAR(image.Prepared().Row(40)[40 * 4 + 2], 128, 1);
    ASSERT_TRUE(image.SetPreparedScale(3, 1));
    EXPECT_EQ(image.Prepared().Width(), 1440 + 80);
    EXPECT_DOUBLE_EQ(image.PreparedScaleX(), 1);
    EXPECT_FALSE(image.SetPreparedScale(0, 1));
    // Up to twice the fitted size a picture is kept; a box to cover keeps a
    // wide picture high enough for the box's height.
    CFrameSrcImage kept;
    ASSERT_TRUE(kept.LoadPixels(big.data(), 1400, 1050, 4000 * 4, 720, 576));
    EXPECT_EQ(kept.Source().Width(), 1400);
    kept.SetCoverBox(true);
    ASSERT_TRUE(kept.LoadPixels(big.data(), 4000, 1000, 4000 * 4, 400, 300));
    EXPECT_EQ(kept.Source().Height(), 600);
    EXPECT_EQ(kept.Source().Width(), 2400);

    // Contrast 0.5 (k = 1.5) around 122/125, then brightness -0.1 (-25).
    std::vector<std::uint8_t> grey = Picture(10, 10, 0xFFC8C8C8);
    CFrameSrcImage adjusted;
    ASSERT_TRUE(adjusted.LoadPixels(grey.data(), 10, 10, 40, 0, 0, false, -0.1, 0.5));
    const std::uint8_t* q = adjusted.Prepared().Row(45) + 45 * 4;
    EXPECT_EQ(q[0], 242 - 25);
    EXPECT_EQ(q[3], 0xFF);
    // Automatic levels on a picture of one colour leave it as it is.
    ASSERT_TRUE(adjusted.SetAdjust(true, 0, 0));
    EXPECT_EQ(adjusted.Prepared().Row(45)[45 * 4], 0xC8);

    // Another picture of the same size is prepared afresh.
    std::vector<std::uint8_t> green = Picture(10, 10, 0xFF00FF00);
    ASSERT_TRUE(adjusted.LoadPixels(green.data(), 10, 10, 40, 0, 0));
    EXPECT_EQ(adjusted.Prepared().Row(45)[45 * 4 + 1], 0xFF);

    // A crop in fractions of the picture.
    SSource picture(800, 600);
    ASSERT_TRUE(picture.image.SetCrop(0.1, 0, 0.5, 0.5));
    EXPECT_EQ(picture.image.Crop().left, 280);
    EXPECT_EQ(picture.image.Crop().top, 150);
    EXPECT_EQ(picture.image.Crop().right, 680);
    EXPECT_EQ(picture.image.Crop().bottom, 450);
}

// The source prepares the picture near the size the warp draws it at: the
// fitted size itself for a still, a few sizes a step of 1.25 apart through a
// zoom, chosen by the zoom alone and not by the frames drawn before.
TEST(ClipPipeline, PreparedSizesFollowTheZoomInFewSteps) {
    SSource picture(2000, 1500);
    CClipPipeline clip(720, 576, 16.0 / 15.0, false);
    clip.SetSource(&picture.image);
    clip.SetFit(CClipPipeline::kFitInside);
    auto preparedAt = [&](double zoom) {
        EXPECT_TRUE(clip.Place(0, 0, clip.FitX() * zoom, clip.FitY() * zoom, 0, 255));
        const CImageView& v = picture.image.Prepared();
        return std::pair(v.Width() - 80, v.Height() - 80);
    };
    // Still: PAL's wide pixels make the 4:3 picture 720 x 576 frame pixels.
    EXPECT_EQ(preparedAt(1.0), std::pair(720, 576));
    int changes = 0;
    std::pair<int, int> last = preparedAt(1.0);
    for (int f = 0; f <= 50; ++f) {
        const auto now = preparedAt(1.0 + 0.3 * f / 50);
        changes += now != last;
        last = now;
    }
    EXPECT_EQ(changes, 2); // 1.25 x and then 1.5625 x the fitted size
    EXPECT_EQ(last, std::pair(1125, 900));
    EXPECT_EQ(preparedAt(1.1), std::pair(900, 720));
    EXPECT_EQ(preparedAt(1.0), std::pair(720, 576));
    // Made ahead for the zoom's range (as the loader does), the sizes are
    // kept: drawing the zoom makes none.
    SSource ahead(2000, 1500);
    CClipPipeline loaded(720, 576, 16.0 / 15.0, false);
    loaded.SetSource(&ahead.image);
    loaded.SetFit(CClipPipeline::kFitInside);
    loaded.PrepareForZooms(1.0, 1.3);
    EXPECT_EQ(ahead.image.Prepared().Width() - 80, 720); // ready for the first frame
    const int made = ahead.image.PreparedSizesMade();
    for (int f = 0; f <= 50; ++f) {
        const double zoom = 1.0 + 0.3 * f / 50;
        ASSERT_TRUE(loaded.Place(0, 0, loaded.FitX() * zoom, loaded.FitY() * zoom, 0, 255));
    }
    EXPECT_EQ(ahead.image.PreparedSizesMade(), made);
    // Shrunk to a small cell it is prepared small (1.25^-7 of the fitted
    // size), not warped down from the whole picture.
    EXPECT_EQ(preparedAt(0.2), std::pair(151, 121));
    // Turned a quarter, the picture's rows run down the frame, where a frame
    // pixel is narrower than along it: its width takes the next step up.
    EXPECT_TRUE(clip.Place(0, 0, clip.FitX(), clip.FitY(), M_PI / 2, 255));
    EXPECT_EQ(picture.image.Prepared().Width() - 80, 900);
    EXPECT_EQ(picture.image.Prepared().Height() - 80, 576);
}

// A source that prepares on demand makes no view until one is drawn, then
// only the sizes drawn, with the pixels a source that prepares at once
// gives; a pipeline that takes its layer's memory at the first placement
// has none before.
TEST(FrameSrcImage, OnDemandSourcesPrepareOnlyWhatIsDrawnWithTheSamePixels) {
    std::vector<std::uint8_t> pixels(std::size_t(400) * 300 * 4);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = std::uint8_t(i % 4 == 3 ? 255 : i * 7 % 251);
    CFrameSrcImage eager, lazy;
    lazy.SetPrepareOnDemand(true);
    for (CFrameSrcImage* image : {&eager, &lazy}) {
        ASSERT_TRUE(image->LoadPixels(pixels.data(), 400, 300, 400 * 4, 0, 0, false, 0.1, 0.2));
        ASSERT_TRUE(image->SetCrop(0.05, 0, 0.8, 0.9));
    }
    EXPECT_EQ(eager.PreparedSizesMade(), 2); // the whole picture, then the crop
    EXPECT_EQ(lazy.PreparedSizesMade(), 0);
    EXPECT_EQ(lazy.Prepared().Width(), 0);

    CClipPipeline now(320, 240, 1.0, true);
    CClipPipeline later(320, 240, 1.0, true, CClipPipeline::ELayerMemory::kAtFirstPlace);
    EXPECT_EQ(now.Layer().Width(), 320);
    EXPECT_EQ(later.Layer().Width(), 0);
    now.SetSource(&eager);
    later.SetSource(&lazy);
    for (CClipPipeline* clip : {&now, &later})
        clip->SetFit(CClipPipeline::kFitInside);
    // Drawn at half its fitted size and larger than its own, at a slant.
    for (double scale : {0.5, 1.7}) {
        for (CClipPipeline* clip : {&now, &later})
            ASSERT_TRUE(clip->Place(3, -2, clip->FitX() * scale, clip->FitY() * scale, 0.3, 200));
        ASSERT_EQ(later.Layer().Width(), 320);
        for (int y = 0; y < 240; ++y)
            ASSERT_EQ(std::memcmp(now.Layer().Row(y), later.Layer().Row(y), 320 * 4), 0) << y;
    }
    EXPECT_EQ(lazy.PreparedSizesMade(), 2);
    EXPECT_EQ(lazy.Prepared().Width(), eager.Prepared().Width());
}

// Each warp clears only what the previous one wrote and the new one does not
// overwrite whole: after any sequence of moves, zooms and turns the layer
// must hold exactly what one warp to the last place gives.
TEST(ClipPipeline, AWarpAfterOthersLeavesTheLayerOfAFirstWarp) {
    std::vector<std::uint8_t> pixels(std::size_t(90) * 70 * 4);
    std::uint32_t seed = 99;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        pixels[i] = (i & 3) == 3 ? std::uint8_t(128 + (seed >> 25)) : std::uint8_t(seed >> 24);
    }
    struct SPlace {
        double x, y, scale, angle;
    };
    const SPlace steps[] = {{0, 0, 1.3, 0},   {5, -3, 1.0, 0},   {-20, 12, 0.6, 0}, {3, 4, 0.9, 0.3},
                            {0, 0, 1.7, 0},   {-7.5, 2.25, 1.1, 0}, {30, 30, 0.4, 0}, {1, 1, 1.05, 0}};
    for (bool bottomUp : {false, true}) {
        CFrameSrcImage image;
        ASSERT_TRUE(image.LoadPixels(pixels.data(), 90, 70, 90 * 4, 0, 0));
        CClipPipeline moving(120, 96, 1.0, bottomUp);
        moving.SetSource(&image);
        moving.SetFit(CClipPipeline::kFitInside);
        for (std::size_t n = 0; n < std::size(steps); ++n) {
            const SPlace& p = steps[n];
            SCOPED_TRACE(::testing::Message() << "step " << n << (bottomUp ? " bottom-up" : ""));
            ASSERT_TRUE(moving.Place(p.x, p.y, moving.FitX() * p.scale, moving.FitY() * p.scale,
                                     p.angle, 255));
            CClipPipeline fresh(120, 96, 1.0, bottomUp);
            fresh.SetSource(&image);
            fresh.SetFit(CClipPipeline::kFitInside);
            ASSERT_TRUE(fresh.Place(p.x, p.y, fresh.FitX() * p.scale, fresh.FitY() * p.scale,
                                    p.angle, 255));
            int wrong = 0;
            for (int y = 0; y < 96; ++y)
                wrong += std::memcmp(moving.Layer().Row(y), fresh.Layer().Row(y), 120 * 4) != 0;
            EXPECT_EQ(wrong, 0) << "rows differ from a first warp";
        }
    }
}

// Composing on a plain colour must give the bytes of filling the frame with
// it and composing over that, around the layer, on its soft edges and on its
// translucent pixels, in both row orders.
TEST(ClipPipeline, ComposingOnAColourEqualsFillingThenComposing) {
    std::vector<std::uint8_t> pixels(std::size_t(50) * 40 * 4);
    std::uint32_t seed = 7;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        pixels[i] = (i & 3) == 3 ? std::uint8_t(seed >> 24 | 0x80) : std::uint8_t(seed >> 24);
    }
    for (bool bottomUp : {false, true}) {
        CFrameSrcImage image;
        ASSERT_TRUE(image.LoadPixels(pixels.data(), 50, 40, 50 * 4, 0, 0));
        CClipPipeline clip(96, 72, 1.0, bottomUp);
        clip.SetSource(&image);
        clip.SetFit(CClipPipeline::kFitInside);
        ASSERT_TRUE(clip.Place(-9.5, 4.25, clip.FitX() * 0.7, clip.FitY() * 0.7, 0.2, 255));
        std::vector<std::uint8_t> filled(std::size_t(96) * 72 * 4), one(filled.size(), 0x5A);
        CImageView a, b;
        const int stride = bottomUp ? -96 * 4 : 96 * 4;
        a.Attach(filled.data(), 96, 72, stride);
        b.Attach(one.data(), 96, 72, stride);
        a.Fill(0xFF204060);
        ASSERT_TRUE(clip.Compose(a, nullptr, false));
        ASSERT_TRUE(clip.ComposeOnColour(b, 0xFF204060));
        EXPECT_EQ(filled, one) << (bottomUp ? "bottom-up" : "top-down");
    }
}

// Warping straight into the frame gives the bytes of warping into the layer
// and composing that over the colour: for opaque and partly transparent
// pictures, moving, zooming, turning, translucent and standing still, in
// either row order.
TEST(ClipPipeline, PlacingOnAColourGivesThePixelsOfComposing) {
    std::uint32_t seed = 12345;
    auto random = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return std::uint8_t(seed >> 24);
    };
    struct SPlacement {
        double x, y, scale, angle, opacity;
    };
    const SPlacement moves[] = {
        {0, 0, 1, 0, 255},         {3.5, -2.25, 1.1, 0, 255}, {3.5, -2.25, 1.1, 0, 255},
        {3.5, -2.25, 1.1, 0, 255}, {-40, 17, 0.6, 0, 255},    {10, 5, 1.3, 0.2, 255},
        {10, 5, 1.3, 0, 128},      {60, 0, 1.05, 0, 255},     {60, 0, 1.05, 0, 255}};
    for (const bool transparent : {false, true})
        for (const bool bottomUp : {false, true}) {
            std::vector<std::uint8_t> pixels(97 * 61 * 4);
            for (std::size_t i = 0; i < pixels.size(); ++i)
                pixels[i] = random();
            for (std::size_t i = 3; i < pixels.size(); i += 4)
                if (!transparent || pixels[i] > 100) pixels[i] = 255;
            CFrameSrcImage image;
            ASSERT_TRUE(image.LoadPixels(pixels.data(), 97, 61, 97 * 4, 0, 0));
            CClipPipeline direct(160, 120, 1.0, bottomUp,
                                 CClipPipeline::ELayerMemory::kAtFirstPlace);
            CClipPipeline layered(160, 120, 1.0, bottomUp);
            for (CClipPipeline* clip : {&direct, &layered}) {
                clip->SetSource(&image);
                clip->SetFit(CClipPipeline::kFitInside);
            }
            std::vector<std::uint8_t> a(160 * 120 * 4), b(a.size());
            CImageView viewA, viewB;
            viewA.Attach(a.data(), 160, 120, bottomUp ? -160 * 4 : 160 * 4);
            viewB.Attach(b.data(), 160, 120, bottomUp ? -160 * 4 : 160 * 4);
            const std::uint32_t colour = 0xFF2050A0;
            int n = 0;
            for (const SPlacement& m : moves) {
                const double sx = direct.FitX() * m.scale, sy = direct.FitY() * m.scale;
                ASSERT_TRUE(
                    direct.PlaceOnColour(viewA, colour, m.x, m.y, sx, sy, m.angle, m.opacity));
                ASSERT_TRUE(layered.Place(m.x, m.y, sx, sy, m.angle, m.opacity));
                ASSERT_TRUE(layered.ComposeOnColour(viewB, colour));
                EXPECT_EQ(a, b) << "placement " << n << (transparent ? ", transparent" : ", opaque")
                                << (bottomUp ? ", bottom-up" : ", top-down");
                ++n;
            }
        }
}
