// Random Overlap with Rotate: a stack of tilted pictures at the centre; each
// straightens and then vanishes, the top picture first.
#include "plugins/multifx/KeyFrameLayout.h"
#include "plugins/multifx/Layouts.h"

#include <new>

namespace {

// The seed of the layout's random choices. Fixed: another seed would change
// the pictures of every template that uses the layout.
constexpr std::uint32_t kSeed = 2;

class CRandomOverlapRotate final : public CKeyFrameLayout {
public:
    using CKeyFrameLayout::CKeyFrameLayout;

protected:
    void Generate(int a, int n, CCrtRandom& random,
                  std::vector<SKeyFrameRecord>& keys) const override {
        SPlacement at;
        at.scale = 0.8;
        at.rotation = placement::RandomTilt(random);
        double end = double(n - a) / n;
        keys.push_back(Key(at, 0.0));
        at.rotation = 0;
        keys.push_back(Key(at, end - 0.5 / n));
        at.opacity = 0;
        keys.push_back(Key(at, end));
    }
};

} // namespace

CLayout* multifx::NewRandomOverlapRotate(const SLayoutInfo& info) {
    return new (std::nothrow) CRandomOverlapRotate(info, kSeed);
}
