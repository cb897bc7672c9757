// The drawings of the 21 masks, one function each. Coordinates are pixels,
// x to the right and y down from the top-left corner; levels are 0 (changes
// first going forward) to 255 (changes last).
#include "tools/MaskArt.h"

#include <algorithm>
#include <cmath>

namespace maskart {
namespace {

// Polar coordinates of (x, y) around (cx, cy): radius and angle in (−π, π].
void Polar(double x, double y, double cx, double cy, double& r, double& angle) {
    r = std::hypot(x - cx, y - cy);
    angle = std::atan2(y - cy, x - cx);
}

// 20 × 15 squares of 20 pixels. The level climbs from black at the top-left
// square to white at the bottom-right one; every other square sits 64 levels
// below its neighbours, so the squares open in two interleaved waves.
void DrawChecker(SGreyImage& img) {
    constexpr int kCell = 20;
    const int steps = img.width / kCell + img.height / kCell - 2;
    img.Fill([&](double x, double y) {
        const int diagonal = int(x) / kCell + int(y) / kCell;
        const double base = 64 + 191.0 * diagonal / steps;
        return diagonal % 2 == 0 ? base - 64 : base;
    });
}

// A black disc of radius 18 at the centre, then rings 57 pixels apart that
// start white and swing between light and dark less and less far outward.
void DrawCircle(SGreyImage& img) {
    const double cx = img.width / 2.0, cy = img.height / 2.0;
    const double reach = std::hypot(cx, cy) - 18;
    img.Fill([&](double x, double y) {
        const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
        const double contrast = 1 - 0.75 * std::min(1.0, (d - 18) / reach);
        const double ring = 128 + 127 * contrast * std::cos(2 * kPi * (d - 18) / 57);
        return ring * SmoothStep(17, 19, d);
    });
}

// An open right hand pointing up, about two units tall: palm, wrist, four
// fingers and a thumb.
bool InHand(double x, double y) {
    if ((x / 0.45) * (x / 0.45) + (y / 0.5) * (y / 0.5) <= 1)
        return true;
    if (SegmentDistance(x, y, 0, 0.3, 0, 0.95) <= 0.3)
        return true;
    const double fingers[4][4] = {{-0.33, -0.3, -0.5, -1.0},
                                  {-0.11, -0.4, -0.16, -1.2},
                                  {0.11, -0.4, 0.16, -1.15},
                                  {0.32, -0.3, 0.48, -0.95}};
    for (const auto& f : fingers)
        if (SegmentDistance(x, y, f[0], f[1], f[2], f[3]) <= 0.105)
            return true;
    return SegmentDistance(x, y, 0.3, 0.15, 0.85, -0.3) <= 0.12;
}

// 25 hands on white, one on each cell of a 5 × 5 grid with some jitter and a
// random turn, each a flat grey of its own (25 levels from black to 220).
// The lightest are drawn first, so the dark ones lie whole on top.
void DrawHands(SGreyImage& img) {
    CArtRandom random(108);
    constexpr int kHands = 25;
    SPlacement hands[kHands];
    const std::vector<int> levels = random.Permutation(kHands);
    for (int k = 0; k < kHands; ++k)
        hands[k] = {(k % 5 + 0.5) * img.width / 5 + random.Range(-18, 18),
                    (k / 5 + 0.5) * img.height / 5 + random.Range(-12, 12), random.Range(-0.7, 0.7),
                    random.Range(38, 50)};
    for (int level = kHands - 1; level >= 0; --level) {
        const int k = int(std::find(levels.begin(), levels.end(), level) - levels.begin());
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < img.width; ++x) {
                double lx, ly;
                hands[k].ToLocal(x + 0.5, y + 0.5, lx, ly);
                if (InHand(lx, ly))
                    img.At(x, y) = std::uint8_t(level * 220 / (kHands - 1));
            }
    }
}

// How far out a point lies in a heart centred on the origin (y up): the
// smallest scale s at which the heart (x² + y² − 1)³ = x²y³ reaches the
// point; 0 at the centre, 1 on the outline.
double HeartScale(double x, double y) {
    auto inside = [](double u, double v) {
        const double a = u * u + v * v - 1;
        return a * a * a - u * u * v * v * v <= 0;
    };
    double lo = 0, hi = 8;
    for (int i = 0; i < 30; ++i) {
        const double mid = (lo + hi) / 2;
        if (inside(x / mid, y / mid))
            hi = mid;
        else
            lo = mid;
    }
    return hi;
}

// The level of a soft heart of radius r at (cx, cy): black at its core,
// brightening smoothly to light grey (220) past its outline.
double SoftHeart(double x, double y, double cx, double cy, double r) {
    const double s = HeartScale((x - cx) / r, (cy - y) / r + 0.12);
    return 220 * std::pow(std::min(s, 1.25) / 1.25, 1.3);
}

// One soft dark heart at the centre. The blur smooths the creases that the
// heart's cusps (the dip at the top, the tip below) draw through the levels.
void DrawHeart(SGreyImage& img) {
    img.Fill([&](double x, double y) {
        return SoftHeart(x + 0.5, y + 0.5, img.width / 2.0, img.height / 2.0, 100);
    });
    BoxBlur(img, 6, 3);
}

// Two soft dark hearts: a smaller one left of the centre, a larger one right of it.
void DrawHeart2(SGreyImage& img) {
    img.Fill([&](double x, double y) {
        return std::min(SoftHeart(x + 0.5, y + 0.5, 120, 165, 58),
                        SoftHeart(x + 0.5, y + 0.5, 270, 140, 88));
    });
    BoxBlur(img, 5, 3);
}

// Fine vertical streaks of speckle over a glow that is white at the top
// centre and falls off toward the sides and to black along the bottom.
void DrawLines(SGreyImage& img) {
    const double cx = img.width / 2.0;
    img.Fill([&](double x, double y) {
        const double down = 1 - y / (img.height - 1);
        const double side = 1 - std::pow(std::fabs(x + 0.5 - cx) / cx, 1.6);
        const double glow = std::pow(down, 0.9) * (0.35 + 0.65 * side);
        const double streak = ValueNoise(x * 0.9, y / 14, 111) - 0.5;
        const double speckle = Grain(int(x), int(y), 111) - 0.5;
        return 255 * glow + down * (90 * streak + 40 * speckle);
    });
}

// 36 soft vertical stripes: every stripe black along the top edge and
// brightening downward to light grey, its middle darker than its sides.
void DrawLines2(SGreyImage& img) {
    constexpr int kStripes = 36;
    img.Fill([&](double x, double y) {
        const double u = (x + 0.5) * kStripes / img.width;
        const double across = std::sin(kPi * (u - std::floor(u)));
        const double down = (y + 0.5) / img.height;
        return 228 * down * (1 - 0.45 * across);
    });
}

// Diagonal brush strokes, each with bristle marks, over a ramp from black at
// the left to white at the right.
void DrawPaint(SGreyImage& img) {
    struct SStroke {
        double x0, y0, length, halfWidth, amount;
        std::uint32_t seed;
    };
    CArtRandom random(113);
    SStroke strokes[70];
    for (SStroke& s : strokes)
        s = {random.Range(-60, img.width), random.Range(0, img.height + 80), random.Range(110, 260),
             random.Range(6, 14), random.Range(-55, 55), random.Next()};
    const double ux = std::sqrt(0.5), uy = -std::sqrt(0.5); // up and to the right
    img.Fill([&](double x, double y) {
        double level = 255 * (x + 0.5) / img.width;
        for (const SStroke& s : strokes) {
            const double dx = x - s.x0, dy = y - s.y0;
            const double along = dx * ux + dy * uy;
            const double across = dx * uy - dy * ux;
            if (along < 0 || along > s.length || std::fabs(across) > s.halfWidth)
                continue;
            const double bristle = ValueNoise(across * 0.7, along / 30, s.seed);
            const double edge = SmoothStep(s.halfWidth, s.halfWidth - 3, std::fabs(across)) *
                                SmoothStep(0, 12, along) * SmoothStep(s.length, s.length - 25, along);
            level += s.amount * edge * (0.45 + 0.55 * bristle);
        }
        return level;
    });
}

// A light grey brushed texture with dark blotches of ragged outline; the
// darkest, black at its core, in the upper left.
void DrawPaint2(SGreyImage& img) {
    struct SBlotch {
        double cx, cy, radius, level;
    };
    const SBlotch blotches[] = {{75, 62, 68, 0},    {300, 70, 48, 95},  {210, 175, 58, 60},
                                {80, 225, 46, 120}, {345, 230, 55, 80}, {165, 50, 30, 130},
                                {275, 280, 30, 140}};
    img.Fill([&](double x, double y) {
        double level = 192 + 22 * (ValueNoise(x / 45, y / 2.2, 114) - 0.5) +
                       12 * (Grain(int(x), int(y), 114) - 0.5);
        const double ragged = FractalNoise(x / 22, y / 22, 3, 115) - 0.5;
        for (const SBlotch& b : blotches) {
            const double d = std::hypot(x - b.cx, y - b.cy) / b.radius + 0.6 * ragged;
            const double weight = SmoothStep(1.0, 0.25, d);
            level += (b.level + 40 * d - level) * weight;
        }
        return level;
    });
}

// Swirling flow lines: the contour lines of a warped noise field, thin and
// light on a dark ground.
void DrawPattern(SGreyImage& img) {
    img.Fill([&](double x, double y) {
        const double wx = x / 70 + 1.4 * FractalNoise(x / 90, y / 90, 3, 116);
        const double wy = y / 70 + 1.4 * FractalNoise(x / 90 + 7, y / 90 + 3, 3, 117);
        const double field = FractalNoise(wx, wy, 4, 118);
        const double phase = field * 14;
        const double line = std::pow(0.5 + 0.5 * std::cos(2 * kPi * phase), 6);
        return 25 + 40 * field + 190 * line;
    });
}

// A paw print pointing up, about two units tall: a main pad and four toes.
bool InPaw(double x, double y) {
    auto inEllipse = [](double px, double py, double cx, double cy, double rx, double ry, double turn) {
        const double c = std::cos(turn), s = std::sin(turn);
        const double u = (c * (px - cx) + s * (py - cy)) / rx;
        const double v = (-s * (px - cx) + c * (py - cy)) / ry;
        return u * u + v * v <= 1;
    };
    // The main pad: an ellipse with its lower edge pulled in at the middle.
    const double dent = 0.12 * std::exp(-x * x * 8);
    if (inEllipse(x, y + (y > 0.35 ? dent : 0), 0, 0.38, 0.6, 0.46, 0))
        return true;
    return inEllipse(x, y, -0.68, -0.3, 0.2, 0.27, -0.5) || inEllipse(x, y, -0.25, -0.72, 0.21, 0.29, -0.15) ||
           inEllipse(x, y, 0.25, -0.72, 0.21, 0.29, 0.15) || inEllipse(x, y, 0.68, -0.3, 0.2, 0.27, 0.5);
}

// 15 paw prints on white, on a jittered 5 × 3 grid and turned at random,
// each a flat grey of its own (15 levels from black to 220); the lightest are
// drawn first.
void DrawPaws(SGreyImage& img) {
    CArtRandom random(116);
    constexpr int kPaws = 15;
    SPlacement paws[kPaws];
    const std::vector<int> levels = random.Permutation(kPaws);
    for (int k = 0; k < kPaws; ++k)
        paws[k] = {(k % 5 + 0.5) * img.width / 5 + random.Range(-25, 25),
                   (k / 5 + 0.5) * img.height / 3 + random.Range(-22, 22), random.Range(-0.9, 0.9),
                   random.Range(44, 56)};
    for (int level = kPaws - 1; level >= 0; --level) {
        const int k = int(std::find(levels.begin(), levels.end(), level) - levels.begin());
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < img.width; ++x) {
                double lx, ly;
                paws[k].ToLocal(x + 0.5, y + 0.5, lx, ly);
                if (InPaw(lx, ly))
                    img.At(x, y) = std::uint8_t(level * 220 / (kPaws - 1));
            }
    }
}

