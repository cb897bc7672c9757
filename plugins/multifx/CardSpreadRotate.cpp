// Card Spread with Rotate: each picture fades in on a fan of six places and
// turns on to the next place while the others arrive.
#include "plugins/multifx/KeyFrameLayout.h"
#include "plugins/multifx/Layouts.h"

#include <new>

namespace {

double Angle(int k) { return 0.06 * k - 0.15; }

class CCardSpreadRotate final : public CKeyFrameLayout {
public:
    using CKeyFrameLayout::CKeyFrameLayout;

protected:
    void Generate(int a, int n, CCrtRandom&, std::vector<SKeyFrameRecord>& keys) const override {
        SPlacement first = placement::FanSlot(Angle(5 - a % 6), 0.75);
        first.opacity = 0;
        keys.push_back(Key(first, double(a) / n));
        SPlacement next = placement::FanSlot(Angle(5 - (a + 1) % 6), 0.75);
        keys.push_back(Key(next, double(a) / n + 0.5 / n));
        keys.push_back(Key(next, 1.0));
    }
};

} // namespace

CLayout* multifx::NewCardSpreadRotate(const SLayoutInfo& info) {
    return new (std::nothrow) CCardSpreadRotate(info, CKeyFrameLayout::kNoRandom);
}
