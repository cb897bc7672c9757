#pragma once

// Owning pointers for FFmpeg's objects, each freed by the function FFmpeg
// pairs with its allocation. Every FFmpeg object the program makes is held by
// one of these from the moment it is made, so no failure path leaks it and no
// object is freed twice. The header names the types only, so class headers
// can hold owners without pulling in FFmpeg's headers.

#include <memory>

struct AVCodecContext;
struct AVDictionary;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct SwrContext;
struct SwsContext;

namespace FfOwners {

// An input context: closed with avformat_close_input (which frees it).
struct SInputDeleter {
    void operator()(AVFormatContext* f) const;
};
// An output context: its file is closed (when still open) and the context freed.
struct SOutputDeleter {
    void operator()(AVFormatContext* f) const;
};
struct SCodecDeleter {
    void operator()(AVCodecContext* c) const;
};
struct SFrameDeleter {
    void operator()(AVFrame* f) const;
};
struct SPacketDeleter {
    void operator()(AVPacket* p) const;
};
struct SSwsDeleter {
    void operator()(SwsContext* s) const;
};
struct SSwrDeleter {
    void operator()(SwrContext* s) const;
};

} // namespace FfOwners

using FfInputPtr = std::unique_ptr<AVFormatContext, FfOwners::SInputDeleter>;
using FfOutputPtr = std::unique_ptr<AVFormatContext, FfOwners::SOutputDeleter>;
using FfCodecPtr = std::unique_ptr<AVCodecContext, FfOwners::SCodecDeleter>;
using FfFramePtr = std::unique_ptr<AVFrame, FfOwners::SFrameDeleter>;
using FfPacketPtr = std::unique_ptr<AVPacket, FfOwners::SPacketDeleter>;
using FfSwsPtr = std::unique_ptr<SwsContext, FfOwners::SSwsDeleter>;
using FfSwrPtr = std::unique_ptr<SwrContext, FfOwners::SSwrDeleter>;

// An options dictionary: starts empty (null, as FFmpeg requires) and is freed
// with whatever entries the call it was passed to left in it.
class CFfDictionary {
public:
    CFfDictionary() = default;
    CFfDictionary(const CFfDictionary&) = delete;
    CFfDictionary& operator=(const CFfDictionary&) = delete;
    ~CFfDictionary();
    AVDictionary** Address() { return &m_dict; }
    [[nodiscard]] AVDictionary* Get() const { return m_dict; }

private:
    AVDictionary* m_dict = nullptr;
};