// Soft cloud noise around mid-grey, drifting lighter toward the bottom right.
void DrawPlasma(SGreyImage& img) {
    img.Fill([&](double x, double y) {
        const double cloud = FractalNoise(x / 75, y / 75, 5, 117) - 0.5;
        const double drift = (x / img.width + y / img.height) - 1;
        return 128 + 210 * cloud + 55 * drift;
    });
}

// 40 jigsaw pieces on an 8 × 5 grid, each a flat grey (19 levels from black
// to 240), with round tabs across the inner edges and white outlines.
void DrawPuzzle(SGreyImage& img) {
    constexpr int kCols = 8, kRows = 5;
    const double cw = double(img.width) / kCols, ch = double(img.height) / kRows;
    CArtRandom random(118);
    // Which way each inner edge's tab points: +1 into the right or lower piece.
    int across[kRows][kCols] = {}, down[kRows][kCols] = {};
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c) {
            across[r][c] = random.Next() & 1 ? 1 : -1;
            down[r][c] = random.Next() & 1 ? 1 : -1;
        }
    std::vector<int> order = random.Permutation(kCols * kRows);
    const double tab = 0.19 * std::min(cw, ch);
    // The piece a point belongs to: its grid cell, unless it lies in the tab
    // (a disc just past the edge's middle) that a neighbour pushes into the cell.
    auto tabbed = [&](double x, double y) {
        int c = std::clamp(int(x / cw), 0, kCols - 1), r = std::clamp(int(y / ch), 0, kRows - 1);
        if (c + 1 < kCols && across[r][c] < 0 &&
            std::hypot(x - ((c + 1) * cw - 0.55 * tab), y - (r + 0.5) * ch) < tab)
            return r * kCols + c + 1;
        if (c > 0 && across[r][c - 1] > 0 && std::hypot(x - (c * cw + 0.55 * tab), y - (r + 0.5) * ch) < tab)
            return r * kCols + c - 1;
        if (r + 1 < kRows && down[r][c] < 0 &&
            std::hypot(x - (c + 0.5) * cw, y - ((r + 1) * ch - 0.55 * tab)) < tab)
            return (r + 1) * kCols + c;
        if (r > 0 && down[r - 1][c] > 0 && std::hypot(x - (c + 0.5) * cw, y - (r * ch + 0.55 * tab)) < tab)
            return (r - 1) * kCols + c;
        return r * kCols + c;
    };
    std::vector<int> label(std::size_t(img.width) * img.height);
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x)
            label[std::size_t(y) * img.width + x] = tabbed(x + 0.5, y + 0.5);
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const int piece = label[std::size_t(y) * img.width + x];
            bool outline = false;
            for (int d = -1; d <= 1 && !outline; d += 2) {
                if (x + d >= 0 && x + d < img.width && label[std::size_t(y) * img.width + x + d] != piece)
                    outline = true;
                if (y + d >= 0 && y + d < img.height && label[std::size_t(y + d) * img.width + x] != piece)
                    outline = true;
            }
            img.At(x, y) = outline ? 255 : std::uint8_t(order[std::size_t(piece)] * 19 / 40 * 240 / 18);
        }
}

