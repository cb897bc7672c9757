#include "plugins/multifx/Layout.h"

#include "effects/api/EffectName.h"
#include "plugins/multifx/Strings.h"

#include <cstring>
#include <new>

CLayout::CLayout(const char* name, int nameId, int minPictures, int maxPictures)
    : m_nameId(nameId), m_min(minPictures), m_max(maxPictures) {
    std::strncpy(m_name, name, sizeof m_name - 1);
}

void CLayout::GetName(char* text, int length) { CopyEffectName(m_name, text, length); }

void CLayout::GetDisplayName(char* text, int length) {
    if (m_nameId == 0)
        GetName(text, length);
    else
        CopyEffectName(multifx::LoadString(m_nameId), text, length);
}

void CLayout::GetSize(int* width, int* height) {
    if (width)
        *width = m_width;
    if (height)
        *height = m_height;
}

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
