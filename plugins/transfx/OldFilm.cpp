// Old Film: the picture turns sepia toward the middle of the transition
// (A before it, B after), flickers on odd frames, jumps by a pixel now and
// then and shows a black scratch in about one frame of ten. The jumps and
// scratches come from the thread's running generator, three numbers a frame;
// the same requests on the same generator state give the same frames.
#include "imgcore/CPU.h"
#include "plugins/transfx/Random.h"
#include "plugins/transfx/Transition.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

class COldFilm : public CTransition {
public:
    using CTransition::CTransition;

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        const int W = m_width, H = m_height, n = m_frameCount;
        // The jump, vertical and horizontal: 0 → −1, 1 → 0, 2 → +1, else 0.
        auto jump = [](int v) { return v == 0 ? -1 : v == 2 ? 1 : 0; };
        const int jh = jump(transfx::Rand() % 20);
        const int jv = jump(transfx::Rand() % 20);
        const int scratch = transfx::Rand() % (10 * W);
        // The ends are the pictures without jump or scratch (and at the last
        // frame of an even count, without the flicker and the trace of sepia
        // that the formula leaves); the three numbers are drawn all the same.
        if (CopyEnd(i, d, ds, a, as, b, bs))
            return 0;
        const int h = std::max(n / 2, 1);
        const double e = std::abs(i - h) / double(h), f = 1 - e;
        const bool first = i < h;
        const std::uint8_t* p = first ? a : b;
        const int ps = first ? as : bs;
        const float flicker = i % 2 == 0 ? 1.0f : float(0.8 + 0.2 * e);
        const float s = float(f) * flicker, c = float(e) * flicker;
        // A jump moves the drawn area by one row or column in memory and
        // leaves the row or column it uncovers black.
        const int dstRow = jv > 0 ? 1 : 0, srcRow = jv < 0 ? 1 : 0;
        const int dstCol = jh > 0 ? 1 : 0, srcCol = jh < 0 ? 1 : 0;
        const int rows = H - (jv != 0), columns = W - (jh != 0);
        for (int y = 0; y < rows; ++y) {
            const std::uint8_t* in = RowOf(p, ps, y + srcRow) + 4 * srcCol;
            std::uint8_t* o = RowOf(d, ds, y + dstRow) + 4 * dstCol;
            for (int x = 0; x < columns; ++x, in += 4, o += 4) {
                const double v = 0.054126747 * in[0] + 0.53637004 * in[1] + 0.15950325 * in[2];
                const float v1 = float(v);
                o[0] = Clamp((v + 1.75) * s + in[0] * c);
                o[1] = Clamp((v1 + 32.75f) * s + in[1] * c);
                o[2] = Clamp((v1 + 51.25f) * s + in[2] * c);
            }
        }
        if (scratch < columns) {
            for (int y = 0; y < rows; ++y)
                std::fill_n(RowOf(d, ds, y + dstRow) + 4 * std::ptrdiff_t(dstCol + scratch), 4,
                            std::uint8_t(0));
        }
        return 0;
    }

private:
    static std::uint8_t Clamp(double v) { return std::uint8_t(std::clamp(int(v), 0, 255)); }
};

} // namespace

CTransition* transfx::MakeOldFilm(const STransitionInfo& info) { return new COldFilm(info); }
