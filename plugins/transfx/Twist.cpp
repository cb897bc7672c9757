// Twist: a band half the frame wide travels across like a ribbon turning
// over: in its leading quarter A's columns grow from their middle, in its
// trailing quarter B's columns shrink toward it. Behind the band is B, ahead
// of it A. "Right to Left" runs the front backwards with the pictures swapped.
#include "plugins/transfx/ExactRatio.h"
#include "plugins/transfx/SineTable.h"
#include "plugins/transfx/Transition.h"

#include <algorithm>
#include <cstring>
#include <numbers>
#include <vector>

namespace {

class CTwist : public CTransition {
public:
    using CTransition::CTransition;

    enum EDirection { kLeftToRight = 0, kRightToLeft = 1 };

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        const int W = m_width, H = m_height, n = m_frameCount;
        int f = MulDiv(i, W + W / 2, n - 1);
        if (Param(0) == kRightToLeft) {
            f = W + W / 2 - f;
            std::swap(a, b);
            std::swap(as, bs);
        }
        // A band column j of height a from row t = (H − a)/2 shows rows
        // t < y < a + t of its picture's column j, squeezed.
        const int half = std::max(W / 2, 1), quarter = W / 4;
        const CSineTable& table = CSineTable::Get();
        const double step = std::numbers::pi / half;
        const int trailing = std::min(std::max(f - quarter, 0), W); // B's part of the band ends
        const int leading = std::min(std::max(f, 0), W);            // A's part ends
        const int behind = std::min(std::max(f - W / 2, 0), W);     // B before the band
        for (int j = behind; j < leading; ++j) {
            SColumn& c = m_columns[std::size_t(j)];
            const bool ofB = j < trailing;
            const double angle = ofB ? (f - quarter - j) * step : (j - (f - quarter)) * step;
            c.height = int(table.Sin(angle) * H);
            c.top = (H - c.height) / 2;
            c.ratio = c.height > 0 ? CExactRatio(H, c.height) : CExactRatio();
            c.source = ofB ? b : a;
            c.stride = ofB ? bs : as;
        }
        for (int y = 0; y < H; ++y) {
            std::uint8_t* o = RowOf(d, ds, y);
            std::memcpy(o, RowOf(b, bs, y), 4 * std::size_t(behind));
            std::memcpy(o + 4 * std::ptrdiff_t(leading), RowOf(a, as, y) + 4 * std::ptrdiff_t(leading),
                        4 * std::size_t(W - leading));
            for (int j = behind; j < leading; ++j) {
                const SColumn& c = m_columns[std::size_t(j)];
                if (c.top < y && y < c.height + c.top)
                    std::memcpy(o + 4 * j,
                                RowOf(c.source, c.stride, c.ratio(unsigned(y - c.top))) + 4 * j, 4);
            }
        }
        return 0;
    }

private:
    bool OnSizeChanged() override {
        try {
            m_columns.assign(std::size_t(m_width), SColumn{});
        } catch (...) {
            return false;
        }
        return true;
    }

    struct SColumn {
        const std::uint8_t* source = nullptr;
        int stride = 0;
        int top = 0;
        int height = 0;
        CExactRatio ratio; // destination row offset → source row
    };
    std::vector<SColumn> m_columns;
};

} // namespace

CTransition* transfx::MakeTwist(const STransitionInfo& info) { return new CTwist(info); }
