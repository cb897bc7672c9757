#pragma once

#include "encode/Muxer.h"
#include "encode/VideoSettings.h"

#include <string>

class IAudioSrc;
class IProgress;
class IVideoSrc;

// The encode graph of the file engines (AVI, MP4, Matroska): one video
// encoder element and, with sound, one sound encoder element handing their
// packets to a multiplexer. Output picture n shows the source frame at the
// same time; each picture brings the sound samples of its duration.
namespace FileEncode {

struct SJob {
    SVideoSettings video;     // size and rate of the output pictures included
    double pictureRate = 0;   // the rate pictures are taken from the source at (0: video's)
    std::string audioCodec;   // FFmpeg encoder name
    int audioRate = 44100;    // samples per second
    int audioChannels = 2;
    int audioBitRate = 0;     // 0 for encoders without one
    SMuxSettings mux;
    std::string muxFlags;     // "movflags" of MP4 and QuickTime files
    std::string what = "file"; // "The <what> "path" could not be written"
};

// The frame rate as a stream stores it: NTSC's 29.97 is 30000/1001.
void SetRate(SVideoSettings& video, double fps);

// Encodes every frame of video (and the sound of audio, which may be null,
// already set to the job's sound format) into the file at path; the result
// and the error text as IEncodeEngine::Encode gives them.
int Run(IVideoSrc* video, IAudioSrc* audio, const SJob& job, const std::string& path,
        IProgress* progress, std::string& error);

} // namespace FileEncode
