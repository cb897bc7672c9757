#pragma once

#include "encode/Filter.h"
#include "media/FfOwners.h"

#include <mutex>
#include <string>
#include <vector>

struct AVFormatContext;

// How a multiplexer writes its file: an FFmpeg muxer name and, for MPEG
// program streams, the pack size, the multiplex rate and the time the
// decoder's buffers are given to fill before the first picture.
struct SMuxSettings {
    std::string format;     // "dvd", "svcd", "vcd", "vob", "mpeg", "avi"
    int packetSize = 0;     // bytes per pack; 0 leaves the muxer's own
    int muxRate = 0;        // bits per second; 0 lets the muxer add up its streams
    int preloadMicros = -1; // -1 leaves the muxer's own
};

// The multiplexer: the element at the end of an encode graph. Encoder
// elements register their streams (AddStream) and hand it their packets;
// it interleaves them and writes the file. Closing always writes the
// container's end, so a cancelled or failed encode leaves a file that players
// open up to where it stopped.
class CMuxer final : public CFilter {
public:
    CMuxer(SMuxSettings settings, std::string path);
    ~CMuxer() override;

    [[nodiscard]] int StreamKind() const override { return kMultiplexer; }
    // The muxer's "movflags" (MP4: "+faststart"), before Start.
    void SetFlags(std::string flags) { m_flags = std::move(flags); }
    // Creates the output file. The error text names the file.
    bool Open() override;
    void Close(bool abort) override;

    // Adds the stream an element produces; its index, or -1.
    int AddStream(int kind, const CFilter& element);
    // Writes the file's header once every stream is added.
    bool Start();
    // Writes a packet timed in its element's time base (ownership of the
    // packet's data passes to the muxer; the packet is left blank). Elements
    // may write from different threads.
    bool WritePacket(int stream, AVPacket* packet);
    // A copy of the error text, safe while elements still write.
    [[nodiscard]] std::string ErrorCopy() const;

    [[nodiscard]] const std::string& Path() const { return m_path; }
    // True once creating, writing or closing the file failed.
    [[nodiscard]] bool Failed() const { return m_failed; }
    // The kinds of the added streams, in stream order.
    [[nodiscard]] const std::vector<int>& Kinds() const { return m_kinds; }

private:
    void FailWith(const char* what, int code);

    mutable std::mutex m_writing; // guards the file and the error while packets arrive
    SMuxSettings m_settings;
    std::string m_path;
    std::string m_flags;
    FfOutputPtr m_format;
    bool m_started = false;
    bool m_failed = false;
    std::vector<int> m_kinds;
    std::vector<std::pair<int, int>> m_timeBases; // each stream's packet time base
};
