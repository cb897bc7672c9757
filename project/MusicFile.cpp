#include "project/MusicFile.h"

#include <algorithm>

const CRuntimeClass CMusicFile::kRuntimeClass{"CMusicFile", &CObject::kRuntimeClass, nullptr};

CMusicFile::CMusicFile() = default;

CMusicFile::CMusicFile(const std::string& path) { SetFile(path); }

bool CMusicFile::SetFile(const std::string& path) {
    m_path = path;
    return Open();
}

bool CMusicFile::Open() {
    m_facts = {};
    m_error.clear();
    m_opened = !m_path.empty() && IMediaProbe::Get().ProbeSound(m_path, m_facts, m_error);
    if (!m_opened)
        m_facts = {};
    return m_opened;
}

void CMusicFile::SetStartAndLength(double start, double length) {
    m_start = start;
    m_length = length;
    double duration = GetFileDuration();
    if (duration > 0.0 && m_length > 0.0 && m_start + m_length > duration)
        m_length = std::max(0.0, duration - m_start);
}
