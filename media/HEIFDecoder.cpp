#include "media/HEIFDecoder.h"

#include "media/ByteOrder.h"
#include "media/TextException.h"

#include <libheif/heif.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// libheif is set up once for the process (its decoder plug-ins registered)
// and left so until exit: decoders on several threads share it.
void InitLibheifOnce() {
    static const bool done = [] {
        heif_init(nullptr);
        return true;
    }();
    (void)done;
}

// The decoder error for a libheif failure. Data that ends early is code 11;
// a coding the build has no decoder for (HEVC without libde265, say) is
// code 12; a picture beyond libheif's size limits, code 10.
[[noreturn]] void Raise(const heif_error& error) {
    if (error.subcode == heif_suberror_End_of_data)
        throw PLTextException(PL_ERREND_OF_FILE, kTextEndOfFile);
    if (error.code == heif_error_Unsupported_feature &&
        error.subcode == heif_suberror_Unsupported_codec)
        throw PLTextException(PL_ERRFORMAT_NOT_COMPILED, kTextNotCompiled);
    if (error.code == heif_error_Memory_allocation_error ||
        error.subcode == heif_suberror_Security_limit_exceeded)
        throw PLTextException(PL_ERRNO_MEMORY, kTextNoMemory);
    throw PLTextException(PL_ERRINTERNAL,
                          std::string("HEIF: ") + (error.message ? error.message : "error") + ".");
}

void Check(const heif_error& error) {
    if (error.code != heif_error_Ok)
        Raise(error);
}

// Whether the file's top-level boxes run past the end of the bytes there
// are: a file cut short. libheif reads such a file as far as its boxes are
// whole and then misses what was cut off ("No 'meta' box"), so the cut is
// told from the box sizes.
bool BoxesRunPastEnd(const std::uint8_t* data, std::size_t size) {
    std::size_t pos = 0;
    while (size - pos >= 8) {
        std::uint64_t boxSize = GetBE32(data + pos);
        if (boxSize == 1) { // a 64-bit size follows the type
            if (size - pos < 16)
                return true;
            boxSize = std::uint64_t(GetBE32(data + pos + 8)) << 32 | GetBE32(data + pos + 12);
        } else if (boxSize == 0) { // the last box, to the end of the file
            return false;
        }
        if (boxSize < 8)
            return false; // damaged, not cut
        if (boxSize > size - pos)
            return true;
        pos += std::size_t(boxSize);
    }
    return pos < size; // part of a box header
}

// EXIF blocks above this size are not read (the main directory lies in the
// first 64 KiB anyway).
constexpr std::size_t kMaxExifBytes = 1 << 20;

} // namespace

// The context reads the source's bytes in place: they stay mapped until Close.
struct PLHEIFDecoder::SState {
    heif_context* context = nullptr;
    heif_image_handle* handle = nullptr;

    SState() : context(heif_context_alloc()) {}
    SState(const SState&) = delete;
    SState& operator=(const SState&) = delete;
    ~SState() {
        if (handle)
            heif_image_handle_release(handle);
        if (context)
            heif_context_free(context);
    }
};

PLHEIFDecoder::PLHEIFDecoder() { InitLibheifOnce(); }
PLHEIFDecoder::~PLHEIFDecoder() { Close(); }

bool PLHEIFDecoder::GetExif(CExifRecord& record) {
    if (!m_hasExif)
        return false;
    record = m_exif;
    return true;
}

void PLHEIFDecoder::Close() {
    m_state.reset();
    m_exif.Clear();
    m_hasExif = false;
    PLPicDecoder::Close();
}

