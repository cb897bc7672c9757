#include "media/QtVidDecoder.h"

#include "media/TextException.h"

void PLQtVidDecoder::OpenPath(const std::string& path) {
    std::string why;
    if (!CFfVideo::CanRead(path, why))
        throw PLTextException(PL_ERRFORMAT_NOT_SUPPORTED, "QuickTime: OpenMovieFile error: " + why);
    if (!m_video.Open(path))
        throw PLTextException(PL_ERRFORMAT_NOT_SUPPORTED,
                              "QuickTime: NewMovieFromFile error: " + m_video.GetError());
    TakeInfo();
}
