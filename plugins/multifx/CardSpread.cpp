// Card Spread: the pictures fade in one after the other into a fan, like a
// hand of cards, the first on the left.
#include "plugins/multifx/CardSpread.h"

#include "plugins/multifx/Layouts.h"

#include <new>

double CCardSpread::FanAngle(int a, int n) {
    return n < 2 ? 0.0 : (n - a - 1) * 0.4 / (n - 1) - 0.2;
}

void CCardSpread::Generate(int a, int n, CCrtRandom&, std::vector<SKeyFrameRecord>& keys) const {
    SPlacement at = placement::FanSlot(FanAngle(a, n), 0.5);
    const double times[3] = {double(a) / n, double(a) / n + 0.5 / n, 1.0};
    for (int i = 0; i < 3; ++i) {
        at.opacity = i == 0 ? 0.0 : 1.0;
        keys.push_back(Key(at, times[i]));
    }
}

CLayout* multifx::NewCardSpread(const SLayoutInfo& info) {
    return new (std::nothrow) CCardSpread(info, CKeyFrameLayout::kNoRandom);
}
