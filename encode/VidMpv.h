#pragma once

#include "encode/VideoFilter.h"
#include "media/FfOwners.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

struct AVFormatContext;

// The pre-encoded video element: reads an MPEG video elementary stream file
// and hands its pictures to the multiplexer unchanged.
class CVidMpv final : public CVideoFilter {
public:
    explicit CVidMpv(std::string path);
    ~CVidMpv() override;

    [[nodiscard]] int StreamKind() const override { return kMovingVideo; }
    bool Open() override { return m_input != nullptr; }
    // Hands on the pictures still queued.
    void Close(bool abort) override;
    bool StreamParameters(AVCodecParameters* parameters, int& timeBaseNum,
                          int& timeBaseDen) const override;

    // Opens the file; false when it holds no MPEG-1 or MPEG-2 video.
    bool Init() override;
    int PushNext() override;
    void Done() override;
    // Bytes read as a percentage of the file.
    [[nodiscard]] int PercentDone() const override;
    [[nodiscard]] bool IsStill() const override { return false; }
    void GetFrameRate(int& num, int& den) const override;

private:
    // A picture read from the file, owned: freed with its pointer on every path.
    using CPacket = FfPacketPtr;

    // Hands every queued picture to the multiplexer.
    bool Flush();

    std::string m_path;
    FfInputPtr m_input;
    FfPacketPtr m_packet;
    int m_stream = -1;
    std::int64_t m_size = 0;
    // Pictures read but not yet handed on, in decoding order. A reference
    // picture's display time is the decoding time of the next reference
    // picture, so it (and the pictures after it) wait for that one.
    std::deque<CPacket> m_queue;
    bool m_refPending = false; // the queue's first packet still needs its display time
    std::int64_t m_nextDts = 0;
    std::int64_t m_duration = 0;
    bool m_eof = false;
};
