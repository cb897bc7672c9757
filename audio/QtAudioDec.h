#pragma once

#include "audio/AudioDec.h"

// The reader of the sound of QuickTime and MPEG-4 movies. Unlike the other
// decoders it delivers the requested rate and width (with the track's own
// channel count); changing the format reopens the file.
class CQtAudioDec final : public CAudioDec {
public:
    void SetFormat(int rate, int channels, int bits) override;

protected:
    [[nodiscard]] int DeliveredRate() const override { return m_rate; }
    [[nodiscard]] int DeliveredBits() const override { return m_bits; }
};
