#pragma once

#include "media/PicDecoder.h"

// TIFF through libtiff, read from the source's current position to its end
// (so that an EPS file's preview can be read in place). The first directory
// arrives as 32-bit blue, green, red, alpha; extra alpha samples become alpha.
class PLTIFFDecoder : public PLPicDecoder {
public:
    ~PLTIFFDecoder() override { Close(); }
    void Close() override;
    void Open(PLDataSource* source) override;
    void ReadImage(PLBmp& bmp) override;

    // Limits the bytes read to `length` from the current position (0: to the end).
    void SetLength(std::size_t length) { m_length = length; }

private:
    const std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_length = 0;
};
