#include "audio/QtAudioDec.h"

void CQtAudioDec::SetFormat(int rate, int channels, int bits) {
    bool changed = rate != m_rate || bits != m_bits;
    CAudioDec::SetFormat(rate, channels, bits);
    if (changed && m_reader.GetLength() > 0) {
        std::int64_t position = m_position;
        int oldRate = m_reader.GetSampleRate();
        if (Open() && oldRate > 0)
            Seek(std::int64_t(double(position) * rate / oldRate + 0.5), kFromStart);
    }
}
