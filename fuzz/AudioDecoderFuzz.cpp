// Feeds arbitrary bytes to the sound decoders through a file, since they open
// paths. The first byte picks the file's extension, which the decoders must
// not be misled by (the content chooses the decoder and FFmpeg's demuxer);
// the rest is the file. What opens is read through
// in blocks, then at its middle and its last frame, touching every byte
// delivered so that a block reaching past the decoded sound is reported.
#include "audio/AnyAudioDec.h"
#include "fuzz/FuzzFile.h"
#include "fuzz/FuzzTargets.h"

extern "C" {
#include <libavutil/log.h>
}

#include <iterator>

namespace {

// Reads up to count frames and touches every byte of them; false at the end.
bool ReadBlock(CAnyAudioDec& dec, int count) {
    const std::uint8_t* p = dec.Read(count);
    if (!p || count <= 0)
        return false;
    const std::size_t bytes = std::size_t(count) * std::size_t(dec.GetBlockAlign());
    unsigned sum = 0;
    for (std::size_t k = 0; k < bytes; ++k)
        sum += p[k];
    volatile unsigned sink = sum;
    (void)sink;
    return true;
}

} // namespace

int kvfuzz::AudioDecoder(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = [] {
        av_log_set_level(AV_LOG_QUIET);
        return true;
    }();
    (void)quiet;
    if (size < 1)
        return 0;
    static const char* const kExtensions[] = {"wav", "mp3", "mp2", "mpa", "mpg", "mp4",
                                              "mov", "m4a", "ogg", "flac", "aif", "wma"};
    const char* extension = kExtensions[data[0] % std::size(kExtensions)];
    const CFuzzFile file(data + 1, size - 1, extension);
    if (file.Path().empty())
        return 0;
    CAnyAudioDec dec; // OpenFile decodes the whole sound
    if (!dec.OpenFile(file.Path()))
        return 0;
    // Blocks of 4096 frames, at most 64 of them: enough to cross every
    // branch of the reader without walking long sounds.
    for (int block = 0; block < 64 && ReadBlock(dec, 4096); ++block) {
    }
    const std::int64_t length = dec.GetLength();
    for (std::int64_t to : {length / 2, length - 1}) {
        if (dec.Seek(to, IAudioSrc::kFromStart) < 0)
            break;
        ReadBlock(dec, 4096);
    }
    dec.Close();
    return 0;
}
