#pragma once

// Measuring how faithfully the clip pipeline draws a picture: generated
// pictures with fine detail, references resampled by libswscale from the
// full-resolution picture, and luma PSNR between the two.

#include <cstdint>
#include <vector>

class CFrameSrcImage;

namespace QualityKit {

// A top-down BGRA picture, rows packed.
struct SPicture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> bgra;

    SPicture() = default;
    SPicture(int w, int h) : width(w), height(h), bgra(std::size_t(w) * std::size_t(h) * 4) {}
    [[nodiscard]] std::uint8_t* Row(int y) {
        return bgra.data() + std::size_t(y) * std::size_t(width) * 4;
    }
    [[nodiscard]] const std::uint8_t* Row(int y) const {
        return bgra.data() + std::size_t(y) * std::size_t(width) * 4;
    }
};

// A rectangle in whole pixels.
struct SBox {
    int x = 0, y = 0, width = 0, height = 0;
};

// A photo-like texture: octaves of smooth noise with a natural picture's 1/f
// spectrum in three colours, hard-edged discs and fine detail down to the
// pixel.
SPicture MakeTexture(int width, int height);
// A grey zone plate: rings whose frequency grows from the centre to half the
// sampling rate at the nearer edge. Any resampler that lets fine detail fold
// back shows it as rings that are not in the picture.
SPicture MakeZonePlate(int width, int height);

// The part of a picture that a frame of frameWidth x frameHeight pixels,
// pixelAspect wide, shows at a zoom over the largest centred window of the
// frame's shape, moved right by pan pixels.
SBox FrameWindow(const SPicture& picture, int frameWidth, int frameHeight, double pixelAspect,
                 double zoom, int pan = 0);

// libswscale resamples the part window of a picture to width x height with
// the given filter flags (SWS_LANCZOS, SWS_AREA …).
SPicture Resample(const SPicture& picture, const SBox& window, int width, int height, int flags);

// Writes a picture as a binary PPM file, to look at; false when it cannot.
bool SavePpm(const SPicture& picture, const char* path);

// Luma PSNR of the part box of a against the same part of b (99 when equal).
double LumaPsnr(const SPicture& a, const SPicture& b, const SBox& box);
// The low-frequency part of the luma difference: the RMS of its averages over
// 8 x 8 blocks inside box. Fine-detail errors average out; the rings of
// folded-back detail do not.
double LowFrequencyError(const SPicture& a, const SPicture& b, const SBox& box);

// Draws a source through a clip pipeline into an opaque black frame so that
// the window of the full-resolution picture (fullWidth x fullHeight, of which
// the source holds a reduction) lands exactly on the frame rectangle target,
// as a resampler from the full picture would put it. The pipeline lives as
// long as the rig, so a sequence of frames sees its caches and prepared
// sizes as an album's frames do.
class CRig {
public:
    CRig(CFrameSrcImage& source, int fullWidth, int fullHeight, int frameWidth, int frameHeight,
         double pixelAspect);
    ~CRig();
    CRig(const CRig&) = delete;
    CRig& operator=(const CRig&) = delete;

    // False when the pipeline fails.
    bool Draw(const SBox& window, const SBox& target, SPicture& frame);

private:
    struct SState;
    SState* m_state;
};

} // namespace QualityKit
