#pragma once

#include "media/PicDecoder.h"

// Photoshop files: the flattened composite picture only, for grey, RGB and
// CMYK modes at 8 or 16 bits, raw or PackBits. A fourth RGB channel (second
// grey channel) is taken as alpha. Output is 32-bit.
class PLPSDDecoder : public PLPicDecoder {
public:
    ~PLPSDDecoder() override { Close(); }
    void Open(PLDataSource* source) override;
    void ReadImage(PLBmp& bmp) override;

private:
    int m_channels = 0;
    int m_depth = 8;
    int m_mode = 3;
    int m_compression = 0; // 0 raw, 1 PackBits
    int m_used = 0;        // the channels read: colour and alpha
    std::size_t m_dataPos = 0; // the compression field before the planes
};
