// Zoom Tile: each picture in turn fills the frame, fading in, and then
// shrinks into its cell of a k × k grid, where the last k² pictures stay; the
// picture whose cell it takes fades out meanwhile.
#include "plugins/multifx/Layouts.h"
#include "plugins/multifx/LiveLayout.h"

#include <algorithm>
#include <new>

namespace {

class CZoomTile final : public CLiveLayout {
public:
    explicit CZoomTile(const multifx::SLayoutInfo& info) : CLiveLayout(info, 4, -1) {
        AddParam(effectkit::Range("NumCols", "Number of Columns", 2, 2, 4));
    }

    // Cell c of a k × k grid.
    static SPlacement Cell(int c, int k) {
        SPlacement p;
        p.scale = 1.0 / k;
        p.x = (c % k + 0.5) / k - 0.5;
        p.y = 0.5 - (c / k + 0.5) / k;
        return p;
    }

protected:
    void Draw(int f, int F) override {
        int n = GetSourceCount();
        int k = std::clamp(Param(0), 2, 4);
        int page = k * k;
        SSlot slot = SlotOf(f, F, n);
        int L = slot.length, j = slot.current, t = slot.t;
        if (slot.past) {
            // After the last slot, and when there are fewer frames than
            // pictures, the last page stays in its cells.
            for (int i = std::max(0, n - page); i < n; ++i)
                DrawPicture(i, Cell(i % page, k));
            return;
        }
        int H = int(0.7 * L), M = int(0.3 * L);
        for (int i = std::max(0, j - page); i < j; ++i) {
            SPlacement cell = Cell(i % page, k);
            if (i == j - page && t >= H)
                cell.opacity = L - 1 - H > 0 ? double(L - 1 - t) / (L - 1 - H) : 0.0;
            DrawPicture(i, cell);
        }
        SPlacement current;
        if (t < H) {
            current.opacity = M > 0 && t < M ? double(t) / M : 1.0;
        } else {
            double q = L - H - 1 > 0 ? double(t - H) / (L - H - 1) : 1.0;
            SPlacement cell = Cell(j % page, k);
            current.scale = 1 - (1 - 1.0 / k) * q;
            current.x = q * cell.x;
            current.y = q * cell.y;
        }
        DrawPicture(j, current);
    }
};

} // namespace

CLayout* multifx::NewZoomTile(const SLayoutInfo& info) { return new (std::nothrow) CZoomTile(info); }
