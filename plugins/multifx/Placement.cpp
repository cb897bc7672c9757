#include "plugins/multifx/Placement.h"

#include <cmath>

namespace placement {

int GridColumns(int n) {
    if (n <= 1)
        return 1;
    int c = int(std::ceil(std::sqrt(double(n))));
    // Guard the square root against rounding at perfect squares.
    while (c * c < n)
        ++c;
    while (c > 1 && (c - 1) * (c - 1) >= n)
        --c;
    return c;
}

SPlacement GridCell(int a, int n) {
    int c = GridColumns(n);
    int r = (n + c - 1) / c;
    if (r < 1)
        r = 1;
    SPlacement p;
    p.scale = 1.0 / c;
    p.x = (a % c + 0.5) / c - 0.5;
    p.y = 0.5 - 0.5 / r - double(a / c) / r;
    return p;
}

double Uniform(CCrtRandom& random, double lo, double hi) {
    return lo + (hi - lo) * random.Next() / double(CCrtRandom::kMax);
}

SPlacement RandomInside(CCrtRandom& random, double lo, double hi) {
    SPlacement p;
    p.scale = Uniform(random, lo, hi);
    double room = (1.0 - p.scale) / 2;
    p.x = Uniform(random, -room, room);
    p.y = Uniform(random, -room, room);
    return p;
}

double RandomTilt(CCrtRandom& random) {
    return random.Next() / double(CCrtRandom::kMax) / 3.0 - 1.0 / 6.0;
}

SPlacement FanSlot(double e, double scale) {
    SPlacement p;
    p.x = 0.5 * std::sin(-e * M_PI);
    p.y = 0.5 * std::cos(e * M_PI) - 0.5;
    p.rotation = e;
    p.scale = scale;
    return p;
}

SPlacement Orbit(double p, double radius) {
    p = std::fmod(p, 2.0);
    if (p < 0)
        p += 2.0;
    SPlacement o;
    double theta = (p - 0.5) * M_PI;
    o.x = radius * std::cos(theta) * 0.25;
    o.y = std::sin(theta) * 0.125;
    o.scale = p <= 1 ? 0.5 - 0.3 * p : 0.2 + 0.3 * (p - 1);
    o.opacity = p <= 1 ? 1 - 0.75 * p : 0.25 + 0.75 * (p - 1);
    return o;
}

SPlacement Blend(const SPlacement& from, const SPlacement& to, double u) {
    auto mix = [u](double a, double b) { return a + (b - a) * u; };
    return {mix(from.x, to.x), mix(from.y, to.y), mix(from.scale, to.scale),
            mix(from.rotation, to.rotation), mix(from.opacity, to.opacity)};
}

} // namespace placement
