// Ripples: drops fall on A and spread as waves over a height field; every
// pixel a wave has passed shows B from then on, and the untouched rest fades
// from A to B in the second half. The simulation takes one step per rendered
// frame.
//
// Frame order: frame i is always drawn from the waves after i steps, so it
// looks the same whatever was asked for before. A frame past the last one
// rendered runs the steps in between without drawing them; a repeated or an
// earlier frame (a preview seek) starts again from still water and replays
// the steps, with the generator set back to where it stood at the first
// frame, so that the same drops fall again.
#include "imgcore/PixelMath.h"
#include "plugins/transfx/Random.h"
#include "plugins/transfx/Transition.h"

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
        if (i < m_steps)
            Restart(true);
        if (m_steps == 0)
            m_seed = transfx::RandState();
        else
            transfx::RandState() = m_state;
        while (m_steps < i) {
            Drops(m_steps);
            Mark(m_steps);
            Step();
        }
        Drops(i);
        Mark(i);
        const float g = Slope(i);
        const std::int32_t* h = m_current.data();
        for (int y = 0; y < H; ++y) {
            std::uint8_t* o = RowOf(d, ds, y);
            const std::int32_t* row = h + std::ptrdiff_t(y) * W;
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
                if (touched[x]) {
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
        Step();
        m_state = transfx::RandState();
        CopyEnd(i, d, ds, a, as, b, bs);
        return 0;
    }

private:
    bool OnSizeChanged() override {
        const std::size_t size = std::size_t(m_width) * std::size_t(m_height);
        try {
            m_current.assign(size, 0);
            m_previous.assign(size, 0);
            m_touched.assign(size, 0);
        } catch (...) {
            return false;
        }
        m_steps = 0;
        return true;
    }

    // Still water; on a rewind the generator goes back to where it stood at
    // the first frame.
    void Restart(bool rewind) {
        std::fill(m_current.begin(), m_current.end(), 0);
        std::fill(m_previous.begin(), m_previous.end(), 0);
        std::fill(m_touched.begin(), m_touched.end(), 0);
        if (rewind && m_steps > 0)
            transfx::RandState() = m_seed;
        m_steps = 0;
    }

    // The slopes are scaled by g = 1 − i/(n − 1), which flattens the waves
    // toward the end.
    float Slope(int i) const { return 1.0f - float(i) / float(m_frameCount - 1); }

    // Marks the pixels a wave reaches at frame i: those with a slope. The
    // last column and row have no neighbour beyond them and count as flat.
    void Mark(int i) {
        const int W = m_width, H = m_height;
        const float g = Slope(i);
        for (int y = 0; y < H; ++y) {
            const std::int32_t* row = m_current.data() + std::ptrdiff_t(y) * W;
            std::uint8_t* touched = m_touched.data() + std::ptrdiff_t(y) * W;
            for (int x = 0; x < W; ++x) {
                const int dx = x < W - 1 ? int(float(row[x] - row[x + 1]) * g) : 0;
                const int dy = y < H - 1 ? int(float(row[x] - row[x + W]) * g) : 0;
                if (dx || dy)
                    touched[x] = 1;
            }
        }
    }

    // Two or three drops of radius 5 … 49 and random strength, kept clear of
    // the edges. Frames under 100 pixels limit the radius so that a drop
    // still fits; frames under 12 pixels get none.
    void Drops(int i) {
        const int W = m_width, H = m_height;
        if (i % 2 != 0)
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
                std::int32_t* row = m_current.data() + std::ptrdiff_t(cy + j) * W;
                for (int k = -rho; k < rho; ++k)
                    if (j * j + k * k < rho * rho)
                        row[cx + k] += s + 50;
            }
        }
    }

    // One step of the waves: the new height is half the sum of the eight
    // neighbours less the one before, damped by 1/32.
    void Step() {
        const int W = m_width, H = m_height;
        const std::int32_t* h = m_current.data();
        std::int32_t* p = m_previous.data();
        for (int y = 2; y < H - 1; ++y) {
            for (int x = 2; x < W - 1; ++x) {
                const std::ptrdiff_t at = std::ptrdiff_t(y) * W + x;
                const int sum = h[at - W - 1] + h[at - W] + h[at - W + 1] + h[at - 1] + h[at + 1] +
                                h[at + W - 1] + h[at + W] + h[at + W + 1];
                const int J = (sum >> 2) - p[at];
                p[at] = J - (J >> 5);
            }
        }
        m_current.swap(m_previous);
        ++m_steps;
    }

    std::vector<std::int32_t> m_current, m_previous;
    std::vector<std::uint8_t> m_touched; // 1 where a wave has passed
    int m_steps = 0;                     // the frames the waves have been advanced by
    std::uint32_t m_seed = 0;            // the generator at the first frame
    std::uint32_t m_state = 0;           // the generator after the last frame
};

} // namespace

CTransition* transfx::MakeRipples(const STransitionInfo& info) { return new CRipples(info); }
