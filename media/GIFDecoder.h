#pragma once

#include "media/PicDecoder.h"

#include <vector>

// GIF through giflib: the first picture of the file on its logical screen, as
// an 8-bit paletted bitmap. The transparent colour has alpha 0 in the palette;
// screen pixels the picture does not cover take the transparent colour (or the
// background colour when there is none).
class PLGIFDecoder : public PLPicDecoder {
public:
    ~PLGIFDecoder() override { Close(); }
    void Close() override;
    void Open(PLDataSource* source) override;
    void ReadImage(PLBmp& bmp) override;

private:
    std::vector<std::uint8_t> m_pixels; // the screen's indices, decoded by Open
    CPictureBudget::CCharge m_charge;   // for them
    std::vector<PLPixel32> m_palette;
};
