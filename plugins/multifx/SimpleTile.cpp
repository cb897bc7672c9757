// Simple Tile: the pictures fade into the cells of a grid one after the
// other during the first 80% of the slide and stay there.
#include "plugins/multifx/KeyFrameLayout.h"
#include "plugins/multifx/Layouts.h"

#include <new>

namespace {

class CSimpleTile final : public CKeyFrameLayout {
public:
    using CKeyFrameLayout::CKeyFrameLayout;

protected:
    void Generate(int a, int n, CCrtRandom&, std::vector<SKeyFrameRecord>& keys) const override {
        SPlacement cell = placement::GridCell(a, n);
        double start = 0.8 * a / n;
        const double times[4] = {start, start + 0.4 / n, 0.8, 1.0};
        for (int i = 0; i < 4; ++i) {
            cell.opacity = i == 0 ? 0.0 : 1.0;
            keys.push_back(Key(cell, times[i]));
        }
    }
};

} // namespace

CLayout* multifx::NewSimpleTile(const SLayoutInfo& info) {
    return new (std::nothrow) CSimpleTile(info, CKeyFrameLayout::kNoRandom);
}