void PLHEIFDecoder::Open(PLDataSource* source) {
    Close();
    PLPicDecoder::Open(source);
    const std::size_t size = source->GetBytesLeft();
    const std::uint8_t* data = source->GetBufferPtr(size);
    m_state = std::make_unique<SState>();
    if (!m_state->context)
        throw PLTextException(PL_ERRNO_MEMORY, kTextNoMemory);
    heif_error error =
        heif_context_read_from_memory_without_copy(m_state->context, data, size, nullptr);
    // A file of image sequences only (brands such as msf1 or avis) has no
    // primary image: libheif says so here.
    if (error.code == heif_error_Ok)
        error = heif_context_get_primary_image_handle(m_state->context, &m_state->handle);
    if (error.code != heif_error_Ok && BoxesRunPastEnd(data, size))
        throw PLTextException(PL_ERREND_OF_FILE, kTextEndOfFile);
    Check(error);
    const heif_image_handle* handle = m_state->handle;
    // The size after the container's rotation: the upright picture's.
    const int w = heif_image_handle_get_width(handle);
    const int h = heif_image_handle_get_height(handle);
    PLCheckPictureSize(w, h);
    m_Width = w;
    m_Height = h;
    m_bpp = 32;
    m_bAlphaChannel = heif_image_handle_has_alpha_channel(handle) != 0;
    m_bIsGreyscale = false;
    m_XRes = m_YRes = 0;
    ReadExif();
}

// The primary image's first EXIF block, for its tags only (see the class
// comment on orientation). libheif hands it out as stored: a 32-bit
// big-endian offset, then as many bytes before the TIFF header (usually
// "Exif\0\0"), then the TIFF structure.
void PLHEIFDecoder::ReadExif() {
    const heif_image_handle* handle = m_state->handle;
    heif_item_id id = 0;
    if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) != 1)
        return;
    const std::size_t size = heif_image_handle_get_metadata_size(handle, id);
    if (size <= 4 || size > kMaxExifBytes)
        return;
    std::vector<std::uint8_t> block(size);
    if (heif_image_handle_get_metadata(handle, id, block.data()).code != heif_error_Ok)
        return;
    const std::size_t offset = GetBE32(block.data());
    if (offset >= size - 4)
        return;
    m_hasExif = m_exif.ReadTiff(block.data() + 4 + offset, size - 4 - offset);
}

void PLHEIFDecoder::ReadImage(PLBmp& bmp) {
    CheckTarget(bmp);
    if (!m_state || !m_state->handle)
        throw PLTextException(PL_ERRINTERNAL, kTextNullDecoder);
    const bool alpha = m_bAlphaChannel;
    heif_decoding_options* options = heif_decoding_options_alloc();
    if (!options)
        throw PLTextException(PL_ERRNO_MEMORY, kTextNoMemory);
    options->convert_hdr_to_8bit = 1;
    heif_image* image = nullptr;
    const heif_error error =
        heif_decode_image(m_state->handle, &image, heif_colorspace_RGB,
                          alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                          options);
    heif_decoding_options_free(options);
    std::unique_ptr<heif_image, void (*)(heif_image*)> owned(
        image, [](heif_image* i) { heif_image_release(i); });
    Check(error);

    int stride = 0;
    const std::uint8_t* plane =
        heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    if (!plane || heif_image_get_width(image, heif_channel_interleaved) != m_Width ||
        heif_image_get_height(image, heif_channel_interleaved) != m_Height ||
        heif_image_get_bits_per_pixel_range(image, heif_channel_interleaved) != 8)
        throw PLTextException(PL_ERRINTERNAL, "HEIF: unexpected decoded picture.");
    const bool premultiplied = alpha && heif_image_is_premultiplied_alpha(image);
    const int channels = alpha ? 4 : 3;
    std::uint8_t** rows = bmp.GetLineArray();
    for (int y = 0; y < m_Height; ++y) {
        const std::uint8_t* s = plane + std::ptrdiff_t(y) * stride;
        std::uint8_t* d = rows[y];
        for (int x = 0; x < m_Width; ++x, s += channels, d += 4) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
            d[3] = alpha ? s[3] : 255;
            // Pictures carry straight colours.
            const int a = d[3];
            if (premultiplied && a > 0 && a < 255)
                for (int c = 0; c < 3; ++c)
                    d[c] = std::uint8_t(std::min(255, (d[c] * 255 + a / 2) / a));
        }
    }
}
