// Flow Zoom: the pictures queue, dimmed, in a 3 × 3 grid walked in serpentine
// order; the head of the queue lights up, moves to the centre, holds and
// flies off to the top right while the queue moves up one place.
#include "plugins/multifx/KeyFrameLayout.h"
#include "plugins/multifx/Layouts.h"

#include <new>

namespace {

constexpr int kSlots = 9;

// The grid cell of queue slot s: rows left to right, then right to left.
SPlacement Slot(int s) {
    int row = s / 3;
    int cell = row % 2 == 0 ? s : 3 * row + 2 - s % 3;
    return placement::GridCell(cell, kSlots);
}

class CFlowZoom final : public CKeyFrameLayout {
public:
    using CKeyFrameLayout::CKeyFrameLayout;

protected:
    void Generate(int a, int n, CCrtRandom&, std::vector<SKeyFrameRecord>& keys) const override {
        double c = 1.0 / (3.0 * n + 1);
        int m = n - a - 1;
        double time = 0;
        SPlacement at;
        if (m >= kSlots) {
            // Waits off screen beside the last slot until the queue has room.
            at = Slot(kSlots - 1);
            at.x = at.x < 0 ? -0.5 - at.scale / 2 : 0.5 + at.scale / 2;
            m = kSlots;
            time = (3.0 * (n - a) - 30) * c;
        } else {
            at = Slot(m);
        }
        at.opacity = 0.5;
        keys.push_back(Key(at, time));
        for (int s = m - 1; s >= 0; --s) {
            at = Slot(s);
            at.opacity = 0.5;
            keys.push_back(Key(at, time += c));
            keys.push_back(Key(at, time += c));
            at.opacity = 1;
            keys.push_back(Key(at, time += c));
        }
        SPlacement centre;
        centre.scale = 0.75;
        keys.push_back(Key(centre, time += c));
        keys.push_back(Key(centre, time += c));
        SPlacement gone;
        gone.x = gone.y = 0.875;
        gone.scale = 0.75;
        gone.rotation = -0.5;
        keys.push_back(Key(gone, time += c));
    }
};

} // namespace

CLayout* multifx::NewFlowZoom(const SLayoutInfo& info) {
    return new (std::nothrow) CFlowZoom(info, CKeyFrameLayout::kNoRandom);
}
