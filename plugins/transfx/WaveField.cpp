#include "plugins/transfx/WaveField.h"

#include <algorithm>

bool CWaveField::Resize(int width, int height) {
    const std::size_t size = std::size_t(width) * std::size_t(height);
    try {
        m_current.assign(size, 0);
        m_previous.assign(size, 0);
    } catch (...) {
        return false;
    }
    m_width = width;
    m_height = height;
    m_steps = 0;
    return true;
}

void CWaveField::Clear() {
    std::fill(m_current.begin(), m_current.end(), 0);
    std::fill(m_previous.begin(), m_previous.end(), 0);
    m_steps = 0;
}
