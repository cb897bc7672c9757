// Picture quality of a still at zoom 1: a photo fitted to a 720 x 576 frame
// through the clip pipeline (decode-size reduction, supersampling resize,
// warp), compared in luma PSNR with a Lanczos resample of the full-resolution
// photo by libswscale at the same geometry. Beside it the figures of two plain
// resamplers, and the pipeline's frame against the reference shifted by
// quarter pixels, which shows a misplaced sampling grid.
//   build/bin/bench_quality [PHOTO...]   (no photo: a generated 4224 x 3168 texture)
// KV_QUALITY_ASPECT sets the frame's pixel aspect (default 16/15, PAL 4:3).
// Writes the frame and the reference of each photo as PPM files into the
// folder in KV_QUALITY_OUT when set, to look at crops side by side.
#include "render/clip/ClipMath.h"
#include "render/clip/ClipPipeline.h"
#include "render/frame/FrameSrcImage.h"
#include "render/frame/ImageView.h"
#include "render/frame/PixelBuffer.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kFrameW = 720, kFrameH = 576;

// A top-down BGRA picture.
struct SPicture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> bgra;
    std::uint8_t* Row(int y) { return bgra.data() + std::size_t(y) * std::size_t(width) * 4; }
};

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

// A photo-like texture: octaves of smoothly interpolated noise (a 1/f
// spectrum, as in natural pictures) in three colours, with hard-edged discs
// and thin lines for the fine detail a camera records.
SPicture MakeTexture(int width, int height) {
    SPicture p{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4)};
    std::vector<float> acc(std::size_t(width) * height * 3, 0.f);
    std::mt19937 rng(21);
    std::uniform_real_distribution<float> uni(-1.f, 1.f);
    for (int cell = 512, octave = 0; cell >= 2; cell /= 2, ++octave) {
        const int gw = width / cell + 2, gh = height / cell + 2;
        const float amp = 60.f * std::pow(0.72f, float(octave));
        for (int c = 0; c < 3; ++c) {
            std::vector<float> grid(std::size_t(gw) * gh);
            for (float& g : grid)
                g = uni(rng) * amp;
            for (int y = 0; y < height; ++y) {
                const float fy = float(y) / cell;
                const int gy = int(fy);
                float ty = fy - gy;
                ty = ty * ty * (3 - 2 * ty);
                for (int x = 0; x < width; ++x) {
                    const float fx = float(x) / cell;
                    const int gx = int(fx);
                    float tx = fx - gx;
                    tx = tx * tx * (3 - 2 * tx);
                    const float* g0 = &grid[std::size_t(gy) * gw + gx];
                    const float* g1 = g0 + gw;
                    const float v = (g0[0] * (1 - tx) + g0[1] * tx) * (1 - ty) +
                                    (g1[0] * (1 - tx) + g1[1] * tx) * ty;
                    acc[(std::size_t(y) * width + x) * 3 + c] += v;
                }
            }
        }
    }
    std::uniform_real_distribution<float> pos(0.f, 1.f);
    for (int k = 0; k < 300; ++k) {
        const float cx = pos(rng) * width, cy = pos(rng) * height, rad = 4 + pos(rng) * 60;
        const float add = uni(rng) * 50;
        for (int y = std::max(0, int(cy - rad)); y < std::min(height, int(cy + rad) + 1); ++y)
            for (int x = std::max(0, int(cx - rad)); x < std::min(width, int(cx + rad) + 1); ++x)
                if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= rad * rad)
                    for (int c = 0; c < 3; ++c)
                        acc[(std::size_t(y) * width + x) * 3 + c] += add;
    }
    for (int y = 0; y < height; ++y) {
        std::uint8_t* d = p.Row(y);
        for (int x = 0; x < width; ++x, d += 4) {
            for (int c = 0; c < 3; ++c)
                d[c] = std::uint8_t(
                    std::clamp(128.f + acc[(std::size_t(y) * width + x) * 3 + c], 0.f, 255.f));
            d[3] = 255;
        }
    }
    return p;
}

