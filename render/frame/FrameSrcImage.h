#pragma once

#include "render/frame/FrameSrc.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CKeptPicture;
class PLPicDecoder;
class PLAnyPicDecoder;
class PLBmp;
class PLAnyBmp;

// A still picture as a clip source. The picture is kept premultiplied at the
// size it was decoded at, reduced only when it is more than twice what the
// decode box needs (CKeptPicture); sources that show the same file at the
// same size may share it. The prepared view is a margin buffer holding the
// adjusted crop at (40, 40) inside a 40-pixel transparent border, so the
// warp's smooth edge fades the picture's own edges out; the crop in it is
// resampled (Lanczos) to the prepared scale the warp asks for, so the warp
// itself works near scale 1.
class CFrameSrcImage final : public CFrameSrc {
public:
    static constexpr int kMargin = 40;

    CFrameSrcImage() = default;
    CFrameSrcImage(const CFrameSrcImage&) = delete;
    CFrameSrcImage& operator=(const CFrameSrcImage&) = delete;
    ~CFrameSrcImage() override;

    // Takes decoded 32-bit pixels (top-down rows, not premultiplied) with an
    // adjustment; the crop starts as the whole picture. maxWidth x maxHeight
    // is the decode box (0 for none): the picture is kept as it comes up to
    // twice the size fitted inside the box (covering it, see SetCoverBox) and
    // reduced to that when larger.
    bool LoadPixels(const std::uint8_t* bgra, int width, int height, int stride, int maxWidth,
                    int maxHeight, bool autoLevel = false, double brightness = 0,
                    double contrast = 0);
    // Decodes a picture file (any format the picture decoders read); where the
    // format can reduce while decoding, the decoder is asked for no more than
    // the decode box needs. False when it cannot be decoded.
    bool Load(const std::string& path, int maxWidth, int maxHeight, bool autoLevel = false,
              double brightness = 0, double contrast = 0);
    // The same from a picture file's bytes; name is the file the bytes come
    // from, for the report when they cannot be decoded.
    bool LoadFromMemory(const std::uint8_t* bytes, std::size_t length, int maxWidth, int maxHeight,
                        bool autoLevel = false, double brightness = 0, double contrast = 0,
                        const std::string& name = {});
    // A built-in sample picture (opaque, no adjustment). The program has one:
    // every id draws it.
    bool LoadSample(int id);
    // Shows a picture another source decoded (shared with it), with an
    // adjustment; the crop starts as the whole picture.
    bool Show(std::shared_ptr<const CKeptPicture> picture, bool autoLevel = false,
              double brightness = 0, double contrast = 0);
    // The picture shown (null before a load), to share with other sources.
    [[nodiscard]] const std::shared_ptr<const CKeptPicture>& Picture() const { return m_picture; }

    // Draft decoding for the following loads: where a decoder can give a
    // reduced picture much faster at a small loss (colour detail of a
    // progressive JPEG at one eighth), it does. For previews.
    void SetDraft(bool draft) { m_draft = draft; }
    // Whether the following loads read the decode box as one the crop is
    // stretched to cover (both sides at least the box's) rather than one it
    // is fitted inside.
    void SetCoverBox(bool cover) { m_coverBox = cover; }
    // Whether a new picture, crop or adjustment is prepared at once (at the
    // scale last asked for, at first the picture's own), or only when a
    // scale is asked for or the view is needed (PrepareView). Clips prepare
    // on demand: most are drawn at another scale than the picture's own, so
    // a full-size view made at once would only take memory.
    void SetPrepareOnDemand(bool onDemand) { m_onDemand = onDemand; }

    // A new adjustment: brightness and contrast in [-1, 1], or automatic levels.
    bool SetAdjust(bool autoLevel, double brightness, double contrast);
    bool SetCropRect(const SRect& rect) override;
    // A few prepared sizes are kept: asking again for one of them shows it
    // without a new resample.
    bool SetPreparedScale(double x, double y) override;
    bool PrepareView() override;
    // How many prepared sizes were made so far (a kept one shown again is
    // not made again).
    [[nodiscard]] int PreparedSizesMade() const { return m_made; }

private:
    // Decodes through the picture decoders; a picture that cannot be decoded
    // is reported to CMediaWarnings under name with the decoder's reason.
    bool Decode(const std::string& name,
                const std::function<void(PLAnyPicDecoder&, PLAnyBmp&)>& decode, int maxWidth,
                int maxHeight, bool autoLevel, double brightness, double contrast);
    // A new crop or adjustment: measures the crop for automatic levels and
    // prepares it again.
    bool Prepare();
    // Resamples the crop into the margin buffer at the wanted scale and
    // adjusts it.
    bool PrepareScaled();
    // Shows the kept size in slot, of w x h prepared pixels inside the margin.
    void Show(std::size_t slot, int w, int h);
    // The channel ranges automatic levels stretch, measured on the crop.
    bool MeasureLevels(const std::uint8_t* first, int stride, int width, int height);
    void StretchLevels(std::uint8_t* first, int stride, int width, int height) const;
    void ContrastLight(std::uint8_t* first, int stride, int width, int height);
    // The prepared crop size for the wanted scale.
    void ScaledSize(int& width, int& height) const;

    // Frees every kept prepared size.
    void DropPreparedSizes();

    // A prepared crop in its margin buffer. A few sizes are kept, so that a
    // zoom that passes through them again, or sizes made ahead on the loader
    // thread, need no new resample on the render thread.
    struct SPreparedSize {
        std::uint8_t* bits = nullptr;
        int stride = 0, width = 0, height = 0; // the margin buffer's
        std::uint64_t used = 0;                // when it was last shown
    };
    static constexpr std::size_t kKeptSizes = 4;

    // Read only: other sources may show it too.
    std::shared_ptr<const CKeptPicture> m_picture;
    std::vector<SPreparedSize> m_sizes;
    int m_current = -1; // the size the prepared view shows
    std::uint64_t m_uses = 0;
    int m_made = 0;
    bool m_autoLevel = false;
    double m_brightness = 0;
    double m_contrast = 0;
    bool m_draft = false;
    bool m_coverBox = false;
    bool m_onDemand = false;
    double m_wantX = 1.0, m_wantY = 1.0;
    int m_low[3] = {0, 0, 0}, m_high[3] = {0, 0, 0};
};
