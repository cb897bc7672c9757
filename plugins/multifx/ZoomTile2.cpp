// Zoom Tile2: all pictures lie in a grid; each in turn leaves its cell for the
// centre at three quarters of the frame, stays, and goes back, while the
// others dim when the background fade is on.
#include "plugins/multifx/Layouts.h"
#include "plugins/multifx/LiveLayout.h"

#include <new>

namespace {

class CZoomTile2 final : public CLiveLayout {
public:
    explicit CZoomTile2(const multifx::SLayoutInfo& info) : CLiveLayout(info, 2, 30) {
        AddParam(effectkit::Choice("BkgFade", "Background Fade", 0, {"No", "Yes"}));
    }

protected:
    void Draw(int f, int F) override {
        int n = GetSourceCount();
        SSlot slot = SlotOf(f, F, n);
        if (slot.past) {
            DrawGrid();
            return;
        }
        const int j = slot.current;
        // How far the current picture is out of its cell.
        const double u = OutOfPlace(slot);
        double G = Param(0) == 1 ? 0.5 : 1.0;
        double g = 1 + (G - 1) * u;
        for (int i = 0; i < n; ++i) {
            if (i == j)
                continue;
            SPlacement cell = placement::GridCell(i, n);
            cell.opacity = g;
            DrawPicture(i, cell);
        }
        SPlacement centre;
        centre.scale = 0.75;
        DrawPicture(j, placement::Blend(placement::GridCell(j, n), centre, u));
    }
};

} // namespace

CLayout* multifx::NewZoomTile2(const SLayoutInfo& info) { return new (std::nothrow) CZoomTile2(info); }
