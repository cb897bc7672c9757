#include "fuzz/FuzzTargets.h"

namespace kvfuzz {

std::span<const STarget> Targets() {
    static const STarget kTargets[] = {
        {"ProjectStreamFuzz", ProjectStream},
        {"TemplateFuzz", Template},
        {"PictureDecoderFuzz", PictureDecoder},
        {"AlbumJsonFuzz", AlbumJson},
        {"AudioDecoderFuzz", AudioDecoder},
    };
    return kTargets;
}

} // namespace kvfuzz
