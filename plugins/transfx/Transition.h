#pragma once

#include "plugins/transfx/Catalogue.h"

#include <cstddef>
#include <cstdint>
#include <utility>

// The base of every transition of the module: the kind-0 base of the module
// kit (common slots, descriptors, Render handing both pictures to RenderFrame
// with positive strides) made from the catalogue entry, the icon, and the
// helpers the drawings share.
//
// Notation in the transitions: W, H the frame size, n the frame count, i the
// frame number, A the outgoing picture, B the incoming one, D the destination.
// D is all zero bytes when RenderFrame starts (the host clears it), so pixels
// left unwritten are black. The fourth byte of a pixel means nothing here.
class CTransition : public effectkit::CTransitionBase {
public:
    explicit CTransition(const transfx::STransitionInfo& info)
        : CTransitionBase(info.name, info.display, info.params), m_iconNumber(info.icon) {}
    ~CTransition() override = default;

    // The picture of the catalogue's icon number, drawn once per process.
    const SEffectIcon* GetIcon() override;

protected:
    // a·b/c truncated toward zero, the product formed in 64 bits. The
    // formulas scale a frame number by a side, a grain or 255 and divide by
    // a frame count; a template may ask for millions of frames, and then the
    // product passes 2^31. The callers' quotients fit an int (at most the
    // scaled quantity, since the frame number is below the count).
    static int MulDiv(std::int64_t a, std::int64_t b, std::int64_t c) { return int(a * b / c); }

    // Row y of a buffer walked with a positive stride.
    static std::uint8_t* RowOf(std::uint8_t* base, int stride, int y) {
        return base + std::ptrdiff_t(stride) * y;
    }
    static const std::uint8_t* RowOf(const std::uint8_t* base, int stride, int y) {
        return base + std::ptrdiff_t(stride) * y;
    }
    // Runs time backwards and swaps the pictures, so that one drawing serves
    // both directions of a transition.
    void Reverse(int& frame, std::uint8_t*& a, int& as, std::uint8_t*& b, int& bs) const {
        frame = m_frameCount - 1 - frame;
        std::swap(a, b);
        std::swap(as, bs);
    }

    // Copies A at the first frame and B at the last and says whether it did.
    // The host relies on frame 0 showing the outgoing picture and frame n − 1
    // the incoming one exactly; drawings that only approach them (a weight
    // that stops at 255, a ring, a curl or a ripple still on screen) end on
    // the pictures this way, after any simulation has taken its step.
    bool CopyEnd(int i, std::uint8_t* d, int ds, const std::uint8_t* a, int as,
                 const std::uint8_t* b, int bs) const;

    // Turns the three buffers, walked in memory order, into top-down order
    // (the address of the last row, negated strides) for transitions whose
    // geometry belongs to the picture rather than to memory.
    void ToTopDown(std::uint8_t*& d, int& ds, std::uint8_t*& a, int& as, std::uint8_t*& b,
                   int& bs) const {
        const int last = m_height - 1;
        d = RowOf(d, ds, last);
        a = RowOf(a, as, last);
        b = RowOf(b, bs, last);
        ds = -ds;
        as = -as;
        bs = -bs;
    }

private:
    int m_iconNumber;
    const SEffectIcon* m_icon = nullptr;
};

namespace transfx {

// The icon of an icon number, drawn once per process; null for an unknown number.
const SEffectIcon* LoadIcon(int number);

} // namespace transfx
