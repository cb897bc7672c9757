#pragma once

#include "media/ExifRecord.h"
#include "media/PicDecoder.h"

#include <memory>

// JPEG through libjpeg-turbo. With a requested size the picture is decoded at
// 1/2, 1/4 or 1/8 of its size (the library's DCT scaling), never below the
// request unless the picture itself is smaller. The EXIF orientation is applied,
// so the decoder reports and delivers the upright picture. Output is 32-bit
// blue, green, red with alpha 255.
class PLJPEGDecoder : public PLPicDecoder {
public:
    PLJPEGDecoder();
    ~PLJPEGDecoder() override;
    bool GetExif(CExifRecord& record) override;
    void Close() override;
    void Open(PLDataSource* source) override;
    void ReadImage(PLBmp& bmp) override;

    // The reduction 1, 2, 4 or 8 chosen by Open.
    [[nodiscard]] int GetScale() const { return m_scale; }

private:
    struct SState;
    std::unique_ptr<SState> m_state;
    CExifRecord m_exif;
    bool m_hasExif = false;
    int m_scale = 1;
    int m_orientation = 1;
};
