// Fire Ring: a 47-pixel ring of flickering fire grows from the centre until
// it leaves the frame, B showing inside it and A outside. The fire texture is
// a small buffer of heat values that is reseeded from the thread's generator
// and smoothed at every frame, coloured through a palette from dark red over
// orange and yellow to white.
//
// Frame order: the fire advances at every call; what it looks like depends
// only on how often it was advanced and on the generator, never on memory
// left from an earlier size (SetSize and Prepare clear it).
#include "imgcore/CPU.h"
#include "imgcore/PixelMath.h"
#include "plugins/transfx/Random.h"
#include "plugins/transfx/Transition.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace {

constexpr int kRing = 47;     // the ring's width
constexpr int kFireRows = 12; // the fire buffer's height; its last row stays 0

class CFireRing : public CTransition {
public:
    explicit CFireRing(const transfx::STransitionInfo& info) : CTransition(info) {
        // Hue k/3, lightness min(2k, 255), full saturation, turned into blue,
        // green, red order.
        Ipp8u hls[256 * 4];
        for (int k = 0; k < 256; ++k) {
            hls[4 * k] = Ipp8u(k / 3);
            hls[4 * k + 1] = Ipp8u(std::min(2 * k, 255));
            hls[4 * k + 2] = 255;
            hls[4 * k + 3] = 0;
        }
        Ipp8u rgb[256 * 4];
        CCPU::ippiHLSToRGB_8u_AC4R(hls, 256 * 4, rgb, 256 * 4, {256, 1});
        for (int k = 0; k < 256; ++k) {
            m_palette[k][0] = rgb[4 * k + 2];
            m_palette[k][1] = rgb[4 * k + 1];
            m_palette[k][2] = rgb[4 * k];
            m_palette[k][3] = 255;
        }
    }

    void Prepare() override { std::fill(m_fire.begin(), m_fire.end(), 0); }

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        const int W = m_width, H = m_height, n = m_frameCount;
        Advance();
        // The first frame would already show a disc of fire, and on small
        // frames the last would not have lost the ring.
        if (CopyEnd(i, d, ds, a, as, b, bs))
            return 0;
        const int r0 = MulDiv(i, std::max(W / 2 + H / 2 - kRing, 0), n - 1);
        const int r1 = r0 + kRing;
        const long long inner = (long long)r0 * r0, outer = (long long)r1 * r1;
        constexpr double quarterPi = std::numbers::pi / 4;
        const double columns = (2.0 * W - 2) / std::numbers::pi;
        for (int y = 0; y <= H / 2 && y < H; ++y) {
            const int rows[2] = {y, H - 1 - y};
            const int dy = H / 2 - y;
            for (int x = 0; x <= W / 2 && x < W; ++x) {
                const int dx = W / 2 - x;
                const long long d2 = (long long)dx * dx + (long long)dy * dy;
                int k = -1; // −1: A, 256: B, else the weight toward the fire colour
                const std::uint8_t* colour = nullptr;
                if (y < H / 2 - r1 || x < W / 2 - r1) {
                    k = -1;
                } else if (dx + dy < r0 || (r0 >= 1 && d2 < inner)) {
                    k = 256;
                } else if (d2 > outer) {
                    k = -1;
                } else {
                    const double dist = std::sqrt(double(d2));
                    k = std::clamp(int((r1 - dist) * 255 / kRing), 0, 255);
                    const int fr = std::clamp(int((dist - r0) / 4), 0, kFireRows - 1);
                    const double c = dy + 1e-10;
                    const int fc = std::clamp(
                        int((quarterPi - quarterPi * (dx - c) / (dx + c)) * columns), 0, W - 1);
                    colour = m_palette[m_fire[std::size_t(fr) * W + fc]];
                }
                const int cols[2] = {x, W - 1 - x};
                for (int row : rows) {
                    for (int col : cols) {
                        const std::ptrdiff_t at = 4 * std::ptrdiff_t(col);
                        std::uint8_t* o = RowOf(d, ds, row) + at;
                        if (k < 0) {
                            std::memcpy(o, RowOf(a, as, row) + at, 4);
                        } else if (k > 255) {
                            std::memcpy(o, RowOf(b, bs, row) + at, 4);
                        } else {
                            const std::uint8_t* pa = RowOf(a, as, row) + at;
                            Blend8Colour(o, pa, colour, k);
                        }
                    }
                }
            }
        }
        return 0;
    }

private:
    bool OnSizeChanged() override {
        try {
            m_fire.assign(std::size_t(m_width) * kFireRows, 0);
        } catch (...) {
            return false;
        }
        return true;
    }

    // Row 0 gets fresh random heat, row 1 a cooled copy of it, and rows 1 …
    // 10 are smoothed in place from their neighbours and the row below,
    // cooling by one. Neighbours are taken in the flat buffer, so row ends
    // wrap into the next row.
    void Advance() {
        const int W = m_width;
        std::uint8_t* f = m_fire.data();
        std::uint32_t state = transfx::RandState();
        for (int x = 0; x < W; ++x)
            f[x] = std::uint8_t(transfx::NextRand(state) & 255);
        transfx::RandState() = state;
        for (int x = 0; x < W; ++x)
            f[W + x] = std::uint8_t(std::max(f[x] - 4, 0));
        for (std::ptrdiff_t p = W; p < std::ptrdiff_t(W) * 11; ++p) {
            const int v = (f[p + 1] + f[p] + f[p - W] + f[p - 1]) >> 2;
            f[p] = std::uint8_t(v ? v - 1 : 0);
        }
    }

    std::uint8_t m_palette[256][4];
    std::vector<std::uint8_t> m_fire; // W × 12 heat values
};

} // namespace

CTransition* transfx::MakeFireRing(const STransitionInfo& info) { return new CFireRing(info); }
