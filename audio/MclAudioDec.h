#pragma once

#include "audio/AudioDec.h"

// The general sound-file reader (WAV, MP3 and every format not claimed by the
// other decoders). Delivers the file's own rate and width.
class CMclAudioDec final : public CAudioDec {};
