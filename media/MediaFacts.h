#pragma once

#include <cstdint>
#include <string>

// The model's questions about media files, answered by the decoders through
// the info cache. Safe from any thread.
class CMediaFacts {
public:
    // A clip's duration in seconds; 0 when unknown or not a clip.
    static double VideoDuration(const std::string& path);
    // A clip's frame count; 0 when unknown or not a clip.
    static std::int64_t VideoFrameCount(const std::string& path);
    // Whether a clip holds a sound track; false for a file that is no clip.
    static bool VideoHasSound(const std::string& path);
    // A picture's (or clip's) size; false with 0 × 0 when unknown.
    static bool PictureSize(const std::string& path, int& width, int& height);

    // Whether the path's extension is in a ";"-separated list, ignoring case.
    static bool ExtensionIn(const std::string& path, const std::string& list);
};
