#pragma once

#include "media/PicDecoder.h"

// The Netpbm grey and colour maps, plain ("P2", "P3") and raw ("P5", "P6"),
// with maximum values up to 65535. Output is 32-bit.
class PLPnmDecoder : public PLPicDecoder {
public:
    ~PLPnmDecoder() override { Close(); }
    void Open(PLDataSource* source) override;
    void ReadImage(PLBmp& bmp) override;

protected:
    // The two magic numbers the subclass reads ('2'/'5' or '3'/'6').
    PLPnmDecoder(char plain, char raw) : m_plain(plain), m_raw(raw) {}

private:
    // The next decimal number, skipping white space and comments.
    unsigned ReadNumber();

    char m_plain, m_raw;
    char m_kind = 0;
    unsigned m_max = 255;
    std::size_t m_dataPos = 0;
};

// Grey maps: "P2" and "P5".
class PLPGMDecoder : public PLPnmDecoder {
public:
    PLPGMDecoder() : PLPnmDecoder('2', '5') {}
};

// Colour maps: "P3" and "P6".
class PLPPMDecoder : public PLPnmDecoder {
public:
    PLPPMDecoder() : PLPnmDecoder('3', '6') {}
};
