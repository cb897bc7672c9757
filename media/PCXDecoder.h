#pragma once

#include "media/PicDecoder.h"

// PCX: 1 bit × 1 plane, 1 bit × 4 planes (16 colours), 8 bits × 1 plane
// (256-colour palette at the end) and 8 bits × 3 or 4 planes. Output is 32-bit.
class PLPCXDecoder : public PLPicDecoder {
public:
    ~PLPCXDecoder() override { Close(); }
    void Open(PLDataSource* source) override;
    void ReadImage(PLBmp& bmp) override;

private:
    std::uint8_t m_header[128] = {};
    std::size_t m_start = 0;
};