// Speckle over a glow that is white at the top centre and darkens with the
// distance from it, to black along the bottom.
void DrawRadial(SGreyImage& img) {
    const double cx = img.width / 2.0;
    img.Fill([&](double x, double y) {
        const double d = std::hypot(x + 0.5 - cx, y + 0.5) / img.height;
        const double glow = std::pow(std::clamp(1 - d, 0.0, 1.0), 1.1);
        const double spots = ValueNoise(x / 2.5, y / 2.5, 119) - 0.5;
        const double speckle = Grain(int(x), int(y), 119) - 0.5;
        return 255 * glow + glow * (1 - glow) * 4 * (110 * spots + 70 * speckle);
    });
}

// A rosette around a white central disc: 16 jagged segments in each of
// several rings, black and white by turns, the black ones lightening and the
// white ones dimming outward.
void DrawStar1(SGreyImage& img) {
    constexpr int kSegments = 16;
    constexpr double kDisc = 30;
    const double cx = img.width / 2.0, cy = img.height / 2.0;
    const double reach = std::hypot(cx, cy) - kDisc;
    img.Fill([&](double x, double y) {
        double r, angle;
        Polar(x + 0.5, y + 0.5, cx, cy, r, angle);
        if (r < kDisc)
            return 255.0;
        const double u = (angle + kPi) / (2 * kPi) * kSegments;
        const double segment = std::floor(u + 0.45 * (Zigzag(r / 11) - 0.5));
        const double ring = std::floor((r - kDisc) / 42 + 0.5 * (Zigzag(u * 2) - 0.5));
        const double out = std::min(1.0, (r - kDisc) / reach);
        const bool dark = (long(segment) + long(ring)) % 2 == 0;
        return dark ? 120 * out : 255 - 80 * out;
    });
}

