#pragma once

#include <cstdint>

// A pull source of interleaved linear PCM: 8-bit unsigned (silence 0x80) or
// 16-bit signed little-endian samples, one or two channels. Positions and
// lengths count sample frames.
//
// A consumer sets the format it wants, opens the source, then reads blocks:
// Read returns a buffer owned by the source, valid until the next Read, Seek
// or Close. A tree of sources is used by one thread at a time.
class IAudioSrc {
public:
    enum ESeekOrigin : int { kFromStart = 0, kFromEnd = 1, kFromCurrent = 2 };

    IAudioSrc() = default;
    IAudioSrc(const IAudioSrc&) = delete;
    IAudioSrc& operator=(const IAudioSrc&) = delete;
    virtual ~IAudioSrc() = default;

    virtual bool Open() = 0;
    virtual void Close() = 0;
    // The format the consumer wants.
    virtual void SetFormat(int rate, int channels, int bits);
    // The format of the delivered frames.
    [[nodiscard]] virtual int GetSampleRate() const = 0;
    [[nodiscard]] virtual int GetChannels() const = 0;
    [[nodiscard]] virtual int GetBitsPerSample() const = 0;
    // Length in frames; -1 means unlimited.
    [[nodiscard]] virtual std::int64_t GetLength() = 0;
    // Returns the new position, or -1 on failure.
    virtual std::int64_t Seek(std::int64_t position, int origin) = 0;
    // Seeks to the frame nearest the time; returns the time reached, or -1.
    virtual double SeekTime(double seconds);
    [[nodiscard]] virtual std::int64_t Tell() = 0;
    // Delivers up to count frames (count is set to the number delivered);
    // null at the end.
    virtual const std::uint8_t* Read(int& count) = 0;

    [[nodiscard]] int GetBlockAlign() const { return GetBitsPerSample() * GetChannels() / 8; }
    [[nodiscard]] double GetDuration();

    [[nodiscard]] int GetRequestedRate() const { return m_rate; }
    [[nodiscard]] int GetRequestedChannels() const { return m_channels; }
    [[nodiscard]] int GetRequestedBits() const { return m_bits; }

protected:
    int m_rate = 44100;
    int m_channels = 2;
    int m_bits = 16;
};

// Frames of a time at a rate: (int64)(rate x seconds + 0.5).
inline std::int64_t FramesAt(int rate, double seconds) {
    return std::int64_t(rate * seconds + 0.5);
}

// A sample times a gain, truncated toward zero as integer conversion does and
// kept within the sample's range (gains above 1 saturate instead of wrapping).
inline std::int16_t ScaleSample16(std::int16_t sample, double gain) {
    double v = sample * gain;
    return std::int16_t(v >= 32767.0 ? 32767 : v <= -32768.0 ? -32768 : int(v));
}
inline std::uint8_t ScaleSample8(std::uint8_t sample, double gain) {
    double v = (sample - 128) * gain;
    int s = v >= 127.0 ? 127 : v <= -128.0 ? -128 : int(v);
    return std::uint8_t(s + 128);
}
