#pragma once

#include "encode/Filter.h"
#include "media/FfOwners.h"

#include <cstdint>
#include <string>
#include <vector>

struct AVFrame;
struct SwrContext;

// A sound encoder element: takes interleaved 16-bit samples, cuts them into
// the encoder's frames and hands the packets to the multiplexer. Samples are
// converted to the encoder's sample format when it wants another one.
class CAudEnc : public CFilter {
public:
    // codec: an FFmpeg encoder name; bitRate 0 for encoders without one.
    // Encoders that take any number of samples get them in blocks of
    // freeBlock sample frames.
    CAudEnc(std::string codec, int sampleRate, int channels, int bitRate, int freeBlock = 1152);
    ~CAudEnc() override;

    [[nodiscard]] int StreamKind() const override { return kAudio; }
    bool Open() override;
    void Close(bool abort) override;
    [[nodiscard]] const AVCodecContext* Codec() const override { return m_codec.get(); }

    // Encodes `bytes` bytes of interleaved 16-bit samples; false on failure.
    virtual bool Write(const std::uint8_t* data, std::size_t bytes);

    [[nodiscard]] int SampleRate() const { return m_rate; }
    [[nodiscard]] int Channels() const { return m_channels; }
    // Sample frames handed to the encoder so far, padding included.
    [[nodiscard]] std::int64_t SamplesEncoded() const { return m_encoded; }

private:
    bool EncodeFrame(int frames);
    bool Drain();
    bool Fail(const std::string& text, int code);

    std::string m_name;
    int m_rate;
    int m_channels;
    int m_bitRate;
    int m_freeBlock;
    int m_frameSize = 0;
    bool m_variableSize = false;
    FfCodecPtr m_codec;
    FfFramePtr m_frame;
    FfPacketPtr m_packet;
    FfSwrPtr m_swr;
    std::vector<std::int16_t> m_pending; // interleaved samples not yet encoded
    std::size_t m_pendingStart = 0;      // first pending sample value
    std::int64_t m_encoded = 0;
};
