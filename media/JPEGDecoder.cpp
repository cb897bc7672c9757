#include "media/JPEGDecoder.h"

#include "media/ExifOrientation.h"
#include "media/TextException.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <jerror.h>

// libjpeg reports fatal errors through error_exit, which must not return; ours
// jumps back to the setjmp of the decoder operation that called the library,
// which then raises the decoder error. No object with a destructor lives in a
// frame the jump leaves.
struct PLJPEGDecoder::SState {
    jpeg_decompress_struct info{};
    jpeg_error_mgr err{};
    std::jmp_buf jump{};
    char message[JMSG_LENGTH_MAX] = {};
    bool created = false;
    bool started = false;
    bool finished = false;
    bool truncated = false;
    bool dcOnly = false; // a draft that reads the DC scans only

    SState() {
        info.err = jpeg_std_error(&err);
        err.error_exit = [](j_common_ptr cinfo) {
            auto* self = reinterpret_cast<SState*>(reinterpret_cast<char*>(cinfo) -
                                                   offsetof(SState, info));
            (*cinfo->err->format_message)(cinfo, self->message);
            std::longjmp(self->jump, 1);
        };
        // Warnings are not printed. Data that ends early is only a warning to
        // the library (it pads the picture with grey); for us it is an error.
        err.output_message = [](j_common_ptr) {};
        err.emit_message = [](j_common_ptr cinfo, int level) {
            if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) {
                auto* self = reinterpret_cast<SState*>(reinterpret_cast<char*>(cinfo) -
                                                       offsetof(SState, info));
                self->truncated = true;
            }
        };
    }
    void Destroy() {
        if (created)
            jpeg_destroy_decompress(&info);
        created = started = false;
    }
};

PLJPEGDecoder::PLJPEGDecoder() = default;
PLJPEGDecoder::~PLJPEGDecoder() { Close(); }

bool PLJPEGDecoder::GetExif(CExifRecord& record) {
    if (!m_hasExif)
        return false;
    record = m_exif;
    return true;
}

void PLJPEGDecoder::Close() {
    if (m_state)
        m_state->Destroy();
    m_state.reset();
    m_exif.Clear();
    m_hasExif = false;
    m_scale = 1;
    m_orientation = 1;
    PLPicDecoder::Close();
}

void PLJPEGDecoder::Open(PLDataSource* source) {
    Close();
    PLPicDecoder::Open(source);
    m_state = std::make_unique<SState>();
    SState* s = m_state.get();
    std::size_t size = source->GetBytesLeft();
    const std::uint8_t* data = source->GetBufferPtr(size);
    if (size > 0xFFFFFFFFu)
        throw PLTextException(PL_ERRNO_MEMORY, kTextNoMemory);
    if (setjmp(s->jump))
        throw PLTextException(PL_ERRINTERNAL, s->message);
    jpeg_create_decompress(&s->info);
    s->created = true;
    jpeg_mem_src(&s->info, data, static_cast<unsigned long>(size));
    jpeg_save_markers(&s->info, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&s->info, TRUE);

    if (size > 6) {
        for (jpeg_saved_marker_ptr m = s->info.marker_list; m; m = m->next) {
            if (m->marker == JPEG_APP0 + 1 && m->data_length > 6 &&
                std::memcmp(m->data, "Exif\0\0", 6) == 0) {
                m_hasExif = m_exif.ReadBlock(m->data, m->data_length);
                break;
            }
        }
    }
    m_orientation = m_hasExif ? m_exif.GetOrientation() : 1;

    int width = int(s->info.image_width);
    int height = int(s->info.image_height);
    // The request is for the upright picture; compare it with the upright size.
    bool turned = SwapsSides(m_orientation);
    m_scale = turned ? RequestedReduction(height, width) : RequestedReduction(width, height);
    s->info.scale_num = 1;
    s->info.scale_denom = unsigned(m_scale);
    int channels = s->info.num_components;
    if (channels == 1)
        s->info.out_color_space = JCS_GRAYSCALE;
    else if (channels == 4)
        s->info.out_color_space = JCS_CMYK;
    else if (channels == 3)
        s->info.out_color_space = JCS_EXT_BGRA;
    else
        throw PLTextException(PL_ERRFORMAT_NOT_SUPPORTED, "Unsupported JPEG colour format.");
    jpeg_calc_output_dimensions(&s->info);
    int ow = int(s->info.output_width);
    int oh = int(s->info.output_height);
    PLCheckPictureSize(ow, oh);
    m_Width = turned ? oh : ow;
    m_Height = turned ? ow : oh;
    m_bpp = 32;
    m_bAlphaChannel = true;
    m_bIsGreyscale = channels == 1;
    if (s->info.density_unit == 1) {
        m_XRes = s->info.X_density;
        m_YRes = s->info.Y_density;
    } else if (s->info.density_unit == 2) {
        m_XRes = int(s->info.X_density * 2.54 + 0.5);
        m_YRes = int(s->info.Y_density * 2.54 + 0.5);
    } else {
        m_XRes = m_YRes = 0;
    }
}

