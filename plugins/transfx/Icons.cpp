// The transitions' icons: 24 × 18 pictures drawn in code, one per bitmap
// number. Each shows the outgoing picture (blue) giving way to the incoming one
// (orange) along an edge whose slant depends on the number, inside a grey frame.
#include "plugins/transfx/Transition.h"

#include <array>
#include <cstdint>

namespace transfx {
namespace {

constexpr int kIconWidth = 24;
constexpr int kIconHeight = 18;
constexpr int kFirstBitmap = 102;
constexpr int kLastBitmap = 140;
constexpr int kIconCount = kLastBitmap - kFirstBitmap + 1;

struct SIconSet {
    std::array<std::array<std::uint8_t, kIconWidth * kIconHeight * 4>, kIconCount> pixels{};
    std::array<SEffectIcon, kIconCount> icons{};

    SIconSet() {
        for (int k = 0; k < kIconCount; ++k) {
            std::uint8_t* p = pixels[std::size_t(k)].data();
            const int slant = k % 7 - 3; // −3 … 3 columns per 6 rows
            for (int y = 0; y < kIconHeight; ++y) {
                const int edge = kIconWidth / 2 + slant * (y - kIconHeight / 2) / 6 + (k % 5) - 2;
                for (int x = 0; x < kIconWidth; ++x, p += 4) {
                    const bool frame = x == 0 || y == 0 || x == kIconWidth - 1 || y == kIconHeight - 1;
                    const bool incoming = x >= edge;
                    const std::uint8_t shade = std::uint8_t(160 + 4 * y);
                    p[0] = frame ? 128 : incoming ? 32 : shade;             // blue
                    p[1] = frame ? 128 : incoming ? std::uint8_t(shade - 40) : 96; // green
                    p[2] = frame ? 128 : incoming ? 240 : 48;              // red
                    p[3] = 255;
                }
            }
            icons[std::size_t(k)] = {kIconWidth, kIconHeight, kIconWidth * 4,
                                     pixels[std::size_t(k)].data()};
        }
    }
};

} // namespace

const SEffectIcon* LoadIcon(int number) {
    if (number < kFirstBitmap || number > kLastBitmap)
        return nullptr;
    static const SIconSet set;
    return &set.icons[std::size_t(number - kFirstBitmap)];
}

} // namespace transfx
