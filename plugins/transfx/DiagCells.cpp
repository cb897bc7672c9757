// Diagonal Cells: a wave runs from the top-left corner across a grid of
// square cells; each cell of A shrinks to nothing around its centre, then a
// cell of B grows from it. A cell's width follows its column, its height its
// row. "Right to Left" runs time backwards.
#include "plugins/transfx/Transition.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace {

class CDiagCells : public CTransition {
public:
    using CTransition::CTransition;

    enum EDirection { kLeftToRight = 0, kRightToLeft = 1 };

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int flipped) override {
        if (Param(1) == kRightToLeft)
            Reverse(i, a, as, b, bs);
        if (flipped)
            ToTopDown(d, ds, a, as, b, bs);
        const int W = m_width, H = m_height, n = m_frameCount;
        const int c = std::max(Param(0), 1);
        // Frames narrower than the cell count get cells of one pixel.
        const int g = std::max(W / c, 1);
        // The wave's travel in pixels. The last cell's phase needs
        // corner·2/c + 2g to finish; on frames taller than wide, or with a
        // remainder column of cells, that is more than g(c − 1)·2/c + 2g.
        const int lastCorner = std::max((W - 1) / g, (H - 1) / g) * g;
        const int travel = std::max(g * (c - 1) * 2 / c, lastCorner * 2 / c) + 2 * g;
        const int p = MulDiv(i, travel, n - 1);
        Phases(m_columns.data(), W, g, c, p);
        Phases(m_rows.data(), H, g, c, p);
        for (int y = 0; y < H; ++y) {
            const SPhase row = m_rows[std::size_t(y)];
            if (row.state == 0)
                continue;
            const std::uint8_t* in = row.state < 0 ? RowOf(a, as, row.source) : RowOf(b, bs, row.source);
            std::uint8_t* out = RowOf(d, ds, y);
            for (int x = 0; x < W; ++x) {
                const SPhase column = m_columns[std::size_t(x)];
                if (column.state == row.state)
                    std::memcpy(out + 4 * std::ptrdiff_t(x), in + 4 * std::ptrdiff_t(column.source), 4);
            }
        }
        return 0;
    }

private:
    // What one column (or row) of the frame shows: state −1 a shrinking cell
    // of A, +1 a growing cell of B, 0 black; source is the picture's column
    // (or row).
    struct SPhase {
        int state;
        int source;
    };

    // The phases of `length` columns (or rows) in cells of side g at
    // progress p. A cell's phase is p − corner·2/c − g, clamped to [−g, g].
    static void Phases(SPhase* out, int length, int g, int c, int p) {
        for (int corner = 0; corner < length; corner += g) {
            const int phase = std::clamp(p - corner * 2 / c - g, -g, g);
            const int size = g + phase; // visible size of a shrinking cell
            for (int u = 0; u < g && corner + u < length; ++u) {
                int source = -1;
                if (phase < 0)
                    source = MulDiv(size / 2 - u, g, phase);
                else if (phase > 0)
                    source = MulDiv(u - (g - phase) / 2, g, phase);
                const bool inside = source >= 0 && source < g && corner + source < length;
                out[corner + u] = {inside ? (phase < 0 ? -1 : 1) : 0, corner + source};
            }
        }
    }

    bool OnSizeChanged() override {
        try {
            m_columns.resize(std::size_t(m_width));
            m_rows.resize(std::size_t(m_height));
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }

    std::vector<SPhase> m_columns, m_rows;
};

} // namespace

CTransition* transfx::MakeDiagCells(const STransitionInfo& info) { return new CDiagCells(info); }
