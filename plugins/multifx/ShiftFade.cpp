// Row Shift with Fade and Column Shift with Fade: each picture crosses the
// frame, drops back half faded a little lower (to the right) and crosses back.
#include "plugins/multifx/KeyFrameLayout.h"
#include "plugins/multifx/Layouts.h"

#include <new>

namespace {

class CShiftFade final : public CKeyFrameLayout {
public:
    CShiftFade(const multifx::SLayoutInfo& info, std::uint32_t seed, bool vertical)
        : CKeyFrameLayout(info, seed), m_vertical(vertical) {}

protected:
    void Generate(int a, int n, CCrtRandom&, std::vector<SKeyFrameRecord>& keys) const override {
        double c = 1.0 / ((n + 1) / 2.0 + 2);
        double d = c * a / 2;
        double c2 = 1.25 * c;
        const double along[4] = {0.75, -0.75, -0.75, 0.75};
        const double across[4] = {0, 0, -0.125, -0.125};
        const double opacity[4] = {1, 1, 0.5, 1};
        const double times[4] = {d, d + c2, d + c2 + 0.01, d + 2 * c2};
        for (int i = 0; i < 4; ++i) {
            SPlacement at;
            at.scale = 0.5;
            at.opacity = opacity[i];
            if (m_vertical) {
                at.y = along[i];
                at.x = -across[i];
            } else {
                at.x = along[i];
                at.y = across[i];
            }
            keys.push_back(Key(at, times[i]));
        }
    }

private:
    bool m_vertical;
};

} // namespace

CLayout* multifx::NewRowShiftFade(const SLayoutInfo& info) {
    return new (std::nothrow) CShiftFade(info, CKeyFrameLayout::kNoRandom, false);
}

CLayout* multifx::NewColumnShiftFade(const SLayoutInfo& info) {
    return new (std::nothrow) CShiftFade(info, CKeyFrameLayout::kNoRandom, true);
}
