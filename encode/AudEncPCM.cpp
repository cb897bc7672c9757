#include "encode/AudEncPCM.h"

#include "encode/MpgPreset.h"

// Packets of 1/100 s (1920 bytes at 48000 Hz) fit the decoder's small
// buffer for linear PCM.
CAudEncPCM::CAudEncPCM(int preset)
    : CAudEnc("pcm_s16be", MpgAudioRate(preset), 2, 0, MpgAudioRate(preset) / 100) {}