// Eight soft dark arms curving out of a black centre, on white.
void DrawStar2(SGreyImage& img) {
    const double cx = img.width / 2.0, cy = img.height / 2.0;
    img.Fill([&](double x, double y) {
        double r, angle;
        Polar(x + 0.5, y + 0.5, cx, cy, r, angle);
        const double arm = std::pow(0.5 + 0.5 * std::cos(8 * angle - r / 22), 3);
        const double dark = std::max(std::exp(-(r / 24) * (r / 24)), arm * (1 - 0.7 * std::min(1.0, r / 240)));
        return 255 * (1 - dark);
    });
}

// A black ten-pointed star at the centre, ringed by a white halo; ten white
// rays run on from its points and fade into the grey around.
void DrawStar3(SGreyImage& img) {
    constexpr double kHalo = 22;
    const double cx = img.width / 2.0, cy = img.height / 2.0;
    img.Fill([&](double x, double y) {
        double r, angle;
        Polar(x + 0.5, y + 0.5, cx, cy, r, angle);
        const double turn = (angle + kPi / 2) * 10 / (2 * kPi); // a point straight up
        const double edge = 38 + 50 * (1 - Zigzag(turn + 0.5));
        if (r < edge)
            return 255 * SmoothStep(edge - 1.5, edge + 1.5, r);
        const double ray = std::pow(0.5 + 0.5 * std::cos(2 * kPi * turn), 10);
        const double beyond = r - edge - kHalo;
        const double outside = 120 + 135 * ray * std::exp(-std::max(beyond, 0.0) / 120);
        return 255 + (outside - 255) * SmoothStep(0, 12, beyond);
    });
}

