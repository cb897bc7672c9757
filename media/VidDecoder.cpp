#include "media/VidDecoder.h"

#include "media/TextException.h"

#include <cstring>

void PLVidDecoder::Close() {
    m_video.Close();
    m_Width = m_Height = m_bpp = 0;
    PLPicDecoder::Close();
}

void PLVidDecoder::Open(PLDataSource* source) {
    Close();
    if (!source)
        throw PLTextException(PL_ERRFORMAT_NOT_SUPPORTED, "Empty Filename");
    OpenPath(source->GetName());
    PLPicDecoder::Open(source);
}

bool PLVidDecoder::OpenFile2(const std::string& path) {
    m_openError.clear();
    try {
        OpenByName(path);
        return true;
    } catch (const PLTextException& e) {
        Close();
        m_openError = e.what();
        return false;
    }
}

void PLVidDecoder::TakeInfo() {
    m_Width = m_video.GetWidth();
    m_Height = m_video.GetHeight();
    m_bpp = 32;
    m_bAlphaChannel = false;
    m_bIsGreyscale = false;
    m_XRes = m_YRes = 0;
}

double PLVidDecoder::GetDuration() {
    double rate = GetFrameRate();
    return rate > 0 ? double(GetFrameCount()) / rate : 0.0;
}

const std::uint8_t* PLVidDecoder::GetFrame(std::int64_t index, int& stride) {
    return m_video.GetFrame(index, BottomUp(), stride);
}

const std::uint8_t* PLVidDecoder::GetFrameAtTime(double seconds, int& stride) {
    stride = 0;
    double duration = GetDuration();
    if (duration <= 0)
        return nullptr;
    return GetFrame(std::int64_t(seconds * double(GetFrameCount()) / duration + 0.5), stride);
}

bool PLVidDecoder::GetAspectRatio(double& width, double& height) {
    int num = 0, den = 0;
    if (!m_video.GetDisplayAspect(num, den))
        return false;
    width = num;
    height = den;
    return true;
}

void PLVidDecoder::ReadImage(PLBmp& bmp) {
    double duration = GetDuration();
    if (duration <= 0)
        throw PLTextException(PL_ERRFORMAT_NOT_SUPPORTED, "NULL video");
    int stride = 0;
    const std::uint8_t* frame = GetFrameAtTime(duration < 1.0 ? 0.0 : 1.0, stride);
    if (!frame)
        throw PLTextException(PL_ERRINTERNAL, "GetVideoFrameAtTime failed.");
    if (bmp.GetWidth() != m_Width || bmp.GetHeight() != m_Height || bmp.GetBitsPerPixel() != 32)
        throw PLTextException(PL_ERRFORMAT_NOT_SUPPORTED, kTextDepthMismatch);
    // Picture row y of the frame: from the top row, stepping by the stride.
    std::size_t pitch = std::size_t(m_Width) * 4;
    const std::uint8_t* top = stride < 0 ? frame + std::size_t(-stride) * (m_Height - 1) : frame;
    for (int y = 0; y < m_Height; ++y)
        std::memcpy(bmp.GetLineArray()[y], top + std::ptrdiff_t(y) * stride, pitch);
}
