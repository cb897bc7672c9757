// Blur: A blurs more and more, crosses into B at full blur, and B sharpens.
#include "imgcore/CPU.h"
#include "plugins/transfx/Transition.h"

#include <cstring>

namespace {

constexpr int kMaxBlur = 20; // per cent of the frame

class CBlur : public CTransition {
public:
    using CTransition::CTransition;

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        const int n = m_frameCount;
        if (n < 3) {
            // The phases need three frames (they divide by ⌊2n/3⌋ − 1): a
            // two-frame blur shows A, then B.
            Blur(i == 0 ? a : b, i == 0 ? as : bs, 0, d, ds);
            return 0;
        }
        const int t1 = MulDiv(2, n, 3), t0 = n - t1 - 1;
        const int amountA = MulDiv(i, kMaxBlur, t1 - 1);
        const int amountB = kMaxBlur - MulDiv(i - t0, kMaxBlur, n - t0 - 1);
        if (i < t0) {
            Blur(a, as, amountA, d, ds);
        } else if (i >= t1) {
            Blur(b, bs, amountB, d, ds);
        } else {
            // Both pictures are blurred in place (the host allows it), then mixed.
            Blur(a, as, amountA, nullptr, 0);
            Blur(b, bs, amountB, nullptr, 0);
            const int k = MulDiv(i - t0, 255, t1 - t0);
            CCPU::ippiAlphaCompC_8u_AC4R(a, as, Ipp8u(255 - k), b, bs, Ipp8u(k), d, ds,
                                         {m_width, m_height}, ippAlphaPlus);
        }
        return 0;
    }

private:
    // Blurs picture p by `amount` per cent of the frame: a box filter over the
    // interior, whose edge pixels are then repeated over the border, into d
    // when given, else in place. Amount 0 copies p unchanged.
    void Blur(std::uint8_t* p, int ps, int amount, std::uint8_t* d, int ds) const {
        const int W = m_width, H = m_height;
        const int bw = amount * W / 100, bh = amount * H / 100;
        if (amount <= 0 || bw < 1 || bh < 1) {
            if (d)
                CCPU::ippiCopy_8u_C4R(p, ps, d, ds, {W, H});
            return;
        }
        const int left = (bw - 1) / 2, top = (bh - 1) / 2;
        const IppiSize inner{W - bw, H - bh};
        std::uint8_t* interior = RowOf(p, ps, top) + 4 * left;
        CCPU::ippiFilterBox_8u_AC4IR(interior, ps, inner, {bw, bh}, {left, top});
        if (d) {
            CCPU::ippiCopyReplicateBorder_8u_AC4R(interior, ps, inner, d, ds, {W, H}, top, left);
            return;
        }
        // In place: the first interior row upwards, the last downwards, then the
        // first and last interior columns outwards on every row.
        const std::size_t rowBytes = std::size_t(W) * 4;
        for (int y = 0; y < top; ++y)
            std::memcpy(RowOf(p, ps, y), RowOf(p, ps, top), rowBytes);
        for (int y = top + inner.height; y < H; ++y)
            std::memcpy(RowOf(p, ps, y), RowOf(p, ps, top + inner.height - 1), rowBytes);
        for (int y = 0; y < H; ++y) {
            std::uint8_t* r = RowOf(p, ps, y);
            for (int x = 0; x < left; ++x)
                std::memcpy(r + 4 * x, r + 4 * left, 4);
            for (int x = left + inner.width; x < W; ++x)
                std::memcpy(r + 4 * x, r + 4 * (left + inner.width - 1), 4);
        }
    }
};

} // namespace

CTransition* transfx::MakeBlur(const STransitionInfo& info) { return new CBlur(info); }
