#include "media/JPEGEncoder.h"

#include "media/Bmp.h"
#include "media/DataSink.h"
#include "media/TextException.h"

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <vector>

namespace {

// As in the decoder: errors jump back to the encoder's setjmp.
struct SEncoder {
    jpeg_compress_struct info{};
    jpeg_error_mgr err{};
    jpeg_destination_mgr dest{};
    std::jmp_buf jump{};
    char message[JMSG_LENGTH_MAX] = {};
    PLDataSink* sink = nullptr;
    std::vector<JOCTET> buffer = std::vector<JOCTET>(4096);
    bool sinkFull = false;

    static SEncoder* From(j_common_ptr c) {
        return reinterpret_cast<SEncoder*>(reinterpret_cast<char*>(c) - offsetof(SEncoder, info));
    }
    static SEncoder* From(j_compress_ptr c) { return From(reinterpret_cast<j_common_ptr>(c)); }
};

} // namespace

void PLJPEGEncoder::MakeFileFromBmp(PLDataSink& sink, const PLBmp& bmp) {
    if (bmp.GetBitsPerPixel() != 32 || bmp.GetWidth() <= 0 || bmp.GetHeight() <= 0)
        throw PLTextException(PL_ERRFORMAT_NOT_SUPPORTED, kTextDepthMismatch);
    SEncoder e;
    e.sink = &sink;
    e.info.err = jpeg_std_error(&e.err);
    e.err.error_exit = [](j_common_ptr c) {
        SEncoder* self = SEncoder::From(c);
        (*c->err->format_message)(c, self->message);
        std::longjmp(self->jump, 1);
    };
    e.err.output_message = [](j_common_ptr) {};
    e.dest.init_destination = [](j_compress_ptr c) {
        SEncoder* self = SEncoder::From(c);
        c->dest->next_output_byte = self->buffer.data();
        c->dest->free_in_buffer = self->buffer.size();
    };
    e.dest.empty_output_buffer = [](j_compress_ptr c) -> boolean {
        SEncoder* self = SEncoder::From(c);
        if (self->sink->WriteNBytes(self->buffer.size(), self->buffer.data()) !=
            self->buffer.size()) {
            self->sinkFull = true;
            std::longjmp(self->jump, 1);
        }
        c->dest->next_output_byte = self->buffer.data();
        c->dest->free_in_buffer = self->buffer.size();
        return TRUE;
    };
    e.dest.term_destination = [](j_compress_ptr c) {
        SEncoder* self = SEncoder::From(c);
        std::size_t n = self->buffer.size() - c->dest->free_in_buffer;
        if (self->sink->WriteNBytes(n, self->buffer.data()) != n) {
            self->sinkFull = true;
            std::longjmp(self->jump, 1);
        }
    };
    const std::uint8_t* const* rows = bmp.GetLineArray();
    if (setjmp(e.jump)) {
        jpeg_destroy_compress(&e.info);
        if (e.sinkFull)
            throw PLTextException(PL_ERRNO_MEMORY, kTextNoMemory);
        throw PLTextException(PL_ERRINTERNAL, e.message);
    }
    jpeg_create_compress(&e.info);
    e.info.dest = &e.dest;
    e.info.image_width = JDIMENSION(bmp.GetWidth());
    e.info.image_height = JDIMENSION(bmp.GetHeight());
    e.info.input_components = 4;
    e.info.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&e.info);
    e.info.optimize_coding = FALSE;
    e.info.smoothing_factor = 0;
    if (bmp.m_XRes > 0 && bmp.m_YRes > 0 && bmp.m_XRes <= 65535 && bmp.m_YRes <= 65535) {
        e.info.density_unit = 1;
        e.info.X_density = UINT16(bmp.m_XRes);
        e.info.Y_density = UINT16(bmp.m_YRes);
    }
    jpeg_start_compress(&e.info, TRUE);
    while (e.info.next_scanline < e.info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rows[e.info.next_scanline]);
        jpeg_write_scanlines(&e.info, &row, 1);
    }
    jpeg_finish_compress(&e.info);
    jpeg_destroy_compress(&e.info);
}
