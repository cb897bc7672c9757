#pragma once

#include "encode/EncodeEngine.h"

#include <string>
#include <vector>

// Writes the album as an AVI file through FFmpeg's avi muxer. The codecs are
// FFmpeg encoder names; by default MPEG-4 part 2 video with MP3 sound (MPEG
// Layer II when this FFmpeg has no MP3 encoder), which ordinary players play.
class CAviEngine final : public IEncodeEngine {
public:
    // A codec offered for AVI files: its FFmpeg encoder name, a short
    // description, and the code a codec choice may name it by (a video
    // four-character code, an audio format tag).
    struct SCodec {
        const char* name;
        const char* description;
        const char* fourcc; // video; null for audio
        int formatTag;      // audio; 0 for video
    };
    // The codecs of the list that this FFmpeg has, in the order to offer them.
    static std::vector<SCodec> VideoCodecs();
    static std::vector<SCodec> AudioCodecs();
    static std::string DefaultVideoCodec();
    static std::string DefaultAudioCodec();

    CAviEngine();
    ~CAviEngine() override;

    // The picture size (0 x 0: the source's), bits per pixel of uncompressed
    // pictures (24 or 32) and the frame rate (0: the source's).
    void SetVideoFormat(int width, int height, int bits, double frameRate);
    // Width over height of one pixel, written into the stream and the file
    // (720 x 576 pictures of a 4:3 DVD have pixels of 16:15), 1 by default.
    void SetPixelAspect(double pixelAspect) { m_pixelAspect = pixelAspect; }
    // Encoder threads; 0 takes them from the machine (EncodeThreads).
    void SetThreads(int threads) { m_threads = threads; }
    void SetAudioFormat(int rate, int channels, int bits);
    // Chooses an encoder by name. False when this FFmpeg has no such encoder
    // usable in AVI files; the name is kept and Encode then fails with a
    // text naming it.
    bool SetVideoCodec(const std::string& name);
    bool SetAudioCodec(const std::string& name);
    // A codec choice by code: a four-character code (null keeps the current
    // choice) and an audio format tag (-1 keeps the current choice). False
    // for a code no offered encoder has.
    bool ChooseVideoCodec(const char* fourcc);
    bool ChooseAudioCodec(int formatTag);

    [[nodiscard]] const std::string& GetVideoCodec() const { return m_videoCodec; }
    [[nodiscard]] const std::string& GetAudioCodec() const { return m_audioCodec; }

    int Encode(IVideoSrc* video, IAudioSrc* audio, const std::string& path,
               IProgress* progress) override;
    [[nodiscard]] std::string GetErrorText() const override { return m_error; }

    // Whether an encoder of that name exists, is of the kind asked
    // (video or sound) and can be stored in AVI files; otherwise why not.
    static bool Usable(const std::string& name, bool video, std::string* why = nullptr);

    // The sound rate AVI files are made with.
    static constexpr int kAudioRate = 44100;

private:
    int Fail(std::string text);

    int m_width = 0;
    int m_height = 0;
    int m_bits = 24;
    double m_frameRate = 0;
    double m_pixelAspect = 1.0;
    int m_threads = 0;
    int m_audioRate = kAudioRate;
    int m_audioChannels = 2;
    std::string m_videoCodec;
    std::string m_audioCodec;
    std::string m_error;
};
