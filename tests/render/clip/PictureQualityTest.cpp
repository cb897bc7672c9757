// How faithfully a picture clip draws generated pictures with fine detail,
// still and in motion, against libswscale's Lanczos resample of the
// full-resolution picture at the same geometry.
#include "render/clip/ClipMath.h"
#include "render/frame/FrameSrcImage.h"
#include "tests/support/QualityKit.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

using QualityKit::SBox;
using QualityKit::SPicture;

namespace {

constexpr int kW = 720, kH = 576;
constexpr double kPal = 16.0 / 15.0;

// A picture loaded as an album loads it: reduced for the decode box of the
// largest zoom it is shown at.
bool Load(CFrameSrcImage& source, const SPicture& full, double aspect, double maxZoom) {
    int mw = 0, mh = 0;
    ClipMath::DecodeBox(maxZoom, 1, 1, kW, kH, aspect, false, mw, mh);
    return source.LoadPixels(full.bgra.data(), full.width, full.height, full.width * 4, mw, mh);
}

// The frame's part that the picture covers, less the two pixels at its edge
// that fade into the background in the pipeline and not in the reference.
SBox Inside(const SBox& target) {
    return {target.x + 2, target.y + 2, target.width - 4, target.height - 4};
}

// The reference: the window resampled by Lanczos, set into a black frame at
// the target rectangle.
SPicture Reference(const SPicture& full, const SBox& window, const SBox& target) {
    const SPicture part = QualityKit::Resample(full, window, target.width, target.height,
                                               SWS_LANCZOS);
    SPicture frame(kW, kH);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            std::uint8_t* d = frame.Row(y) + std::size_t(x) * 4;
            const bool in = x >= target.x && x < target.x + target.width && y >= target.y &&
                            y < target.y + target.height;
            const std::uint8_t* s =
                in ? part.Row(y - target.y) + std::size_t(x - target.x) * 4 : nullptr;
            for (int c = 0; c < 3; ++c)
                d[c] = s ? s[c] : 0;
            d[3] = 255;
        }
    return frame;
}

// Writes a frame into the folder KV_QUALITY_OUT names, when it is set, to
// look at.
void Keep(const SPicture& frame, const std::string& name) {
    if (const char* out = std::getenv("KV_QUALITY_OUT"))
        QualityKit::SavePpm(frame, (std::string(out) + "/" + name + ".ppm").c_str());
}

// Prints a figure beside the test's result.
double Report(const char* what, double value) {
    ::testing::Test::RecordProperty(what, std::to_string(value));
    std::printf("  %s: %.2f\n", what, value);
    return value;
}

} // namespace

// A picture fitted to the frame and shown still is as sharp as a good
// resampler makes it: for 4:3 and 16:9 pictures in PAL's wide pixels and in
// square ones.
TEST(PictureQuality, AStillAtZoomOneMatchesALanczosResample) {
    const SPicture texture = QualityKit::MakeTexture(2112, 1584);
    const SPicture wide = QualityKit::MakeTexture(2112, 1188);
    struct SCase {
        const SPicture* picture;
        double aspect;
        SBox target; // the fitted picture in the frame
    };
    const SCase cases[] = {{&texture, kPal, {0, 0, 720, 576}},
                           {&texture, 1.0, {0, 18, 720, 540}},
                           {&wide, kPal, {0, 72, 720, 432}}};
    for (const SCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.picture->width << " x " << c.picture->height
                                          << " at pixel aspect " << c.aspect);
        CFrameSrcImage source;
        ASSERT_TRUE(Load(source, *c.picture, c.aspect, 1.0));
        QualityKit::CRig rig(source, c.picture->width, c.picture->height, kW, kH, c.aspect);
        const SBox whole{0, 0, c.picture->width, c.picture->height};
        SPicture frame;
        ASSERT_TRUE(rig.Draw(whole, c.target, frame));
        EXPECT_GE(Report("still PSNR", QualityKit::LumaPsnr(frame,
                                                            Reference(*c.picture, whole, c.target),
                                                            Inside(c.target))),
                  50.0);
    }
}

// Every frame of a slow zoom and of a pan stays close to the reference: the
// prepared sizes follow the zoom without blurring the frames in between.
TEST(PictureQuality, EveryFrameOfAZoomAndAPanMatchesALanczosResample) {
    const SPicture texture = QualityKit::MakeTexture(2112, 1584);
    const SBox frameBox{0, 0, kW, kH};
    for (int motion = 0; motion < 2; ++motion) {
        double worst = 99;
        CFrameSrcImage source;
        ASSERT_TRUE(Load(source, texture, kPal, 1.3));
        QualityKit::CRig rig(source, texture.width, texture.height, kW, kH, kPal);
        for (int f = 0; f < 13; ++f) {
            SCOPED_TRACE(::testing::Message() << (motion ? "pan" : "zoom") << " frame " << f);
            // The zoom runs from 1.0 to 1.3; the pan moves 1.2 frame pixels a
            // frame at zoom 1.2.
            const SBox window =
                motion ? QualityKit::FrameWindow(texture, kW, kH, kPal, 1.2, (f - 6) * 4)
                       : QualityKit::FrameWindow(texture, kW, kH, kPal, 1 + 0.025 * f);
            SPicture frame;
            ASSERT_TRUE(rig.Draw(window, frameBox, frame));
            const double psnr =
                QualityKit::LumaPsnr(frame, Reference(texture, window, frameBox), Inside(frameBox));
            EXPECT_GE(psnr, 43.0);
            worst = std::min(worst, psnr);
        }
        Report(motion ? "worst pan frame PSNR" : "worst zoom frame PSNR", worst);
    }
}

// Shrunk to well below its fitted size (a zoom-out, a small layout cell), a
// zone plate shows no rings the reference does not: its fine rings are
// filtered away, not folded back into coarse ones.
TEST(PictureQuality, AShrunkZonePlateShowsNoFoldedRings) {
    const SPicture plate = QualityKit::MakeZonePlate(1024, 768);
    const SBox whole{0, 0, plate.width, plate.height};
    for (double zoom : {0.5, 0.3}) {
        SCOPED_TRACE(::testing::Message() << "zoom " << zoom);
        CFrameSrcImage source;
        ASSERT_TRUE(Load(source, plate, kPal, 1.0));
        QualityKit::CRig rig(source, plate.width, plate.height, kW, kH, kPal);
        const int w = int(std::lround(720 * zoom)), h = int(std::lround(576 * zoom));
        const SBox target{(kW - w) / 2, (kH - h) / 2, w, h};
        SPicture frame;
        ASSERT_TRUE(rig.Draw(whole, target, frame));
        const SPicture reference = Reference(plate, whole, target);
        Keep(frame, "zone-plate-" + std::to_string(int(zoom * 10)));
        Keep(reference, "zone-plate-" + std::to_string(int(zoom * 10)) + "-reference");
        // Drawn from the full picture by the warp alone, the plate scores 16 to
        // 17 dB with a folded-ring error of 4 to 6 levels.
        EXPECT_GE(Report("zone plate PSNR", QualityKit::LumaPsnr(frame, reference, Inside(target))),
                  25.0);
        EXPECT_LE(Report("folded-ring error",
                         QualityKit::LowFrequencyError(frame, reference, Inside(target))),
                  1.5);
    }
}
