#include "plugins/transfx/SineTable.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <numbers>

CSineTable::CSineTable() {
    for (int k = 0; k <= 1024; ++k) {
        const double coarse = k * 2 * std::numbers::pi / 1024;
        const double fine = k * 2 * std::numbers::pi / double(1 << 20);
        m_coarse[k] = {float(std::sin(coarse)), float(std::cos(coarse))};
        m_fine[k] = {float(std::sin(fine)), float(std::cos(fine))};
    }
}

const CSineTable& CSineTable::Get() {
    static const CSineTable table;
    return table;
}

void CSineTable::SinCos(double x, float& sine, float& cosine) const {
    // Adding 1.5·2^52 leaves the nearest integer in the low bits of the double.
    const double shifted = x * (double(1 << 20) / (2 * std::numbers::pi)) + 6755399441055744.0;
    const auto u = std::uint32_t(std::bit_cast<std::uint64_t>(shifted));
    const SPair& a = m_coarse[(u >> 10) & 1023];
    const SPair& b = m_fine[u & 1023];
    sine = a.sine * b.cosine + a.cosine * b.sine;
    cosine = a.cosine * b.cosine - a.sine * b.sine;
}

float CSineTable::Sin(double x) const {
    float s, c;
    SinCos(x, s, c);
    return s;
}

float CSineTable::Cos(double x) const {
    float s, c;
    SinCos(x, s, c);
    return c;
}
