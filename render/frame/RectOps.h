#pragma once

#include "effects/api/EffectTypes.h"

#include <algorithm>

// Rectangles in top-down picture pixels, right and bottom exclusive.
using SRect = SEffectRect;

inline bool IsEmpty(const SRect& r) { return r.right <= r.left || r.bottom <= r.top; }

inline SRect Intersect(const SRect& a, const SRect& b) {
    SRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
    return IsEmpty(r) ? SRect{0, 0, 0, 0} : r;
}

// The smallest rectangle holding both; an empty one adds nothing.
inline SRect Union(const SRect& a, const SRect& b) {
    if (IsEmpty(a))
        return b;
    if (IsEmpty(b))
        return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

// The parts of a outside hole, at most four rectangles (the rows above and
// below hole across a's width, then the columns left and right of it); the
// count is returned.
inline int Subtract(const SRect& a, const SRect& hole, SRect out[4]) {
    const SRect h = Intersect(a, hole);
    if (IsEmpty(h)) {
        if (IsEmpty(a))
            return 0;
        out[0] = a;
        return 1;
    }
    int n = 0;
    auto add = [&](SRect r) {
        if (!IsEmpty(r))
            out[n++] = r;
    };
    add({a.left, a.top, a.right, h.top});
    add({a.left, h.bottom, a.right, a.bottom});
    add({a.left, h.top, h.left, h.bottom});
    add({h.right, h.top, a.right, h.bottom});
    return n;
}
