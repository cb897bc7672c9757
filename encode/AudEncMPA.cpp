#include "encode/AudEncMPA.h"

#include "encode/MpgPreset.h"

CAudEncMPA::CAudEncMPA(int preset) : CAudEnc("mp2", MpgAudioRate(preset), 2, 224000) {}
