#pragma once

#include "encode/EncodeEngine.h"

#include <string>

struct SFormatRow;

// Video for today's screens: H.264 (libx264, 4:2:0, constant quality) with
// AAC stereo sound at 48 kHz in an MP4 file that players and browsers start
// at once (its index first), or with the same streams in a QuickTime or
// Matroska file, as the output's extension says (.mp4, .m4v, .mov, .mkv).
// Pictures are square; HD sizes are tagged BT.709, smaller ones BT.601.
class CMp4Engine final : public IEncodeEngine {
public:
    CMp4Engine();

    // The container for a path: "mp4", "mov" or "matroska"; empty for any
    // other extension.
    static std::string ContainerFor(const std::string& path);
    // Whether this FFmpeg has the encoders the engine needs.
    static bool Available(std::string* why = nullptr);

    // The codecs, sound rate and sound bit rate of a format for screens;
    // HD 720p's (all share them) unless set.
    void SetFormatRow(const SFormatRow& row) { m_row = &row; }
    // The picture size (0 x 0: the source's) and frame rate (0: the
    // source's).
    void SetVideoFormat(int width, int height, double frameRate);
    // libx264's rate factor, 0 (lossless) to 51; 20 by default, which
    // camera photographs show without visible loss.
    void SetQuality(int crf) { m_crf = crf; }
    void SetPreset(std::string preset) { m_preset = std::move(preset); }
    // Encoder threads; 0 leaves the choice to libx264, which counts the cores.
    void SetThreads(int threads) { m_threads = threads; }

    int Encode(IVideoSrc* video, IAudioSrc* audio, const std::string& path,
               IProgress* progress) override;
    [[nodiscard]] std::string GetErrorText() const override { return m_error; }

private:
    int Fail(std::string text);

    const SFormatRow* m_row;
    int m_width = 0;
    int m_height = 0;
    double m_frameRate = 0;
    int m_crf = 20;
    int m_threads = 0;
    std::string m_preset = "veryfast";
    std::string m_error;
};
