// Random Position: the pictures fade in one after the other, each at its
// own random place inside the frame.
#include "plugins/multifx/KeyFrameLayout.h"
#include "plugins/multifx/Layouts.h"

#include <new>

namespace {

// The seed of the layout's random choices. Fixed: another seed would change
// the pictures of every template that uses the layout.
constexpr std::uint32_t kSeed = 6;

class CRandomPosition final : public CKeyFrameLayout {
public:
    using CKeyFrameLayout::CKeyFrameLayout;

protected:
    void Generate(int a, int n, CCrtRandom& random,
                  std::vector<SKeyFrameRecord>& keys) const override {
        SPlacement at = placement::RandomInside(random, 0.5, 0.8);
        const double times[3] = {double(a) / n, double(a) / n + 0.5 / n, 1.0};
        for (int i = 0; i < 3; ++i) {
            at.opacity = i == 0 ? 0.0 : 1.0;
            keys.push_back(Key(at, times[i]));
        }
    }
};

} // namespace

CLayout* multifx::NewRandomPosition(const SLayoutInfo& info) {
    return new (std::nothrow) CRandomPosition(info, kSeed);
}
