#include "media/MpgVidDecoder.h"

#include "media/TextException.h"

void PLMpgVidDecoder::OpenPath(const std::string& path) {
    const std::string text = "McMpeg cannot open: ";
    int width = 0, height = 0;
    std::string why;
    if (!CFfVideo::ProbeSize(path, width, height, why))
        throw PLTextException(PL_ERRINTERNAL, text + why);
    bool half = m_RequestedWidth >= 1 && m_RequestedHeight >= 1 &&
                m_RequestedWidth <= width / 2 && m_RequestedHeight <= height / 2;
    if (!m_video.Open(path, half))
        throw PLTextException(PL_ERRINTERNAL, text + m_video.GetError());
    TakeInfo();
}

bool PLMpgVidDecoder::GetAspectRatio(double& width, double& height) {
    bool mpeg2 = false;
    int code = m_video.GetMpegAspectCode(mpeg2);
    double w = 0, h = 0;
    if (mpeg2) {
        switch (code) {
        case 1: w = 1; h = 1; break;
        case 2: w = 4; h = 3; break;
        case 3: w = 16; h = 9; break;
        case 4: w = 2.21; h = 1; break;
        default: return false;
        }
    } else {
        switch (code) {
        case 3: case 6: w = 16; h = 9; break;
        case 8: case 12: w = 4; h = 3; break;
        default: return false;
        }
    }
    width = w;
    height = h;
    return true;
}
