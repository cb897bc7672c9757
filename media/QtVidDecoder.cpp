#include "media/QtVidDecoder.h"

#include "base/InputFile.h"
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
    if (!InputFile::Check(path, why))
        throw PLTextException(PL_ERRFORMAT_NOT_SUPPORTED, "QuickTime: OpenMovieFile error");
    if (!m_video.Open(path))
        throw PLTextException(PL_ERRFORMAT_NOT_SUPPORTED, "QuickTime: NewMovieFromFile error");
    TakeInfo();
}
