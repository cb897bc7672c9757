// Random Overlap: the pictures fade in one after the other at the centre,
// each tilted at random, and pile up.
#include "plugins/multifx/KeyFrameLayout.h"
#include "plugins/multifx/Layouts.h"

#include <new>

namespace {

// The seed of the layout's random choices. Fixed: another seed would change
// the pictures of every template that uses the layout.
constexpr std::uint32_t kSeed = 1;

class CRandomOverlap final : public CKeyFrameLayout {
public:
    using CKeyFrameLayout::CKeyFrameLayout;

protected:
    void Generate(int a, int n, CCrtRandom& random,
                  std::vector<SKeyFrameRecord>& keys) const override {
        SPlacement at;
        at.scale = 0.8;
        at.rotation = placement::RandomTilt(random);
        const double times[3] = {double(a) / n, double(a) / n + 0.5 / n, 1.0};
        for (int i = 0; i < 3; ++i) {
            at.opacity = i == 0 ? 0.0 : 1.0;
            keys.push_back(Key(at, times[i]));
        }
    }
};

} // namespace

CLayout* multifx::NewRandomOverlap(const SLayoutInfo& info) {
    return new (std::nothrow) CRandomOverlap(info, kSeed);
}
