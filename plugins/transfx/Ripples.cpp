// Ripples: drops fall on A and spread as waves over a height field; every
// pixel a wave has passed shows B from then on, and the untouched rest fades
// from A to B in the second half. The simulation takes one step a frame, at
// most CWaveField::kMaxSteps over the transition (see WaveField.h); step s
// drops and marks as frame s of a transition of LastStep + 1 frames would.
//
// Frame order: frame i is always drawn from the waves after s = StepAt(i)
// steps, so it looks the same whatever was asked for before. A frame past the
// last one rendered runs the steps in between without drawing them; a frame
// on the same step draws the waves kept; an earlier step (a preview seek)
// starts again from still water and replays the steps, with the generator set
// back to where it stood at the first frame, so that the same drops fall
// again. After every frame the generator stands where the drops of steps
// 0 … s left it.
#include "imgcore/PixelMath.h"
#include "plugins/transfx/Random.h"
#include "plugins/transfx/Transition.h"
#include "plugins/transfx/WaveField.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

class CRipples : public CTransition {
public:
    using CTransition::CTransition;

    void Prepare() override { Restart(false); }

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        const int W = m_width, H = m_height;
        const int s = CWaveField::StepAt(i, m_frameCount);
        if (m_started && s < m_field.Steps())
            Restart(true);
        if (!m_started) {
            m_seed = transfx::RandState();
            Drops(0);
            Mark(0);
            m_started = true;
        } else {
            transfx::RandState() = m_state;
        }
        while (m_field.Steps() < s) {
            Step();
            Drops(m_field.Steps());
            Mark(m_field.Steps());
        }
        // The slopes are drawn with frame i's g. A pixel with a slope shows B:
        // the marks of step s, made with a g at least frame i's, have it
        // already, and the condition below keeps it so should rounding differ.
        const float g = Slope(i, m_frameCount - 1);
        for (int y = 0; y < H; ++y) {
            std::uint8_t* o = RowOf(d, ds, y);
            const std::int32_t* row = m_field.Row(y);
            const std::uint8_t* touched = m_touched.data() + std::ptrdiff_t(y) * W;
            for (int x = 0; x < W; ++x, o += 4) {
                const int dx = x < W - 1 ? int(float(row[x] - row[x + 1]) * g) : 0;
                const int dy = y < H - 1 ? int(float(row[x] - row[x + W]) * g) : 0;
                const int sx = x + (dx >> 3), sy = y + (dy >> 3);
                if (sx < 0 || sx >= W || sy < 0 || sy >= H) {
                    o[0] = o[1] = o[2] = 0;
                    continue;
                }
                const std::uint8_t* pa = RowOf(a, as, sy) + 4 * std::ptrdiff_t(sx);
                const std::uint8_t* pb = RowOf(b, bs, sy) + 4 * std::ptrdiff_t(sx);
                if (touched[x] || dx || dy) {
                    for (int c = 0; c < 3; ++c)
                        o[c] = ClampByte(pb[c] - dx);
                } else if (g >= 0.5f) {
                    for (int c = 0; c < 3; ++c)
                        o[c] = ClampByte(pa[c] - dx);
                } else {
                    const float wa = 2 * g, wb = 1 - 2 * g;
                    for (int c = 0; c < 3; ++c)
                        o[c] = ClampByte(int(float(pa[c]) * wa - float(dx) + float(pb[c]) * wb));
                }
            }
        }
        m_state = transfx::RandState();
        CopyEnd(i, d, ds, a, as, b, bs);
        return 0;
    }

private:
    bool OnSizeChanged() override {
        m_started = false;
        try {
            m_touched.assign(std::size_t(m_width) * std::size_t(m_height), 0);
        } catch (...) {
            return false;
        }
        return m_field.Resize(m_width, m_height);
    }

    // Still water, no drops yet; on a rewind the generator goes back to where
    // it stood at the first frame.
    void Restart(bool rewind) {
        std::fill(m_touched.begin(), m_touched.end(), 0);
        if (rewind && m_started)
            transfx::RandState() = m_seed;
        m_field.Clear();
        m_started = false;
    }

    // The slopes are scaled by g = 1 − i/last, which flattens the waves
    // toward the end: last is n − 1 for frame i, LastStep for step i.
    static float Slope(int i, int last) { return 1.0f - float(i) / float(last); }

    // Marks the pixels a wave reaches at step s: those with a slope. The
    // last column and row have no neighbour beyond them and count as flat
    // (the last row is its own row below). Written without branches so that
    // it vectorises: it runs every step over the whole frame.
    void Mark(int s) {
        const int W = m_width, H = m_height;
        const float g = Slope(s, CWaveField::LastStep(m_frameCount));
        for (int y = 0; y < H; ++y) {
            const std::int32_t* row = m_field.Row(y);
            const std::int32_t* below = y < H - 1 ? row + W : row;
            std::uint8_t* touched = m_touched.data() + std::ptrdiff_t(y) * W;
            for (int x = 0; x < W - 1; ++x) {
                const int dx = int(float(row[x] - row[x + 1]) * g);
                const int dy = int(float(row[x] - below[x]) * g);
                touched[x] |= std::uint8_t((dx | dy) != 0);
            }
            touched[W - 1] |= std::uint8_t(int(float(row[W - 1] - below[W - 1]) * g) != 0);
        }
    }

    // On even steps, two or three drops of radius 5 … 49 and random
    // strength, kept clear of the edges. Frames under 100 pixels limit the
    // radius so that a drop still fits; frames under 12 pixels get none.
    void Drops(int s) {
        const int W = m_width, H = m_height;
        if (s % 2 != 0)
            return;
        const int qMax = std::min({44, (W - 12) / 2, (H - 12) / 2});
        if (qMax < 0)
            return;
        const int count = 2 + (transfx::Rand() & 1);
        for (int drop = 0; drop < count; ++drop) {
            const int q = transfx::Rand() % (qMax + 1);
            const int rho = q + 5;
            const int s = transfx::Rand() % 150;
            const int cx = q + transfx::Rand() % (W - 2 * q - 11) + 5;
            const int cy = q + transfx::Rand() % (H - 2 * q - 11) + 5;
            for (int j = -rho; j < rho; ++j) {
                std::int32_t* row = m_field.Row(cy + j);
                for (int k = -rho; k < rho; ++k)
                    if (j * j + k * k < rho * rho)
                        row[cx + k] += s + 50;
            }
        }
    }

    // One step of the waves, damped by 1/32.
    void Step() {
        m_field.Step([](int j) { return std::int32_t(j - (j >> 5)); });
    }

    // The waves after m_field.Steps() steps with that step's drops fallen and
    // its marks made (once m_started), the generator where they left it.
    CWaveField m_field;
    std::vector<std::uint8_t> m_touched; // 1 where a wave has passed
    bool m_started = false;              // step 0's drops have fallen
    std::uint32_t m_seed = 0;            // the generator at the first frame
    std::uint32_t m_state = 0;           // the generator after the last frame
};

} // namespace

CTransition* transfx::MakeRipples(const STransitionInfo& info) { return new CRipples(info); }
