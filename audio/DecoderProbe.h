#pragma once

#include "project/MediaProbe.h"

// Answers the model's media questions from the real decoders. Front ends
// install it at start-up (Install), after which a sound entry knows whether
// its file plays and a clip knows its duration.
//
// A sound's facts take decoding the whole file; the decoders remember them for
// the file as it is (device, inode, size and change time), so the wizard,
// which applies its template again when it renders, does not decode music
// probed once again on the window's thread for that.
class CDecoderProbe final : public IMediaProbe {
public:
    bool ProbeSound(const std::string& path, SSoundFacts& facts, std::string& error) override;
    double ProbeVideoDuration(const std::string& path) override;
    std::int64_t ProbeVideoFrameCount(const std::string& path) override;
    bool ProbePictureSize(const std::string& path, int& width, int& height) override;

    // Installs the process-wide instance.
    static void Install();
};
