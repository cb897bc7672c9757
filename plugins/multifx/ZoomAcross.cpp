// Row Zoom and Column Zoom: each picture passes from right to left (top to
// bottom), growing to its largest at the centre, tilted on the way in and the
// other way on the way out.
#include "plugins/multifx/KeyFrameLayout.h"
#include "plugins/multifx/Layouts.h"

#include <new>

namespace {

// The seeds of the two variants' random choices. Fixed: another seed would
// change the pictures of every template that uses the layout.
constexpr std::uint32_t kRowSeed = 13;
constexpr std::uint32_t kColumnSeed = 14;

class CZoomAcross final : public CKeyFrameLayout {
public:
    CZoomAcross(const multifx::SLayoutInfo& info, std::uint32_t seed, bool vertical)
        : CKeyFrameLayout(info, seed), m_vertical(vertical) {}

protected:
    void Generate(int a, int n, CCrtRandom& random,
                  std::vector<SKeyFrameRecord>& keys) const override {
        double tilt = placement::RandomTilt(random);
        const double along[3] = {0.5, 0, -0.5};
        const double scale[3] = {0.4, 0.8, 0.4};
        const double rotation[3] = {tilt, 0, -tilt};
        for (int i = 0; i < 3; ++i) {
            SPlacement at;
            (m_vertical ? at.y : at.x) = along[i];
            at.scale = scale[i];
            at.rotation = rotation[i];
            keys.push_back(Key(at, double(a + i) / (n + 1)));
        }
    }

private:
    bool m_vertical;
};

} // namespace

CLayout* multifx::NewRowZoom(const SLayoutInfo& info) {
    return new (std::nothrow) CZoomAcross(info, kRowSeed, false);
}

CLayout* multifx::NewColumnZoom(const SLayoutInfo& info) {
    return new (std::nothrow) CZoomAcross(info, kColumnSeed, true);
}
