#pragma once

#include "media/ExifRecord.h"
#include "media/PicDecoder.h"

// WebP through libwebp: lossy and lossless pictures, with or without alpha,
// arrive as 32-bit blue, green, red, alpha (straight alpha, as PNG delivers
// it; 255 where the picture has none). An animation shows its first frame as
// composed on its canvas. With a requested size a still picture is scaled
// while decoding to 1/2, 1/4 or 1/8 of its size (rounded up), chosen as for
// JPEG pictures, so never below the request unless the picture itself is
// smaller; animations decode at full size. The orientation of the EXIF chunk
// is applied, so the decoder reports and delivers the upright picture.
class PLWEBPDecoder : public PLPicDecoder {
public:
    ~PLWEBPDecoder() override { Close(); }
    bool GetExif(CExifRecord& record) override;
    void Close() override;
    void Open(PLDataSource* source) override;
    void ReadImage(PLBmp& bmp) override;

    // The reduction 1, 2, 4 or 8 chosen by Open.
    [[nodiscard]] int GetScale() const { return m_scale; }

private:
    void DecodeStill(PLBmp& stored);
    void DecodeFirstFrame(PLBmp& stored);
    [[noreturn]] void RaiseDecodeError(const char* what) const;

    CExifRecord m_exif;
    bool m_hasExif = false;
    bool m_animated = false;
    int m_scale = 1;
    int m_orientation = 1;
    int m_storedWidth = 0; // the size libwebp delivers, before the orientation
    int m_storedHeight = 0;
};
