#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct AVInputFormat;

// What a media file is, told from its content, never from its name: the one
// place that answers "picture, clip or sound" for packing, template loading,
// extraction, rendering and the wizard.
enum class EMediaKind {
    kUnknown, // nothing the decoders read (why says what it is)
    kPicture, // a picture decoder knows its signature
    kClip,    // FFmpeg finds moving pictures (a cover picture does not count)
    kSound,   // FFmpeg finds sound and no moving pictures
};

class CMediaKind {
public:
    struct SFacts {
        EMediaKind kind = EMediaKind::kUnknown;
        // FFmpeg's short name of the container ("mov,mp4,m4a,3gp,3g2,mj2",
        // "matroska,webm", "mpeg" …) and of the first sound's coding ("mp2" …);
        // empty for pictures and for what FFmpeg does not read.
        std::string container;
        std::string soundCoding;
        // Why an unknown file is not a picture, clip or sound, as a clause
        // ("it is not a picture, clip or sound that this build reads").
        std::string why;
        // Whether the file could be read at all (false: missing, not a
        // regular file, unreadable).
        bool readable = false;

        // An ISO media file (MP4, MOV, 3GP, M4A …).
        [[nodiscard]] bool IsMovieContainer() const;
        // An MPEG program or transport stream, a bare MPEG video stream, or
        // MPEG-1/2 layer I/II sound.
        [[nodiscard]] bool IsMpeg() const;
    };

    // How many leading bytes tell a picture from anything else.
    static constexpr std::size_t kHeadBytes = 4096;

    // The facts of a file. Pictures are told by the picture decoders'
    // signatures; anything else is opened with FFmpeg's demuxers. Answers are
    // kept per path, size and modification time, so a file replaced on disk is
    // probed anew. Safe from any thread.
    static SFacts Probe(const std::string& path);
    static EMediaKind Of(const std::string& path) { return Probe(path).kind; }

    // Whether the first bytes of a file (name: its file name, which marks
    // Windows metafiles) are a picture's. For packaged files, whose bytes are
    // not on disk.
    static bool IsPictureHead(const std::uint8_t* head, std::size_t size, const std::string& name);

    // FFmpeg's demuxer for a file, chosen from its content alone: FFmpeg's
    // own probing also weighs the file's name, and picks its picture readers
    // by the name only. Null when the content names none; score, when given,
    // receives how sure the probe is (up to 100).
    static const AVInputFormat* ContentFormat(const std::string& path, int* score = nullptr);

    // "picture", "clip", "sound", "unknown file": for messages.
    static const char* Describe(EMediaKind kind);

private:
    static SFacts ProbeUncached(const std::string& path);
};
