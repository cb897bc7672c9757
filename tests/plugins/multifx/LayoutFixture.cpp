#include "tests/plugins/multifx/LayoutFixture.h"

#include "plugins/multifx/MultiCatalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>

CLayoutPtr MakeLayout(int index) { return CLayoutPtr(CMultiCatalogue::Create(index)); }

CLayoutPtr MakeLayout(const std::string& name) {
    const int index = IndexOf(name);
    if (index < 0)
        ADD_FAILURE() << "no layout " << name;
    return MakeLayout(index);
}

int IndexOf(const std::string& name) {
    for (int i = 0; i < CMultiCatalogue::Count(); ++i)
        if (name == CMultiCatalogue::Name(i))
            return i;
    return -1;
}

bool IsLive(const std::string& name) {
    return std::find(std::begin(kLiveLayouts), std::end(kLiveLayouts), name) !=
           std::end(kLiveLayouts);
}

CFakeSource::CFakeSource(int width, int height, std::uint8_t colour, bool bottomUp)
    : m_width(width), m_height(height), m_bottomUp(bottomUp), m_colour(colour),
      m_layer(std::size_t(width) * height * 4) {}

void CFakeSource::SetTransform(double sx, double sy, double dx, double dy, double angle,
                               double opacity) {
    m_sx = sx;
    m_sy = sy;
    m_dx = dx;
    m_dy = dy;
    m_angle = angle;
    m_opacity = opacity;
}

void CFakeSource::GetTransform(double* sx, double* sy, double* dx, double* dy, double* angle,
                               double* opacity) {
    if (sx)
        *sx = m_sx;
    if (sy)
        *sy = m_sy;
    if (dx)
        *dx = m_dx;
    if (dy)
        *dy = m_dy;
    if (angle)
        *angle = m_angle;
    if (opacity)
        *opacity = m_opacity;
}

int CFakeSource::GetFrame(int, std::uint8_t** bits, int* stride, SEffectRect* rect) {
    ++m_draws;
    if (m_counter)
        m_drawOrder = (*m_counter)++;
    if (m_fail)
        return 0;
    double cx = (0.5 + m_dx) * m_width, cy = (0.5 - m_dy) * m_height;
    double hw = m_sx * m_width / 2, hh = m_sy * m_height / 2;
    SEffectRect r{int(std::lround(cx - hw)), int(std::lround(cy - hh)), int(std::lround(cx + hw)),
                  int(std::lround(cy + hh))};
    r = {std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, m_width),
         std::min(r.bottom, m_height)};
    if (r.right <= r.left || r.bottom <= r.top)
        r = {0, 0, 0, 0};
    int step = m_width * 4;
    std::fill(m_layer.begin(), m_layer.end(), 0);
    auto row = [&](int y) { return m_layer.data() + std::size_t(m_bottomUp ? m_height - 1 - y : y) * step; };
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            std::uint8_t* p = row(y) + 4 * x;
            p[0] = p[1] = p[2] = m_colour;
            p[3] = 255;
        }
    *bits = m_bottomUp ? row(std::max(r.bottom - 1, 0)) + 4 * r.left : row(r.top) + 4 * r.left;
    *stride = m_bottomUp ? -step : step;
    *rect = r;
    return 1;
}
