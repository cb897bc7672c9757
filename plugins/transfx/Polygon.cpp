// Polygon: the first picture is seen through a regular polygon whose edges
// move outward from the centre, each edge carrying its part of the picture
// with it, over the second picture.
#include "imgcore/CPU.h"
#include "plugins/transfx/SineTable.h"
#include "plugins/transfx/Transition.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kMaxSides = 9;

// The fast arc tangent of the transitions, mapped to [0, 2π).
double Atan2Fast(double y, double x) {
    const double ay = std::fabs(y) + 1e-10;
    double angle;
    if (x >= 0) {
        const double t = (x - ay) / (x + ay);
        angle = kPi / 4 + t * (0.1963 * t * t - 0.9817);
    } else {
        const double t = (x + ay) / (ay - x);
        angle = 3 * kPi / 4 + t * (0.1963 * t * t - 0.9817);
    }
    if (y < 0)
        angle = -angle;
    return angle < 0 ? angle + 2 * kPi : angle;
}

class CPolygon : public CTransition {
public:
    using CTransition::CTransition;

    enum EDirection { kBackward = 0, kForward = 1 };

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        if (Param(0) == kForward)
            Reverse(i, a, as, b, bs);
        const int W = m_width, H = m_height, n = m_frameCount;
        const int s = std::clamp(Param(1), 3, kMaxSides); // the range keeps it 3 … 9
        if (s != m_sides)
            BuildTables(s);
        CCPU::ippiCopy_8u_C4R(b, bs, d, ds, {W, H});

        const double delta = 2 * kPi / s;
        const double f = MulDiv(i, W, n - 1);
        const double c = std::cos(delta / 2);
        const int hw = W / 2, hh = H / 2;
        for (int row = 0; row < H; ++row) {
            std::uint8_t* o = RowOf(d, ds, row);
            const double y = hh - row;
            for (int col = 0; col < W; ++col) {
                const double x = col - hw;
                int k = std::min(int(Atan2Fast(y, x) / delta), s - 1);
                const double phi = Atan2Fast(y - f * m_sin[k], x - f * m_cos[k]);
                double w = delta + (kPi - delta) / 2 + (k - 1) * delta;
                if (w >= 2 * kPi)
                    w -= 2 * kPi;
                double diff = phi - w;
                while (diff > kPi)
                    diff -= 2 * kPi;
                while (diff <= -kPi)
                    diff += 2 * kPi;
                if (diff > delta)
                    continue;
                if (diff < 0)
                    k = k == 0 ? s - 1 : k - 1;
                const double xs = x - f * c * m_cos[s + k];
                const double ys = y - f * c * m_sin[s + k];
                const int sc = int(xs + hw), sr = int(hh - ys);
                if (sc >= 0 && sc < W && sr >= 0 && sr < H)
                    std::memcpy(o + 4 * col, RowOf(a, as, sr) + 4 * sc, 4);
            }
        }
        return 0;
    }

private:
    // sin and cos of k·δ at k, and of (k + ½)·δ at s + k, from the shared table.
    void BuildTables(int s) {
        const CSineTable& table = CSineTable::Get();
        const double delta = 2 * kPi / s;
        for (int k = 0; k < s; ++k) {
            table.SinCos(k * delta, m_sin[k], m_cos[k]);
            table.SinCos((k + 0.5) * delta, m_sin[s + k], m_cos[s + k]);
        }
        m_sides = s;
    }

    int m_sides = 0;
    float m_sin[2 * kMaxSides] = {};
    float m_cos[2 * kMaxSides] = {};
};

} // namespace

CTransition* transfx::MakePolygon(const STransitionInfo& info) { return new CPolygon(info); }
