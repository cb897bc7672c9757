#include "tests/support/QualityKit.h"

#include "render/clip/ClipPipeline.h"
#include "render/frame/FrameSrcImage.h"
#include "render/frame/ImageView.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

namespace QualityKit {

SPicture MakeTexture(int width, int height) {
    SPicture p(width, height);
    std::vector<float> acc(std::size_t(width) * std::size_t(height) * 3, 0.f);
    std::mt19937 rng(21);
    std::uniform_real_distribution<float> uni(-1.f, 1.f);
    for (int cell = 512, octave = 0; cell >= 2; cell /= 2, ++octave) {
        const int gw = width / cell + 2, gh = height / cell + 2;
        const float amp = 60.f * std::pow(0.72f, float(octave));
        for (int c = 0; c < 3; ++c) {
            std::vector<float> grid(std::size_t(gw) * std::size_t(gh));
            for (float& g : grid)
                g = uni(rng) * amp;
            for (int y = 0; y < height; ++y) {
                const float fy = float(y) / float(cell);
                const int gy = int(fy);
                float ty = fy - float(gy);
                ty = ty * ty * (3 - 2 * ty);
                for (int x = 0; x < width; ++x) {
                    const float fx = float(x) / float(cell);
                    const int gx = int(fx);
                    float tx = fx - float(gx);
                    tx = tx * tx * (3 - 2 * tx);
                    const float* g0 = &grid[std::size_t(gy) * std::size_t(gw) + std::size_t(gx)];
                    const float* g1 = g0 + gw;
                    const float v = (g0[0] * (1 - tx) + g0[1] * tx) * (1 - ty) +
                                    (g1[0] * (1 - tx) + g1[1] * tx) * ty;
                    acc[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3 +
                        std::size_t(c)] += v;
                }
            }
        }
    }
    std::uniform_real_distribution<float> pos(0.f, 1.f);
    for (int k = 0; k < 300; ++k) {
        const float cx = pos(rng) * float(width), cy = pos(rng) * float(height);
        const float rad = 4 + pos(rng) * 60, add = uni(rng) * 50;
        for (int y = std::max(0, int(cy - rad)); y < std::min(height, int(cy + rad) + 1); ++y)
            for (int x = std::max(0, int(cx - rad)); x < std::min(width, int(cx + rad) + 1); ++x)
                if ((float(x) - cx) * (float(x) - cx) + (float(y) - cy) * (float(y) - cy) <=
                    rad * rad)
                    for (int c = 0; c < 3; ++c)
                        acc[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3 +
                            std::size_t(c)] += add;
    }
    for (int y = 0; y < height; ++y) {
        std::uint8_t* d = p.Row(y);
        for (int x = 0; x < width; ++x, d += 4) {
            for (int c = 0; c < 3; ++c)
                d[c] = std::uint8_t(std::clamp(
                    128.f + acc[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3 +
                                std::size_t(c)],
                    0.f, 255.f));
            d[3] = 255;
        }
    }
    return p;
}

SPicture MakeZonePlate(int width, int height) {
    SPicture p(width, height);
    // cos(a r²) has a local frequency of a r / π cycles a pixel: half the
    // sampling rate at r = R.
    const double R = std::min(width, height) / 2.0, a = M_PI / (2 * R);
    const double cx = (width - 1) / 2.0, cy = (height - 1) / 2.0;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* d = p.Row(y);
        for (int x = 0; x < width; ++x, d += 4) {
            const double r2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
            const double r = std::sqrt(r2);
            // Beyond R the plate would fold over itself: it fades to grey.
            const double amp = r < R ? 110 : 0;
            const auto v = std::uint8_t(std::lround(128 + amp * std::cos(a * r2)));
            d[0] = d[1] = d[2] = v;
            d[3] = 255;
        }
    }
    return p;
}

SBox FrameWindow(const SPicture& picture, int frameWidth, int frameHeight, double pixelAspect,
                 double zoom, int pan) {
    const double shape = frameWidth * pixelAspect / frameHeight;
    const double w = std::min<double>(picture.width, picture.height * shape) / zoom;
    SBox box;
    box.width = int(std::lround(w));
    box.height = std::min(picture.height, int(std::lround(w / shape)));
    box.x = (picture.width - box.width) / 2 + pan;
    box.y = (picture.height - box.height) / 2;
    return box;
}

