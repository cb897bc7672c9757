#include "audio/AudioSrc.h"

void IAudioSrc::SetFormat(int rate, int channels, int bits) {
    m_rate = rate;
    m_channels = channels;
    m_bits = bits;
}

double IAudioSrc::SeekTime(double seconds) {
    int rate = GetSampleRate();
    if (rate <= 0)
        return -1.0;
    std::int64_t reached = Seek(FramesAt(rate, seconds), kFromStart);
    return reached < 0 ? -1.0 : double(reached) / rate;
}

double IAudioSrc::GetDuration() {
    int rate = GetSampleRate();
    std::int64_t length = GetLength();
    return rate > 0 && length >= 0 ? double(length) / rate : 0.0;
}
