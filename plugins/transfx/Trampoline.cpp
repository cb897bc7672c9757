// Trampoline: the picture lies on a pyramid-shaped height field that is let
// go and swings like a trampoline; A shows until four steps past the
// midpoint, then B, while the swing is damped in the second half. The
// simulation takes one step a frame, at most CWaveField::kMaxSteps over the
// transition (see WaveField.h); frame i is drawn as frame StepAt(i) of a
// transition of LastStep + 1 frames.
//
// Frame order: frame i is always drawn from the swing after StepAt(i) steps,
// so it looks the same whatever was asked for before: a frame past the last
// one rendered runs the steps in between, one on the same step draws the
// swing kept, an earlier one (a preview seek) starts again from the pyramid
// and replays them.
#include "imgcore/PixelMath.h"
#include "plugins/transfx/Transition.h"
#include "plugins/transfx/WaveField.h"

#include <algorithm>
#include <cstdlib>

namespace {

class CTrampoline : public CTransition {
public:
    using CTransition::CTransition;

    void Prepare() override { Restart(); }

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        const int W = m_width, H = m_height;
        const int last = CWaveField::LastStep(m_frameCount);
        const int s = CWaveField::StepAt(i, m_frameCount);
        if (s < m_field.Steps())
            Restart();
        while (m_field.Steps() < s)
            Step(Damping(m_field.Steps(), last));
        const bool first = s < last / 2 + 4;
        const std::uint8_t* p = first ? a : b;
        const int ps = first ? as : bs;
        for (int y = 0; y < H; ++y) {
            std::uint8_t* o = RowOf(d, ds, y);
            const std::int32_t* row = m_field.Row(y);
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
        CopyEnd(i, d, ds, a, as, b, bs);
        return 0;
    }

private:
    bool OnSizeChanged() override {
        if (!m_field.Resize(m_width, m_height))
            return false;
        Restart();
        return true;
    }

    // The damping of step s of last: 1 in the first half, then falling to 0.
    static double Damping(int s, int last) {
        return 2 * s < last ? 1.0 : 2 * (1 - double(s) / last);
    }

    // Both fields cleared, the current one a pyramid of height 1000 over the
    // frame less its outer ring. Frames under 4 pixels stay flat.
    void Restart() {
        m_field.Clear();
        const int W = m_width, H = m_height;
        const int hh = H / 2, hw = W / 2;
        if (hh < 2 || hw < 2)
            return;
        for (int r = 1 - hh; r <= hh - 2; ++r) {
            const double fr = 1 - double(std::abs(r)) / (hh - 1);
            std::int32_t* row = m_field.Row(hh + r);
            for (int c = 1 - hw; c <= hw - 2; ++c)
                row[hw + c] = std::int32_t(fr * (1 - double(std::abs(c)) / (hw - 1)) * 1000);
        }
    }

    // The swing, damped by k.
    void Step(double k) {
        m_field.Step([k](int j) { return std::int32_t(k * j); });
    }

    CWaveField m_field; // the swing after m_field.Steps() steps
};

} // namespace

CTransition* transfx::MakeTrampoline(const STransitionInfo& info) { return new CTrampoline(info); }