// 36 thin dark rays from a black centre on a light ground that brightens outward.
void DrawStar4(SGreyImage& img) {
    const double cx = img.width / 2.0, cy = img.height / 2.0;
    img.Fill([&](double x, double y) {
        double r, angle;
        Polar(x + 0.5, y + 0.5, cx, cy, r, angle);
        const double out = std::min(1.0, r / 250);
        const double ray = std::pow(0.5 + 0.5 * std::cos(36 * angle), 24) * (1 - 0.55 * out);
        const double dark = std::max(std::exp(-(r / 20) * (r / 20)), ray);
        return (180 + 70 * out) * (1 - dark);
    });
}

// Dense cross-hatching: thousands of short strokes along both diagonals, each
// in a random grey, over mid-grey.
void DrawTexture(SGreyImage& img) {
    CArtRandom random(124);
    img.Fill([](double, double) { return 128.0; });
    for (int k = 0; k < 3200; ++k) {
        const double x0 = random.Range(-8, img.width + 8), y0 = random.Range(-8, img.height + 8);
        const double half = random.Range(4, 8);
        const double sign = random.Next() & 1 ? 1 : -1;
        const double ex = half * std::sqrt(0.5), ey = sign * half * std::sqrt(0.5);
        const double grey = random.Range(0, 255);
        for (int y = int(y0 - half - 2); y <= int(y0 + half + 2); ++y)
            for (int x = int(x0 - half - 2); x <= int(x0 + half + 2); ++x) {
                if (x < 0 || y < 0 || x >= img.width || y >= img.height)
                    continue;
                const double d = SegmentDistance(x + 0.5, y + 0.5, x0 - ex, y0 - ey, x0 + ex, y0 + ey);
                const double cover = std::clamp(1.6 - d, 0.0, 1.0);
                if (cover > 0)
                    img.Put(x, y, img.At(x, y) + (grey - img.At(x, y)) * cover);
            }
    }
}

