#include "tests/support/FakeMediaProbe.h"

#include <cmath>

void CFakeMediaProbe::AddSound(const std::string& path, double seconds) {
    m_sounds[path] = SSoundFacts{44100, 2, 16, std::int64_t(std::llround(seconds * 44100))};
}

void CFakeMediaProbe::AddVideo(const std::string& path, double seconds, bool withSound) {
    m_videos[path] = seconds;
    if (withSound)
        AddSound(path, seconds);
}

bool CFakeMediaProbe::ProbeSound(const std::string& path, SSoundFacts& facts, std::string& error) {
    ++m_soundProbes;
    auto it = m_sounds.find(path);
    if (it == m_sounds.end()) {
        error = "cannot open " + path;
        return false;
    }
    facts = it->second;
    return true;
}

double CFakeMediaProbe::ProbeVideoDuration(const std::string& path) {
    auto it = m_videos.find(path);
    return it == m_videos.end() ? 0.0 : it->second;
}
