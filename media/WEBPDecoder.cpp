#include "media/WEBPDecoder.h"

#include "media/ByteOrder.h"
#include "media/ExifOrientation.h"
#include "media/TextException.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

struct SDemuxDeleter {
    void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};
struct SAnimDeleter {
    void operator()(WebPAnimDecoder* d) const { WebPAnimDecoderDelete(d); }
};

const char* StatusText(VP8StatusCode status) {
    switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY: return "out of memory";
    case VP8_STATUS_INVALID_PARAM: return "invalid parameter";
    case VP8_STATUS_BITSTREAM_ERROR: return "damaged data";
    case VP8_STATUS_UNSUPPORTED_FEATURE: return "unsupported feature";
    case VP8_STATUS_NOT_ENOUGH_DATA: return "data ended early";
    default: return "cannot decode the picture";
    }
}

} // namespace

bool PLWEBPDecoder::GetExif(CExifRecord& record) {
    if (!m_hasExif)
        return false;
    record = m_exif;
    return true;
}

void PLWEBPDecoder::Close() {
    m_exif.Clear();
    m_hasExif = false;
    m_animated = false;
    m_scale = 1;
    m_orientation = 1;
    m_storedWidth = m_storedHeight = 0;
    PLPicDecoder::Close();
}

// A decode that failed: the data ended early when the RIFF header promises
// more bytes than the source holds, else the picture is damaged or of a kind
// libwebp does not serve.
void PLWEBPDecoder::RaiseDecodeError(const char* what) const {
    std::size_t size = m_pDataSrc->GetBytesLeft();
    const std::uint8_t* data = m_pDataSrc->GetBufferPtr(size);
    if (size < 12 || std::size_t(GetLE32(data + 4)) + 8 > size)
        throw PLTextException(PL_ERREND_OF_FILE, kTextEndOfFile);
    throw PLTextException(PL_ERRINTERNAL, std::string("WebP: ") + what + ".");
}

void PLWEBPDecoder::Open(PLDataSource* source) {
    Close();
    PLPicDecoder::Open(source);
    const std::size_t size = source->GetBytesLeft();
    const std::uint8_t* data = source->GetBufferPtr(size);
    WebPBitstreamFeatures features{};
    VP8StatusCode status = WebPGetFeatures(data, size, &features);
    if (status == VP8_STATUS_NOT_ENOUGH_DATA)
        throw PLTextException(PL_ERREND_OF_FILE, kTextEndOfFile);
    if (status != VP8_STATUS_OK)
        throw PLTextException(PL_ERRINTERNAL, std::string("WebP: ") + StatusText(status) + ".");
    // For an animation the size is that of its canvas.
    PLCheckPictureSize(features.width, features.height);

    // The EXIF chunk of the extended format. A file the demuxer cannot
    // take apart has none as far as we can tell; decoding it reports why.
    WebPData whole{data, size};
    if (std::unique_ptr<WebPDemuxer, SDemuxDeleter> demux{WebPDemux(&whole)}) {
        WebPChunkIterator chunk{};
        if (WebPDemuxGetChunk(demux.get(), "EXIF", 1, &chunk)) {
            m_hasExif = m_exif.ReadTiff(chunk.chunk.bytes, chunk.chunk.size);
            WebPDemuxReleaseChunkIterator(&chunk);
        }
    }
    m_orientation = m_hasExif ? m_exif.GetOrientation() : 1;
    m_animated = features.has_animation != 0;

    const bool turned = SwapsSides(m_orientation);
    // The request is for the upright picture; compare it with the upright size.
    m_scale = m_animated ? 1
              : turned   ? RequestedReduction(features.height, features.width)
                         : RequestedReduction(features.width, features.height);
    m_storedWidth = (features.width + m_scale - 1) / m_scale;
    m_storedHeight = (features.height + m_scale - 1) / m_scale;
    m_Width = turned ? m_storedHeight : m_storedWidth;
    m_Height = turned ? m_storedWidth : m_storedHeight;
    m_bpp = 32;
    m_bAlphaChannel = features.has_alpha != 0;
    m_bIsGreyscale = false;
    m_XRes = m_YRes = 0;
}

void PLWEBPDecoder::ReadImage(PLBmp& bmp) {
    CheckTarget(bmp);
    // Upright pictures decode straight into the bitmap; others into a stored
    // copy that is turned afterwards.
    PLAnyBmp stored;
    PLBmp* target = &bmp;
    if (m_orientation != 1) {
        stored.Create(m_storedWidth, m_storedHeight, 32, m_bAlphaChannel, false);
        target = &stored;
    }
    if (m_animated)
        DecodeFirstFrame(*target);
    else
        DecodeStill(*target);
    if (m_orientation != 1)
        TurnUpright(stored, bmp, m_orientation);
}

void PLWEBPDecoder::DecodeStill(PLBmp& stored) {
    const std::size_t size = m_pDataSrc->GetBytesLeft();
    const std::uint8_t* data = m_pDataSrc->GetBufferPtr(size);
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        throw PLTextException(PL_ERRINTERNAL, "WebP: library version mismatch.");
    if (m_scale > 1) {
        config.options.use_scaling = 1;
        config.options.scaled_width = m_storedWidth;
        config.options.scaled_height = m_storedHeight;
    }
    // libwebp writes rows top-down with a positive stride; a bitmap stored
    // bottom-up is filled through its flip option from the lowest row.
    int step = 0;
    std::uint8_t* top = stored.GetTopDown(step);
    const int h = stored.GetHeight();
    config.output.colorspace = MODE_BGRA; // straight, not premultiplied, alpha
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = step >= 0 ? top : top + std::ptrdiff_t(h - 1) * step;
    config.output.u.RGBA.stride = std::abs(step);
    config.output.u.RGBA.size =
        std::size_t(std::abs(step)) * std::size_t(h - 1) + std::size_t(stored.GetWidth()) * 4;
    config.options.flip = step < 0;
    const VP8StatusCode status = WebPDecode(data, size, &config);
    WebPFreeDecBuffer(&config.output); // the memory is ours; this frees nothing else
    if (status != VP8_STATUS_OK)
        RaiseDecodeError(StatusText(status));
}

void PLWEBPDecoder::DecodeFirstFrame(PLBmp& stored) {
    const std::size_t size = m_pDataSrc->GetBytesLeft();
    WebPData whole{m_pDataSrc->GetBufferPtr(size), size};
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        throw PLTextException(PL_ERRINTERNAL, "WebP: library version mismatch.");
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    std::unique_ptr<WebPAnimDecoder, SAnimDeleter> anim{WebPAnimDecoderNew(&whole, &options)};
    if (!anim)
        RaiseDecodeError("cannot read the animation");
    WebPAnimInfo info{};
    std::uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetInfo(anim.get(), &info) || int(info.canvas_width) != m_storedWidth ||
        int(info.canvas_height) != m_storedHeight)
        RaiseDecodeError("the animation's canvas does not match its header");
    if (!WebPAnimDecoderGetNext(anim.get(), &canvas, &timestamp) || !canvas)
        RaiseDecodeError("cannot decode the animation's first frame");
    // The canvas is top-down, four bytes a pixel, rows without padding.
    const std::size_t rowBytes = std::size_t(m_storedWidth) * 4;
    std::uint8_t** rows = stored.GetLineArray();
    for (int y = 0; y < m_storedHeight; ++y)
        std::memcpy(rows[y], canvas + std::size_t(y) * rowBytes, rowBytes);
}
