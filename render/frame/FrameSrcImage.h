#pragma once

#include "render/frame/FrameSrc.h"

#include <cstdint>
#include <functional>
#include <string>

class PLPicDecoder;
class PLAnyPicDecoder;
class PLBmp;
class PLAnyBmp;

// A still picture as a clip source. The picture is kept premultiplied, reduced
// to the maximum decode size; the prepared view is a margin buffer holding the
// adjusted crop at (40, 40) inside a 40-pixel transparent border, so the
// warp's smooth edge fades the picture's own edges out.
class CFrameSrcImage final : public CFrameSrc {
public:
    static constexpr int kMargin = 40;

    CFrameSrcImage() = default;
    CFrameSrcImage(const CFrameSrcImage&) = delete;
    CFrameSrcImage& operator=(const CFrameSrcImage&) = delete;
    ~CFrameSrcImage() override;

    // Takes decoded 32-bit pixels (top-down rows, not premultiplied), reduced
    // to fit maxWidth x maxHeight when larger (0 for no limit), with an
    // adjustment; the crop starts as the whole picture.
    bool LoadPixels(const std::uint8_t* bgra, int width, int height, int stride, int maxWidth,
                    int maxHeight, bool autoLevel = false, double brightness = 0,
                    double contrast = 0);
    // Decodes a picture file (any format the picture decoders read); the
    // decoder is asked for no more than the maximum size where the format can
    // reduce while decoding. False when it cannot be decoded.
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

    // Draft decoding for the following loads: where a decoder can give a
    // reduced picture much faster at a small loss (colour detail of a
    // progressive JPEG at one eighth), it does. For previews.
    void SetDraft(bool draft) { m_draft = draft; }

    // A new adjustment: brightness and contrast in [-1, 1], or automatic levels.
    bool SetAdjust(bool autoLevel, double brightness, double contrast);
    bool SetCropRect(const SRect& rect) override;

private:
    // Decodes through the picture decoders; a picture that cannot be decoded
    // is reported to CMediaWarnings under name with the decoder's reason.
    bool Decode(const std::string& name,
                const std::function<void(PLAnyPicDecoder&, PLAnyBmp&)>& decode, int maxWidth,
                int maxHeight, bool autoLevel, double brightness, double contrast);
    bool LoadBitmap(PLBmp& bmp, int maxWidth, int maxHeight, bool autoLevel, double brightness,
                    double contrast);
    bool Prepare();
    bool AutoLevel(std::uint8_t* first, int stride, int width, int height);
    void ContrastLight(std::uint8_t* first, int stride, int width, int height);

    std::uint8_t* m_picture = nullptr;
    int m_pictureStride = 0;
    std::uint8_t* m_margin = nullptr;
    int m_marginStride = 0;
    int m_marginWidth = 0;
    int m_marginHeight = 0;
    bool m_autoLevel = false;
    double m_brightness = 0;
    double m_contrast = 0;
    bool m_draft = false;
};
