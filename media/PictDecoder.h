#pragma once

#include "media/PicDecoder.h"

#include <vector>

// Macintosh PICT files: the first bitmap or pixmap of the picture (opcodes
// BitsRect, BitsRgn, PackBitsRect, PackBitsRgn, DirectBitsRect, DirectBitsRgn)
// at 1, 2, 4, 8, 16 and 32 bits. Drawing opcodes before it that carry no
// pixels are skipped; any other opcode fails with code 12. Output is 32-bit.
class PLPictDecoder : public PLPicDecoder {
public:
    ~PLPictDecoder() override { Close(); }
    void Open(PLDataSource* source) override;
    void ReadImage(PLBmp& bmp) override;

private:
    void ReadPixmapHeader(bool direct);
    // The unpacked row length and whether rows are packed; refuses rows too
    // short for their pixels and data too short for the rows.
    void PrepareRows();

    int m_version = 2;
    int m_rowBytes = 0;
    int m_pixelSize = 1;
    int m_packType = 0;
    int m_cmpCount = 1;
    std::vector<PLPixel32> m_palette;
    std::size_t m_dataPos = 0;
    std::size_t m_unpackedRow = 0;
    bool m_packed = false;
};
