#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

struct AVFrame;

// Decodes the sound of a file (a sound file or the sound track of a movie)
// through FFmpeg into interleaved PCM held in memory, so every frame can be
// reached exactly and the length is known at once.
//
// Files with more than two channels are mixed down to stereo. Unless a format
// is asked for, the samples keep the file's rate and come as 8-bit unsigned
// when the file holds 8-bit samples, else as 16-bit signed.
//
// A file's length takes decoding all of it, so the format and length a whole
// decode found are remembered for the file as it is on disk (device, inode,
// size, change time) and the format asked for: measuring it again then reads
// nothing, and opening it to keep only its start decodes no further.
class CFfmpegAudioReader {
public:
    // rate and bits of 0 keep the file's own; channels are never raised above
    // the file's own. keepSeconds: the samples of the sound's start that are
    // kept (at least so many; all by default, none for 0, which measures the
    // file without holding it). The rest is decoded only to be counted, unless
    // the length is remembered, so the length is the whole file's either way.
    bool Open(const std::string& path, std::string& error, int rate = 0, int bits = 0,
              double keepSeconds = kAll);
    void Close();

    [[nodiscard]] int GetSampleRate() const { return m_rate; }
    [[nodiscard]] int GetChannels() const { return m_channels; }
    [[nodiscard]] int GetBitsPerSample() const { return m_bits; }
    [[nodiscard]] std::int64_t GetLength() const { return m_length; }
    // The frames kept, from the start: FrameAt has these.
    [[nodiscard]] std::int64_t GetKeptLength() const;
    [[nodiscard]] int GetBlockAlign() const { return m_bits / 8 * m_channels; }
    // The frame at a position (null past the end).
    [[nodiscard]] std::uint8_t* FrameAt(std::int64_t position);

    // The largest decoded size accepted (about 45 minutes of 48 kHz stereo).
    static constexpr std::size_t kMaxBytes = std::size_t(512) << 20;
    static constexpr double kAll = 1e9;

private:
    struct SConverter;
    void Append(SConverter& converter, const AVFrame* in, bool& tooLarge);

    int m_rate = 0;
    int m_channels = 0;
    int m_bits = 0;
    std::int64_t m_length = 0;
    // Bytes added to the sound are left as they come: the converter writes
    // them at once, so filling them with zeros first would only cost a pass
    // over the whole sound.
    template <class T> struct SUnfilled : std::allocator<T> {
        template <class U> struct rebind { using other = SUnfilled<U>; };
        SUnfilled() = default;
        template <class U> SUnfilled(const SUnfilled<U>& /*other*/) noexcept {}
        template <class U> void construct(U* at) noexcept { ::new (static_cast<void*>(at)) U; }
        template <class U, class... A> void construct(U* at, A&&... args) {
            ::new (static_cast<void*>(at)) U(std::forward<A>(args)...);
        }
    };
    // The samples kept, and room for converting one frame past them.
    std::vector<std::uint8_t, SUnfilled<std::uint8_t>> m_data, m_counted;
    std::size_t m_keepBytes = 0; // how many bytes of samples to keep
    std::size_t m_bytes = 0;     // converted so far
};
