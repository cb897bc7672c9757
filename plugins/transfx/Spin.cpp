// Spin: A spins about the frame's centre while it shrinks to nothing at the
// midpoint, then B grows back while it keeps spinning; 2T full turns with
// cosine easing, T = n/25 (at least 1).
#include "imgcore/CPU.h"
#include "plugins/transfx/SineTable.h"
#include "plugins/transfx/Transition.h"

#include <algorithm>
#include <cstring>
#include <numbers>

namespace {

class CSpin : public CTransition {
public:
    using CTransition::CTransition;

    enum EDirection { kClockwise = 0, kAntiClockwise = 1 };

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        const int W = m_width, H = m_height, n = m_frameCount;
        constexpr double pi = std::numbers::pi;
        const Ipp8u black[4] = {0, 0, 0, 0};
        CCPU::ippiSet_8u_C4R(black, d, ds, {W, H});
        const double t = double(i) / (n - 1);
        const double s = (2 * t - 1) * (2 * t - 1); // the scale, 0 at the midpoint
        if (s == 0)
            return 0;
        const double tau = Param(0) == kClockwise ? t : 1 - t;
        const int turns = std::max(n / 25, 1);
        // The shared sine table makes the first and last angles exactly 0 and
        // 4πT, whose cosine is 1 and sine 0: those frames are the pictures.
        const CSineTable& table = CSineTable::Get();
        const double phi = (table.Sin(tau * pi - pi / 2) + 1) * turns * 2 * pi;
        float sine, cosine;
        table.SinCos(phi, sine, cosine);
        const double inverse = 1 / s;
        const std::uint8_t* picture = 2 * i <= n - 1 ? a : b;
        const int stride = 2 * i <= n - 1 ? as : bs;
        const int cx = W / 2, cy = H / 2;
        for (int row = 0; row < H; ++row) {
            std::uint8_t* out = RowOf(d, ds, row);
            const double y = row - cy;
            for (int col = 0; col < W; ++col) {
                const double x = col - cx;
                // (1/s)·(x·cos φ − y·sin φ), tested before it becomes an
                // integer: near the midpoint it is far outside any frame.
                const double u = inverse * (x * cosine - y * sine);
                const double v = inverse * (y * cosine + x * sine);
                if (!(u > -W - 1 && u < W + 1 && v > -H - 1 && v < H + 1))
                    continue;
                const int sx = cx + int(u), sy = cy + int(v);
                if (sx >= 0 && sx < W && sy >= 0 && sy < H)
                    std::memcpy(out + 4 * std::ptrdiff_t(col),
                                picture + std::ptrdiff_t(stride) * sy + 4 * std::ptrdiff_t(sx), 4);
            }
        }
        return 0;
    }
};

} // namespace

CTransition* transfx::MakeSpin(const STransitionInfo& info) { return new CSpin(info); }
