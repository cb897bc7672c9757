#include "base/LruCache.h"

extern "C" {
#include <libavutil/md5.h>
}

SDigest Md5Digest(const void* data, std::size_t size) {
    SDigest digest{};
    av_md5_sum(digest.data(), static_cast<const std::uint8_t*>(data), size);
    return digest;
}
