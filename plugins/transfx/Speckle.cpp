// Speckle: A's pixels scatter further and further, cross into B's scattered
// pixels, and B's settle. The scatter is drawn from the module's generator,
// which Speckle never reseeds, and is mirrored into the four quarters.
#include "imgcore/CPU.h"
#include "imgcore/PixelMath.h"
#include "plugins/transfx/Random.h"
#include "plugins/transfx/Transition.h"

#include <algorithm>
#include <cstring>

namespace {

class CSpeckle : public CTransition {
public:
    using CTransition::CTransition;

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        const int n = m_frameCount;
        if (n < 4) {
            // The phases need four frames (they divide by ⌊2n/3⌋ − 1 and take a
            // remainder by the amplitude): a shorter speckle shows A for the
            // first half of its frames and B for the rest.
            const bool first = 2 * i < n;
            CCPU::ippiCopy_8u_C4R(first ? a : b, first ? as : bs, d, ds, {m_width, m_height});
            return 0;
        }
        const int g = m_width / 10;
        const int t1 = MulDiv(2, n, 3), t0 = n - t1 - 1;
        const int rising = MulDiv(i, g, t1 - 1);
        const int falling = g - MulDiv(i - t0, g, n - t0 - 1);
        if (i < t0)
            Scatter(a, as, rising, d, ds);
        else if (i >= t1)
            Scatter(b, bs, falling, d, ds);
        else
            Mix(a, as, rising, b, bs, falling, MulDiv(i - t0, 255, t1 - t0), d, ds);
        return 0;
    }

private:
    // Source offset for amplitude amp from one random number v: the column
    // offset (v mod 2·amp) − amp, the row offset ⌊2·amp·v/32767⌋ − amp. An
    // amplitude of 0 (narrow frames) scatters nothing.
    struct SOffset {
        int dx;
        int dy;
    };
    static SOffset OffsetOf(int v, int amp) {
        if (amp <= 0)
            return {0, 0};
        return {v % (2 * amp) - amp, MulDiv(2 * amp, v, transfx::kRandMax) - amp};
    }

    // The four mirrored positions of (x, y) and of the source point (sx, sy),
    // as byte offsets into rows: column pairs and row pairs.
    struct SMirror {
        int col[2];  // x, W − 1 − x
        int row[2];  // y, H − 1 − y
    };
    SMirror Mirror(int x, int y) const { return {{x, m_width - 1 - x}, {y, m_height - 1 - y}}; }
    SMirror Source(int x, int y, SOffset o) const {
        const int sx = std::clamp(x + o.dx, 0, m_width - 1);
        const int sy = std::clamp(y + o.dy, 0, m_height - 1);
        return Mirror(sx, sy);
    }

    void Scatter(std::uint8_t* p, int ps, int amp, std::uint8_t* d, int ds) const {
        if (amp <= 0) {
            CCPU::ippiCopy_8u_C4R(p, ps, d, ds, {m_width, m_height});
            return;
        }
        std::uint32_t state = transfx::RandState();
        for (int y = 0; y < m_height / 2; ++y) {
            for (int x = 0; x < m_width / 2; ++x) {
                const SMirror to = Mirror(x, y);
                const SMirror from = Source(x, y, OffsetOf(transfx::NextRand(state), amp));
                for (int r = 0; r < 2; ++r)
                    for (int c = 0; c < 2; ++c)
                        std::memcpy(RowOf(d, ds, to.row[r]) + 4 * to.col[c],
                                    RowOf(p, ps, from.row[r]) + 4 * from.col[c], 4);
            }
        }
        transfx::RandState() = state;
    }

    void Mix(std::uint8_t* a, int as, int ampA, std::uint8_t* b, int bs, int ampB, int k,
             std::uint8_t* d, int ds) const {
        std::uint32_t state = transfx::RandState();
        for (int y = 0; y <= m_height / 2; ++y) {
            for (int x = 0; x <= m_width / 2; ++x) {
                const int v = transfx::NextRand(state);
                const SMirror to = Mirror(x, y);
                const SMirror fa = Source(x, y, OffsetOf(v, ampA));
                const SMirror fb = Source(x, y, OffsetOf(v, ampB));
                for (int r = 0; r < 2; ++r) {
                    for (int c = 0; c < 2; ++c) {
                        std::uint8_t* o = RowOf(d, ds, to.row[r]) + 4 * to.col[c];
                        const std::uint8_t* pa = RowOf(a, as, fa.row[r]) + 4 * fa.col[c];
                        const std::uint8_t* pb = RowOf(b, bs, fb.row[r]) + 4 * fb.col[c];
                        for (int ch = 0; ch < 3; ++ch)
                            o[ch] = Blend8(pa[ch], pb[ch], k);
                    }
                }
            }
        }
        transfx::RandState() = state;
    }
};

} // namespace

CTransition* transfx::MakeSpeckle(const STransitionInfo& info) { return new CSpeckle(info); }