namespace {

// Expands one decoded scan line to blue, green, red, 255.
void ExpandLine(const std::uint8_t* in, std::uint8_t* out, int width, int channels,
                bool adobeInverted) {
    if (channels == 1) {
        for (int x = 0; x < width; ++x) {
            out[4 * x] = out[4 * x + 1] = out[4 * x + 2] = in[x];
            out[4 * x + 3] = 255;
        }
    } else if (channels == 4) {
        for (int x = 0; x < width; ++x) {
            int c = in[4 * x], m = in[4 * x + 1], y = in[4 * x + 2], k = in[4 * x + 3];
            if (!adobeInverted) {
                c = 255 - c;
                m = 255 - m;
                y = 255 - y;
                k = 255 - k;
            }
            out[4 * x] = std::uint8_t(y * k / 255);
            out[4 * x + 1] = std::uint8_t(m * k / 255);
            out[4 * x + 2] = std::uint8_t(c * k / 255);
            out[4 * x + 3] = 255;
        }
    }
}

} // namespace

void PLJPEGDecoder::ReadImage(PLBmp& bmp) {
    if (!m_state || !m_state->created)
        throw PLTextException(PL_ERRINTERNAL, kTextNullDecoder);
    CheckTarget(bmp);
    if (m_state->finished) {
        // A second read starts the library over on the same bytes.
        auto owned = std::move(m_ownedSrc);
        Open(m_pDataSrc);
        m_ownedSrc = std::move(owned);
    }
    SState* s = m_state.get();
    int ow = int(s->info.output_width);
    int oh = int(s->info.output_height);
    int channels = s->info.num_components;
    // Upright pictures decode straight into the bitmap; others into a stored
    // copy that is turned afterwards.
    PLAnyBmp stored;
    PLBmp* target = &bmp;
    if (m_orientation != 1) {
        stored.Create(ow, oh, 32, true, m_bIsGreyscale);
        target = &stored;
    }
    std::vector<std::uint8_t> line(channels == 3 ? 0 : std::size_t(ow) * std::size_t(channels));
    std::uint8_t** rows = target->GetLineArray();
    bool inverted = s->info.saw_Adobe_marker;
    // At one eighth every luminance block becomes one pixel made from its DC
    // coefficient alone, so a draft of a progressive picture stops reading
    // once every component's first DC scan has ended, usually the first scan
    // of the file. The picture is that of the whole decode but for the DC's
    // lowest bits, which a progression often sends last (a pixel level or
    // two), and for colour detail (the chroma blocks, which are smaller, also
    // use their first AC coefficients, still zero then): colour is as sharp
    // as a sixteenth of the picture. That is what a thumbnail or a preview
    // needs, at a small part of the cost, since the later scans hold nearly
    // all the data.
    s->dcOnly = m_draft && m_scale == 8 && jpeg_has_multiple_scans(&s->info);
    if (setjmp(s->jump))
        throw PLTextException(PL_ERRINTERNAL, s->message);
    if (!s->started) {
        if (s->dcOnly) {
            s->info.buffered_image = TRUE;
            s->info.do_block_smoothing = FALSE;
        }
        jpeg_start_decompress(&s->info);
        s->started = true;
        if (s->dcOnly) {
            // The progression status of a component's DC coefficient is -1
            // until its first DC scan starts; the scan has been read when a
            // scan ends.
            auto dcSeen = [s] {
                for (int c = 0; c < s->info.num_components; ++c)
                    if (s->info.coef_bits[c][0] < 0)
                        return false;
                return true;
            };
            for (;;) {
                const int status = jpeg_consume_input(&s->info);
                if (status == JPEG_REACHED_EOI || status == JPEG_SUSPENDED ||
                    (status == JPEG_SCAN_COMPLETED && dcSeen()))
                    break;
            }
            jpeg_start_output(&s->info, s->info.input_scan_number);
        }
    }
    while (s->info.output_scanline < s->info.output_height) {
        int y = int(s->info.output_scanline);
        JSAMPROW row = channels == 3 ? rows[y] : line.data();
        if (jpeg_read_scanlines(&s->info, &row, 1) != 1)
            break;
        if (channels != 3)
            ExpandLine(line.data(), rows[y], ow, channels, inverted);
    }
    if (s->dcOnly)
        jpeg_abort_decompress(&s->info); // the rest of the data is not needed
    else
        jpeg_finish_decompress(&s->info);
    s->started = false;
    s->finished = true;
    if (s->truncated)
        throw PLTextException(PL_ERREND_OF_FILE, kTextEndOfFile);
    if (channels == 3)
        for (int y = 0; y < oh; ++y)
            for (int x = 0; x < ow; ++x)
                rows[y][4 * x + 3] = 255;
    if (m_orientation != 1)
        TurnUpright(stored, bmp, m_orientation);
}
