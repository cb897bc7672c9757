// Row Shift and Column Shift: the pictures cross the frame one after the
// other, from right to left (from top to bottom), two or so at a time.
#include "plugins/multifx/KeyFrameLayout.h"
#include "plugins/multifx/Layouts.h"

#include <new>

namespace {

class CShift final : public CKeyFrameLayout {
public:
    CShift(const multifx::SLayoutInfo& info, std::uint32_t seed, bool vertical)
        : CKeyFrameLayout(info, seed), m_vertical(vertical) {}

protected:
    void Generate(int a, int n, CCrtRandom&, std::vector<SKeyFrameRecord>& keys) const override {
        double e = 1.0 / (n / 2.0 + 1);
        const double along[2] = {0.75, -0.75};
        const double times[2] = {e * a / 2, e * (a / 2.0 + 1.25)};
        for (int i = 0; i < 2; ++i) {
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

CLayout* multifx::NewRowShift(const SLayoutInfo& info) {
    return new (std::nothrow) CShift(info, CKeyFrameLayout::kNoRandom, false);
}

CLayout* multifx::NewColumnShift(const SLayoutInfo& info) {
    return new (std::nothrow) CShift(info, CKeyFrameLayout::kNoRandom, true);
}
