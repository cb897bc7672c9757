#pragma once

#include "project/MediaProbe.h"

#include <map>
#include <mutex>

// Answers the model's media questions from the real decoders. Front ends
// install it at start-up (Install), after which a sound entry knows whether
// its file plays and a clip knows its duration.
//
// A sound's facts take decoding the whole file, so they are remembered for
// the file as it is (device, inode, size and change time): the wizard applies
// its template again when it renders, and music probed once is not decoded
// once more on the window's thread for that.
class CDecoderProbe final : public IMediaProbe {
public:
    bool ProbeSound(const std::string& path, SSoundFacts& facts, std::string& error) override;
    double ProbeVideoDuration(const std::string& path) override;
    std::int64_t ProbeVideoFrameCount(const std::string& path) override;
    bool ProbePictureSize(const std::string& path, int& width, int& height) override;

    // Installs the process-wide instance.
    static void Install();

private:
    // A file as it is on disk: replaced, written over or touched, it differs.
    struct SFileState {
        std::uint64_t device = 0, inode = 0, size = 0, changed = 0;
        bool operator==(const SFileState&) const = default;
    };
    struct SKnownSound {
        SFileState file;
        SSoundFacts facts;
    };
    std::mutex m_lock;
    std::map<std::string, SKnownSound> m_sounds;
};
