#include "project/MusicFile.h"

#include "audio/MusicFileSrc.h"

#include <algorithm>

const CRuntimeClass CMusicFile::kRuntimeClass{"CMusicFile", &CObject::kRuntimeClass, nullptr};

CMusicFile::CMusicFile() = default;

CMusicFile::CMusicFile(const std::string& path) { SetFile(path); }

CMusicFile::CMusicFile(const CMusicFile& other)
    : CObject(other), m_fadeIn(other.m_fadeIn), m_fadeOut(other.m_fadeOut), m_path(other.m_path),
      m_start(other.m_start), m_length(other.m_length), m_opened(other.m_opened),
      m_error(other.m_error), m_facts(other.m_facts) {}

CMusicFile& CMusicFile::operator=(const CMusicFile& other) {
    if (this != &other) {
        m_source.reset();
        m_fadeIn = other.m_fadeIn;
        m_fadeOut = other.m_fadeOut;
        m_path = other.m_path;
        m_start = other.m_start;
        m_length = other.m_length;
        m_opened = other.m_opened;
        m_error = other.m_error;
        m_facts = other.m_facts;
    }
    return *this;
}

CMusicFile::~CMusicFile() = default;

IAudioSrc& CMusicFile::GetAudioSrc() {
    if (!m_source)
        m_source = std::make_unique<XAudioSrc>(*this);
    return *m_source;
}

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
