#pragma once

#include <cstdint>
#include <string>

// How a video encoder element encodes: an FFmpeg encoder name and the
// values it is opened with.
struct SVideoSettings {
    std::string codec;            // FFmpeg encoder name
    int width = 0;                // encoded picture size; source frames are scaled to it
    int height = 0;
    int rateNum = 25;             // frame rate as a fraction
    int rateDen = 1;
    int sarNum = 1;               // pixel aspect (width : height of one pixel)
    int sarDen = 1;
    std::int64_t bitRate = 0;     // average bits per second; 0 with qscale
    std::int64_t maxRate = 0;     // peak bits per second; 0 for none
    std::int64_t minRate = 0;     // equal to maxRate for a constant rate
    int bufferSize = 0;           // decoder buffer (VBV) in bits; 0 for none
    int gop = 12;                 // pictures from one key picture to the next
    int bFrames = 0;              // bidirectional pictures between references
    int qscale = 0;               // > 0: constant quantiser instead of a rate
    bool closedGop = false;       // groups that never refer back into the previous one
    bool scanOffset = false;      // room for the scan information of super video CDs
    int mbDecision = 0;           // 0 simple, 1 fewest bits, 2 rate-distortion
    bool trellis = false;         // trellis quantisation
    int bidirRefine = 1;          // MPEG: refinement of both vectors of bidirectional blocks (0 none)
    int pixelFormat = -1;         // an AVPixelFormat; -1 picks the encoder's nearest to BGRA
    unsigned codecTag = 0;        // container four-character code; 0 for the muxer's own
    int threads = 1;              // encoder threads; 0 from the machine
    // Beyond the disc formats (H.264 in MP4 or Matroska):
    int colourMatrix = 0;         // 601 or 709: the RGB to YUV matrix used and tagged; 0 untagged
    bool globalHeader = false;    // stream headers kept apart, as MP4 and Matroska want them
    int crf = -1;                 // >= 0: constant quality (libx264's rate factor)
    std::string preset;           // the encoder's speed preset; empty for its default
    bool frameThreads = false;    // whole-picture threads (libx264) instead of slices
};
