// Float Two: the pictures come in pairs from off screen, drift between two
// random places inside the frame and float off again.
#include "plugins/multifx/KeyFrameLayout.h"
#include "plugins/multifx/Layouts.h"

#include <new>

namespace {

// The seed of the layout's random choices. Fixed: another seed would change
// the pictures of every template that uses the layout.
constexpr std::uint32_t kSeed = 15;

// Moves `out` off screen on the side of `beside` that faces the nearer edge.
void OffScreen(SPlacement& out, const SPlacement& beside) {
    out.x = beside.x < 0 ? -0.5 - out.scale / 2 : 0.5 + out.scale / 2;
    out.y = beside.y < 0 ? -0.5 - out.scale / 2 : 0.5 + out.scale / 2;
}

class CFloatTwo final : public CKeyFrameLayout {
public:
    using CKeyFrameLayout::CKeyFrameLayout;

protected:
    void Generate(int a, int n, CCrtRandom& random,
                  std::vector<SKeyFrameRecord>& keys) const override {
        double g = 1.0 / ((n + 1) / 2);
        double h = g * (a / 2);
        SPlacement at[4];
        for (SPlacement& p : at)
            p = placement::RandomInside(random, 0.25, 0.5);
        OffScreen(at[0], at[1]);
        OffScreen(at[3], at[2]);
        const double times[4] = {h, h + g / 4, h + g - g / 4, h + g};
        for (int i = 0; i < 4; ++i)
            keys.push_back(Key(at[i], times[i]));
    }
};

} // namespace

CLayout* multifx::NewFloatTwo(const SLayoutInfo& info) {
    return new (std::nothrow) CFloatTwo(info, kSeed);
}
