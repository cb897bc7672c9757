#pragma once

#include <cstdint>
#include <string>

// What the decoders know about a sound: its format and length in sample frames.
struct SSoundFacts {
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0;
    std::int64_t length = 0;

    [[nodiscard]] double Duration() const {
        return sampleRate > 0 ? double(length) / sampleRate : 0.0;
    }
};

// The model's questions about media files, answered by the decoders. The model
// itself decodes nothing: the media and audio subsystems install a probe at
// start-up. Until one is installed every answer is "unknown": no sound can be
// opened and clips report no duration.
class IMediaProbe {
public:
    virtual ~IMediaProbe() = default;

    // Opens the sound of a file (a sound file or the sound track of a clip) and
    // reports its facts. Returns false with a message when it cannot be decoded.
    virtual bool ProbeSound(const std::string& path, SSoundFacts& facts, std::string& error) = 0;
    // The duration of a video clip in seconds; 0 when it cannot be read.
    virtual double ProbeVideoDuration(const std::string& path) = 0;
    // The number of frames of a video clip; 0 when it cannot be read.
    virtual std::int64_t ProbeVideoFrameCount(const std::string&) { return 0; }
    // The pixel size of a picture; false when it cannot be read.
    virtual bool ProbePictureSize(const std::string&, int& width, int& height) {
        width = height = 0;
        return false;
    }

    // The installed probe; safe to call from any thread.
    static IMediaProbe& Get();
    // Installs a probe (not owned; it must outlive its use). Null restores the
    // "unknown" answers.
    static void Install(IMediaProbe* probe);

    // While one lives, the model on this thread touches no file: every probe
    // answers "unknown" without opening, or even looking for, the file named.
    // Reading a template's project holds one, so a path the template names
    // outside its package is never opened. Scopes nest.
    class CNoFiles {
    public:
        CNoFiles();
        CNoFiles(const CNoFiles&) = delete;
        CNoFiles& operator=(const CNoFiles&) = delete;
        ~CNoFiles();
    };
    // Whether a CNoFiles scope is open on this thread.
    [[nodiscard]] static bool FilesClosed();
};
