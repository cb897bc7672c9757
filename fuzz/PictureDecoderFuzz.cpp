// Feeds arbitrary bytes to the picture decoders through PLAnyPicDecoder, as
// a memory source. The first byte picks a requested size (so JPEG's reduced
// decoding is reached too); the rest is the file.
#include "fuzz/FuzzTargets.h"
#include "media/AnyPicDecoder.h"
#include "media/TextException.h"

namespace {

// Pictures whose header asks for more pixels are opened but not decoded. A
// header of a few bytes may claim anything up to the decoders' own cap of
// 2^28 pixels, and clearing a gigabyte under the sanitizers takes longer than
// a fuzz run can spend on one input; the pixel reads are the same at any size.
constexpr long long kMaxFuzzPixels = 1LL << 22;

} // namespace

int kvfuzz::PictureDecoder(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    int request = data[0] * 8;
    PLMemSource source;
    source.Open(data + 1, size - 1);
    PLAnyPicDecoder dec;
    dec.SetRequestedSize(request, request);
    PLAnyBmp bmp;
    try {
        // What DecodeMemory does, with the size looked at between the steps.
        dec.Open(&source);
        if (static_cast<long long>(dec.GetWidth()) * dec.GetHeight() <= kMaxFuzzPixels)
            dec.DecodeTo(&bmp, 32);
    } catch (const PLTextException&) {
    }
    dec.Close();
    return 0;
}
