#pragma once

#include <string>

struct AVCodecContext;
struct AVCodecParameters;
struct AVPacket;
class CMuxer;

// An element of an encode graph. Encoder elements turn pictures or samples
// into packets and hand them to the multiplexer they are connected to; the
// multiplexer (itself an element) writes them into the output file.
class CFilter {
public:
    // Stream kinds, as the multiplexer files its inputs.
    enum EStreamKind : int {
        kMovingVideo = 0,
        kVcdStill = 1,
        kSvcdStill = 2,
        kDvdStill = 3,
        kAudio = 4,
        kMultiplexer = 6,
    };

    CFilter() = default;
    CFilter(const CFilter&) = delete;
    CFilter& operator=(const CFilter&) = delete;
    virtual ~CFilter();

    // Opens the element and registers its stream with the multiplexer. True
    // only when both worked; the element is "open" once Open succeeded.
    virtual bool Connect(CMuxer& muxer);
    [[nodiscard]] virtual int StreamKind() const = 0;
    // Makes the element ready to produce packets.
    virtual bool Open() = 0;
    // Finishes the element's output: encoders drain what they hold, so even
    // an aborted file keeps every picture pushed so far. abort only says
    // that errors on the way no longer matter.
    virtual void Close(bool abort) = 0;
    // The description of the element's stream and the time base its packets
    // are timed in; the base answers from its encoder (Codec).
    virtual bool StreamParameters(AVCodecParameters* parameters, int& timeBaseNum,
                                  int& timeBaseDen) const;
    // The element's encoder; null for the multiplexer and for elements that
    // copy packets.
    [[nodiscard]] virtual const AVCodecContext* Codec() const { return nullptr; }

    // Close only when open; the element is closed afterwards.
    void CloseIfOpen(bool abort);
    [[nodiscard]] bool IsOpen() const { return m_opened; }
    [[nodiscard]] const std::string& GetError() const { return m_error; }

protected:
    // Hands a packet, timed in the encoder's time base, to the multiplexer.
    bool Deliver(AVPacket* packet);
    // Takes the multiplexer's error text when delivering failed.
    void TakeMuxerError();
    void SetError(std::string text) { m_error = std::move(text); }

    CMuxer* m_muxer = nullptr;
    int m_stream = -1;
    bool m_opened = false;
    std::string m_error;
};
