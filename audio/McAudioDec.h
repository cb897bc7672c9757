#pragma once

#include "audio/AudioDec.h"

// The reader of MPEG audio and of the sound of MPEG program streams.
// Delivers the file's own rate and width.
class CMcAudioDec final : public CAudioDec {};
