#pragma once

#include "media/FfVideo.h"
#include "media/PicDecoder.h"

#include <cstdint>
#include <string>

// The base of the video decoders: a clip behind the picture-decoder
// operations plus frame access. Frames are 32-bit blue, green, red, 255; a
// frame is the lowest-addressed row of its memory and a signed stride
// (negative when the rows lie bottom-up). The virtual operations continue the
// picture decoder's slot order.
class PLVidDecoder : public PLPicDecoder {
public:
    ~PLVidDecoder() override { PLVidDecoder::Close(); }
    void Close() override;
    // Opens the clip the source names (its name is the path).
    void Open(PLDataSource* source) override;
    // The poster picture: the frame at 1.0 s, or at 0 for clips shorter than
    // a second, copied upright into a 32-bit bitmap.
    void ReadImage(PLBmp& bmp) override;
    void SetRequestedSize(int width, int height) override {
        PLPicDecoder::SetRequestedSize(width, height);
    }
    virtual const std::uint8_t* GetFrameAtTime(double seconds, int& stride);
    virtual const std::uint8_t* GetFrame(std::int64_t index, int& stride);
    virtual double GetFrameRate() { return m_video.GetFrameRate(); }
    virtual double GetDuration();
    virtual bool HasAudio() { return m_video.HasAudio(); }
    virtual std::int64_t GetFrameCount() { return m_video.GetFrameCount(); }
    // The display aspect as two numbers; false when the clip gives none.
    virtual bool GetAspectRatio(double& width, double& height);
    // Opens by path; false instead of an error.
    virtual bool OpenFile2(const std::string& path);
    // The text of the error the last failed OpenFile2 turned into false
    // (empty after a success): what a warning about the clip should say.
    [[nodiscard]] const std::string& GetOpenError() const { return m_openError; }
    // Opens by path, raising the decoder's error.
    void OpenByName(const std::string& path) {
        Close();
        OpenPath(path);
    }

    // The core, for tests and benchmarks that look behind the decoder.
    [[nodiscard]] const CFfVideo& GetCore() const { return m_video; }

protected:
    // Opens the clip or raises this decoder's error.
    virtual void OpenPath(const std::string& path) = 0;
    // Whether frames are handed out bottom-up.
    [[nodiscard]] virtual bool BottomUp() const { return true; }
    // Takes the opened clip's size into the picture information.
    void TakeInfo();

    CFfVideo m_video;
    std::string m_openError;
};
