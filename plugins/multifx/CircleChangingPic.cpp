// Circle with Changing Pic: a few pictures at a time ride the circle of
// Circle Rotate; each enters at the back, passes the front and leaves at the
// back, and the next one follows.
#include "plugins/multifx/Layouts.h"
#include "plugins/multifx/LiveLayout.h"
#include "plugins/multifx/Orbit.h"

#include <algorithm>
#include <new>

namespace {

class CCircleChangingPic final : public CLiveLayout {
public:
    explicit CCircleChangingPic(const multifx::SLayoutInfo& info) : CLiveLayout(info, 2, -1) {
        AddParam(effectkit::Range("Radius", "Rotating Radius", 2, 1, 3));
        AddParam(effectkit::Range("NumShow", "Showed Pictures", 6, 2, 10));
    }

protected:
    void Draw(int f, int F) override {
        int n = GetSourceCount();
        double radius = std::clamp(Param(0), 1, 3);
        int D = std::clamp(Param(1), 2, 10);
        double h = double(f) / F;
        double w = double(D) / (n + D - 1);
        m_order.clear();
        for (int i = 0; i < n; ++i) {
            double g = i * w / D;
            if (h < g || h >= g + w)
                continue;
            m_order.push_back({i, placement::Orbit(1 + 2 * (h - g) / w, radius)});
        }
        SortForDrawing(m_order);
        for (const SOrbitPicture& p : m_order)
            DrawPicture(p.index, p.at);
    }

private:
    std::vector<SOrbitPicture> m_order;
};

} // namespace

CLayout* multifx::NewCircleChangingPic(const SLayoutInfo& info) {
    return new (std::nothrow) CCircleChangingPic(info);
}
