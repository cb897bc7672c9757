#pragma once

#include <cstdint>

struct SEffectRect;

// What the encoders read frames from: 32-bit pixels, bottom-up, at a size and
// frame rate the encoder chooses. CAlbumFrameSrc serves an album through it.
class IVideoSrc {
public:
    virtual ~IVideoSrc() = default;

    // Prepares frames of size[0] x size[1] at a frame rate; 0 when the size
    // or rate is not positive or nothing can be shown.
    virtual int SetOutputFormat(const int size[2], double pixelAspect, double frameRate,
                                int /*reserved*/, const SEffectRect* /*outputRect*/) {
        (void)size, (void)pixelAspect, (void)frameRate;
        return 1;
    }
    [[nodiscard]] virtual double GetFrameRate() = 0;
    virtual void GetFrameSize(int* width, int* height) = 0;
    [[nodiscard]] virtual int GetBitsPerPixel() { return 32; }
    [[nodiscard]] virtual unsigned int GetFrameCount() = 0;
    // The first row in memory of frame `frame` and the signed stride (negative:
    // bottom-up); null for a frame outside [0, GetFrameCount()).
    virtual const std::uint8_t* GetFrame(int frame, int* stride) = 0;
    // Length in seconds.
    [[nodiscard]] double GetDuration() {
        double rate = GetFrameRate();
        return rate > 0 ? GetFrameCount() / rate : 0.0;
    }
};
