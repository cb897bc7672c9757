#pragma once

#include "encode/VideoFilter.h"
#include "encode/VideoSettings.h"
#include "media/FfOwners.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class IVideoSrc;
struct AVFrame;
struct SwsContext;

// The video encoder element: pulls frames from a video source, converts them
// from bottom-up 32-bit (or 24-bit) blue, green, red to the encoder's pixel
// format and size, and hands the packets to the multiplexer.
//
// Conversion happens on the caller's thread, since a source's frame is valid
// only until its next GetFrame; compression runs on the element's own
// thread, so the source makes the next frame while this one is compressed.
// A few converted pictures may wait for it (QueueLimit). Init starts the
// threads that compress at normal priority, the compressing one and the
// encoder's.
class CVidEnc final : public CVideoFilter {
public:
    // An MPEG stream for a disc preset (see MpgPreset.h). A source of one
    // frame becomes the preset's still picture.
    CVidEnc(IVideoSrc* source, int preset, int pal, int wide, int quality, int customWidth,
            int customHeight, bool pcmAudio = false);
    // Any encoder; kind is the stream kind the multiplexer files it under.
    CVidEnc(IVideoSrc* source, SVideoSettings settings, int kind);
    ~CVidEnc() override;

    [[nodiscard]] int StreamKind() const override { return m_kind; }
    bool Open() override { return m_codec != nullptr; }
    void Close(bool abort) override;
    [[nodiscard]] const AVCodecContext* Codec() const override { return m_codec.get(); }

    // Opens the encoder and sets the frame counter to 0.
    bool Init() override;
    int PushNext() override;
    // Encodes frame `index` of the source as the next picture of the stream
    // (an engine that changes the frame rate picks the frames itself).
    int PushFrame(int index);
    void Done() override;
    [[nodiscard]] int PercentDone() const override;
    [[nodiscard]] bool IsStill() const override { return m_still; }
    void GetFrameRate(int& num, int& den) const override {
        num = m_settings.rateNum;
        den = m_settings.rateDen;
    }

    [[nodiscard]] const SVideoSettings& Settings() const { return m_settings; }
    // The encoder's threads; before Init.
    void SetThreads(int threads) { m_settings.threads = threads; }
    [[nodiscard]] int FramesPushed() const { return m_pushed; }
    // Whether the compressing thread stopped at a failure.
    [[nodiscard]] bool CompressingFailed() const;

    // Hooks that let a test order the two threads the way a race may (none
    // by default; set them before the first picture). The first runs on the
    // compressing thread before it compresses picture n (counted from 0); a
    // text it returns fails that picture as an encoder error would. The
    // second runs on the caller's thread once picture n is converted, just
    // before it is handed over.
    void SetCompressHook(std::function<std::string(std::int64_t n)> hook) {
        m_compressHook = std::move(hook);
    }
    void SetHandOverHook(std::function<void(std::int64_t n)> hook) {
        m_handOverHook = std::move(hook);
    }

    // Converted pictures that video encoder elements of this process hold
    // now (queued, being compressed or kept for reuse).
    static int PicturesHeld();

    // How many converted pictures of a size may wait for compression: up to
    // six, as long as they take no more than 16 MB, and at least two. A few
    // in hand let the drawing thread, which runs below normal priority, work
    // ahead in the gaps the encoder leaves and keep it fed through its busy
    // stretches: a DVD render at the fast level took 7 % less time with six
    // than with two.
    static int QueueLimit(int width, int height);

private:
    // A converted picture, owned: freed (and no longer counted) with its
    // pointer, whichever thread or failure path drops it.
    struct SFreePicture {
        void operator()(AVFrame* picture) const;
    };
    using CPicture = std::unique_ptr<AVFrame, SFreePicture>;
    static CPicture NewPicture();

    bool Drain();
    bool Fail(const std::string& text, int code);
    // The compressing thread and its hand-over.
    void Compress();
    bool StartThread();
    // Waits until every queued picture is compressed and ends the thread;
    // false when compressing failed (the error text says why).
    bool StopThread();
    // Takes over the compressing thread's failure; false when there was one.
    bool CheckThread();

    IVideoSrc* m_source;
    SVideoSettings m_settings;
    int m_kind;
    bool m_still = false;
    unsigned m_count = 0;
    int m_counter = 0;
    int m_pushed = 0;
    FfCodecPtr m_codec;
    int m_pixelFormat = -1; // the encoder's AVPixelFormat
    FfPacketPtr m_packet;
    // The converter and the source size and format it was made for.
    FfSwsPtr m_sws;
    int m_swsWidth = 0, m_swsHeight = 0, m_swsFormat = -1;

    std::function<std::string(std::int64_t)> m_compressHook;
    std::function<void(std::int64_t)> m_handOverHook;

    std::thread m_thread;
    mutable std::mutex m_lock; // guards everything below
    std::condition_variable m_changed;
    std::deque<CPicture> m_queue;  // converted, waiting to be compressed
    int m_queueLimit = 2;
    std::vector<CPicture> m_spare; // compressed, ready for the next picture
    bool m_ending = false;
    bool m_threadFailed = false;
    std::string m_threadError;
};
