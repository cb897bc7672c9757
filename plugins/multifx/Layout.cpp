#include "plugins/multifx/Layout.h"

#include <new>

CLayout::CLayout(const multifx::SLayoutInfo& info, int minPictures, int maxPictures)
    : CEffectBase(info.name, info.display), m_min(minPictures), m_max(maxPictures) {}

void CLayout::SetSize(int width, int height) {
    m_width = width;
    m_height = height;
}

void CLayout::Reset() {
    m_width = m_height = m_frameCount = 0;
    m_sources.clear();
    m_sources.shrink_to_fit();
}

void CLayout::GetPictureRange(int* min, int* max) {
    if (min)
        *min = m_min;
    if (max)
        *max = m_max;
}

int CLayout::GetDefaultPictureCount() {
    if (m_max >= 0)
        return (m_min + m_max + 1) / 2;
    return m_min < 5 ? 4 : m_min;
}

int CLayout::AddSource(int after, ImultifxiSrc* source) {
    int size = int(m_sources.size());
    int at = after < 0 || after >= size ? size : after + 1;
    try {
        m_sources.insert(m_sources.begin() + at, source);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    return at;
}

int CLayout::ReplaceSource(int index, ImultifxiSrc* source) {
    if (index < 0 || index >= int(m_sources.size()))
        return 0;
    m_sources[std::size_t(index)] = source;
    return 1;
}

int CLayout::RemoveSource(int index) {
    if (index < 0 || index >= int(m_sources.size()))
        return 0;
    m_sources.erase(m_sources.begin() + index);
    return 1;
}
