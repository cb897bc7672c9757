// Card Spread and Tile: a tilted pile at the centre opens into a fan and then
// settles into a grid.
#include "plugins/multifx/CardSpread.h"
#include "plugins/multifx/Layouts.h"

#include <new>

namespace {

// The seed of the layout's random choices. Fixed: another seed would change
// the pictures of every template that uses the layout.
constexpr std::uint32_t kSeed = 4;

class CCardSpreadTile final : public CKeyFrameLayout {
public:
    using CKeyFrameLayout::CKeyFrameLayout;

protected:
    void Generate(int a, int n, CCrtRandom& random,
                  std::vector<SKeyFrameRecord>& keys) const override {
        SPlacement pile;
        pile.scale = 0.5;
        pile.rotation = placement::RandomTilt(random);
        keys.push_back(Key(pile, 0.0));
        SPlacement fan = placement::FanSlot(CCardSpread::FanAngle(a, n), 0.5);
        keys.push_back(Key(fan, 0.25));
        keys.push_back(Key(fan, 0.5));
        SPlacement cell = placement::GridCell(a, n);
        keys.push_back(Key(cell, 0.75));
        keys.push_back(Key(cell, 1.0));
    }
};

} // namespace

CLayout* multifx::NewCardSpreadTile(const SLayoutInfo& info) {
    return new (std::nothrow) CCardSpreadTile(info, kSeed);
}
