// Feeds arbitrary bytes to the picture decoders through PLAnyPicDecoder, as
// a memory source. The first byte picks a requested size (so JPEG's reduced
// decoding is reached too); the rest is the file.
#include "media/AnyPicDecoder.h"
#include "media/TextException.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    int request = data[0] * 8;
    PLAnyPicDecoder dec;
    dec.SetRequestedSize(request, request);
    PLAnyBmp bmp;
    try {
        dec.DecodeMemory(data + 1, size - 1, &bmp, 32);
    } catch (const PLTextException&) {
    }
    return 0;
}
