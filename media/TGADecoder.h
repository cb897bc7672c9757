#pragma once

#include "media/PicDecoder.h"

// Targa: colour-mapped (1, 9), true-colour (2, 10) and grey (3, 11) pictures,
// raw or run-length, 8/15/16/24/32 bits. Output is 32-bit; 32-bit pixels (and
// 16-bit pixels whose descriptor counts an attribute bit) keep their alpha.
class PLTGADecoder : public PLPicDecoder {
public:
    ~PLTGADecoder() override { Close(); }
    void Open(PLDataSource* source) override;
    void ReadImage(PLBmp& bmp) override;

private:
    std::uint8_t m_header[18] = {};
    std::size_t m_start = 0;
};
