// Trampoline: the picture lies on a pyramid-shaped height field that is let
// go and swings like a trampoline; A shows until four frames past the
// midpoint, then B, while the swing is damped in the second half. The
// simulation takes one step per rendered frame.
//
// Frame order: frame i is always drawn from the swing after i steps, so it
// looks the same whatever was asked for before: a frame past the last one
// rendered runs the steps in between, a repeated or earlier one (a preview
// seek) starts again from the pyramid and replays them.
#include "imgcore/PixelMath.h"
#include "plugins/transfx/Transition.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

class CTrampoline : public CTransition {
public:
    using CTransition::CTransition;

    void Prepare() override { Restart(); }

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        const int W = m_width, H = m_height, n = m_frameCount;
        if (i < m_steps)
            Restart();
        while (m_steps < i)
            Step(Damping(m_steps));
        const bool first = i < (n - 1) / 2 + 4;
        const std::uint8_t* p = first ? a : b;
        const int ps = first ? as : bs;
        const std::int32_t* h = m_current.data();
        for (int y = 0; y < H; ++y) {
            std::uint8_t* o = RowOf(d, ds, y);
            const std::int32_t* row = h + std::ptrdiff_t(y) * W;
            for (int x = 0; x < W; ++x, o += 4) {
                // The last column and row have no neighbour beyond them and
                // are drawn as flat.
                const int dx = x < W - 1 ? row[x] - row[x + 1] : 0;
                const int dy = y < H - 1 ? row[x] - row[x + W] : 0;
                const int sx = x + (dx >> 3), sy = y + (dy >> 3);
                if (sx < 0 || sx >= W || sy < 0 || sy >= H) {
                    o[0] = o[1] = o[2] = 0;
                    continue;
                }
                const std::uint8_t* in = RowOf(p, ps, sy) + 4 * std::ptrdiff_t(sx);
                o[0] = ClampByte(in[0] - dx);
                o[1] = ClampByte(in[1] - dx);
                o[2] = ClampByte(in[2] - dx);
            }
        }
        Step(Damping(i));
        CopyEnd(i, d, ds, a, as, b, bs);
        return 0;
    }

private:
    bool OnSizeChanged() override {
        const std::size_t size = std::size_t(m_width) * std::size_t(m_height);
        try {
            m_current.assign(size, 0);
            m_previous.assign(size, 0);
        } catch (...) {
            return false;
        }
        Restart();
        return true;
    }

    // 1 in the first half, then falling to 0.
    double Damping(int i) const {
        const int n = m_frameCount;
        return 2 * i < n - 1 ? 1.0 : 2 * (1 - double(i) / (n - 1));
    }

    // Both fields cleared, the current one a pyramid of height 1000 over the
    // frame less its outer ring. Frames under 4 pixels stay flat.
    void Restart() {
        std::fill(m_current.begin(), m_current.end(), 0);
        std::fill(m_previous.begin(), m_previous.end(), 0);
        m_steps = 0;
        const int W = m_width, H = m_height;
        const int hh = H / 2, hw = W / 2;
        if (hh < 2 || hw < 2)
            return;
        for (int r = 1 - hh; r <= hh - 2; ++r) {
            const double fr = 1 - double(std::abs(r)) / (hh - 1);
            std::int32_t* row = m_current.data() + std::ptrdiff_t(hh + r) * W;
            for (int c = 1 - hw; c <= hw - 2; ++c)
                row[hw + c] = std::int32_t(fr * (1 - double(std::abs(c)) / (hw - 1)) * 1000);
        }
    }

    void Step(double k) {
        const int W = m_width, H = m_height;
        const std::int32_t* h = m_current.data();
        std::int32_t* p = m_previous.data();
        for (int y = 2; y < H - 1; ++y) {
            for (int x = 2; x < W - 1; ++x) {
                const std::ptrdiff_t at = std::ptrdiff_t(y) * W + x;
                const int sum = h[at - W - 1] + h[at - W] + h[at - W + 1] + h[at - 1] + h[at + 1] +
                                h[at + W - 1] + h[at + W] + h[at + W + 1];
                p[at] = std::int32_t(k * ((sum >> 2) - p[at]));
            }
        }
        m_current.swap(m_previous);
        ++m_steps;
    }

    std::vector<std::int32_t> m_current, m_previous;
    int m_steps = 0; // the frames the swing has been advanced by
};

} // namespace

CTransition* transfx::MakeTrampoline(const STransitionInfo& info) { return new CTrampoline(info); }
