// Picture quality: photos drawn through the clip pipeline (decode-size
// reduction, prepared size, warp) into a 720 x 576 frame, compared in luma
// PSNR with a Lanczos resample of the full-resolution photo by libswscale at
// the same geometry.
//  - A still at zoom 1, beside two plain resamplers and the pipeline's frame
//    against the reference shifted by quarter pixels, which shows a
//    misplaced sampling grid.
//  - Motion: every frame of a zoom from 1.0 to 1.3 and of a horizontal pan at
//    zoom 1.2, 25 frames each; the worst and the mean frame.
//   build/bin/bench_quality [PHOTO...]   (no photo: a generated 4224 x 3168 texture)
// KV_QUALITY_ASPECT sets the frame's pixel aspect (default 16/15, PAL 4:3).
// Writes the still frame and its reference of each photo as PPM files into the
// folder in KV_QUALITY_OUT when set, to look at crops side by side.
#include "render/clip/ClipMath.h"
#include "render/clip/ClipPipeline.h"
#include "render/frame/FrameSrcImage.h"
#include "render/frame/ImageView.h"
#include "render/frame/PixelBuffer.h"
#include "tests/support/QualityKit.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using QualityKit::SBox;
using QualityKit::SPicture;

namespace {

constexpr int kFrameW = 720, kFrameH = 576;

// A luma plane in doubles.
struct SLuma {
    int width = 0, height = 0;
    std::vector<double> y;
    double At(int x, int r) const { return y[std::size_t(r) * std::size_t(width) + std::size_t(x)]; }
};

SLuma Luma(const std::uint8_t* first, int stride, int width, int height) {
    SLuma l{width, height, std::vector<double>(std::size_t(width) * std::size_t(height))};
    for (int r = 0; r < height; ++r) {
        const std::uint8_t* p = first + std::ptrdiff_t(r) * stride;
        for (int x = 0; x < width; ++x, p += 4)
            l.y[std::size_t(r) * std::size_t(width) + std::size_t(x)] =
                0.114 * p[0] + 0.587 * p[1] + 0.299 * p[2];
    }
    return l;
}

// PSNR over the rectangle [x0, x1) x [y0, y1) of a against the same place of b.
double Psnr(const SLuma& a, const SLuma& b, int x0, int y0, int x1, int y1) {
    double sum = 0;
    for (int r = y0; r < y1; ++r)
        for (int x = x0; x < x1; ++x) {
            const double d = a.At(x, r) - b.At(x, r);
            sum += d * d;
        }
    const double mse = sum / (double(x1 - x0) * (y1 - y0));
    return mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : 99.0;
}

// A box reduction by a whole factor, standing in for a reduced JPEG decode.
SPicture Box(const SPicture& in, int factor) {
    const int w = in.width / factor, h = in.height / factor;
    SPicture out(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c) {
                int sum = 0;
                for (int j = 0; j < factor; ++j)
                    for (int i = 0; i < factor; ++i)
                        sum += in.bgra[((std::size_t(y) * factor + j) * in.width +
                                        std::size_t(x) * factor + i) * 4 + std::size_t(c)];
                out.bgra[(std::size_t(y) * w + x) * 4 + std::size_t(c)] =
                    std::uint8_t((sum + factor * factor / 2) / (factor * factor));
            }
    return out;
}

double Lanczos3(double t) {
    t = std::fabs(t);
    if (t < 1e-9) return 1;
    if (t >= 3) return 0;
    const double a = M_PI * t;
    return 3 * std::sin(a) * std::sin(a / 3) / (a * a);
}

// The luma plane moved right by dx and down by dy pixels (Lanczos-3, edges
// repeated).
SLuma Shift(const SLuma& in, double dx, double dy) {
    SLuma mid = in, out = in;
    auto pass = [](const SLuma& s, SLuma& d, double shift, bool horizontal) {
        for (int r = 0; r < s.height; ++r)
            for (int x = 0; x < s.width; ++x) {
                double sum = 0, wsum = 0;
                const double c = (horizontal ? x : r) - shift;
                for (int k = int(std::floor(c)) - 2; k <= int(std::floor(c)) + 3; ++k) {
                    const double w = Lanczos3(c - k);
                    const int n = horizontal ? s.width : s.height;
                    const int kk = std::clamp(k, 0, n - 1);
                    sum += w * (horizontal ? s.At(kk, r) : s.At(x, kk));
                    wsum += w;
                }
                d.y[std::size_t(r) * std::size_t(s.width) + std::size_t(x)] = sum / wsum;
            }
    };
    pass(in, mid, dx, true);
    pass(mid, out, dy, false);
    return out;
}

// Every frame of a zoom from 1.0 to 1.3 and of a horizontal pan at 1.2, each
// drawn by one pipeline in turn as an album would, against Lanczos references.
void MeasureMotion(const SPicture& full, const std::string& file, double aspect) {
    constexpr int kFrames = 25;
    // Decoded for the largest zoom of the pair.
    int mw = 0, mh = 0;
    ClipMath::DecodeBox(ClipMath::DecodeScale(1.0, 1.3, 0.75), 1, 1, kFrameW, kFrameH, aspect,
                        false, mw, mh);
    for (int motion = 0; motion < 2; ++motion) {
        CFrameSrcImage source;
        const bool loaded = file.empty() ? source.LoadPixels(full.bgra.data(), full.width,
                                                             full.height, full.width * 4, mw, mh)
                                         : source.Load(file, mw, mh);
        if (!loaded)
            return;
        QualityKit::CRig rig(source, full.width, full.height, kFrameW, kFrameH, aspect);
        // The pan moves about 1.4 frame pixels a frame.
        const int step = std::max(1, int(std::lround(1.4 * full.width / (1.2 * kFrameW))));
        double worst = 99, sum = 0, areaSum = 0;
        int worstFrame = 0;
        const SBox frameBox{0, 0, kFrameW, kFrameH}, inner{2, 2, kFrameW - 4, kFrameH - 4};
        for (int f = 0; f < kFrames; ++f) {
            const SBox window = motion == 0
                                    ? QualityKit::FrameWindow(full, kFrameW, kFrameH, aspect,
                                                              1.0 + 0.3 * f / (kFrames - 1))
                                    : QualityKit::FrameWindow(full, kFrameW, kFrameH, aspect, 1.2,
                                                              (f - kFrames / 2) * step);
            SPicture frame;
            if (!rig.Draw(window, frameBox, frame))
                return;
            const SPicture ref =
                QualityKit::Resample(full, window, kFrameW, kFrameH, SWS_LANCZOS);
            const double psnr = QualityKit::LumaPsnr(frame, ref, inner);
            sum += psnr;
            areaSum += QualityKit::LumaPsnr(
                QualityKit::Resample(full, window, kFrameW, kFrameH, SWS_AREA), ref, inner);
            if (psnr < worst)
                worst = psnr, worstFrame = f;
        }
        std::printf("  %-38s worst %6.2f dB (frame %d), mean %6.2f dB; area from full "
                    "resolution %6.2f dB\n",
                    motion == 0 ? "zoom 1.0 -> 1.3, 25 frames" : "pan at zoom 1.2, 25 frames",
                    worst, worstFrame, sum / kFrames, areaSum / kFrames);
    }
}

void Measure(const std::string& name, const SPicture& full, const std::string& file, double aspect) {
    // The pipeline: the decode size for zoom 1, the clip fitted inside and
    // warped into a frame of pixels aspect wide.
    int mw = 0, mh = 0;
    ClipMath::DecodeBox(ClipMath::DecodeScale(1, 1, 0.75), 1, 1, kFrameW, kFrameH, aspect, false,
                        mw, mh);
    CFrameSrcImage source;
    const bool loaded = file.empty() ? source.LoadPixels(full.bgra.data(), full.width, full.height,
                                                         full.width * 4, mw, mh)
                                     : source.Load(file, mw, mh);
    if (!loaded) {
        std::printf("%s: cannot be loaded\n", name.c_str());
        return;
    }
    CPixelBuffer frameBits;
    frameBits.Allocate(kFrameW, kFrameH);
    CImageView frame;
    frame.Attach(frameBits.Bits(), kFrameW, kFrameH, frameBits.Stride());
    frame.Fill(0xFF000000u);
    CClipPipeline clip(kFrameW, kFrameH, aspect, false);
    clip.SetSource(&source);
    clip.SetSnapToPixels(true);
    clip.SetFit(CClipPipeline::kFitInside);
    clip.Place(0, 0, clip.FitX(), clip.FitY(), 0, 255);
    clip.Compose(frame, nullptr, false);

    // The same geometry for the references: the fitted size in frame pixels,
    // centred.
    const int w = int(std::lround(source.Source().Width() * clip.FitX() / aspect));
    const int h = int(std::lround(source.Source().Height() * std::fabs(clip.FitY())));
    // Centred, and moved half a pixel onto whole pixels where the margin is
    // odd, as an album's picture clips are.
    const int left = (kFrameW - w + 1) / 2, top = (kFrameH - h + 1) / 2;
    const double fracX = 0, fracY = 0;

    const SBox whole{0, 0, full.width, full.height};
    const SPicture lanczos = QualityKit::Resample(full, whole, w, h, SWS_LANCZOS);
    const SPicture area = QualityKit::Resample(full, whole, w, h, SWS_AREA);
    const SPicture quarter = Box(full, 4);
    const SPicture bilinear = QualityKit::Resample(
        quarter, {0, 0, quarter.width, quarter.height}, w, h, SWS_BILINEAR);

    const SLuma ref = Shift(Luma(lanczos.bgra.data(), w * 4, w, h), fracX, fracY);
    auto luma = [&](const SPicture& p) {
        return Shift(Luma(p.bgra.data(), w * 4, w, h), fracX, fracY);
    };
    const SLuma got = Luma(frame.Row(top) + 4 * left, frame.Stride(), w, h);
    // A two-pixel border is left out: the frame's picture edge fades into the
    // background, the reference's does not.
    const int b = 2;
    std::printf("%s (%d x %d, decoded to %d x %d, fitted %d x %d at %d, %d):\n", name.c_str(),
                full.width, full.height, source.Source().Width(), source.Source().Height(), w, h,
                left, top);
    std::printf("  pipeline frame                         %6.2f dB\n",
                Psnr(got, ref, b, b, w - b, h - b));
    std::printf("  quarter box + bilinear                 %6.2f dB\n",
                Psnr(luma(bilinear), ref, b, b, w - b, h - b));
    std::printf("  area from full resolution              %6.2f dB\n",
                Psnr(luma(area), ref, b, b, w - b, h - b));
    double best = -1, bx = 0, by = 0;
    for (int j = -2; j <= 2; ++j)
        for (int i = -2; i <= 2; ++i) {
            const double p = Psnr(got, Shift(ref, i / 4.0, j / 4.0), 4, 4, w - 4, h - 4);
            if (p > best)
                best = p, bx = i / 4.0, by = j / 4.0;
        }
    std::printf("  pipeline vs shifted reference, best    %6.2f dB at (%+.2f, %+.2f) px\n", best,
                bx, by);
    if (const char* out = std::getenv("KV_QUALITY_OUT")) {
        SPicture fitted(w, h);
        for (int y = 0; y < h; ++y)
            std::memcpy(fitted.Row(y), frame.Row(top + y) + 4 * left, std::size_t(w) * 4);
        QualityKit::SavePpm(fitted, (std::string(out) + "/" + name + "-frame.ppm").c_str());
        QualityKit::SavePpm(lanczos, (std::string(out) + "/" + name + "-lanczos.ppm").c_str());
    }
    MeasureMotion(full, file, aspect);
}

} // namespace

int main(int argc, char** argv) {
    // The frame's pixel aspect: PAL 4:3 unless KV_QUALITY_ASPECT says otherwise.
    const char* env = std::getenv("KV_QUALITY_ASPECT");
    const double aspect = env ? std::atof(env) : 16.0 / 15.0;
    std::printf("frame %d x %d, pixel aspect %.4f\n", kFrameW, kFrameH, aspect);
    if (argc < 2) {
        Measure("texture", QualityKit::MakeTexture(4224, 3168), {}, aspect);
        return 0;
    }
    for (int i = 1; i < argc; ++i) {
        // The full-resolution pixels for the references.
        CFrameSrcImage full;
        if (!full.Load(argv[i], 0, 0)) {
            std::printf("%s: cannot be decoded\n", argv[i]);
            continue;
        }
        const CImageView& v = full.Source();
        SPicture p(v.Width(), v.Height());
        for (int y = 0; y < v.Height(); ++y)
            std::copy(v.Row(y), v.Row(y) + 4 * v.Width(), p.Row(y));
        std::string name = argv[i];
        name = name.substr(name.find_last_of('/') + 1);
        name = name.substr(0, name.find_last_of('.'));
        Measure(name, p, argv[i], aspect);
    }
    return 0;
}
