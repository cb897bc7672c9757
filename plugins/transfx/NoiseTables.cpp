#include "plugins/transfx/NoiseTables.h"

#include "plugins/transfx/Random.h"

#include <algorithm>
#include <memory>

namespace transfx {
namespace {

// One table by midpoint displacement. For each step d = 256, 128, …, 2, every
// block whose corner (e, g) lies on the d-grid gets its centre and edge
// midpoints from the corner values plus a jitter of amplitude b + a·d; the
// values come in a fixed order, so the generator's sequence fixes the table.
void Build(std::uint8_t (&t)[256][256], int a, int b, std::uint32_t& state) {
    for (auto& row : t)
        std::fill(std::begin(row), std::end(row), 0);
    for (int d = 256; d >= 2; d /= 2) {
        const int c = d / 2;
        const int x = b + a * d;
        auto set = [&](int row, int column, int base) {
            const int jitter = int(double(NextRand(state)) / kRandMax * x) - x / 2;
            t[row & 255][column & 255] = std::uint8_t(std::clamp(base + jitter, 0, 255));
        };
        for (int e = 0; e < 256; e += d) {
            for (int g = 0; g < 256; g += d) {
                const int h = t[e][g], o = t[e][(g + d) & 255];
                const int l = t[(e + d) & 255][g], r = t[(e + d) & 255][(g + d) & 255];
                set(e + c, g + c, (h + l + o + r) / 4);
                if (e == 0)
                    set(c, g, (h + l) / 2);
                if (g == 0)
                    set(e, c, (h + o) / 2);
                set(e + d, g + c, (l + r) / 2);
                set(e + c, g + d, (o + r) / 2);
            }
        }
    }
}

std::unique_ptr<SNoiseTables> MakeTables() {
    auto tables = std::make_unique<SNoiseTables>();
    std::uint32_t state = 1;
    Build(tables->t[0], 4, 6, state);
    Build(tables->t[1], 4, 8, state);
    Build(tables->t[2], 5, 6, state);
    return tables;
}

} // namespace

const SNoiseTables& NoiseTables() {
    static const std::unique_ptr<SNoiseTables> tables = MakeTables();
    return *tables;
}

} // namespace transfx
