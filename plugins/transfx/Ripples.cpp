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
        if (i < m_field.Steps())
            Restart(true);
        if (m_field.Steps() == 0)
            m_seed = transfx::RandState();
        else
            transfx::RandState() = m_state;
        while (m_field.Steps() < i) {
            Drops(m_field.Steps());
            Mark(m_field.Steps());
            Step();
        }
        Drops(i);
        Mark(i);
        const float g = Slope(i);
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
        try {
            m_touched.assign(std::size_t(m_width) * std::size_t(m_height), 0);
        } catch (...) {
            return false;
        }
        return m_field.Resize(m_width, m_height);
    }

    // Still water; on a rewind the generator goes back to where it stood at
    // the first frame.
    void Restart(bool rewind) {
        std::fill(m_touched.begin(), m_touched.end(), 0);
        if (rewind && m_field.Steps() > 0)
            transfx::RandState() = m_seed;
        m_field.Clear();
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
            const std::int32_t* row = m_field.Row(y);
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

    CWaveField m_field; // advanced by one step a frame
    std::vector<std::uint8_t> m_touched; // 1 where a wave has passed
    std::uint32_t m_seed = 0;            // the generator at the first frame
    std::uint32_t m_state = 0;           // the generator after the last frame
};

} // namespace

CTransition* transfx::MakeRipples(const STransitionInfo& info) { return new CRipples(info); }
