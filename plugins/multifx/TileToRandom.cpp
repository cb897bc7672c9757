// Tile to Random: the pictures leave their grid cells for random tilted
// places, the current one at the centre on top, and return to the grid; each
// picture's turn scatters them anew.
#include "plugins/multifx/Layouts.h"
#include "plugins/multifx/LiveLayout.h"

#include <new>

namespace {

class CTileToRandom final : public CLiveLayout {
public:
    explicit CTileToRandom(const multifx::SLayoutInfo& info) : CLiveLayout(info, 2, -1) {}

protected:
    void Draw(int f, int F) override {
        int n = GetSourceCount();
        SSlot slot = SlotOf(f, F, n);
        if (slot.past) {
            DrawGrid();
            return;
        }
        const int j = slot.current;
        const double u = OutOfPlace(slot);
        // The same scattering on every frame of the slot.
        CCrtRandom random{std::uint32_t(j)};
        m_places.clear();
        for (int i = 0; i < n; ++i) {
            SPlacement at = placement::RandomInside(random, 0.5, 0.75);
            at.rotation = placement::Uniform(random, -0.2, 0.2);
            m_places.push_back(at);
        }
        SPlacement centre;
        centre.scale = 0.75;
        m_places[std::size_t(j)] = centre;
        for (int i = 0; i < n; ++i)
            if (i != j)
                DrawPicture(i, placement::Blend(placement::GridCell(i, n), m_places[std::size_t(i)], u));
        DrawPicture(j, placement::Blend(placement::GridCell(j, n), m_places[std::size_t(j)], u));
    }

private:
    std::vector<SPlacement> m_places;
};

} // namespace

CLayout* multifx::NewTileToRandom(const SLayoutInfo& info) {
    return new (std::nothrow) CTileToRandom(info);
}
