#pragma once

#include "media/PicDecoder.h"

// PNG through libpng: every colour type and depth arrives as 32-bit blue,
// green, red, alpha; transparency (alpha channel or tRNS) becomes alpha.
class PLPNGDecoder : public PLPicDecoder {
public:
    ~PLPNGDecoder() override { Close(); }
    void Open(PLDataSource* source) override;
    void ReadImage(PLBmp& bmp) override;
};
