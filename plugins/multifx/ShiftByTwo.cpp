// Row Shift by 2 and Column Shift by 2: the pictures come in pairs from the
// left (the bottom), stop side by side (one above the other) and leave on
// the other side.
#include "plugins/multifx/KeyFrameLayout.h"
#include "plugins/multifx/Layouts.h"

#include <new>

namespace {

class CShiftByTwo final : public CKeyFrameLayout {
public:
    CShiftByTwo(const multifx::SLayoutInfo& info, std::uint32_t seed, bool vertical)
        : CKeyFrameLayout(info, seed), m_vertical(vertical) {}

protected:
    void Generate(int a, int n, CCrtRandom&, std::vector<SKeyFrameRecord>& keys) const override {
        int b = (n + 1) / 2;
        double u = 1.0 / b;
        double l = (u - u / 3) / 4;
        int p = a % 2;
        double h = u * (a / 2) + p * l;
        double stop = 0.25 - 0.5 * p;
        const double along[4] = {-0.75, stop, stop, 0.75};
        const double times[4] = {h, h + l, h + u / 3 + 2 * l, h + u / 3 + 3 * l};
        for (int i = 0; i < 4; ++i) {
            SPlacement at;
            at.scale = 0.5;
            (m_vertical ? at.y : at.x) = along[i];
            keys.push_back(Key(at, times[i]));
        }
    }

private:
    bool m_vertical;
};

} // namespace

CLayout* multifx::NewRowShiftByTwo(const SLayoutInfo& info) {
    return new (std::nothrow) CShiftByTwo(info, CKeyFrameLayout::kNoRandom, false);
}

CLayout* multifx::NewColumnShiftByTwo(const SLayoutInfo& info) {
    return new (std::nothrow) CShiftByTwo(info, CKeyFrameLayout::kNoRandom, true);
}
