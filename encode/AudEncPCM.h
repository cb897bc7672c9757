#pragma once

#include "encode/AudEnc.h"

// Linear PCM sound for a preset: 16-bit stereo, big-endian as MPEG program
// streams carry it.
class CAudEncPCM final : public CAudEnc {
public:
    explicit CAudEncPCM(int preset);
};