SPicture Resample(const SPicture& picture, const SBox& window, int width, int height, int flags) {
    SPicture out(width, height);
    SwsContext* ctx = sws_getContext(window.width, window.height, AV_PIX_FMT_BGRA, width, height,
                                     AV_PIX_FMT_BGRA, flags | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT,
                                     nullptr, nullptr, nullptr);
    if (!ctx)
        return {};
    const std::uint8_t* src[1] = {picture.Row(window.y) + std::size_t(window.x) * 4};
    const int srcStride[1] = {picture.width * 4};
    std::uint8_t* dst[1] = {out.bgra.data()};
    const int dstStride[1] = {width * 4};
    sws_scale(ctx, src, srcStride, 0, window.height, dst, dstStride);
    sws_freeContext(ctx);
    return out;
}

bool SavePpm(const SPicture& picture, const char* path) {
    FILE* f = std::fopen(path, "wb");
    if (!f)
        return false;
    std::fprintf(f, "P6\n%d %d\n255\n", picture.width, picture.height);
    bool ok = true;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const std::uint8_t* p = picture.Row(y) + std::size_t(x) * 4;
            const std::uint8_t rgb[3] = {p[2], p[1], p[0]};
            ok = std::fwrite(rgb, 1, 3, f) == 3 && ok;
        }
    return std::fclose(f) == 0 && ok;
}

namespace {

double Luma(const std::uint8_t* p) { return 0.114 * p[0] + 0.587 * p[1] + 0.299 * p[2]; }

double LumaDiff(const SPicture& a, const SPicture& b, int x, int y) {
    return Luma(a.Row(y) + std::size_t(x) * 4) - Luma(b.Row(y) + std::size_t(x) * 4);
}

} // namespace

double LumaPsnr(const SPicture& a, const SPicture& b, const SBox& box) {
    double sum = 0;
    for (int y = box.y; y < box.y + box.height; ++y)
        for (int x = box.x; x < box.x + box.width; ++x) {
            const double d = LumaDiff(a, b, x, y);
            sum += d * d;
        }
    const double mse = sum / (double(box.width) * box.height);
    return mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : 99.0;
}

double LowFrequencyError(const SPicture& a, const SPicture& b, const SBox& box) {
    double sum = 0;
    int blocks = 0;
    for (int by = box.y; by + 8 <= box.y + box.height; by += 8)
        for (int bx = box.x; bx + 8 <= box.x + box.width; bx += 8) {
            double mean = 0;
            for (int y = by; y < by + 8; ++y)
                for (int x = bx; x < bx + 8; ++x)
                    mean += LumaDiff(a, b, x, y);
            mean /= 64;
            sum += mean * mean;
            ++blocks;
        }
    return blocks ? std::sqrt(sum / blocks) : 0;
}

struct CRig::SState {
    SState(CFrameSrcImage& source, int fw, int fh, double aspect)
        : clip(fw, fh, aspect, false), source(source) {}
    CClipPipeline clip;
    CFrameSrcImage& source;
    int fullWidth = 0, fullHeight = 0;
    double aspect = 1;
};

CRig::CRig(CFrameSrcImage& source, int fullWidth, int fullHeight, int frameWidth,
           int frameHeight, double pixelAspect)
    : m_state(new SState(source, frameWidth, frameHeight, pixelAspect)) {
    m_state->fullWidth = fullWidth;
    m_state->fullHeight = fullHeight;
    m_state->aspect = pixelAspect;
    m_state->clip.SetSource(&source);
    m_state->clip.SetFit(CClipPipeline::kFitInside);
}

CRig::~CRig() { delete m_state; }

bool CRig::Draw(const SBox& window, const SBox& target, SPicture& frame) {
    CClipPipeline& clip = m_state->clip;
    const int W = clip.Layer().Width(), H = clip.Layer().Height();
    // Frame pixels per full-resolution pixel, and full-resolution pixels per
    // pixel of the source's (reduced) picture.
    const double kx = double(target.width) / window.width;
    const double ky = double(target.height) / window.height;
    const CImageView& decoded = m_state->source.Source();
    const double rx = double(m_state->fullWidth) / decoded.Width();
    const double ry = double(m_state->fullHeight) / decoded.Height();
    // The picture's centre, in frame coordinates where pixel edges lie on
    // whole numbers, and the pipeline's offset from the frame centre, where
    // pixel centres do.
    const double cx = (m_state->fullWidth / 2.0 - window.x) * kx + target.x;
    const double cy = (m_state->fullHeight / 2.0 - window.y) * ky + target.y;
    if (!clip.Place(cx - W / 2.0, cy - H / 2.0, kx * rx * m_state->aspect, ky * ry, 0, 255))
        return false;
    frame = SPicture(W, H);
    CImageView view;
    view.Attach(frame.bgra.data(), W, H, W * 4);
    view.Fill(0xFF000000u);
    return clip.Compose(view, nullptr, false);
}

} // namespace QualityKit
