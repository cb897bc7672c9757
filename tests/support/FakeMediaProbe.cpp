#include "tests/support/FakeMediaProbe.h"

#include <cmath>

void CFakeMediaProbe::AddSound(const std::string& path, double seconds) {
    m_sounds[path] = SSoundFacts{44100, 2, 16, std::int64_t(std::llround(seconds * 44100))};
}

void CFakeMediaProbe::AddVideo(const std::string& path, double seconds, bool withSound,
                               std::int64_t frames) {
    m_videos[path] = seconds;
    m_frames[path] = frames;
    if (withSound)
        AddSound(path, seconds);
}

bool CFakeMediaProbe::ProbeSound(const std::string& path, SSoundFacts& facts, std::string& error) {
    ++m_soundProbes;
    m_asked.push_back(path);
    auto it = m_sounds.find(path);
    if (it == m_sounds.end()) {
        error = "cannot open " + path;
        return false;
    }
    facts = it->second;
    return true;
}

double CFakeMediaProbe::ProbeVideoDuration(const std::string& path) {
    m_asked.push_back(path);
    auto it = m_videos.find(path);
    return it == m_videos.end() ? 0.0 : it->second;
}

std::int64_t CFakeMediaProbe::ProbeVideoFrameCount(const std::string& path) {
    m_asked.push_back(path);
    auto it = m_frames.find(path);
    return it == m_frames.end() ? 0 : it->second;
}

void CFakeMediaProbe::AddPicture(const std::string& path, int width, int height) {
    m_pictures[path] = {width, height};
}

bool CFakeMediaProbe::ProbePictureSize(const std::string& path, int& width, int& height) {
    m_asked.push_back(path);
    auto it = m_pictures.find(path);
    if (it == m_pictures.end())
        return IMediaProbe::ProbePictureSize(path, width, height);
    width = it->second.first;
    height = it->second.second;
    return true;
}
