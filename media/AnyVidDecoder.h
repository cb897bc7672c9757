#pragma once

#include "media/VidDecoder.h"

#include <memory>

// Chooses a video decoder by the file's container and forwards every
// operation to it; answers null or 0 while none is open.
class PLAnyVidDecoder : public PLVidDecoder {
public:
    ~PLAnyVidDecoder() override { Close(); }
    void Close() override;
    void ReadImage(PLBmp& bmp) override;
    void SetRequestedSize(int width, int height) override;
    const std::uint8_t* GetFrameAtTime(double seconds, int& stride) override;
    const std::uint8_t* GetFrame(std::int64_t index, int& stride) override;
    double GetFrameRate() override;
    double GetDuration() override;
    bool HasAudio() override;
    std::int64_t GetFrameCount() override;
    bool GetAspectRatio(double& width, double& height) override;

    // The decoder in use, or null.
    [[nodiscard]] PLVidDecoder* GetDecoder() const { return m_dec.get(); }

protected:
    void OpenPath(const std::string& path) override;

private:
    std::unique_ptr<PLVidDecoder> m_dec;
};
