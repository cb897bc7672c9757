// Circle Rotate: the pictures ride a tilted circle, one full turn per slide,
// large and opaque in front, small and faint at the back.
#include "plugins/multifx/Layouts.h"
#include "plugins/multifx/LiveLayout.h"
#include "plugins/multifx/Orbit.h"

#include <algorithm>
#include <new>

namespace {

class CCircleRotate final : public CLiveLayout {
public:
    explicit CCircleRotate(const multifx::SLayoutInfo& info) : CLiveLayout(info, 2, -1) {
        AddParam(effectkit::Range("Radius", "Rotating Radius", 2, 1, 3));
    }

protected:
    void Draw(int f, int F) override {
        int n = GetSourceCount();
        double radius = std::clamp(Param(0), 1, 3);
        m_order.clear();
        for (int i = 0; i < n; ++i)
            m_order.push_back({i, placement::Orbit(2.0 * i / n + 2.0 * f / F, radius)});
        SortForDrawing(m_order);
        for (const SOrbitPicture& p : m_order)
            DrawPicture(p.index, p.at);
    }

private:
    std::vector<SOrbitPicture> m_order;
};

} // namespace

CLayout* multifx::NewCircleRotate(const SLayoutInfo& info) {
    return new (std::nothrow) CCircleRotate(info);
}
