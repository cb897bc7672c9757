#include "media/DxVidDecoder.h"

#include "media/TextException.h"

void PLDxVidDecoder::OpenPath(const std::string& path) {
    if (!m_video.Open(path))
        throw PLTextException(PL_ERRINTERNAL, "DShow Error: " + m_video.GetError());
    TakeInfo();
}

const std::uint8_t* PLDxVidDecoder::GetFrameAtTime(double seconds, int& stride) {
    stride = 0;
    double duration = GetDuration();
    if (duration <= 0 || seconds < 0 || seconds > duration)
        return nullptr;
    std::int64_t index = std::int64_t(seconds * double(GetFrameCount()) / duration);
    // The end itself shows the last frame.
    return GetFrame(std::min(index, GetFrameCount() - 1), stride);
}
