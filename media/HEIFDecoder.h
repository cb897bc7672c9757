#pragma once

#include "media/ExifRecord.h"
#include "media/PicDecoder.h"

#include <memory>

// HEIF pictures (HEIC from phones, and AVIF) through libheif: the file's
// primary image, as 32-bit blue, green, red, alpha (straight alpha, as PNG
// delivers it; 255 where the picture has none). Deeper pictures are brought
// to 8 bits a channel.
//
// Orientation: libheif applies the container's rotation and mirror (the irot
// and imir properties) while decoding, and reports the size after them. That
// is the only turn applied. Such files often carry an EXIF orientation too,
// but for HEIF it is not to be followed: writers record in it the turn the
// container's properties already hold, so applying it as well would turn the
// picture twice.
//
// The picture decodes at full size whatever the request: libheif has no
// reduced decoding.
class PLHEIFDecoder : public PLPicDecoder {
public:
    PLHEIFDecoder();
    ~PLHEIFDecoder() override;
    bool GetExif(CExifRecord& record) override;
    void Close() override;
    void Open(PLDataSource* source) override;
    void ReadImage(PLBmp& bmp) override;

private:
    void ReadExif();

    struct SState;
    std::unique_ptr<SState> m_state;
    CExifRecord m_exif;
    bool m_hasExif = false;
};
