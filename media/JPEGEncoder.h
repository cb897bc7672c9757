#pragma once

class PLBmp;
class PLDataSink;

// Encodes a 32-bit bitmap as a baseline JPEG through libjpeg: the library's
// defaults (quality 75), no optimised coding, no smoothing, the density taken
// from the bitmap's resolution. The fourth byte of each pixel is ignored.
class PLJPEGEncoder {
public:
    // Raises PLTextException (code 6 for a bitmap that is not 32-bit, 10 when
    // the sink takes no more bytes, 7 for library failures).
    void MakeFileFromBmp(PLDataSink& sink, const PLBmp& bmp);
};
