#include "media/QtVidDecoder.h"

#include "media/TextException.h"

#include <atomic>
#include <cstdio>

namespace {
std::atomic<int> g_version{0x07000000};
}

int PLQtVidDecoder::GetVersion() { return g_version.load(); }
void PLQtVidDecoder::SetVersion(int version) { g_version.store(version); }

void PLQtVidDecoder::OpenPath(const std::string& path) {
    std::string why;
    if (!CFfVideo::CanRead(path, why))
        throw PLTextException(PL_ERRFORMAT_NOT_SUPPORTED, "QuickTime: OpenMovieFile error: " + why);
    if (!m_video.Open(path))
        throw PLTextException(PL_ERRFORMAT_NOT_SUPPORTED,
                              "QuickTime: NewMovieFromFile error: " + m_video.GetError());
    TakeInfo();
}
