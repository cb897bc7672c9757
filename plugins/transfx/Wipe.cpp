// Wipe: B slides in from one edge, pushing A out (Push "Yes") or covering it.
#include "plugins/transfx/Transition.h"

#include <cstring>

namespace {

class CWipe : public CTransition {
public:
    using CTransition::CTransition;

    enum EDirection { kLeftToRight = 0, kRightToLeft = 1, kBottomToTop = 2, kTopToBottom = 3 };

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        const int direction = Param(0);
        const bool push = Param(1) != 0;
        if (direction == kLeftToRight || direction == kBottomToTop)
            Reverse(i, a, as, b, bs);
        // P = a (first), Q = b (second) from here on. The edge g lies in
        // 0 … side − 1 however long the transition.
        const int W = m_width, H = m_height, n = m_frameCount;
        if (direction == kLeftToRight || direction == kRightToLeft) {
            const int g = MulDiv(i, W - 1, n - 1);
            const std::size_t keep = std::size_t(W - g) * 4, enter = std::size_t(g) * 4;
            const std::ptrdiff_t from = push ? 4 * std::ptrdiff_t(g) : 0;
            for (int y = 0; y < H; ++y) {
                std::uint8_t* o = RowOf(d, ds, y);
                std::memcpy(o, RowOf(a, as, y) + from, keep);
                std::memcpy(o + keep, RowOf(b, bs, y), enter);
            }
        } else {
            // Rows in memory order: with bottom-up buffers row H − 1 is the top.
            const int g = MulDiv(i, H - 1, n - 1);
            const std::size_t rowBytes = std::size_t(W) * 4;
            for (int y = 0; y < H - g; ++y)
                std::memcpy(RowOf(d, ds, y), RowOf(a, as, push ? y + g : y), rowBytes);
            for (int y = H - g; y < H; ++y)
                std::memcpy(RowOf(d, ds, y), RowOf(b, bs, y - (H - g)), rowBytes);
        }
        return 0;
    }
};

} // namespace

CTransition* transfx::MakeWipe(const STransitionInfo& info) { return new CWipe(info); }