// libswscale from a top-down BGRA picture to width x height.
SPicture Scale(const std::uint8_t* first, int stride, int sw, int sh, int width, int height,
               int flags) {
    SPicture out{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4)};
    SwsContext* ctx = sws_getContext(sw, sh, AV_PIX_FMT_BGRA, width, height, AV_PIX_FMT_BGRA,
                                     flags | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr,
                                     nullptr, nullptr);
    const std::uint8_t* src[1] = {first};
    const int srcStride[1] = {stride};
    std::uint8_t* dst[1] = {out.bgra.data()};
    const int dstStride[1] = {width * 4};
    sws_scale(ctx, src, srcStride, 0, sh, dst, dstStride);
    sws_freeContext(ctx);
    return out;
}

// A box reduction by a whole factor, standing in for a reduced JPEG decode.
SPicture Box(const SPicture& in, int factor) {
    const int w = in.width / factor, h = in.height / factor;
    SPicture out{w, h, std::vector<std::uint8_t>(std::size_t(w) * h * 4)};
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

void WritePpm(const std::string& path, const std::uint8_t* first, int stride, int w, int h) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fprintf(f, "P6\n%d %d\n255\n", w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* p = first + std::ptrdiff_t(y) * stride + 4 * x;
            const std::uint8_t rgb[3] = {p[2], p[1], p[0]};
            std::fwrite(rgb, 1, 3, f);
        }
    std::fclose(f);
}

void Measure(const std::string& name, const SPicture& full, const std::string& file, double aspect) {
    // The pipeline: the decode size for zoom 1, the clip fitted inside and
    // warped into a frame of pixels aspect wide.
    int mw = 0, mh = 0;
    ClipMath::MaxDecodeSize(ClipMath::DecodeScale(1, 1, 0.75), 1, 1, kFrameW, kFrameH, mw, mh);
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
    clip.SetFit(CClipPipeline::kFitInside);
    clip.Place(0, 0, clip.FitX(), clip.FitY(), 0, 255);
    clip.Compose(frame, nullptr, false);

    // The same geometry for the references: the fitted size in frame pixels,
    // centred.
    const int w = int(std::lround(source.Source().Width() * clip.FitX() / aspect));
    const int h = int(std::lround(source.Source().Height() * std::fabs(clip.FitY())));
    const int left = (kFrameW - w) / 2, top = (kFrameH - h) / 2;
    // An odd margin centres the picture between pixels: the reference moves
    // by that half pixel too.
    const double fracX = (kFrameW - w) / 2.0 - left, fracY = (kFrameH - h) / 2.0 - top;

    const SPicture lanczos =
        Scale(full.bgra.data(), full.width * 4, full.width, full.height, w, h, SWS_LANCZOS);
    const SPicture area =
        Scale(full.bgra.data(), full.width * 4, full.width, full.height, w, h, SWS_AREA);
    const SPicture quarter = Box(full, 4);
    const SPicture bilinear = Scale(quarter.bgra.data(), quarter.width * 4, quarter.width,
                                    quarter.height, w, h, SWS_BILINEAR);

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
        WritePpm(std::string(out) + "/" + name + "-frame.ppm", frame.Row(top) + 4 * left,
                 frame.Stride(), w, h);
        WritePpm(std::string(out) + "/" + name + "-lanczos.ppm", lanczos.bgra.data(), w * 4, w, h);
    }
}

} // namespace

int main(int argc, char** argv) {
    // The frame's pixel aspect: PAL 4:3 unless KV_QUALITY_ASPECT says otherwise.
    const char* env = std::getenv("KV_QUALITY_ASPECT");
    const double aspect = env ? std::atof(env) : 16.0 / 15.0;
    std::printf("frame %d x %d, pixel aspect %.4f\n", kFrameW, kFrameH, aspect);
    if (argc < 2) {
        Measure("texture", MakeTexture(4224, 3168), {}, aspect);
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
        SPicture p{v.Width(), v.Height(), std::vector<std::uint8_t>(std::size_t(v.Width()) * v.Height() * 4)};
        for (int y = 0; y < v.Height(); ++y)
            std::copy(v.Row(y), v.Row(y) + 4 * v.Width(), p.Row(y));
        std::string name = argv[i];
        name = name.substr(name.find_last_of('/') + 1);
        name = name.substr(0, name.find_last_of('.'));
        Measure(name, p, argv[i], aspect);
    }
    return 0;
}
