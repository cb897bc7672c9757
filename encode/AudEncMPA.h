#pragma once

#include "encode/AudEnc.h"

// MPEG-1 Layer II sound for a preset: stereo at 224 kbit/s, at 48000 Hz for
// DVD and 44100 Hz otherwise.
class CAudEncMPA final : public CAudEnc {
public:
    explicit CAudEncMPA(int preset);
};
