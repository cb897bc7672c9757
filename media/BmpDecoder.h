#pragma once

#include "media/PicDecoder.h"

// Windows and OS/2 bitmaps ("BM", and the first bitmap of an OS/2 array "BA"):
// 1, 4, 8, 16, 24 and 32 bits, uncompressed, run-length (4 and 8 bits) or with
// bit fields. Output is 32-bit; 32-bit pictures with bit fields that name an
// alpha mask keep their alpha. OS/2 icons and pointers fail with code 12.
class PLBmpDecoder : public PLPicDecoder {
public:
    ~PLBmpDecoder() override { Close(); }
    void Open(PLDataSource* source) override;
    void ReadImage(PLBmp& bmp) override;

private:
    std::size_t m_base = 0;      // where the file header starts in the source
    std::size_t m_bitsOffset = 0;
    int m_srcBpp = 0;
    int m_compression = 0;
    bool m_bottomUp = true;
    int m_colours = 0;
    std::size_t m_paletteOffset = 0;
    int m_paletteEntryBytes = 4;
    std::uint32_t m_masks[4] = {};
};
