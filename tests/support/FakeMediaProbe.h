#pragma once

#include "project/MediaProbe.h"

#include <map>
#include <string>
#include <vector>

// Answers the model's media questions from tables a test fills in. Installed
// for its lifetime; paths not in the tables cannot be opened.
class CFakeMediaProbe final : public IMediaProbe {
public:
    CFakeMediaProbe() { IMediaProbe::Install(this); }
    CFakeMediaProbe(const CFakeMediaProbe&) = delete;
    CFakeMediaProbe& operator=(const CFakeMediaProbe&) = delete;
    ~CFakeMediaProbe() override { IMediaProbe::Install(nullptr); }

    // A 44100 Hz stereo 16-bit sound of the given seconds.
    void AddSound(const std::string& path, double seconds);
    void AddVideo(const std::string& path, double seconds, bool withSound, std::int64_t frames = 0);
    void AddPicture(const std::string& path, int width, int height);

    bool ProbeSound(const std::string& path, SSoundFacts& facts, std::string& error) override;
    double ProbeVideoDuration(const std::string& path) override;
    std::int64_t ProbeVideoFrameCount(const std::string& path) override;
    bool ProbePictureSize(const std::string& path, int& width, int& height) override;

    int m_soundProbes = 0;
    // Every path asked about, in order, whatever the question.
    std::vector<std::string> m_asked;

private:
    std::map<std::string, SSoundFacts> m_sounds;
    std::map<std::string, double> m_videos;
    std::map<std::string, std::int64_t> m_frames;
    std::map<std::string, std::pair<int, int>> m_pictures;
};
