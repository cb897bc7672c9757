#pragma once

#include "encode/Muxer.h"
#include "encode/VideoSettings.h"

// The MPEG presets: what each disc format asks of the video stream, the sound
// and the program stream, so that players and authoring tools accept them.
enum EMpgPreset : int {
    kPresetMpeg1 = 0,  // custom size, MPEG-1
    kPresetVcd = 1,
    kPresetMpeg2 = 2,  // custom size, MPEG-2
    kPresetSvcd = 3,
    kPresetDvd = 4,
};

struct SMpgFormat {
    SVideoSettings video;
    int streamKind = 0;       // CFilter::EStreamKind of the video
    SMuxSettings mux;
    int audioRate = 44100;    // sample rate of the sound
    int mpaBitRate = 224000;  // Layer II bits per second
};

// The preset of a format number (0 DVD, 1 SVCD, 2 VCD, 3 custom MPEG-2,
// 4 custom MPEG-1); -1 for an unknown number.
int MpgPresetOf(int format);
// The sound's sample rate of a preset: 48000 Hz for DVD, else 44100 Hz.
int MpgAudioRate(int preset);
// The encoder's effort at a quality level (-1 for the encoder's defaults,
// else 0 fastest to 31 best): each step up buys visible quality for its cost
// on camera photographs (docs/encoding-levels.md has the measurements).
struct SMpgEffort {
    int mbDecision = 0;   // SVideoSettings::mbDecision
    bool trellis = false; // trellis quantisation
    int bidirRefine = 1;  // SVideoSettings::bidirRefine
};
// The level from which trellis quantisation and the refinement of
// bidirectional vectors are taken.
inline constexpr int kTrellisQuality = 16;
// The level --fast chooses: the encoder's plain choices, bidirectional
// vectors unrefined.
inline constexpr int kFastQuality = 8;
[[nodiscard]] SMpgEffort MpgEffortFor(int quality);

// The stream of a preset. still: a single picture. quality: -1 for the
// encoder's defaults, else 0 (fastest) to 31 (best), as MpgEffortFor says.
// pcmAudio leaves room in the DVD's multiplex rate for uncompressed sound.
SMpgFormat MpgFormatFor(int preset, bool pal, bool wide, bool still, int quality,
                        int customWidth, int customHeight, bool pcmAudio = false);
