// Swirl: both pictures are swirled about the frame's centre, most strongly at
// the centre and not at all at the inscribed circle's rim, while A turns away
// and B turns in and the cross-fade follows a cosine. One quarter of the
// circle is computed and turned into the other three.
#include "imgcore/PixelMath.h"
#include "plugins/transfx/SineTable.h"
#include "plugins/transfx/Transition.h"

#include <algorithm>
#include <numbers>

namespace {

class CSwirl : public CTransition {
public:
    using CTransition::CTransition;

    enum EDirection { kClockwise = 0, kAntiClockwise = 1 };

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        const int W = m_width, H = m_height, n = m_frameCount;
        constexpr double pi = std::numbers::pi;
        const int cx = (W - 1) / 2, cy = (H - 1) / 2, R = std::min(cx, cy);
        const double phi = i * pi / (n - 1);
        const bool clockwise = Param(0) == kClockwise;
        const double thetaA = clockwise ? phi : -phi, thetaB = clockwise ? phi - pi : pi - phi;
        const CSineTable& table = CSineTable::Get();
        // The weight toward A starts at 255 by the formula; the first frame
        // takes 256, which is A exactly. At the last it is 0, B exactly.
        const int k = i == 0 ? 256 : int((table.Cos(phi) + 1) * 127.5);
        // Outside the circle every pixel is the blend at its own position;
        // writing it everywhere first also covers what the turned quarters
        // miss on frames of mixed parity.
        for (int y = 0; y < H; ++y) {
            const std::uint8_t* pa = RowOf(a, as, y);
            const std::uint8_t* pb = RowOf(b, bs, y);
            std::uint8_t* o = RowOf(d, ds, y);
            for (int x = 0; x < 4 * W; x += 4)
                Blend8Colour(o + x, pb + x, pa + x, k);
        }
        const long long R2 = (long long)R * R;
        if (R2 == 0)
            return 0;
        auto at = [](std::uint8_t* p, int stride, int x, int y) {
            return RowOf(p, stride, y) + 4 * std::ptrdiff_t(x);
        };
        const int ex = W - 1 - cx, ey = H - 1 - cy; // the far centre, for the turned copies
        for (int dy = -cy; dy <= 0; ++dy) {
            for (int dx = -cx; dx <= 0; ++dx) {
                const long long r2 = (long long)dx * dx + (long long)dy * dy;
                if (r2 >= R2)
                    continue;
                const double s = 1 - double(r2) / double(R2);
                float sa, ca, sb, cb;
                table.SinCos(s * thetaA, sa, ca);
                table.SinCos(s * thetaB, sb, cb);
                const int ax = int(dx * ca - dy * sa), ay = int(dx * sa + dy * ca);
                const int bx = int(dx * cb - dy * sb), by = int(dx * sb + dy * cb);
                Blend8Colour(at(d, ds, cx + dx, cy + dy), at(b, bs, cx + bx, cy + by),
                             at(a, as, cx + ax, cy + ay), k);
                Blend8Colour(at(d, ds, ex - dx, ey - dy), at(b, bs, ex - bx, ey - by),
                             at(a, as, ex - ax, ey - ay), k);
                Blend8Colour(at(d, ds, ex - dy, cy + dx), at(b, bs, ex - by, cy + bx),
                             at(a, as, ex - ay, cy + ax), k);
                Blend8Colour(at(d, ds, cx + dy, ey - dx), at(b, bs, cx + by, ey - bx),
                             at(a, as, cx + ay, ey - ax), k);
            }
        }
        return 0;
    }
};

} // namespace

CTransition* transfx::MakeSwirl(const STransitionInfo& info) { return new CSwirl(info); }
