#pragma once

#include "encode/MpgEncodeEngine.h"

class CVideoFilter;

// The built-in MPEG engine: a graph of a video encoder element, a sound
// encoder element and the multiplexer, over FFmpeg's encoders and MPEG
// program stream muxers. Without video and with linear PCM sound it writes a
// WAV file instead.
class CMcMpgEngine final : public CMpgEncodeEngine {
public:
    // Also chooses the preset (see MpgPreset.h) and the PAL flag, which is 1
    // only for pal == 1.
    void SetFormat(int format, int pal, int wide) override;

    int Encode(IVideoSrc* video, IAudioSrc* audio, const std::string& path,
               IProgress* progress) override;
    // The same with an already encoded MPEG video elementary stream file as
    // the pictures; they are multiplexed unchanged with the sound.
    int EncodeFile(const std::string& videoFile, IAudioSrc* audio, const std::string& path,
                   IProgress* progress);
    [[nodiscard]] std::string GetErrorText() const override { return m_error; }

    [[nodiscard]] int GetPreset() const { return m_preset; }
    [[nodiscard]] int GetPalFlag() const { return m_palFlag; }

private:
    int RunGraph(CVideoFilter* video, IAudioSrc* audio, const std::string& path,
                 IProgress* progress);
    int WriteWav(IAudioSrc* audio, const std::string& path, IProgress* progress);
    int Fail(std::string text);

    int m_preset = 4;
    int m_palFlag = 0;
    std::string m_error;
};