// Inside an ellipse, fourteen thin dark arms spiral into a black centre over
// a ground that brightens outward; white outside the ellipse.
void DrawTwirl(SGreyImage& img) {
    const double cx = img.width / 2.0, cy = img.height / 2.0, a = 188, b = 140;
    img.Fill([&](double x, double y) {
        const double u = (x + 0.5 - cx) / a, v = (y + 0.5 - cy) / b;
        const double rho = std::hypot(u, v);
        if (rho >= 1)
            return 255.0;
        const double arm = std::pow(0.5 + 0.5 * std::cos(14 * std::atan2(v, u) + 24 * std::sqrt(rho)), 8);
        const double ground = 60 + 170 * rho;
        const double level = ground * (1 - 0.9 * arm) * SmoothStep(0, 0.12, rho);
        return level + (255 - level) * SmoothStep(0.9, 1.0, rho);
    });
}

// Six thin dark arms curving out of a black centre, on white.
void DrawTwirl2(SGreyImage& img) {
    const double cx = img.width / 2.0, cy = img.height / 2.0;
    img.Fill([&](double x, double y) {
        double r, angle;
        Polar(x + 0.5, y + 0.5, cx, cy, r, angle);
        const double arm = std::pow(0.5 + 0.5 * std::cos(6 * angle + 4 * std::log(1 + r / 20)), 14);
        const double dark = std::max(std::exp(-(r / 18) * (r / 18)), arm * (1 - 0.6 * std::min(1.0, r / 240)));
        return 255 * (1 - dark);
    });
}

} // namespace

const SMaskArt kMasks[kMaskCount] = {
    {105, "Checker Mask", EFormat::kJpeg, 400, 300, DrawChecker},
    {106, "Circle Mask", EFormat::kJpeg, 400, 300, DrawCircle},
    {108, "Hands Mask", EFormat::kGif, 400, 300, DrawHands},
    {109, "Heart Mask", EFormat::kJpeg, 400, 300, DrawHeart},
    {110, "Heart2 Mask", EFormat::kJpeg, 400, 300, DrawHeart2},
    {111, "Lines Mask", EFormat::kJpeg, 400, 300, DrawLines},
    {112, "Lines2 Mask", EFormat::kJpeg, 400, 300, DrawLines2},
    {113, "Paint Mask", EFormat::kJpeg, 400, 300, DrawPaint},
    {114, "Paint2 Mask", EFormat::kJpeg, 400, 300, DrawPaint2},
    {115, "Pattern Mask", EFormat::kJpeg, 256, 256, DrawPattern},
    {116, "Paws Mask", EFormat::kGif, 400, 300, DrawPaws},
    {117, "Plasma Mask", EFormat::kJpeg, 400, 300, DrawPlasma},
    {118, "Puzzle Mask", EFormat::kGif, 400, 300, DrawPuzzle},
    {119, "Radial Mask", EFormat::kJpeg, 400, 300, DrawRadial},
    {120, "Star1 Mask", EFormat::kJpeg, 400, 300, DrawStar1},
    {121, "Star2 Mask", EFormat::kJpeg, 400, 300, DrawStar2},
    {122, "Star3 Mask", EFormat::kJpeg, 400, 300, DrawStar3},
    {123, "Star4 Mask", EFormat::kJpeg, 400, 300, DrawStar4},
    {124, "Texture Mask", EFormat::kJpeg, 256, 256, DrawTexture},
    {125, "Twirl Mask", EFormat::kJpeg, 400, 300, DrawTwirl},
    {126, "Twirl2 Mask", EFormat::kJpeg, 400, 300, DrawTwirl2},
};

} // namespace maskart
