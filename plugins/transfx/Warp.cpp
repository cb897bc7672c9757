// Warp: A ripples under three travelling waves of different lengths while B
// fades in over it, up to 90 per cent; the last frame is B.
#include "imgcore/PixelMath.h"
#include "plugins/transfx/SineTable.h"
#include "plugins/transfx/Transition.h"

#include <algorithm>
#include <numbers>

namespace {

// The three wave tables of 2048 signed bytes, built once per process.
struct SWaves {
    std::int8_t t1[2048], t2[2048], t3[2048];
    SWaves() {
        const CSineTable& table = CSineTable::Get();
        constexpr double pi = std::numbers::pi;
        for (int k = 0; k < 2048; ++k) {
            t1[k] = std::int8_t(int(10 * table.Cos(k * pi / 256)));
            t2[k] = std::int8_t(int(8 * table.Sin(k * pi / 128)));
            t3[k] = std::int8_t(int(12 * table.Sin(k * pi / 512)));
        }
    }
    static const SWaves& Get() {
        static const SWaves waves;
        return waves;
    }
};

class CWarp : public CTransition {
public:
    explicit CWarp(const transfx::STransitionInfo& info) : CTransition(info) { SWaves::Get(); }

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        // The waves still move A at the first frame and B reaches 90 per
        // cent at the last: the ends are the pictures themselves.
        if (CopyEnd(i, d, ds, a, as, b, bs))
            return 0;
        const int W = m_width, H = m_height, n = m_frameCount;
        const SWaves& w = SWaves::Get();
        const int m = int(i * 255 * 0.9 / (n - 1));
        for (int y = 0; y < H; ++y) {
            const std::uint8_t* pa = RowOf(a, as, y);
            const std::uint8_t* pb = RowOf(b, bs, y);
            std::uint8_t* o = RowOf(d, ds, y);
            const int rowShift = y + w.t2[(y - 2 * i) & 2047];
            for (int x = 0; x < W; ++x) {
                const int sx = std::clamp(x + w.t2[(i + 2 * x) & 2047] + w.t1[(2 * x + 2 * y - 2 * i) & 2047],
                                          0, W - 1);
                const int sy = std::clamp(rowShift + w.t3[(4 * y + 3 * i - 4 * x) & 2047], 0, H - 1);
                const std::uint8_t* ps = RowOf(a, as, sy) + 4 * std::ptrdiff_t(sx);
                const std::uint8_t* pp = pa + 4 * x;
                const std::uint8_t* pq = pb + 4 * x;
                std::uint8_t* out = o + 4 * x;
                for (int c = 0; c < 3; ++c) {
                    const int p = Blend8(pp[c], ps[c], 150);
                    out[c] = Blend8(p, pq[c], m);
                }
            }
        }
        return 0;
    }
};

} // namespace

CTransition* transfx::MakeWarp(const STransitionInfo& info) { return new CWarp(info); }
